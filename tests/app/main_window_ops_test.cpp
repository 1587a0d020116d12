#include <gtest/gtest.h>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "core/system.h"
#include "tests/core/station_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

class RecordingSystem : public System
{
public:
    std::string readRegistryString(const std::string& path) override
    {
        reads.push_back(path);
        return {};
    }
    bool openInTextEditor(const std::string&, const std::string&) override { return true; }
    std::vector<std::string> reads;
};

TEST_F(StationTest, ResetAnsweredNoChangesNothing)
{
    openNew(FieldbusProtocol::CanOpen);
    add(0);
    dialogs.thenAnswer(false);
    ASSERT_TRUE(ResetProgram(s, dialogs));
    EXPECT_EQ(dialogs.questions,
              (std::vector<std::string>{"Do you really want to reset Quillon?"}));
    EXPECT_EQ(s.UsedCount, 2);
    EXPECT_EQ(s.Protocol, FieldbusProtocol::CanOpen);
    EXPECT_EQ(s.view.text("Text9"), "*** New Project ***");
}

TEST_F(StationTest, ResetAnsweredYesOffersToSaveThenStartsAgain)
{
    openNew(FieldbusProtocol::CanOpen);
    add(0);
    s.view.editorExists = true;
    const std::string project = station.dir() + "/Projects/reset.edp";
    dialogs.thenAnswer(true).thenAnswer(true).thenChooseFile(project);
    ASSERT_TRUE(ResetProgram(s, dialogs));
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"Do you really want to reset Quillon?",
                                                           "Do you want to save module "
                                                           "configuration?"}));
    EXPECT_TRUE(std::filesystem::exists(project));
    EXPECT_EQ(s.view.text("Text9"), "none");
    EXPECT_EQ(s.Protocol, FieldbusProtocol::None);
    EXPECT_FALSE(s.view.editorExists);
    EXPECT_TRUE(s.view.isEnabled("Option1"));
    EXPECT_TRUE(dialogs.done());
}

TEST_F(StationTest, ResetWithABrokenSettingsFileEndsTheProgram)
{
    openNew(FieldbusProtocol::DeviceNet);
    dialogs.thenAnswer(true).thenAnswer(false);
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
    openNew(FieldbusProtocol::DeviceNet);
    s.view.editorVisible = true;
    dialogs.thenAnswer(false);
    ExitProgram(s, dialogs);
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests.empty()); // No skips the save
    EXPECT_FALSE(s.view.editorVisible);
    EXPECT_TRUE(s.view.quitRequested);
}

TEST_F(StationTest, ExportMenuItemIsDisabledAfterOneUseWhateverTheOutcome)
{
    RecordingSystem system;
    s.view.enable("m_creMapList", true);
    exportFromMenu(s, dialogs, system);
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{"No valid EDS-File to export!"}));
    EXPECT_FALSE(s.view.isEnabled("m_creMapList"));
}

} // namespace
} // namespace quillon
