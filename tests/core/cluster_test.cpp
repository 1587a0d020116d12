#include <gtest/gtest.h>

#include "core/cluster.h"
#include "core/io_map_view.h"
#include "tests/core/station_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

const char* const AddHint = "-Add another one or press 'Save Actual Configuration' and 'Create EDS "
                            "and Save'\r\n-to select a module in HB612-cluster, click on it";

TEST_F(StationTest, NewConfigurationOpensAnEmptyClusterWithTheHead)
{
    ChooseProtocol(s, FieldbusProtocol::DeviceNet);
    s.ClusterSlots[3] = s.ModuleCatalogue[2];
    s.gstrActEDS = "x.eds";
    NewConfiguration(s, dialogs);
    const ViewModel& v = s.view;
    EXPECT_TRUE(s.ConfigurationOpen);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(s.gstrActEDS, "");
    EXPECT_TRUE(s.ClusterSlots[3].isFree());
    EXPECT_EQ(s.ClusterSlots[3].AnalogInBytes, 8); // only the picture field is blanked
    EXPECT_EQ(v.text("Text9"), "*** New Project ***");
    EXPECT_EQ(s.ProjectName, "*** New Project ***");
    for (const char* on : {"Command9", "Command4", "m_SaPro", "m_crsavEDS"})
        EXPECT_TRUE(v.isEnabled(on)) << on;
    for (const char* off : {"Command5", "Command6", "Command2", "Command7"})
        EXPECT_FALSE(v.isEnabled(off)) << off;
    EXPECT_EQ(v.text("Text1"), "New Configuration:\r\n"
                               "-Select a K310 module and add it to HB612 - cluster. Continue.\r\n"
                               "-When finished, 'Save Actual configuration'\r\n"
                               "-'Create EDS and Save'. EDS - File will be created!");
    EXPECT_FALSE(v.editorExists);
}

TEST_F(StationTest, CatalogueAndSlotClicksDoNothingUntilAConfigurationIsOpen)
{
    SelectCatalogueEntry(s, dialogs, 0);
    SelectSlot(s, 2);
    EXPECT_FALSE(s.CatalogueChosen);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_EQ(s.view.previewPicture, "");
}

TEST_F(StationTest, CatalogueClickPreviewsTheModule)
{
    openNew(FieldbusProtocol::CanOpen);
    SelectSlot(s, 3);
    SelectCatalogueEntry(s, dialogs, 2);
    EXPECT_EQ(s.view.previewPicture, station.resources() + "KA008.wmf");
    EXPECT_TRUE(s.view.isEnabled("Command7"));
    EXPECT_TRUE(s.view.isEnabled("Command11")); // a position is selected
    EXPECT_EQ(s.CatalogueIndex, 2);
    EXPECT_EQ(s.view.text("Text1"), "With the configuration control 'Add to HB612-Cluster' you can "
                                    "add the selected module to your configuration");
}

TEST_F(StationTest, CatalogueEntriesWithoutARecordOrPictureAreRefused)
{
    openNew(FieldbusProtocol::CanOpen);
    s.view.catalogueNames.push_back("Ghost");
    SelectCatalogueEntry(s, dialogs, 6);
    std::filesystem::remove(station.resources() + "KA104.wmf");
    SelectCatalogueEntry(s, dialogs, 3);
    ASSERT_EQ(dialogs.notices.size(), 2u);
    EXPECT_NE(dialogs.notices[0].find("\"Ghost\""), std::string::npos);
    EXPECT_EQ(dialogs.details[1], station.resources() + "KA104.wmf");
    EXPECT_FALSE(s.CatalogueChosen);
    EXPECT_FALSE(s.view.isEnabled("Command7"));
}

TEST_F(StationTest, SlotSelectionTogglesAndMovesTheBorder)
{
    openNew(FieldbusProtocol::DeviceNet);
    SelectSlot(s, 0); // the head cannot be selected
    EXPECT_EQ(s.SelectedSlot, 0);
    SelectSlot(s, 2);
    EXPECT_TRUE(s.view.slotBorder[2]);
    EXPECT_TRUE(s.view.isEnabled("Command8"));
    EXPECT_FALSE(s.view.isEnabled("Command11")); // no catalogue entry clicked yet
    SelectSlot(s, 4);
    EXPECT_FALSE(s.view.slotBorder[2]);
    EXPECT_TRUE(s.view.slotBorder[4]);
    SelectSlot(s, 4);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_FALSE(s.view.slotBorder[4]);
    EXPECT_FALSE(s.view.isEnabled("Command8"));
    EXPECT_FALSE(s.view.isEnabled("Command11"));
}

TEST_F(StationTest, AddAppendsUpToTheLimitEqualIsAllowed)
{
    openNew(FieldbusProtocol::DeviceNet);
    add(0); // 2 + 14 = 16 digital inputs, exactly the limit
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(s.UsedCount, 2);
    EXPECT_EQ(s.ClusterSlots[1], s.ModuleCatalogue[0]);
    EXPECT_EQ(s.view.slotPicture[1], station.resources() + "KD014.wmf");
    EXPECT_EQ(shownUsed(), (ByteCounts{16, 1, 0, 0}));
    EXPECT_TRUE(s.view.isEnabled("Command6"));
    EXPECT_EQ(s.view.grid[2][1], "KD014");
    EXPECT_EQ(s.view.text("Text1"), AddHint);

    AddModule(s, dialogs); // the same module once more
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"Number of digital inputs exceeded!"}));
    EXPECT_EQ(s.UsedCount, 2);
    EXPECT_EQ(shownUsed(), (ByteCounts{16, 1, 0, 0}));
    EXPECT_EQ(s.view.text("Text1"), AddHint); // the hint comes also after a refusal
}

TEST_F(StationTest, OnlyTheFirstExceededLimitIsReportedInTheOrderDiDoAiAo)
{
    openNew(FieldbusProtocol::DeviceNet);
    s.ActiveLimits = {16, 2, 2, 0}; // MIX passes DI, fails DO and AI and AO
    add(5);
    s.ActiveLimits = {16, 8, 2, 0};
    AddModule(s, dialogs);
    s.ActiveLimits = {16, 8, 32, 0};
    AddModule(s, dialogs);
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"Number of digital outputs exceeded!",
                                                         "Number of analogue inputs exceeded!",
                                                         "Number of analogue outputs exceeded!"}));
    EXPECT_EQ(s.UsedCount, 1);
}

TEST_F(StationTest, WithoutAProtocolEveryAddFailsOnDigitalInputs)
{
    NewConfiguration(s, dialogs); // through the menu, before any protocol
    add(3);                       // even a module without digital inputs: the head uses 2
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"Number of digital inputs exceeded!"}));
}

TEST_F(StationTest, SevenModulesFillTheClusterAndRefillStillWorks)
{
    openNew(FieldbusProtocol::CanOpen);
    for (int i = 0; i < 7; ++i)
        add(3 - (i % 2) * 2); // AO 4 and DO 2 alternating: 16 AO, 6 DO (head 1)
    EXPECT_EQ(s.UsedCount, 8);
    AddModule(s, dialogs);
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"No more free slots!"}));

    SelectSlot(s, 3);
    ClearSelected(s);
    SelectCatalogueEntry(s, dialogs, 1);
    AddModule(s, dialogs);
    EXPECT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(s.ClusterSlots[3], s.ModuleCatalogue[1]);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_FALSE(s.SelectedSlotEmpty);
    EXPECT_FALSE(s.view.isEnabled("Command11"));
}

TEST_F(StationTest, RefillNeverOverwritesAnOccupiedPosition)
{
    openNew(FieldbusProtocol::CanOpen);
    add(1);
    add(1);
    add(1);
    SelectSlot(s, 2);
    ClearSelected(s); // a gap at 2
    SelectSlot(s, 3); // an occupied position, SelectedSlotEmpty still set
    AddModule(s, dialogs);
    EXPECT_EQ(s.ClusterSlots[3], s.ModuleCatalogue[1]);
    EXPECT_EQ(s.UsedCount, 5); // appended instead
    EXPECT_EQ(s.UsedBytes, (ByteCounts{2, 7, 0, 0}));
}

TEST_F(StationTest, InsertBeforeSelectedShiftsTheModulesBack)
{
    openNew(FieldbusProtocol::CanOpen);
    add(0);
    add(1);
    add(2);
    const std::string keptHint = "before the insert";
    s.view.setText("Text1", keptHint);
    SelectSlot(s, 1);
    SelectCatalogueEntry(s, dialogs, 3);
    s.view.setText("Text1", keptHint);
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(s.ClusterSlots[1], s.ModuleCatalogue[3]);
    EXPECT_EQ(s.ClusterSlots[2], s.ModuleCatalogue[0]);
    EXPECT_EQ(s.ClusterSlots[4], s.ModuleCatalogue[2]);
    EXPECT_EQ(s.view.slotPicture[4], station.resources() + "KA008.wmf");
    EXPECT_EQ(s.UsedCount, 5);
    EXPECT_EQ(shownUsed(), (ByteCounts{16, 3, 8, 4}));
    EXPECT_EQ(s.view.grid[2][1], "KA104");
    EXPECT_EQ(s.view.text("Text1"), keptHint);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_FALSE(s.view.slotBorder[1]);
    EXPECT_FALSE(s.view.isEnabled("Command8"));
    EXPECT_FALSE(s.view.isEnabled("Command11"));
    EXPECT_FALSE(s.view.isEnabled("Command5"));
}

TEST_F(StationTest, InsertRefusalsDropTheSelection)
{
    openNew(FieldbusProtocol::CanOpen);
    add(0);
    SelectSlot(s, 1);
    SelectCatalogueEntry(s, dialogs, 4); // one more digital input byte: 17 > 16
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"Number of digital inputs exceeded!"}));
    EXPECT_EQ(s.UsedCount, 2);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_FALSE(s.view.isEnabled("Command11"));

    for (int i = 0; i < 6; ++i)
        add(1);
    SelectSlot(s, 2);
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(dialogs.notices.back(), "No more free slots!");
}

TEST_F(StationTest, ClearSelectedInTheMiddleLeavesAGapAtTheEndShrinks)
{
    openNew(FieldbusProtocol::DeviceNet);
    add(1);
    add(2);
    add(3);
    s.view.setText("Text1", "kept");
    const IoGrid gridBefore = s.view.grid;
    SelectSlot(s, 2);
    ClearSelected(s);
    EXPECT_TRUE(s.ClusterSlots[2].isFree());
    EXPECT_EQ(s.UsedCount, 4);
    EXPECT_EQ(s.SelectedSlot, 2);
    EXPECT_TRUE(s.SelectedSlotEmpty);
    EXPECT_EQ(shownUsed(), (ByteCounts{2, 3, 0, 4}));
    EXPECT_EQ(s.view.grid, gridBefore); // not refreshed during a gap
    EXPECT_TRUE(s.view.isEnabled("Command10"));
    EXPECT_FALSE(s.view.isEnabled("m_shEDS"));
    EXPECT_FALSE(s.view.isEnabled("Command8"));

    SelectSlot(s, 3);
    ClearSelected(s); // now 2 and 3 are free: the cluster ends at 1
    EXPECT_EQ(s.UsedCount, 2);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_EQ(s.view.grid[3][1], "");
    EXPECT_EQ(s.view.text("Text1"), "kept");
}

TEST_F(StationTest, ClearingAFreePositionGivesNoBytesBack)
{
    openNew(FieldbusProtocol::DeviceNet);
    add(1);
    SelectSlot(s, 1);
    ClearSelected(s);
    SelectSlot(s, 1);
    ClearSelected(s);
    EXPECT_EQ(s.UsedBytes, (ByteCounts{2, 1, 0, 0}));
}

TEST_F(StationTest, ClearAllKeepsOnlyTheHead)
{
    openNew(FieldbusProtocol::DeviceNet);
    add(2);
    add(3);
    s.ClusterSlots[0].DigitalInBytes = 9; // the head's own bytes are constants here
    ClearAll(s);
    EXPECT_EQ(s.UsedCount, 1);
    EXPECT_EQ(shownUsed(), (ByteCounts{2, 1, 0, 0}));
    EXPECT_TRUE(s.ClusterSlots[1].isFree());
    EXPECT_EQ(s.view.slotPicture[1], "");
    for (const char* off : {"Command6", "Command5", "Command10", "m_shEDS"})
        EXPECT_FALSE(s.view.isEnabled(off)) << off;
    EXPECT_EQ(s.view.text("Text1"),
              "With configuration controls you can add, insert and clear modules. To select a "
              "module in HB612-cluster, click on it. When you are ready, you can save actual "
              "configuration and create an EDS-File!\r\n");
}

TEST_F(StationTest, RemoveGapsClosesGapsKeepingTheOrder)
{
    openNew(FieldbusProtocol::DeviceNet);
    for (int m : {1, 2, 3, 4, 1})
        add(m);
    for (int pos : {2, 4}) {
        SelectSlot(s, pos);
        ClearSelected(s);
    }
    RemoveGaps(s);
    EXPECT_EQ(s.ClusterSlots[1], s.ModuleCatalogue[1]);
    EXPECT_EQ(s.ClusterSlots[2], s.ModuleCatalogue[3]);
    EXPECT_EQ(s.ClusterSlots[3], s.ModuleCatalogue[1]);
    EXPECT_TRUE(s.ClusterSlots[4].isFree());
    EXPECT_TRUE(s.ClusterSlots[5].isFree());
    EXPECT_EQ(s.UsedCount, 4);
    EXPECT_EQ(s.view.slotPicture[2], station.resources() + "KA104.wmf");
    EXPECT_EQ(s.view.slotPicture[5], "");
    EXPECT_FALSE(s.view.isEnabled("Command10"));
    EXPECT_TRUE(s.view.isEnabled("Command6"));
    EXPECT_EQ(s.view.text("Text1").rfind("-The I/O Mapping list", 0), 0u); // the refresh's hint

    ClearAll(s);
    RemoveGaps(s);
    EXPECT_EQ(s.UsedCount, 1);
}

TEST_F(StationTest, GridHintExplainsTheTable)
{
    GridHint(s);
    EXPECT_EQ(s.view.text("Text1"),
              "This table shows the mapping of In- and Output bytes. It is helpful, when giving "
              "bytes symbolic names in SYCON.net \r\n- Note: Analogue values consist of 2 bytes "
              "(Order: low byte/low address)  \r\n");
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
