#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "core/clock.h"
#include "core/cluster.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/types.h"
#include "eds/generate.h"
#include "project/project_file.h"
#include "tests/fakes/scripted_dialogs.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;

// A settings file whose catalogue holds the six modules of the I/O map's worked example, with
// the pictures start-up and the catalogue clicks look for.
const std::string StationDir = QUILLON_TEST_DATA "/cli";
const std::vector<std::string> ExampleModules = {
    "K310-KD108  8 digital inputs DC 24 V",  "K310-KD116 16 digital inputs DC 24 V",
    "K310-KD132 32 digital inputs DC 24 V",  "K310-KD208  8 digital outputs DC 24 V 0.5 A",
    "K310-KA104  4 analogue inputs 0..10 V", "K310-KA108  8 analogue inputs 4..20 mA"};

const std::string DeviceNetExample =
    "Slot\tModule\tInByNo dig.\tOutByNo dig.\tInByNo ana.\tOutByNo ana.\n"
    "1\tHB612\t1 ... 2\t1\t\t\n"
    "2\tKD108\t3\t\t\t\n"
    "3\tKD116\t4 ... 5\t\t\t\n"
    "4\tKD132\t6 ... 9\t\t\t\n"
    "5\tKD208\t\t2\t\t\n"
    "6\tKA104\t\t\t10 ... 17\t\n"
    "7\tKA108\t\t\t18 ... 33\t\n"
    "8\t\t\t\t\t\n"
    "Diag\tBytes\t34 ... 49\t\t\t\n";

const std::string CanOpenExample =
    "Slot\tModule\tTPDO/Byte dig\tRPDO/Byte dig\tTPDO/Byte ana\tRPDO/Byte ana\n"
    "1\tHB612\t1/1-2\t1/1\t\t\n"
    "2\tKD108\t1/3\t\t\t\n"
    "3\tKD116\t1/4-5\t\t\t\n"
    "4\tKD132\t1/6-8, 2/1\t\t\t\n"
    "5\tKD208\t\t1/2\t\t\n"
    "6\tKA104\t\t\t3/1 - 3/8\t\n"
    "7\tKA108\t\t\t4/1 - 5/8\t\n"
    "8\t\t\t\t\t\n"
    "Diag\tBytes\t7/1-8, 8/1-8\t\t\t\n";

struct CliRun
{
    int status;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args, const std::string& exeDir = StationDir)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCli(args, out, err, exeDir);
    return {status, out.str(), err.str()};
}

std::vector<std::string> withModules(std::vector<std::string> args,
                                     const std::vector<std::string>& modules)
{
    args.emplace_back("--module");
    args.insert(args.end(), modules.begin(), modules.end());
    return args;
}

struct TempDir
{
    fs::path path =
        fs::temp_directory_path() / ("quillon_cli_" + std::to_string(std::random_device()()));
    TempDir() { fs::create_directories(path); }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The worked example as a project file.
std::string exampleProject()
{
    ClusterTable slots;
    slots[0] = headRecord();
    slots[1] = ModuleInfo{"KD108.wmf", 1, 0, 0, 0, "OVN_KD108.eds", 3};
    slots[2] = ModuleInfo{"KD116.wmf", 2, 0, 0, 0, "OVN_KD116.eds", 3};
    slots[3] = ModuleInfo{"KD132.wmf", 4, 0, 0, 0, "OVN_KD132.eds", 3};
    slots[4] = ModuleInfo{"KD208.wmf", 0, 1, 0, 0, "OVN_KD208.eds", 2};
    slots[5] = ModuleInfo{"KA104.wmf", 0, 0, 8, 0, "OVN_KA104.eds", 6};
    slots[6] = ModuleInfo{"KA108.wmf", 0, 0, 16, 0, "OVN_KA108.eds", 10};
    return writeProjectText(slots);
}

TEST(CliIomap, WorkedExampleFromNamesModelNamesAndAProjectFile)
{
    for (const auto& [protocol, expected] :
         {std::pair{"devicenet", DeviceNetExample}, std::pair{"canopen", CanOpenExample}}) {
        const CliRun byName =
            run(withModules({"iomap", "--protocol", protocol, "--format", "tsv"}, ExampleModules));
        EXPECT_EQ(byName.status, 0) << byName.err;
        EXPECT_EQ(byName.out, expected);
        EXPECT_EQ(byName.err, "");
    }

    const CliRun byModel =
        run({"iomap", "--protocol=canopen", "--format", "tsv", "--module", "KD108", "kd116",
             "--module", "KD132", "--module", "KD208", "KA104", "KA108"});
    EXPECT_EQ(byModel.status, 0) << byModel.err;
    EXPECT_EQ(byModel.out, CanOpenExample);

    TempDir dir;
    writeBytes(dir / "example.edp", exampleProject());
    const CliRun byProject = run({"--ini", StationDir + "/Quillon.ini", "iomap", "--protocol",
                                  "canopen", "--project", dir / "example.edp", "--format", "tsv"});
    EXPECT_EQ(byProject.status, 0) << byProject.err;
    EXPECT_EQ(byProject.out, CanOpenExample);
}

TEST(CliIomap, TextFormatAlignsTheColumns)
{
    const CliRun text = run(withModules({"iomap", "--protocol", "canopen"}, ExampleModules));
    ASSERT_EQ(text.status, 0) << text.err;
    const std::vector<std::string> lines = splitLines(text.out);
    ASSERT_EQ(lines.size(), 10u);
    const auto column = lines[0].find("TPDO/Byte dig");
    ASSERT_NE(column, std::string::npos);
    EXPECT_EQ(lines[1].find("1/1-2"), column);
    EXPECT_EQ(lines[4].find("1/6-8, 2/1"), column);
    EXPECT_EQ(lines[9].find("7/1-8, 8/1-8"), column);
    EXPECT_EQ(lines[7].find("4/1 - 5/8"), lines[0].find("TPDO/Byte ana"));
    for (const std::string& line : lines)
        EXPECT_TRUE(line.empty() || line.back() != ' ') << "trailing blank in '" << line << "'";
}

TEST(CliIomap, LimitRefusalsShowTheWindowsMessage)
{
    struct Case
    {
        const char* protocol;
        std::vector<std::string> modules;
        std::string message;
    };
    const Case cases[] = {
        // CANopen allows 16 digital input bytes: 2 + 4 + 4 + 4 fit, the fourth KD132 does not.
        {"canopen", {"KD132", "KD132", "KD132", "KD132"}, "Number of digital inputs exceeded!\n"},
        {"canopen", {"KA108", "KA108", "KA108"}, "Number of analogue inputs exceeded!\n"},
        {"none", {"KD108"}, "Number of digital inputs exceeded!\n"},
        {"devicenet",
         {"KD208", "KD208", "KD208", "KD208", "KD208", "KD208", "KD208", "KD208"},
         "No more free slots!\n"},
    };
    for (const Case& c : cases) {
        const CliRun refused = run(withModules({"iomap", "--protocol", c.protocol}, c.modules));
        EXPECT_EQ(refused.status, 1) << c.message;
        EXPECT_EQ(refused.err, c.message);
        EXPECT_EQ(refused.out, "");
    }
    // Exactly at the limit is allowed.
    EXPECT_EQ(run({"iomap", "--protocol", "canopen", "--module", "KD132", "KD132", "KD132", "KD108",
                   "KD108"})
                  .status,
              0);
}

TEST(CliUsage, WrongUsageIsReportedWithStatusTwo)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"--bogus", "iomap"},
        {"--ini"},
        {"iomap", "--module", "KD108"},
        {"iomap", "--protocol"},
        {"iomap", "--protocol", "profibus", "--module", "KD108"},
        {"iomap", "--protocol", "canopen"},
        {"iomap", "--protocol", "canopen", "--module", "KD108", "--project", "x.edp"},
        {"iomap", "--protocol", "canopen", "--protocol", "canopen", "--module", "KD108"},
        {"iomap", "--protocol", "canopen", "--module", "KD108", "--format", "csv"},
        {"iomap", "--protocol", "canopen", "--module", "KD108", "--output", "x.eds"},
        {"iomap", "--protocol", "canopen", "--module", "KD999"},
        {"iomap", "stray", "--protocol", "canopen", "--module", "KD108"},
        {"generate", "--protocol", "none", "--module", "KD108", "--output", "x.eds"},
        {"generate", "--protocol", "canopen", "--module", "KD108"},
        {"generate", "--protocol", "canopen", "--module", "KD108", "--format", "tsv", "--output",
         "x.eds"},
    };
    for (const auto& args : wrong) {
        const CliRun r = run(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err.rfind("quillon-cli: ", 0), 0u) << line << "\n" << r.err;
    }
}

TEST(CliUsage, HelpAndVersion)
{
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("quillon-cli [--ini FILE] iomap --protocol devicenet|canopen|none "
                            "(--project FILE.edp | --module NAME...) [--format text|tsv]"),
              std::string::npos);
    EXPECT_NE(help.out.find("quillon-cli [--ini FILE] generate --protocol devicenet|canopen "
                            "(--project FILE.edp | --module NAME...) --output FILE.eds"),
              std::string::npos);
    EXPECT_EQ(help.err, "");

    const CliRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quillon-cli ", 0), 0u);

    const CliRun commandHelp = run({"iomap", "--help"});
    EXPECT_EQ(commandHelp.status, 0);
    EXPECT_NE(commandHelp.out.find("iomap --protocol"), std::string::npos);
}

TEST(CliInput, UnreadableInputIsStatusTwoAndAnEmptyProjectIsRefused)
{
    TempDir dir;
    const CliRun noIni =
        run({"--ini", dir / "missing.ini", "iomap", "--protocol", "canopen", "--module", "KD108"});
    EXPECT_EQ(noIni.status, 2);
    EXPECT_EQ(noIni.err.rfind("Ini-File not found or Resource-Files missing!\n", 0), 0u);

    // Nothing beside the "executable" either.
    EXPECT_EQ(run({"iomap", "--protocol", "canopen", "--module", "KD108"}, dir / "").status, 2);

    const CliRun missing =
        run({"iomap", "--protocol", "canopen", "--project", dir / "missing.edp"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing.edp"), std::string::npos);

    std::string broken = exampleProject();
    broken.replace(broken.find(" 16 "), 4, " 99999 ");
    writeBytes(dir / "broken.edp", broken);
    const CliRun brokenRun =
        run({"iomap", "--protocol", "canopen", "--project", dir / "broken.edp"});
    EXPECT_EQ(brokenRun.status, 2);
    EXPECT_NE(brokenRun.err.find("99999"), std::string::npos) << brokenRun.err;
    EXPECT_EQ(brokenRun.out, "");

    writeBytes(dir / "empty.edp", "");
    const CliRun empty = run({"iomap", "--protocol", "canopen", "--project", dir / "empty.edp"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, " File empty. Please try another one!\n");
    EXPECT_EQ(empty.out, "");
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

// The sample catalogue shipped with the program (settings file and templates), copied into
// `dir` as a program directory. Generation needs no pictures, but start-up and the catalogue
// clicks check that they are there, so any the copy lacks are stood in for.
std::string sampleProgramDir(const TempDir& dir)
{
    const std::string program = dir / "program";
    fs::create_directories(program);
    fs::copy_file(QUILLON_RESOURCES "/Quillon.ini", program + "/Quillon.ini");
    fs::copy(QUILLON_RESOURCES "/Resources", program + "/Resources", fs::copy_options::recursive);
    const std::string ini = readFileBytes(program + "/Quillon.ini").value_or("");
    for (std::size_t at = ini.find(".wmf"); at != std::string::npos;
         at = ini.find(".wmf", at + 1)) {
        const std::size_t start = ini.find_last_of("\"\n", at) + 1;
        const std::string picture = program + "/Resources/" + ini.substr(start, at + 4 - start);
        if (!fs::exists(picture))
            writeBytes(picture, "picture");
    }
    if (!fs::exists(program + "/Resources/HB612.wmf"))
        writeBytes(program + "/Resources/HB612.wmf", "picture");
    return program;
}

// The EDS the window's "Create EDS File and Save" writes for the same station at the same instant.
std::string windowEds(const std::string& programDir, FieldbusProtocol protocol,
                      const std::vector<std::string>& modules, const std::string& path,
                      long long epoch)
{
    Session s;
    s.programDir = programDir;
    s.iniPath = programDir + "/Quillon.ini";
    s.clock = [epoch]() { return utcFromEpoch(epoch); };
    test::ScriptedDialogs dialogs;
    EXPECT_TRUE(startUp(s, dialogs));
    ChooseProtocol(s, protocol);
    NewConfiguration(s, dialogs);
    for (const std::string& name : modules) {
        const auto it = std::find(s.view.catalogueNames.begin(), s.view.catalogueNames.end(), name);
        SelectCatalogueEntry(s, dialogs, static_cast<int>(it - s.view.catalogueNames.begin()));
        AddModule(s, dialogs);
    }
    dialogs.thenChooseFile(path);
    EXPECT_TRUE(GenerateEds(s, dialogs)) << (dialogs.details.empty() ? "" : dialogs.details.back());
    return readFileBytes(path).value_or("<not written>");
}

TEST(CliGenerate, WritesWhatTheWindowWrites)
{
    TempDir dir;
    const std::string program = sampleProgramDir(dir);
    const long long epoch = 1246395909; // 2009-06-30 21:05:09 UTC
    ScopedEnv sourceDate("SOURCE_DATE_EPOCH", std::to_string(epoch));
    const std::vector<std::string> modules = {"KD236  16 DI 24 V DC", "KD418  8 DO 24 V DC 0.5 A",
                                              "KA224  4 AI 0/4..20 mA", "KA424  4 AO 0/4..20 mA"};
    for (const char* protocol : {"devicenet", "canopen"}) {
        const std::string path = dir / (std::string(protocol) + ".eds");
        const CliRun r = run(
            withModules({"generate", "--protocol", protocol, "--output", path}, modules), program);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string fromCli = readFileBytes(path).value_or("<not written>");
        fs::remove(path);
        const auto chosen = std::string(protocol) == "devicenet" ? FieldbusProtocol::DeviceNet
                                                                 : FieldbusProtocol::CanOpen;
        EXPECT_EQ(fromCli, windowEds(program, chosen, modules, path, epoch)) << protocol;
        EXPECT_NE(fromCli.find("06-30-2009"), std::string::npos) << protocol;
        EXPECT_EQ(fromCli.substr(fromCli.size() - 2), "\r\n");
    }
}

TEST(CliGenerate, MissingTemplatesAreRefusedAndLeaveTheOldFile)
{
    TempDir dir;
    writeBytes(dir / "out.eds", "an older EDS");
    // The test station has pictures but no templates.
    const CliRun r = run(
        {"generate", "--protocol", "canopen", "--module", "KD108", "--output", dir / "out.eds"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("EDS-File creation not possible! Resource-Files missing!\n", 0), 0u)
        << r.err;
    EXPECT_EQ(readFileBytes(dir / "out.eds"), "an older EDS");
}

// The built program: arguments, output and exit status pass through main unchanged.
TEST(CliProgram, RunsAsAProcess)
{
    TempDir dir;
    std::string ini = readFileBytes(StationDir + "/Quillon.ini").value();
    ini.replace(ini.find("[Resourcepath]\r\n\r\n"), 18,
                "[Resourcepath]\r\n" + StationDir + "/Resources/\r\n");
    writeBytes(dir / "Quillon.ini", ini);

    const std::string command = std::string("'") + QUILLON_CLI_EXE + "' --ini '" +
                                (dir / "Quillon.ini") +
                                "' iomap --protocol devicenet --format tsv --module "
                                "KD108 KD116 KD132 KD208 KA104 KA108 >'" +
                                (dir / "out") + "' 2>'" + (dir / "err") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFileBytes(dir / "err").value_or("");
    EXPECT_EQ(readFileBytes(dir / "out"), DeviceNetExample);

    const int usage = std::system(
        (std::string("'") + QUILLON_CLI_EXE + "' iomap 2>/dev/null >/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(usage));
    EXPECT_EQ(WEXITSTATUS(usage), 2);
}
#endif

} // namespace
} // namespace quillon

namespace quillon {
namespace {

TEST(CliCheck, GeneratedFilesAreCleanAndABrokenOneIsReportedByLine)
{
    TempDir dir;
    const std::string program = sampleProgramDir(dir);
    const std::string eds = dir / "station.eds";
    ASSERT_EQ(run(withModules({"generate", "--protocol", "canopen", "--output", eds},
                              {"KD236", "KA224", "KA424"}),
                  program)
                  .status,
              0);
    const CliRun clean = run({"check", eds}, program);
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, eds + ": CANopen EDS, clean\n");

    // One more list entry than objects: the list's count no longer matches its entries.
    std::string text = readFileBytes(eds).value();
    const std::size_t at = text.find("[OptionalObjects]\r\nSupportedObjects=");
    ASSERT_NE(at, std::string::npos);
    const std::size_t number = at + std::string("[OptionalObjects]\r\nSupportedObjects=").size();
    const std::size_t end = text.find("\r\n", number);
    text.replace(number, end - number, std::to_string(std::stoi(text.substr(number)) + 1));
    writeBytes(eds, text);
    const CliRun broken = run({"check", eds}, program);
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.out.find(eds + ":"), std::string::npos);
    EXPECT_NE(broken.out.find("SupportedObjects"), std::string::npos) << broken.out;

    EXPECT_EQ(run({"check", dir / "missing.eds"}, program).status, 2);
    EXPECT_EQ(run({"check"}, program).status, 2);
    EXPECT_EQ(run({"check", "--resources", eds}, program).status, 2);
}

TEST(CliCheck, ResourcesAreGeneratedForEveryModuleAndChecked)
{
    TempDir dir;
    const std::string program = sampleProgramDir(dir);
    const CliRun good = run({"check", "--resources"}, program);
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("36 stations generated and checked"), std::string::npos) << good.out;

    // A template author forgets the data type of a module parameter: the stations with that
    // module say so.
    const std::string kd236 = program + "/Resources/OVN_KD236.eds";
    std::string text = readFileBytes(kd236).value();
    const std::size_t at = text.find("DataType=", text.find("[260Xsub1]"));
    ASSERT_NE(at, std::string::npos);
    text.erase(at, text.find("\r\n", at) + 2 - at);
    writeBytes(kd236, text);
    const CliRun bad = run({"check", "--resources"}, program);
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("canopen HB612+KD236"), std::string::npos) << bad.out;
    EXPECT_EQ(bad.out.find("devicenet HB612+KD236"), std::string::npos) << bad.out;
}

} // namespace
} // namespace quillon
