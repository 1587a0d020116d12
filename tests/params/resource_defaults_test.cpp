#include <gtest/gtest.h>

#include "core/item_reader.h"
#include "params/resource_defaults.h"

namespace quillon {
namespace {

std::string resource(const std::string& name)
{
    return readFileBytes(QUILLON_TEST_DATA "/params/Resources/" + name).value_or("");
}

// One parameter block as the resource files write it, with `tail` after "$ decimal places".
std::string block(const std::string& numbers, const std::string& tail)
{
    return "        ParamXXX =\r\n"
           "                \"Name\",           $ name\r\n"
           "                \"--Help string --\", $ help string\r\n"
           "                \"\",               $ units\r\n"
           "                " +
           numbers +
           "    $ min, max, default data values\r\n"
           "                0;                  $ decimal places\r\n"
           "\r\n" +
           tail;
}

TEST(ReadResourceDefaults, ReadsDefaultsAndChoicesOfTheDeviceNetPart)
{
    const ResourceDefaults head = readResourceDefaults(resource("OVN_HB612.eds"));
    ASSERT_TRUE(head.ok) << head.error;
    ASSERT_EQ(head.parameters.size(), 2u);
    EXPECT_EQ(head.parameters[0].defaultNumber, 0);
    ASSERT_TRUE(head.parameters[0].hasChoices);
    ASSERT_EQ(head.parameters[0].choices.size(), 2u);
    EXPECT_EQ(head.parameters[0].choices[1].value, 1);
    EXPECT_EQ(head.parameters[0].choices[1].text, "0.3 ms");
    EXPECT_EQ(head.parameters[1].defaultNumber, 5);
    EXPECT_FALSE(head.parameters[1].hasChoices);

    // Blocks after the end of the DeviceNet part do not count.
    const ResourceDefaults module = readResourceDefaults(resource("OVN_KD236.eds"));
    ASSERT_TRUE(module.ok) << module.error;
    ASSERT_EQ(module.parameters.size(), 3u);
    EXPECT_EQ(module.parameters[1].defaultNumber, -3);
}

TEST(ReadResourceDefaults, EndsAChoiceListAtTheSemicolonSeparator)
{
    const std::string text = block("0,9,2,", "        EnumXXX =\r\n"
                                             "                1,\"one, two\",\r\n"
                                             "                2,\"two\";\r\n") +
                             block("0,9,4,", "        nothing more\r\n");
    const ResourceDefaults read = readResourceDefaults(text);
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

TEST(ReadResourceDefaults, RefusesBrokenBlocksNamingTheLine)
{
    std::string many = "        EnumXXX =\r\n";
    for (int i = 0; i < 81; ++i)
        many += "                " + std::to_string(i) + ",\"c\",\r\n";
    const ResourceDefaults fits =
        readResourceDefaults(block("0,9,2,", many.substr(0, many.size() - 3) + ";\r\n"));
    ASSERT_TRUE(fits.ok) << fits.error;
    EXPECT_EQ(fits.parameters[0].choices.size(), 81u);

    const ResourceDefaults tooMany = readResourceDefaults(block("0,9,2,", many + "1,\"x\";\r\n"));
    EXPECT_FALSE(tooMany.ok);
    EXPECT_NE(tooMany.error.find("more than 81 choices"), std::string::npos) << tooMany.error;
    EXPECT_NE(tooMany.error.find("(line "), std::string::npos);

    const ResourceDefaults open = readResourceDefaults(block("0,9,2,", "Enum\r\n1,\"a\",\r\n"));
    EXPECT_FALSE(open.ok);
    EXPECT_NE(open.error.find("without \";\""), std::string::npos) << open.error;

    const ResourceDefaults word = readResourceDefaults(block("0,9,many,", ""));
    EXPECT_FALSE(word.ok);
    EXPECT_NE(word.error.find("\"many\" is not a number"), std::string::npos) << word.error;

    const ResourceDefaults wide = readResourceDefaults(block("0,9,2,", "Enum\r\n70000,\"a\";\r\n"));
    EXPECT_FALSE(wide.ok);
    EXPECT_NE(wide.error.find("not a 16-bit number"), std::string::npos) << wide.error;

    EXPECT_FALSE(readResourceDefaults("\"--Help string --\",\r\n\"\",\r\n0,1").ok);
}

} // namespace
} // namespace quillon
