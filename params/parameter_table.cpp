#include "params/parameter_table.h"

#include <algorithm>

#include "params/parameter_editor.h"

namespace quillon {

namespace {

// A field for the tab-separated form: tabs and line ends inside it would split the line.
std::string tsvField(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::string joined(const std::vector<std::string>& texts, const std::string& separator)
{
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i)
        out += (i ? separator : "") + texts[i];
    return out;
}

} // namespace

std::vector<std::string> parameterChoices(const ParameterRecord& record)
{
    std::vector<std::string> texts;
    for (const std::string& text : record.EnumText) {
        if (text.empty())
            break;
        texts.push_back(text);
    }
    return texts;
}

std::string formatParameterTable(const ParameterEditor& editor, TableFormat format)
{
    std::string out;
    for (int k = 1; k <= editor.rowCount(); ++k) {
        const ParameterRow& row = editor.row(k);
        const std::vector<std::string> choices = parameterChoices(row.record);
        if (format == TableFormat::Tsv) {
            std::vector<std::string> choiceFields;
            for (const std::string& c : choices)
                choiceFields.push_back(tsvField(c));
            out += std::to_string(row.slot) + '\t' + std::to_string(row.position + 1) + '\t' +
                   tsvField(row.name) + '\t' + tsvField(row.value) + '\t' +
                   tsvField(row.defaultValue) + '\t' + tsvField(row.minimum) + '\t' +
                   tsvField(row.maximum) + '\t' + joined(choiceFields, "|") + '\n';
            continue;
        }
        out += "Slot " + std::to_string(row.slot) + " " + row.label + "  " + row.name +
               "  value: " + row.value + "  default: " + row.defaultValue +
               "  min: " + row.minimum + "  max: " + row.maximum;
        if (!choices.empty())
            out += "  choices: " + joined(choices, " | ");
        out += '\n';
    }
    return out;
}

EntryResult enterParameterValue(ParameterEditor& editor, int slot, int param,
                                const std::string& text, Dialogs& dialogs)
{
    const int k = editor.rowOf(slot, param);
    if (k == 0)
        return EntryResult::NoSuchParameter;
    const std::vector<std::string> choices = parameterChoices(editor.row(k).record);
    if (std::find(choices.begin(), choices.end(), text) != choices.end()) {
        editor.Combo0_Change(k, text);
        editor.Combo0_Click(k, text);
        return EntryResult::Taken;
    }
    editor.Combo0_Change(k, text);
    return editor.Combo0_LostFocus(k, dialogs) == ParameterEditor::EntryCheck::OutOfBounds
               ? EntryResult::OutOfBounds
               : EntryResult::Taken;
}

} // namespace quillon
