#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// How the parameter editor and the generator read a number out of a text. Blanks, tabs and line
// feeds are ignored anywhere in the text. "&H" and "&O" (either case) start a hexadecimal or octal
// number of 16 bits, so &HFFFF is -1; followed by "&" the digits make a 32-bit number (&HFFFFFFFF&
// is -1). Digits that do not fit 16 bits without the "&" are read as 32 bits, and digits beyond 32
// bits give their plain unsigned value. Otherwise the longest leading decimal number is taken
// (optional sign, digits, one decimal point, optional exponent). A text without such a start
// gives 0; a decimal number too large for a double gives +/-infinity.
[[nodiscard]] double convertLeadingNumber(std::string_view text);

// The decimal part of that conversion alone: blanks, tabs and line feeds ignored, the longest
// leading decimal number taken, 0 without one; "&H" and "&O" forms read as 0.
[[nodiscard]] double leadingDecimalNumber(std::string_view text);

// The whole number nearest to `value`, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
[[nodiscard]] double roundHalfEven(double value);

// `value` rounded half to even as a signed 32-bit number; nullopt when it does not fit or is not
// a number.
[[nodiscard]] std::optional<std::int32_t> nearestInt32(double value);

// A limit as written in an EDS "LowLimit=" or "HighLimit=" line: "0x" (either case) starts a
// hexadecimal number taken as the unsigned value it writes, anything else goes through
// convertLeadingNumber. nullopt for a text of blanks only: such a limit bounds nothing.
[[nodiscard]] std::optional<double> limitNumber(std::string_view text);

// A value as typed into a Value box. "16#" introduces a 32-bit hexadecimal number: the text after
// the first three characters becomes "&H" + digits + "&" (so 16#FF is 255 and 16#FFFFFFFF is -1;
// " 16#1F" keeps "#1F" and gives 0). Anything else goes
// through convertLeadingNumber, so a typed "&H" form is hexadecimal too and a text that is no
// number gives 0.
struct TypedEntry
{
    std::string text; // what is remembered as the entry: the converted text for the 16# form
    double value = 0;
};
[[nodiscard]] TypedEntry readTypedEntry(const std::string& typed);

// `value` as plain decimal without blanks ("-12").
[[nodiscard]] std::string decimalText(long long value);

} // namespace quillon
