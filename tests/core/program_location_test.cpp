#include <filesystem>
#include <gtest/gtest.h>

#include "core/file_path.h"
#include "core/program_location.h"
#include "core/session.h"
#include "core/startup.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"
#include "tests/fakes/scoped_env.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
const std::string Sep(1, PathSeparator);

TEST(XdgDocuments, ReadsTheFilesOfTheTableAsTheShellWould)
{
    for (const auto& [text, documents] : test::readCases(QUILLON_TEST_DATA "/core/user_dirs.txt"))
        EXPECT_EQ(xdgDocumentsDir(test::unescaped(text), "/home/eva"), documents) << text;
}

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
        fs::create_directories(toFsPath(data) / "Resources");
        fs::create_directories(toFsPath(user.settings));
        // A folder named Quillon.ini beside the program is no settings file.
        fs::create_directories(toFsPath(bin) / "Quillon.ini");
        test::TempStation::writeFile(
            data + Sep + "Quillon.ini",
            "[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\r\n\r\n"
            "[Modules]\r\nInstalled\r\n[ModulInfo]\r\n[End]\r\n");
        test::TempStation::writeFile(data + Sep + "Resources" + Sep + "HB612.wmf", "picture");
    }
    // How many files and folders there are under the prefix, to see that nothing was added.
    [[nodiscard]] long entries() const
    {
        return std::distance(fs::recursive_directory_iterator(prefix), {});
    }
};

TEST(ProgramLocation, InstalledStartsOnThePackagedSettingsAndWritesNothingYetPortableKeepsAll)
{
    Installed installed;
    test::TempStation station; // settings beside the program keep everything there
    station.writeIni("[Modules]\r\n");
    const ProgramLocation portable = findProgramLocation(station.dir(), installed.user);
    EXPECT_EQ(std::to_string(portable.portable) + portable.iniPath + " " +
                  portable.folders.projects + " " + portable.folders.resources + " " +
                  portable.folders.edsFiles,
              "1" + station.iniPath() + " " + station.dir() + Sep + "Projects" + Sep + " " +
                  station.resources() + " " + station.dir() + Sep + "EDSFiles" + Sep);

    const long before = installed.entries();
    const ProgramLocation location = findProgramLocation(installed.bin, installed.user);
    EXPECT_FALSE(location.portable);
    Session s;
    useProgramLocation(s, location);
    test::ScriptedDialogs dialogs;
    ASSERT_TRUE(startUp(s, dialogs)) << (dialogs.details.empty() ? "" : dialogs.details[0]);

    EXPECT_EQ(s.view.catalogueNames, std::vector<std::string>{"Installed"});
    EXPECT_EQ(s.gstrResourcePath, installed.data + Sep + "Resources" + Sep);
    const std::string mine = installed.user.documents + Sep + "Quillon" + Sep;
    EXPECT_EQ(s.gstrProjectPath, mine + "Projects" + Sep);
    EXPECT_EQ(s.gstrEDSFilePath, mine + "EDSFiles" + Sep);
    EXPECT_EQ(installed.entries(), before);
    EXPECT_FALSE(fs::exists(toFsPath(installed.user.documents)));

    // Made when a dialog first opens there; a file in the way is no folder.
    const std::string file = installed.data + Sep + "Quillon.ini";
    for (const auto& [folder, made] : {std::pair{s.gstrProjectPath, true},
                                       {s.gstrProjectPath, true},
                                       {file, false},
                                       {file + Sep + "below", false},
                                       {"", false}})
        EXPECT_EQ(ensureFolder(folder), made) << folder;
    EXPECT_TRUE(fs::is_directory(toFsPath(s.gstrProjectPath)));

    // The person's own settings file wins once it is there.
    test::TempStation::writeFile(installed.user.settings + Sep + "Quillon.ini", "[Modules]\r\n");
    EXPECT_EQ(findProgramLocation(installed.bin, installed.user).iniPath,
              installed.user.settings + Sep + "Quillon.ini");
}

#ifndef _WIN32

TEST(UserFolders, FollowTheXdgVariablesAndUserDirs)
{
    test::ScratchDir scratch("quillon-home");
    const std::string home = fromFsPath(scratch.path() / "eva");
    const std::string config = fromFsPath(scratch.path() / "cfg");
    fs::create_directories(config);
    test::TempStation::writeFile(config + "/user-dirs.dirs",
                                 "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    test::ScopedEnvironment environment;
    environment.set("HOME", home);
    // A relative XDG_CONFIG_HOME is ignored, as the convention says.
    for (const auto& [variable, expected] :
         {std::pair<std::string, std::string>{"relative/cfg",
                                              home + "/.config/quillon " + home + "/Documents"},
          {config, config + "/quillon " + home + "/Dokumente"}}) {
        environment.set("XDG_CONFIG_HOME", variable);
        const UserFolders found = platformUserFolders();
        EXPECT_EQ(found.settings + " " + found.documents, expected);
    }
}

#endif

} // namespace
} // namespace quillon
