#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/types.h"

namespace quillon {

// Text rules shared by both EDS generators. Positions are counted from 1, as the generators'
// rules are written; 0 means "not found".

// Writes `text` over `line` from `position1Based` on, dropping whatever would fall beyond the end
// of the line: the line never changes its length. A position past the end changes nothing.
[[nodiscard]] std::string overwriteAt(std::string line, std::size_t position1Based,
                                      std::string_view text);

// The same, changing the line in place.
void overwriteInPlace(std::string& line, std::size_t position1Based, std::string_view text);

// Where `text` first stands in `line` (case-sensitive), counted from 1; 0 when it does not.
[[nodiscard]] std::size_t positionOf(std::string_view line, std::string_view text);

[[nodiscard]] inline bool contains(std::string_view line, std::string_view text)
{
    return line.find(text) != std::string_view::npos;
}

// `value` with at least two digits ("03"), the "#00" mask.
[[nodiscard]] std::string twoDigits(int value);

// `value` in upper-case hexadecimal without leading zeros ("C", "10").
[[nodiscard]] std::string upperHex(unsigned value);

// The count a "SupportedObjects=" line announces: the text after its first "=", read as a
// number (blanks ignored, leading digits with an optional sign, fraction and exponent) and
// rounded to the nearest whole number, halves to even. A text without a leading number gives 0;
// a line without "=" is read whole.
[[nodiscard]] long long announcedCount(std::string_view supportedObjectsLine);

// The product name line both generators write: the text before `position1Based` (the line's
// indentation), then ProdName = "K310-HB612+<model>+<model>...";, with the model names of
// positions 1..usedCount-1 cut from their resource file names.
[[nodiscard]] std::string productNameLine(std::string_view line, std::size_t position1Based,
                                          const ClusterTable& slots, int usedCount);

// The line the generators put where a template names the tool.
[[nodiscard]] std::string generatedByText();

} // namespace quillon
