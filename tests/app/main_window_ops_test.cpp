#include <gtest/gtest.h>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "core/system.h"
#include "params/editor_commands.h"
#include "project/project_file.h"
#include "tests/core/station_fixture.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

const char* const ResetQuestion = "Do you really want to reset Quillon?";
const char* const SaveQuestion = "Do you want to save module configuration?";

TEST_F(StationTest, ResetAnsweredNoChangesNothing)
{
    play("C +0");
    dialogs.thenAnswer(false);
    ASSERT_TRUE(ResetProgram(s, dialogs));
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{ResetQuestion});
    EXPECT_EQ(layout(), "KD014");
    EXPECT_EQ(s.Protocol, FieldbusProtocol::CanOpen);
}

TEST_F(StationTest, ResetAnsweredYesOffersToSaveThenStartsAgain)
{
    play("C +0");
    s.view.editorExists = true;
    const std::string project = station.dir() + "/Projects/reset.edp";
    dialogs.thenAnswer(true).thenAnswer(true).thenChooseFile(project);
    ASSERT_TRUE(ResetProgram(s, dialogs));
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{ResetQuestion, SaveQuestion}));
    EXPECT_TRUE(std::filesystem::exists(project));
    EXPECT_EQ(s.view.text("Text9"), "none");
    EXPECT_EQ(s.Protocol, FieldbusProtocol::None);
    EXPECT_FALSE(s.view.editorExists);
    EXPECT_TRUE(dialogs.done());

    // A settings file broken in the meantime ends the program.
    dialogs.thenAnswer(true);
    station.writeIni("[Modules]\r\nnever ended\r\n");
    EXPECT_FALSE(ResetProgram(s, dialogs));
    EXPECT_EQ(dialogs.notices.back(), "Ini-File not found or Resource-Files missing!");
}

TEST_F(StationTest, ExitAsksOnlyWhenTheConfigurationChanged)
{
    ExitProgram(s, dialogs);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(s.view.quitRequested);

    s.view.quitRequested = false;
    play("D");
    s.view.editorVisible = true;
    dialogs.thenAnswer(false);
    ExitProgram(s, dialogs);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{SaveQuestion});
    EXPECT_TRUE(dialogs.fileRequests.empty()); // No skips the save
    EXPECT_FALSE(s.view.editorVisible);
    EXPECT_TRUE(s.view.quitRequested);
}

TEST_F(StationTest, ExportMenuItemIsDisabledAfterOneUseWhateverTheOutcome)
{
    struct NoRegistry : System
    {
        std::string readRegistryString(const std::string&) override { return {}; }
        bool openInTextEditor(const std::string&, const std::string&) override { return true; }
    } system;
    s.view.enable("m_creMapList", true);
    exportFromMenu(s, dialogs, system);
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"No valid EDS-File to export!"}));
    EXPECT_FALSE(s.view.isEnabled("m_creMapList"));
}

TEST_F(StationTest, OpeningAProjectOnStartLoadsItWithoutTheDialog)
{
    openNew(FieldbusProtocol::CanOpen);
    add(0);
    add(1);
    const std::string project = station.dir() + "/Projects/start.edp";
    dialogs.thenChooseFile(project);
    SaveConfiguration(s, dialogs);
    const ClusterTable saved = s.ClusterSlots;

    Session started = station.session();
    test::ScriptedDialogs quiet;
    ASSERT_TRUE(startUp(started, quiet));
    EXPECT_TRUE(openFileOnStart(started, quiet, project));
    EXPECT_TRUE(quiet.fileRequests.empty() && quiet.notices.empty());
    EXPECT_EQ(started.ClusterSlots, saved);
    EXPECT_EQ(started.UsedCount, 3);
    EXPECT_EQ(started.view.text("Text9"), project);
    EXPECT_EQ(started.Protocol, FieldbusProtocol::None); // a project holds no protocol

    // Upper-case extensions, as Windows writes them, are the same kind of file.
    std::filesystem::copy_file(project, station.dir() + "/Projects/OTHER.EDP");
    EXPECT_TRUE(openFileOnStart(started, quiet, station.dir() + "/Projects/OTHER.EDP"));
    EXPECT_FALSE(openFileOnStart(started, quiet, station.dir() + "/Projects/gone.edp"));
    EXPECT_EQ(quiet.notices, std::vector<std::string>{ProjectFileBrokenMessage + station.dir() +
                                                      "/Projects/gone.edp"});
}

TEST(OpenFileOnStart, AnEdsIsOpenedForEditingUnderCanOpen)
{
    test::ParamsDir dir;
    test::ParamsDir::write(dir.path("notes.txt"), "not a station");
    const struct
    {
        const char* file;
        FieldbusProtocol before;
        bool opened;
        FieldbusProtocol after;
        std::string notice;
    } cases[] = {
        {"station.eds", FieldbusProtocol::None, true, FieldbusProtocol::CanOpen, ""},
        {"head_only.eds", FieldbusProtocol::CanOpen, true, FieldbusProtocol::CanOpen, ""},
        {"not_canopen.eds", FieldbusProtocol::None, false, FieldbusProtocol::CanOpen,
         NotCanOpenEdsMessage},
        {"missing.eds", FieldbusProtocol::None, false, FieldbusProtocol::None,
         StartEdsUnreadableMessage + dir.path("missing.eds")},
        {"notes.txt", FieldbusProtocol::None, false, FieldbusProtocol::None,
         UnknownFileKindMessage + dir.path("notes.txt")},
    };
    for (const auto& c : cases) {
        Session s = dir.session();
        s.Protocol = c.before;
        test::ScriptedDialogs dialogs;
        EXPECT_EQ(openFileOnStart(s, dialogs, dir.path(c.file)), c.opened) << c.file;
        EXPECT_EQ(s.Protocol, c.after) << c.file;
        EXPECT_EQ(s.view.editorVisible && s.gbLoadedEDS, c.opened) << c.file;
        EXPECT_EQ(dialogs.notices,
                  c.notice.empty() ? std::vector<std::string>{} : std::vector{c.notice});
        EXPECT_TRUE(dialogs.fileRequests.empty());
    }
}

TEST_F(StationTest, ActivatingACatalogueEntryAddsItWhenAddCanBeClicked)
{
    ActivateCatalogueEntry(s, dialogs, 4); // no configuration open: nothing happens
    EXPECT_EQ(s.UsedCount, 1);
    openNew(FieldbusProtocol::DeviceNet);
    ActivateCatalogueEntry(s, dialogs, 1);
    ActivateCatalogueEntry(s, dialogs, 0);
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.ClusterSlots[2].PictureFile, "KD014.wmf");
    EXPECT_TRUE(dialogs.notices.empty());
    ActivateCatalogueEntry(s, dialogs, 4); // the head's 2 and 14 digital inputs are the limit
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{"Number of digital inputs exceeded!"});
}

TEST_F(StationTest, TheTitleNamesTheProjectAndMarksChanges)
{
    EXPECT_EQ(mainWindowTitle(s), "Quillon");
    openNew(FieldbusProtocol::CanOpen);
    EXPECT_EQ(mainWindowTitle(s), "Quillon - Untitled*");
    const std::string project = station.dir() + "/Projects/CO_station.edp";
    dialogs.thenChooseFile(project).thenChooseFile(project);
    SaveConfiguration(s, dialogs);
    EXPECT_EQ(mainWindowTitle(s), "Quillon - CO_station.edp");
    LoadConfiguration(s, dialogs);
    EXPECT_EQ(mainWindowTitle(s), "Quillon - CO_station.edp*"); // loading counts as a change
    dialogs.thenAnswer(true).thenAnswer(false);
    ASSERT_TRUE(ResetProgram(s, dialogs));
    EXPECT_EQ(mainWindowTitle(s), "Quillon");
}

} // namespace
} // namespace quillon
