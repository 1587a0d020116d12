#include <climits>
#include <gtest/gtest.h>

#include "core/item_reader.h"

namespace quillon {
namespace {

TEST(ItemReaderLines, EndAtCrLfLoneCrAndLoneLf)
{
    ItemReader r("a\r\nb\rc\nd");
    EXPECT_EQ(r.readLine(), "a");
    EXPECT_EQ(r.readLine(), "b");
    EXPECT_EQ(r.readLine(), "c");
    EXPECT_EQ(r.lineNumber(), 4);
    EXPECT_EQ(r.readLine(), "d");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.readLine(), std::nullopt);
    EXPECT_EQ(r.lastError(), "end of file");
}

TEST(ItemReaderLines, EmptyLinesAreLinesAndAFinalLineEndStartsNone)
{
    EXPECT_EQ(splitLines("x\r\n\r\n\ny\r\n"), (std::vector<std::string>{"x", "", "", "y"}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(ItemReaderItems, SplitAtCommasAndLineEndsAndTrimBlanks)
{
    ItemReader r("  a b ,c\r\n\td,\r\n");
    EXPECT_EQ(r.readText(), "a b");
    EXPECT_EQ(r.readText(), "c");
    EXPECT_EQ(r.readText(), "d");
    EXPECT_EQ(r.readText(), ""); // the item between the last comma and the line end
    EXPECT_EQ(r.readText(), std::nullopt);
}

TEST(ItemReaderItems, QuotedItemsKeepCommasAndBlanks)
{
    ItemReader r("\" x, y \" , \"z\"\r\n\"open");
    EXPECT_EQ(r.readText(), " x, y ");
    EXPECT_EQ(r.readText(), "z");
    EXPECT_EQ(r.readText(), "open"); // an unclosed quote ends with its line
}

TEST(ItemReaderItems, WhatFollowsAClosingQuoteStartsTheNextItem)
{
    // A choice list written the way EDS files write them: the ";" after the last text is an item.
    ItemReader r("0,\"Off\",\r\n1,\"On\";\r\n");
    EXPECT_EQ(r.readText(), "0");
    EXPECT_EQ(r.readText(), "Off");
    EXPECT_EQ(r.readText(), "");
    EXPECT_EQ(r.readText(), "1");
    EXPECT_EQ(r.readText(), "On");
    EXPECT_EQ(r.readText(), ";");
    EXPECT_TRUE(r.atEnd());
}

TEST(ItemReaderItems, ItemsAndLinesInterleave)
{
    ItemReader r("1, 2\r\nrest of line\r\n");
    EXPECT_EQ(r.readInt16(), 1);
    EXPECT_EQ(r.readInt16(), 2);
    EXPECT_EQ(r.readLine(), "rest of line");
}

TEST(ItemReaderNumbers, SignedSixteenBitRange)
{
    ItemReader r(" 32767 ,-32768, 2 \r\n32768\r\n-32769\r\n12a\r\n\r\n");
    EXPECT_EQ(r.readInt16(), 32767);
    EXPECT_EQ(r.readInt16(), -32768);
    EXPECT_EQ(r.readInt16(), 2);
    EXPECT_EQ(r.readInt16(), std::nullopt);
    EXPECT_EQ(r.lastError(), "number out of range: 32768");
    EXPECT_EQ(r.readInt16(), std::nullopt);
    EXPECT_EQ(r.readInt16(), std::nullopt);
    EXPECT_EQ(r.lastError(), "not a whole number: \"12a\"");
    EXPECT_EQ(r.readInt16(), std::nullopt); // an empty item is no number
}

TEST(ParseWholeNumber, RejectsEverythingButSignedDigits)
{
    EXPECT_EQ(parseWholeNumber("+7", -10, 10), 7);
    EXPECT_EQ(parseWholeNumber(" -0 ", -10, 10), 0);
    for (const char* bad : {"", " ", "-", "1 2", "0x10", "1.5", "1e3", "99999999999999999999999"})
        EXPECT_EQ(parseWholeNumber(bad, LLONG_MIN, LLONG_MAX), std::nullopt) << bad;
    EXPECT_EQ(parseWholeNumber("-9223372036854775808", LLONG_MIN, LLONG_MAX), LLONG_MIN);
}

} // namespace
} // namespace quillon
