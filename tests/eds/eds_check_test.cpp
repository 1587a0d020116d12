#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/file_access.h"
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

TEST(CheckEds, ReportsEachRulesViolationsOnTheirLines)
{
    // Each file breaks one group of rules; its report must match exactly, so that a rule that
    // starts firing on a correct line fails just as a rule that stops firing does.
    for (const char* name : {"canopen_lists", "canopen_objects", "canopen_values", "canopen_pdo",
                             "canopen_syntax", "devicenet_params", "devicenet_syntax"}) {
        const std::string eds = std::string(name) + ".eds";
        EXPECT_EQ(formatReport(checkEds(fixture(eds)), eds),
                  fixture(std::string(name) + ".report"));
    }
}

// The clean CANopen file, with LF line ends, with its last object [4000] replaced.
std::string withObject4000(const std::string& lines)
{
    std::string text = withLineEnds(fixture("canopen_clean.eds"), "\n");
    return text.erase(text.find("[4000]\n")) + "[4000]\nParameterName=Value\n" + lines;
}

TEST(CheckCanOpen, ReadsNumbersAsCanOpenToolsDo)
{
    for (const std::string& line : splitLines(fixture("canopen_numbers.txt"))) {
        const auto arrow = line.find(" =>");
        if (line.empty() || line[0] == '#' || arrow == std::string::npos)
            continue;
        std::string object = line.substr(0, arrow) + "\n";
        std::replace(object.begin(), object.end(), ';', '\n');
        if (object.find("AccessType") == std::string::npos && object != "ObjectType=0x2\n")
            object += "AccessType=rw\n";
        const std::string finding = line.substr(arrow + 3, line.find("  #") - arrow - 3);
        const CheckReport report = checkEds(withObject4000(object));
        ASSERT_EQ(report.findings.size(), finding.empty() ? 0u : 1u)
            << line << formatReport(report, "");
        if (!finding.empty()) {
            EXPECT_NE(report.findings[0].message.find(finding.substr(1)), std::string::npos)
                << line;
        }
    }
}

// A type object below 0x1000, which needs no listing, to stand after [4000].
std::string typeObject(const std::string& index, const std::string& objectType)
{
    return "[" + index + "]\nParameterName=Type\nObjectType=" + objectType +
           "\nDataType=0x0007\nAccessType=ro\nSubNumber=0\n";
}

TEST(CheckCanOpen, ADataTypeIsStandardOrDefinedInTheSameFile)
{
    // [4000] stands on line 385 and its ParameterName on 386, so its keys start on line 387.
    const char* const undefined = "the file defines no type at that index";
    struct Case
    {
        std::string keys; // of [4000]
        std::string typeObject;
        std::vector<Expected> findings;
    };
    const Case cases[] = {
        {"DataType=0x00FF\n", "", {{387, "[4000]: DataType '0x00FF' is no standard data type"}}},
        {"DataType=0x00FF\n", typeObject("00FF", "0x5"), {}},
        {"DataType=0x0040\n", typeObject("0040", "0x6"), {}},
        {"DataType=0x0041\n", typeObject("0040", "0x6"), {{387, undefined}}},
        {"DataType=0x00FF\n",
         typeObject("00ff", "0x7"),
         {{387, "and [00ff] is not a DEFTYPE or DEFSTRUCT object"}}},
        {"DataType=0x0023\n", "", {}}, // the standard structures need no definition
        {"DataType=0x0024\n", "", {{387, undefined}}},
        {"DataType=0x0017\n", "", {{387, "is not a CANopen data type"}}},
        {"ObjectType=0x8\nCompactSubObj=2\nDataType=0x0100\n", "", {{389, undefined}}},
        {"ObjectType=0x2\nDataType=0x0100\n", "", {{388, undefined}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys + c.typeObject);
        expectFindings(checkEds(withObject4000(c.keys + "AccessType=rw\n" + c.typeObject)),
                       c.findings);
    }
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
    EXPECT_TRUE(checkEds(edited("\"--Help string --\"", "\"--Help \\\"string\\\" --\"")).clean());
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

TEST(CheckEds, ReadsDatesTimesAndRevisionsFieldByField)
{
    // Each row replaces one line of a clean file; "" expects no finding, else one on that line.
    struct Case
    {
        const char* file;
        const char* line;
        int lineNo;
        std::vector<std::pair<std::string, const char*>> values;
    };
    const Case cases[] = {
        {"canopen_clean.eds",
         "CreationDate=06-30-2009",
         8,
         {{"01-01-0000", ""},
          {"12-31-9999", ""},
          {"00-30-2009", "not a date"},
          {"13-30-2009", "not a date"},
          {"06-00-2009", "not a date"},
          {"06-32-2009", "not a date"},
          {"+6-30-2009", "not a date"},
          {"06-3 -2009", "not a date"}}},
        {"canopen_clean.eds",
         "CreationTime= 02:15PM",
         7,
         {{"12:59AM", ""},
          {"1:05pm", ""},
          {"00:15PM", "not a time"},
          {"13:15PM", "not a time"},
          {"02:60PM", "not a time"},
          {"02:5PM", "not a time"},
          {"02:15XM", "not a time"}}},
        {"devicenet_clean.eds",
         "CreateTime = 14:15:00;",
         6,
         {{"23:59:59", ""}, {"24:00:00", "not a time"}, {"14:60:00", "not a time"}}},
        {"devicenet_clean.eds",
         "Revision = 1.1;",
         9,
         {{"255.255", ""}, {"256.1", "not a revision"}, {"1.+1", "not a revision"}}},
    };
    for (const Case& c : cases) {
        const std::string clean = fixture(c.file);
        const std::string key = std::string(c.line).substr(0, std::string(c.line).find('=') + 1);
        const bool deviceNet = c.line[std::string(c.line).size() - 1] == ';';
        for (const auto& [value, finding] : c.values) {
            SCOPED_TRACE(key + value);
            std::string text = clean;
            text.replace(text.find(c.line), std::string(c.line).size(),
                         key + (deviceNet ? " " : "") + value + (deviceNet ? ";" : ""));
            expectFindings(checkEds(text), *finding ? std::vector<Expected>{{c.lineNo, finding}}
                                                    : std::vector<Expected>{});
        }
    }
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
    // A line of exactly the bound is read; one byte more is not.
    const std::string atBound = "[FileInfo]\r\n\r\n" + std::string(MaxCheckedLineBytes, ';');
    EXPECT_EQ(formatReport(checkEds(atBound + "\r\n"), "").find("longer"), std::string::npos);
    expectFindings(checkEds(atBound + ";\r\n"), {{3, "longer than 65536 bytes"}});
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

} // namespace
} // namespace quillon::test
