#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/item_reader.h"
#include "core/session.h"
#include "core/types.h"

namespace quillon::test {

inline const std::string EdsTestData = std::string(QUILLON_TEST_DATA) + "/eds/";

// The instant every test generation is dated with: 30 June 2009, 14:05:09.
inline DateTime fixedInstant()
{
    return DateTime{2009, 6, 30, 14, 5, 9};
}

// A module record as the catalogue would hold it.
inline ModuleInfo module(const std::string& resourceFile, int di, int dout, int ai, int ao)
{
    return ModuleInfo{resourceFile.substr(4, 5) + ".wmf", di, dout, ai, ao, resourceFile, 3};
}

// A session with an open configuration of the head plus `modules`, its used bytes summed as
// the cluster operations would, templates from tests/data/eds/<templateSet>/.
inline Session stationSession(const std::string& templateSet, FieldbusProtocol protocol,
                              std::initializer_list<ModuleInfo> modules)
{
    Session session;
    session.gstrResourcePath = EdsTestData + templateSet + "/";
    session.Protocol = protocol;
    session.ClusterSlots[0] = headRecord();
    session.UsedCount = 1;
    session.UsedBytes = session.ClusterSlots[0].bytes();
    for (const ModuleInfo& m : modules) {
        session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
        for (int kind = 0; kind < ByteKindCount; ++kind)
            session.UsedBytes[static_cast<std::size_t>(kind)] +=
                m.bytes()[static_cast<std::size_t>(kind)];
    }
    session.ConfigurationOpen = true;
    session.clock = fixedInstant;
    return session;
}

// The lines of a generated text, without their CR LF.
inline std::vector<std::string> linesOf(std::string_view text)
{
    return splitLines(text);
}

// The section of `text` that starts at the line equal to `header` and runs to the next line
// starting with "[", as lines without the empty lines at its end.
inline std::vector<std::string> objectLines(std::string_view text, const std::string& header)
{
    std::vector<std::string> found;
    bool inside = false;
    for (const std::string& line : splitLines(text)) {
        if (line == header) {
            inside = true;
        } else if (inside && !line.empty() && line[0] == '[') {
            break;
        }
        if (inside)
            found.push_back(line);
    }
    while (!found.empty() && found.back().empty())
        found.pop_back();
    return found;
}

// The value of the first line `key`=value in `lines` ("" when there is none).
inline std::string valueOf(const std::vector<std::string>& lines, const std::string& key)
{
    for (const std::string& line : lines) {
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
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
