#include <gtest/gtest.h>

#include "eds/canopen_eds.h"
#include "eds/canopen_pdo.h"
#include "eds/generate.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

using test::module;
using test::valueIn;

EdsBuildResult canOpenText(Session& session, TemplateStore* store = nullptr,
                           const std::string& path = "/eds/CO_test.eds")
{
    test::ScriptedDialogs dialogs;
    if (store)
        return buildEdsText(session, FieldbusProtocol::CanOpen, path, test::fixedInstant(), dialogs,
                            *store);
    return buildEdsText(session, FieldbusProtocol::CanOpen, path, test::fixedInstant(), dialogs);
}

TEST(CanOpenPdoLayout, ByteSplitAndHeaderCounts)
{
    EXPECT_EQ(splitPdoBytes(1, 0), (PdoBytes{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(12, 20), (PdoBytes{0, 8, 4, 8, 8, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(16, 32), (PdoBytes{0, 8, 8, 8, 8, 8, 8, 0, 0, 0, 0}));
    EXPECT_EQ(announcedPdoCount(3, 2, 0), 3);
    EXPECT_EQ(announcedPdoCount(1, 8, 0), 1);
    EXPECT_EQ(announcedPdoCount(3, 10, 20), 7);
    const int analogue[] = {1, 8, 9, 16, 17, 24, 25, 32};
    const int added[] = {1, 1, 2, 2, 3, 3, 4, 4};
    for (std::size_t i = 0; i < std::size(analogue); ++i)
        EXPECT_EQ(announcedPdoCount(1, 9, analogue[i]), 2 + added[i]) << analogue[i];
}

TEST(CanOpenSlotParameters, IndexAndSlotNumberFollowTheSlot)
{
    std::string line = "    [260Xsub1] ; text before the placeholder goes";
    renameSlotParameterLine(line, 3);
    EXPECT_EQ(line, "[2603sub1] ; text before the placeholder goes");
    line = "[260X]";
    renameSlotParameterLine(line, 3);
    EXPECT_EQ(line, "[2603]");
    line = "ParameterName=DeviceParameter SlotX";
    renameSlotParameterLine(line, 0);
    EXPECT_EQ(line, "ParameterName=DeviceParameter Slot1");
    line = "ParameterName=DeviceParameter SlotX "; // the last character goes, whatever it is
    renameSlotParameterLine(line, 2);
    EXPECT_EQ(line, "ParameterName=DeviceParameter SlotX3");
}

TEST(CanOpenEds, StationsMatchTheReviewedTexts)
{
    // Header rewrites, a template list of four continued from 5, second digital PDOs, COB-IDs
    // 0x400 and 0x380, PDO03, a SlotX with a trailing blank.
    Session mixed = test::stationSession(
        "canopen", FieldbusProtocol::CanOpen,
        {module("OVN_KD236.eds", 8, 9, 0, 0), module("OVN_KA224.eds", 0, 0, 2, 4)});
    auto result = canOpenText(mixed, nullptr, "C:\\EDS\\CO_station.eds");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, *readFileBytes(test::EdsTestData + "canopen/expected_kd236_ka224.eds"));
    EXPECT_NE(result.text.find("CreationDate=06-30-2009\r\n"), std::string::npos);
    EXPECT_NE(result.text.find("ModificationDate=06-30-2009 template\r\n"), std::string::npos);

    // 16 digital inputs and 20 analogue output bytes; the module at index 3 indents its
    // [260Xsub1].
    Session full = test::stationSession("canopen", FieldbusProtocol::CanOpen,
                                        {module("OVN_KD216.eds", 14, 0, 0, 0),
                                         module("OVN_KA224.eds", 0, 0, 0, 20),
                                         module("OVN_KD216.eds", 0, 0, 0, 0)});
    result = canOpenText(full);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, *readFileBytes(test::EdsTestData + "canopen/expected_di16_ao20.eds"));
    EXPECT_EQ(valueIn(result.text, "[1a01sub8]", "DefaultValue"), "0x60001008");
    EXPECT_EQ(valueIn(result.text, "[1403sub1]", "DefaultValue"), "$NODEID+0x500");
    EXPECT_EQ(valueIn(result.text, "[1404sub1]", "DefaultValue"), "$NODEID+0x80000000");
    EXPECT_EQ(valueIn(result.text, "[1404sub2]", "DefaultValue"), "0");
    EXPECT_EQ(valueIn(result.text, "[1604sub2]", "DefaultValue"), "0x64110A10");
    EXPECT_EQ(valueIn(result.text, "[2603sub1]", "ParameterName"), "Input filter");
    EXPECT_NE(result.text.find("NrOfRXPDO=4\r\nNrOfTXPDO=4\r\n"), std::string::npos);
}

// The canopen head template with its header 1 list replaced by `list`.
std::string headWithOptionalList(const std::string& list)
{
    std::string head = *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    const auto from = head.find("[OptionalObjects]");
    return head.replace(from, head.find("[END_CANOPEN_HEADER1]") - from, list);
}

std::string listOf(int count)
{
    std::string list = "[OptionalObjects]\r\nSupportedObjects=" + std::to_string(count) + "\r\n";
    for (int i = 1; i <= count; ++i)
        list += std::to_string(i) + "=0x1000\r\n";
    return list;
}

TEST(CanOpenObjectLists, TemplateListsAreTakenAsTheyStand)
{
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);

    // Without lists in the head both start empty, in every run.
    std::string head = headWithOptionalList("");
    head.erase(head.find("[ManufacturerObjects]"), 53);
    store.put("OVN_HB612.eds", head);
    for (int run = 0; run < 2; ++run) {
        const auto result = canOpenText(session, &store);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_NE(result.text.find("[OptionalObjects]\r\nSupportedObjects=8\r\n1=0x1400\r\n"),
                  std::string::npos);
        EXPECT_NE(result.text.find("[ManufacturerObjects]\r\nSupportedObjects=3\r\n1=0x2600\r\n"
                                   "2=0x3000\r\n3=0x4000\r\n"),
                  std::string::npos);
    }

    // A list announcing more entries than follow takes the next lines, markers included.
    store.put("OVN_HB612.eds",
              headWithOptionalList("[OptionalObjects]\r\nSupportedObjects=2\r\n1=0x1005\r\n"));
    const auto result = canOpenText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=10\r\n1=0x1005\r\n[END_CANOPEN_HEADER1]\r\n"
                               "3=0x1400\r\n"),
              std::string::npos);

    // ... and fails when it runs past the end of the file.
    store.put("OVN_HB612.eds", "[START_CANOPEN_HEADER1]\r\n" + listOf(3).substr(0, 49));
    EXPECT_FALSE(canOpenText(session, &store).ok);
}

TEST(CanOpenObjectLists, ListsBeyondTheirCapacityFail)
{
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
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
    EXPECT_FALSE(canOpenText(session, &store).ok);

    // 56 manufacturer objects, two slots, 0x3000 and 0x4000 make 60; a third slot is too many.
    std::string head = *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    std::string manufacturer = "SupportedObjects=56\r\n";
    for (int i = 1; i <= 56; ++i)
        manufacturer += std::to_string(i) + "=0x2000\r\n";
    head.replace(head.find("SupportedObjects=1\r\n1=0x2000\r\n"), 30, manufacturer);
    store.put("OVN_HB612.eds", head);
    session.ClusterSlots[1] = module("OVN_KD216.eds", 0, 0, 0, 0);
    session.UsedCount = 2;
    result = canOpenText(session, &store);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("\r\n60=0x4000\r\n"), std::string::npos);
    session.ClusterSlots[2] = module("OVN_KD216.eds", 0, 0, 0, 0);
    session.UsedCount = 3;
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("more than 60"), std::string::npos);
}

TEST(CanOpenPdoTemplates, AreOpenedOnlyWhenNeeded)
{
    Session session = test::stationSession("/nonexistent/", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds"));
    EXPECT_TRUE(canOpenText(session, &store).ok);

    session.UsedBytes[DigitalIn] = 9;
    auto result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("OVN_KD236.eds"), std::string::npos);
    session.UsedBytes[DigitalIn] = 2;
    session.UsedBytes[AnalogOut] = 2;
    result = canOpenText(session, &store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("OVN_KA224.eds"), std::string::npos);
}

} // namespace
} // namespace quillon
