#include <gtest/gtest.h>

#include "eds/eds_text.h"

namespace quillon {
namespace {

TEST(OverwriteAt, ReplacesInsideTheLineWithoutChangingItsLength)
{
    EXPECT_EQ(overwriteAt("ParamXXX = 0,6", 1, "Param12 "), "Param12  = 0,6");
    EXPECT_EQ(overwriteAt("abcdef", 3, "XY"), "abXYef");
}

TEST(OverwriteAt, CutsTheTextAtTheEndOfTheLine)
{
    EXPECT_EQ(overwriteAt("  CreateDate = 1", 3, "CreateDate = 06-30-2009"), "  CreateDate = 0");
    EXPECT_EQ(overwriteAt("abc", 3, "XYZ"), "abX");
    // A replacement one character longer than its placeholder takes the next character.
    EXPECT_EQ(overwriteAt("ParamXXX =", 1, "Param100 "), "Param100 =");
    EXPECT_EQ(overwriteAt("ParamXXX =", 1, "Param100 ").size(), 10u);
}

TEST(OverwriteAt, PositionOutsideTheLineChangesNothing)
{
    EXPECT_EQ(overwriteAt("abc", 4, "X"), "abc");
    EXPECT_EQ(overwriteAt("abc", 0, "X"), "abc");
    EXPECT_EQ(overwriteAt("", 1, "X"), "");
}

TEST(PositionOf, CountsFromOneAndFindsTheFirstOccurrence)
{
    EXPECT_EQ(positionOf("a slot slot", "slot"), 3u);
    EXPECT_EQ(positionOf("abc", "x"), 0u);
    EXPECT_EQ(positionOf("Slot", "slot"), 0u); // case matters
}

TEST(NumberText, TwoDigitsAndUpperHex)
{
    EXPECT_EQ(twoDigits(3), "03");
    EXPECT_EQ(twoDigits(12), "12");
    EXPECT_EQ(upperHex(9), "9");
    EXPECT_EQ(upperHex(12), "C");
    EXPECT_EQ(upperHex(16), "10");
    EXPECT_EQ(upperHex(0), "0");
}

TEST(AnnouncedCount, ReadsTheLeadingNumberAfterTheFirstEquals)
{
    EXPECT_EQ(announcedCount("SupportedObjects=4"), 4);
    EXPECT_EQ(announcedCount("SupportedObjects= 1 2"), 12); // blanks do not count
    EXPECT_EQ(announcedCount("SupportedObjects=3.5"), 4);   // nearest, halves to even
    EXPECT_EQ(announcedCount("SupportedObjects=2.5"), 2);
    EXPECT_EQ(announcedCount("SupportedObjects=7;comment"), 7);
    EXPECT_EQ(announcedCount("SupportedObjects=0x10"), 0);
    EXPECT_EQ(announcedCount("SupportedObjects="), 0);
    EXPECT_EQ(announcedCount("SupportedObjects=abc"), 0);
    EXPECT_EQ(announcedCount("SupportedObjects=-2"), -2);
    EXPECT_EQ(announcedCount("5"), 5);
}

} // namespace
} // namespace quillon
