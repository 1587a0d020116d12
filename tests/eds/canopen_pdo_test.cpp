#include <gtest/gtest.h>

#include "eds/canopen_eds.h"
#include "eds/canopen_pdo.h"
#include "eds/generate.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

using test::module;
using test::objectLines;
using test::stationSession;
using test::valueOf;

TEST(PdoByteSplit, DigitalIntoTwoAndAnalogueIntoChunksOfEight)
{
    EXPECT_EQ(splitPdoBytes(1, 0), (PdoBytes{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(8, 8), (PdoBytes{0, 8, 0, 8, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(12, 20), (PdoBytes{0, 8, 4, 8, 8, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(16, 32), (PdoBytes{0, 8, 8, 8, 8, 8, 8, 0, 0, 0, 0}));
}

TEST(PdoCounts, HeaderCountsFollowTheByteTable)
{
    EXPECT_EQ(announcedPdoCount(3, 2, 0), 3);
    EXPECT_EQ(announcedPdoCount(1, 1, 0), 1);
    EXPECT_EQ(announcedPdoCount(1, 8, 0), 1);
    EXPECT_EQ(announcedPdoCount(1, 9, 0), 2);
    EXPECT_EQ(announcedPdoCount(3, 10, 20), 7);
    const int analogue[] = {1, 8, 9, 16, 17, 24, 25, 32};
    const int added[] = {1, 1, 2, 2, 3, 3, 4, 4};
    for (std::size_t i = 0; i < std::size(analogue); ++i)
        EXPECT_EQ(announcedPdoCount(1, 1, analogue[i]), 1 + added[i]) << analogue[i];
}

EdsBuildResult canOpenText(Session& session)
{
    test::ScriptedDialogs dialogs;
    return buildEdsText(session, FieldbusProtocol::CanOpen, "/eds/CO_test.eds",
                        test::fixedInstant(), dialogs);
}

// The mapped channel (characters 20 and 21 of the default value) of every mapping entry of an
// object, with the entry's sub-index header.
std::vector<std::string> mappedChannels(const std::string& text, const std::string& object)
{
    std::vector<std::string> found;
    const auto lines = test::linesOf(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("[" + object + "sub", 0) == 0 && line != "[" + object + "sub0]" &&
            i + 5 < lines.size())
            found.push_back(line + lines[i + 5].substr(19, 2));
    }
    return found;
}

TEST(CanOpenPdos, HeadOnlyHasOneReceiveMappingEntry)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    const auto mapping = objectLines(result.text, "[1600]");
    EXPECT_EQ(valueOf(mapping, "SubNumber"), "2");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1600sub0]"), "DefaultValue"), "1");
    EXPECT_EQ(mappedChannels(result.text, "1600"), (std::vector<std::string>{"[1600sub1]01"}));
    EXPECT_EQ(valueOf(objectLines(result.text, "[1600sub1]"), "DefaultValue"), "0x62000108");
    EXPECT_EQ(mappedChannels(result.text, "1a00"),
              (std::vector<std::string>{"[1a00sub1]01", "[1a00sub2]02"}));
}

TEST(CanOpenPdos, SecondDigitalPdoMapsChannelsNineOnInUpperCaseHex)
{
    Session twelve = stationSession("canopen", FieldbusProtocol::CanOpen,
                                    {module("OVN_KD216.eds", 10, 0, 0, 0)});
    const auto result = canOpenText(twelve);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(mappedChannels(result.text, "1a00").size(), 8u);
    EXPECT_EQ(mappedChannels(result.text, "1a00").back(), "[1a00sub8]08");
    EXPECT_EQ(
        mappedChannels(result.text, "1a01"),
        (std::vector<std::string>{"[1a01sub1]09", "[1a01sub2]0A", "[1a01sub3]0B", "[1a01sub4]0C"}));
    EXPECT_EQ(valueOf(objectLines(result.text, "[1a01]"), "SubNumber"), "5");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1a01sub0]"), "DefaultValue"), "4");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1a01sub4]"), "DefaultValue"), "0x60000C08");
    EXPECT_FALSE(objectLines(result.text, "[1801]").empty());
    // Outputs stay within one PDO: no second receive PDO.
    EXPECT_TRUE(objectLines(result.text, "[1401]").empty());

    Session sixteen = stationSession("canopen", FieldbusProtocol::CanOpen,
                                     {module("OVN_KD216.eds", 14, 0, 0, 0)});
    const auto full = canOpenText(sixteen);
    ASSERT_TRUE(full.ok) << full.error;
    EXPECT_EQ(mappedChannels(full.text, "1a01").back(), "[1a01sub8]10");
}

TEST(CanOpenPdos, AnalogueOutputsOfTwentyBytesFillThreeReceivePdos)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen,
                                     {module("OVN_KA224.eds", 0, 0, 0, 20)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(valueOf(objectLines(result.text, "[1402sub1]"), "DefaultValue"), "$NODEID+0x400");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1403sub1]"), "DefaultValue"), "$NODEID+0x500");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1404sub1]"), "DefaultValue"),
              "$NODEID+0x80000000");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1403sub2]"), "DefaultValue"), "255");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1404sub2]"), "DefaultValue"), "0");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1404]"), "ParameterName"),
              "Receive PDO05 Communication Parameter");
    EXPECT_TRUE(objectLines(result.text, "[1401]").empty());
    EXPECT_TRUE(objectLines(result.text, "[1405]").empty());

    EXPECT_EQ(
        mappedChannels(result.text, "1602"),
        (std::vector<std::string>{"[1602sub1]01", "[1602sub2]02", "[1602sub3]03", "[1602sub4]04"}));
    EXPECT_EQ(mappedChannels(result.text, "1603").front(), "[1603sub1]05");
    EXPECT_EQ(mappedChannels(result.text, "1604"),
              (std::vector<std::string>{"[1604sub1]09", "[1604sub2]0A"}));
    EXPECT_EQ(valueOf(objectLines(result.text, "[1604]"), "ParameterName"),
              "Receive PDO5 Mapping Parameter");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1604]"), "SubNumber"), "3");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1604sub0]"), "DefaultValue"), "2");
    EXPECT_NE(result.text.find("NrOfRXPDO=4\r\n"), std::string::npos);
}

TEST(CanOpenPdos, AnalogueInputsOfEightBytesMakeTransmitPdoThree)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen, {module("OVN_KA224.eds", 0, 0, 8, 0)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(valueOf(objectLines(result.text, "[1802]"), "ParameterName"),
              "Transmit PDO03 Communication Parameter");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1802sub1]"), "DefaultValue"), "$NODEID+0x380");
    EXPECT_EQ(valueOf(objectLines(result.text, "[1a02]"), "ParameterName"),
              "Transmit PDO3 Mapping Parameter");
    EXPECT_EQ(mappedChannels(result.text, "1a02").size(), 4u);
    EXPECT_NE(result.text.find("NrOfTXPDO=4\r\n"), std::string::npos);
    EXPECT_TRUE(objectLines(result.text, "[1402]").empty());
}

TEST(CanOpenPdos, EveryGeneratedObjectIsListedInStepOrder)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen,
                       {module("OVN_KD216.eds", 8, 8, 0, 0), module("OVN_KA224.eds", 0, 0, 10, 2)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    const auto list = objectLines(result.text, "[OptionalObjects]");
    const std::vector<std::string> expected = {"[OptionalObjects]", "SupportedObjects=22",
                                               "1=0x1005",          "2=0x1008",
                                               "3=0x100C",          "4=0x1017",
                                               "5=0x1400",          "6=0x1401",
                                               "7=0x1402",          "8=0x1600",
                                               "9=0x1601",          "10=0x1602",
                                               "11=0x1800",         "12=0x1801",
                                               "13=0x1802",         "14=0x1803",
                                               "15=0x1806",         "16=0x1807",
                                               "17=0x1a00",         "18=0x1a01",
                                               "19=0x1a02",         "20=0x1a03",
                                               "21=0x1a06",         "22=0x1a07"};
    // The list of 4 from the template plus 18 generated entries.
    EXPECT_EQ(list, expected);
}

TEST(CanOpenPdos, AnalogueTemplateIsOpenedOnlyWhenNeeded)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 0, 0, 0, 0)});
    TemplateStore store("/nonexistent/");
    for (const char* name : {"OVN_HB612.eds", "OVN_KD216.eds"})
        store.put(name, *readFileBytes(test::EdsTestData + "canopen/" + name));
    test::ScriptedDialogs dialogs;
    auto result = buildEdsText(session, FieldbusProtocol::CanOpen, "/x.eds", test::fixedInstant(),
                               dialogs, store);
    EXPECT_TRUE(result.ok) << result.error;

    // Once analogue bytes come in, the missing template ends the run.
    session.UsedBytes[AnalogIn] = 2;
    result = buildEdsText(session, FieldbusProtocol::CanOpen, "/x.eds", test::fixedInstant(),
                          dialogs, store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("OVN_KA224.eds"), std::string::npos);
}

} // namespace
} // namespace quillon
