#include <gtest/gtest.h>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "params/eds_parameters.h"

namespace quillon {
namespace {

std::vector<std::string> fixtureLines(const std::string& name)
{
    const auto bytes = readFileBytes(QUILLON_TEST_DATA "/params/" + name);
    EXPECT_TRUE(bytes) << name;
    return splitLines(bytes.value_or(""));
}

TEST(ReadParameterObjects, TakesEachEntrysOwnLinesSlotBySlot)
{
    const EdsParameterObjects objects = readParameterObjects(fixtureLines("station.eds"));
    ASSERT_TRUE(objects.hasParameterObjects);
    ASSERT_EQ(objects.slots[0].size(), 2u);
    ASSERT_EQ(objects.slots[1].size(), 3u);
    ASSERT_EQ(objects.slots[2].size(), 1u);
    EXPECT_TRUE(objects.slots[3].empty()); // the failsafe object after [3000] is not a slot
    EXPECT_EQ(objects.slots[0][1].highLimit, "100");
    EXPECT_EQ(objects.slots[0][1].defaultValue, "0x10"); // taken as written
    const EdsParameterEntry& offset = objects.slots[1][1];
    EXPECT_EQ(offset.section + "|" + offset.name.value_or("?") + "|" +
                  offset.lowLimit.value_or("?") + "|" + offset.defaultValue.value_or("?"),
              "[2601sub2]|Parameter KD236 Offset|-10|-5");
    EXPECT_EQ(objects.slots[1][2].lowLimit, "0x0");
    EXPECT_EQ(objects.slots[2][0].name, "Parameter KA224 Conversion");

    EXPECT_FALSE(readParameterObjects({"[FileInfo]", "[1000]", "HighLimit=1"}).hasParameterObjects);
}

TEST(ReadParameterObjects, SkipsHeadersAndEntryCountsAndLendsNoLineToAnotherEntry)
{
    // The object header's three lines and the entry count's six are skipped whatever they hold;
    // an entry without a line has none, however many lines the next entry has.
    const EdsParameterObjects objects = readParameterObjects(splitLines(
        "[2600]\nParameterName=Slot1\nLowLimit=9\nHighLimit=9\n[2600sub0]\nParameterName=Count\n"
        "LowLimit=9\nHighLimit=9\nDefaultValue=1\nx\nPDOMapping=0\n[2600sub1]\nParameterName=Only\n"
        "LowLimit=1\nHighLimit=2\n[2600sub2]\nParameterName=Next\nDefaultValue=7\n"
        "DefaultValue=3\nHighLimit=12\n[2601]\nParameterName=Slot2\nHighLimit=5\nx\n[3000]\n"
        "ParameterName=After\nLowLimit=0\nHighLimit=1\n"));
    ASSERT_EQ(objects.slots[0].size(), 2u);
    const EdsParameterEntry& only = objects.slots[0][0];
    EXPECT_EQ(only.name, "Only");
    EXPECT_EQ(only.lowLimit, "1");
    EXPECT_FALSE(only.defaultValue);
    const EdsParameterEntry& next = objects.slots[0][1];
    EXPECT_EQ(next.defaultValue, "7"); // the first of two
    EXPECT_FALSE(next.lowLimit);
    EXPECT_EQ(next.highLimit, "12");
    EXPECT_TRUE(objects.slots[1].empty());
}

TEST(RewriteEds, RewritesHeaderAndChosenValuesOnly)
{
    // Saving through the editor checks the whole file; here a row left out counts all the same.
    const std::vector<std::string> lines = fixtureLines("station.eds");
    PerSlot<std::optional<std::int32_t>> values;
    values[1] = {std::nullopt, -7};
    const auto saved = rewriteEds(lines, values, DateTime{2011, 2, 3, 9, 5, 0}, "D:\\CO_new.eds");
    ASSERT_TRUE(saved);
    const std::vector<std::string> written = splitLines(*saved);
    ASSERT_EQ(written.size(), lines.size() + 1);
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != written[i])
            changed.push_back(written[i]);
    }
    EXPECT_EQ(changed,
              (std::vector<std::string>{"FileName=D:\\CO_new.eds", "ModificationTime=09:05AM",
                                        "ModificationDate=02-03-2011 (first)", "DefaultValue=-7"}));

    // Without parameter objects the file is only rewritten with CR LF and the closing line end.
    values[0] = {9};
    EXPECT_EQ(rewriteEds({"[FileInfo]", "DefaultValue=3", "X"}, values, DateTime{}, "p"),
              "[FileInfo]\r\nDefaultValue=3\r\nX\r\n\r\n");
}

TEST(RewriteEds, WritesAValueOnlyIntoItsOwnEntry)
{
    // The first entry has no value line; the second entry's line gets the second value only.
    const std::vector<std::string> lines = {"[2600]",
                                            "a",
                                            "b",
                                            "c",
                                            "[2600sub1]",
                                            "HighLimit=1",
                                            "[2600sub2]",
                                            "DefaultValue=5",
                                            "DefaultValue=6",
                                            "[3000]",
                                            "DefaultValue=8"};
    PerSlot<std::optional<std::int32_t>> values;
    values[0] = {11, 12, 13};
    const auto saved = rewriteEds(lines, values, DateTime{}, "p");
    ASSERT_TRUE(saved);
    EXPECT_EQ(splitLines(*saved),
              (std::vector<std::string>{"[2600]", "a", "b", "c", "[2600sub1]", "HighLimit=1",
                                        "[2600sub2]", "DefaultValue=12", "DefaultValue=6", "[3000]",
                                        "DefaultValue=8", ""}));
}

TEST(ScanModuleSlots, TakesTheModelNamesOfSlots2To8)
{
    const EdsModuleScan scan = scanModuleSlots(fixtureLines("station.eds"));
    ASSERT_EQ(scan.status, EdsModuleScan::Status::Found);
    EXPECT_FALSE(scan.modelNames[0]); // the head is never probed
    EXPECT_EQ(scan.modelNames[1], "KD236");
    EXPECT_EQ(scan.modelNames[2], "KA224");
    EXPECT_FALSE(scan.modelNames[3]);

    const EdsModuleScan headOnly = scanModuleSlots(fixtureLines("head_only.eds"));
    EXPECT_EQ(headOnly.status, EdsModuleScan::Status::Found);
    for (const auto& name : headOnly.modelNames)
        EXPECT_FALSE(name);

    // A name line too short for a model name gives an empty one.
    EXPECT_EQ(
        scanModuleSlots({"[FileInfo]", "[2600]", "a", "b", "c", "[2601sub1]", "x"}).modelNames[1],
        "");
}

TEST(ScanModuleSlots, RefusesWhatIsNoCanOpenEds)
{
    // "[FileInfo]" must stand in the first line; a comment before it is enough to refuse.
    EXPECT_EQ(scanModuleSlots(fixtureLines("not_canopen.eds")).status,
              EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({}).status, EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({"[FileInfo]", "[1000]"}).status,
              EdsModuleScan::Status::NoParameterObjects);
}

} // namespace
} // namespace quillon
