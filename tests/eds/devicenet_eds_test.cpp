#include <gtest/gtest.h>

#include "eds/devicenet_eds.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

TEST(DeviceNetEds, RewritesOfAnOddHeadTemplate)
{
    Session session = test::stationSession("devicenet", FieldbusProtocol::DeviceNet,
                                           {test::module("OVN_KM090.eds", 0, 0, 0, 0)});
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
    auto result = test::buildText(session, FieldbusProtocol::DeviceNet, "/x.eds", &store);
    ASSERT_TRUE(result.ok) << result.error;
    const auto lines = splitLines(result.text);
    // Replacements are cut at the line end; the line after a size key is not looked at for
    // the end marker; the output size goes over the first "1" of its line; from 100 on the
    // number takes the blank after the placeholder.
    const std::vector<std::string> head = {"  CreateDate = 0",  "\tMaxInst = 101;0;", "Input1 =",
                                           "[END_DEVNET_PART]", "Output1 =",          " 0, 1,x"};
    ASSERT_EQ(lines.size(), head.size() + 90);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6), head);
    EXPECT_EQ(lines[6 + 88] + "|" + lines[6 + 89], "Param100 = x|Param101 = x");

    // A size key on the last line has no size line to read.
    store.put("OVN_HB612.eds", "        Input1 =\r\n");
    result = test::buildText(session, FieldbusProtocol::DeviceNet, "/x.eds", &store);
    EXPECT_NE(result.error.find("OVN_HB612.eds"), std::string::npos) << result.ok;
    // Parameters are counted on every kind of line end, once a line, up to the end marker.
    EXPECT_EQ(countDeviceNetParameters("ParamXXX\nParamXXX ParamXXX\r[END_DEVNET_PART]\nParamXXX"),
              2);
}

} // namespace
} // namespace quillon
