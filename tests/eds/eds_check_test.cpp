#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/item_reader.h"
#include "eds/eds_check.h"

namespace quillon::test {
namespace {

std::string fixture(const std::string& name)
{
    const auto bytes = readFileBytes(QUILLON_TEST_DATA "/check/" + name);
    EXPECT_TRUE(bytes.has_value()) << name;
    return bytes.value_or("");
}

using Expected = std::pair<int, std::string>; // a line and a part of the message on it

// The findings must be exactly the expected ones, in line order, so that a rule that starts
// firing on a correct line fails a test just as a rule that stops firing does.
void expectFindings(const CheckReport& report, const std::vector<Expected>& expected)
{
    ASSERT_EQ(report.findings.size(), expected.size()) << formatReport(report, "file");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(report.findings[i].line, expected[i].first) << report.findings[i].message;
        EXPECT_NE(report.findings[i].message.find(expected[i].second), std::string::npos)
            << report.findings[i].message << "\nexpected part: " << expected[i].second;
    }
}

std::string withLineEnds(std::string text, const std::string& lineEnd)
{
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 1))
        text.replace(at, 2, lineEnd);
    return text;
}

TEST(CheckEds, AcceptsCleanFilesOfBothFormatsWithAnyLineEnds)
{
    // Both are shaped like generated output: lists between the CANopen object blocks, $NODEID
    // defaults, signed limits as bit patterns; the DeviceNet Param/Enum pairs in [Params].
    const std::pair<const char*, EdsFormat> files[] = {
        {"canopen_clean.eds", EdsFormat::CanOpen}, {"devicenet_clean.eds", EdsFormat::DeviceNet}};
    for (const auto& [name, format] : files) {
        const std::string text = fixture(name);
        for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
            const CheckReport report = checkEds(withLineEnds(text, lineEnd));
            EXPECT_EQ(report.format, format) << name;
            EXPECT_TRUE(report.clean()) << formatReport(report, name);
        }
    }
}

TEST(CheckCanOpen, ObjectListsMatchTheObjectSections)
{
    expectFindings(checkEds(fixture("canopen_lists.eds")),
                   {{47, "[MandatoryObjects] does not list 0x1018"},
                    {48, "SupportedObjects=3 but entry 3 is missing"},
                    {57, "lists 0x1601, which has no section [1601]"},
                    {64, "entry 11 lies beyond SupportedObjects=10"},
                    {64, "0x1800 is listed again; the first listing is on line 58"},
                    {65, "'x' is not an entry number"},
                    {82, "[1018] is not listed"},
                    {179, "[1600] is not listed"},
                    {337, "lists 0x1400, which is not a manufacturer object"},
                    {337, "0x1400 is listed again; the first listing is on line 56"},
                    {338, "entry 3 '0x40000' is not an object index"},
                    {368, "[3000] is not listed"},
                    {386, "[4000] is not listed"}});
}

TEST(CheckCanOpen, ObjectsAndSubEntriesHaveValidKeys)
{
    expectFindings(checkEds(fixture("canopen_objects.eds")),
                   {{67, "[1000]: ObjectType '0x3' is not"},
                    {73, "[1001] has no DataType"},
                    {83, "[1018]: SubNumber=3 but the file has 2 sub-entries"},
                    {101, "[1019sub1] is a sub-entry of 0x1019, which has no object section"},
                    {122, "DataType '0x0017' is not a CANopen data type"},
                    {130, "AccessType 'rx' is not ro, wo, rw, rwr, rww or const"},
                    {141, "[6200sub0]: sub-index 0 holds the number of entries"},
                    {152, "[6200sub1]: PDOMapping must be 0 or 1, not '2'"},
                    {200, "maps 0x6200sub01, whose PDOMapping is not 1"},
                    {402, "[4000sub1] belongs to [4000], which is a VAR"}});
}

TEST(CheckCanOpen, ValuesParseForTheirTypeAndLieWithinLimits)
{
    // Also accepted here: "$NODEID+0x123" and "[3000sub00]" for sub-index 0.
    expectFindings(checkEds(fixture("canopen_values.eds")),
                   {{78, "[1001]: DefaultValue '0x1FF' is not a valid UNSIGNED8"},
                    {147, "DefaultValue '1.5' is not a valid UNSIGNED8"},
                    {356, "[2600sub1]: DefaultValue '300' is not a valid UNSIGNED8"},
                    {365, "DefaultValue '2' is not a valid BOOLEAN"},
                    {383, "[3000sub1]: DefaultValue 9 is above HighLimit 010"}, // octal 8
                    {393, "[4000]: LowLimit 0x10 is above HighLimit 0x0F"}});
}

TEST(CheckCanOpen, PdoCountsAndMappingsAgreeWithTheObjects)
{
    expectFindings(checkEds(fixture("canopen_pdo.eds")),
                   {{34, "NrOfRXPDO=2 but the file has 1 receive PDO"},
                    {35, "NrOfTXPDO=3 but the file has 4 transmit PDO"},
                    {197, "a receive PDO maps 0x6000sub01, which cannot be written"},
                    {228, "[1801] has no mapping object 0x1A01"},
                    {293, "maps 0x6000sub01 with 16 bits, but its UNSIGNED8 has 8"},
                    {301, "maps 0x6000sub03, which does not exist"},
                    {314, "2 entries are mapped, but sub-index 2 is missing"},
                    {321, "maps 0x1000sub00, whose PDOMapping is not 1"},
                    {323, "[1a07]: the PDO maps 81 bits; at most 64 fit"},
                    {347, "maps the dummy 0x0001, which [DummyUsage] does not enable"}});
}

TEST(CheckCanOpen, FileStructure)
{
    expectFindings(checkEds(fixture("canopen_syntax.eds")),
                   {{0, "required section [DeviceInfo] is missing"},
                    {2, "stands before the first section"},
                    {9, "[FileInfo]: Description appears again; the first is on line 8"},
                    {52, "section header '[1001' has no closing ']'"},
                    {59, "'just some text' is neither a [section]"},
                    {365, "[1000] appears again; the first one is on line 44"}});
}

// The clean CANopen file, with LF line ends, with its last object [4000] replaced.
std::string withObject4000(const std::string& lines)
{
    std::string text = withLineEnds(fixture("canopen_clean.eds"), "\n");
    return text.erase(text.find("[4000]\n")) + "[4000]\nParameterName=Value\n" + lines;
}

TEST(CheckCanOpen, ReadsNumbersAsCanOpenToolsDo)
{
    // The keys after the header, and a part of the one expected finding ("" for none).
    const std::pair<const char*, const char*> cases[] = {
        // Hexadecimal and octal values are bit patterns of the type's width.
        {"DataType=0x0002\nLowLimit=-128\nDefaultValue=0x80\n", ""},
        {"DataType=0x0002\nLowLimit=-127\nDefaultValue=0x80\n", "is below LowLimit -127"},
        {"DataType=0x0002\nDefaultValue=128\n", "not a valid INTEGER8 (out of range)"},
        {"DataType=0x0002\nDefaultValue=-129\n", "not a valid INTEGER8 (out of range)"},
        {"DataType=0x0002\nDefaultValue=0x100\n", "not a valid INTEGER8 (more than 8 bits)"},
        {"DataType=0x0015\nLowLimit=-9223372036854775808\nDefaultValue=0x8000000000000000\n", ""},
        {"DataType=0x0015\nDefaultValue=9223372036854775808\n", "INTEGER64 (out of range)"},
        {"DataType=0x001B\nHighLimit=18446744073709551615\nDefaultValue=0xFFFFFFFFFFFFFFFF\n", ""},
        {"DataType=0x001B\nDefaultValue=18446744073709551616\n", "not a valid UNSIGNED64"},
        {"DataType=0x0016\nDefaultValue=0x1000000\n", "not a valid UNSIGNED24"},
        {"DataType=0x0006\nDefaultValue=-1\n", "not a valid UNSIGNED16"},
        {"DataType=0x0005\nDefaultValue=08\n", "not a valid UNSIGNED8"}, // a leading 0 is octal
        {"DataType=0x0005\nDefaultValue=017\nHighLimit=15\n", ""},
        {"DataType=0x0008\nLowLimit=1\nHighLimit=2\nDefaultValue=0x3FC00000\n", ""}, // 1.5
        {"DataType=0x0008\nHighLimit=1000\nDefaultValue=1e3\n", ""},
        {"DataType=0x0008\nHighLimit=1000\nDefaultValue=1001.5\n", "is above HighLimit 1000"},
        {"DataType=0x0011\nDefaultValue=abc\n", "not a valid REAL64"},
        // Node-relative values are read, but not compared with limits.
        {"DataType=0x0007\nHighLimit=0x7F\nDefaultValue=$NODEID+0x80\n", ""},
        {"DataType=0x0007\nDefaultValue=0x180+$NODEID\n", ""},
        {"DataType=0x0007\nDefaultValue=$NODEID+zz\n", "not a valid UNSIGNED32"},
        // Empty values count as not given; texts have no numeric check.
        {"DataType=0x0007\nLowLimit=\nHighLimit=\nDefaultValue=\n", ""},
        {"DataType=0x0009\nDefaultValue=any text, 12\n", ""},
        {"ObjectType=0x2\n", ""},
        {"ObjectType=0x8\nCompactSubObj=4\nDataType=0x0005\nAccessType=ro\n", ""},
        {"ObjectType=0x8\nCompactSubObj=4\nAccessType=ro\n", "[4000] has no DataType"},
    };
    for (const auto& [keys, finding] : cases) {
        std::string object = keys;
        if (object.find("AccessType") == std::string::npos && object != "ObjectType=0x2\n")
            object += "AccessType=rw\n";
        const CheckReport report = checkEds(withObject4000(object));
        ASSERT_EQ(report.findings.size(), *finding ? 1u : 0u) << keys << formatReport(report, "");
        if (*finding) {
            EXPECT_NE(report.findings[0].message.find(finding), std::string::npos) << keys;
        }
    }
}

TEST(CheckDeviceNet, ParametersAndEnumerations)
{
    expectFindings(checkEds(fixture("devicenet_params.eds")),
                   {{37, "MaxInst = 12 but the highest parameter is Param14"},
                    {51, "Param1: default 3 is above the maximum 2"},
                    {55, "Enum1: has 5 values; it needs pairs"},
                    {60, "Param2: data type '0xC0' is not a CIP data type"},
                    {74, "Param12: data size 2 does not fit its BOOL (1)"},
                    {82, "Enum15: the text of choice 0 must be a string"},
                    {82, "Enum15 has no parameter Param15"},
                    {92, "Param13: minimum 500 is above the maximum -500"},
                    {92, "Param13: has no default value"},
                    {96, "'ParamXXX' is not a parameter"},
                    {97, "Param14: has 19 values; a parameter has 21"}});
}

TEST(CheckDeviceNet, SectionsAndEntrySyntax)
{
    expectFindings(checkEds(fixture("devicenet_syntax.eds")),
                   {{5, "CreateDate '2009-06-30' is not a date mm-dd-yyyy"},
                    {8, "ModTime '14:15' is not a time hh:mm:ss"},
                    {11, "[Device] has no VendCode"},
                    {16, "entry MajRev has no closing ';' before line 17"},
                    {18, "string has no closing '\"'"},
                    {18, "entry ProdName has no closing ';' before line 19"},
                    {20, "[Device]: catalog appears again; the first is on line 19"},
                    {25, "Input1 has 6 values; an I/O entry has 7"},
                    {33, "Output1 has 6 values"},
                    {34, "Output1 has no size"}});
}

TEST(CheckDeviceNet, IoSizesMaxInstEnumParAndVendorKeywords)
{
    const std::string clean = fixture("devicenet_clean.eds");
    auto edited = [&clean](const std::string& from, const std::string& to) {
        std::string text = clean;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    expectFindings(checkEds(edited("        Output1 =", "        Output2 =")),
                   {{22, "[IO_Info] has no Output1 with the I/O size"}});
    expectFindings(checkEds(edited("        MaxInst = 13;\r\n", "")),
                   {{36, "[ParamClass] has no MaxInst"}});
    expectFindings(checkEds(edited("[IO_Info]", "[IO_Inf]")),
                   {{0, "required section [IO_Info] is missing"}});
    EXPECT_TRUE(
        checkEds(edited("        Param1 =", "        291_Extra = 1;\r\n        Param1 =")).clean());
    // A REAL parameter compares its values as real numbers.
    expectFindings(
        checkEds(edited("0xC7,                   $ UINT\r\n                2,\r\n                "
                        "\"Diagnostic delay\",\r\n                \"ms\",\r\n                "
                        "\"--Help string --\",\r\n                0, 1000, 100,",
                        "0xCA,\r\n                4,\r\n                \"Gain\", \"\", \"\",\r\n"
                        "                0.5, 1.5, 2.25,")),
        {{63, "Param2: default 2.25 is above the maximum 1.5"}});

    // Enumerations may stand in [EnumPar]; parameters may not.
    const std::string enumLine = "        Enum12 = 0, \"off\", 1, \"on\";\r\n";
    const std::string moved = edited(enumLine, "") + "[EnumPar]\r\n" + enumLine;
    EXPECT_TRUE(checkEds(moved).clean());
    expectFindings(checkEds(moved + "        Param14 = 0;\r\n"),
                   {{static_cast<int>(splitLines(moved).size()) + 1,
                     "Param14 stands here; parameters belong in [Params]"}});
}

TEST(CheckEds, RecognisesTheFormatByItsFirstKnownSection)
{
    EXPECT_EQ(checkEds("; comment\r\n[Comments]\r\nLines=0\r\n[FileInfo]\r\n").format,
              EdsFormat::CanOpen);
    EXPECT_EQ(checkEds("$ comment\r\n[Device]\r\n").format, EdsFormat::DeviceNet);
    expectFindings(checkEds("[Settings]\r\nkey=value\r\n"), {{0, "this is not an EDS"}});
    expectFindings(checkEds(""), {{0, "the file is empty"}});
}

TEST(CheckEds, HostileInputMeetsABoundWithOneFinding)
{
    expectFindings(checkEds(std::string(MaxCheckedFileBytes + 1, 'x')),
                   {{0, "larger than 16 MiB"}});
    expectFindings(
        checkEds("[FileInfo]\r\n\r\nDescription=" + std::string(MaxCheckedLineBytes, 'a') + "\r\n"),
        {{3, "longer than 65536 bytes"}});
    expectFindings(checkEds(std::string(MaxCheckedLines + 1, '\n')), {{1000001, "more than"}});
    for (const char* first : {"[FileInfo]\n", "[File]\n"}) {
        std::string sections = first;
        for (std::size_t i = 0; i < MaxCheckedSections; ++i)
            sections += "[S" + std::to_string(i) + "]\n";
        expectFindings(checkEds(sections), {{100001, "more than 100000 sections"}});
    }
    // Every DeviceNet value costs memory, so their number is bounded as well.
    std::string values = "[File]\n";
    for (std::size_t i = 0; i < MaxCheckedValues / 60000 + 1; ++i)
        values += "A = " + std::string(60000, ',') + ";\n";
    expectFindings(checkEds(values),
                   {{static_cast<int>(MaxCheckedValues / 60000 + 2), "entries and values"}});

    // Findings are capped too; one more says so.
    std::string junk = "[FileInfo]\r\n";
    for (std::size_t i = 0; i < MaxReportedFindings + 50; ++i)
        junk += "junk\r\n";
    const CheckReport capped = checkEds(junk);
    ASSERT_EQ(capped.findings.size(), MaxReportedFindings + 1);
    EXPECT_EQ(capped.findings.back(),
              (CheckFinding{0, "more than 10000 findings; the rest are not reported"}));
}

TEST(CheckEds, BrokenFragmentsGiveFindingsNotCrashes)
{
    const std::string_view fragments[] = {
        "[FileInfo]\r\n[",
        "[FileInfo]\r\n=",
        "[FileInfo]\r\n[1000sub]\r\n[1000subFFF]\r\n[1000]\r\nSubNumber=-1\r\nObjectType=0x8",
        "[FileInfo]\r\n[OptionalObjects]\r\nSupportedObjects=99999999999999999999\r\n1=0x1",
        "[FileInfo]\r\n[1a00]\r\nObjectType=9\r\nSubNumber=1\r\n[1a00sub0]\r\nDefaultValue=255",
        "[File]\r\nA = \"unterminated",
        "[File]\r\n[Params]\r\nParam99999999999 = ;\r\nEnum0 = ;\r\nParam1",
        "[Device]\r\nB = 1 $ comment ; not the end\r\n",
        std::string_view("[File]\0\0=\0;", 11),
    };
    for (const std::string_view f : fragments)
        EXPECT_FALSE(checkEds(f).clean()) << f;
}

TEST(FormatReport, WritesFileLineMessageAndASummary)
{
    const CheckReport report{
        EdsFormat::DeviceNet,
        {{0, "required section [File] is missing"}, {12, "entry A has no ';'"}}};
    EXPECT_EQ(formatReport(report, "x.eds"), "x.eds: required section [File] is missing\n"
                                             "x.eds:12: entry A has no ';'\n"
                                             "x.eds: DeviceNet EDS, 2 findings\n");
    EXPECT_EQ(formatReport({EdsFormat::CanOpen, {}}, "y.eds"), "y.eds: CANopen EDS, clean\n");
}

} // namespace
} // namespace quillon::test
