#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/item_reader.h"
#include "core/session.h"
#include "core/system.h"
#include "iomap/eds_export.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

const std::string StationResources = QUILLON_TEST_DATA "/cli/Resources/";

// A System whose registry is a map; it records what it was asked.
class FakeSystem : public System
{
public:
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        reads.push_back(fullValuePath);
        const auto it = values.find(fullValuePath);
        return it == values.end() ? std::string() : it->second;
    }
    void openInTextEditor(const std::string& parameters,
                          const std::string& workingDirectory) override
    {
        opened.push_back({parameters, workingDirectory});
    }

    std::map<std::string, std::string> values;
    std::vector<std::string> reads;
    std::vector<std::pair<std::string, std::string>> opened;
};

class TempDir
{
public:
    TempDir()
    {
        std::random_device entropy;
        m_path = fs::temp_directory_path() / ("quillon_export_" + std::to_string(entropy()));
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    [[nodiscard]] std::string operator/(const std::string& name) const
    {
        return (m_path / name).string();
    }

private:
    fs::path m_path;
};

#ifndef _WIN32
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};
#endif

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A session whose current EDS is `edsPath` in the EDS directory `edsDir`.
Session sessionWithEds(const std::string& edsDir, const std::string& edsPath,
                       FieldbusProtocol protocol = FieldbusProtocol::CanOpen)
{
    Session s;
    s.programDir = "/opt/quillon";
    s.gstrResourcePath = StationResources;
    s.gstrEDSFilePath = edsDir;
    s.Protocol = protocol;
    s.view.setText("Text9", edsPath);
    return s;
}

TEST(ExportEds, PlaceholderIsRefusedBeforeTheRegistryIsLookedAt)
{
    for (const char* placeholder : {"none", "*** New Project ***"}) {
        Session s = sessionWithEds("/x/eds/", placeholder);
        FakeSystem system; // no SYCON.net registered
        test::ScriptedDialogs dialogs;
        ExportEds(s, dialogs, system);
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{"No valid EDS-File to export!"});
        EXPECT_TRUE(dialogs.questions.empty());
        EXPECT_EQ(s.ProjectName, placeholder);
        EXPECT_EQ(system.reads.size(), 1u); // read all the same, then refused
    }
}

TEST(ExportEds, ReadsTheValueOfTheProtocol)
{
    const std::pair<FieldbusProtocol, const char*> cases[] = {
        {FieldbusProtocol::DeviceNet, DeviceNetEdsPathValue},
        {FieldbusProtocol::CanOpen, CanOpenEdsPathValue},
        {FieldbusProtocol::None, CanOpenEdsPathValue},
    };
    for (const auto& [protocol, value] : cases) {
        Session s = sessionWithEds("/x/eds/", "/x/eds/a.eds", protocol);
        s.SyconEdsPath = "stale";
        FakeSystem system;
        test::ScriptedDialogs dialogs;
        ExportEds(s, dialogs, system);
        EXPECT_EQ(system.reads, std::vector<std::string>{value});
        EXPECT_EQ(s.SyconEdsPath, "");
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{
                                       "SYCON.net-Path not found in registry. Cannot export EDS!"});
        EXPECT_TRUE(dialogs.questions.empty());
    }
    EXPECT_EQ(std::string(CanOpenEdsPathValue),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\CoEDSPath");
    EXPECT_EQ(std::string(DeviceNetEdsPathValue),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\DnEDSPath");
}

TEST(ExportEds, DeclinedQuestionCopiesNothing)
{
    TempDir dir;
    fs::create_directories(dir / "eds");
    fs::create_directories(dir / "sycon");
    writeBytes(dir / "eds/CO_a.eds", "[File]\r\n");
    Session s = sessionWithEds(dir / "eds/", dir / "eds/CO_a.eds");
    FakeSystem system;
    system.values[CanOpenEdsPathValue] = dir / "sycon";
    test::ScriptedDialogs dialogs;
    dialogs.thenAnswer(false);
    ExportEds(s, dialogs, system);
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{"Do you really want to export EDS-File?"});
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_TRUE(fs::is_empty(dir / "sycon"));
}

#ifndef _WIN32
// The whole way: the registry file names a SYCON.net folder, and both files land there.
TEST(ExportEds, CopiesTheEdsAndTheIconIntoTheRegisteredFolder)
{
    TempDir dir;
    fs::create_directories(dir / "EDSFiles");
    fs::create_directories(dir / "SYCON.net/EDS");
    const std::string eds = "[File]\r\nDescText = \"x\"\r\n\x80\xff bytes\r\n";
    writeBytes(dir / "EDSFiles/CO_station.eds", eds);
    writeBytes(dir / "SYCON.net/EDS/CO_station.eds", "an older export");
    const std::string sycon = dir / "SYCON.net/EDS";
    writeBytes(dir / "registry.txt", "# SYCON.net\r\n"
                                     "hkey_local_machine\\software\\hilscher gmbh\\sycon_net\\"
                                     "coedspath=" +
                                         sycon + "\r\n");
    ScopedEnv registry("QUILLON_REGISTRY_FILE", dir / "registry.txt");

    Session s = sessionWithEds(dir / "EDSFiles/", dir / "EDSFiles/CO_station.eds");
    const auto system = makePlatformSystem();
    test::ScriptedDialogs dialogs;
    dialogs.thenAnswer(true);
    ExportEds(s, dialogs, *system);

    EXPECT_EQ(s.SyconEdsPath, sycon);
    EXPECT_EQ(
        dialogs.notices,
        std::vector<std::string>{"EDS-File .../CO_station.eds and Icon-File...\\OVN_K310_HB612.ico "
                                 "exported to " +
                                 sycon});
    EXPECT_EQ(readFileBytes(sycon + "/CO_station.eds"), eds);
    EXPECT_EQ(readFileBytes(sycon + "/OVN_K310_HB612.ico"),
              readFileBytes(StationResources + "OVN_K310_HB612.ico"));
    EXPECT_TRUE(dialogs.done());
}

#endif

TEST(ExportEds, FailedCopyNamesTheFileAndReportsNoSuccess)
{
    TempDir dir;
    fs::create_directories(dir / "sycon");
    FakeSystem system;
    system.values[CanOpenEdsPathValue] = dir / "sycon";

    // The EDS named in the project box is gone: the icon is there, the EDS is not.
    Session s = sessionWithEds(dir / "eds/", dir / "eds/gone.eds");
    test::ScriptedDialogs dialogs;
    dialogs.thenAnswer(true);
    ExportEds(s, dialogs, system);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find(dir / "eds/gone.eds"), std::string::npos);
    EXPECT_EQ(dialogs.notices[0].find("exported to"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "sycon/OVN_K310_HB612.ico"));
    EXPECT_FALSE(fs::exists(dir / "sycon/gone.eds"));

    // The icon is missing from the resources: nothing is copied.
    fs::create_directories(dir / "eds");
    writeBytes(dir / "eds/a.eds", "[File]\r\n");
    Session noIcon = sessionWithEds(dir / "eds/", dir / "eds/a.eds");
    noIcon.gstrResourcePath = dir / "noresources/";
    test::ScriptedDialogs again;
    again.thenAnswer(true);
    ExportEds(noIcon, again, system);
    ASSERT_EQ(again.notices.size(), 1u);
    EXPECT_NE(again.notices[0].find("OVN_K310_HB612.ico"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "sycon/a.eds"));
}

TEST(ExportEds, EdsOutsideTheEdsFolderKeepsItsOwnName)
{
    TempDir dir;
    fs::create_directories(dir / "elsewhere/deeper");
    fs::create_directories(dir / "sycon");
    writeBytes(dir / "elsewhere/deeper/DN_line4.eds", "[File]\r\n");
    Session s = sessionWithEds("/a/much/longer/eds/directory/than/usual/",
                               dir / "elsewhere/deeper/DN_line4.eds", FieldbusProtocol::DeviceNet);
    FakeSystem system;
    system.values[DeviceNetEdsPathValue] = dir / "sycon";
    test::ScriptedDialogs dialogs;
    dialogs.thenAnswer(true);
    ExportEds(s, dialogs, system);
    EXPECT_TRUE(fs::exists(dir / "sycon/DN_line4.eds"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0].rfind(
                  "EDS-File ..." + std::string(1, PathSeparator) + "DN_line4.eds and Icon-File", 0),
              0u);
}

TEST(ExportedEdsName, CutsAtTheEdsFolderOrFallsBackToTheFileName)
{
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(exportedEdsName("/x/eds/a.eds", "/x/eds/"), "/a.eds");
    EXPECT_EQ(exportedEdsName("/x/eds/sub/a.eds", "/x/eds/"), sep + "a.eds");
    EXPECT_EQ(exportedEdsName("/y/a.eds", "/x/long/eds/"), sep + "a.eds");
    EXPECT_EQ(exportedEdsName("/elsewhere/abc.eds", "/x/eds/"), sep + "abc.eds");
    EXPECT_EQ(exportedEdsName("a.eds", ""), sep + "a.eds");
}

TEST(ShowEds, HandsTheProjectBoxOverAsItStands)
{
    for (const char* text : {"/x/eds/CO_a b.eds", "none"}) {
        Session s = sessionWithEds("/x/eds/", text);
        FakeSystem system;
        ShowEds(s, system);
        ASSERT_EQ(system.opened.size(), 1u);
        EXPECT_EQ(system.opened[0].first, text);
        EXPECT_EQ(system.opened[0].second, "/opt/quillon");
        EXPECT_EQ(s.ProjectName, text);
    }
}

#ifndef _WIN32
TEST(PortableRegistry, ReadsValuesFromTheRegistryFile)
{
    TempDir dir;
    writeBytes(dir / "registry.txt", "; comment\n"
                                     "\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value = first \r\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value=second\r\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Empty=\r\n"
                                     "no equals sign here\r\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url=http://h/?a=b");
    const auto system = makePlatformSystem();
    {
        ScopedEnv registry("QUILLON_REGISTRY_FILE", dir / "registry.txt");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value"), "first");
        EXPECT_EQ(system->readRegistryString("hkey_local_machine\\software\\a\\value"), "first");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Empty"), "");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url"),
                  "http://h/?a=b");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A"), "");
        EXPECT_EQ(system->readRegistryString("no equals sign here"), "");
    }
    {
        ScopedEnv registry("QUILLON_REGISTRY_FILE", dir / "missing.txt");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value"), "");
    }
    // Without the variable, the file under the configuration home is read.
    fs::create_directories(dir / "config/quillon");
    fs::copy_file(dir / "registry.txt", dir / "config/quillon/registry.txt");
    ScopedEnv noFile("QUILLON_REGISTRY_FILE", "");
    ScopedEnv config("XDG_CONFIG_HOME", dir / "config");
    EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value"), "first");
}

// The viewer is xdg-open, started in the program directory with the text as one argument.
TEST(PortableViewer, StartsXdgOpenWithTheTextAsOneArgument)
{
    TempDir dir;
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "program dir");
    writeBytes(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s|%s|%s' \"$PWD\" \"$1\" \"$#\" > \"" +
                                         (dir / "seen.tmp") + "\"\nmv \"" + (dir / "seen.tmp") +
                                         "\" \"" + (dir / "seen") + "\"\n");
    fs::permissions(dir / "bin/xdg-open", fs::perms::owner_all);
    ScopedEnv path("PATH", (dir / "bin") + ":" + std::getenv("PATH"));

    makePlatformSystem()->openInTextEditor("/x/CO_a b.eds", dir / "program dir");
    for (int wait = 0; wait < 500 && !fs::exists(dir / "seen"); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readFileBytes(dir / "seen"), (dir / "program dir") + "|/x/CO_a b.eds|1");
}
#endif

} // namespace
} // namespace quillon
