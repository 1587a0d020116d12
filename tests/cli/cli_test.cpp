#include <algorithm>
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
#include "core/item_reader.h"
#include "eds/generate.h"
#include "iomap/eds_export.h"
#include "params/parameter_table.h"
#include "tests/core/station_fixture.h"
#include "tests/fakes/golden.h"
#include "tests/fakes/scoped_env.h"
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

// Each command line's exit status and what it says: on standard error with nothing on standard
// output when it fails, on standard output when it succeeds. Lines run in the worked example's
// station (S), the program's own (P) or the scratch directory (D).
TEST_F(CliScratch, EachCommandLineHasItsStatusAndMessage)
{
    const std::tuple<char, const char*, int, const char*> cases[] = {
        {'S', "", 2, "no command given"},
        {'S', "frobnicate", 2, "unknown command 'frobnicate'"},
        {'S', "--bogus iomap", 2, "unknown option '--bogus'"},
        {'S', "--ini", 2, "option '--ini' needs a value"},
        {'S', "iomap --module KD108", 2, "--protocol is required (devicenet, canopen or none)"},
        {'S', "iomap --protocol", 2, "option '--protocol' needs a value"},
        {'S', "iomap --protocol profibus --module KD108", 2,
         "--protocol must be devicenet, canopen or none, not 'profibus'"},
        {'S', "iomap --protocol canopen", 2,
         "give the station with --project FILE.edp or --module NAME..."},
        {'S', "iomap --protocol canopen --module KD108 --project x.edp", 2,
         "give either --project or --module, not both"},
        {'S', "iomap --protocol canopen --protocol canopen --module KD108", 2,
         "option '--protocol' given more than once"},
        {'S', "iomap --protocol canopen --module KD108 --format csv", 2,
         "--format must be text, tsv or json, not 'csv'"},
        {'S', "iomap --protocol canopen --module KD108 --output x.eds", 2,
         "unknown option '--output'"},
        {'S', "iomap --protocol canopen --module KD999", 2,
         "no module 'KD999' in the catalogue of"},
        {'S', "iomap stray --protocol canopen --module KD108", 2, "unexpected argument 'stray'"},
        {'S', "generate --protocol none --module KD108 --output x.eds", 2,
         "--protocol must be devicenet or canopen, not 'none'"},
        {'S', "generate --protocol canopen --module KD108", 2,
         "--output FILE.eds is required ('-' for standard output)"},
        {'S', "generate --protocol canopen --module KD108 --format tsv --output x.eds", 2,
         "unknown option '--format'"},
        {'S', "check", 2, "give either EDS files or --resources"},
        {'S', "check --resources x.eds", 2, "give either EDS files or --resources"},
        {'S', "catalogue --format csv", 2, "--format must be text, tsv or json, not 'csv'"},
        {'S', "--help", 0,
         "iomap --protocol devicenet|canopen|none (--project FILE.edp | --module"},
        {'S', "--help", 0, "generate --protocol devicenet|canopen [--project FILE.edp | --module"},
        {'S', "iomap --help", 0, "Usage: quillon-cli [--ini FILE] iomap --protocol"},
        {'S', "--version", 0, "quillon-cli "},
        // CANopen allows 16 digital input bytes: 2 + 4 + 4 + 4 fit, the fourth KD132 does not.
        {'S', "iomap --protocol canopen --module KD132 KD132 KD132 KD132", 1,
         "quillon-cli: Number of digital inputs exceeded!\n"},
        {'S', "iomap --protocol canopen --module KD132 KD132 KD132 KD108 KD108", 0, "KD108"},
        {'S', "iomap --protocol canopen --module KA108 KA108 KA108", 1,
         "quillon-cli: Number of analogue inputs exceeded!\n"},
        {'S', "iomap --protocol none --module KD108", 1,
         "quillon-cli: Number of digital inputs exceeded!\n"},
        {'S', "iomap --protocol devicenet --module KD208 KD208 KD208 KD208 KD208 KD208 KD208 KD208",
         1, "quillon-cli: No more free slots!\n"},
        {'S', "--ini @/missing.ini iomap --protocol canopen --module KD108", 2,
         "Ini-File not found or Resource-Files missing!\n"},
        {'D', "iomap --protocol canopen --module KD108", 2,
         "Ini-File not found or Resource-Files missing!\n"},
        {'S', "iomap --protocol canopen --project @/missing.edp", 2, "missing.edp"},
        {'S', "iomap --protocol canopen --project @/broken.edp", 2, "99999"},
        {'S', "iomap --protocol canopen --project @/empty.edp", 1,
         " File empty. Please try another one!\n"},
        // The worked example's station has pictures but no templates.
        {'S', "generate --protocol canopen --module KD108 --output @/old.eds", 1,
         "EDS-File creation not possible! Resource-Files missing!\n"},
        {'S', "check @/missing.eds", 2, "missing.eds: cannot be read"},
        {'P', "params set @/st.eds", 0, ""},
#ifndef _WIN32
        {'P', "params set @/st.eds --value 1.3=5 --value 2.1=abc", 2,
         "quillon-cli: @/st.eds: --value 2.1=abc: 'abc' is neither a number"},
        {'P', "params set @/st.eds --value 1.3=5 2.1=12abc", 2,
         "--value 2.1=12abc: '12abc' is neither a number"},
        {'P', "params set @/st.eds --value 1.3=16#", 2, "'16#' is neither"},
        {'P', "params set @/st.eds --value 1.3=&H1G", 2, "'&H1G' is neither"},
        {'P', "params set @/st.eds --value 2.30=999", 2,
         "st.eds: --value 2.30=999: slot 2 has no parameter 30"},
        {'P', "params set @/st.eds --value 9.1=1", 2, "--value 9.1=1: there is no slot 9"},
        {'P', "params set @/st.eds --value 1.3=5 1.3=20000", 1,
         "st.eds: slot 1, parameter 3: 20000 is out of bounds 0..10000; nothing written\n"},
        {'P', "export @/st.eds", 1,
         "st.eds: SYCON.net-Path not found in registry. Cannot export EDS!"},
        {'P', "export @/st.eds --to @/missing", 1, "Export failed"},
        {'P', "export @/none.eds --to @", 2, "none.eds: cannot be read"},
        {'P', "export", 2, "export needs the EDS file"},
        {'P', "export @/st.eds --protocol none", 2, "--protocol must be devicenet or canopen"},
        {'P', "generate --protocol canopen --output @/missing/x.eds", 1,
         "quillon-cli: cannot write @/missing/x.eds: "},
        {'P', "params set @/st.eds --value 1.3=7 --output @/missing/x.eds", 1,
         "quillon-cli: cannot write @/missing/x.eds: "},
#endif
    };
    for (const auto& [where, line, status, message] : cases) {
        SCOPED_TRACE(line);
        const CliRun r = run(words(line, d), where == 'S'   ? StationDir
                                             : where == 'P' ? SampleDir
                                                            : d);
        EXPECT_EQ(r.status, status);
        EXPECT_NE((status == 0 ? r.out : r.err).find(at(message, d)), std::string::npos) << r.err;
        EXPECT_TRUE(status == 0 || r.out.empty()) << r.out;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
        // A failed write says why in one line.
        EXPECT_TRUE(std::string(message).rfind("quillon-cli: cannot write", 0) != 0 ||
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

} // namespace
} // namespace quillon
