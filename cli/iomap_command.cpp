#include <algorithm>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "core/session.h"

namespace quillon {

const char* const IomapSynopsis = "iomap --protocol devicenet|canopen|none "
                                  "(--project FILE.edp | --module NAME...) "
                                  "[--format text|tsv|json]";

namespace {

// The grid as one JSON document: the column headers, slots 1 to 8 with their byte numbers by
// kind, and the diagnosis bytes. Cells stay texts, as they are ranges ("1/6-8, 2/1").
Json gridAsJson(const IoGrid& grid, FieldbusProtocol protocol)
{
    Json columns = Json::array();
    for (const std::string& header : grid[0])
        columns.push_back(jsonText(header));
    Json slots = Json::array();
    for (std::size_t row = 1; row <= 8; ++row) {
        const auto& cells = grid[row];
        slots.push_back({{"slot", row},
                         {"module", jsonText(cells[1])},
                         {"digital_inputs", jsonText(cells[2])},
                         {"digital_outputs", jsonText(cells[3])},
                         {"analog_inputs", jsonText(cells[4])},
                         {"analog_outputs", jsonText(cells[5])}});
    }
    return {{"protocol", protocolName(protocol)},
            {"columns", columns},
            {"slots", slots},
            {"diagnosis", jsonText(grid[9][2])}};
}

} // namespace

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
    if (const std::string error = stationSourceFrom(parsed.options, true, false, source);
        !error.empty())
        return usageError(context, error);
    const auto format = formatOption(context, parsed.options, {"text", "tsv", "json"});
    if (!format)
        return ExitBadInput;

    Session session;
    CliDialogs dialogs(context.err);
    if (const int status = buildStation(context, source, session, dialogs); status != ExitSuccess)
        return status;

    const IoGrid& grid = session.view.grid;
    if (*format == "json")
        writeJson(context.out, gridAsJson(grid, source.protocol));
    else
        context.out << (*format == "tsv" ? gridAsTsv(grid) : gridAsText(grid));
    return ExitSuccess;
}

} // namespace quillon
