#include "fuzz/fuzz_entries.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/dialogs.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/settings.h"
#include "eds/eds_check.h"
#include "eds/generate.h"
#include "eds/template_reader.h"
#include "params/eds_parameters.h"
#include "project/project_file.h"

namespace quillon::fuzz {

namespace {

// Answers nothing and shows nothing: the generators only report progress through it.
class SilentDialogs : public Dialogs
{
public:
    void notice(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&) override { return false; }
    std::optional<std::string> openFile(const FileRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileRequest&) override { return std::nullopt; }
};

constexpr DateTime FixedNow{2009, 6, 30, 14, 15, 0};

unsigned char byteAt(std::string_view data, std::size_t i)
{
    return static_cast<unsigned char>(data[i]);
}

std::size_t countLineEnds(std::string_view data)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == data.size() || data[i + 1] != '\n')))
            ++n;
    }
    return n;
}

// A text that writing and reading a project file keep as it is.
bool isPlainItem(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") != std::string::npos)
        return false;
    return s.empty() ||
           (s.front() != ' ' && s.front() != '\t' && s.back() != ' ' && s.back() != '\t');
}

} // namespace

std::string settingsAndItems(std::string_view data)
{
    const SettingsResult settings = parseSettings(std::string(data), "fuzz.ini", "/program");
    if (!settings.ok && settings.error.detail.empty())
        return "a settings file was refused without a reason";
    if (settings.ok && (settings.settings.catalogueRecordCount < 0 ||
                        settings.settings.catalogueRecordCount > CatalogueCapacity))
        return "the catalogue holds more records than it has room for";

    // Every read takes at least one byte, so there are never more reads than bytes, and line
    // numbers only grow, never past the last line.
    const auto lineLimit = static_cast<int>(countLineEnds(data) + 1);
    ItemReader reader(data);
    std::size_t reads = 0;
    int line = reader.lineNumber();
    while (!reader.atEnd()) {
        if (++reads > data.size())
            return "the item reader read more items than the text has bytes";
        switch (byteAt(data, reads % data.size()) % 4) {
        case 0:
            (void)reader.readLine();
            break;
        case 1:
            (void)reader.readText();
            break;
        case 2:
            (void)reader.readInt16();
            break;
        default:
            (void)reader.readNumber(-1000, 1000);
            break;
        }
        if (reader.lineNumber() < line || reader.lineNumber() > lineLimit + 1)
            return "the item reader's line number went backwards or past the end";
        line = reader.lineNumber();
    }
    if (reader.readLine() || reader.readText())
        return "a read at the end of the text succeeded";

    const std::vector<std::string> lines = splitLines(data);
    std::size_t total = 0;
    for (const std::string& l : lines)
        total += l.size();
    if (lines.size() > countLineEnds(data) + 1 || total > data.size())
        return "splitLines gave more than the text holds";
    return {};
}

std::string projectFile(std::string_view data)
{
    const ProjectParse parsed = parseProjectText(data);
    if (parsed.empty != data.empty())
        return "only an empty text is an empty project";
    if (parsed.records.size() > static_cast<std::size_t>(ProjectRecordCount))
        return "more than eight records";
    if (parsed.complete != (parsed.records.size() == ProjectRecordCount))
        return "complete does not match the number of records";
    if (!parsed.complete && !parsed.empty && (parsed.failedLine <= 0 || parsed.error.empty()))
        return "a broken project gave no line or reason";
    if (const auto refusal = refusedFileName(parsed)) {
        if (!refusal->starts_with("line ") || refusal->find(": the ") == std::string::npos)
            return "a refused file name gave no line or name";
    }
    if (!parsed.complete)
        return {};

    const bool plain =
        std::all_of(parsed.records.begin(), parsed.records.end(), [](const ModuleInfo& m) {
            return isPlainItem(m.PictureFile) && isPlainItem(m.ResourceFile);
        });
    if (!plain)
        return {};
    ClusterTable slots;
    std::copy(parsed.records.begin(), parsed.records.end(), slots.begin());
    const ProjectParse again = parseProjectText(writeProjectText(slots));
    if (!again.complete || again.records != parsed.records)
        return "a project did not survive writing and reading";
    return {};
}

std::string templateGeneration(std::string_view data)
{
    if (data.size() < GenerateControlBytes)
        return {};
    const bool deviceNet = (byteAt(data, 0) & 1u) != 0;
    const int modules = (byteAt(data, 0) >> 1) % 8;
    // Mostly totals the PDOs can carry; with bit 0 of the last control byte set, any totals, so
    // that the refusals are reached too.
    const bool anyTotals = (byteAt(data, 5) & 1u) != 0;
    ByteCounts totals{};
    for (int kind = 0; kind < ByteKindCount; ++kind) {
        const unsigned raw = byteAt(data, 1 + static_cast<std::size_t>(kind));
        const bool analogue = kind == AnalogIn || kind == AnalogOut;
        totals[static_cast<std::size_t>(kind)] =
            static_cast<int>(anyTotals ? raw % 40 : (analogue ? (raw % 17) * 2 : raw % 17));
    }

    static constexpr const char* ModuleFiles[] = {"OVN_KD236.eds", "OVN_KA224.eds",
                                                  "OVN_KX100.eds"};
    static constexpr const char* TemplateFiles[] = {"OVN_HB612.eds", "OVN_KD236.eds",
                                                    "OVN_KA224.eds", "OVN_KX100.eds"};
    Session session;
    session.gstrResourcePath = "/nonexistent-quillon-fuzz/";
    session.ClusterSlots[0] = headRecord();
    for (int k = 1; k <= modules; ++k) {
        ModuleInfo& m = session.ClusterSlots[static_cast<std::size_t>(k)];
        m.PictureFile = "module.wmf";
        m.ResourceFile = ModuleFiles[(k - 1) % 3];
        m.ParameterCount = 1;
    }
    session.UsedCount = modules + 1;
    session.UsedBytes = totals;

    TemplateStore store(session.gstrResourcePath);
    std::string_view rest = data.substr(GenerateControlBytes);
    for (std::size_t i = 0; i < std::size(TemplateFiles); ++i) {
        const std::size_t cut = i + 1 < std::size(TemplateFiles) ? rest.find(TemplateSeparator)
                                                                 : std::string_view::npos;
        store.put(TemplateFiles[i], std::string(rest.substr(0, cut)));
        if (cut == std::string_view::npos)
            break;
        rest.remove_prefix(cut + TemplateSeparator.size());
    }

    SilentDialogs dialogs;
    const EdsBuildResult built =
        buildEdsText(session, deviceNet ? FieldbusProtocol::DeviceNet : FieldbusProtocol::CanOpen,
                     "C:\\EDS\\CO_fuzz.eds", FixedNow, dialogs, store);
    if (!built.ok && built.error.empty())
        return "a failed generation gave no reason";
    if (!built.ok && !built.text.empty())
        return "a failed generation left text behind";
    if (built.text.size() > 64 * data.size() + 65536)
        return "the EDS grew far beyond its templates";
    if (built.ok)
        (void)checkEds(built.text); // the checker sees generated text this way as well
    return {};
}

std::string edsParameters(std::string_view data)
{
    const std::vector<std::string> lines = splitLines(data);
    const PerSlot<EdsParameterEntry> values = readParameterObjects(lines).slots;
    (void)scanModuleSlots(lines);

    // New defaults for some parameters, among them the extremes of 32 bits.
    PerSlot<std::optional<std::int32_t>> newValues;
    std::uint32_t seed = static_cast<std::uint32_t>(data.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = 0; j < values[i].size(); ++j) {
            seed = seed * 1103515245u + 12345u;
            if (seed % 5 == 0)
                newValues[i].push_back(std::nullopt);
            else if (seed % 7 == 0)
                newValues[i].push_back(INT32_MIN);
            else
                newValues[i].push_back(static_cast<std::int32_t>(seed));
        }
    }
    const auto saved = rewriteEds(lines, newValues, FixedNow, "C:\\EDS\\CO_fuzz.eds");
    // Saving rewrites lines in place and ends the text with one more line end; a file with more
    // values than the editor has rows is not saved at all.
    if (saved && splitLines(*saved).size() != lines.size() + 1)
        return "saving changed the number of lines";
    if (!saved && lines.size() <= static_cast<std::size_t>(MaxParameterRows))
        return "a file too short to hold that many values was refused";
    return {};
}

std::string edsCheck(std::string_view data)
{
    const CheckReport report = checkEds(data);
    if (report.format == EdsFormat::Unknown && report.clean())
        return "an unrecognised file came out clean";
    const std::size_t count = report.findings.size();
    if (count > MaxReportedFindings + 1)
        return "more findings than the cap";
    const auto lastLine = static_cast<int>(countLineEnds(data) + 1);
    int previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const CheckFinding& f = report.findings[i];
        if (f.message.empty())
            return "a finding without a message";
        if (f.line < 0 || f.line > lastLine + 1)
            return "a finding names a line the file does not have";
        const bool capNotice = i + 1 == count && count == MaxReportedFindings + 1;
        if (!capNotice && f.line < previous)
            return "findings are not in line order";
        previous = f.line;
    }
    const std::string text = formatReport(report, "fuzz.eds");
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) != count + 1)
        return "the report does not have one line per finding and a summary";
    return {};
}

std::span<const Target> targets()
{
    static constexpr Target All[] = {
        {"settings", settingsAndItems}, {"project", projectFile}, {"generate", templateGeneration},
        {"params", edsParameters},      {"check", edsCheck},
    };
    return All;
}

int runOrAbort(std::string (*entry)(std::string_view data), const std::uint8_t* data,
               std::size_t size)
{
    const std::string broken = entry({reinterpret_cast<const char*>(data), size});
    if (!broken.empty()) {
        std::fprintf(stderr, "broken rule: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

} // namespace quillon::fuzz
