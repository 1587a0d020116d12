#include <filesystem>
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
}

TEST_F(EditorCommands, LoadExistingEdsTakesTheSlotsFromTheFileAndTheCatalogue)
{
    ASSERT_TRUE(load("station.eds"));
    const std::string path = dir.path("station.eds");
    EXPECT_EQ(dialogs.fileDialogKinds.at(0) + "|" + dialogs.fileRequests.at(0).title + "|" +
                  dialogs.fileRequests[0].directory,
              "open|Load An Existing EDS - File|" + dir.dir());
    EXPECT_EQ(session.gstrActEDS + "|" + session.view.text("Text9"), path + "|" + path);
    // Only the resource file and the parameter count are taken.
    const ModuleInfo& kd236 = session.ClusterSlots[1];
    EXPECT_EQ(std::to_string(session.gintAnzMod) + " " + kd236.ResourceFile + "|" +
                  kd236.PictureFile + "|" + std::to_string(kd236.ParameterCount) + " " +
                  std::to_string(session.UsedCount) + " " + session.gstrModule[2],
              "3 OVN_KD236.eds||3 1 OVN_KA224.eds");
    EXPECT_TRUE(session.gbLoadedEDS && session.gbAskForDef && editorShown());
    EXPECT_TRUE(session.view.isEnabled("Command2") && session.view.isEnabled("Command5"));
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(session.view.edsdiag.fileName, path); // proposed next time

    // Once the editor was loaded (which took the defaults), they are asked for again.
    session.gbAskForDef = false;
    ASSERT_TRUE(load("head_only.eds"));
    EXPECT_EQ(session.gintAnzMod, 1);
    EXPECT_FALSE(session.gbAskForDef);
}

TEST_F(EditorCommands, LoadExistingEdsRefusesWhatItCannotTakeWithoutTakingAnyOver)
{
    std::string gap = ParamsDir::read(dir.path("station.eds"));
    ParamsDir::write(dir.path("gap.eds"), gap.replace(gap.find("[2601sub1]"), 10, "[2601subX]"));
    std::filesystem::create_directory(dir.path("folder.eds"));
    const std::pair<const char*, std::string> refused[] = {
        {"not_canopen.eds", NotCanOpenEdsMessage},
        {"gap.eds", "This EDS-File has no parameters for slot 2, but for slot 3!"},
        {"folder.eds", EdsUnreadableMessage},
        {"station.eds", "The module \"KA224\" of slot 3 in this EDS-File is not in the module "
                        "catalogue!"}};
    for (const auto& [file, notice] : refused) {
        SCOPED_TRACE(file);
        if (file == std::string("station.eds"))
            session.ModuleCatalogue[0] = {}; // no KA224 any more
        dialogs.notices.clear();
        EXPECT_FALSE(load(file));
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{notice});
        EXPECT_EQ(session.ClusterSlots[1].ResourceFile, "");
        EXPECT_FALSE(session.gbLoadedEDS || editorShown());
        EXPECT_EQ(session.gstrActEDS, dir.path(file)); // the path stays
    }
    EXPECT_EQ(dialogs.details.at(2), dir.path("folder.eds") + ": is a folder, not a regular file");
    // Without an EDS there is nothing to export.
    EXPECT_FALSE(load("not_canopen.eds") || session.view.isEnabled("Command2"));
}

TEST_F(EditorCommands, LoadExistingEdsEndsQuietlyOnCancelOrAFileThatIsNotThere)
{
    dialogs.thenCancelFile();
    EXPECT_FALSE(load("missing.eds"));
    EXPECT_EQ(session.gstrActEDS, "");
    EXPECT_FALSE(load("missing.eds") || session.gbLoadedEDS);
    EXPECT_EQ(session.gstrActEDS, dir.path("missing.eds"));
    EXPECT_TRUE(dialogs.notices.empty());
}

} // namespace
} // namespace quillon
