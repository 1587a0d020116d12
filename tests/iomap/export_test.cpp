#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/file_access.h"
#include "core/session.h"
#include "core/system.h"
#include "iomap/eds_export.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

const std::string StationResources = QUILLON_TEST_DATA "/cli/Resources/";
const std::string Sep(1, PathSeparator);

// A System whose registry is a map; it records what it was asked.
struct FakeSystem : System
{
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        reads.push_back(fullValuePath);
        return values.count(fullValuePath) ? values[fullValuePath] : std::string();
    }
    bool openInTextEditor(const std::string& parameters, const std::string& directory) override
    {
        opened.emplace_back(parameters, directory);
        return viewerStarts;
    }
    bool viewerStarts = true;
    std::map<std::string, std::string> values;
    std::vector<std::string> reads;
    std::vector<std::pair<std::string, std::string>> opened;
};

// A throw-away program directory with an EDSFiles folder and a SYCON.net folder.
class EdsExport : public ::testing::Test
{
protected:
    EdsExport() { fs::create_directory(at("sycon")); }
    [[nodiscard]] std::string at(const std::string& name) const
    {
        return m_station.dir() + "/" + name;
    }
    test::TempStation m_station;
};

constexpr auto writeBytes = test::TempStation::writeFile;

// A session whose project box names `edsPath`, with `edsDir` as its EDS directory.
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

// Exports with the question answered `yes`; returns the boxes shown.
test::ScriptedDialogs exportWith(Session& s, System& system, bool yes = true)
{
    test::ScriptedDialogs dialogs;
    dialogs.thenAnswer(yes);
    ExportEds(s, dialogs, system);
    return dialogs;
}

TEST_F(EdsExport, RefusalsComeInOrderAndCopyNothing)
{
    // No EDS yet: refused even though SYCON.net is not registered either.
    for (const char* placeholder : {"none", "*** New Project ***"}) {
        Session s = sessionWithEds("/x/eds/", placeholder);
        FakeSystem system;
        const auto dialogs = exportWith(s, system);
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{"No valid EDS-File to export!"});
        EXPECT_TRUE(dialogs.questions.empty());
        EXPECT_EQ(s.ProjectName, placeholder);
    }

    // The registry value follows the protocol; without it, the export is refused.
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\";
    for (const auto& [protocol, value] : {std::pair{FieldbusProtocol::DeviceNet, "DnEDSPath"},
                                          std::pair{FieldbusProtocol::CanOpen, "CoEDSPath"},
                                          std::pair{FieldbusProtocol::None, "CoEDSPath"}}) {
        Session s = sessionWithEds("/x/eds/", "/x/eds/a.eds", protocol);
        s.SyconEdsPath = "stale";
        FakeSystem system;
        const auto dialogs = exportWith(s, system);
        EXPECT_EQ(system.reads, std::vector<std::string>{key + value});
        EXPECT_EQ(s.SyconEdsPath, "");
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{
                                       "SYCON.net-Path not found in registry. Cannot export EDS!"});
        EXPECT_TRUE(dialogs.questions.empty());
    }

    // Declined: nothing copied, nothing more said.
    writeBytes(at("EDSFiles/CO_a.eds"), "[File]\r\n");
    Session s = sessionWithEds(at("EDSFiles/"), at("EDSFiles/CO_a.eds"));
    FakeSystem system;
    system.values[CanOpenEdsPathValue] = at("sycon");
    const auto dialogs = exportWith(s, system, false);
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{"Do you really want to export EDS-File?"});
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_TRUE(fs::is_empty(at("sycon")));
}

TEST_F(EdsExport, FailedCopyNamesTheFileAndReportsNoSuccess)
{
    FakeSystem system;
    system.values[CanOpenEdsPathValue] = at("sycon");

    // The EDS is gone: the icon has been copied, the EDS has not.
    Session s = sessionWithEds(at("EDSFiles/"), at("EDSFiles/gone.eds"));
    auto dialogs = exportWith(s, system);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find(at("EDSFiles/gone.eds")), std::string::npos);
    EXPECT_EQ(dialogs.notices[0].find("exported to"), std::string::npos);
    EXPECT_TRUE(fs::exists(at("sycon/OVN_K310_HB612.ico")));

    // The icon is missing from the resources: nothing is copied.
    writeBytes(at("EDSFiles/a.eds"), "[File]\r\n");
    Session noIcon = sessionWithEds(at("EDSFiles/"), at("EDSFiles/a.eds"));
    noIcon.gstrResourcePath = at("noresources/");
    dialogs = exportWith(noIcon, system);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find(at("noresources/OVN_K310_HB612.ico")), std::string::npos);
    EXPECT_FALSE(fs::exists(at("sycon/a.eds")));
}

TEST(ExportedEdsName, EdsOutsideTheEdsFolderKeepsItsOwnName)
{
    EXPECT_EQ(exportedEdsName("/x/eds/a.eds", "/x/eds/"), "/a.eds");
    EXPECT_EQ(exportedEdsName("/x/eds/sub/a.eds", "/x/eds/"), Sep + "a.eds");
    EXPECT_EQ(exportedEdsName("/y/a.eds", "/x/long/eds/"), Sep + "a.eds");
    EXPECT_EQ(exportedEdsName("a.eds", ""), Sep + "a.eds");
}

TEST(ShowEds, HandsTheProjectBoxOverAsItStandsAndSaysWhenNoViewerStarts)
{
    for (const bool starts : {true, false}) {
        for (const char* text : {"/x/eds/CO_a b.eds", "none"}) {
            Session s = sessionWithEds("/x/eds/", text);
            FakeSystem system;
            system.viewerStarts = starts;
            test::ScriptedDialogs dialogs;
            ShowEds(s, dialogs, system);
            EXPECT_EQ(system.opened,
                      (std::vector<std::pair<std::string, std::string>>{{text, "/opt/quillon"}}));
            EXPECT_EQ(s.ProjectName, text);
            EXPECT_EQ(dialogs.notices, starts ? std::vector<std::string>{}
                                              : std::vector<std::string>{NoTextViewerMessage +
                                                                         std::string(text) + "."});
        }
    }
}

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
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The whole way: the registry file names a SYCON.net folder, and both files land there.
TEST_F(EdsExport, CopiesTheEdsAndTheIconIntoTheRegisteredFolder)
{
    const std::string eds = "[File]\r\nDescText = \"x\"\r\n\x80\xff bytes\r\n";
    writeBytes(at("EDSFiles/CO_station.eds"), eds);
    writeBytes(at("sycon/CO_station.eds"), "an older export");
    writeBytes(at("registry.txt"), "# SYCON.net\r\nhkey_local_machine\\software\\hilscher gmbh\\"
                                   "sycon_net\\coedspath=" +
                                       at("sycon") + "\r\n");
    ScopedEnv registry("QUILLON_REGISTRY_FILE", at("registry.txt"));

    Session s = sessionWithEds(at("EDSFiles/"), at("EDSFiles/CO_station.eds"));
    const auto dialogs = exportWith(s, *makePlatformSystem());

    EXPECT_EQ(dialogs.notices,
              std::vector<std::string>{"EDS-File .../CO_station.eds and Icon-File...\\"
                                       "OVN_K310_HB612.ico exported to " +
                                       at("sycon")});
    EXPECT_EQ(readFileBytes(at("sycon/CO_station.eds")), eds);
    EXPECT_EQ(readFileBytes(at("sycon/OVN_K310_HB612.ico")),
              readFileBytes(StationResources + "OVN_K310_HB612.ico"));
}

using PortableSystem = EdsExport;

TEST_F(PortableSystem, ReadsTheRegistryFileAndStartsXdgOpen)
{
    writeBytes(at("registry.txt"), "; comment\n\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value = first \r\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value=second\r\n"
                                   "no equals sign here\r\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url=http://h/?a=b");
    const auto system = makePlatformSystem();
    const std::string value = "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value";
    {
        ScopedEnv registry("QUILLON_REGISTRY_FILE", at("registry.txt"));
        EXPECT_EQ(system->readRegistryString(value), "first");
        EXPECT_EQ(system->readRegistryString("hkey_local_machine\\software\\a\\value"), "first");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url"),
                  "http://h/?a=b");
        EXPECT_EQ(system->readRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\A"), "");
        EXPECT_EQ(system->readRegistryString("no equals sign here"), "");
    }
    {
        ScopedEnv registry("QUILLON_REGISTRY_FILE", at("missing.txt"));
        EXPECT_EQ(system->readRegistryString(value), "");
    }
    // Without the variable, the file under the configuration home is read.
    fs::create_directories(at("config/quillon"));
    fs::copy_file(at("registry.txt"), at("config/quillon/registry.txt"));
    {
        ScopedEnv noFile("QUILLON_REGISTRY_FILE", "");
        ScopedEnv config("XDG_CONFIG_HOME", at("config"));
        EXPECT_EQ(system->readRegistryString(value), "first");
    }

    // The viewer: xdg-open in the program directory, the text as one argument, not waited for.
    fs::create_directories(at("bin"));
    fs::create_directories(at("program dir"));
    writeBytes(at("bin/xdg-open"), "#!/bin/sh\nprintf '%s|%s|%s' \"$PWD\" \"$1\" \"$#\" > \"" +
                                       at("seen.tmp") + "\"\nmv \"" + at("seen.tmp") + "\" \"" +
                                       at("seen") + "\"\n");
    fs::permissions(at("bin/xdg-open"), fs::perms::owner_all);
    {
        ScopedEnv path("PATH", at("bin") + ":" + std::getenv("PATH"));
        EXPECT_TRUE(system->openInTextEditor("/x/CO_a b.eds", at("program dir")));
        EXPECT_EQ(readFileBytes(at("seen")), at("program dir") + "|/x/CO_a b.eds|1");
        // xdg-open that finds no viewer for the file.
        writeBytes(at("bin/xdg-open"), "#!/bin/sh\nexit 3\n");
        EXPECT_FALSE(system->openInTextEditor("/x/CO_a b.eds", at("program dir")));
    }
    // No xdg-open at all.
    ScopedEnv path("PATH", at("bin"));
    fs::remove(at("bin/xdg-open"));
    EXPECT_FALSE(system->openInTextEditor("/x/CO_a b.eds", at("program dir")));
}
#endif

} // namespace
} // namespace quillon
