#include <gtest/gtest.h>

#include "eds/devicenet_eds.h"
#include "eds/generate.h"
#include "eds/template_reader.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

using test::fixedInstant;
using test::linesOf;
using test::module;
using test::stationSession;

TEST(DeviceNetRenumbering, ParameterTakesTheCounterAndTheBlankTakesTheLastX)
{
    int counter = 12;
    std::string line = "ParamXXX = 0,6,\"x\";";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "Param12  = 0,6,\"x\";");
    EXPECT_EQ(counter, 13);

    line = "        EnumXXX = 0,\"off\";";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "        Enum12  = 0,\"off\";");
    EXPECT_EQ(counter, 13);

    // Both in one line: the enumeration follows the parameter just counted.
    line = "ParamXXX EnumXXX";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "Param13  Enum13 ");
}

TEST(DeviceNetRenumbering, FromOneHundredTheNumberTakesTheFollowingCharacter)
{
    int counter = 100;
    std::string line = "ParamXXX = 0";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "Param100 = 0");
    line = "EnumXXX =";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "Enum100 =");
    line = "ParamXXX";
    renumberDeviceNetLine(line, counter, 1);
    EXPECT_EQ(line, "Param101");
}

TEST(DeviceNetRenumbering, FirstSlotWordBecomesTheTwoDigitSlotIndex)
{
    int counter = 12;
    std::string line = "path 24 slot 30, slot";
    renumberDeviceNetLine(line, counter, 3);
    EXPECT_EQ(line, "path 24 03 30, slot");
    line = "Slot SLOT";
    renumberDeviceNetLine(line, counter, 3);
    EXPECT_EQ(line, "Slot SLOT");
    EXPECT_EQ(counter, 12);
}

TEST(DeviceNetRenumbering, CountsParameterLinesOfTheDeviceNetPartOnly)
{
    EXPECT_EQ(countDeviceNetParameters("ParamXXX\r\nParamXXX ParamXXX\r\nEnumXXX\r\n"
                                       "[END_DEVNET_PART]\r\nParamXXX\r\n"),
              2);
    EXPECT_EQ(countDeviceNetParameters("ParamXXX\nParamXXX"), 2);
}

struct DeviceNetRun
{
    EdsBuildResult result;
    Session session;
};

DeviceNetRun generate(Session session)
{
    test::ScriptedDialogs dialogs;
    DeviceNetRun run;
    run.result = buildEdsText(session, FieldbusProtocol::DeviceNet, "/out/DN_x.eds", fixedInstant(),
                              dialogs);
    run.session = std::move(session);
    return run;
}

TEST(DeviceNetEds, ModulesContinueTheHeadsParametersAcrossTemplates)
{
    auto run = generate(
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KD216.eds", 2, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 4, 0)}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    const auto lines = linesOf(run.result.text);
    std::vector<std::string> numbered;
    for (const auto& line : lines) {
        if (line.rfind("Param1", 0) == 0 || line.find("Enum1") != std::string::npos)
            numbered.push_back(line.substr(0, line.find('=')));
    }
    const std::vector<std::string> expected = {"        Enum11 ", // the head's own, untouched
                                               "Param12  ",        "        Enum12  ", "Param13  ",
                                               "Param14  ",        "        Enum14  ", "Param15  ",
                                               "        Enum15  ", "Param16  "};
    EXPECT_EQ(numbered, expected);
    EXPECT_NE(run.result.text.find("        MaxInst = 16;\r\n"), std::string::npos);
    // Module indices 1 and 2 in the connection paths; a second "slot" in a line stays.
    EXPECT_NE(run.result.text.find("$ Digital module K310-KD216, 01 slot\r\n"), std::string::npos);
    EXPECT_NE(run.result.text.find("\"20 64 24 01 30 03\""), std::string::npos);
    EXPECT_NE(run.result.text.find("\"20 65 24 02 30 02\""), std::string::npos);
    EXPECT_EQ(run.session.ModelName[1], "KD216");
    EXPECT_EQ(run.session.ModelName[2], "KA224");
}

TEST(DeviceNetEds, MatchesTheReviewedTextForHeadAndTwoModules)
{
    auto run = generate(
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KD216.eds", 2, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 4, 0)}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    const auto expected = readFileBytes(test::EdsTestData + "devicenet/expected_kd216_ka224.eds");
    ASSERT_TRUE(expected);
    EXPECT_EQ(run.result.text, *expected);
}

TEST(DeviceNetEds, HeadOnlyKeepsTheHeadsOwnSizesAndCount)
{
    auto run = generate(stationSession("devicenet", FieldbusProtocol::DeviceNet, {}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    const auto lines = linesOf(run.result.text);
    EXPECT_EQ(lines.front(), "$ Quillon Generated Electronic Data Sheet, Version: 1.1.0.4, "
                             "Build: Jun/30/2009");
    EXPECT_NE(run.result.text.find("        ProdName = \"K310-HB612\";\r\n"), std::string::npos);
    EXPECT_NE(run.result.text.find("        MaxInst = 11;\r\n"), std::string::npos);
    EXPECT_NE(run.result.text.find("        Input1 =\r\n                18, 0,"),
              std::string::npos);
    EXPECT_NE(run.result.text.find("        Output1 =\r\n                1, 0,"),
              std::string::npos);
    EXPECT_NE(run.result.text.find("        CreateDate = 06-30-2009;\r\n        CreateTime = "
                                   "14:05:09;\r\n        ModDate = 06-30-2009;\r\n        ModTime "
                                   "= 14:05:09;\r\n"),
              std::string::npos);
    // The DeviceNet part ends before the CANopen sections.
    EXPECT_EQ(run.result.text.find("CANOPEN"), std::string::npos);
    EXPECT_EQ(lines.back(), "        Enum11 = 0,\"off\",1,\"on\";");
}

TEST(DeviceNetEds, SizesGrowWithTheModulesAndALongOutputSizeTakesTheNextCharacter)
{
    auto run = generate(
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KD216.eds", 4, 9, 0, 0), module("OVN_KA224.eds", 0, 0, 2, 0)}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    // 2 + 4 digital and 2 analogue input bytes; 1 + 9 output bytes.
    EXPECT_NE(run.result.text.find("Input1 =\r\n                24, 0, 0x0001,\r\n"),
              std::string::npos);
    EXPECT_NE(run.result.text.find("Output1 =\r\n                10,0, 0x0001,\r\n"),
              std::string::npos);
}

TEST(DeviceNetEds, ProductNameListsEveryModuleInSlotOrder)
{
    auto run = generate(
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KA224.eds", 0, 0, 2, 0), module("OVN_KD216.eds", 1, 0, 0, 0),
                        module("OVN_KA224.eds", 0, 0, 2, 0)}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    EXPECT_NE(run.result.text.find("        ProdName = \"K310-HB612+KA224+KD216+KA224\";\r\n"),
              std::string::npos);
}

TEST(DeviceNetEds, TemplateWithoutEndMarkerIsTakenWhole)
{
    auto run = generate(stationSession("devicenet", FieldbusProtocol::DeviceNet,
                                       {module("OVN_KX001.eds", 0, 0, 0, 0)}));
    ASSERT_TRUE(run.result.ok) << run.result.error;
    EXPECT_NE(run.result.text.find("        Enum12  = 0,\"no\",1,\"yes\";\r\n"
                                   "[START_CANOPEN_PARAMETERS]\r\n"),
              std::string::npos);
    EXPECT_NE(run.result.text.find("MaxInst = 12;"), std::string::npos);
}

// A head written for the edge cases of its rewrites.
constexpr const char* ShortLineHead = "  CreateDate = 1\r\n"
                                      "CreateTime =\r\n"
                                      "\tMaxInst = 00000;\r\n"
                                      "Input1 =\r\n"
                                      "[END_DEVNET_PART]\r\n"
                                      "Output1 =\r\n"
                                      " 0, 1 x\r\n"
                                      "after\r\n"
                                      "[END_DEVNET_PART]\r\n"
                                      "not copied\r\n";

TEST(DeviceNetEds, RewritesAreCutAtTheEndOfTheLine)
{
    Session session = stationSession("devicenet", FieldbusProtocol::DeviceNet, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", ShortLineHead);
    std::string many;
    for (int i = 0; i < 90; ++i)
        many += "ParamXXX = x\r\n";
    store.put("OVN_KM090.eds", many);
    session.ClusterSlots[1] = module("OVN_KM090.eds", 0, 0, 0, 0);
    session.UsedCount = 2;
    test::ScriptedDialogs dialogs;
    const auto result = buildEdsText(session, FieldbusProtocol::DeviceNet, "/out/x.eds",
                                     fixedInstant(), dialogs, store);
    ASSERT_TRUE(result.ok) << result.error;
    const auto lines = linesOf(result.text);
    ASSERT_EQ(lines.size(), 8u + 90u);
    EXPECT_EQ(lines[0], "  CreateDate = 0");
    EXPECT_EQ(lines[1], "CreateTime =");
    EXPECT_EQ(lines[2], "\tMaxInst = 101;0;");
    EXPECT_EQ(lines[3], "Input1 =");
    // The line after a size key is not looked at for the end marker: it is copied and so is
    // what follows it, up to the next marker.
    EXPECT_EQ(lines[4], "[END_DEVNET_PART]");
    EXPECT_EQ(lines[5], "Output1 =");
    EXPECT_EQ(lines[6], " 0, 1,x"); // the size goes over the first "1" of the line
    EXPECT_EQ(lines[7], "after");
    EXPECT_EQ(lines[8 + 87], "Param99  = x");
    EXPECT_EQ(lines[8 + 88], "Param100 = x");
    EXPECT_EQ(lines[8 + 89], "Param101 = x");
}

TEST(DeviceNetEds, SizeKeyOnTheLastLineIsAFailure)
{
    Session session = stationSession("devicenet", FieldbusProtocol::DeviceNet, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", "[IO_Info]\r\n        Input1 =\r\n");
    test::ScriptedDialogs dialogs;
    const auto result = buildEdsText(session, FieldbusProtocol::DeviceNet, "/out/x.eds",
                                     fixedInstant(), dialogs, store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("OVN_HB612.eds"), std::string::npos);
}

TEST(DeviceNetEds, ProgressRisesByTenPerModuleAndEndsHidden)
{
    Session session =
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KD216.eds", 0, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 0, 0)});
    session.view.progressVisible = true;
    test::ScriptedDialogs dialogs;
    const auto result =
        buildEdsText(session, FieldbusProtocol::DeviceNet, "/out/x.eds", fixedInstant(), dialogs);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(dialogs.progress, (std::vector<int>{10, 20, 30, -1}));
    EXPECT_EQ(session.view.progressValue, 0);
    EXPECT_FALSE(session.view.progressVisible);
}

} // namespace
} // namespace quillon
