#include <gtest/gtest.h>

#include "core/cluster.h"
#include "core/io_map_view.h"
#include "tests/core/station_fixture.h"
#include "tests/fakes/case_file.h"

namespace quillon {
namespace {

using test::StationTest;

// What the clicks of each case in tests/data/cluster/clicks.txt leave.
TEST_F(StationTest, ClicksLeaveTheExpectedCluster)
{
    for (const auto& [script, expected] :
         test::readCases(QUILLON_TEST_DATA "/cluster/clicks.txt")) {
        SCOPED_TRACE(script);
        restart();
        play(script);
        std::string outcome = layout();
        for (std::size_t i = 0; i < dialogs.notices.size(); ++i)
            outcome += (i > 0 ? "; " : outcome.empty() ? "| " : " | ") + dialogs.notices[i];
        EXPECT_EQ(outcome, expected);
    }
}

// The commands and hints of each case in tests/data/cluster/controls.txt.
TEST_F(StationTest, EachOperationSetsItsCommandsAndHint)
{
    for (const auto& [script, expected] :
         test::readCases(QUILLON_TEST_DATA "/cluster/controls.txt")) {
        SCOPED_TRACE(script);
        restart();
        play(script);
        const auto bar = expected.find("| ");
        std::istringstream controls(expected.substr(0, bar));
        for (std::string control; controls >> control;)
            EXPECT_EQ(s.view.isEnabled(control.substr(1)), control[0] == '+') << control;
        if (bar != std::string::npos) {
            std::string hint = expected.substr(bar + 2);
            for (auto at = hint.find("\\n"); at != std::string::npos; at = hint.find("\\n", at))
                hint.replace(at, 2, "\r\n");
            EXPECT_EQ(s.view.text("Text1"), hint);
        }
    }
}

TEST_F(StationTest, NewConfigurationOpensAnEmptyClusterWithTheHead)
{
    ChooseProtocol(s, FieldbusProtocol::DeviceNet);
    s.ClusterSlots[3] = s.ModuleCatalogue[2];
    s.gstrActEDS = "x.eds";
    s.view.editorExists = true;
    NewConfiguration(s, dialogs);
    EXPECT_TRUE(s.ConfigurationOpen && s.ConfigurationModified);
    EXPECT_EQ(s.gstrActEDS, "");
    EXPECT_EQ(layout(), "");
    EXPECT_EQ(s.ClusterSlots[3].AnalogInBytes, 8); // only the picture field is blanked
    EXPECT_EQ(s.view.text("Text9"), "*** New Project ***");
    EXPECT_EQ(s.ProjectName, "*** New Project ***");
    EXPECT_FALSE(s.view.editorExists);
}

TEST_F(StationTest, CatalogueClicksPreviewTheModuleOrAreRefused)
{
    SelectCatalogueEntry(s, dialogs, 0); // nothing happens before a configuration is open
    SelectSlot(s, 2);
    EXPECT_FALSE(s.CatalogueChosen);
    EXPECT_EQ(s.SelectedSlot, 0);

    play("C p2");
    EXPECT_EQ(s.view.previewPicture, station.resources() + "KA008.wmf");
    EXPECT_EQ(s.CatalogueIndex, 2);

    s.view.catalogueNames.push_back("Ghost");
    std::filesystem::remove(station.resources() + "KA104.wmf");
    play("p6 p3");
    ASSERT_EQ(dialogs.notices.size(), 2u);
    EXPECT_NE(dialogs.notices[0].find("\"Ghost\""), std::string::npos);
    EXPECT_EQ(dialogs.details[1], station.resources() + "KA104.wmf");
    EXPECT_EQ(s.CatalogueIndex, 2);
}

TEST_F(StationTest, SelectionMovesTheBorderAndTheHeadCannotBeSelected)
{
    play("D s0 s2");
    EXPECT_EQ(s.SelectedSlot, 2);
    EXPECT_TRUE(s.view.slotBorder[2]);
    play("s4");
    EXPECT_FALSE(s.view.slotBorder[2]);
    EXPECT_TRUE(s.view.slotBorder[4]);
    play("s4");
    EXPECT_FALSE(s.view.slotBorder[4]);
    EXPECT_EQ(layout(), "");
}

TEST_F(StationTest, OnlyTheFirstExceededLimitIsReportedInTheOrderDiDoAiAo)
{
    openNew(FieldbusProtocol::DeviceNet);
    SelectCatalogueEntry(s, dialogs, 5); // MIX: 2 DI, 2 DO, 4 AI, 2 AO
    for (const IoLimits limits : {IoLimits{16, 2, 2, 0}, {16, 8, 2, 0}, {16, 8, 32, 0}}) {
        s.ActiveLimits = limits;
        AddModule(s, dialogs);
    }
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"Number of digital outputs exceeded!",
                                                         "Number of analogue inputs exceeded!",
                                                         "Number of analogue outputs exceeded!"}));
    EXPECT_EQ(s.UsedCount, 1);
}

TEST_F(StationTest, TheGridWaitsWhileAGapIsOpen)
{
    play("D +1 +2 +3");
    const IoGrid before = s.view.grid;
    play("s2 x");
    EXPECT_EQ(s.view.grid, before);
    play("s3 x");
    EXPECT_EQ(s.view.grid[3][1], "");
}

TEST_F(StationTest, EveryRefreshClosesTheIoListWindow)
{
    openNew(FieldbusProtocol::CanOpen);
    ShowIoList(s);
    EXPECT_TRUE(s.view.mapListOpen);
    EXPECT_EQ(s.view.mapList[0][2], "TPDO/Byte dig");
    add(0);
    EXPECT_FALSE(s.view.mapListOpen);
}

} // namespace
} // namespace quillon
