#pragma once

#include <string>

namespace quillon {

class ParameterEditor;
class Dialogs;

enum class TableFormat
{
    Text, // for people: one labelled line per parameter
    Tsv,  // slot, parameter, name, value, default, minimum, maximum, choices joined with "|"
};

// Every parameter row of the editor, one line each, in row order.
[[nodiscard]] std::string formatParameterTable(const ParameterEditor& editor, TableFormat format);

enum class EntryResult
{
    Taken,
    NoSuchParameter,
    OutOfBounds, // reported; the row went back to its default
};

// Enters `text` into the Value box of parameter `param` of slot `slot` as the user would: the
// text of one of its choices picks that choice, anything else is typed and checked against the
// parameter's limits when the box is left.
EntryResult enterParameterValue(ParameterEditor& editor, int slot, int param,
                                const std::string& text, Dialogs& dialogs);

} // namespace quillon
