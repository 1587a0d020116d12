#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quillon {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Digits of `base` from `i` on; sets `end` past them. Stops counting past 2^40 so that absurdly
// long digit runs cannot overflow: such a value is far beyond every 32-bit limit anyway.
std::uint64_t readDigits(std::string_view s, std::size_t i, int base, std::size_t& end, bool& any)
{
    constexpr std::uint64_t Cap = std::uint64_t{1} << 40;
    std::uint64_t value = 0;
    any = false;
    while (i < s.size() && digitValue(s[i]) < base) {
        if (value < Cap)
            value = value * static_cast<std::uint64_t>(base) +
                    static_cast<std::uint64_t>(digitValue(s[i]));
        any = true;
        ++i;
    }
    end = i;
    return value;
}

double signed16(std::uint64_t v)
{
    return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
}

double signed32(std::uint64_t v)
{
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

// "&H..." or "&O..." without the leading "&" and letter already consumed.
double ampersandNumber(std::string_view s, int base)
{
    std::size_t end = 0;
    bool any = false;
    const std::uint64_t v = readDigits(s, 2, base, end, any);
    if (!any)
        return 0;
    const bool long32 = end < s.size() && s[end] == '&';
    if (v > 0xFFFFFFFFu)
        return static_cast<double>(v);
    if (long32 || v > 0xFFFFu)
        return signed32(v);
    return signed16(v);
}

double decimalNumber(std::string_view s)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string normal;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        normal.push_back(s[i++]);
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        normal.push_back('.');
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            normal.push_back(s[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (normal.front() == '.')
        normal.insert(normal.begin(), '0');
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            normal.append(s.substr(i, j - i));
            while (j < s.size() && isDigit(s[j]))
                normal.push_back(s[j++]);
        }
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: decide by the exponent's sign and size.
        const auto e = normal.find_first_of("eE");
        const bool tiny = e != std::string::npos && normal.find('-', e) != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

std::string withoutBlanks(std::string_view text)
{
    std::string packed;
    packed.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            packed.push_back(c);
    }
    return packed;
}

} // namespace

double leadingDecimalNumber(std::string_view text)
{
    return decimalNumber(withoutBlanks(text));
}

double convertLeadingNumber(std::string_view text)
{
    const std::string packed = withoutBlanks(text);
    if (packed.size() >= 2 && packed[0] == '&') {
        if (packed[1] == 'H' || packed[1] == 'h')
            return ampersandNumber(packed, 16);
        if (packed[1] == 'O' || packed[1] == 'o')
            return ampersandNumber(packed, 8);
        return 0;
    }
    return decimalNumber(packed);
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::int32_t> nearestInt32(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= static_cast<double>(INT32_MIN) && r <= static_cast<double>(INT32_MAX)))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<double> limitNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        std::size_t end = 0;
        bool any = false;
        const std::uint64_t v = readDigits(text, i + 2, 16, end, any);
        return static_cast<double>(v);
    }
    return convertLeadingNumber(text);
}

TypedEntry readTypedEntry(const std::string& typed)
{
    TypedEntry entry;
    // The form is meant to be typed at the start; wherever the marker stands, the first three
    // characters are what is dropped, so anything typed before it spoils the number.
    if (typed.find("16#") != std::string::npos) {
        entry.text = "&H" + typed.substr(3) + "&";
    } else {
        entry.text = typed;
    }
    entry.value = convertLeadingNumber(entry.text);
    return entry;
}

std::string decimalText(long long value)
{
    return std::to_string(value);
}

} // namespace quillon
