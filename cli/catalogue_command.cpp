#include <algorithm>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "core/session.h"
#include "core/types.h"

namespace quillon {

const char* const CatalogueSynopsis = "catalogue [--format text|tsv|json]";

namespace {

using Row = std::vector<std::string>;

// One line per entry: which entry ("head" or its place in the catalogue list from 1), the model
// name, the catalogue text, the four byte counts, the files and the parameter count.
Row entryRow(const std::string& entry, const std::string& name, const ModuleInfo& record)
{
    return {entry,
            modelNameOf(record.ResourceFile),
            name,
            std::to_string(record.DigitalInBytes),
            std::to_string(record.DigitalOutBytes),
            std::to_string(record.AnalogInBytes),
            std::to_string(record.AnalogOutBytes),
            record.ResourceFile,
            record.PictureFile,
            std::to_string(record.ParameterCount)};
}

Json entryJson(const std::string& name, const ModuleInfo& record)
{
    Json entry = {{"model", jsonText(modelNameOf(record.ResourceFile))}};
    if (!name.empty())
        entry["name"] = jsonText(name);
    entry["digital_inputs"] = record.DigitalInBytes;
    entry["digital_outputs"] = record.DigitalOutBytes;
    entry["analog_inputs"] = record.AnalogInBytes;
    entry["analog_outputs"] = record.AnalogOutBytes;
    entry["resource_file"] = jsonText(record.ResourceFile);
    entry["picture_file"] = jsonText(record.PictureFile);
    entry["parameters"] = record.ParameterCount;
    return entry;
}

// Columns padded to their widest text, two blanks apart, no trailing blanks.
std::string alignedTable(const std::vector<Row>& rows)
{
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += (column > 0 ? "  " : "") + row[column];
            line.append(widths[column] - row[column].size(), ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + '\n';
    }
    return text;
}

std::string tsvTable(const std::vector<Row>& rows)
{
    std::string text;
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            std::string field = row[column];
            std::replace(field.begin(), field.end(), '\t', ' '); // it would split the line
            text += (column > 0 ? "\t" : "") + field;
        }
        text += '\n';
    }
    return text;
}

} // namespace

int runCatalogueCommand(CliContext& context, const std::vector<std::string>& args)
{
    const OptionsResult parsed = parseOptions(args, {{"--format", OptionArity::One}});
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    const auto format = formatOption(context, parsed.options, {"text", "tsv", "json"});
    if (!format)
        return ExitBadInput;

    Session session;
    CliDialogs dialogs(context.err);
    if (const int status = startSession(context, session, dialogs); status != ExitSuccess)
        return status;

    // As the list pairs them: the n-th name with the n-th record, as far as both go.
    const std::vector<std::string>& names = session.view.catalogueNames;
    const std::size_t count =
        std::min(names.size(), static_cast<std::size_t>(std::max(session.catalogueRecordCount, 0)));
    if (*format == "json") {
        Json modules = Json::array();
        for (std::size_t i = 0; i < count; ++i) {
            Json entry = {{"entry", i + 1}};
            entry.update(entryJson(names[i], session.ModuleCatalogue[i]));
            modules.push_back(entry);
        }
        writeJson(context.out, {{"settings", jsonPath(session.iniPath)},
                                {"head", entryJson({}, headRecord())},
                                {"modules", modules}});
        return ExitSuccess;
    }
    std::vector<Row> rows;
    if (*format == "tsv") {
        rows.push_back({"entry", "model", "name", "digital_inputs", "digital_outputs",
                        "analog_inputs", "analog_outputs", "resource_file", "picture_file",
                        "parameters"});
    } else {
        rows.push_back({"Entry", "Model", "Name", "DI", "DO", "AI", "AO", "Resource file",
                        "Picture file", "Parameters"});
    }
    rows.push_back(entryRow("head", "", headRecord()));
    for (std::size_t i = 0; i < count; ++i)
        rows.push_back(entryRow(std::to_string(i + 1), names[i], session.ModuleCatalogue[i]));
    context.out << (*format == "tsv" ? tsvTable(rows) : alignedTable(rows));
    return ExitSuccess;
}

} // namespace quillon
