#include <gtest/gtest.h>

#include "eds/devicenet_eds.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

TEST(DeviceNetEds, ASizeKeyOnTheLastLineHasNoSizeLineToRead)
{
    Session session = test::stationSession("devicenet", FieldbusProtocol::DeviceNet, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", "        Input1 =\r\n");
    const auto result = test::buildText(session, FieldbusProtocol::DeviceNet, "/x.eds", &store);
    EXPECT_NE(result.error.find("OVN_HB612.eds"), std::string::npos) << result.ok;
    // Parameters are counted on every kind of line end, once a line, up to the end marker.
    EXPECT_EQ(countDeviceNetParameters("ParamXXX\nParamXXX ParamXXX\r[END_DEVNET_PART]\nParamXXX"),
              2);
}

} // namespace
} // namespace quillon
