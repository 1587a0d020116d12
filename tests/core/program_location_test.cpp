#include <filesystem>
#include <gtest/gtest.h>

#include "core/file_path.h"
#include "core/item_reader.h"
#include "core/program_location.h"
#include "core/session.h"
#include "core/startup.h"
#include "tests/fakes/scoped_environment.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
const std::string Sep(1, PathSeparator);

struct UserDirsCase
{
    const char* text;
    const char* documents;
};

class XdgDocuments : public ::testing::TestWithParam<UserDirsCase>
{};

TEST_P(XdgDocuments, ReadsTheFileAsTheShellWould)
{
    EXPECT_EQ(xdgDocumentsDir(GetParam().text, "/home/eva"), GetParam().documents);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XdgDocuments,
    ::testing::Values(
        UserDirsCase{"# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                     "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
                     "/home/eva/Dokumente"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"${HOME}/Papiere\"\r\n", "/home/eva/Papiere"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/srv/docs"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=$HOME/bare # a comment\n", "/home/eva/bare"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME/Meine \\\"Akten\\\"\"\n",
                     "/home/eva/Meine \"Akten\""},
        // Disabled, as xdg-user-dirs writes it: the home folder itself.
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", "/home/eva/"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "/home/eva"},
        // The later assignment wins; a commented one does not count.
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME/A\"\n  XDG_DOCUMENTS_DIR=\"$HOME/B\"\n"
                     "#XDG_DOCUMENTS_DIR=\"$HOME/C\"\n",
                     "/home/eva/B"},
        UserDirsCase{"XDG_DOCUMENTS_DIR=\"Docs\"\n", "/home/eva/Docs"},
        UserDirsCase{"XDG_DOCUMENTSX_DIR=\"/x\"\nMY_XDG_DOCUMENTS_DIR=\"/y\"\n", ""},
        UserDirsCase{"", ""}));

// An installed tree: prefix/bin/ without a settings file, prefix/share/quillon/ with one.
struct Installed
{
    test::ScratchDir scratch{"quillon-installed"};
    fs::path prefix = scratch.path() / "usr";
    std::string bin = fromFsPath(prefix / "bin");
    std::string data = fromFsPath(prefix / "share" / "quillon");
    UserFolders user{fromFsPath(scratch.path() / "config" / "quillon"),
                     fromFsPath(scratch.path() / "Dokumente")};

    Installed()
    {
        fs::create_directories(toFsPath(bin));
        fs::create_directories(toFsPath(data) / "Resources");
        fs::create_directories(toFsPath(user.settings));
        write(data + Sep + "Quillon.ini", "[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n"
                                          "[EDSFilepath]\r\n\r\n[Modules]\r\nInstalled\r\n"
                                          "[ModulInfo]\r\nKD.wmf,1,0,0,0,OVN_KD214.eds,2\r\n"
                                          "[End]\r\n");
        write(data + Sep + "Resources" + Sep + "HB612.wmf", "picture");
    }
    static void write(const std::string& path, const std::string& bytes)
    {
        test::TempStation::writeFile(path, bytes);
    }
    // Every file and folder under the prefix, to see that nothing was added.
    [[nodiscard]] std::vector<std::string> tree() const
    {
        std::vector<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(prefix))
            entries.push_back(fromFsPath(entry.path()));
        std::sort(entries.begin(), entries.end());
        return entries;
    }
};

TEST(ProgramLocation, SettingsBesideTheExecutableKeepEverythingThere)
{
    test::TempStation station;
    station.writeIni("[Modules]\r\n");
    const ProgramLocation location = findProgramLocation(station.dir(), Installed().user);
    EXPECT_TRUE(location.portable);
    EXPECT_EQ(location.iniPath, station.iniPath());
    EXPECT_EQ(location.folders.resources, station.resources());
    EXPECT_EQ(location.folders.projects, station.dir() + Sep + "Projects" + Sep);
    EXPECT_EQ(location.folders.edsFiles, station.dir() + Sep + "EDSFiles" + Sep);
}

TEST(ProgramLocation, InstalledReadsThePackagedSettingsAndUsesDocuments)
{
    Installed installed;
    // A folder named Quillon.ini beside the program is no settings file.
    fs::create_directories(toFsPath(installed.bin) / "Quillon.ini");
    const ProgramLocation location = findProgramLocation(installed.bin, installed.user);
    EXPECT_FALSE(location.portable);
    EXPECT_EQ(location.iniPath, installed.data + Sep + "Quillon.ini");
    EXPECT_EQ(location.folders.resources, installed.data + Sep + "Resources" + Sep);
    const std::string mine = installed.user.documents + Sep + "Quillon" + Sep;
    EXPECT_EQ(location.folders.projects, mine + "Projects" + Sep);
    EXPECT_EQ(location.folders.edsFiles, mine + "EDSFiles" + Sep);

    // The person's own settings file wins once it is there.
    Installed::write(installed.user.settings + Sep + "Quillon.ini", "[Modules]\r\n");
    EXPECT_EQ(findProgramLocation(installed.bin, installed.user).iniPath,
              installed.user.settings + Sep + "Quillon.ini");
}

TEST(ProgramLocation, InstalledStartUpWritesNothingAndMakesNoFolderYet)
{
    Installed installed;
    const auto before = installed.tree();
    Session s;
    useProgramLocation(s, findProgramLocation(installed.bin, installed.user));
    test::ScriptedDialogs dialogs;
    ASSERT_TRUE(startUp(s, dialogs)) << (dialogs.details.empty() ? "" : dialogs.details[0]);

    EXPECT_EQ(s.view.catalogueNames, std::vector<std::string>{"Installed"});
    EXPECT_EQ(s.gstrResourcePath, installed.data + Sep + "Resources" + Sep);
    const std::string mine = installed.user.documents + Sep + "Quillon" + Sep;
    EXPECT_EQ(s.gstrProjectPath, mine + "Projects" + Sep);
    EXPECT_EQ(s.gstrEDSFilePath, mine + "EDSFiles" + Sep);
    EXPECT_EQ(installed.tree(), before);
    EXPECT_FALSE(fs::exists(toFsPath(installed.user.documents)));

    // Made when a dialog first opens there.
    EXPECT_TRUE(ensureFolder(s.gstrProjectPath));
    EXPECT_TRUE(fs::is_directory(toFsPath(s.gstrProjectPath)));
    EXPECT_TRUE(ensureFolder(s.gstrProjectPath)); // already there
}

TEST(ProgramLocation, EnsureFolderFailsWhereAFileIsInTheWay)
{
    test::ScratchDir scratch("quillon-folder");
    const std::string file = fromFsPath(scratch.path() / "taken");
    Installed::write(file, "x");
    EXPECT_FALSE(ensureFolder(file));
    EXPECT_FALSE(ensureFolder(file + Sep + "below"));
    EXPECT_FALSE(ensureFolder(""));
}

#ifndef _WIN32

TEST(UserFolders, FollowTheXdgVariablesAndUserDirs)
{
    test::ScratchDir scratch("quillon-home");
    const std::string home = fromFsPath(scratch.path() / "eva");
    test::ScopedEnvironment environment;
    environment.set("HOME", home);
    environment.unset("XDG_CONFIG_HOME");
    EXPECT_EQ(platformUserFolders().settings, home + "/.config/quillon");
    EXPECT_EQ(platformUserFolders().documents, home + "/Documents");

    const std::string config = fromFsPath(scratch.path() / "cfg");
    fs::create_directories(config);
    Installed::write(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    environment.set("XDG_CONFIG_HOME", config);
    EXPECT_EQ(platformUserFolders().settings, config + "/quillon");
    EXPECT_EQ(platformUserFolders().documents, home + "/Dokumente");

    // A relative XDG_CONFIG_HOME is ignored, as the convention says.
    environment.set("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(platformUserFolders().settings, home + "/.config/quillon");
}

#endif

} // namespace
} // namespace quillon
