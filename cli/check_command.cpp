#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "core/cluster.h"
#include "core/file_access.h"
#include "core/session.h"
#include "core/startup.h"
#include "eds/eds_check.h"
#include "eds/generate.h"

namespace quillon {

const char* const CheckSynopsis =
    "check FILE.eds... [--format text|json] | check --resources [--format text|json]";

namespace {

// An EDS is far below this; the checker refuses larger files itself, with a finding.
constexpr std::size_t MaxReadBytes = MaxCheckedFileBytes + 1;

const char* formatId(EdsFormat format)
{
    switch (format) {
    case EdsFormat::CanOpen:
        return "canopen";
    case EdsFormat::DeviceNet:
        return "devicenet";
    case EdsFormat::Unknown:
        break;
    }
    return "unknown";
}

Json findingsJson(const CheckReport& report)
{
    Json findings = Json::array();
    for (const CheckFinding& f : report.findings)
        findings.push_back({{"line", f.line}, {"message", jsonText(f.message)}});
    return findings;
}

int checkFiles(CliContext& context, const std::vector<std::string>& files, bool json)
{
    int status = ExitSuccess;
    Json results = Json::array();
    for (const std::string& file : files) {
        std::string whyNot;
        const auto bytes = readFileBytes(file, MaxReadBytes, &whyNot);
        if (!bytes) {
            report(context, file, "cannot be read: " + whyNot);
            status = ExitBadInput;
            results.push_back({{"file", jsonPath(file)},
                               {"readable", false},
                               {"format", nullptr},
                               {"clean", false},
                               {"findings", Json::array()}});
            continue;
        }
        const CheckReport report = checkEds(*bytes);
        if (json) {
            results.push_back({{"file", jsonPath(file)},
                               {"readable", true},
                               {"format", formatId(report.format)},
                               {"clean", report.clean()},
                               {"findings", findingsJson(report)}});
        } else {
            context.out << formatReport(report, file);
        }
        if (!report.clean() && status == ExitSuccess)
            status = ExitRefused;
    }
    if (json)
        writeJson(context.out, {{"files", results}});
    return status;
}

// The station of the head and at most one catalogue module, as a new configuration with one add.
std::string stationName(const Session& s)
{
    std::string name = "HB612";
    for (int i = 1; i < s.UsedCount; ++i)
        name += "+" + modelNameOf(s.ClusterSlots[static_cast<std::size_t>(i)].ResourceFile);
    return name;
}

// What the check of the resources found, as text lines and as JSON entries.
struct ResourceProblems
{
    std::string text;
    Json json = Json::array();

    void refusal(const std::string& station, const std::string& message)
    {
        text += station + ": " + message + "\n";
        json.push_back({{"station", station}, {"line", 0}, {"message", jsonText(message)}});
    }
    void findings(const std::string& station, const CheckReport& report)
    {
        text += formatReport(report, station);
        for (const CheckFinding& f : report.findings) {
            json.push_back(
                {{"station", station}, {"line", f.line}, {"message", jsonText(f.message)}});
        }
    }
};

// Generates, for each protocol, the head alone and the head with each catalogue module, and
// checks every result, so a template author sees a mistake before a user does.
int checkResources(CliContext& context, bool json)
{
    CliDialogs dialogs(context.err);
    Session base;
    if (const int status = startSession(context, base, dialogs); status != ExitSuccess)
        return status;

    ResourceProblems problems;
    int stations = 0;
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        const std::string protocolName = quillon::protocolName(protocol);
        for (int entry = -1; entry < base.catalogueRecordCount; ++entry) {
            Session s = base;
            ChooseProtocol(s, protocol);
            NewConfiguration(s, dialogs);
            if (entry >= 0) {
                SelectCatalogueEntry(s, dialogs, entry);
                AddModule(s, dialogs);
                if (s.UsedCount != 2) {
                    problems.refusal(protocolName + " " + base.ModuleCatalogue[entry].ResourceFile,
                                     "the module cannot be added to the head alone");
                    continue;
                }
            }
            const std::string name = protocolName + " " + stationName(s);
            ++stations;
            if (const auto refusal = checkGeneratorRange(s, protocol)) {
                problems.refusal(name, *refusal);
                continue;
            }
            const EdsBuildResult built =
                buildEdsText(s, protocol, s.gstrEDSFilePath + "CHECK.eds", s.clock(), dialogs);
            if (!built.ok) {
                problems.refusal(name, built.error);
                continue;
            }
            const CheckReport report = checkEds(built.text + "\r\n");
            if (!report.clean())
                problems.findings(name, report);
        }
    }
    const bool clean = problems.text.empty();
    if (json) {
        writeJson(context.out, {{"resources", jsonPath(base.gstrResourcePath)},
                                {"stations", stations},
                                {"clean", clean},
                                {"problems", problems.json}});
    } else {
        context.out << problems.text << stations << " stations generated and checked from "
                    << base.gstrResourcePath << (clean ? ": clean\n" : ": findings above\n");
    }
    return clean ? ExitSuccess : ExitRefused;
}

} // namespace

int runCheckCommand(CliContext& context, const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    std::vector<std::string> options;
    bool resources = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--resources") {
            resources = true;
        } else if (arg == "--format") {
            options.push_back(arg);
            if (i + 1 < args.size())
                options.push_back(args[++i]);
        } else if (arg.rfind("--format=", 0) == 0) {
            options.push_back(arg);
        } else if (arg.rfind("--", 0) == 0) {
            return usageError(context, "unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    const OptionsResult parsed = parseOptions(options, {{"--format", OptionArity::One}});
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    const auto format = formatOption(context, parsed.options, {"text", "json"});
    if (!format)
        return ExitBadInput;
    if (resources == !files.empty())
        return usageError(context, "give either EDS files or --resources");
    return resources ? checkResources(context, *format == "json")
                     : checkFiles(context, files, *format == "json");
}

} // namespace quillon
