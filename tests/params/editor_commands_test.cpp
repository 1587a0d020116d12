#include <gtest/gtest.h>

#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::ParamsDir;

// The sample station's session; for "Load existing EDS" a cluster of the head alone, as after
// "New Configuration", with the export buttons off.
class EditorCommands : public ::testing::Test
{
protected:
    bool load(const std::string& file)
    {
        session.ClusterSlots[1] = {};
        session.ClusterSlots[2] = {};
        session.UsedCount = 1;
        session.view.edsdiag.fileName = "CO_";
        session.view.enable("Command2", false);
        session.view.enable("Command5", false);
        dialogs.thenChooseFile(dir.path(file));
        return Command16_Click(session, dialogs);
    }
    bool editorShown() const
    {
        return session.view.editorExists && session.view.editorVisible && session.EditorLoaded;
    }

    ParamsDir dir;
    Session session = dir.session();
    test::ScriptedDialogs dialogs;
};

TEST_F(EditorCommands, SetModuleParametersNeedsACurrentEds)
{
    EXPECT_FALSE(Command15_Click(session, dialogs));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{NoEdsMessage}));
    EXPECT_FALSE(session.view.editorExists || session.EditorLoaded);
    EXPECT_EQ(session.gintAnzMod, 0);
}

TEST_F(EditorCommands, SetModuleParametersHandsTheClusterOverAndShowsTheEditor)
{
    session.gstrActEDS = dir.path("station.eds");
    EXPECT_TRUE(Command15_Click(session, dialogs));
    EXPECT_EQ(session.gintAnzMod, 3);
    EXPECT_EQ(session.gstrModule[1], "OVN_KD236.eds");
    EXPECT_EQ(session.gstrModPar[1], 3);
    EXPECT_EQ(session.gstrModule[3], "");
    EXPECT_TRUE(editorShown());
    EXPECT_FALSE(session.gbAskForDef);
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(EditorCommands, LoadExistingEdsTakesTheSlotsFromTheFileAndTheCatalogue)
{
    ASSERT_TRUE(load("station.eds"));
    const std::string path = dir.path("station.eds");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogKinds[0] + "|" + dialogs.fileRequests[0].title + "|" +
                  dialogs.fileRequests[0].directory,
              "open|Load An Existing EDS - File|" + dir.dir());
    EXPECT_EQ(session.gstrActEDS, path);
    EXPECT_EQ(session.view.text("Text9"), path);
    EXPECT_EQ(session.gintAnzMod, 3);
    EXPECT_EQ(session.ClusterSlots[1].ResourceFile, "OVN_KD236.eds");
    EXPECT_EQ(session.ClusterSlots[1].ParameterCount, 3);
    EXPECT_EQ(session.ClusterSlots[1].PictureFile, ""); // only the two fields are taken
    EXPECT_EQ(session.UsedCount, 1);
    EXPECT_EQ(session.ClusterSlots[2].ResourceFile, "OVN_KA224.eds");
    EXPECT_EQ(session.gstrModule[2], "OVN_KA224.eds");
    EXPECT_EQ(session.gstrModPar[0], 2);
    EXPECT_TRUE(session.gbLoadedEDS && session.gbAskForDef);
    EXPECT_TRUE(session.view.isEnabled("Command2") && session.view.isEnabled("Command5"));
    EXPECT_TRUE(editorShown());
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(EditorCommands, LoadExistingEdsAsksForDefaultsAgainWhenTheEditorWasLoadedBefore)
{
    session.EditorLoaded = true;
    ASSERT_TRUE(load("head_only.eds"));
    EXPECT_EQ(session.gintAnzMod, 1);
    EXPECT_FALSE(session.gbAskForDef);
}

TEST_F(EditorCommands, LoadExistingEdsRefusesAFileThatIsNoCanOpenEds)
{
    EXPECT_FALSE(load("not_canopen.eds"));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{NotCanOpenEdsMessage}));
    // The path stays, the export does not.
    EXPECT_EQ(session.gstrActEDS + "|" + session.view.text("Text9"),
              dir.path("not_canopen.eds") + "|" + dir.path("not_canopen.eds"));
    EXPECT_FALSE(session.view.isEnabled("Command2"));
    EXPECT_FALSE(session.gbLoadedEDS || session.view.editorExists);
}

TEST_F(EditorCommands, LoadExistingEdsRefusesUnknownModulesWithoutTakingAnyOver)
{
    session.ModuleCatalogue[0] = {}; // no KA224 any more
    EXPECT_FALSE(load("station.eds"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find("\"KA224\" of slot 3"), std::string::npos)
        << dialogs.notices[0];
    EXPECT_EQ(session.ClusterSlots[1].ResourceFile, "");
    EXPECT_FALSE(session.gbLoadedEDS || session.view.editorExists);
}

TEST_F(EditorCommands, LoadExistingEdsRefusesSlot3WithoutSlot2)
{
    std::string text = ParamsDir::read(dir.path("station.eds"));
    text.replace(text.find("[2601sub1]"), 10, "[2601subX]");
    ParamsDir::write(dir.path("gap.eds"), text);
    EXPECT_FALSE(load("gap.eds"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find("no parameters for slot 2"), std::string::npos)
        << dialogs.notices[0];
    EXPECT_EQ(session.ClusterSlots[2].ResourceFile, "");
}

TEST_F(EditorCommands, LoadExistingEdsEndsQuietlyOnCancelOrAnUnreadableFile)
{
    dialogs.thenCancelFile();
    EXPECT_FALSE(load("missing.eds"));
    EXPECT_EQ(session.gstrActEDS, "");
    EXPECT_FALSE(load("missing.eds"));
    EXPECT_EQ(session.gstrActEDS, dir.path("missing.eds"));
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_FALSE(session.gbLoadedEDS);
}

TEST_F(EditorCommands, LoadExistingEdsRefusesWhatIsNoReadableEdsWithTheReason)
{
    // A file of nothing but line ends once took half a minute and gigabytes to read.
    std::filesystem::create_directory(dir.path("folder.eds"));
    ParamsDir::write(dir.path("huge.eds"), std::string((4u << 20) + 1, '\n'));
    ParamsDir::write(dir.path("lines.eds"), "[FileInfo]" + std::string(200000, '\n'));
    ParamsDir::write(dir.path("long.eds"), "[FileInfo]\r\n" + std::string(70000, 'x') + "\r\n");
    const std::pair<const char*, const char*> refused[] = {
        {"folder.eds", "is a folder, not a regular file"},
        {"huge.eds", "is larger than 4 MiB"},
        {"lines.eds", "has more than 100000 lines"},
        {"long.eds", "line 2 is longer than 64 KiB"},
    };
    for (const auto& [file, reason] : refused) {
        ClusterTable before = session.ClusterSlots;
        before[1] = before[2] = {}; // as load() leaves them before the dialog
        dialogs.notices.clear();
        dialogs.details.clear();
        EXPECT_FALSE(load(file));
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{EdsUnreadableMessage});
        EXPECT_EQ(dialogs.details.at(0), dir.path(file) + ": " + reason);
        EXPECT_EQ(session.ClusterSlots, before);
        EXPECT_FALSE(editorShown());
    }
}

TEST_F(EditorCommands, LoadingAnEdsFromAPathIsTheCommandWithoutItsDialog)
{
    for (const char* name : {"station.eds", "head_only.eds", "not_canopen.eds", "missing.eds"}) {
        Session fromMenu = dir.session();
        Session fromPath = dir.session();
        test::ScriptedDialogs menu;
        menu.thenChooseFile(dir.path(name));
        test::ScriptedDialogs direct;

        EXPECT_EQ(LoadEdsForEditing(fromPath, direct, dir.path(name)),
                  Command16_Click(fromMenu, menu))
            << name;
        EXPECT_TRUE(direct.fileRequests.empty());
        EXPECT_EQ(direct.notices, menu.notices) << name;
        EXPECT_EQ(fromPath.gstrActEDS, fromMenu.gstrActEDS) << name;
        EXPECT_EQ(fromPath.gintAnzMod, fromMenu.gintAnzMod) << name;
        EXPECT_EQ(fromPath.gstrModule, fromMenu.gstrModule) << name;
        EXPECT_EQ(fromPath.ClusterSlots, fromMenu.ClusterSlots) << name;
        EXPECT_EQ(fromPath.view.texts(), fromMenu.view.texts()) << name;
        EXPECT_EQ(fromPath.view.isEnabled("Command2"), fromMenu.view.isEnabled("Command2"));
        EXPECT_EQ(fromPath.gbLoadedEDS, fromMenu.gbLoadedEDS) << name;
        EXPECT_EQ(fromPath.view.editorVisible, fromMenu.view.editorVisible) << name;
        EXPECT_EQ(fromPath.view.edsdiag.fileName, dir.path(name)); // proposed next time
    }
}

} // namespace
} // namespace quillon
