#include <gtest/gtest.h>

#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::ParamsDir;
using test::ScriptedDialogs;

TEST(SetModuleParameters, RefusesWithoutACurrentEds)
{
    ParamsDir dir;
    Session session = dir.session();
    ScriptedDialogs dialogs;
    EXPECT_FALSE(Command15_Click(session, dialogs));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{NoEdsMessage}));
    EXPECT_FALSE(session.view.editorExists);
    EXPECT_FALSE(session.EditorLoaded);
    EXPECT_EQ(session.gintAnzMod, 0);
}

TEST(SetModuleParameters, HandsTheClusterOverAndShowsTheEditor)
{
    ParamsDir dir;
    Session session = dir.session();
    ScriptedDialogs dialogs;
    session.gstrActEDS = dir.path("station.eds");
    EXPECT_TRUE(Command15_Click(session, dialogs));
    EXPECT_EQ(session.gintAnzMod, 3);
    EXPECT_EQ(session.gstrModule[1], "OVN_KD236.eds");
    EXPECT_EQ(session.gstrModPar[1], 3);
    EXPECT_EQ(session.gstrModule[3], "");
    EXPECT_TRUE(session.view.editorExists && session.view.editorVisible && session.EditorLoaded);
    EXPECT_FALSE(session.gbAskForDef);
    EXPECT_TRUE(dialogs.notices.empty());
}

// A session whose cluster is the head alone, as after "New Configuration".
Session headOnlySession(const ParamsDir& dir)
{
    Session session = dir.session();
    session.ClusterSlots[1] = {};
    session.ClusterSlots[2] = {};
    session.UsedCount = 1;
    session.view.edsdiag.fileName = "CO_";
    session.view.enable("Command2", false);
    session.view.enable("Command5", false);
    return session;
}

TEST(LoadExistingEds, TakesTheSlotsFromTheFileAndTheCatalogue)
{
    ParamsDir dir;
    Session session = headOnlySession(dir);
    ScriptedDialogs dialogs;
    const std::string path = dir.path("station.eds");
    dialogs.thenChooseFile(path);
    ASSERT_TRUE(Command16_Click(session, dialogs));

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogKinds[0], "open");
    EXPECT_EQ(dialogs.fileRequests[0].title, "Load An Existing EDS - File");
    EXPECT_EQ(dialogs.fileRequests[0].directory, dir.dir());
    EXPECT_EQ(session.gstrActEDS, path);
    EXPECT_EQ(session.view.text("Text9"), path);
    EXPECT_EQ(session.gintAnzMod, 3);
    EXPECT_EQ(session.ClusterSlots[1].ResourceFile, "OVN_KD236.eds");
    EXPECT_EQ(session.ClusterSlots[1].ParameterCount, 3);
    EXPECT_EQ(session.ClusterSlots[1].PictureFile, ""); // only the two fields are taken
    EXPECT_EQ(session.ClusterSlots[2].ResourceFile, "OVN_KA224.eds");
    EXPECT_EQ(session.UsedCount, 1);
    EXPECT_EQ(session.gstrModule[2], "OVN_KA224.eds");
    EXPECT_EQ(session.gstrModPar[0], 2);
    EXPECT_TRUE(session.gbLoadedEDS);
    EXPECT_TRUE(session.gbAskForDef);
    EXPECT_TRUE(session.view.isEnabled("Command2"));
    EXPECT_TRUE(session.view.isEnabled("Command5"));
    EXPECT_TRUE(session.view.editorExists && session.view.editorVisible && session.EditorLoaded);
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST(LoadExistingEds, AsksForDefaultsAgainWhenTheEditorWasLoadedBefore)
{
    ParamsDir dir;
    Session session = headOnlySession(dir);
    session.EditorLoaded = true;
    ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.path("head_only.eds"));
    ASSERT_TRUE(Command16_Click(session, dialogs));
    EXPECT_EQ(session.gintAnzMod, 1);
    EXPECT_FALSE(session.gbAskForDef);
}

TEST(LoadExistingEds, RefusesAFileThatIsNoCanOpenEds)
{
    ParamsDir dir;
    Session session = headOnlySession(dir);
    ScriptedDialogs dialogs;
    const std::string path = dir.path("not_canopen.eds");
    dialogs.thenChooseFile(path);
    EXPECT_FALSE(Command16_Click(session, dialogs));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{NotCanOpenEdsMessage}));
    EXPECT_EQ(session.gstrActEDS, path); // the path stays, the export does not
    EXPECT_EQ(session.view.text("Text9"), path);
    EXPECT_FALSE(session.view.isEnabled("Command2"));
    EXPECT_FALSE(session.gbLoadedEDS);
    EXPECT_FALSE(session.view.editorExists);
}

TEST(LoadExistingEds, RefusesUnknownModulesAndMissingSlotsWithoutTakingAnyOver)
{
    ParamsDir dir;
    Session session = headOnlySession(dir);
    session.ModuleCatalogue[0] = {}; // no KA224 any more
    ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.path("station.eds"));
    EXPECT_FALSE(Command16_Click(session, dialogs));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find("\"KA224\" of slot 3"), std::string::npos)
        << dialogs.notices[0];
    EXPECT_EQ(session.ClusterSlots[1].ResourceFile, "");
    EXPECT_FALSE(session.gbLoadedEDS);
    EXPECT_FALSE(session.view.editorExists);

    // Slot 3 named without slot 2.
    std::string text = ParamsDir::read(dir.path("station.eds"));
    text.replace(text.find("[2601sub1]"), 10, "[2601subX]");
    ParamsDir::write(dir.path("gap.eds"), text);
    Session gap = headOnlySession(dir);
    dialogs.thenChooseFile(dir.path("gap.eds"));
    EXPECT_FALSE(Command16_Click(gap, dialogs));
    ASSERT_EQ(dialogs.notices.size(), 2u);
    EXPECT_NE(dialogs.notices[1].find("no parameters for slot 2"), std::string::npos)
        << dialogs.notices[1];
    EXPECT_EQ(gap.ClusterSlots[2].ResourceFile, "");
}

TEST(LoadExistingEds, EndsQuietlyOnCancelOrAnUnreadableFile)
{
    ParamsDir dir;
    Session session = headOnlySession(dir);
    ScriptedDialogs dialogs;
    dialogs.thenCancelFile().thenChooseFile(dir.path("missing.eds"));
    EXPECT_FALSE(Command16_Click(session, dialogs));
    EXPECT_EQ(session.gstrActEDS, "");
    EXPECT_FALSE(Command16_Click(session, dialogs));
    EXPECT_EQ(session.gstrActEDS, dir.path("missing.eds"));
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_FALSE(session.gbLoadedEDS);
}

} // namespace
} // namespace quillon
