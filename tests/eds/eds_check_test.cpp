#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "eds/eds_check.h"
#include "tests/fakes/case_file.h"

namespace quillon::test {
namespace {

std::string fixture(const std::string& name)
{
    const auto bytes = readFileBytes(QUILLON_TEST_DATA "/check/" + name);
    EXPECT_TRUE(bytes.has_value()) << name;
    return bytes.value_or("");
}

// `text` with the first `from` replaced by `to`.
std::string edited(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
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

TEST(CheckEds, AcceptsCleanFilesOfBothFormatsWithAnyLineEnds)
{
    for (const auto& [name, format] : {std::pair{"canopen_clean.eds", EdsFormat::CanOpen},
                                       std::pair{"devicenet_clean.eds", EdsFormat::DeviceNet}}) {
        for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
            std::string text = fixture(name);
            for (auto at = text.find("\r\n"); at != std::string::npos;
                 at = text.find("\r\n", at + 1))
                text.replace(at, 2, lineEnd);
            const CheckReport report = checkEds(text);
            EXPECT_EQ(report.format, format) << name;
            EXPECT_TRUE(report.clean()) << formatReport(report, name);
        }
    }
}

TEST(CheckEds, ReportsEachRulesViolationsOnTheirLines)
{
    // Each file breaks one group of rules; its report is compared whole.
    for (const char* name : {"canopen_lists", "canopen_objects", "canopen_values", "canopen_pdo",
                             "canopen_syntax", "devicenet_params", "devicenet_syntax"}) {
        const std::string eds = std::string(name) + ".eds";
        EXPECT_EQ(formatReport(checkEds(fixture(eds)), eds),
                  fixture(std::string(name) + ".report"));
    }
}

TEST(CheckCanOpen, ReadsNumbersAndDataTypesAsCanOpenToolsDo)
{
    std::string clean = fixture("canopen_clean.eds");
    clean.erase(clean.find("[4000]\r\n"));
    for (const auto& [keys, finding] : readCases(QUILLON_TEST_DATA "/check/canopen_numbers.txt")) {
        std::string object = keys + "\r\n";
        for (auto at = object.find(';'); at != std::string::npos; at = object.find(';', at))
            object.replace(at, 1, "\r\n");
        if (object.find("AccessType") == std::string::npos && object != "ObjectType=0x2\r\n")
            object += "AccessType=rw\r\n";
        const CheckReport report = checkEds(clean + "[4000]\r\nParameterName=Value\r\n" + object);
        ASSERT_EQ(report.findings.size(), finding.empty() ? 0u : 1u)
            << keys << formatReport(report, "");
        EXPECT_NE(finding.empty() ? 0 : report.findings[0].message.find(finding), std::string::npos)
            << keys;
    }
}

TEST(CheckEds, EditsOfTheCleanFilesGiveTheirFindings)
{
    for (auto [edit, finding] : readCases(QUILLON_TEST_DATA "/check/edits.txt")) {
        SCOPED_TRACE(edit);
        for (auto at = edit.find("\\n"); at != std::string::npos; at = edit.find("\\n", at))
            edit.replace(at, 2, "\r\n");
        std::vector<std::string> parts; // the file, then what is replaced and by what
        for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 3) {
            bar = edit.find(" | ", from);
            parts.push_back(edit.substr(from, bar - from));
        }
        std::string text = fixture(parts[0]);
        for (std::size_t i = 1; i + 1 < parts.size(); i += 2)
            text = edited(text, parts[i], parts[i + 1]);
        expectFindings(checkEds(text),
                       finding.empty()
                           ? std::vector<Expected>{}
                           : std::vector<Expected>{
                                 {std::stoi(finding), finding.substr(finding.find(": ") + 2)}});
    }
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

TEST(CheckEds, ShortAndBrokenTextsGiveFindingsNotCrashes)
{
    // The format is recognised by the first known section.
    EXPECT_EQ(checkEds("; comment\r\n[Comments]\r\nLines=0\r\n[FileInfo]\r\n").format,
              EdsFormat::CanOpen);
    EXPECT_EQ(checkEds("$ comment\r\n[Device]\r\n").format, EdsFormat::DeviceNet);
    expectFindings(checkEds("[Settings]\r\nkey=value\r\n"), {{0, "this is not an EDS"}});
    expectFindings(checkEds(""), {{0, "the file is empty"}});

    const std::string_view fragments[] = {
        "[FileInfo]\r\n[",
        "[FileInfo]\r\n=",
        "[FileInfo]\r\n[1000sub]\r\n[1000subFFF]\r\n[1000]\r\nSubNumber=-1\r\nObjectType=0x8",
        "[FileInfo]\r\n[OptionalObjects]\r\nSupportedObjects=99999999999999999999\r\n1=0x1",
        "[FileInfo]\r\n[1a00]\r\nObjectType=9\r\nSubNumber=1\r\n[1a00sub0]\r\nDefaultValue=255",
        "[File]\r\nA = \"unterminated",
        "[File]\r\n[Params]\r\nParam99999999999 = ;\r\nEnum0 = ;\r\nParam1",
        "[Device]\r\nB = 1 $ comment ; not the end\r\n",
        std::string_view("[File]\0\0=\0;", 11)};
    for (const std::string_view f : fragments)
        EXPECT_FALSE(checkEds(f).clean()) << f;
}

} // namespace
} // namespace quillon::test
