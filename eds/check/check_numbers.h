#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::check {

// Numbers and typed values as both EDS formats write them.

struct IntText
{
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool radix = false; // written in hexadecimal or octal, that is, as a bit pattern
};

// A whole number: blanks around it, an optional sign, then "0x" and hexadecimal digits, or (when
// `octal`) a leading 0 and octal digits, or decimal digits. CANopen reads a leading 0 as octal;
// DeviceNet does not. nullopt for anything else or a magnitude beyond 64 bits.
[[nodiscard]] std::optional<IntText> parseInteger(std::string_view s, bool octal);

// A non-negative whole number no larger than `maxValue`.
[[nodiscard]] std::optional<std::uint64_t> parseUnsigned(std::string_view s, bool octal,
                                                         std::uint64_t maxValue);

enum class Kind
{
    Boolean,
    Signed,
    Unsigned,
    Real,
    Text,
    Domain,
    Time,
    Structure,
};

struct ValueType
{
    const char* name;
    Kind kind;
    int bits; // 0 when the size is not fixed
};

[[nodiscard]] bool isNumeric(Kind k);

struct Value
{
    bool real = false;
    double number = 0;
    bool negative = false;
    std::uint64_t magnitude = 0;
};

// Reads text as a value of a numeric type. Integers in hexadecimal or octal are bit patterns of
// the type's width (0xFF is -1 for an 8-bit signed type); decimal integers must lie in its range.
// nullopt when it is no such value; `why` then says why in a few words.
[[nodiscard]] std::optional<Value> parseValue(std::string_view text, const ValueType& type,
                                              bool octal, std::string& why);

// -1, 0 or 1; nullopt when one of them is not a number at all (a NaN bit pattern).
[[nodiscard]] std::optional<int> compareValues(const Value& a, const Value& b);

// A decimal number of `minDigits` to `maxDigits` digits (at most 9) from `low` to `high`.
[[nodiscard]] bool fieldInRange(std::string_view s, std::size_t minDigits, std::size_t maxDigits,
                                unsigned low, unsigned high);

// "mm-dd-yyyy", as both formats write their file dates.
[[nodiscard]] bool isDate(std::string_view s);

} // namespace quillon::check
