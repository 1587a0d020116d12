#include <gtest/gtest.h>

#include "core/file_access.h"
#include "eds/canopen_eds.h"
#include "eds/canopen_pdo.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

TEST(CanOpenPdoLayout, ByteSplitAndHeaderCounts)
{
    EXPECT_EQ(splitPdoBytes(1, 0), (PdoBytes{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(12, 20), (PdoBytes{0, 8, 4, 8, 8, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(splitPdoBytes(16, 32), (PdoBytes{0, 8, 8, 8, 8, 8, 8, 0, 0, 0, 0}));
    EXPECT_EQ(announcedPdoCount(3, 2, 0), 3);
    EXPECT_EQ(announcedPdoCount(1, 8, 0), 1);
    // A second digital PDO, then one analogue PDO for each 8 bytes begun.
    for (const auto& [analogue, added] :
         {std::pair{1, 1}, {8, 1}, {9, 2}, {16, 2}, {17, 3}, {24, 3}, {25, 4}, {32, 4}})
        EXPECT_EQ(announcedPdoCount(1, 9, analogue), 2 + added) << analogue;
}

// A station generated from a head template of the test's own.
class CanOpenHeadTemplate : public ::testing::Test
{
protected:
    // The text generated from `head`, or why none was.
    std::string says(const std::string& head)
    {
        store.put("OVN_HB612.eds", head);
        const auto result =
            test::buildText(session, FieldbusProtocol::CanOpen, "/eds/CO_test.eds", &store);
        return result.ok ? result.text : result.error;
    }
    // The head template with `from` replaced by `to`; "[OptionalObjects]" stands for the whole
    // optional-object list, and `to` is then followed by `count` entries.
    static std::string edited(const std::string& from, std::string to, int count = 0)
    {
        for (int i = 1; i <= count; ++i)
            to += std::to_string(i) + "=0x1000\r\n";
        const auto at = Head.find(from);
        const auto length =
            from == "[OptionalObjects]" ? Head.find("[END_CANOPEN_HEADER1]") - at : from.size();
        return std::string(Head).replace(at, length, to);
    }
    static std::string optionalObjects(int count)
    {
        return edited("[OptionalObjects]",
                      "[OptionalObjects]\r\nSupportedObjects=" + std::to_string(count) + "\r\n",
                      count);
    }

    static inline const std::string Head =
        *readFileBytes(test::EdsTestData + "canopen/OVN_HB612.eds");
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    TemplateStore store{session.gstrResourcePath};
};

TEST_F(CanOpenHeadTemplate, ObjectListsAndDatesAreTakenAsTheyStand)
{
    std::string noLists = edited("[OptionalObjects]", "");
    noLists.erase(noLists.find("[ManufacturerObjects]"), 53);
    const std::pair<std::string, const char*> heads[] = {
        // Without lists in the head both start empty, in every run.
        {noLists, "[OptionalObjects]\r\nSupportedObjects=8\r\n1=0x1400\r\n"},
        {noLists, "[ManufacturerObjects]\r\nSupportedObjects=3\r\n1=0x2600\r\n2=0x3000\r\n"
                  "3=0x4000\r\n"},
        // A list announcing more entries than follow takes the next lines, markers included,
        // and fails when it runs past the end of the file.
        {edited("[OptionalObjects]", "[OptionalObjects]\r\nSupportedObjects=2\r\n1=0x1005\r\n"),
         "SupportedObjects=10\r\n1=0x1005\r\n[END_CANOPEN_HEADER1]\r\n3=0x1400\r\n"},
        {"[START_CANOPEN_HEADER1]\r\n[OptionalObjects]\r\nSupportedObjects=3\r\n1=0x1000\r\n",
         "where more lines were expected"},
        // 92 from the template and the 8 objects of a head-only station fill the list exactly; a
        // template list beyond 100 is refused as it is read.
        {optionalObjects(92), "SupportedObjects=100\r\n"},
        {optionalObjects(93), "more than 100"},
        {optionalObjects(101), "at most 100"},
        // The creation date is replaced whole, the modification date overwritten.
        {edited("CreationDate=01-01-2000", "CreationDate=01-01-2000 x"),
         "\r\nCreationDate=06-30-2009\r\n"},
        {Head, "\r\nModificationDate=06-30-2009 template\r\n"}};
    for (const auto& [head, part] : heads)
        EXPECT_NE(says(head).find(part), std::string::npos) << part;

    // 56 manufacturer objects, two slots, 0x3000 and 0x4000 make 60; a third slot is too many.
    const std::string head =
        edited("SupportedObjects=1\r\n1=0x2000\r\n", "SupportedObjects=56\r\n", 56);
    session.ClusterSlots[1] = session.ClusterSlots[2] = test::module("OVN_KD216.eds", 0, 0, 0, 0);
    session.UsedCount = 2;
    EXPECT_NE(says(head).find("\r\n60=0x4000\r\n"), std::string::npos);
    session.UsedCount = 3;
    EXPECT_NE(says(head).find("more than 60"), std::string::npos);
}

TEST_F(CanOpenHeadTemplate, PdoTemplatesAreOpenedOnlyWhenNeeded)
{
    store = TemplateStore("/nonexistent/");
    EXPECT_NE(says(Head).find("[OptionalObjects]"), std::string::npos);
    session.UsedBytes[DigitalIn] = 9;
    EXPECT_NE(says(Head).find("cannot read the template /nonexistent/OVN_KD236.eds"),
              std::string::npos);
    session.UsedBytes[DigitalIn] = 2;
    session.UsedBytes[AnalogOut] = 2;
    EXPECT_NE(says(Head).find("cannot read the template /nonexistent/OVN_KA224.eds"),
              std::string::npos);
}

} // namespace
} // namespace quillon
