#include "eds/eds_check.h"

#include <algorithm>

#include "eds/check/canopen_rules.h"
#include "eds/check/check_text.h"
#include "eds/check/devicenet_rules.h"
#include "eds/check/findings.h"

namespace quillon {

// The rules live in eds/check/: text helpers, numbers, the reader and the rules of each format.
// This file recognises the format and runs its rules.

namespace {

using check::iequals;
using check::num;
using check::trim;

EdsFormat detectFormat(const check::Lines& lines)
{
    for (std::string_view raw : lines) {
        const std::string_view t = trim(raw);
        if (t.empty() || t.front() != '[')
            continue;
        const std::size_t close = t.find(']');
        if (close == std::string_view::npos)
            continue;
        const std::string_view name = trim(t.substr(1, close - 1));
        if (iequals(name, "FileInfo"))
            return EdsFormat::CanOpen;
        if (iequals(name, "File") || iequals(name, "Device"))
            return EdsFormat::DeviceNet;
    }
    return EdsFormat::Unknown;
}

} // namespace

CheckReport checkEds(std::string_view bytes)
{
    CheckReport report;
    check::Findings findings(report.findings);
    if (bytes.size() > MaxCheckedFileBytes) {
        findings.add(0, "the file is larger than " + num(MaxCheckedFileBytes >> 20) +
                            " MiB; no EDS is that large, so it is not checked");
        return report;
    }
    check::Lines lines;
    if (!check::splitBounded(bytes, lines, findings))
        return report;
    report.format = detectFormat(lines);
    switch (report.format) {
    case EdsFormat::CanOpen:
        check::checkCanOpen(lines, findings);
        break;
    case EdsFormat::DeviceNet:
        check::checkDeviceNet(lines, findings);
        break;
    case EdsFormat::Unknown:
        findings.add(0, bytes.empty() ? "the file is empty"
                                      : "no [FileInfo] section (CANopen) and no [File] or "
                                        "[Device] section (DeviceNet): this is not an EDS");
        break;
    }
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
    if (findings.overflowed())
        report.findings.push_back(
            {0, "more than " + num(MaxReportedFindings) + " findings; the rest are not reported"});
    return report;
}

std::string formatReport(const CheckReport& report, const std::string& fileName)
{
    std::string out;
    for (const CheckFinding& f : report.findings) {
        out += fileName;
        if (f.line > 0)
            out += ":" + std::to_string(f.line);
        out += ": " + f.message + "\n";
    }
    out += fileName + ": " + formatName(report.format) + ", ";
    if (report.clean())
        out += "clean\n";
    else
        out += num(report.findings.size()) +
               (report.findings.size() == 1 ? " finding\n" : " findings\n");
    return out;
}

const char* formatName(EdsFormat format)
{
    switch (format) {
    case EdsFormat::CanOpen:
        return "CANopen EDS";
    case EdsFormat::DeviceNet:
        return "DeviceNet EDS";
    case EdsFormat::Unknown:
        break;
    }
    return "unrecognised file";
}

} // namespace quillon
