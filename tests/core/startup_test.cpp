#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/cluster.h"
#include "core/startup.h"
#include "tests/core/station_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

TEST_F(StationTest, StartUpShowsTheHeadTheCatalogueAndTheWelcome)
{
    const ViewModel& v = s.view;
    EXPECT_EQ(v.catalogueNames.size(), 6u);
    EXPECT_EQ(v.text("Text9"), "none");
    EXPECT_EQ(v.text("Text1"), "Welcome to Quillon !\r\n"
                               "-Select a fieldbus protocol (DeviceNet or CANopen).\r\n"
                               "-Open a new configuration or load an existing one.\r\n"
                               "-Use the project control buttons on the right side.");
    for (const char* box : {"Text13", "Text16", "Text17", "Text19"})
        EXPECT_EQ(v.text(box), "0") << box;
    EXPECT_EQ(shownUsed(), (ByteCounts{2, 1, 0, 0}));
    EXPECT_EQ(v.text("Text12"), "Max");
    EXPECT_EQ(v.text("Text14"), "Used");
    EXPECT_EQ(v.slotPicture[0], station.resources() + "HB612.wmf");
    EXPECT_EQ(s.ClusterSlots[0], headRecord());
    EXPECT_EQ(s.Protocol, FieldbusProtocol::None);
    EXPECT_EQ(s.gstrResourcePath, station.dir() + PathSeparator + "Resources" + PathSeparator);
    // The grid after the first refresh with no protocol: blank byte headers, slot numbers, the
    // head's model name, and the diagnosis row as laid out.
    EXPECT_EQ(v.grid[0], (std::array<std::string, 6>{"Slot", "Module", "         ", "         ",
                                                     "         ", "         "}));
    EXPECT_EQ(v.grid[1][1], "HB612");
    EXPECT_EQ(v.grid[8][0], "8");
    EXPECT_EQ(v.grid[9][0], "Diag");
    EXPECT_EQ(v.grid[9][1], "Bytes");
    EXPECT_EQ(v.text("Label2"), "Date:");
}

TEST_F(StationTest, StartUpControlStates)
{
    const ViewModel& v = s.view;
    for (const char* on : {"Option1", "Option2", "List1", "Image2_0", "Image2_7", "Command12",
                           "Command14", "Command17", "m_nproj", "m_LoPro", "m_exit", "m_About"})
        EXPECT_TRUE(v.isEnabled(on)) << on;
    for (const char* off : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6",
                            "Command7", "Command8", "Command9", "Command10", "Command11", "m_SaPro",
                            "m_crsavEDS", "m_shEDS", "m_creMapList"})
        EXPECT_FALSE(v.isEnabled(off)) << off;
    for (const char* hidden : {"Command13", "Command15", "Command16"})
        EXPECT_FALSE(v.isVisible(hidden)) << hidden;
}

TEST_F(StationTest, ClockShowsDateAndTime)
{
    clockTick(s);
    EXPECT_EQ(s.view.text("Label2"), "Date: 2009-06-30");
    EXPECT_EQ(s.view.text("Label1"), "Time: 21:05:09");
}

TEST(StartUpFailure, BrokenSettingsOrMissingHeadPictureStopTheProgram)
{
    test::TempStation station;
    test::ScriptedDialogs dialogs;
    Session s = station.session();
    EXPECT_FALSE(startUp(s, dialogs)); // no settings file at all
    station.writeIni("[MaxDIDOAIAO]\r\n1,2,3,99999\r\n");
    EXPECT_FALSE(startUp(s, dialogs));
    station.writeIni("[Resourcepath]\r\n/nowhere/\r\n");
    EXPECT_FALSE(startUp(s, dialogs));
    station.writeIni(
        "[ModulInfo]\r\n\"../../../../dev/zero\",1,0,0,0,\"OVN_KD1.eds\",1\r\n[End]\r\n");
    EXPECT_FALSE(startUp(s, dialogs));
    ASSERT_EQ(dialogs.notices.size(), 4u);
    for (const auto& n : dialogs.notices)
        EXPECT_EQ(n, "Ini-File not found or Resource-Files missing!");
    EXPECT_EQ(dialogs.details[1], "Quillon.ini, line 2: byte limit: number out of range: 99999");
    EXPECT_EQ(dialogs.details[2], "/nowhere/HB612.wmf: head picture not found");
    EXPECT_EQ(dialogs.details[3], "Quillon.ini, line 2: picture file name "
                                  "\"../../../../dev/zero\" is no plain file name in the resource "
                                  "folder: it holds a folder separator");
    EXPECT_TRUE(dialogs.questions.empty());
}

#ifndef _WIN32
TEST(StartUpFailure, AHeadPictureThatIsAFifoIsNoPictureAndHoldsNothingUp)
{
    // Looking at a FIFO must not wait for a writer that never comes.
    test::TempStation station;
    test::ScriptedDialogs dialogs;
    Session s = station.session();
    station.writeIni("[Resourcepath]\r\n" + station.resources() + "\r\n");
    std::filesystem::remove(station.resources() + "HB612.wmf");
    ASSERT_EQ(::mkfifo((station.resources() + "HB612.wmf").c_str(), 0644), 0);
    EXPECT_FALSE(startUp(s, dialogs));
    EXPECT_EQ(dialogs.details,
              std::vector<std::string>{station.resources() + "HB612.wmf: head picture not found"});
}
#endif

TEST_F(StationTest, ChoosingDeviceNetFixesItsLimitsAndLocksCanOpen)
{
    ChooseProtocol(s, FieldbusProtocol::DeviceNet);
    const ViewModel& v = s.view;
    EXPECT_EQ(s.ActiveLimits, (IoLimits{16, 8, 32, 32}));
    EXPECT_EQ(v.text("Text16"), "8");
    EXPECT_FALSE(v.isEnabled("Option2"));
    EXPECT_EQ(v.option1BackColour, ChosenOptionColour);
    EXPECT_FALSE(v.isVisible("Command15"));
    EXPECT_FALSE(v.isVisible("Command16"));
    EXPECT_TRUE(v.isEnabled("Command1"));
    EXPECT_TRUE(v.isEnabled("Command3"));
    EXPECT_EQ(v.edsdiag.fileName, "DN_");
    EXPECT_EQ(v.newpro.fileName, "DN_");
    EXPECT_EQ(v.grid[0][2], "InByNo dig.");
    EXPECT_EQ(v.grid[1][2], "1 ... 2");
    // Choosing protocol opens nothing.
    EXPECT_FALSE(s.ConfigurationOpen);
}

TEST_F(StationTest, ChoosingCanOpenShowsTheParameterButtons)
{
    ChooseProtocol(s, FieldbusProtocol::CanOpen);
    const ViewModel& v = s.view;
    EXPECT_EQ(s.ActiveLimits, (IoLimits{16, 16, 32, 32}));
    EXPECT_FALSE(v.isEnabled("Option1"));
    EXPECT_EQ(v.option2BackColour, ChosenOptionColour);
    EXPECT_EQ(v.option1BackColour, WindowBackColour);
    EXPECT_TRUE(v.isVisible("Command15"));
    EXPECT_TRUE(v.isVisible("Command16"));
    EXPECT_EQ(v.edsdiag.fileName, "CO_");
    EXPECT_EQ(v.grid[0][5], "RPDO/Byte ana");
    EXPECT_EQ(v.grid[9][2], "7/1-8, 8/1-8");
}

TEST_F(StationTest, RestartKeepsTheKeptFieldsAndReadsTheSettingsAgain)
{
    ChooseProtocol(s, FieldbusProtocol::CanOpen);
    NewConfiguration(s, dialogs);
    add(0);
    station.writeIni("[Resourcepath]\r\n\r\n[Modules]\r\nOnly\r\n[ModulInfo]\r\nKD001.wmf,1,0,0,0,"
                     "OVN_KD001.eds,1\r\n"
                     "[End]\r\n");
    ASSERT_TRUE(startUp(s, dialogs));
    EXPECT_EQ(s.view.catalogueNames, (std::vector<std::string>{"Only"}));
    EXPECT_EQ(s.Protocol, FieldbusProtocol::None);
    // ActiveLimits and ConfigurationModified are kept; the limit boxes show the kept limits.
    EXPECT_EQ(s.view.text("Text13"), "16");
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(s.UsedCount, 1);
    EXPECT_EQ(s.view.slotPicture[1], "");
    EXPECT_TRUE(s.view.isEnabled("Option1"));
}

} // namespace
} // namespace quillon
