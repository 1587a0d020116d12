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
#include "eds/generate.h"
#include "iomap/eds_export.h"
#include "tests/core/station_fixture.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"
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

// The worked example's station: six catalogue modules with their pictures, no templates.
const std::string StationDir = QUILLON_TEST_DATA "/cli";
// The program's own settings file and templates.
const std::string SampleDir = QUILLON_RESOURCES;
const std::string ExampleProject = StationDir + "/example.edp";
const std::string ExampleModules = " --module KD108 KD116 KD132 KD208 KA104 KA108";
const std::string DeviceNetExample =
    readFileBytes(StationDir + "/iomap_devicenet.tsv").value_or("");

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

[[maybe_unused]] std::string fileNameLine(const std::string& eds)
{
    const auto at = eds.find("FileName=");
    return at == std::string::npos ? "<none>" : eds.substr(at, eds.find('\r', at) - at);
}

// Modules by their names in the catalogue list as well as by model names.
TEST(CliIomap, TakesTheCatalogueNamesOfModules)
{
    const CliRun r = run({"iomap", "--protocol", "devicenet", "--format", "tsv", "--module",
                          "K310-KD108  8 digital inputs DC 24 V", "KD116", "KD132", "KD208",
                          "K310-KA104  4 analogue inputs 0..10 V", "KA108"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, DeviceNetExample);
}

// A scratch directory, "@" in command lines, holding a CANopen EDS of the head, KD236 and
// KA224 (st.eds), a copy with a line of junk in front (broken.eds), the files of
// tests/data/cli/scratch, and a settings file of two modules with a Latin-1 name.
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
        fs::copy(StationDir + "/scratch", d);
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

// tests/data/cli/commands.txt: each command line's exit status and what it says, on standard
// error with nothing on standard output when it fails, on standard output when it succeeds.
TEST_F(CliScratch, EachCommandLineHasItsStatusAndMessage)
{
    fs::remove("-");
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
            at(test::unescaped(expected.substr(std::min<std::size_t>(2, expected.size()))), d);
        EXPECT_EQ(r.status, status);
        EXPECT_NE((status == 0 ? r.out : r.err).find(message), std::string::npos) << r.err;
        EXPECT_TRUE(status == 0 || r.out.empty()) << r.out;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
        // A failed write says why in one line.
        EXPECT_TRUE(message.find("cannot write") == std::string::npos ||
                    std::count(r.err.begin(), r.err.end(), '\n') == 1)
            << r.err;
    }
    EXPECT_FALSE(fs::exists("-"));
    EXPECT_EQ(readFileBytes(d + "/old.eds"), "an older EDS");
    EXPECT_EQ(readFileBytes(d + "/st.eds"), eds);
    EXPECT_FALSE(fs::exists(d + "/none.eds"));
}

// The documents and tables the commands write, with the scratch directories shown as "@".
TEST_F(CliScratch, OutputsMatchTheirGoldenFiles)
{
    const std::tuple<std::string, std::string, int, const char*> outputs[] = {
        {StationDir, "iomap --protocol devicenet --format json" + ExampleModules, 0,
         "iomap_devicenet.json"},
        {StationDir, "iomap --protocol canopen" + ExampleModules, 0, "iomap_canopen.txt"},
        {StationDir,
         "iomap --protocol=canopen --format tsv --module KD108 kd116 --module KD132 --module "
         "KD208 KA104 KA108",
         0, "iomap_canopen.tsv"},
        {StationDir, "--ini " + StationDir + "/Quillon.ini iomap --protocol canopen --project -", 0,
         "iomap_canopen.txt"},
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
        const CliRun r = run(words(line, d), dir, readFileBytes(ExampleProject).value());
        EXPECT_EQ(r.status, status) << line << r.err;
        std::string out = r.out;
        for (const std::string& temporary : {d, catalogue.dir()}) {
            for (auto p = out.find(temporary); p != std::string::npos; p = out.find(temporary, p))
                out.replace(p, temporary.size(), "@");
        }
        test::expectGolden(out, StationDir + "/" + golden);
    }
}

TEST(CliCheck, ResourcesGeneratesTheHeadWithEachModuleForBothProtocolsAndChecksThem)
{
    TempStation dir;
    fs::copy_file(SampleDir + "/Quillon.ini", dir.iniPath());
    fs::copy(SampleDir + "/Resources", dir.dir() + "/Resources",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const CliRun good = run(words("check --resources"), dir.dir());
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("36 stations generated and checked"), std::string::npos) << good.out;
    // A module parameter without its data type spoils the CANopen station with that module.
    const std::string kd236 = dir.resources() + "OVN_KD236.eds";
    std::string broken = readFileBytes(kd236).value();
    const std::size_t type = broken.find("DataType=", broken.find("[260Xsub1]"));
    ASSERT_NE(type, std::string::npos);
    TempStation::writeFile(kd236, broken.erase(type, broken.find("\r\n", type) + 2 - type));
    const CliRun bad = run(words("check --resources --format json"), dir.dir());
    EXPECT_EQ(bad.status, 1);
    const auto report = nlohmann::json::parse(bad.out);
    EXPECT_EQ(report.value("stations", 0), 36);
    ASSERT_FALSE(report["problems"].empty());
    for (const auto& problem : report["problems"]) {
        EXPECT_EQ(problem.value("station", ""), "canopen HB612+KD236");
        EXPECT_GT(problem.value("line", 0), 0);
    }
}

#ifndef _WIN32
// The window's station over the program's own files, and the instant every EDS is dated with.
class CliAndWindow : public test::SampleStationTest
{
protected:
    static constexpr long long Epoch = 1246395909; // 2009-06-30 21:05:09 UTC
    test::ScopedEnv sourceDate{"SOURCE_DATE_EPOCH", std::to_string(Epoch)};
};

// What the window's "Create EDS File and Save" writes after the clicks of each script.
TEST_F(CliAndWindow, GenerateWritesWhatTheWindowWrites)
{
    const std::string path = station.dir() + "/station.eds";
    for (const auto& [protocol, modules, script] :
         {std::tuple{"devicenet", " --module KD236 KD418 KA224 KA424", "D +2 +5 +9 +13"},
          std::tuple{"canopen", " --module KD236 KD418 KA224 KA424", "C +2 +5 +9 +13"},
          std::tuple{"canopen", "", "C"}}) {
        restart();
        s.clock = [] { return utcFromEpoch(Epoch); };
        play(script);
        dialogs.thenChooseFile(path);
        ASSERT_TRUE(GenerateEds(s, dialogs)) << script;
        const std::string window = readFileBytes(path).value();
        fs::remove(path);
        const CliRun r =
            run(words(std::string("generate --output @ --protocol ") + protocol + modules, path),
                SampleDir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readFileBytes(path), window) << script;
        EXPECT_NE(window.find("06-30-2009"), std::string::npos) << script;
    }
}

// The built program: arguments, standard input and output and the exit status pass through main.
TEST(CliProgram, RunsAsAProcess)
{
    TempStation dir;
    const std::string exe =
        std::string("'") + QUILLON_CLI_EXE + "' --ini '" + StationDir + "/Quillon.ini' ";
    const std::string out = dir.dir() + "/out";
    const int status = std::system((exe + "iomap --protocol devicenet --format tsv --project - <'" +
                                    ExampleProject + "' >'" + out + "'")
                                       .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFileBytes(out), DeviceNetExample);
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

TEST_F(CliScratch, ExportCopiesTheEdsAndTheIconIntoTheFolderOfItsProtocol)
{
    ASSERT_EQ(run(words("generate --output @/d.eds --protocol devicenet", d), SampleDir).status, 0);
    for (const char* folder : {"to", "c", "d"})
        fs::create_directory(d + "/" + folder);
    TempStation::writeFile(d + "/registry.txt", std::string(CanOpenEdsPathValue) + "=" + d +
                                                    "/c\n" + DeviceNetEdsPathValue + "=" + d +
                                                    "/d\n");
    const test::ScopedEnv registry("QUILLON_REGISTRY_FILE", d + "/registry.txt");
    const std::tuple<const char*, const char*, const char*> exports[] = {
        {"export @/st.eds", "/c", "/st.eds"},
        {"export @/d.eds", "/d", "/d.eds"},
        {"export @/st.eds --protocol devicenet", "/d", "/st.eds"},
        {"export @/d.eds --to @/to/", "/to", "/d.eds"},
    };
    for (const auto& [line, folder, name] : exports) {
        const auto args = words(line, d);
        const CliRun r = run(args, SampleDir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFileBytes(d + folder + name), readFileBytes(args[1]));
        EXPECT_TRUE(fs::exists(d + folder + "/OVN_K310_HB612.ico"));
        EXPECT_NE(r.err.find(args[1] + ": EDS-File ..." + name + " and "), std::string::npos)
            << r.err;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
        fs::remove(d + folder + name);
    }
}
#endif

TEST(CliLocation, AnInstalledCopyReadsTheInstalledSettingsUnlessIniIsGiven)
{
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
    for (const auto& [ini, read] :
         {std::pair{std::string(), (data / "Quillon.ini").string()},
          std::pair{"--ini " + StationDir + "/Quillon.ini", StationDir + "/Quillon.ini"}}) {
        const CliRun r = run(words(ini + " catalogue --format json"), bin.string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out, nullptr, false).value("settings", "<none>"), read);
    }
    EXPECT_TRUE(fs::is_empty(bin));
}

} // namespace
} // namespace quillon
