#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"

namespace quillon {

const char* const GenerateSynopsis = "generate --protocol devicenet|canopen "
                                     "(--project FILE.edp | --module NAME...) --output FILE.eds";

int runGenerateCommand(CliContext& context, const std::vector<std::string>& args)
{
    auto specs = stationOptionSpecs();
    specs.push_back({"--output", OptionArity::One});
    const OptionsResult parsed = parseOptions(args, specs);
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    StationSource source;
    if (const std::string error = stationSourceFrom(parsed.options, false, source); !error.empty())
        return usageError(context, error);
    if (!optionValue(parsed.options, "--output"))
        return usageError(context, "--output FILE.eds is required");

    context.err << "quillon-cli: EDS generation is not available in this build yet\n";
    return ExitNotAvailable;
}

} // namespace quillon
