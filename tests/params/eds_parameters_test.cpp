#include <gtest/gtest.h>

#include "core/item_reader.h"
#include "params/eds_parameters.h"

namespace quillon {
namespace {

TEST(ReadParameterObjects, SkipsHeadersAndEntryCountsAndLendsNoLineToAnotherEntry)
{
    // The object header's three lines and the entry count's six are skipped whatever they hold;
    // an entry without a line has none, however many lines the next entry has. Nothing after
    // [3000] belongs to a slot.
    const EdsParameterObjects objects = readParameterObjects(splitLines(
        "[2600]\nParameterName=Slot1\nLowLimit=9\nHighLimit=9\n[2600sub0]\nParameterName=Count\n"
        "LowLimit=9\nHighLimit=9\nDefaultValue=1\nx\nPDOMapping=0\n[2600sub1]\nParameterName=Only\n"
        "LowLimit=1\nHighLimit=2\n[2600sub2]\nParameterName=Next\nDefaultValue=7\n"
        "DefaultValue=3\nHighLimit=12\n[2601]\nParameterName=Slot2\nHighLimit=5\nx\n[3000]\n"
        "ParameterName=After\nLowLimit=0\nHighLimit=1\n"));
    ASSERT_TRUE(objects.hasParameterObjects);
    ASSERT_EQ(objects.slots[0].size(), 2u);
    const EdsParameterEntry& only = objects.slots[0][0];
    EXPECT_EQ(only.section + only.name.value_or("?") + "|" + only.lowLimit.value_or("?"),
              "[2600sub1]Only|1");
    EXPECT_FALSE(only.defaultValue);
    const EdsParameterEntry& next = objects.slots[0][1];
    EXPECT_EQ(next.defaultValue.value_or("?") + "|" + next.highLimit.value_or("?"), "7|12");
    EXPECT_FALSE(next.lowLimit);
    EXPECT_TRUE(objects.slots[1].empty());

    EXPECT_FALSE(readParameterObjects({"[FileInfo]", "[1000]", "HighLimit=1"}).hasParameterObjects);
}

TEST(RewriteEds, WritesAValueOnlyIntoItsOwnEntry)
{
    // The first entry has no value line; the second entry's first line gets the second value. A
    // value left out (no defaults yet) keeps the line.
    PerSlot<std::optional<std::int32_t>> values;
    values[0] = {11, 12, 13};
    EXPECT_EQ(rewriteEds(splitLines("[2600]\na\nb\nc\n[2600sub1]\nHighLimit=1\n[2600sub2]\n"
                                    "DefaultValue=5\nDefaultValue=6\n[3000]\nDefaultValue=8"),
                         values, DateTime{}, "p"),
              "[2600]\r\na\r\nb\r\nc\r\n[2600sub1]\r\nHighLimit=1\r\n[2600sub2]\r\n"
              "DefaultValue=12\r\nDefaultValue=6\r\n[3000]\r\nDefaultValue=8\r\n\r\n");

    // Without parameter objects the file is only rewritten with CR LF and the closing line end.
    EXPECT_EQ(rewriteEds({"[FileInfo]", "DefaultValue=3", "X"}, values, DateTime{}, "p"),
              "[FileInfo]\r\nDefaultValue=3\r\nX\r\n\r\n");
}

TEST(ScanModuleSlots, RefusesWhatIsNoCanOpenEdsAndReadsShortNamesAsEmpty)
{
    // "[FileInfo]" must stand in the first line; a comment before it is enough to refuse.
    EXPECT_EQ(scanModuleSlots({"$ A DeviceNet EDS", "[FileInfo]"}).status,
              EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({}).status, EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({"[FileInfo]", "[1000]"}).status,
              EdsModuleScan::Status::NoParameterObjects);
    // A name line too short for a model name gives an empty one.
    EXPECT_EQ(
        scanModuleSlots({"[FileInfo]", "[2600]", "a", "b", "c", "[2601sub1]", "x"}).modelNames[1],
        "");
}

} // namespace
} // namespace quillon
