#include <gtest/gtest.h>

#include "core/item_reader.h"
#include "params/eds_parameters.h"
#include "tests/params/params_fixture.h"

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

    EXPECT_EQ(names.slots[0][0].name, "Parameter HB612 Input filter");
    EXPECT_EQ(names.slots[0][1].highLimit, "100");
    EXPECT_EQ(names.slots[1][1].name, "Parameter KD236 Offset");
    EXPECT_EQ(names.slots[1][1].lowLimit, "-10");
    EXPECT_EQ(names.slots[1][2].lowLimit, "0x0"); // taken as written
    EXPECT_EQ(names.slots[1][2].highLimit, "0xFF");
    EXPECT_EQ(names.slots[2][0].name, "Parameter KA224 Conversion");
}

TEST(ReadParameterNames, SkipsEntryCountsAndObjectHeaders)
{
    // The entry-count sub-entry and the object header carry keys of their own; none becomes a row.
    const std::vector<std::string> lines = {"[2600]",
                                            "ParameterName=DeviceParameter Slot1",
                                            "ObjectType=0x9",
                                            "SubNumber=2",
                                            "[2600sub0]",
                                            "ParameterName=Number of entries",
                                            "ObjectType=0x7",
                                            "LowLimit=9",
                                            "HighLimit=9",
                                            "DefaultValue=1",
                                            "PDOMapping=0",
                                            "[2600sub1]",
                                            "ParameterName=Only",
                                            "LowLimit=1",
                                            "HighLimit=2",
                                            "DefaultValue=1",
                                            "[2601]",
                                            "ParameterName=DeviceParameter Slot2",
                                            "HighLimit=5",
                                            "SubNumber=1",
                                            "[3000]",
                                            "ParameterName=After",
                                            "LowLimit=0",
                                            "HighLimit=1"};
    const EdsParameterNames names = readParameterNames(lines);
    ASSERT_EQ(names.slots[0].size(), 1u);
    EXPECT_EQ(names.slots[0][0].name, "Only");
    EXPECT_EQ(names.slots[0][0].lowLimit, "1");
    EXPECT_TRUE(names.slots[1].empty());
}

TEST(ReadParameterNames, FindsNothingWithoutTheParameterObjects)
{
    const EdsParameterNames names = readParameterNames({"[FileInfo]", "[1000]", "HighLimit=1"});
    EXPECT_FALSE(names.hasParameterObjects);
    EXPECT_TRUE(names.slots[0].empty());
}

TEST(RewriteEds, RewritesHeaderAndChosenValuesOnly)
{
    const std::vector<std::string> lines = fixtureLines("station.eds");
    PerSlot<std::optional<std::int32_t>> values;
    values[0] = {0, std::nullopt};
    values[1] = {1, -7, 31};
    values[2] = {std::nullopt};
    const std::string out =
        rewriteEds(lines, values, DateTime{2011, 2, 3, 21, 5, 0}, "D:\\EDS\\CO_new.eds");
    const std::vector<std::string> written = splitLines(out);

    ASSERT_EQ(written.size(), lines.size() + 1); // one empty line more at the end
    EXPECT_EQ(written.back(), "");
    EXPECT_EQ(out.substr(out.size() - 4), "\r\n\r\n");
    std::size_t changed = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        changed += lines[i] != written[i] ? 1 : 0;
    EXPECT_EQ(changed, 7u); // three header lines, four values that differ

    EXPECT_EQ(written[1], "FileName=D:\\EDS\\CO_new.eds");
    EXPECT_EQ(written[9], "ModificationTime=09:05PM");
    // The date is written into the line, which keeps its length and its tail.
    EXPECT_EQ(written[10], "ModificationDate=02-03-2011 (first)");
    EXPECT_EQ(written[6], "CreationTime= 09:00AM");

    const PerSlot<std::string> reread = readParameterValues(written);
    EXPECT_EQ(reread[0], (std::vector<std::string>{"0", "0x10"}));
    EXPECT_EQ(reread[1], (std::vector<std::string>{"1", "-7", "31"}));
    EXPECT_EQ(reread[2], (std::vector<std::string>{"500"}));
    // Entry counts and the objects after the parameters keep their values.
    EXPECT_NE(out.find("DefaultValue=0x00\r\n"), std::string::npos);
    EXPECT_NE(out.find("DefaultValue=7\r\nPDOMapping=0\r\n\r\n"), std::string::npos);
}

TEST(RewriteEds, LeavesAFileWithoutParameterObjectsAsItWas)
{
    const std::vector<std::string> lines = {"[FileInfo]", "DefaultValue=3", "X"};
    PerSlot<std::optional<std::int32_t>> values;
    values[0] = {9};
    EXPECT_EQ(rewriteEds(lines, values, DateTime{}, "p"),
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
}

TEST(ScanModuleSlots, RefusesWhatIsNoCanOpenEds)
{
    // "[FileInfo]" must stand in the first line; a comment before it is enough to refuse.
    EXPECT_EQ(scanModuleSlots(fixtureLines("not_canopen.eds")).status,
              EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({}).status, EdsModuleScan::Status::NotCanOpen);
    EXPECT_EQ(scanModuleSlots({"[FileInfo]", "[1000]"}).status,
              EdsModuleScan::Status::NoParameterObjects);
    // A name line too short for a model name gives an empty one.
    const EdsModuleScan shortName =
        scanModuleSlots({"[FileInfo]", "[2600]", "a", "b", "c", "[2601sub1]", "ParameterName=x"});
    EXPECT_EQ(shortName.modelNames[1], "");
}

} // namespace
} // namespace quillon
