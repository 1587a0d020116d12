#include <gtest/gtest.h>

#include "core/file_access.h"
#include "eds/canopen_eds.h"
#include "eds/canopen_pdo.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

using test::module;

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
    const std::tuple<const char*, int, const char*> lines[] = {
        {"    [260Xsub1] ; text before the placeholder goes", 3,
         "[2603sub1] ; text before the placeholder goes"},
        {"ParameterName=DeviceParameter SlotX", 0, "ParameterName=DeviceParameter Slot1"},
        // The last character goes, whatever it is.
        {"ParameterName=DeviceParameter SlotX ", 2, "ParameterName=DeviceParameter SlotX3"}};
    for (const auto& [from, slot, to] : lines) {
        std::string line = from;
        renameSlotParameterLine(line, slot);
        EXPECT_EQ(line, to);
    }
}

TEST(CanOpenEds, StationsMatchTheReviewedTexts)
{
    // Header rewrites, a template list of four continued from 5, second digital PDOs, COB-IDs
    // 0x400 and 0x380, PDO03, a SlotX with a trailing blank; then 16 digital inputs and 20
    // analogue output bytes, and a module at index 3 that indents its [260Xsub1].
    const std::tuple<std::vector<ModuleInfo>, const char*, const char*> stations[] = {
        {{module("OVN_KD236.eds", 8, 9, 0, 0), module("OVN_KA224.eds", 0, 0, 2, 4)},
         "C:\\EDS\\CO_station.eds",
         "expected_kd236_ka224.eds"},
        {{module("OVN_KD216.eds", 14, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 0, 20),
          module("OVN_KD216.eds", 0, 0, 0, 0)},
         "/eds/CO_test.eds",
         "expected_di16_ao20.eds"}};
    for (const auto& [modules, path, expected] : stations) {
        Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, modules);
        const auto result = canOpenText(session, nullptr, path);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.text, *readFileBytes(test::EdsTestData + "canopen/" + expected));
    }
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
    // The head template with its optional-object list replaced by `list`, or by one of
    // `count` entries.
    static std::string withOptionalList(std::string list, int count = 0)
    {
        if (count > 0)
            list = "[OptionalObjects]\r\nSupportedObjects=" + std::to_string(count) + "\r\n";
        for (int i = 1; i <= count; ++i)
            list += std::to_string(i) + "=0x1000\r\n";
        const auto from = Head.find("[OptionalObjects]");
        return std::string(Head).replace(from, Head.find("[END_CANOPEN_HEADER1]") - from, list);
    }

    static inline const std::string Head =
        *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store{session.gstrResourcePath};
};

TEST_F(CanOpenHeadTemplate, ObjectListsAreTakenAsTheyStand)
{
    // Without lists in the head both start empty, in every run.
    std::string head = withOptionalList("");
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
        withHead(withOptionalList("[OptionalObjects]\r\nSupportedObjects=2\r\n1=0x1005\r\n"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=10\r\n1=0x1005\r\n[END_CANOPEN_HEADER1]\r\n"
                               "3=0x1400\r\n"),
              std::string::npos);
    EXPECT_FALSE(withHead("[START_CANOPEN_HEADER1]\r\n[OptionalObjects]\r\nSupportedObjects=3\r\n"
                          "1=0x1000\r\n")
                     .ok);
}

TEST_F(CanOpenHeadTemplate, ObjectListsBeyondTheirCapacityFail)
{
    // 92 from the template and the 8 objects of a head-only station fill the list exactly; a
    // template list beyond 100 is refused as it is read.
    auto result = withHead(withOptionalList("", 92));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.text.find("SupportedObjects=100\r\n"), std::string::npos);
    EXPECT_NE(withHead(withOptionalList("", 93)).error.find("more than 100"), std::string::npos);
    EXPECT_NE(withHead(withOptionalList("", 101)).error.find("at most 100"), std::string::npos);

    // 56 manufacturer objects, two slots, 0x3000 and 0x4000 make 60; a third slot is too many.
    std::string manufacturer = "SupportedObjects=56\r\n";
    for (int i = 1; i <= 56; ++i)
        manufacturer += std::to_string(i) + "=0x2000\r\n";
    const std::string head = std::string(Head).replace(
        Head.find("SupportedObjects=1\r\n1=0x2000\r\n"), 30, manufacturer);
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
    const auto result = withHead(std::string(Head).replace(Head.find("CreationDate=01-01-2000"), 23,
                                                           "CreationDate=01-01-2000 template"));
    EXPECT_NE(result.text.find("\r\nCreationDate=06-30-2009\r\n"), std::string::npos);
    EXPECT_NE(result.text.find("\r\nModificationDate=06-30-2009 template\r\n"), std::string::npos);
}

TEST_F(CanOpenHeadTemplate, PdoTemplatesAreOpenedOnlyWhenNeeded)
{
    session.gstrResourcePath = "/nonexistent/";
    store = TemplateStore(session.gstrResourcePath);
    EXPECT_TRUE(withHead(Head).ok);
    session.UsedBytes[DigitalIn] = 9;
    EXPECT_NE(withHead(Head).error.find("OVN_KD236.eds"), std::string::npos);
    session.UsedBytes[DigitalIn] = 2;
    session.UsedBytes[AnalogOut] = 2;
    EXPECT_NE(withHead(Head).error.find("OVN_KA224.eds"), std::string::npos);
}

} // namespace
} // namespace quillon
