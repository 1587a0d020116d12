#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "core/cluster.h"
#include "core/file_access.h"
#include "core/session.h"
#include "core/startup.h"
#include "eds/eds_check.h"
#include "eds/generate.h"

namespace quillon {

const char* const CheckSynopsis = "check FILE.eds... | check --resources";

namespace {

// An EDS is far below this; the checker refuses larger files itself, with a finding.
constexpr std::size_t MaxReadBytes = MaxCheckedFileBytes + 1;

int checkFiles(CliContext& context, const std::vector<std::string>& files)
{
    int status = ExitSuccess;
    for (const std::string& file : files) {
        std::string whyNot;
        const auto bytes = readFileBytes(file, MaxReadBytes, &whyNot);
        if (!bytes) {
            context.err << file << ": cannot be read: " << whyNot << "\n";
            status = ExitBadInput;
            continue;
        }
        const CheckReport report = checkEds(*bytes);
        context.out << formatReport(report, file);
        if (!report.clean() && status == ExitSuccess)
            status = ExitRefused;
    }
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

// Generates, for each protocol, the head alone and the head with each catalogue module, and
// checks every result, so a template author sees a mistake before a user does.
int checkResources(CliContext& context)
{
    CliDialogs dialogs(context.err);
    Session base;
    base.programDir = context.exeDir;
    base.iniPath = context.iniPath;
    if (!startUp(base, dialogs))
        return ExitBadInput;

    int status = ExitSuccess;
    int stations = 0;
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        const std::string protocolName =
            protocol == FieldbusProtocol::DeviceNet ? "devicenet" : "canopen";
        for (int entry = -1; entry < base.catalogueRecordCount; ++entry) {
            Session s = base;
            ChooseProtocol(s, protocol);
            NewConfiguration(s, dialogs);
            if (entry >= 0) {
                SelectCatalogueEntry(s, dialogs, entry);
                AddModule(s, dialogs);
                if (s.UsedCount != 2) {
                    context.out << protocolName << " " << base.ModuleCatalogue[entry].ResourceFile
                                << ": the module cannot be added to the head alone\n";
                    status = ExitRefused;
                    continue;
                }
            }
            const std::string name = protocolName + " " + stationName(s);
            ++stations;
            if (const auto refusal = checkGeneratorRange(s, protocol)) {
                context.out << name << ": " << *refusal << "\n";
                status = ExitRefused;
                continue;
            }
            const EdsBuildResult built =
                buildEdsText(s, protocol, s.gstrEDSFilePath + "CHECK.eds", s.clock(), dialogs);
            if (!built.ok) {
                context.out << name << ": " << built.error << "\n";
                status = ExitRefused;
                continue;
            }
            const CheckReport report = checkEds(built.text + "\r\n");
            if (!report.clean()) {
                context.out << formatReport(report, name);
                status = ExitRefused;
            }
        }
    }
    context.out << stations << " stations generated and checked from " << base.gstrResourcePath
                << (status == ExitSuccess ? ": clean\n" : ": findings above\n");
    return status;
}

} // namespace

int runCheckCommand(CliContext& context, const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    bool resources = false;
    for (const std::string& arg : args) {
        if (arg == "--resources")
            resources = true;
        else if (arg.rfind("--", 0) == 0)
            return usageError(context, "unknown option " + arg);
        else
            files.push_back(arg);
    }
    if (resources == !files.empty())
        return usageError(context, "give either EDS files or --resources");
    return resources ? checkResources(context) : checkFiles(context, files);
}

} // namespace quillon
