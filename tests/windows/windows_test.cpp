// What only a Windows build can show: the registry, the shell, drive letters and backslashes.
// Run under Wine by the cross build; tests/windows/wine_checks.sh writes the registry values the
// registry test expects and passes their names on.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/file_path.h"
#include "core/program_location.h"
#include "core/session.h"
#include "core/system.h"
#include "core/system_windows.h"
#include "iomap/eds_export.h"
#include "project/project_file.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

TEST(WindowsRegistry, ThirtyTwoBitViewFirstThenNative)
{
    // The script wrote CoEDSPath into both views, DnEDSPath into the native view only, and
    // named a value it did not write.
    const std::string expected32 = environment("QUILLON_EXPECT_CO_PATH");
    const std::string expectedNative = environment("QUILLON_EXPECT_DN_PATH");
    const std::string missing = environment("QUILLON_MISSING_VALUE");
    if (expected32.empty() || expectedNative.empty() || missing.empty())
        GTEST_SKIP() << "needs the registry values of tests/windows/wine_checks.sh";

    const auto system = makePlatformSystem();
    EXPECT_EQ(system->readRegistryString(CanOpenEdsPathValue), fileTextToPath(expected32));
    EXPECT_EQ(system->readRegistryString(DeviceNetEdsPathValue), fileTextToPath(expectedNative));
    EXPECT_EQ(system->readRegistryString("HKLM\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\CoEDSPath"),
              fileTextToPath(expected32));
    EXPECT_EQ(system->readRegistryString(missing), "");
    EXPECT_EQ(system->readRegistryString("HKEY_NOWHERE\\x"), "");
}

// What starting Notepad handed to the shell.
struct ShellCall
{
    void* owner = nullptr;
    std::wstring verb, file, parameters, directory;
    int show = 0;
} s_lastCall;

std::intptr_t recordShellCall(void* owner, const wchar_t* verb, const wchar_t* file,
                              const wchar_t* parameters, const wchar_t* directory, int show)
{
    const auto text = [](const wchar_t* given) { return given ? std::wstring(given) : L"(none)"; };
    s_lastCall = {owner, text(verb), text(file), text(parameters), text(directory), show};
    return s_lastCall.parameters == L"fails" ? 2 : 42;
}

TEST(WindowsShell, ShowEdsStartsNotepadOverTheMainWindowWithTheWidePath)
{
    const auto system = makeWindowsSystem(recordShellCall);
    system->setOwnerWindow(0x1234);
    Session s;
    s.programDir = "C:\\Program Files\\Quillon";
    s.view.setText("Text9", "C:\\Users\\B\303\274ro\\CO_station.eds");
    test::ScriptedDialogs dialogs;
    ShowEds(s, dialogs, *system);
    EXPECT_EQ(s_lastCall.owner, reinterpret_cast<void*>(std::uintptr_t{0x1234}));
    EXPECT_EQ(s_lastCall.verb + L"|" + s_lastCall.file + L"|" + s_lastCall.parameters + L"|" +
                  s_lastCall.directory,
              L"Open|Notepad.exe|C:\\Users\\B\u00FCro\\CO_station.eds|C:\\Program Files\\Quillon");
    EXPECT_EQ(s_lastCall.show, 1);
    EXPECT_TRUE(dialogs.notices.empty());

    // A shell that cannot start Notepad (a result of 32 or less) is reported.
    s.view.setText("Text9", "fails");
    ShowEds(s, dialogs, *system);
    EXPECT_EQ(dialogs.notices,
              std::vector<std::string>{NoTextViewerMessage + std::string("fails.")});
}

TEST(WindowsFolders, SettingsFollowAppDataAndDocumentsIsTheShellsFolder)
{
    const UserFolders folders = platformUserFolders();
    EXPECT_EQ(folders.settings, fileTextToPath(environment("APPDATA")) + "\\Quillon");
    ASSERT_FALSE(folders.documents.empty());
    EXPECT_TRUE(std::filesystem::is_directory(toFsPath(folders.documents))) << folders.documents;
    EXPECT_EQ(folders.documents.find('/'), std::string::npos) << folders.documents;
    // An installed Quillon.exe (no settings beside it) keeps its files in Documents\Quillon.
    const ProgramLocation location =
        findProgramLocation("C:\\Program Files\\Quillon\\bin", folders);
    EXPECT_FALSE(location.portable);
    EXPECT_EQ(location.iniPath, "C:\\Program Files\\Quillon\\share\\quillon\\Quillon.ini");
    EXPECT_EQ(location.folders.projects, folders.documents + "\\Quillon\\Projects\\");
}

TEST(WindowsProject, SavesTheBytesOtherSystemsRead)
{
    // The script names where to save; it then reads the file with the Linux build.
    const std::string path = environment("QUILLON_SAVE_PROJECT_TO");
    if (path.empty())
        GTEST_SKIP() << "needs QUILLON_SAVE_PROJECT_TO from tests/windows/wine_checks.sh";
    Session s;
    s.ClusterSlots[0] = headRecord();
    s.ClusterSlots[1] = {"KD236.wmf", 4, 0, 0, 0, "OVN_KD236.eds", 4};
    s.ClusterSlots[2] = {"KA224.wmf", 0, 0, 8, 0, "OVN_KA224.eds", 8};
    s.UsedCount = 3;
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);
    SaveConfiguration(s, dialogs);
    EXPECT_FALSE(s.ConfigurationModified);
}

} // namespace
} // namespace quillon
