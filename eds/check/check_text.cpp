#include "eds/check/check_text.h"

#include <algorithm>

#include "eds/eds_text.h"

namespace quillon::check {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool iless(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
               static_cast<unsigned char>(lowerAscii(y));
    });
}

bool istartsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

std::size_t ifind(std::string_view hay, std::string_view needle)
{
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        if (iequals(hay.substr(i, needle.size()), needle))
            return i;
    }
    return npos;
}

std::string lowerCopy(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = lowerAscii(c);
    return r;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), isDigit);
}

std::string shown(std::string_view s)
{
    constexpr std::size_t MaxShown = 40;
    std::string r;
    for (std::size_t i = 0; i < s.size() && i < MaxShown; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        r += (c < 0x20 || c == 0x7f) ? '?' : s[i];
    }
    if (s.size() > MaxShown)
        r += "...";
    return r;
}

std::string quoted(std::string_view s)
{
    return "'" + shown(s) + "'";
}

std::string hexNumber(unsigned value, int digits)
{
    const auto width = static_cast<std::size_t>(digits);
    const auto mask = static_cast<unsigned>((std::uint64_t{1} << (4 * width)) - 1);
    const std::string hex = upperHex(value & mask);
    return "0x" + std::string(width - hex.size(), '0') + hex;
}

std::string num(std::uint64_t v)
{
    return std::to_string(v);
}

} // namespace quillon::check
