#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "core/session.h"
#include "core/system.h"
#include "iomap/eds_export.h"
#include "tests/fakes/scoped_env.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

const std::string Sep(1, PathSeparator);
constexpr auto writeBytes = test::TempStation::writeFile;

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

// A program directory whose SYCON.net folder the registry gives for CANopen.
class EdsExport : public ::testing::Test
{
protected:
    EdsExport()
    {
        s.gstrResourcePath = QUILLON_TEST_DATA "/cli/Resources/";
        fs::create_directory(at("sycon"));
        system.values[CanOpenEdsPathValue] = at("sycon");
    }
    [[nodiscard]] std::string at(const std::string& name) const
    {
        return m_station.dir() + "/" + name;
    }

    // Exports `edsPath` with the question answered `yes`; returns the boxes shown.
    test::ScriptedDialogs exportEds(const std::string& edsPath, bool yes = true,
                                    FieldbusProtocol protocol = FieldbusProtocol::CanOpen)
    {
        s.programDir = "/opt/quillon";
        s.gstrEDSFilePath = at("EDSFiles/");
        s.Protocol = protocol;
        s.view.setText("Text9", edsPath);
        test::ScriptedDialogs dialogs;
        dialogs.thenAnswer(yes);
        ExportEds(s, dialogs, system);
        return dialogs;
    }

    test::TempStation m_station;
    FakeSystem system;
    Session s;
};

TEST_F(EdsExport, RefusalsComeInOrderAndCopyNothing)
{
    system.values.clear(); // no EDS yet is said before the registry is found empty
    for (const char* placeholder : {"none", "*** New Project ***"}) {
        EXPECT_EQ(exportEds(placeholder).notices, std::vector<std::string>{NoValidEdsMessage});
        EXPECT_EQ(s.ProjectName, placeholder);
    }

    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\";
    for (const auto& [protocol, value] : {std::pair{FieldbusProtocol::DeviceNet, "DnEDSPath"},
                                          std::pair{FieldbusProtocol::None, "CoEDSPath"}}) {
        system.reads.clear();
        s.SyconEdsPath = "stale";
        const auto dialogs = exportEds(at("EDSFiles/a.eds"), true, protocol);
        EXPECT_EQ(system.reads, std::vector<std::string>{key + value});
        EXPECT_EQ(s.SyconEdsPath, "");
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{
                                       "SYCON.net-Path not found in registry. Cannot export EDS!"});
        EXPECT_TRUE(dialogs.questions.empty());
    }

    // Declined: nothing copied, nothing more said.
    system.values[CanOpenEdsPathValue] = at("sycon");
    writeBytes(at("EDSFiles/CO_a.eds"), "[File]\r\n");
    const auto dialogs = exportEds(at("EDSFiles/CO_a.eds"), false);
    EXPECT_EQ(system.reads.back(), key + "CoEDSPath");
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{"Do you really want to export EDS-File?"});
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_TRUE(fs::is_empty(at("sycon")));
}

TEST_F(EdsExport, CopiesTheIconThenTheEdsAndNamesTheFileThatFailed)
{
    writeBytes(at("EDSFiles/a.eds"), "[File]\r\n\x80\xff bytes\r\n");
    auto dialogs = exportEds(at("EDSFiles/a.eds"));
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{"EDS-File .../a.eds and Icon-File...\\"
                                                        "OVN_K310_HB612.ico exported to " +
                                                        at("sycon")});
    EXPECT_EQ(readFileBytes(at("sycon/a.eds")), readFileBytes(at("EDSFiles/a.eds")));
    EXPECT_EQ(readFileBytes(at("sycon/OVN_K310_HB612.ico")),
              readFileBytes(s.gstrResourcePath + "OVN_K310_HB612.ico"));

    // The EDS is gone: the icon has been copied, the EDS has not.
    fs::remove(at("sycon/OVN_K310_HB612.ico"));
    dialogs = exportEds(at("EDSFiles/gone.eds"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find(at("EDSFiles/gone.eds")), std::string::npos);
    EXPECT_EQ(dialogs.notices[0].find("exported to"), std::string::npos);
    EXPECT_TRUE(fs::exists(at("sycon/OVN_K310_HB612.ico")));

    // The icon is missing from the resources: nothing is copied.
    fs::remove_all(at("sycon"));
    fs::create_directory(at("sycon"));
    s.gstrResourcePath = at("noresources/");
    dialogs = exportEds(at("EDSFiles/a.eds"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find(at("noresources/OVN_K310_HB612.ico")), std::string::npos);
    EXPECT_TRUE(fs::is_empty(at("sycon")));
}

TEST(ExportedEdsName, EdsOutsideTheEdsFolderKeepsItsOwnName)
{
    EXPECT_EQ(exportedEdsName("/x/eds/a.eds", "/x/eds/"), "/a.eds");
    EXPECT_EQ(exportedEdsName("/x/eds/sub/a.eds", "/x/eds/"), Sep + "a.eds");
    EXPECT_EQ(exportedEdsName("a.eds", ""), Sep + "a.eds");
}

TEST_F(EdsExport, ShowEdsHandsTheProjectBoxOverAsItStandsAndSaysWhenNoViewerStarts)
{
    const std::string text = "/x/eds/CO_a b.eds";
    s.view.setText("Text9", text);
    for (const bool starts : {true, false}) {
        system.viewerStarts = starts;
        test::ScriptedDialogs dialogs;
        ShowEds(s, dialogs, system);
        EXPECT_EQ(s.ProjectName, text);
        EXPECT_EQ(dialogs.notices,
                  starts ? std::vector<std::string>{}
                         : std::vector<std::string>{NoTextViewerMessage + text + "."});
    }
    EXPECT_EQ(system.opened,
              (std::vector<std::pair<std::string, std::string>>(2, {text, s.programDir})));
}

#ifndef _WIN32
using test::ScopedEnv;

TEST_F(EdsExport, PortableSystemReadsTheRegistryFileAndStartsXdgOpen)
{
    writeBytes(at("registry.txt"), "; comment\n\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value = first \r\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value=second\r\n"
                                   "no equals sign here\r\n"
                                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url=http://h/?a=b");
    const auto platform = makePlatformSystem();
    const std::string value = "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Value";
    {
        ScopedEnv registry("QUILLON_REGISTRY_FILE", at("registry.txt"));
        const std::pair<std::string, const char*> reads[] = {
            {value, "first"},
            {"hkey_local_machine\\software\\a\\value", "first"},
            {"HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Url", "http://h/?a=b"},
            {"HKEY_LOCAL_MACHINE\\SOFTWARE\\A", ""},
            {"no equals sign here", ""}};
        for (const auto& [path, expected] : reads)
            EXPECT_EQ(platform->readRegistryString(path), expected) << path;
    }
    // Without the variable, the file under the configuration home is read.
    fs::create_directories(at("config/quillon"));
    fs::copy_file(at("registry.txt"), at("config/quillon/registry.txt"));
    {
        ScopedEnv home("XDG_CONFIG_HOME", at("config"));
        for (const auto& [file, expected] :
             {std::pair{at("missing.txt"), ""}, std::pair{std::string(), "first"}}) {
            ScopedEnv registry("QUILLON_REGISTRY_FILE", file);
            EXPECT_EQ(platform->readRegistryString(value), expected) << file;
        }
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
        EXPECT_TRUE(platform->openInTextEditor("/x/CO_a b.eds", at("program dir")));
        EXPECT_EQ(readFileBytes(at("seen")), at("program dir") + "|/x/CO_a b.eds|1");
        // xdg-open that finds no viewer for the file.
        writeBytes(at("bin/xdg-open"), "#!/bin/sh\nexit 3\n");
        EXPECT_FALSE(platform->openInTextEditor("/x/CO_a b.eds", at("program dir")));
    }
    // No xdg-open at all.
    ScopedEnv path("PATH", at("bin"));
    fs::remove(at("bin/xdg-open"));
    EXPECT_FALSE(platform->openInTextEditor("/x/CO_a b.eds", at("program dir")));
}
#endif

} // namespace
} // namespace quillon
