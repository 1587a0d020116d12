#include "cli/params_command.h"

#include <cmath>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "cli/json_output.h"
#include "core/file_access.h"
#include "core/number_text.h"
#include "core/session.h"
#include "core/types.h"
#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "params/parameter_table.h"

namespace quillon {

const char* const ParamsSynopsis =
    "params show FILE.eds [--format text|tsv|json]\n"
    "  quillon-cli [--ini FILE] params set FILE.eds [--value SLOT.PARAM=VALUE]... "
    "[--output FILE.eds|-]";

namespace {

struct ValueEntry
{
    std::string arg; // as given, for messages
    int slot = 0;
    int param = 0;
    std::string text;
};

// A whole positive decimal number of at most four digits; 0 for anything else.
int smallNumber(const std::string& text)
{
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(text);
}

// "SLOT.PARAM=VALUE"; nullopt when it is not of that form.
std::optional<ValueEntry> parseValueEntry(const std::string& arg)
{
    const auto dot = arg.find('.');
    const auto equals = arg.find('=');
    if (dot == std::string::npos || equals == std::string::npos || dot > equals)
        return std::nullopt;
    ValueEntry entry{arg, smallNumber(arg.substr(0, dot)),
                     smallNumber(arg.substr(dot + 1, equals - dot - 1)), arg.substr(equals + 1)};
    if (entry.slot == 0 || entry.param == 0)
        return std::nullopt;
    return entry;
}

// True for a number in one of the forms the editor reads: decimal with an optional sign, "&H.."
// and "&O.." (an "&" after the digits makes them 32 bits) and "16#..". The editor would take
// "12abc" as 12 and "abc" as 0; a script that passes such a text has a mistake in it.
bool isNumberEntry(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    const auto allOf = [](std::string_view digits, std::string_view set) {
        return !digits.empty() && digits.find_first_not_of(set) == std::string_view::npos;
    };
    constexpr std::string_view Hex = "0123456789abcdefABCDEF";
    if (text.substr(0, 3) == "16#")
        return allOf(text.substr(3), Hex);
    if (text.size() > 1 && text.front() == '&') {
        const char base = text[1];
        std::string_view digits = text.substr(2);
        if (!digits.empty() && digits.back() == '&')
            digits.remove_suffix(1);
        if (base == 'h' || base == 'H')
            return allOf(digits, Hex);
        return (base == 'o' || base == 'O') && allOf(digits, "01234567");
    }
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return allOf(text, "0123456789");
}

std::string joined(const std::vector<std::string>& texts, const std::string& separator)
{
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i)
        out += (i ? separator : "") + texts[i];
    return out;
}

// Why `entry` cannot be entered into the editor's table, or "" when it can.
std::string entryError(const ParameterEditor& editor, const ValueEntry& entry)
{
    const auto& slots = editor.slots();
    if (entry.slot > static_cast<int>(slots.size()))
        return "there is no slot " + std::to_string(entry.slot) + " (the station has " +
               std::to_string(slots.size()) + ")";
    const int k = editor.rowOf(entry.slot, entry.param);
    if (k == 0) {
        return "slot " + std::to_string(entry.slot) + " has no parameter " +
               std::to_string(entry.param) + " (it has " +
               std::to_string(slots[static_cast<std::size_t>(entry.slot - 1)].parameterCount) + ")";
    }
    const std::vector<std::string> choices = parameterChoices(editor.row(k).record);
    if (std::find(choices.begin(), choices.end(), entry.text) != choices.end() ||
        isNumberEntry(entry.text))
        return {};
    std::string error = "'" + entry.text + "' is neither a number (decimal, &H.., &O.., 16#..)";
    return error + (choices.empty() ? " nor a choice: the parameter has none"
                                    : " nor one of its choices: " + joined(choices, " | "));
}

// Swallows the window's out-of-bounds box: the command line says it in its own words.
class QuietDialogs : public Dialogs
{
public:
    using Dialogs::notice;
    void notice(const std::string& text, const std::string& detail) override
    {
        (void)text;
        (void)detail;
    }
    bool askYesNo(const std::string& text) override
    {
        (void)text;
        return false;
    }
    std::optional<std::string> openFile(const FileRequest& request) override
    {
        (void)request;
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const FileRequest& request) override
    {
        (void)request;
        return std::nullopt;
    }
};

// A limit as the number it means; null for a blank one, which bounds nothing.
Json limitJson(const std::string& text)
{
    const auto limit = limitNumber(text);
    if (!limit)
        return nullptr;
    if (std::isfinite(*limit) && *limit == std::trunc(*limit) && std::fabs(*limit) < 9.0e15)
        return static_cast<long long>(*limit);
    return *limit;
}

Json tableAsJson(const ParameterEditor& editor, const std::string& edsPath)
{
    Json slots = Json::array();
    for (const EditorSlot& slot : editor.slots()) {
        Json parameters = Json::array();
        for (int p = 0; p < slot.parameterCount; ++p) {
            const ParameterRow& row = editor.row(slot.firstRow + p);
            const ParameterRecord& record = row.record;
            Json choices = Json::array();
            const std::vector<std::string> texts = parameterChoices(record);
            for (std::size_t m = 0; m < texts.size() && m < record.EnumValue.size(); ++m)
                choices.push_back({{"value", record.EnumValue[m]}, {"text", jsonText(texts[m])}});
            parameters.push_back(
                {{"parameter", p + 1},
                 {"name", jsonText(row.name)},
                 {"value", jsonText(row.value)},
                 {"value_number", record.ValueNumber},
                 {"default", jsonText(row.defaultValue)},
                 {"default_number",
                  record.DefaultText.empty() ? Json(nullptr) : Json(record.DefaultNumber)},
                 {"minimum", limitJson(row.minimum)},
                 {"maximum", limitJson(row.maximum)},
                 {"choices", choices}});
        }
        slots.push_back({{"slot", slot.number},
                         {"module", jsonText(modelNameOf(slot.moduleFile))},
                         {"parameters", parameters}});
    }
    return {{"file", jsonPath(edsPath)}, {"slots", slots}};
}

// The text of a limit for a message, without the blanks the file may have around it.
std::string limitText(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

int runParamsCommand(CliContext& context, const std::vector<std::string>& args)
{
    if (args.empty() || (args[0] != "show" && args[0] != "set"))
        return usageError(context, "params needs 'show' or 'set'");
    const bool show = args[0] == "show";
    if (args.size() < 2 || args[1].rfind("--", 0) == 0)
        return usageError(context, "params " + args[0] + " needs the EDS file");
    const std::string edsPath = args[1];

    const std::vector<std::string> rest(args.begin() + 2, args.end());
    const std::vector<OptionDef> defs =
        show ? std::vector<OptionDef>{{"--format", OptionArity::One}}
             : std::vector<OptionDef>{{"--value", OptionArity::Many},
                                      {"--output", OptionArity::One}};
    const OptionsResult parsed = parseOptions(rest, defs);
    if (!parsed.error.empty())
        return usageError(context, parsed.error);
    const auto format = formatOption(context, parsed.options, {"text", "tsv", "json"});
    if (!format)
        return ExitBadInput;
    std::vector<ValueEntry> entries;
    if (const auto values = parsed.options.find("--value"); values != parsed.options.end()) {
        for (const std::string& v : values->second) {
            const auto entry = parseValueEntry(v);
            if (!entry)
                return usageError(context, "--value takes SLOT.PARAM=VALUE, not '" + v + "'");
            entries.push_back(*entry);
        }
    }

    Session session;
    CliDialogs dialogs(context.err);
    StationSource source;
    source.protocol = FieldbusProtocol::CanOpen;
    if (const int status = buildStation(context, source, session, dialogs); status != ExitSuccess)
        return status;

    // The text saved is the one the editor read, even if the file changes meanwhile.
    std::string whyNot;
    const auto edsText = readTextFile(edsPath, EdsFileMaxBytes, &whyNot);
    if (!edsText) {
        report(context, edsPath, "cannot be read: " + whyNot);
        return ExitBadInput;
    }
    dialogs.concerning(edsPath);
    dialogs.answerOpenWith(edsPath);
    if (!Command16_Click(session, dialogs))
        return ExitBadInput; // the window's message has been shown
    ParameterEditor editor;
    switch (editor.Form_Load(session, dialogs)) {
    case ParameterEditor::LoadResult::Loaded:
        break;
    case ParameterEditor::LoadResult::Refused:
        return ExitRefused;
    case ParameterEditor::LoadResult::NoEds:
    case ParameterEditor::LoadResult::Unreadable:
        return ExitBadInput;
    }

    if (show) {
        if (*format == "json")
            writeJson(context.out, tableAsJson(editor, edsPath));
        else if (*format == "tsv")
            context.out << ParameterTsvHeader << formatParameterTable(editor, TableFormat::Tsv);
        else
            context.out << formatParameterTable(editor, TableFormat::Text);
        return ExitSuccess;
    }

    // Every entry must name a parameter and a value it can take before any is entered.
    for (const ValueEntry& entry : entries) {
        if (const std::string error = entryError(editor, entry); !error.empty())
            return usageError(context, edsPath + ": --value " + entry.arg + ": " + error);
    }
    if (entries.empty()) {
        report(context, edsPath, "no --value given; nothing written");
        return ExitSuccess;
    }
    QuietDialogs quiet;
    for (const ValueEntry& entry : entries) {
        if (enterParameterValue(editor, entry.slot, entry.param, entry.text, quiet) ==
            EntryResult::OutOfBounds) {
            const ParameterRow& row = editor.row(editor.rowOf(entry.slot, entry.param));
            report(context, edsPath,
                   "slot " + std::to_string(entry.slot) + ", parameter " +
                       std::to_string(entry.param) + ": " + entry.text + " is out of bounds " +
                       limitText(row.minimum) + ".." + limitText(row.maximum) +
                       "; nothing written");
            return ExitRefused;
        }
    }
    const std::string output = optionValue(parsed.options, "--output").value_or(edsPath);
    const auto text = editor.savedText(session, *edsText, fileNameLineFor(output));
    if (!text) {
        // The editor took the file, so only its number of values can stand in the way.
        report(context, edsPath, TooManyValuesMessage);
        return ExitRefused;
    }
    return writeOutput(context, output, *text) ? ExitSuccess : ExitRefused;
}

} // namespace quillon
