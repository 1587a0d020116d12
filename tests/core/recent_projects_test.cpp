#include <gtest/gtest.h>

#include "core/file_path.h"
#include "core/recent_projects.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

using List = std::vector<std::string>;

TEST(RecentProjects, NewestFirstWithoutRepeatsAtMostFive)
{
    const struct
    {
        List before;
        const char* path;
        List after;
    } cases[] = {
        {{}, "a.edp", {"a.edp"}},
        {{"a.edp", "b.edp", "c.edp"}, "c.edp", {"c.edp", "a.edp", "b.edp"}},
        {{"a", "b", "c", "d", "e"}, "f", {"f", "a", "b", "c", "d"}},
        {{"a", "b", "c", "d", "e"}, "d", {"d", "a", "b", "c", "e"}},
        {{"a", "b"}, "", {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withRecentProject(c.before, c.path), c.after) << c.path;
}

TEST(RecentProjects, OnlyTheFirstFiveFilesThatAreStillThereAreOffered)
{
    test::ScratchDir scratch("quillon-recent");
    List stored;
    for (int i = 0; i < 8; ++i)
        stored.push_back(fromFsPath(scratch.path() / ("p" + std::to_string(i) + ".edp")));
    for (const std::size_t i : {0, 2, 4, 5, 6, 7})
        test::TempStation::writeFile(stored[i], "x");
    std::filesystem::create_directories(toFsPath(stored[1])); // a folder is no project
    EXPECT_EQ(existingRecentProjects(stored),
              (List{stored[0], stored[2], stored[4], stored[5], stored[6]}));
}

} // namespace
} // namespace quillon
