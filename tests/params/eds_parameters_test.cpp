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

TEST(ReadParameterNames, TakesNamesAndLimitsSlotBySlot)
{
    const EdsParameterNames names = readParameterNames(fixtureLines("station.eds"));
    ASSERT_TRUE(names.hasParameterObjects);
    ASSERT_EQ(names.slots[0].size(), 2u);
    ASSERT_EQ(names.slots[1].size(), 3u);
    ASSERT_EQ(names.slots[2].size(), 1u);
    EXPECT_TRUE(names.slots[3].empty()); // the failsafe object after [3000] is not a slot
    EXPECT_EQ(names.slots[0][1].highLimit, "100");
    EXPECT_EQ(names.slots[1][1].name, "Parameter KD236 Offset");
    EXPECT_EQ(names.slots[1][1].lowLimit, "-10");
    EXPECT_EQ(names.slots[1][2].lowLimit, "0x0"); // taken as written
    EXPECT_EQ(names.slots[2][0].name, "Parameter KA224 Conversion");

    EXPECT_FALSE(readParameterNames({"[FileInfo]", "[1000]", "HighLimit=1"}).hasParameterObjects);
}

TEST(ReadParameterNames, SkipsEntryCountsAndObjectHeaders)
{
    // The object header's three lines and the entry count's six are skipped whatever they hold.
    const EdsParameterNames names = readParameterNames(splitLines(
        "[2600]\nParameterName=Slot1\nLowLimit=9\nHighLimit=9\n[2600sub0]\nParameterName=Count\n"
        "LowLimit=9\nHighLimit=9\nDefaultValue=1\nx\nPDOMapping=0\n[2600sub1]\nParameterName=Only\n"
        "LowLimit=1\nHighLimit=2\n[2601]\nParameterName=Slot2\nHighLimit=5\nx\n[3000]\n"
        "ParameterName=After\nLowLimit=0\nHighLimit=1\n"));
    ASSERT_EQ(names.slots[0].size(), 1u);
    EXPECT_EQ(names.slots[0][0].name, "Only");
    EXPECT_EQ(names.slots[0][0].lowLimit, "1");
    EXPECT_TRUE(names.slots[1].empty());
}

TEST(RewriteEds, RewritesHeaderAndChosenValuesOnly)
{
    // Saving through the editor checks the whole file; here a row left out counts all the same.
    const std::vector<std::string> lines = fixtureLines("station.eds");
    PerSlot<std::optional<std::int32_t>> values;
    values[1] = {std::nullopt, -7};
    const std::vector<std::string> written =
        splitLines(rewriteEds(lines, values, DateTime{2011, 2, 3, 9, 5, 0}, "D:\\CO_new.eds"));
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
