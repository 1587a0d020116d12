#include <gtest/gtest.h>

#include "core/cluster.h"
#include "core/io_map_view.h"
#include "tests/core/station_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

// What the clicks in each script leave: the positions (see StationTest::layout), then the
// notices shown, if any.
TEST_F(StationTest, ClicksLeaveTheExpectedCluster)
{
    const std::pair<const char*, const char*> scenarios[] = {
        {"D +0 a", "KD014 | Number of digital inputs exceeded!"}, // equal to the limit is allowed
        {"n +3",
         " | Number of digital inputs exceeded!"}, // without a protocol the head is too much
        {"C +3 +1 +3 +1 +3 +1 +3 a s3 x +1",
         "KA104 KD102 KD102 KD102 KA104 KD102 KA104 | No more free slots!"},
        {"C +1 +1 +1 s2 x s3 a", "KD102 _ KD102* KD102"}, // a refill never overwrites
        {"C +0 +1 +2 s1 p3 i", "KA104 KD014 KD102 KA008"},
        {"C +0 s1 p4 i", "KD014 | Number of digital inputs exceeded!"},
        {"C +1 +1 +1 +1 +1 +1 +1 s2 i", "KD102 KD102 KD102 KD102 KD102 KD102 KD102 | No more free "
                                        "slots!"},
        {"C +4 s5 p3 i", "KD001 KA104"}, // before a free position behind the modules: appended
        {"C p2 n s1 i", "KA008"},        // the module last picked, though the preview is empty
        {"D +1 +2 +3 s2 x", "KD102 _+ KA104"},
        {"D +1 +2 +3 s2 x s3 x", "KD102"}, // clearing the last module shrinks past earlier gaps
        {"D +1 s1 x s1 x", ""},
        {"D +2 +3 s1 X", ""},
        {"D +1 +2 +3 +4 +1 s2 x s4 x g", "KD102 KA104 KD102"},
        {"D +1 X g", ""},
        {"D +1 +5 +2 +3 +4 s2 x g X s4 +4", "KD001 . . .*"}, // next to the head after Clear all
        {"C +1 +5 +2 +3 +4 s2 x g X s4 +4", "KD001 . . .*"},
        {"D +4 +2 +1 s3 x s2 x s5 +3", "KD001 KA104 . . .*"},
        {"C +4 +2 +1 s2 x +3 s1 x s2 s1 +3", "_* KA104 KD102 KA104"}, // only a gap still selected
        {"D +4 +2 +1 s2 x s1", "KD001* _ KD102"},                     // is refilled
        {"D +4 +2 +1 s2 x s2", "KD001 _ KD102"},
        {"D +4 +2 +1 s2 x n", ". .*"},
        {"C +4 +1 s1 x p2 s2 g", "KD102"},
        {"C +4 +1 p2 x i", "KD001 KD102"}, // without a selection
    };
    for (const auto& [script, expected] : scenarios) {
        SCOPED_TRACE(script);
        restart();
        play(script);
        std::string outcome = layout();
        for (std::size_t i = 0; i < dialogs.notices.size(); ++i)
            outcome += (i == 0 ? " | " : "; ") + dialogs.notices[i];
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
