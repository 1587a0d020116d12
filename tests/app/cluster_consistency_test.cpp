#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>

#include "core/cluster.h"
#include "core/file_access.h"
#include "core/io_map_view.h"
#include "eds/generate.h"
#include "eds/template_reader.h"
#include "project/project_file.h"
#include "tests/core/station_fixture.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

constexpr int SampleCatalogueSize = 17;

class SampleCluster : public test::SampleStationTest
{
protected:
    int gapCount() const
    {
        int gaps = 0;
        for (int i = 1; i < s.UsedCount && i < ShownPositions; ++i)
            gaps += s.ClusterSlots[static_cast<std::size_t>(i)].isFree() ? 1 : 0;
        return gaps;
    }

    // What disagrees with the pictures: the findings of layout(), and while the cluster has no
    // gap (during one the views keep what they showed before the clear) the I/O map window and
    // the product name of both EDS.
    std::string inconsistencies()
    {
        const std::string shown = layout();
        std::string out = shown.substr(std::min(shown.find('!'), shown.size()));
        if (gapCount() > 0)
            return out;

        std::string expectedName = "K310";
        ShowIoList(s);
        for (std::size_t pos = 0; pos < ShownPositions; ++pos) {
            const ModuleInfo& m = s.ClusterSlots[pos];
            const std::string name = m.isFree() ? "" : modelNameOf(m.ResourceFile);
            const auto& row = s.view.mapList[pos + 1];
            if (row[1] != name || (m.isFree() && s.Protocol != FieldbusProtocol::None &&
                                   !(row[2] + row[3] + row[4] + row[5]).empty()))
                out += "I/O map row " + std::to_string(pos + 1) + " lists '" + row[1] + "'; ";
            if (!m.isFree())
                expectedName += (expectedName == "K310" ? "-" : "+") + name;
        }
        s.view.mapListOpen = false;

        // Each cluster is generated once: it is the slow part.
        const std::string cluster = writeProjectText(s.ClusterSlots) + std::to_string(s.UsedCount);
        if (!out.empty() || !generatedFor.insert(cluster).second)
            return out;
        for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
            if (checkGeneratorRange(s, protocol))
                continue;
            // The conformance checker reads the texts of every fifth cluster as they are built.
            const std::string path = station.dir() + "/x.eds";
            const EdsBuildResult built =
                generatedFor.size() % 5 == 0
                    ? test::buildText(s, protocol, path, &templates)
                    : buildEdsText(s, protocol, path, test::fixedInstant(), dialogs, templates);
            if (!built.ok ||
                built.text.find("ProdName = \"" + expectedName + "\"") == std::string::npos)
                out += "EDS " + std::to_string(static_cast<int>(protocol)) + " is not of " +
                       expectedName + ": " + built.error + "; ";
            if (protocol == FieldbusProtocol::DeviceNet && built.ok)
                for (const std::string& line : test::numberingProblems(built.text))
                    out += "DeviceNet parameter out of order: " + line + "; ";
        }
        return out;
    }

    TemplateStore templates{QUILLON_RESOURCES "/Resources/"};
    std::set<std::string> generatedFor; // the clusters whose EDS were checked
};

// Random clicks, saves and loads, with the pictures compared after every step against the
// grid, the I/O map window and both generated EDS.
TEST_F(SampleCluster, RandomEditingKeepsEveryViewOfTheClusterInStep)
{
    ASSERT_EQ(
        test::numberingProblems("Param1 =\r\n  Enum1 =\r\nParam3 =\r\nEnum1 =\r\nParam4 =\r\n"),
        (std::vector<std::string>{"Param3 =", "Enum1 ="}));
    std::mt19937 rng(20261205);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const std::string project = station.dir() + "/Projects/random.edp";
    // Weighted towards filling the cluster and clearing in it, so that most steps start from
    // several modules, often with gaps; "S" saves the project, loaded by "L" some steps later.
    const std::string clicks = "pppppssssssaaaaaaaaiiixxxxxXggnSL";

    for (int run = 0; run < 150; ++run) {
        std::filesystem::remove(project);
        int savedGaps = 0;
        restart();
        std::string trail = pick(2) == 0 ? "D" : "C";
        for (int k = pick(8); k > 0; --k)
            trail += " +" + std::to_string(pick(SampleCatalogueSize));
        play(trail);
        for (int step = 0; step < 40; ++step) {
            const char click = clicks[static_cast<std::size_t>(pick(33))];
            std::string next(1, click);
            if (click == 'p' || click == 's')
                next += std::to_string(pick(click == 'p' ? SampleCatalogueSize : 8));
            trail += " " + next;
            int gapsBefore = gapCount();
            // Clear all and Remove gaps give up a pending refill when their button is on.
            bool dropsRefill = click == 'n' || (click == 'X' && s.view.isEnabled("Command6")) ||
                               (click == 'g' && s.view.isEnabled("Command10"));
            if (click == 'S') {
                test::TempStation::writeFile(project, writeProjectText(s.ClusterSlots));
                savedGaps = gapCount();
            } else if (click == 'L' && std::filesystem::exists(project)) {
                dropsRefill = true;
                dialogs.thenChooseFile(project);
                LoadConfiguration(s, dialogs);
                gapsBefore = savedGaps; // a file saved with a gap brings it back
            } else if (click != 'L') {
                play(next);
            }
            const std::string where = "run " + std::to_string(run) + " after " + trail;
            // A refill waits only for the gap Clear selected just made, and only Clear selected
            // of a module before the last one makes a gap.
            ASSERT_FALSE(dropsRefill && s.SelectedSlotEmpty) << where;
            ASSERT_LE(gapCount(), gapsBefore + (click == 'x' ? 1 : 0)) << where;
            ASSERT_EQ(inconsistencies(), "") << where;
            ASSERT_FALSE(HasFailure()) << where;
        }
        EXPECT_TRUE(dialogs.unexpected.empty()) << trail;
    }
}

} // namespace
} // namespace quillon
