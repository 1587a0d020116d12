#include <gtest/gtest.h>

#include "eds/eds_text.h"

namespace quillon {
namespace {

TEST(OverwriteAt, NeverChangesTheLengthOfTheLine)
{
    EXPECT_EQ(overwriteAt("ParamXXX = 0,6", 1, "Param12 "), "Param12  = 0,6");
    // From 100 on the number takes the character after the placeholder.
    EXPECT_EQ(overwriteAt("ParamXXX =", 1, "Param100 "), "Param100 =");
    EXPECT_EQ(overwriteAt("  CreateDate = 1", 3, "CreateDate = 06-30-2009"), "  CreateDate = 0");
    EXPECT_EQ(overwriteAt("abc", 3, "XYZ"), "abX");
    EXPECT_EQ(overwriteAt("abc", 4, "X"), "abc");
    EXPECT_EQ(overwriteAt("abc", 0, "X"), "abc");
}

TEST(AnnouncedCount, LeadingNumberAfterTheFirstEqualsRoundedHalfToEven)
{
    EXPECT_EQ(announcedCount("SupportedObjects=4"), 4);
    EXPECT_EQ(announcedCount("SupportedObjects= 1 2"), 12); // blanks do not count
    EXPECT_EQ(announcedCount("SupportedObjects=3.5"), 4);
    EXPECT_EQ(announcedCount("SupportedObjects=2.5"), 2);
    EXPECT_EQ(announcedCount("SupportedObjects=7;x"), 7);
    EXPECT_EQ(announcedCount("SupportedObjects=0x10"), 0);
    EXPECT_EQ(announcedCount("SupportedObjects="), 0);
    EXPECT_EQ(announcedCount("SupportedObjects=-2"), -2);
}

} // namespace
} // namespace quillon
