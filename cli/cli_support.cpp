#include "cli/cli_support.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <istream>
#include <ostream>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#endif

#include "cli/cli_app.h"
#include "core/cluster.h"
#include "core/file_access.h"
#include "core/file_path.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/settings.h"
#include "core/startup.h"
#include "project/project_file.h"

namespace quillon {

namespace {

constexpr const char* MessagePrefix = "quillon-cli: ";
constexpr const char* StandardInputName = "standard input";

// An EDS goes to standard output byte for byte: Windows would otherwise turn each LF of its
// CR LF line ends into another CR LF.
void useBinaryMode(std::ostream& out)
{
#ifdef _WIN32
    if (&out == &std::cout) {
        std::cout.flush();
        _setmode(_fileno(stdout), _O_BINARY);
    }
#else
    (void)out;
#endif
}

bool isOption(const std::string& arg)
{
    return arg.size() > 2 && arg.compare(0, 2, "--") == 0;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

int usageError(CliContext& context, const std::string& message)
{
    context.err << MessagePrefix << message << "\n"
                << "Try 'quillon-cli --help' for more information.\n";
    return ExitBadInput;
}

void report(CliContext& context, const std::string& file, const std::string& message)
{
    context.err << MessagePrefix << file << ": " << message << "\n";
}

bool isStandardOutput(const std::string& path)
{
    return path == "-" || path == "/dev/stdout";
}

bool writeOutput(CliContext& context, const std::string& path, std::string_view bytes)
{
    if (isStandardOutput(path)) {
        useBinaryMode(context.out);
        context.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        context.out.flush();
        if (context.out)
            return true;
        context.err << MessagePrefix << "cannot write to standard output\n";
        return false;
    }
    std::string why;
    if (writeFileAtomically(path, bytes, &why))
        return true;
    report(context, "cannot write " + path, why);
    return false;
}

std::string fileNameLineFor(const std::string& outputPath)
{
    if (isStandardOutput(outputPath))
        return {};
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(toFsPath(outputPath), ec);
    return ec ? outputPath : fromFsPath(absolute.lexically_normal());
}

std::optional<std::string> formatOption(CliContext& context, const ParsedOptions& options,
                                        const std::vector<std::string>& allowed)
{
    const auto given = optionValue(options, "--format");
    if (!given)
        return allowed.front();
    if (std::find(allowed.begin(), allowed.end(), *given) != allowed.end())
        return given;
    std::string choices;
    for (std::size_t i = 0; i < allowed.size(); ++i)
        choices += (i == 0 ? "" : i + 1 == allowed.size() ? " or " : ", ") + allowed[i];
    usageError(context, "--format must be " + choices + ", not '" + *given + "'");
    return std::nullopt;
}

OptionsResult parseOptions(const std::vector<std::string>& args, const std::vector<OptionDef>& defs)
{
    OptionsResult result;
    const auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!isOption(arg))
            return fail("unexpected argument '" + arg + "'");
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto def = std::find_if(defs.begin(), defs.end(),
                                      [&name](const OptionDef& s) { return s.name == name; });
        if (def == defs.end())
            return fail("unknown option '" + name + "'");

        std::vector<std::string>& values = result.options[name];
        if (def->arity == OptionArity::Flag) {
            if (equals != std::string::npos)
                return fail("option '" + name + "' takes no value");
            continue;
        }
        if (def->arity == OptionArity::One && !values.empty())
            return fail("option '" + name + "' given more than once");
        if (equals != std::string::npos) {
            values.push_back(arg.substr(equals + 1));
        } else {
            if (i + 1 >= args.size() || isOption(args[i + 1]))
                return fail("option '" + name + "' needs a value");
            values.push_back(args[++i]);
        }
        if (values.back().empty())
            return fail("option '" + name + "' needs a value");
        if (def->arity == OptionArity::Many) {
            while (i + 1 < args.size() && !isOption(args[i + 1]))
                values.push_back(args[++i]);
        }
    }
    return result;
}

std::optional<std::string> optionValue(const ParsedOptions& options, std::string_view name)
{
    const auto it = options.find(name);
    if (it == options.end() || it->second.empty())
        return std::nullopt;
    return it->second.front();
}

std::vector<OptionDef> stationOptionDefs()
{
    return {{"--protocol", OptionArity::One},
            {"--project", OptionArity::One},
            {"--module", OptionArity::Many}};
}

const char* protocolName(FieldbusProtocol protocol)
{
    switch (protocol) {
    case FieldbusProtocol::DeviceNet:
        return "devicenet";
    case FieldbusProtocol::CanOpen:
        return "canopen";
    case FieldbusProtocol::None:
        break;
    }
    return "none";
}

std::string stationSourceFrom(const ParsedOptions& options, bool allowNone, bool allowHeadAlone,
                              StationSource& source)
{
    const auto protocol = optionValue(options, "--protocol");
    const std::string choices = allowNone ? "devicenet, canopen or none" : "devicenet or canopen";
    if (!protocol)
        return "--protocol is required (" + choices + ")";
    const std::string name = lowered(*protocol);
    if (name == "devicenet")
        source.protocol = FieldbusProtocol::DeviceNet;
    else if (name == "canopen")
        source.protocol = FieldbusProtocol::CanOpen;
    else if (name == "none" && allowNone)
        source.protocol = FieldbusProtocol::None;
    else
        return "--protocol must be " + choices + ", not '" + *protocol + "'";

    source.projectFile = optionValue(options, "--project");
    const auto modules = options.find("--module");
    if (modules != options.end())
        source.modules = modules->second;
    if (source.projectFile && !source.modules.empty())
        return "give either --project or --module, not both";
    if (!source.projectFile && source.modules.empty() && !allowHeadAlone)
        return "give the station with --project FILE.edp or --module NAME...";
    return {};
}

void CliDialogs::notice(const std::string& text, const std::string& detail)
{
    ++m_notices;
    m_err << MessagePrefix << (m_subject.empty() ? "" : m_subject + ": ") << text << "\n";
    if (!detail.empty())
        m_err << MessagePrefix << detail << "\n";
}

bool CliDialogs::askYesNo(const std::string& text)
{
    // Nobody is there to answer. A question that acts only on Yes is declined, unless running
    // the command was the Yes.
    m_err << MessagePrefix << (m_subject.empty() ? "" : m_subject + ": ") << text
          << (m_answer ? " (answered Yes)\n" : " (answered No)\n");
    return m_answer;
}

std::optional<std::string> CliDialogs::openFile(const FileRequest& request)
{
    (void)request;
    return std::exchange(m_openPath, std::nullopt);
}

std::optional<std::string> CliDialogs::saveFile(const FileRequest& request)
{
    (void)request;
    return std::exchange(m_savePath, std::nullopt);
}

std::optional<int> findCatalogueModule(const Session& session, const std::string& name)
{
    const std::vector<std::string>& names = session.view.catalogueNames;
    const int count = std::min(static_cast<int>(names.size()), session.catalogueRecordCount);
    const auto nameAt = [&names](int i) -> const std::string& {
        return names[static_cast<std::size_t>(i)];
    };
    for (int i = 0; i < count; ++i) {
        if (nameAt(i) == name)
            return i;
    }
    // Catalogue names may carry blanks the shell would not keep.
    for (int i = 0; i < count; ++i) {
        if (!trimmed(name).empty() && trimmed(nameAt(i)) == trimmed(name))
            return i;
    }
    if (name.size() == 5) {
        for (int i = 0; i < count; ++i) {
            const ModuleInfo& record = session.ModuleCatalogue[static_cast<std::size_t>(i)];
            if (lowered(modelNameOf(record.ResourceFile)) == lowered(name))
                return i;
        }
    }
    return std::nullopt;
}

int startSession(CliContext& context, Session& session, CliDialogs& dialogs)
{
    session.programDir = context.exeDir;
    session.iniPath = context.iniPath;
    session.defaultFolders = context.folders;
    dialogs.concerning(session.iniPath);
    const bool started = startUp(session, dialogs);
    dialogs.concerning({});
    if (started)
        return ExitSuccess;
    // A settings file that cannot be read is bad input; one that reads but names resources that
    // are not there is the program's refusal.
    return readSettingsFile(session.iniPath, context.folders).ok ? ExitRefused : ExitBadInput;
}

int buildStation(CliContext& context, const StationSource& source, Session& session,
                 CliDialogs& dialogs)
{
    if (const int status = startSession(context, session, dialogs); status != ExitSuccess)
        return status;
    if (source.protocol != FieldbusProtocol::None)
        ChooseProtocol(session, source.protocol);

    if (source.projectFile) {
        LoadOutcome loaded;
        if (*source.projectFile == "-") {
            // Read with the same bound as a project file; one byte more tells it is too large.
            std::string bytes(ProjectFileMaxBytes + 1, '\0');
            context.in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<std::size_t>(context.in.gcount()));
            if (context.in.bad() || bytes.size() > ProjectFileMaxBytes) {
                report(context, StandardInputName, "cannot be read as a project file");
                return ExitBadInput;
            }
            dialogs.concerning(StandardInputName);
            loaded = loadConfigurationText(session, dialogs, StandardInputName, bytes);
        } else {
            dialogs.concerning(*source.projectFile);
            dialogs.answerOpenWith(*source.projectFile);
            loaded = loadConfiguration(session, dialogs);
        }
        switch (loaded.status) {
        case LoadStatus::Loaded:
            return ExitSuccess;
        case LoadStatus::Empty:
            return ExitRefused; // the window's message has been shown
        case LoadStatus::Cancelled:
        case LoadStatus::Unreadable:
        case LoadStatus::Broken:
            break;
        }
        context.err << MessagePrefix << "cannot load the project file: "
                    << (loaded.detail.empty() ? *source.projectFile : loaded.detail) << "\n";
        return ExitBadInput;
    }

    // Every name must mean a module before the station is touched.
    std::vector<int> indices;
    for (const std::string& name : source.modules) {
        const auto index = findCatalogueModule(session, name);
        if (!index) {
            return usageError(context, "no module '" + name + "' in the catalogue of " +
                                           session.iniPath +
                                           " (give a listed name or a five-letter model name)");
        }
        indices.push_back(*index);
    }

    NewConfiguration(session, dialogs);
    if (dialogs.noticeCount() > 0)
        return ExitRefused;
    for (const int index : indices) {
        SelectCatalogueEntry(session, dialogs, index);
        if (dialogs.noticeCount() > 0)
            return ExitRefused;
        AddModule(session, dialogs);
        if (dialogs.noticeCount() > 0)
            return ExitRefused; // a limit or the last free slot; the message has been shown
    }
    return ExitSuccess;
}

} // namespace quillon
