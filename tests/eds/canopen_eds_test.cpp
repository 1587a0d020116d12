#include <gtest/gtest.h>

#include "eds/canopen_eds.h"
#include "eds/generate.h"
#include "eds/template_reader.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

using test::module;
using test::objectLines;
using test::stationSession;
using test::valueOf;

EdsBuildResult canOpenText(Session& session, TemplateStore* store = nullptr)
{
    test::ScriptedDialogs dialogs;
    if (store)
        return buildEdsText(session, FieldbusProtocol::CanOpen, "/eds/CO_test.eds",
                            test::fixedInstant(), dialogs, *store);
    return buildEdsText(session, FieldbusProtocol::CanOpen, "/eds/CO_test.eds",
                        test::fixedInstant(), dialogs);
}

TEST(SlotParameterNames, IndexAndSlotNumberFollowTheSlot)
{
    std::string line = "[260X]";
    renameSlotParameterLine(line, 3);
    EXPECT_EQ(line, "[2603]");
    line = "    [260Xsub1] ; text before goes";
    renameSlotParameterLine(line, 3);
    EXPECT_EQ(line, "[2603sub1] ; text before goes");
    line = "ParameterName=DeviceParameter SlotX";
    renameSlotParameterLine(line, 0);
    EXPECT_EQ(line, "ParameterName=DeviceParameter Slot1");
    // The last character goes, whatever it is.
    line = "ParameterName=DeviceParameter SlotX ";
    renameSlotParameterLine(line, 2);
    EXPECT_EQ(line, "ParameterName=DeviceParameter SlotX3");
}

TEST(CanOpenEds, HeaderIsRewrittenForTheStation)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen,
                       {module("OVN_KD216.eds", 8, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 20, 0)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    const auto info = objectLines(result.text, "[FileInfo]");
    EXPECT_EQ(valueOf(info, "FileName"), "/eds/CO_test.eds");
    EXPECT_EQ(valueOf(info, "CreationTime"), " 02:05PM");
    EXPECT_EQ(valueOf(info, "CreationDate"), "06-30-2009");
    EXPECT_EQ(valueOf(info, "CreatedBy"), "Quillon, Version: 1.1.0.4, Build: Jun/30/2009");
    EXPECT_EQ(valueOf(info, "ModificationTime"), "02:05PM");
    // The modification date is written over the template's, the rest of its line stays.
    EXPECT_EQ(valueOf(info, "ModificationDate"), "06-30-2009 template");
    EXPECT_EQ(valueOf(info, "ModifiedBy"), "Quillon, Version: 1.1.0.4, Build: Jun/30/2009");
    const auto device = objectLines(result.text, "[DeviceInfo]");
    EXPECT_EQ(device[2], "  ProdName = \"K310-HB612+KD216+KA224\";");
    // 10 digital inputs and 20 analogue inputs: 3 + 1 + 3.
    EXPECT_EQ(valueOf(device, "NrOfTXPDO"), "7");
    EXPECT_EQ(valueOf(device, "NrOfRXPDO"), "1");
}

TEST(CanOpenEds, MatchesTheReviewedTextForHeadAndTwoModules)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen,
                       {module("OVN_KD236.eds", 8, 9, 0, 0), module("OVN_KA224.eds", 0, 0, 2, 4)});
    test::ScriptedDialogs dialogs;
    const auto result = buildEdsText(session, FieldbusProtocol::CanOpen, "C:\\EDS\\CO_station.eds",
                                     test::fixedInstant(), dialogs);
    ASSERT_TRUE(result.ok) << result.error;
    const auto expected = readFileBytes(test::EdsTestData + "canopen/expected_kd236_ka224.eds");
    ASSERT_TRUE(expected);
    EXPECT_EQ(result.text, *expected);
}

TEST(CanOpenEds, HeadOnlyStation)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("NrOfRXPDO=1\r\nNrOfTXPDO=3\r\n"), std::string::npos);
    EXPECT_EQ(objectLines(result.text, "[ManufacturerObjects]"),
              (std::vector<std::string>{"[ManufacturerObjects]", "SupportedObjects=4", "1=0x2000",
                                        "2=0x2600", "3=0x3000", "4=0x4000"}));
    EXPECT_EQ(valueOf(objectLines(result.text, "[2600]"), "ParameterName"),
              "DeviceParameter Slot1");
    // The failsafe objects follow the head's parameter object and end the file.
    const auto failsafe = result.text.find("\r\n[3000]\r\n");
    ASSERT_NE(failsafe, std::string::npos);
    EXPECT_LT(result.text.find("[2600sub1]"), failsafe);
    EXPECT_TRUE(result.text.ends_with("\r\n[4000]\r\nParameterName=Failsafe Values\r\n"));
}

TEST(CanOpenEds, SectionsStandInTheirOrder)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen,
                                     {module("OVN_KD216.eds", 10, 9, 2, 2)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    std::size_t last = 0;
    for (const char* header : {"[DeviceInfo]", "[OptionalObjects]",
                               "[1017]",       "[1400]",
                               "[1401]",       "[1402]",
                               "[1600]",       "[1601]",
                               "[1602]",       "[1800]",
                               "[1801]",       "[1802]",
                               "[1806]",       "[1807]",
                               "[1a00]",       "[1a01]",
                               "[1a02]",       "[1a06]",
                               "[1a07]",       "[ManufacturerObjects]",
                               "[2600]",       "[2601]",
                               "[3000]",       "[4000]"}) {
        const auto at = result.text.find(std::string("\r\n") + header + "\r\n");
        ASSERT_NE(at, std::string::npos) << header;
        EXPECT_GT(at, last) << header;
        last = at;
    }
    // Where the list stood in header 1 an empty line is left.
    EXPECT_NE(result.text.find("NrOfTXPDO=5\r\n\r\n\r\n[OptionalObjects]\r\n"), std::string::npos);
}

TEST(CanOpenEds, EverySlotGetsItsParameterObject)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen,
                       {module("OVN_KD236.eds", 0, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 2, 0),
                        module("OVN_KD216.eds", 0, 0, 0, 0)});
    const auto result = canOpenText(session);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(valueOf(objectLines(result.text, "[2601]"), "ParameterName"),
              "DeviceParameter SlotX2"); // a trailing blank in the template
    EXPECT_EQ(valueOf(objectLines(result.text, "[2602]"), "ParameterName"),
              "DeviceParameter Slot3");
    EXPECT_EQ(valueOf(objectLines(result.text, "[2603]"), "ParameterName"),
              "DeviceParameter Slot4");
    EXPECT_EQ(valueOf(objectLines(result.text, "[2603sub1]"), "ParameterName"), "Input filter");
    EXPECT_EQ(objectLines(result.text, "[ManufacturerObjects]")[1], "SupportedObjects=7");
    EXPECT_EQ(objectLines(result.text, "[ManufacturerObjects]").back(), "7=0x4000");
    EXPECT_EQ(session.ModelName[3], "KD216");
}

// The canopen head template with its header 1 list replaced by `list`.
std::string headWithOptionalList(const std::string& list)
{
    std::string head = *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    const auto from = head.find("[OptionalObjects]");
    const auto to = head.find("[END_CANOPEN_HEADER1]");
    return head.replace(from, to - from, list);
}

TEST(CanOpenEds, HeadWithoutListsStartsThemEmptyInEveryRun)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
    std::string head = headWithOptionalList("");
    const auto manu = head.find("[ManufacturerObjects]\r\nSupportedObjects=1\r\n1=0x2000\r\n");
    head.erase(manu, 53);
    store.put("OVN_HB612.eds", head);
    for (int run = 0; run < 2; ++run) {
        const auto result = canOpenText(session, &store);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(objectLines(result.text, "[OptionalObjects]")[2], "1=0x1400");
        EXPECT_EQ(objectLines(result.text, "[ManufacturerObjects]"),
                  (std::vector<std::string>{"[ManufacturerObjects]", "SupportedObjects=3",
                                            "1=0x2600", "2=0x3000", "3=0x4000"}));
    }
}

TEST(CanOpenEds, ListThatAnnouncesMoreEntriesTakesTheNextLinesWhateverTheyHold)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds",
              headWithOptionalList("[OptionalObjects]\r\nSupportedObjects=2\r\n1=0x1005\r\n"));
    const auto result = canOpenText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("[OptionalObjects]\r\nSupportedObjects=10\r\n1=0x1005\r\n"
                               "[END_CANOPEN_HEADER1]\r\n3=0x1400\r\n"),
              std::string::npos);
}

TEST(CanOpenEds, ListsBeyondTheirCapacityFail)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
    auto listOf = [](int count) {
        std::string list =
            "[OptionalObjects]\r\nSupportedObjects=" + std::to_string(count) + "\r\n";
        for (int i = 1; i <= count; ++i)
            list += std::to_string(i) + "=0x1000\r\n";
        return list;
    };
    // 92 from the template and the 8 objects of a head-only station fill the list exactly.
    store.put("OVN_HB612.eds", headWithOptionalList(listOf(92)));
    auto result = canOpenText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=100\r\n"), std::string::npos);

    store.put("OVN_HB612.eds", headWithOptionalList(listOf(93)));
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("more than 100"), std::string::npos);

    store.put("OVN_HB612.eds", headWithOptionalList(listOf(101)));
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);

    // A list whose entries run past the end of the file.
    store.put("OVN_HB612.eds", "[START_CANOPEN_HEADER1]\r\n[OptionalObjects]\r\n"
                               "SupportedObjects=3\r\n1=0x1005\r\n");
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
}

TEST(CanOpenEds, ManufacturerListBeyondSixtyFails)
{
    Session session =
        stationSession("canopen", FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 0, 0, 0, 0)});
    std::string head = *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    std::string list = "SupportedObjects=56\r\n";
    for (int i = 1; i <= 56; ++i)
        list += std::to_string(i) + "=0x2000\r\n";
    head.replace(head.find("SupportedObjects=1\r\n1=0x2000\r\n"), 30, list);
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", head);
    // 56 + two slots + 0x3000 + 0x4000 = 60 fit.
    auto result = canOpenText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(objectLines(result.text, "[ManufacturerObjects]").back(), "60=0x4000");

    session.ClusterSlots[2] = module("OVN_KD216.eds", 0, 0, 0, 0);
    session.UsedCount = 3;
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("more than 60"), std::string::npos);
}

} // namespace
} // namespace quillon
