#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/number_text.h"

namespace quillon {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

using Conversions = std::vector<std::pair<const char*, double>>;

void expectConversions(const Conversions& table)
{
    for (const auto& [text, value] : table)
        EXPECT_DOUBLE_EQ(convertLeadingNumber(text), value) << '"' << text << '"';
}

TEST(ConvertLeadingNumber, FollowsTheTableOfRules)
{
    // Blanks, tabs and line feeds anywhere are ignored, one decimal point only, an exponent
    // without digits is not part of the number, the C and typed hexadecimal forms stop at their 0
    // or 16.
    const Conversions decimal = {
        {"", 0},     {"abc", 0},     {"  1 2 3  ", 123}, {"1\t2\n3", 123}, {"-7", -7},
        {"+7", 7},   {"- 7", -7},    {"3.25", 3.25},     {".5", 0.5},      {"-.5", -0.5},
        {"5.", 5},   {"1.2.3", 1.2}, {"1e3", 1000},      {"1.5E-1", 0.15}, {"2e", 2},
        {"2e+", 2},  {"12abc", 12},  {"12,5", 12},       {"-", 0},         {".", 0},
        {"0x1F", 0}, {"16#FF", 16},  {"1e400", Inf},     {"-1e400", -Inf}, {"1e-400", 0}};
    expectConversions(decimal);
    EXPECT_DOUBLE_EQ(convertLeadingNumber(std::string(40, '9')), 1e40);
}

TEST(ConvertLeadingNumber, ReadsHexadecimalAndOctalOf16And32Bits)
{
    // 16 bits; the forms only count at the start.
    const Conversions sixteen = {
        {"&H1F", 31},   {"&h1f", 31},     {"&H7FFF", 32767}, {"&H8000", -32768}, {"&HFFFF", -1},
        {"&H 1F", 31},  {"&H", 0},        {"&HXYZ", 0},      {"&H1FG", 31},      {"&O17", 15},
        {"&o777", 511}, {"&O177777", -1}, {"&O8", 0},        {"&12", 0},         {"-&H10", 0}};
    // 32 bits when "&" follows or the digits do not fit 16; the plain value beyond 32 bits.
    const Conversions wide = {
        {"&HFFFF&", 65535},  {"&H7FFFFFFF&", 2147483647}, {"&H80000000&", -2147483648.0},
        {"&HFFFFFFFF&", -1}, {"&H10000", 65536},          {"&H1FFFFFFFF", 8589934591.0},
        {"&O177777&", 65535}};
    expectConversions(sixteen);
    expectConversions(wide);
}

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour)
{
    const std::pair<double, double> table[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},    {-0.5, 0},
                                               {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3},
                                               {-2.6, -3}, {7, 7}};
    for (const auto& [value, rounded] : table)
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
}

TEST(NearestInt32, RoundsAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(nearestInt32(12.5), 12);
    EXPECT_EQ(nearestInt32(-12.5), -12);
    EXPECT_EQ(nearestInt32(2147483647.4), 2147483647);
    EXPECT_EQ(nearestInt32(2147483647.5), std::nullopt); // rounds to 2^31
    EXPECT_EQ(nearestInt32(-2147483648.5), INT32_MIN);   // half to even stays inside
    EXPECT_EQ(nearestInt32(-2147483649.0), std::nullopt);
    EXPECT_EQ(nearestInt32(Inf), std::nullopt);
    EXPECT_EQ(nearestInt32(std::nan("")), std::nullopt);
}

TEST(LimitNumber, ReadsHexadecimalLimitsAsTheirValues)
{
    EXPECT_EQ(limitNumber("-10"), -10);
    EXPECT_EQ(limitNumber(" 0X7f"), 127);
    EXPECT_EQ(limitNumber("0xFFFFFFFF"), 4294967295.0);
    EXPECT_EQ(limitNumber("0x"), 0);
    EXPECT_EQ(limitNumber("&HFF"), 255);
    EXPECT_EQ(limitNumber("x"), 0);
    EXPECT_EQ(limitNumber("  "), std::nullopt);
}

TEST(ReadTypedEntry, Turns16HashIntoA32BitHexadecimalNumber)
{
    const TypedEntry hex = readTypedEntry("16#1F");
    EXPECT_EQ(hex.text, "&H1F&");
    EXPECT_EQ(hex.value, 31);
    EXPECT_EQ(readTypedEntry("16#FFFF").value, 65535); // 32 bits, unlike &HFFFF
    EXPECT_EQ(readTypedEntry("16#FFFFFFFF").value, -1);
    EXPECT_EQ(readTypedEntry("16#").value, 0);
    // Wherever the marker stands, the first three characters go: what follows them is read.
    const std::pair<const char*, double> elsewhere[] = {
        {" 16#1F", 0}, {"1016#FF", 6}, {"ab16#7", 6}, {"x16#2A", 0}};
    for (const auto& [typed, value] : elsewhere)
        EXPECT_EQ(readTypedEntry(typed).value, value) << typed;
    EXPECT_EQ(readTypedEntry(" 16#1F").text, "&H#1F&");
    const TypedEntry plain = readTypedEntry("&HFFFF");
    EXPECT_EQ(plain.text, "&HFFFF");
    EXPECT_EQ(plain.value, -1);
}

} // namespace
} // namespace quillon
