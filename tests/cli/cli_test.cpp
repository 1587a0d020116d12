#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli_app.h"
#include "core/clock.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/program_location.h"
#include "eds/generate.h"
#include "iomap/eds_export.h"
#include "params/parameter_table.h"
#include "tests/core/station_fixture.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/golden.h"
#include "tests/fakes/scoped_env.h"
#include "tests/fakes/scoped_environment.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/temp_station.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::TempStation;

// A settings file whose catalogue holds the six modules of the I/O map's worked example, with
// the pictures start-up and the catalogue clicks look for.
const std::string StationDir = QUILLON_TEST_DATA "/cli";
// The program's own settings file and templates.
const std::string SampleDir = QUILLON_RESOURCES;
const std::vector<std::string> ExampleModules = {
    "K310-KD108  8 digital inputs DC 24 V",  "K310-KD116 16 digital inputs DC 24 V",
    "K310-KD132 32 digital inputs DC 24 V",  "K310-KD208  8 digital outputs DC 24 V 0.5 A",
    "K310-KA104  4 analogue inputs 0..10 V", "K310-KA108  8 analogue inputs 4..20 mA"};

// The worked example's I/O map, as the window's list shows it for each protocol.
const std::string DeviceNetExample =
    readFileBytes(StationDir + "/iomap_devicenet.tsv").value_or("");
const std::string CanOpenExample = readFileBytes(StationDir + "/iomap_canopen.tsv").value_or("");
// The worked example as a project file.
const std::string ExampleProject = StationDir + "/example.edp";

struct CliRun
{
    int status;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args, const std::string& exeDir = StationDir,
           const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCli(args, in, out, err, exeDir);
    return {status, out.str(), err.str()};
}

std::vector<std::string> withModules(std::vector<std::string> args,
                                     const std::vector<std::string>& modules)
{
    args.emplace_back("--module");
    args.insert(args.end(), modules.begin(), modules.end());
    return args;
}

// `text` with each "@" replaced by `dir`.
std::string at(std::string text, const std::string& dir)
{
    for (auto p = text.find('@'); p != std::string::npos; p = text.find('@', p + dir.size()))
        text.replace(p, 1, dir);
    return text;
}

// A command line split at its blanks, each "@" standing for the directory `dir`.
std::vector<std::string> words(const std::string& line, const std::string& dir = {})
{
    std::istringstream in(line);
    std::vector<std::string> args;
    for (std::string word; in >> word;)
        args.push_back(at(word, dir));
    return args;
}

// Every line a command writes to standard error starts with the program's name.
bool allPrefixed(const std::string& err)
{
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("quillon-cli: ", 0) != 0 && line.rfind("Try 'quillon-cli --help'", 0) != 0)
            return false;
    }
    return true;
}

// The FileName= line of an EDS.
[[maybe_unused]] std::string fileNameLine(const std::string& eds)
{
    const auto at = eds.find("FileName=");
    return at == std::string::npos ? "<none>" : eds.substr(at, eds.find('\r', at) - at);
}

TEST(CliIomap, WorkedExampleFromNamesModelNamesAndAProjectFile)
{
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {withModules(words("iomap --protocol devicenet --format tsv"), ExampleModules),
         DeviceNetExample},
        {withModules(words("iomap --protocol canopen --format tsv"), ExampleModules),
         CanOpenExample},
        {words("iomap --protocol=canopen --format tsv --module KD108 kd116 --module KD132 "
               "--module KD208 KA104 KA108"),
         CanOpenExample},
        {{"--ini", StationDir + "/Quillon.ini", "iomap", "--protocol", "canopen", "--project",
          ExampleProject, "--format", "tsv"},
         CanOpenExample}};
    for (const auto& [args, expected] : runs) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected) << ::testing::PrintToString(args);
        EXPECT_EQ(r.err, "");
    }
    // Plain text lines the columns up and leaves no trailing blanks.
    EXPECT_EQ(run(withModules(words("iomap --protocol canopen"), ExampleModules)).out,
              readFileBytes(StationDir + "/iomap_canopen.txt"));
}

// A scratch directory, "@" in command lines, holding a CANopen EDS of the head, KD236 and
// KA224 (st.eds), a copy with a line of junk in front (broken.eds), a project with a number out
// of range (broken.edp), an empty one, an older EDS, and a settings file of two modules with a
// Latin-1 name in a station of its own.
class CliScratch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(
            run(words("generate --protocol canopen --module KD236 KA224 --output @/st.eds", d),
                SampleDir)
                .status,
            0);
        eds = readFileBytes(d + "/st.eds").value();
        TempStation::writeFile(d + "/broken.eds", "junk\r\n" + eds);
        std::string project = readFileBytes(ExampleProject).value();
        TempStation::writeFile(d + "/broken.edp",
                               project.replace(project.find(" 16 "), 4, " 99999 "));
        TempStation::writeFile(d + "/empty.edp", "");
        TempStation::writeFile(d + "/old.eds", "an older EDS");
        // A project from someone else: a module's resource file names a file far outside the
        // resource folder, which generation once copied into the EDS.
        std::string hostile = readFileBytes(ExampleProject).value();
        hostile.replace(hostile.find("OVN_KD108.eds"), 13, "../../../../../../etc/passwd");
        TempStation::writeFile(d + "/hostile.edp", hostile);
        // Byte counts of two modules that cancel out: -32768 + 32767 once gave "Output1 ... -1".
        std::string cancelling = readFileBytes(ExampleProject).value();
        cancelling.replace(cancelling.find(" 0 ", cancelling.find("KD108.wmf\r\n")), 3, "-32768 ");
        cancelling.replace(cancelling.find(" 0 ", cancelling.find("KD116.wmf\r\n")), 3, " 32767 ");
        TempStation::writeFile(d + "/cancelling.edp", cancelling);
        // A file of nothing but line ends once took half a minute and gigabytes to show.
        TempStation::writeFile(d + "/huge.eds", std::string(EdsFileMaxBytes + 1, '\n'));
        catalogue.writeIni("[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\r\n\r\n"
                           "[Modules]\r\nK310-KD108  8 DI\r\nK310-KA108 \xB5"
                           "A inputs\r\n[ModulInfo]\r\n"
                           "\"KD108.wmf\",1,0,0,0,\"OVN_KD108.eds\",3\r\n"
                           "\"KA108.wmf\",0,0,16,0,\"OVN_KA108.eds\",10\r\n[End]\r\n");
    }

    TempStation scratch;
    const std::string d = scratch.dir();
    std::string eds;
    TempStation catalogue;
};

// Each command line of tests/data/cli/commands.txt: its exit status and what it says, on
// standard error with nothing on standard output when it fails, on standard output when it
// succeeds.
TEST_F(CliScratch, EachCommandLineHasItsStatusAndMessage)
{
    for (const auto& [command, expected] : test::readCases(StationDir + "/commands.txt")) {
        SCOPED_TRACE(command);
#ifdef _WIN32
        if (std::islower(command[0]))
            continue;
#endif
        const char where = static_cast<char>(std::toupper(command[0]));
        const CliRun r = run(words(command.substr(1), d), where == 'S'   ? StationDir
                                                          : where == 'P' ? SampleDir
                                                                         : d);
        const int status = std::stoi(expected);
        const std::string message =
            at(expected.substr(std::min<std::size_t>(2, expected.size())), d);
        EXPECT_EQ(r.status, status);
        EXPECT_NE((status == 0 ? r.out : r.err).find(message), std::string::npos) << r.err;
        EXPECT_TRUE(status == 0 || r.out.empty()) << r.out;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
        // A failed write says why in one line.
        EXPECT_TRUE(message.find("cannot write") == std::string::npos ||
                    std::count(r.err.begin(), r.err.end(), '\n') == 1)
            << r.err;
    }
    EXPECT_EQ(readFileBytes(d + "/old.eds"), "an older EDS");
    EXPECT_EQ(readFileBytes(d + "/st.eds"), eds);
    EXPECT_FALSE(fs::exists(d + "/none.eds"));
}

// The documents and tables the commands write, with the scratch directory shown as "@".
TEST_F(CliScratch, OutputsMatchTheirGoldenFiles)
{
    const std::tuple<std::string, const char*, int, const char*> outputs[] = {
        {StationDir,
         "iomap --protocol devicenet --format json --module KD108 KD116 KD132 KD208 KA104 KA108", 0,
         "iomap_devicenet.json"},
        {catalogue.dir(), "catalogue --format tsv", 0, "catalogue.tsv"},
        {catalogue.dir(), "catalogue", 0, "catalogue.txt"},
        {SampleDir, "params show @/st.eds --format tsv", 0, "params.tsv"},
        {SampleDir, "check @/st.eds @/broken.eds", 1, "check.txt"},
#ifndef _WIN32 // JSON escapes the separators of a Windows path
        {catalogue.dir(), "catalogue --format json", 0, "catalogue.json"},
        {SampleDir, "params show @/st.eds --format json", 0, "params.json"},
        {SampleDir, "check @/st.eds @/broken.eds @/none.eds --format=json", 2, "check.json"},
#endif
    };
    for (const auto& [dir, line, status, golden] : outputs) {
        const CliRun r = run(words(line, d), dir);
        EXPECT_EQ(r.status, status) << line << r.err;
        std::string out = r.out;
        for (const std::string& temporary : {d, catalogue.dir()}) {
            for (auto p = out.find(temporary); p != std::string::npos; p = out.find(temporary, p))
                out.replace(p, temporary.size(), "@");
        }
        test::expectGolden(out, StationDir + "/" + golden);
    }
}

TEST(CliCheck, ResourcesAreGeneratedForEveryModuleAndChecked)
{
    TempStation dir;
    // Every catalogue module with the head, for both protocols: a template author forgets the
    // data type of a module parameter, and the stations with that module say so.
    fs::copy_file(SampleDir + "/Quillon.ini", dir.iniPath());
    fs::copy(SampleDir + "/Resources", dir.dir() + "/Resources",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const CliRun good = run({"check", "--resources"}, dir.dir());
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("36 stations generated and checked"), std::string::npos) << good.out;
    const std::string kd236 = dir.resources() + "OVN_KD236.eds";
    std::string broken = readFileBytes(kd236).value();
    const std::size_t type = broken.find("DataType=", broken.find("[260Xsub1]"));
    ASSERT_NE(type, std::string::npos);
    TempStation::writeFile(kd236, broken.erase(type, broken.find("\r\n", type) + 2 - type));
    const CliRun bad = run({"check", "--resources"}, dir.dir());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("canopen HB612+KD236"), std::string::npos) << bad.out;
    EXPECT_EQ(bad.out.find("devicenet HB612+KD236"), std::string::npos) << bad.out;
    const auto report =
        nlohmann::json::parse(run(words("check --resources --format json"), dir.dir()).out);
    EXPECT_EQ(report.value("stations", 0), 36);
    EXPECT_EQ(report.value("clean", true), false);
    ASSERT_FALSE(report["problems"].empty());
    EXPECT_EQ(report["problems"][0].value("station", ""), "canopen HB612+KD236");
    EXPECT_GT(report["problems"][0].value("line", 0), 0);
}

#ifndef _WIN32
// The window's station over the program's own files, and the instant every EDS is dated with.
class CliAndWindow : public test::SampleStationTest
{
protected:
    // The EDS the window's "Create EDS File and Save" writes after the clicks of `script`.
    std::string windowEds(const std::string& script, const std::string& path)
    {
        s.clock = [] { return utcFromEpoch(Epoch); };
        play(script);
        dialogs.thenChooseFile(path);
        EXPECT_TRUE(GenerateEds(s, dialogs))
            << (dialogs.details.empty() ? "" : dialogs.details.back());
        const std::string written = readFileBytes(path).value_or("<not written>");
        fs::remove(path);
        return written;
    }

    static constexpr long long Epoch = 1246395909; // 2009-06-30 21:05:09 UTC
    test::ScopedEnv sourceDate{"SOURCE_DATE_EPOCH", std::to_string(Epoch)};
};

TEST_F(CliAndWindow, GenerateWritesWhatTheWindowWrites)
{
    const std::vector<std::string> modules = {"KD236  16 DI 24 V DC", "KD418  8 DO 24 V DC 0.5 A",
                                              "KA224  4 AI 0/4..20 mA", "KA424  4 AO 0/4..20 mA"};
    for (const auto& [protocol, script] :
         {std::pair{"devicenet", "D +2 +5 +9 +13"}, std::pair{"canopen", "C +2 +5 +9 +13"}}) {
        const std::string path = station.dir() + "/" + protocol + ".eds";
        const CliRun r =
            run(withModules({"generate", "--protocol", protocol, "--output", path}, modules),
                SampleDir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string fromCli = readFileBytes(path).value_or("<not written>");
        EXPECT_EQ(fromCli, windowEds(script, path)) << protocol;
        EXPECT_NE(fromCli.find("06-30-2009"), std::string::npos) << protocol;
    }
}

TEST_F(CliAndWindow, ProjectFromStandardInputEdsToStandardOutputAndTheHeadAlone)
{
    EXPECT_EQ(run(words("iomap --protocol canopen --format tsv --project -"), StationDir,
                  readFileBytes(ExampleProject).value())
                  .out,
              CanOpenExample);

    const std::string path = station.dir() + "/head.eds";
    const std::string head = windowEds("C", path);
    const CliRun alone = run(words("generate --protocol canopen --output " + path), SampleDir);
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(readFileBytes(path), head);

    std::string piped = head;
    piped.replace(piped.find(fileNameLine(head)), fileNameLine(head).size(), "FileName=");
    fs::remove("-");
    for (const char* output : {"-", "/dev/stdout"}) {
        const CliRun r = run({"generate", "--protocol", "canopen", "--output", output}, SampleDir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, piped) << output;
        const CliRun set =
            run({"params", "set", path, "--value", "1.3=7", "--output", output}, SampleDir);
        EXPECT_EQ(set.status, 0) << set.err;
        EXPECT_NE(set.out.find("FileName=\r\n"), std::string::npos) << output;
        EXPECT_NE(set.out.find("DefaultValue=7\r\n"), std::string::npos) << output;
    }
    EXPECT_FALSE(fs::exists("-"));
    EXPECT_EQ(readFileBytes(path), head);
}

// The built program: arguments, output, standard input and exit status pass through main.
TEST(CliProgram, RunsAsAProcess)
{
    TempStation dir;
    std::string ini = readFileBytes(StationDir + "/Quillon.ini").value();
    ini.replace(ini.find("[Resourcepath]\r\n\r\n"), 18,
                "[Resourcepath]\r\n" + StationDir + "/Resources/\r\n");
    dir.writeIni(ini);
    const std::string exe = std::string("'") + QUILLON_CLI_EXE + "' --ini '" + dir.iniPath() + "' ";
    const std::string out = dir.dir() + "/out";
    for (const std::string& args :
         {std::string("iomap --protocol devicenet --format tsv --module KD108 KD116 "
                      "KD132 KD208 KA104 KA108"),
          "iomap --protocol devicenet --format tsv --project - <'" + ExampleProject + "'"}) {
        const int status = std::system((exe + args + " >'" + out + "'").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args;
        EXPECT_EQ(readFileBytes(out), DeviceNetExample) << args;
    }
    const int usage = std::system((exe + "iomap 2>/dev/null >/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(usage) && WEXITSTATUS(usage) == 2);
}

// Runs a test in another working directory.
struct WorkingDirectory
{
    explicit WorkingDirectory(const fs::path& dir) : previous(fs::current_path())
    {
        fs::current_path(dir);
    }
    ~WorkingDirectory() { fs::current_path(previous); }
    fs::path previous;
};

TEST_F(CliScratch, ParamsTakeNumbersOrChoicesAndFilesNameThemselvesInFull)
{
    const WorkingDirectory cwd(d);
    EXPECT_EQ(fileNameLine(eds), "FileName=" + (fs::current_path() / "st.eds").string());
    const CliRun taken = run(words("params set st.eds --value 1.3=16#1F 1.9=&H5 2.3=-0 --output "
                                   "./out.eds"),
                             SampleDir);
    ASSERT_EQ(taken.status, 0) << taken.err;
    ASSERT_EQ(run({"params", "set", "out.eds", "--value", "2.1=15 ms"}, SampleDir).status, 0);
    test::expectGolden(run(words("params show out.eds --format tsv"), SampleDir).out,
                       StationDir + "/params_set.tsv");
    EXPECT_EQ(fileNameLine(readFileBytes("out.eds").value()),
              "FileName=" + (fs::current_path() / "out.eds").string());
}

TEST(CliExport, CopiesTheEdsAndTheIconIntoTheFolderOfItsProtocol)
{
    TempStation dir;
    const std::string d = dir.dir();
    ASSERT_EQ(run(words("generate --protocol canopen --output @/co.eds", d), SampleDir).status, 0);
    ASSERT_EQ(run(words("generate --protocol devicenet --output @/dn.eds", d), SampleDir).status,
              0);
    for (const char* folder : {"to", "co", "dn"})
        fs::create_directory(d + "/" + folder);
    TempStation::writeFile(d + "/registry.txt", std::string(CanOpenEdsPathValue) + "=" + d +
                                                    "/co\n" + DeviceNetEdsPathValue + "=" + d +
                                                    "/dn\n");
    const test::ScopedEnv registry("QUILLON_REGISTRY_FILE", d + "/registry.txt");
    const std::tuple<const char*, const char*, const char*> exports[] = {
        {"export @/co.eds", "/co", "/co.eds"},
        {"export @/dn.eds", "/dn", "/dn.eds"},
        {"export @/co.eds --protocol devicenet", "/dn", "/co.eds"},
        {"export @/dn.eds --to @/to/", "/to", "/dn.eds"},
    };
    for (const auto& [line, folder, name] : exports) {
        const auto args = words(line, d);
        const CliRun r = run(args, SampleDir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFileBytes(d + folder + name), readFileBytes(args[1]));
        EXPECT_EQ(readFileBytes(d + folder + "/OVN_K310_HB612.ico"),
                  readFileBytes(SampleDir + "/Resources/OVN_K310_HB612.ico"));
        EXPECT_NE(r.err.find("quillon-cli: " + args[1] + ": EDS-File ..." + name +
                             " and Icon-File...\\OVN_K310_HB612.ico exported to " + d + folder +
                             "\n"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
        fs::remove(d + folder + name);
    }
}
#endif

TEST(CliLocation, AnInstalledCopyReadsThePersonsOrTheInstalledSettingsAndIniStillWins)
{
    // usr/bin without a settings file, the station's files in usr/share/quillon.
    test::ScratchDir scratch("quillon-cli-installed");
    const fs::path bin = scratch.path() / "usr" / "bin";
    const fs::path data = scratch.path() / "usr" / "share" / "quillon";
    fs::create_directories(bin);
    fs::create_directories(data);
    fs::copy(StationDir, data, fs::copy_options::recursive);
    test::ScopedEnvironment environment;
    environment.set("HOME", (scratch.path() / "home").string());
    environment.set("XDG_CONFIG_HOME", (scratch.path() / "config").string());
    environment.set("APPDATA", (scratch.path() / "config").string());
    const std::string own = platformUserFolders().settings + PathSeparator + "Quillon.ini";

    const auto settingsRead = [&bin](const std::vector<std::string>& args) {
        const CliRun r = run(args, bin.string());
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false).value("settings", "<none>");
    };
    EXPECT_EQ(settingsRead({"catalogue", "--format", "json"}), (data / "Quillon.ini").string());
    // The pictures come from the installed resources.
    const CliRun map = run({"iomap", "--protocol", "canopen", "--module", "KD108"}, bin.string());
    EXPECT_EQ(map.status, 0) << map.err;
    EXPECT_NE(map.out.find("KD108"), std::string::npos);

    fs::create_directories(fs::path(own).parent_path());
    fs::copy_file(StationDir + "/Quillon.ini", own);
    EXPECT_EQ(settingsRead({"catalogue", "--format", "json"}), own);
    EXPECT_EQ(settingsRead({"--ini", StationDir + "/Quillon.ini", "catalogue", "--format", "json"}),
              StationDir + "/Quillon.ini");
    // Nothing was written beside the installed program.
    EXPECT_TRUE(fs::is_empty(bin));
}

} // namespace
} // namespace quillon
