#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/item_reader.h"
#include "core/session.h"
#include "core/types.h"
#include "eds/eds_check.h"
#include "eds/generate.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon::test {

inline const std::string EdsTestData = std::string(QUILLON_TEST_DATA) + "/eds/";

// The instant every test generation is dated with: 30 June 2009, 14:05:09.
inline DateTime fixedInstant()
{
    return DateTime{2009, 6, 30, 14, 5, 9};
}

inline ModuleInfo module(const std::string& resourceFile, int di, int dout, int ai, int ao)
{
    return ModuleInfo{resourceFile.substr(4, 5) + ".wmf", di, dout, ai, ao, resourceFile, 3};
}

// An open configuration of the head plus `modules`, templates from tests/data/eds/<templateSet>/
// or from a directory ending in a separator.
inline Session stationSession(const std::string& templateSet, FieldbusProtocol protocol,
                              const std::vector<ModuleInfo>& modules)
{
    Session session;
    session.gstrResourcePath = templateSet.ends_with('/') || templateSet.ends_with('\\')
                                   ? templateSet
                                   : EdsTestData + templateSet + "/";
    session.Protocol = protocol;
    session.ClusterSlots[0] = headRecord();
    session.UsedBytes = session.ClusterSlots[0].bytes();
    for (const ModuleInfo& m : modules) {
        session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
        for (std::size_t kind = 0; kind < session.UsedBytes.size(); ++kind)
            session.UsedBytes[kind] += m.bytes()[kind];
    }
    session.ConfigurationOpen = true;
    session.clock = fixedInstant;
    return session;
}

// The EDS text generated at the fixed instant, from `store` when one is given.
inline EdsBuildResult buildText(Session& session, FieldbusProtocol protocol,
                                const std::string& path = "/x.eds", TemplateStore* store = nullptr)
{
    ScriptedDialogs dialogs;
    EdsBuildResult result =
        store ? buildEdsText(session, protocol, path, fixedInstant(), dialogs, *store)
              : buildEdsText(session, protocol, path, fixedInstant(), dialogs);
    // What the shipped templates give must pass the checker; the hand-written ones are fragments.
    const bool shippedTemplates =
        session.gstrResourcePath.rfind(std::string(QUILLON_RESOURCES), 0) == 0;
    if (result.ok && shippedTemplates) {
        const CheckReport report = checkEds(result.text + "\r\n");
        if (!report.clean())
            ADD_FAILURE() << formatReport(report, session.gstrResourcePath);
    }
    return result;
}

// DeviceNet parameters numbered 1.. without gaps, each EnumN after its ParamN and before the next
// parameter, an order checkEds does not ask for: the lines out of order.
inline std::vector<std::string> numberingProblems(const std::string& text)
{
    std::vector<std::string> problems;
    int last = 0;
    for (const std::string& raw : splitLines(text)) {
        const std::string line = raw.substr(std::min(raw.size(), raw.find_first_not_of(" \t")));
        const auto number = [&line](std::size_t at) {
            return line.size() > at && std::isdigit(static_cast<unsigned char>(line[at]))
                       ? std::stoi(line.substr(at))
                       : -1;
        };
        if (line.starts_with("Param") && number(5) >= 0) {
            if (number(5) != last + 1)
                problems.push_back(line);
            last = number(5);
        } else if (line.starts_with("Enum") && number(4) >= 0 && number(4) != last) {
            problems.push_back(line);
        }
    }
    return problems;
}

// A fresh, empty directory for one test's output files.
inline std::filesystem::path freshOutputDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() / ("quillon_eds_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace quillon::test
