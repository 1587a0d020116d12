#include <algorithm>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "core/session.h"

namespace quillon {

const char* const IomapSynopsis = "iomap --protocol devicenet|canopen|none "
                                  "(--project FILE.edp | --module NAME...) [--format text|tsv]";

std::string gridAsTsv(const IoGrid& grid)
{
    std::string text;
    for (const auto& row : grid) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (column > 0)
                text += '\t';
            text += row[column];
        }
        text += '\n';
    }
    return text;
}

std::string gridAsText(const IoGrid& grid)
{
    std::array<std::size_t, 6> widths{};
    for (const auto& row : grid) {
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string text;
    for (const auto& row : grid) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (column > 0)
                line += "  ";
            line += row[column];
            line.append(widths[column] - row[column].size(), ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line;
        text += '\n';
    }
    return text;
}

int runIomapCommand(CliContext& context, const std::vector<std::string>& args)
{
    auto defs = stationOptionDefs();
    defs.push_back({"--format", OptionArity::One});
    const OptionsResult parsed = parseOptions(args, defs);
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    StationSource source;
    if (const std::string error = stationSourceFrom(parsed.options, true, source); !error.empty())
        return usageError(context, error);
    const std::string format = optionValue(parsed.options, "--format").value_or("text");
    if (format != "text" && format != "tsv")
        return usageError(context, "--format must be text or tsv, not '" + format + "'");

    Session session;
    CliDialogs dialogs(context.err);
    if (const int status = buildStation(context, source, session, dialogs); status != ExitSuccess)
        return status;

    context.out << (format == "tsv" ? gridAsTsv(session.view.grid) : gridAsText(session.view.grid));
    return ExitSuccess;
}

} // namespace quillon
