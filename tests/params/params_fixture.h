#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "tests/fakes/scratch_dir.h"

namespace quillon::test {

// A throw-away copy of the parameter editor's test files: the sample station's EDS files in the
// directory itself and its resource files under Resources/. Removed again when the object goes.
class ParamsDir
{
public:
    ParamsDir()
    {
        std::filesystem::copy(QUILLON_TEST_DATA "/params", m_dir,
                              std::filesystem::copy_options::recursive);
    }

    [[nodiscard]] std::string path(const std::string& name) const
    {
        return (m_dir / name).string();
    }
    [[nodiscard]] std::string dir() const { return m_dir.string() + "/"; }
    [[nodiscard]] std::string resources() const { return path("Resources") + "/"; }

    [[nodiscard]] static std::string read(const std::string& path)
    {
        return readFileBytes(path).value_or("<unreadable>");
    }
    static void write(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    // A session whose catalogue knows the station's modules and whose clock stands at 21:05:09 on
    // 06-30-2009. The cluster holds the head (2 parameters), a KD236 (3) and a KA224 (1).
    [[nodiscard]] Session session() const
    {
        Session s;
        s.gstrResourcePath = resources();
        s.gstrEDSFilePath = dir();
        s.clock = [] { return DateTime{2009, 6, 30, 21, 5, 9}; };
        s.ModuleCatalogue[0] = {"KA224.wmf", 0, 0, 0, 4, "OVN_KA224.eds", 1};
        s.ModuleCatalogue[1] = {"KD236.wmf", 2, 0, 0, 0, "OVN_KD236.eds", 3};
        s.catalogueRecordCount = 2;
        s.ClusterSlots[0] = {"HB612.wmf", 2, 1, 0, 0, "OVN_HB612.eds", 2};
        s.ClusterSlots[1] = s.ModuleCatalogue[1];
        s.ClusterSlots[2] = s.ModuleCatalogue[0];
        s.UsedCount = 3;
        return s;
    }

private:
    ScratchDir m_scratch{"quillon-params"};
    const std::filesystem::path& m_dir = m_scratch.path();
};

// The lines of `after` that differ from the line at the same place in `before`, or were added.
inline std::vector<std::string> changedLines(const std::string& before, const std::string& after)
{
    const std::vector<std::string> was = splitLines(before);
    const std::vector<std::string> now = splitLines(after);
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (i >= was.size() || was[i] != now[i])
            changed.push_back(now[i]);
    }
    return changed;
}

} // namespace quillon::test
