#include <gtest/gtest.h>

#include "core/file_access.h"
#include "eds/devicenet_eds.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

using test::module;

EdsBuildResult deviceNetText(Session& session, TemplateStore* store = nullptr)
{
    return test::buildText(session, FieldbusProtocol::DeviceNet, "/x.eds", store);
}

TEST(DeviceNetRenumbering, ParameterEnumerationAndSlot)
{
    int counter = 12;
    std::string line = "ParamXXX = 0,\"24 slot 30\", slot";
    renumberDeviceNetLine(line, counter, 3);
    // The blank ending the number takes the last X; only the first "slot" becomes the index.
    EXPECT_EQ(line, "Param12  = 0,\"24 03 30\", slot");
    line = "   EnumXXX =";
    renumberDeviceNetLine(line, counter, 3);
    EXPECT_EQ(line, "   Enum12  =");
    line = "ParamXXX EnumXXX Slot";
    renumberDeviceNetLine(line, counter, 3);
    EXPECT_EQ(line, "Param13  Enum13  Slot");
    EXPECT_EQ(counter, 14);
    EXPECT_EQ(countDeviceNetParameters("ParamXXX\nParamXXX ParamXXX\r[END_DEVNET_PART]\nParamXXX"),
              2);
}

TEST(DeviceNetEds, HeadAndTwoModulesMatchTheReviewedText)
{
    // Param12..14 in the first module and 15..16 in the second, each EnumXXX after the
    // parameter before it, MaxInst 16, input size 2 + 2 + 4 + 16.
    Session session = test::stationSession(
        "devicenet", FieldbusProtocol::DeviceNet,
        {module("OVN_KD216.eds", 2, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 4, 0)});
    const auto result = deviceNetText(session);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text,
              *readFileBytes(test::EdsTestData + "devicenet/expected_kd216_ka224.eds"));
    EXPECT_EQ(session.ModelName[2], "KA224");
}

TEST(DeviceNetEds, TenOutputBytesAndAModuleTemplateWithoutEndMarker)
{
    // Ten output bytes: the size takes the blank after its comma. A module template without
    // the end marker is taken whole.
    Session large = test::stationSession(
        "devicenet", FieldbusProtocol::DeviceNet,
        {module("OVN_KD216.eds", 4, 9, 0, 0), module("OVN_KX001.eds", 0, 0, 2, 0)});
    const auto result = deviceNetText(large);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("Input1 =\r\n                24, 0,"), std::string::npos);
    EXPECT_NE(result.text.find("Output1 =\r\n                10,0, 0x0001,\r\n"),
              std::string::npos);
    EXPECT_TRUE(result.text.ends_with("Enum15  = 0,\"no\",1,\"yes\";\r\n"
                                      "[START_CANOPEN_PARAMETERS]\r\n"));
}

TEST(DeviceNetEds, RewritesOfAnOddHeadTemplate)
{
    Session session = test::stationSession("devicenet", FieldbusProtocol::DeviceNet,
                                           {module("OVN_KM090.eds", 0, 0, 0, 0)});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", "  CreateDate = 1\r\n"
                               "\tMaxInst = 00000;\r\n"
                               "Input1 =\r\n"
                               "[END_DEVNET_PART]\r\n"
                               "Output1 =\r\n"
                               " 0, 1 x\r\n"
                               "[END_DEVNET_PART]\r\n"
                               "not copied\r\n");
    std::string many;
    for (int i = 0; i < 90; ++i)
        many += "ParamXXX = x\r\n";
    store.put("OVN_KM090.eds", many);
    auto result = deviceNetText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    const auto lines = splitLines(result.text);
    // Replacements are cut at the line end; the line after a size key is not looked at for
    // the end marker; the output size goes over the first "1" of its line.
    const std::vector<std::string> head = {"  CreateDate = 0",  "\tMaxInst = 101;0;", "Input1 =",
                                           "[END_DEVNET_PART]", "Output1 =",          " 0, 1,x"};
    ASSERT_EQ(lines.size(), head.size() + 90);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6), head);
    EXPECT_EQ(lines[6 + 88], "Param100 = x");
    EXPECT_EQ(lines[6 + 89], "Param101 = x");

    // A size key on the last line has no size line to read.
    store.put("OVN_HB612.eds", "        Input1 =\r\n");
    result = deviceNetText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("OVN_HB612.eds"), std::string::npos);
}

} // namespace
} // namespace quillon
