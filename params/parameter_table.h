#pragma once

#include <string>
#include <vector>

namespace quillon {

class ParameterEditor;
struct ParameterRecord;
class Dialogs;

enum class TableFormat
{
    Text, // for people: one labelled line per parameter
    Tsv,  // slot, parameter, name, value, default, minimum, maximum, choices joined with "|"
};

// The names of the tab-separated form's columns, as a header line for it.
inline constexpr const char* ParameterTsvHeader =
    "slot\tparameter\tname\tvalue\tdefault\tminimum\tmaximum\tchoices\n";

// Every parameter row of the editor, one line each, in row order.
[[nodiscard]] std::string formatParameterTable(const ParameterEditor& editor, TableFormat format);

// The texts of the choices a parameter offers, up to the first empty one.
[[nodiscard]] std::vector<std::string> parameterChoices(const ParameterRecord& record);

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
