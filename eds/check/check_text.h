#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::check {

// Text helpers of the EDS checker. Both EDS formats compare section names and keywords without
// regard to case, and only ASCII letters have a case.

constexpr std::size_t npos = std::string_view::npos;

[[nodiscard]] inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

[[nodiscard]] inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

[[nodiscard]] inline bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

[[nodiscard]] inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

[[nodiscard]] inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `s` without the blanks (spaces and tabs) at either end.
[[nodiscard]] std::string_view trim(std::string_view s);

[[nodiscard]] bool iequals(std::string_view a, std::string_view b);
// Case-insensitive order, for finding repeated keys by sorting.
[[nodiscard]] bool iless(std::string_view a, std::string_view b);
[[nodiscard]] bool istartsWith(std::string_view s, std::string_view prefix);
// Where `needle` first stands in `hay`, ignoring case; npos when it does not.
[[nodiscard]] std::size_t ifind(std::string_view hay, std::string_view needle);
[[nodiscard]] std::string lowerCopy(std::string_view s);

// True for a non-empty run of decimal digits.
[[nodiscard]] bool allDigits(std::string_view s);

// File text as it may appear in a message: at most 40 characters, control characters as '?', so
// that a hostile file cannot flood or garble the report.
[[nodiscard]] std::string shown(std::string_view s);
// The same in single quotes.
[[nodiscard]] std::string quoted(std::string_view s);

// "0x" and the low `digits` (1 to 8) hexadecimal digits of `value`, upper case ("0x1A00").
[[nodiscard]] std::string hexNumber(unsigned value, int digits);

// `v` in decimal.
[[nodiscard]] std::string num(std::uint64_t v);

} // namespace quillon::check
