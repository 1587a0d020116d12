#include "cli/cli_app.h"

#include <algorithm>
#include <array>
#include <exception>
#include <iostream>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/params_command.h"
#include "core/program_location.h"
#include "core/session.h"
#include "core/startup.h"

namespace quillon {

namespace {

// Every subcommand, in the order --help lists them. A new subcommand is one entry here.
const std::array<Subcommand, 6> Subcommands{{
    {"iomap", IomapSynopsis, runIomapCommand},
    {"generate", GenerateSynopsis, runGenerateCommand},
    {"params", ParamsSynopsis, runParamsCommand},
    {"check", CheckSynopsis, runCheckCommand},
    {"export", ExportSynopsis, runExportCommand},
    {"catalogue", CatalogueSynopsis, runCatalogueCommand},
}};

void printUsage(std::ostream& out)
{
    out << "Usage:\n";
    for (const Subcommand& command : Subcommands)
        out << "  quillon-cli [--ini FILE] " << command.synopsis << "\n";
    out << "  quillon-cli --help | --version\n"
           "\n"
           "Builds the station from a project file (--project; '-' reads it from standard input)\n"
           "or from catalogue modules added in the order given (--module: a name from the\n"
           "catalogue list or a five-letter model name such as KD236), then\n"
           "  iomap      prints the I/O mapping grid (text: aligned table, tsv: tab-separated\n"
           "             rows with a header, json: one document)\n"
           "  generate   writes the station's EDS file (without --project and --module: the head\n"
           "             alone); --output - writes it to standard output\n"
           "  params     show lists the module parameters of a CANopen EDS; set enters values as\n"
           "             the parameter editor does and saves the EDS (SLOT.PARAM counts both from\n"
           "             1; VALUE is a number - decimal, &H.., &O.., 16#.. - or a choice's text)\n"
           "  check      reports every conformance finding of EDS files with its line (exit 1\n"
           "             when any); --resources generates the head alone and the head with each\n"
           "             catalogue module for both protocols and checks every result\n"
           "  export     copies the EDS and the station icon into the SYCON.net EDS folder, as\n"
           "             the window's export does, answering its question with Yes; the folder\n"
           "             comes from the registry (by --protocol, else by the file's kind) or --to\n"
           "  catalogue  lists the head and every catalogue module with its bytes and files\n"
           "\n"
           "--ini FILE  the settings file. Without it: Quillon.ini beside quillon-cli (a\n"
           "            portable copy, whose folders stay beside it), else the person's own\n"
           "            ~/.config/quillon/Quillon.ini (on Windows %APPDATA%\\Quillon\\), else\n"
           "            the installed ../share/quillon/Quillon.ini; installed, the folders for\n"
           "            projects and EDS files are Documents/Quillon/Projects and .../EDSFiles\n"
           "\n"
           "Messages go to standard error, each starting with 'quillon-cli: '. Exit status:\n"
           "0 success, 1 refused or failed (a limit exceeded, a resource file missing, a value\n"
           "out of bounds, a copy that failed...), 2 wrong usage or unreadable input.\n"
           "With SOURCE_DATE_EPOCH set, every date and time written is that instant in UTC.\n";
}

int dispatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
             std::ostream& err, const std::string& exeDir)
{
    std::string dir = exeDir;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == PathSeparator))
        dir.pop_back();
    const ProgramLocation location = findProgramLocation(dir, platformUserFolders());
    CliContext context{in, out, err, dir, location.iniPath, location.folders};

    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(out);
            return ExitSuccess;
        }
        if (arg == "--version") {
            out << "quillon-cli " << ProgramVersion << "\n";
            return ExitSuccess;
        }
        if (arg == "--ini") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usageError(context, "option '--ini' needs a value");
            context.iniPath = args[++i];
        } else if (arg.rfind("--ini=", 0) == 0 && arg.size() > 6) {
            context.iniPath = arg.substr(6);
        } else if (arg.rfind("-", 0) == 0) {
            return usageError(context, "unknown option '" + arg + "'");
        } else {
            break;
        }
    }
    if (i >= args.size())
        return usageError(context, "no command given");

    const auto command =
        std::find_if(Subcommands.begin(), Subcommands.end(),
                     [&args, i](const Subcommand& c) { return c.name == args[i]; });
    if (command == Subcommands.end())
        return usageError(context, "unknown command '" + args[i] + "'");

    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                        args.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        out << "Usage: quillon-cli [--ini FILE] " << command->synopsis << "\n";
        return ExitSuccess;
    }
    return command->run(context, rest);
}

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const std::string& exeDir)
{
    return runCli(args, std::cin, out, err, exeDir);
}

int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const std::string& exeDir)
{
    try {
        return dispatch(args, in, out, err, exeDir);
    } catch (const std::exception& e) {
        // Nothing below is meant to throw; this keeps a surprise (out of memory, a file system
        // error) from ending the program without a word.
        err << "quillon-cli: " << e.what() << "\n";
        return ExitRefused;
    }
}

} // namespace quillon
