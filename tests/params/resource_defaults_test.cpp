#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "params/resource_defaults.h"

namespace quillon {
namespace {

// One parameter block as the resource files write it, with `tail` after "$ decimal places".
std::string block(const std::string& numbers, const std::string& tail)
{
    return "ParamXXX =\r\n\"Name\", $ name\r\n\"--Help string --\", $ help string\r\n"
           "\"\", $ units\r\n" +
           numbers + " $ min, max, default data values\r\n0; $ decimal places\r\n\r\n" + tail;
}

TEST(ReadResourceDefaults, EndsChoiceListsAtTheSemicolonAndBlocksAtTheEndMarker)
{
    const ResourceDefaults read =
        readResourceDefaults(block("0,9,2,", "EnumXXX =\r\n1,\"one, two\",\r\n2,\"two\";\r\n") +
                             block("0,9,4,", "        nothing more\r\n") + "[END_DEVNET_PART]\r\n" +
                             block("0,9,6,", "")); // past the end: not counted
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.parameters.size(), 2u);
    ASSERT_EQ(read.parameters[0].choices.size(), 2u);
    EXPECT_EQ(read.parameters[0].choices[0].text, "one, two");
    EXPECT_EQ(read.parameters[1].defaultNumber, 4);
    EXPECT_FALSE(read.parameters[1].hasChoices);

    // A block whose "$ decimal places" never comes still counts, without choices.
    const ResourceDefaults cut =
        readResourceDefaults("\"--Help string --\",\r\n\"\",\r\n0,1,1,\r\n1,1,1,0,\r\n");
    ASSERT_TRUE(cut.ok) << cut.error;
    ASSERT_EQ(cut.parameters.size(), 1u);
    EXPECT_EQ(cut.parameters[0].defaultNumber, 1);
}

TEST(ReadResourceDefaults, TheEndMarkerCountsOnlyBetweenBlocks)
{
    // The two lines read after "$ decimal places" are never taken for the end of the part.
    const std::string afterDecimals = block("0,20,7,", "");
    const std::string cut = afterDecimals.substr(0, afterDecimals.size() - 2); // no empty line
    for (const std::string& first :
         {cut + "[END_DEVNET_PART]\r\nx\r\n", afterDecimals + "[END_DEVNET_PART]\r\n"}) {
        const ResourceDefaults read = readResourceDefaults(
            first + block("0,20,12,", "x\r\n") + "[END_DEVNET_PART]\r\n" + block("0,20,3,", ""));
        ASSERT_TRUE(read.ok) << read.error;
        ASSERT_EQ(read.parameters.size(), 2u);
        EXPECT_EQ(read.parameters[0].defaultNumber, 7);
        EXPECT_EQ(read.parameters[1].defaultNumber, 12);
    }
}

TEST(ReadResourceDefaults, RefusesBrokenBlocksNamingTheLine)
{
    std::string many = "EnumXXX =\r\n";
    for (int i = 0; i < 81; ++i)
        many += std::to_string(i) + ",\"c\",\r\n";
    const ResourceDefaults fits =
        readResourceDefaults(block("0,9,2,", many.substr(0, many.size() - 3) + ";\r\n"));
    ASSERT_TRUE(fits.ok) << fits.error;
    EXPECT_EQ(fits.parameters[0].choices.size(), 81u);

    const std::pair<std::string, const char*> broken[] = {
        {block("0,9,2,", many + "1,\"x\";\r\n"), "more than 81 choices"},
        {block("0,9,2,", "Enum\r\n1,\"a\",\r\n"), "without \";\""},
        {block("0,9,many,", ""), "\"many\" is not a number"},
        {block("0,9,2,", "Enum\r\n70000,\"a\";\r\n"), "not a 16-bit number"},
        {"\"--Help string --\",\r\n\"\",\r\n0,1", "ends before the parameter's default value"}};
    for (const auto& [text, says] : broken) {
        const ResourceDefaults read = readResourceDefaults(text);
        EXPECT_FALSE(read.ok) << says;
        EXPECT_NE(read.error.find(says), std::string::npos) << read.error;
        EXPECT_NE(read.error.find("(line "), std::string::npos) << read.error;
    }
}

} // namespace
} // namespace quillon
