#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "core/file_access.h"
#include "core/session.h"
#include "eds/generate.h"

namespace quillon {

const char* const GenerateSynopsis = "generate --protocol devicenet|canopen "
                                     "(--project FILE.edp | --module NAME...) --output FILE.eds";

int runGenerateCommand(CliContext& context, const std::vector<std::string>& args)
{
    auto defs = stationOptionDefs();
    defs.push_back({"--output", OptionArity::One});
    const OptionsResult parsed = parseOptions(args, defs);
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    StationSource source;
    if (const std::string error = stationSourceFrom(parsed.options, false, source); !error.empty())
        return usageError(context, error);
    const auto output = optionValue(parsed.options, "--output");
    if (!output)
        return usageError(context, "--output FILE.eds is required");

    Session session;
    CliDialogs dialogs(context.err);
    if (const int status = buildStation(context, source, session, dialogs); status != ExitSuccess)
        return status;

    // The same text "Create EDS File and Save" writes, named and dated the same way; the file is
    // only replaced once the whole text is there.
    if (const auto refusal = checkGeneratorRange(session, source.protocol)) {
        dialogs.notice(*refusal);
        return ExitRefused;
    }
    const EdsBuildResult built =
        buildEdsText(session, source.protocol, *output, session.clock(), dialogs);
    if (!built.ok) {
        dialogs.notice(EdsCreationFailedMessage, built.error);
        return ExitRefused;
    }
    std::string whyNot;
    if (!writeFileAtomically(*output, built.text + "\r\n", &whyNot)) {
        dialogs.notice(EdsCreationFailedMessage,
                       "cannot write the file " + *output + ": " + whyNot);
        return ExitRefused;
    }
    return ExitSuccess;
}

} // namespace quillon
