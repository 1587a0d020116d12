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

const char* const AddHint = "-Add another one or press 'Save Actual Configuration' and 'Create EDS "
                            "and Save'\r\n-to select a module in HB612-cluster, click on it";
const char* const CatalogueHint = "With the configuration control 'Add to HB612-Cluster' you can "
                                  "add the selected module to your configuration";

// The commands switched on and off, and the hint shown, after the clicks.
struct ControlCase
{
    const char* script;
    std::vector<const char*> on;
    std::vector<const char*> off;
    const char* hint;
};

TEST_F(StationTest, EachOperationSetsItsCommandsAndHint)
{
    const ControlCase cases[] = {
        {"D",
         {"Command9", "Command4", "m_SaPro", "m_crsavEDS"},
         {"Command5", "Command6", "Command2", "Command7", "Command8", "Command11"},
         "New Configuration:\r\n-Select a K310 module and add it to HB612 - cluster. Continue.\r\n"
         "-When finished, 'Save Actual configuration'\r\n-'Create EDS and Save'. EDS - File will "
         "be created!"},
        {"C s3 p2", {"Command7", "Command11"}, {}, CatalogueHint},
        {"D s2", {"Command8"}, {"Command11"}, nullptr},
        {"D +0 a", {"Command6"}, {}, AddHint},                   // the hint also after a refusal
        {"C +0 +1 +2 s1 p3 i", {}, {"Command5"}, CatalogueHint}, // the hint is kept
        {"D +1 +2 +3 s2 x", {"Command10"}, {"m_shEDS", "Command8", "Command11"}, AddHint},
        {"D +1 +2 +3 s2 x s3 x", {}, {}, AddHint},
        {"D +2 +3 X",
         {},
         {"Command6", "Command5", "Command10", "m_shEDS"},
         "With configuration controls you can add, insert and clear modules. To select a module in "
         "HB612-cluster, click on it. When you are ready, you can save actual configuration and "
         "create an EDS-File!\r\n"},
        {"D +1 +2 s1 x g",
         {"Command6"},
         {"Command10"},
         "-The I/O Mapping list shows the mapping of In- and Output bytes. It is helpful, when "
         "giving them symbolic names in SYCON.net \r\n- Note: Analogue values consist of 2 bytes "
         "(Order: low byte/low address)  \r\n"},
        {"h",
         {},
         {},
         "This table shows the mapping of In- and Output bytes. It is helpful, when giving "
         "bytes symbolic names in SYCON.net \r\n- Note: Analogue values consist of 2 bytes "
         "(Order: low byte/low address)  \r\n"},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.script);
        restart();
        play(c.script);
        for (const char* on : c.on)
            EXPECT_TRUE(s.view.isEnabled(on)) << on;
        for (const char* off : c.off)
            EXPECT_FALSE(s.view.isEnabled(off)) << off;
        if (c.hint) {
            EXPECT_EQ(s.view.text("Text1"), c.hint);
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
