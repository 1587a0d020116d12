#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "params/number_text.h"

namespace quillon {
namespace {

struct Conversion
{
    const char* text;
    double value;
};

TEST(ConvertLeadingNumber, FollowsTheTableOfRules)
{
    const Conversion table[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"  1 2 3  ", 123}, // blanks anywhere are ignored
        {"1\t2\n3", 123},   // and so are tabs and line feeds
        {"-7", -7},
        {"+7", 7},
        {"- 7", -7},
        {"3.25", 3.25},
        {".5", 0.5},
        {"-.5", -0.5},
        {"5.", 5},
        {"1.2.3", 1.2}, // one decimal point only
        {"1e3", 1000},
        {"1.5E-1", 0.15},
        {"2e", 2}, // an exponent without digits is not part of the number
        {"2e+", 2},
        {"12abc", 12},
        {"12,5", 12},
        {"-", 0},
        {".", 0},
        {"0x1F", 0}, // the C form is not a number start: 0 then stop
        {"$NODEID+0x180", 0},
        {"16#FF", 16}, // typed hexadecimal is handled before this conversion
    };
    for (const Conversion& c : table)
        EXPECT_DOUBLE_EQ(convertLeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ConvertLeadingNumber, ReadsHexadecimalAndOctalOf16And32Bits)
{
    const Conversion table[] = {
        {"&H1F", 31},
        {"&h1f", 31},
        {"&H7FFF", 32767},
        {"&H8000", -32768},
        {"&HFFFF", -1},
        {"&HFFFF&", 65535},
        {"&H7FFFFFFF&", 2147483647},
        {"&H80000000&", -2147483648.0},
        {"&HFFFFFFFF&", -1},
        {"&H10000", 65536}, // does not fit 16 bits: read as 32 bits
        {"&HFFFFFFFF", -1},
        {"&H1FFFFFFFF", 8589934591.0}, // beyond 32 bits: the plain value
        {"&H 1F", 31},
        {"&H", 0},
        {"&HXYZ", 0},
        {"&H1FG", 31},
        {"&O17", 15},
        {"&o777", 511},
        {"&O177777", -1},
        {"&O177777&", 65535},
        {"&O8", 0},
        {"&12", 0},
        {"-&H10", 0}, // the forms only count at the start
    };
    for (const Conversion& c : table)
        EXPECT_DOUBLE_EQ(convertLeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ConvertLeadingNumber, HugeAndTinyDecimalsStayDefined)
{
    EXPECT_EQ(convertLeadingNumber("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(convertLeadingNumber("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(convertLeadingNumber("1e-400"), 0.0);
    EXPECT_DOUBLE_EQ(convertLeadingNumber(std::string(40, '9')), 1e40);
}

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(8.5), 8);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
    EXPECT_EQ(roundHalfEven(-2.6), -3);
    EXPECT_EQ(roundHalfEven(7), 7);
}

TEST(NearestInt32, RoundsAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(nearestInt32(12.5), 12);
    EXPECT_EQ(nearestInt32(-12.5), -12);
    EXPECT_EQ(nearestInt32(2147483647.0), 2147483647);
    EXPECT_EQ(nearestInt32(2147483647.4), 2147483647);
    EXPECT_EQ(nearestInt32(2147483647.5), std::nullopt); // rounds to 2^31
    EXPECT_EQ(nearestInt32(-2147483648.0), INT32_MIN);
    EXPECT_EQ(nearestInt32(-2147483648.5), INT32_MIN); // half to even stays inside
    EXPECT_EQ(nearestInt32(-2147483649.0), std::nullopt);
    EXPECT_EQ(nearestInt32(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(nearestInt32(std::nan("")), std::nullopt);
}

TEST(LimitNumber, ReadsHexadecimalLimitsAsTheirValues)
{
    EXPECT_EQ(limitNumber("100"), 100);
    EXPECT_EQ(limitNumber("-10"), -10);
    EXPECT_EQ(limitNumber("0xFF"), 255);
    EXPECT_EQ(limitNumber(" 0X7f"), 127);
    EXPECT_EQ(limitNumber("0xFFFFFFFF"), 4294967295.0);
    EXPECT_EQ(limitNumber("0x"), 0);
    EXPECT_EQ(limitNumber("&HFF"), 255);
    EXPECT_EQ(limitNumber("x"), 0);
    EXPECT_EQ(limitNumber(""), std::nullopt);
    EXPECT_EQ(limitNumber("  "), std::nullopt);
}

TEST(ReadTypedEntry, Turns16HashIntoA32BitHexadecimalNumber)
{
    const TypedEntry hex = readTypedEntry("16#1F");
    EXPECT_EQ(hex.text, "&H1F&");
    EXPECT_EQ(hex.value, 31);
    EXPECT_EQ(readTypedEntry("16#FF").value, 255);
    EXPECT_EQ(readTypedEntry("16#FFFF").value, 65535); // 32 bits, unlike &HFFFF
    EXPECT_EQ(readTypedEntry("16#FFFFFFFF").value, -1);
    EXPECT_EQ(readTypedEntry("16#").value, 0);

    const TypedEntry plain = readTypedEntry("42");
    EXPECT_EQ(plain.text, "42");
    EXPECT_EQ(plain.value, 42);
    EXPECT_EQ(readTypedEntry("&HFFFF").value, -1);
    EXPECT_EQ(readTypedEntry("fast").value, 0);
}

} // namespace
} // namespace quillon
