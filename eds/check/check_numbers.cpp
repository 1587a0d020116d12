#include "eds/check/check_numbers.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "core/item_reader.h"
#include "eds/check/check_text.h"

namespace quillon::check {

namespace {

double asDouble(const Value& v)
{
    if (v.real)
        return v.number;
    const auto d = static_cast<double>(v.magnitude);
    return v.negative ? -d : d;
}

} // namespace

std::optional<IntText> parseInteger(std::string_view s, bool octal)
{
    s = trim(s);
    IntText r;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        r.negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
        r.radix = true;
    } else if (octal && s.size() > 1 && s[0] == '0') {
        base = 8;
        s.remove_prefix(1);
        r.radix = true;
    }
    if (s.empty())
        return std::nullopt;
    const char* end = s.data() + s.size();
    const auto [p, ec] = std::from_chars(s.data(), end, r.magnitude, base);
    if (ec != std::errc() || p != end)
        return std::nullopt;
    if (r.magnitude == 0)
        r.negative = false;
    return r;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view s, bool octal, std::uint64_t maxValue)
{
    const auto v = parseInteger(s, octal);
    if (!v || v->negative || v->magnitude > maxValue)
        return std::nullopt;
    return v->magnitude;
}

bool isNumeric(Kind k)
{
    return k == Kind::Boolean || k == Kind::Signed || k == Kind::Unsigned || k == Kind::Real;
}

std::optional<Value> parseValue(std::string_view text, const ValueType& type, bool octal,
                                std::string& why)
{
    Value v;
    if (type.kind == Kind::Real) {
        v.real = true;
        if (const auto bits = parseInteger(text, false); bits && bits->radix && !bits->negative) {
            if (type.bits == 32) {
                if (bits->magnitude > 0xFFFFFFFFu) {
                    why = "more than 32 bits";
                    return std::nullopt;
                }
                const auto pattern = static_cast<std::uint32_t>(bits->magnitude);
                float f = 0;
                std::memcpy(&f, &pattern, sizeof f);
                v.number = f;
            } else {
                std::memcpy(&v.number, &bits->magnitude, sizeof v.number);
            }
            return v;
        }
        std::string_view t = trim(text);
        if (!t.empty() && t.front() == '+')
            t.remove_prefix(1);
        const char* end = t.data() + t.size();
        const auto [p, ec] = std::from_chars(t.data(), end, v.number);
        if (t.empty() || ec != std::errc() || p != end) {
            why = "not a number";
            return std::nullopt;
        }
        if (type.bits == 32 && std::isfinite(v.number) && std::fabs(v.number) > FLT_MAX) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    }
    const auto i = parseInteger(text, octal);
    if (!i) {
        why = "not a whole number";
        return std::nullopt;
    }
    v.negative = i->negative;
    v.magnitude = i->magnitude;
    const int n = type.bits;
    switch (type.kind) {
    case Kind::Boolean:
        if (v.negative || v.magnitude > 1) {
            why = "not 0 or 1";
            return std::nullopt;
        }
        return v;
    case Kind::Unsigned:
        if (v.negative || (n < 64 && (v.magnitude >> n) != 0)) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    case Kind::Signed:
        if (i->radix && !i->negative) {
            if (n < 64 && (v.magnitude >> n) != 0) {
                why = "more than " + std::to_string(n) + " bits";
                return std::nullopt;
            }
            if (((v.magnitude >> (n - 1)) & 1u) != 0) {
                v.negative = true;
                v.magnitude = n == 64 ? ~v.magnitude + 1 : (std::uint64_t{1} << n) - v.magnitude;
            }
            return v;
        }
        if (v.negative ? v.magnitude > (std::uint64_t{1} << (n - 1))
                       : v.magnitude >= (std::uint64_t{1} << (n - 1))) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    default:
        return v;
    }
}

std::optional<int> compareValues(const Value& a, const Value& b)
{
    if (a.real || b.real) {
        const double x = asDouble(a);
        const double y = asDouble(b);
        if (std::isnan(x) || std::isnan(y))
            return std::nullopt;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    if (a.magnitude == b.magnitude)
        return 0;
    const bool less = (a.magnitude < b.magnitude) != a.negative;
    return less ? -1 : 1;
}

bool fieldInRange(std::string_view s, std::size_t minDigits, std::size_t maxDigits, unsigned low,
                  unsigned high)
{
    return s.size() >= minDigits && s.size() <= maxDigits && allDigits(s) &&
           parseWholeNumber(s, low, high).has_value();
}

bool isDate(std::string_view s)
{
    return s.size() == 10 && s[2] == '-' && s[5] == '-' &&
           fieldInRange(s.substr(0, 2), 2, 2, 1, 12) && fieldInRange(s.substr(3, 2), 2, 2, 1, 31) &&
           fieldInRange(s.substr(6, 4), 4, 4, 0, 9999);
}

} // namespace quillon::check
