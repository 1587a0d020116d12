#include <gtest/gtest.h>

#include "core/file_access.h"
#include "eds/canopen_eds.h"
#include "eds/canopen_pdo.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

using test::module;
using test::valueIn;

EdsBuildResult canOpenText(Session& session, TemplateStore* store = nullptr,
                           const std::string& path = "/eds/CO_test.eds")
{
    return test::buildText(session, FieldbusProtocol::CanOpen, path, store);
}

TEST(CanOpenPdoLayout, ByteSplitAndHeaderCounts)
{
    EXPECT_EQ(splitPdoBytes(1, 0), (PdoBytes{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(12, 20), (PdoBytes{0, 8, 4, 8, 8, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(16, 32), (PdoBytes{0, 8, 8, 8, 8, 8, 8, 0, 0, 0, 0}));
    EXPECT_EQ(announcedPdoCount(3, 2, 0), 3);
    EXPECT_EQ(announcedPdoCount(1, 8, 0), 1);
    EXPECT_EQ(announcedPdoCount(3, 10, 20), 7);
    const std::pair<int, int> analogueAdds[] = {{1, 1},  {8, 1},  {9, 2},  {16, 2},
                                                {17, 3}, {24, 3}, {25, 4}, {32, 4}};
    for (const auto& [analogue, added] : analogueAdds)
        EXPECT_EQ(announcedPdoCount(1, 9, analogue), 2 + added) << analogue;
}

TEST(CanOpenSlotParameters, IndexAndSlotNumberFollowTheSlot)
{
    std::string line = "    [260Xsub1] ; text before the placeholder goes";
    renameSlotParameterLine(line, 3);
    EXPECT_EQ(line, "[2603sub1] ; text before the placeholder goes");
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

std::string headTemplate()
{
    return *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
}

// The head template with its optional-object list replaced by `list`.
std::string headWithOptionalList(const std::string& list)
{
    std::string head = headTemplate();
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

// A head-only station generated from a head template of the test's own.
class CanOpenHeadTemplate : public ::testing::Test
{
protected:
    EdsBuildResult withHead(const std::string& head)
    {
        store.put("OVN_HB612.eds", head);
        return canOpenText(session, &store);
    }
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store{session.gstrResourcePath};
};

TEST_F(CanOpenHeadTemplate, ObjectListsAreTakenAsTheyStand)
{
    // Without lists in the head both start empty, in every run.
    std::string head = headWithOptionalList("");
    head.erase(head.find("[ManufacturerObjects]"), 53);
    for (int run = 0; run < 2; ++run) {
        const auto result = withHead(head);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_NE(result.text.find("[OptionalObjects]\r\nSupportedObjects=8\r\n1=0x1400\r\n"),
                  std::string::npos);
        EXPECT_NE(result.text.find("[ManufacturerObjects]\r\nSupportedObjects=3\r\n1=0x2600\r\n"
                                   "2=0x3000\r\n3=0x4000\r\n"),
                  std::string::npos);
    }

    // A list announcing more entries than follow takes the next lines, markers included, and
    // fails when it runs past the end of the file.
    const auto result =
        withHead(headWithOptionalList("[OptionalObjects]\r\nSupportedObjects=2\r\n1=0x1005\r\n"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=10\r\n1=0x1005\r\n[END_CANOPEN_HEADER1]\r\n"
                               "3=0x1400\r\n"),
              std::string::npos);
    EXPECT_FALSE(withHead("[START_CANOPEN_HEADER1]\r\n" + listOf(3).substr(0, 49)).ok);
}

TEST_F(CanOpenHeadTemplate, ObjectListsBeyondTheirCapacityFail)
{
    // 92 from the template and the 8 objects of a head-only station fill the list exactly; a
    // template list beyond 100 is refused as it is read.
    auto result = withHead(headWithOptionalList(listOf(92)));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=100\r\n"), std::string::npos);
    EXPECT_NE(withHead(headWithOptionalList(listOf(93))).error.find("more than 100"),
              std::string::npos);
    EXPECT_NE(withHead(headWithOptionalList(listOf(101))).error.find("at most 100"),
              std::string::npos);

    // 56 manufacturer objects, two slots, 0x3000 and 0x4000 make 60; a third slot is too many.
    std::string head = headTemplate();
    std::string manufacturer = "SupportedObjects=56\r\n";
    for (int i = 1; i <= 56; ++i)
        manufacturer += std::to_string(i) + "=0x2000\r\n";
    head.replace(head.find("SupportedObjects=1\r\n1=0x2000\r\n"), 30, manufacturer);
    session.ClusterSlots[1] = module("OVN_KD216.eds", 0, 0, 0, 0);
    session.UsedCount = 2;
    result = withHead(head);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("\r\n60=0x4000\r\n"), std::string::npos);
    session.ClusterSlots[2] = session.ClusterSlots[1];
    session.UsedCount = 3;
    EXPECT_NE(withHead(head).error.find("more than 60"), std::string::npos);
}

TEST_F(CanOpenHeadTemplate, CreationDateIsReplacedAndModificationDateOverwritten)
{
    std::string head = headTemplate();
    head.replace(head.find("CreationDate=01-01-2000"), 23, "CreationDate=01-01-2000 template");
    const auto result = withHead(head);
    EXPECT_NE(result.text.find("\r\nCreationDate=06-30-2009\r\n"), std::string::npos);
    EXPECT_NE(result.text.find("\r\nModificationDate=06-30-2009 template\r\n"), std::string::npos);
}

TEST(CanOpenPdoTemplates, AreOpenedOnlyWhenNeeded)
{
    Session session = test::stationSession("/nonexistent/", FieldbusProtocol::CanOpen, {});
    TemplateStore store(session.gstrResourcePath);
    store.put("OVN_HB612.eds", headTemplate());
    EXPECT_TRUE(canOpenText(session, &store).ok);
    session.UsedBytes[DigitalIn] = 9;
    EXPECT_NE(canOpenText(session, &store).error.find("OVN_KD236.eds"), std::string::npos);
    session.UsedBytes[DigitalIn] = 2;
    session.UsedBytes[AnalogOut] = 2;
    EXPECT_NE(canOpenText(session, &store).error.find("OVN_KA224.eds"), std::string::npos);
}

} // namespace
} // namespace quillon
