#include "cli/params_command.h"

#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_support.h"
#include "core/file_access.h"
#include "core/session.h"
#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "params/parameter_table.h"

namespace quillon {

const char* const ParamsSynopsis =
    "params show FILE.eds [--format text|tsv]\n"
    "  quillon-cli [--ini FILE] params set FILE.eds [--value SLOT.PARAM=VALUE]... "
    "[--output FILE.eds]";

namespace {

struct ValueEntry
{
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
    ValueEntry entry{smallNumber(arg.substr(0, dot)),
                     smallNumber(arg.substr(dot + 1, equals - dot - 1)), arg.substr(equals + 1)};
    if (entry.slot == 0 || entry.param == 0)
        return std::nullopt;
    return entry;
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

    TableFormat format = TableFormat::Text;
    if (const auto f = optionValue(parsed.options, "--format")) {
        if (*f == "tsv")
            format = TableFormat::Tsv;
        else if (*f != "text")
            return usageError(context, "--format must be text or tsv, not '" + *f + "'");
    }
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
        context.err << "quillon-cli: cannot read " << edsPath << ": " << whyNot << "\n";
        return ExitBadInput;
    }
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
        context.out << formatParameterTable(editor, format);
        return ExitSuccess;
    }
    for (const ValueEntry& entry : entries) {
        switch (enterParameterValue(editor, entry.slot, entry.param, entry.text, dialogs)) {
        case EntryResult::Taken:
            break;
        case EntryResult::NoSuchParameter:
            return usageError(context, "there is no parameter " + std::to_string(entry.param) +
                                           " in slot " + std::to_string(entry.slot) + " of " +
                                           edsPath);
        case EntryResult::OutOfBounds:
            return ExitRefused; // the window's message has been shown; nothing is written
        }
    }
    const std::string output = optionValue(parsed.options, "--output").value_or(edsPath);
    if (editor.saveEds(session, *edsText, output, &whyNot) != ParameterEditor::SaveResult::Saved) {
        context.err << "quillon-cli: cannot write " << output << ": " << whyNot << "\n";
        return ExitRefused;
    }
    return ExitSuccess;
}

} // namespace quillon
