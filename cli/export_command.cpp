#include <memory>
#include <ostream>
#include <utility>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "core/cluster.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/system.h"
#include "eds/eds_check.h"
#include "iomap/eds_export.h"

namespace quillon {

const char* const ExportSynopsis = "export FILE.eds [--protocol devicenet|canopen] [--to DIR]";

namespace {

// The platform's services, with the SYCON.net folder given on the command line in place of the
// one the registry names.
class ExportSystem : public System
{
public:
    ExportSystem(std::unique_ptr<System> platform, std::optional<std::string> folder)
        : m_platform(std::move(platform)), m_folder(std::move(folder))
    {}

    std::string readRegistryString(const std::string& fullValuePath) override
    {
        return m_folder ? *m_folder : m_platform->readRegistryString(fullValuePath);
    }
    bool openInTextEditor(const std::string& parameters,
                          const std::string& workingDirectory) override
    {
        return m_platform->openInTextEditor(parameters, workingDirectory);
    }

private:
    std::unique_ptr<System> m_platform;
    std::optional<std::string> m_folder;
};

// The folder without the separators at its end: the export puts one between it and the names.
std::string withoutClosingSeparators(std::string folder)
{
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == PathSeparator))
        folder.pop_back();
    return folder;
}

} // namespace

int runExportCommand(CliContext& context, const std::vector<std::string>& args)
{
    if (args.empty() || args[0].rfind("--", 0) == 0)
        return usageError(context, "export needs the EDS file");
    const std::string edsPath = args[0];
    const OptionsResult parsed =
        parseOptions({args.begin() + 1, args.end()},
                     {{"--protocol", OptionArity::One}, {"--to", OptionArity::One}});
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    FieldbusProtocol protocol = FieldbusProtocol::None;
    if (const auto given = optionValue(parsed.options, "--protocol")) {
        if (*given == "devicenet")
            protocol = FieldbusProtocol::DeviceNet;
        else if (*given == "canopen")
            protocol = FieldbusProtocol::CanOpen;
        else
            return usageError(context,
                              "--protocol must be devicenet or canopen, not '" + *given + "'");
    }
    std::optional<std::string> folder = optionValue(parsed.options, "--to");
    if (folder)
        folder = withoutClosingSeparators(*folder);

    // Checked before anything is copied, so a wrong name leaves the SYCON.net folder untouched.
    const auto bytes = readFileBytes(edsPath, MaxCheckedFileBytes + 1);
    if (!bytes) {
        report(context, edsPath, "cannot be read");
        return ExitBadInput;
    }
    // Without --protocol the file says which folder it belongs in; a file of neither kind goes
    // where the window sends it before a protocol is chosen.
    if (protocol == FieldbusProtocol::None) {
        const EdsFormat format = checkEds(*bytes).format;
        if (format == EdsFormat::DeviceNet)
            protocol = FieldbusProtocol::DeviceNet;
        else if (format == EdsFormat::CanOpen)
            protocol = FieldbusProtocol::CanOpen;
    }

    Session session;
    CliDialogs dialogs(context.err);
    if (const int status = startSession(context, session, dialogs); status != ExitSuccess)
        return status;
    if (protocol != FieldbusProtocol::None)
        ChooseProtocol(session, protocol);
    session.view.setText("Text9", edsPath);

    // Running the command is the user's answer to the window's question.
    dialogs.concerning(edsPath);
    dialogs.answerQuestionsWith(true);
    ExportSystem system(makePlatformSystem(), folder);
    switch (ExportEds(session, dialogs, system)) {
    case ExportResult::Exported:
        return ExitSuccess;
    case ExportResult::NoFolder:
        report(context, edsPath,
               std::string("give the SYCON.net EDS folder with --to DIR, or set ") +
                   (protocol == FieldbusProtocol::DeviceNet ? DeviceNetEdsPathValue
                                                            : CanOpenEdsPathValue));
        return ExitRefused;
    case ExportResult::NoEds:
    case ExportResult::Declined:
    case ExportResult::CopyFailed:
        break;
    }
    return ExitRefused;
}

} // namespace quillon
