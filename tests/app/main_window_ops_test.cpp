#include <gtest/gtest.h>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "core/system.h"
#include "tests/core/station_fixture.h"

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

} // namespace
} // namespace quillon
