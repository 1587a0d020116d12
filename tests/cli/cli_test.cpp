#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli_app.h"
#include "core/clock.h"
#include "core/cluster.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/program_location.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/types.h"
#include "eds/eds_check.h"
#include "eds/generate.h"
#include "iomap/eds_export.h"
#include "params/parameter_table.h"
#include "tests/fakes/scoped_environment.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/scripted_dialogs.h"
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

// A command line without paths, split at its blanks.
std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

TEST(CliIomap, WorkedExampleFromNamesModelNamesAndAProjectFile)
{
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {withModules({"iomap", "--protocol", "devicenet", "--format", "tsv"}, ExampleModules),
         DeviceNetExample},
        {withModules({"iomap", "--protocol", "canopen", "--format", "tsv"}, ExampleModules),
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
    EXPECT_EQ(run(withModules({"iomap", "--protocol", "canopen"}, ExampleModules)).out,
              readFileBytes(StationDir + "/iomap_canopen.txt"));
}

TEST(CliIomap, LimitRefusalsShowTheWindowsMessage)
{
    const std::pair<const char*, std::string> cases[] = {
        // CANopen allows 16 digital input bytes: 2 + 4 + 4 + 4 fit, the fourth KD132 does not.
        {"canopen --module KD132 KD132 KD132 KD132", "Number of digital inputs exceeded!\n"},
        {"canopen --module KD132 KD132 KD132 KD108 KD108", ""}, // exactly at the limit
        {"canopen --module KA108 KA108 KA108", "Number of analogue inputs exceeded!\n"},
        {"none --module KD108", "Number of digital inputs exceeded!\n"},
        {"devicenet --module KD208 KD208 KD208 KD208 KD208 KD208 KD208 KD208",
         "No more free slots!\n"}};
    for (const auto& [line, message] : cases) {
        const CliRun r = run(words(std::string("iomap --protocol ") + line));
        EXPECT_EQ(r.status, message.empty() ? 0 : 1) << line;
        EXPECT_EQ(r.err, message.empty() ? "" : "quillon-cli: " + message);
        EXPECT_EQ(r.out.empty(), !message.empty());
    }
}

TEST(CliUsage, WrongUsageIsStatusTwoAndHelpIsNot)
{
    const char* wrong[] = {"",
                           "frobnicate",
                           "--bogus iomap",
                           "--ini",
                           "iomap --module KD108",
                           "iomap --protocol",
                           "iomap --protocol profibus --module KD108",
                           "iomap --protocol canopen",
                           "iomap --protocol canopen --module KD108 --project x.edp",
                           "iomap --protocol canopen --protocol canopen --module KD108",
                           "iomap --protocol canopen --module KD108 --format csv",
                           "iomap --protocol canopen --module KD108 --output x.eds",
                           "iomap --protocol canopen --module KD999",
                           "iomap stray --protocol canopen --module KD108",
                           "generate --protocol none --module KD108 --output x.eds",
                           "generate --protocol canopen --module KD108",
                           "generate --protocol canopen --module KD108 --format tsv --output x.eds",
                           "check",
                           "check --resources x.eds"};
    for (const char* line : wrong) {
        const CliRun r = run(words(line));
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err.rfind("quillon-cli: ", 0), 0u) << line << "\n" << r.err;
    }

    const std::pair<const char*, const char*> help[] = {
        {"--help", "iomap --protocol devicenet|canopen|none (--project FILE.edp | --module"},
        {"--help", "generate --protocol devicenet|canopen [--project FILE.edp | --module"},
        {"iomap --help", "iomap --protocol"},
        {"--version", "quillon-cli "}};
    for (const auto& [line, shown] : help) {
        const CliRun r = run(words(line));
        EXPECT_EQ(r.status, 0) << line;
        EXPECT_NE(r.out.find(shown), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST(CliInput, UnreadableInputIsStatusTwoAndMissingTemplatesOrAnEmptyProjectAreRefused)
{
    TempStation dir;
    const std::string tmp = dir.dir() + "/";
    std::string broken = readFileBytes(ExampleProject).value();
    broken.replace(broken.find(" 16 "), 4, " 99999 ");
    TempStation::writeFile(tmp + "broken.edp", broken);
    TempStation::writeFile(tmp + "empty.edp", "");
    TempStation::writeFile(tmp + "old.eds", "an older EDS");
    // A project from someone else: a module's resource file names a file far outside the
    // resource folder, which generation once copied into the EDS.
    std::string hostile = readFileBytes(ExampleProject).value();
    hostile.replace(hostile.find("OVN_KD108.eds"), 13, "../../../../../../etc/passwd");
    TempStation::writeFile(tmp + "hostile.edp", hostile);
    // Byte counts of two modules that cancel out: -32768 + 32767 once gave "Output1 ... -1".
    std::string cancelling = readFileBytes(ExampleProject).value();
    const auto kd108 = cancelling.find("KD108.wmf\r\n");
    cancelling.replace(cancelling.find(" 0 ", kd108), 3, "-32768 ");
    cancelling.replace(cancelling.find(" 0 ", cancelling.find("KD116.wmf\r\n")), 3, " 32767 ");
    TempStation::writeFile(tmp + "cancelling.edp", cancelling);
    // A file of nothing but line ends once took half a minute and gigabytes to show.
    TempStation::writeFile(tmp + "huge.eds", std::string(EdsFileMaxBytes + 1, '\n'));
    auto fromProject = [&tmp](const char* name) {
        return run({"iomap", "--protocol", "canopen", "--project", tmp + name});
    };

    const std::tuple<CliRun, int, std::string> cases[] = {
        {run({"--ini", tmp + "missing.ini", "iomap", "--protocol", "canopen", "--module", "KD108"}),
         2, "Ini-File not found or Resource-Files missing!\n"},
        {run({"iomap", "--protocol", "canopen", "--module", "KD108"}, dir.dir()), 2,
         "Ini-File not found or Resource-Files missing!\n"},
        {fromProject("missing.edp"), 2, "missing.edp"},
        {fromProject("broken.edp"), 2, "99999"},
        {fromProject("empty.edp"), 1, " File empty. Please try another one!\n"},
        {run({"generate", "--protocol", "devicenet", "--project", tmp + "hostile.edp", "--output",
              tmp + "old.eds"}),
         2, "line 13: the resource file name \"../../../../../../etc/passwd\" is no plain file"},
        {run({"generate", "--protocol", "devicenet", "--project", tmp + "cancelling.edp",
              "--output", tmp + "old.eds"}),
         1, "The module in slot 2 has a negative digital output byte count (-32768)."},
        {run({"params", "show", tmp + "huge.eds"}), 2,
         "quillon-cli: " + tmp + "huge.eds: cannot be read: is larger than 4 MiB\n"},
        // The test station has pictures but no templates.
        {run({"generate", "--protocol", "canopen", "--module", "KD108", "--output",
              tmp + "old.eds"}),
         1, "EDS-File creation not possible! Resource-Files missing!\n"},
    };
    for (const auto& [r, status, message] : cases) {
        EXPECT_EQ(r.status, status) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(readFileBytes(tmp + "old.eds"), "an older EDS");
}

#ifndef _WIN32
// Fixes the instant the generator writes into the file, for one test.
struct FixedSourceDate
{
    explicit FixedSourceDate(long long epoch)
    {
        ::setenv("SOURCE_DATE_EPOCH", std::to_string(epoch).c_str(), 1);
    }
    ~FixedSourceDate() { ::unsetenv("SOURCE_DATE_EPOCH"); }
};

// The EDS the window's "Create EDS File and Save" writes for the same station at the same instant.
std::string windowEds(FieldbusProtocol protocol, const std::vector<std::string>& modules,
                      const std::string& path, long long epoch)
{
    Session s;
    s.programDir = SampleDir;
    s.iniPath = SampleDir + "/Quillon.ini";
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
    const std::string written = readFileBytes(path).value_or("<not written>");
    const CheckReport report = checkEds(written);
    EXPECT_TRUE(report.clean()) << formatReport(report, path);
    return written;
}

TEST(CliGenerate, WritesWhatTheWindowWrites)
{
    TempStation dir;
    const long long epoch = 1246395909; // 2009-06-30 21:05:09 UTC
    const FixedSourceDate sourceDate(epoch);
    const std::vector<std::string> modules = {"KD236  16 DI 24 V DC", "KD418  8 DO 24 V DC 0.5 A",
                                              "KA224  4 AI 0/4..20 mA", "KA424  4 AO 0/4..20 mA"};
    for (const auto& [protocol, chosen] : {std::pair{"devicenet", FieldbusProtocol::DeviceNet},
                                           std::pair{"canopen", FieldbusProtocol::CanOpen}}) {
        const std::string path = dir.dir() + "/" + protocol + ".eds";
        const CliRun r =
            run(withModules({"generate", "--protocol", protocol, "--output", path}, modules),
                SampleDir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string fromCli = readFileBytes(path).value_or("<not written>");
        fs::remove(path);
        EXPECT_EQ(fromCli, windowEds(chosen, modules, path, epoch)) << protocol;
        EXPECT_NE(fromCli.find("06-30-2009"), std::string::npos) << protocol;
    }
}

// The built program: arguments, output and exit status pass through main unchanged.
TEST(CliProgram, RunsAsAProcess)
{
    TempStation dir;
    std::string ini = readFileBytes(StationDir + "/Quillon.ini").value();
    ini.replace(ini.find("[Resourcepath]\r\n\r\n"), 18,
                "[Resourcepath]\r\n" + StationDir + "/Resources/\r\n");
    dir.writeIni(ini);
    const std::string exe = std::string("'") + QUILLON_CLI_EXE + "'";
    const std::string out = dir.dir() + "/out";
    const std::string err = dir.dir() + "/err";
    const int status = std::system((exe + " --ini '" + dir.iniPath() +
                                    "' iomap --protocol devicenet --format tsv --module KD108 "
                                    "KD116 KD132 KD208 KA104 KA108 >'" +
                                    out + "' 2>'" + err + "'")
                                       .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFileBytes(err).value_or("");
    EXPECT_EQ(readFileBytes(out), DeviceNetExample);

    // Standard input is the process's own.
    const int piped = std::system((exe + " --ini '" + dir.iniPath() +
                                   "' iomap --protocol devicenet --format tsv --project - <'" +
                                   ExampleProject + "' >'" + out + "'")
                                      .c_str());
    EXPECT_TRUE(WIFEXITED(piped) && WEXITSTATUS(piped) == 0);
    EXPECT_EQ(readFileBytes(out), DeviceNetExample);

    const int usage = std::system((exe + " iomap 2>/dev/null >/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(usage));
    EXPECT_EQ(WEXITSTATUS(usage), 2);
}
#endif

TEST(CliCheck, AGeneratedFileIsCleanAndABrokenOneIsReportedByLine)
{
    TempStation dir;
    const std::string eds = dir.dir() + "/station.eds";
    const CliRun generated =
        run(withModules({"generate", "--protocol", "canopen", "--output", eds}, {"KD236", "KA224"}),
            SampleDir);
    ASSERT_EQ(generated.status, 0) << generated.err;
    const CliRun clean = run({"check", eds});
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, eds + ": CANopen EDS, clean\n");

    TempStation::writeFile(eds, "junk\r\n" + readFileBytes(eds).value());
    const CliRun broken = run({"check", eds});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, eds +
                              ":1: 'junk' is neither a [section], a key=value entry nor a "
                              "comment\n" +
                              eds + ": CANopen EDS, 1 finding\n");
    EXPECT_EQ(run({"check", dir.dir() + "/missing.eds"}).status, 2);
}

TEST(CliCheck, ResourcesAreGeneratedForEveryModuleAndChecked)
{
    TempStation dir;
    fs::copy_file(SampleDir + "/Quillon.ini", dir.iniPath());
    fs::copy(SampleDir + "/Resources", dir.dir() + "/Resources",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const CliRun good = run({"check", "--resources"}, dir.dir());
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("36 stations generated and checked"), std::string::npos) << good.out;

    // A template author forgets the data type of a module parameter: the stations with that
    // module say so.
    const std::string kd236 = dir.resources() + "OVN_KD236.eds";
    std::string text = readFileBytes(kd236).value();
    const std::size_t at = text.find("DataType=", text.find("[260Xsub1]"));
    ASSERT_NE(at, std::string::npos);
    TempStation::writeFile(kd236, text.erase(at, text.find("\r\n", at) + 2 - at));
    const CliRun bad = run({"check", "--resources"}, dir.dir());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("canopen HB612+KD236"), std::string::npos) << bad.out;
    EXPECT_EQ(bad.out.find("devicenet HB612+KD236"), std::string::npos) << bad.out;

    const auto json =
        nlohmann::json::parse(run(words("check --resources --format json"), dir.dir()).out);
    EXPECT_EQ(json["stations"], 36);
    EXPECT_EQ(json["clean"], false);
    ASSERT_FALSE(json["problems"].empty());
    EXPECT_EQ(json["problems"][0]["station"], "canopen HB612+KD236");
    EXPECT_GT(json["problems"][0]["line"], 0);
}

// Every line a command writes to standard error starts with the program's name.
[[maybe_unused]] bool allPrefixed(const std::string& err)
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

TEST(CliCatalogue, ListsTheHeadAndEveryEntryInEachFormat)
{
    TempStation dir;
    dir.writeIni("[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\r\n\r\n[Modules]\r\n"
                 "K310-KD108  8 DI\r\nK310-KA108 \xB5"
                 "A inputs\r\n[ModulInfo]\r\n"
                 "\"KD108.wmf\",1,0,0,0,\"OVN_KD108.eds\",3\r\n"
                 "\"KA108.wmf\",0,0,16,0,\"OVN_KA108.eds\",10\r\n[End]\r\n");
    const CliRun tsv = run(words("catalogue --format tsv"), dir.dir());
    EXPECT_EQ(tsv.status, 0) << tsv.err;
    EXPECT_EQ(tsv.out, "entry\tmodel\tname\tdigital_inputs\tdigital_outputs\tanalog_inputs\t"
                       "analog_outputs\tresource_file\tpicture_file\tparameters\n"
                       "head\tHB612\t\t2\t1\t0\t0\tOVN_HB612.eds\tHB612.wmf\t11\n"
                       "1\tKD108\tK310-KD108  8 DI\t1\t0\t0\t0\tOVN_KD108.eds\tKD108.wmf\t3\n"
                       "2\tKA108\tK310-KA108 \xB5"
                       "A inputs\t0\t0\t16\t0\tOVN_KA108.eds\tKA108.wmf\t10\n");

    const auto json = nlohmann::json::parse(run(words("catalogue --format json"), dir.dir()).out);
    EXPECT_EQ(json["head"]["model"], "HB612");
    EXPECT_EQ(json["head"]["parameters"], 11);
    ASSERT_EQ(json["modules"].size(), 2u);
    EXPECT_EQ(json["modules"][1]["name"], "K310-KA108 \u00B5A inputs"); // Latin-1 read as such
    EXPECT_EQ(json["modules"][1]["analog_inputs"], 16);
    EXPECT_EQ(json["modules"][1]["entry"], 2);

    const CliRun text = run(words("catalogue"), dir.dir());
    EXPECT_EQ(text.out.substr(0, text.out.find('\n')),
              "Entry  Model  Name                  DI  DO  AI  AO  Resource file  Picture file  "
              "Parameters");
    EXPECT_EQ(run(words("catalogue --format csv"), dir.dir()).status, 2);
}

TEST(CliJson, DocumentsCarryWhatTheTablesShow)
{
    // The I/O map: cell for cell the grid of the tab-separated form.
    const auto map = nlohmann::json::parse(
        run(withModules({"iomap", "--protocol", "devicenet", "--format", "json"}, ExampleModules))
            .out);
    std::vector<std::vector<std::string>> grid;
    std::istringstream lines(DeviceNetExample);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cells(line + "\t");
        grid.emplace_back();
        for (std::string cell; std::getline(cells, cell, '\t');)
            grid.back().push_back(cell);
    }
    ASSERT_EQ(grid.size(), 10u);
    EXPECT_EQ(map["protocol"], "devicenet");
    EXPECT_EQ(map["columns"], grid[0]);
    EXPECT_EQ(map["diagnosis"], grid[9][2]);
    const char* kinds[] = {"digital_inputs", "digital_outputs", "analog_inputs", "analog_outputs"};
    for (std::size_t row = 1; row <= 8; ++row) {
        const auto& slot = map["slots"][row - 1];
        EXPECT_EQ(slot["slot"], row);
        EXPECT_EQ(slot["module"], grid[row][1]);
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(slot[kinds[k]], grid[row][k + 2]) << row << " " << kinds[k];
    }

    // The parameters: the tab-separated form has a header, the document the same values.
    TempStation dir;
    const std::string eds = dir.dir() + "/station.eds";
    ASSERT_EQ(
        run(words("generate --protocol canopen --module KD236 KA224 --output " + eds), SampleDir)
            .status,
        0);
    const std::string tsv = run({"params", "show", eds, "--format", "tsv"}, SampleDir).out;
    ASSERT_EQ(tsv.rfind(ParameterTsvHeader, 0), 0u) << tsv;
    const auto params =
        nlohmann::json::parse(run({"params", "show", eds, "--format", "json"}, SampleDir).out);
    std::string fromJson = ParameterTsvHeader;
    for (const auto& slot : params["slots"]) {
        for (const auto& p : slot["parameters"]) {
            std::string choices;
            for (const auto& c : p["choices"])
                choices += (choices.empty() ? "" : "|") + c["text"].get<std::string>();
            fromJson += slot["slot"].dump() + "\t" + p["parameter"].dump() + "\t" +
                        p["name"].get<std::string>() + "\t" + p["value"].get<std::string>() + "\t" +
                        p["default"].get<std::string>() + "\t" + p["minimum"].dump() + "\t" +
                        p["maximum"].dump() + "\t" + choices + "\n";
        }
    }
    EXPECT_EQ(fromJson, tsv);
    EXPECT_EQ(params["slots"][2]["parameters"][0]["value_number"], 2); // KA224 Range: 4..20 mA

    // The checker: one entry per file, findings by line.
    TempStation::writeFile(dir.dir() + "/broken.eds", "junk\r\n" + readFileBytes(eds).value());
    const CliRun checked =
        run({"check", eds, dir.dir() + "/broken.eds", dir.dir() + "/none.eds", "--format=json"});
    EXPECT_EQ(checked.status, 2);
    const auto files = nlohmann::json::parse(checked.out)["files"];
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0]["clean"], true);
    EXPECT_EQ(files[1]["format"], "canopen");
    EXPECT_EQ(files[1]["findings"][0]["line"], 1);
    EXPECT_EQ(files[2]["readable"], false);
}

#ifndef _WIN32
TEST(CliPipes, ProjectFromStandardInputEdsToStandardOutputAndTheHeadAlone)
{
    EXPECT_EQ(run(words("iomap --protocol canopen --format tsv --project -"), StationDir,
                  readFileBytes(ExampleProject).value())
                  .out,
              CanOpenExample);

    TempStation dir;
    const long long epoch = 1246395909;
    const FixedSourceDate sourceDate(epoch);
    const std::string path = dir.dir() + "/head.eds";
    const std::string head = windowEds(FieldbusProtocol::CanOpen, {}, path, epoch);
    fs::remove(path);
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

TEST(CliParams, ValuesAreNumbersOrChoicesWithinBoundsAndFilesNameThemselvesInFull)
{
    TempStation dir;
    const WorkingDirectory cwd(dir.dir());
    ASSERT_EQ(
        run(words("generate --protocol canopen --module KD236 KA224 --output st.eds"), SampleDir)
            .status,
        0);
    const std::string eds = readFileBytes("st.eds").value();
    EXPECT_EQ(fileNameLine(eds), "FileName=" + (fs::current_path() / "st.eds").string());

    const std::tuple<const char*, int, std::string> refused[] = {
        {"2.1=abc", 2, "quillon-cli: st.eds: --value 2.1=abc: 'abc' is neither a number"},
        {"2.1=12abc", 2, "--value 2.1=12abc: '12abc' is neither a number"},
        {"1.3=16#", 2, "'16#' is neither"},
        {"1.3=&H1G", 2, "'&H1G' is neither"},
        {"2.30=999", 2, "st.eds: --value 2.30=999: slot 2 has no parameter 30"},
        {"9.1=1", 2, "--value 9.1=1: there is no slot 9"},
        {"1.3=20000", 1,
         "quillon-cli: st.eds: slot 1, parameter 3: 20000 is out of bounds 0..10000; nothing "
         "written\n"},
    };
    for (const auto& [value, status, message] : refused) {
        const CliRun r =
            run({"params", "set", "st.eds", "--value", "1.3=5", "--value", value}, SampleDir);
        EXPECT_EQ(r.status, status) << value;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
    }
    const CliRun none = run({"params", "set", "st.eds"}, SampleDir);
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(readFileBytes("st.eds"), eds);

    const CliRun taken = run({"params", "set", "st.eds", "--value", "1.3=16#1F", "1.9=&H5",
                              "2.1=15 ms", "2.3=-0", "--output", "./out.eds"},
                             SampleDir);
    ASSERT_EQ(taken.status, 0) << taken.err;
    const std::string shown = run({"params", "show", "out.eds", "--format", "tsv"}, SampleDir).out;
    for (const char* row : {"\n1\t3\tParameter HB612 Watchdog Time\t31\t",
                            "\n1\t9\tParameter HB612 I/O Cycle Time\t5\t",
                            "\n2\t1\tParameter KD236 Input Delay Ch1-8\t15 ms\t",
                            "\n2\t3\tParameter KD236 Inversion Ch1-8\t0\t"})
        EXPECT_NE(shown.find(row), std::string::npos) << row << "\n" << shown;
    EXPECT_EQ(fileNameLine(readFileBytes("out.eds").value()),
              "FileName=" + (fs::current_path() / "out.eds").string());
}

TEST(CliMessages, AWriteFailureSaysWhyInOneLine)
{
    TempStation dir;
    const std::string eds = dir.dir() + "/st.eds";
    ASSERT_EQ(
        run(words("generate --protocol canopen --module KD236 --output " + eds), SampleDir).status,
        0);
    const std::string nowhere = dir.dir() + "/missing/x.eds";
    for (const CliRun& r :
         {run(words("generate --protocol canopen --output " + nowhere), SampleDir),
          run({"params", "set", eds, "--value", "1.3=7", "--output", nowhere}, SampleDir)}) {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("quillon-cli: cannot write " + nowhere + ": ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// Points the registry of this platform at a file for one test.
struct RegistryFile
{
    explicit RegistryFile(const std::string& path)
    {
        ::setenv("QUILLON_REGISTRY_FILE", path.c_str(), 1);
    }
    ~RegistryFile() { ::setenv("QUILLON_REGISTRY_FILE", "/nonexistent", 1); }
};

TEST(CliExport, CopiesTheEdsAndTheIconIntoTheFolderOfItsProtocol)
{
    TempStation dir;
    const std::string d = dir.dir();
    const std::string co = d + "/co.eds";
    const std::string dn = d + "/dn.eds";
    ASSERT_EQ(run(words("generate --protocol canopen --output " + co), SampleDir).status, 0);
    ASSERT_EQ(run(words("generate --protocol devicenet --output " + dn), SampleDir).status, 0);
    for (const char* folder : {"to", "co", "dn"})
        fs::create_directory(d + "/" + folder);
    TempStation::writeFile(d + "/registry.txt", std::string(CanOpenEdsPathValue) + "=" + d +
                                                    "/co\n" + DeviceNetEdsPathValue + "=" + d +
                                                    "/dn\n");
    const std::tuple<std::vector<std::string>, std::string, std::string> exports[] = {
        {{"export", co}, "/co", "/co.eds"},
        {{"export", dn}, "/dn", "/dn.eds"},
        {{"export", co, "--protocol", "devicenet"}, "/dn", "/co.eds"},
        {{"export", dn, "--to", d + "/to/"}, "/to", "/dn.eds"},
    };
    {
        const RegistryFile registry(d + "/registry.txt");
        for (const auto& [args, folder, name] : exports) {
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
    const std::tuple<std::vector<std::string>, int, std::string> refused[] = {
        {{"export", co}, 1, "co.eds: SYCON.net-Path not found in registry. Cannot export EDS!"},
        {{"export", co, "--to", d + "/missing"}, 1, "Export failed"},
        {{"export", d + "/none.eds", "--to", d + "/to"}, 2, "none.eds: cannot be read"},
        {{"export"}, 2, "export needs the EDS file"},
        {{"export", co, "--protocol", "none"}, 2, "--protocol must be devicenet or canopen"},
    };
    for (const auto& [args, status, message] : refused) {
        const CliRun r = run(args, SampleDir);
        EXPECT_EQ(r.status, status) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(allPrefixed(r.err)) << r.err;
    }
    EXPECT_FALSE(fs::exists(d + "/to/none.eds"));
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
