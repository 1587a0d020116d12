#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "eds/eds_text.h"
#include "eds/template_reader.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

const LineHandler Unchanged = [](std::string&, LineSource&, std::string&) { return ReadStatus{}; };

// The section as copied without and with a line handler, which must agree.
std::string copied(const std::string& text, std::optional<std::string_view> start,
                   std::string_view end = "[E]")
{
    std::string plain;
    std::string handled;
    LineSource first(text);
    LineSource second(text);
    EXPECT_TRUE(copySection(first, start, end, {}, plain).ok);
    EXPECT_TRUE(copySection(second, start, end, Unchanged, handled).ok);
    EXPECT_EQ(plain, handled);
    return plain;
}

TEST(CopySection, MarkerRulesAndLineEnds)
{
    // A marker counts anywhere in a longer line, and that whole line is dropped; case matters.
    // Without a start marker the section starts at the top; a missing start marker gives
    // nothing, a missing end marker everything to the end.
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\n[S]\r\nb\r\nc\r\n[E]\r\nd\r\n", "b\r\nc\r\n"},
        {"; [S] here\r\nb\r\nend [E] x\r\nc\r\n", "b\r\n"},
        {"a\r\nb\r\n", ""},
        {"[s]\r\na\r\n", ""},
        {"[S]\r\na\r\nb", "a\r\nb\r\n"},
        {"[S]\ra\nb\r\r\nc\n\r[E]\rd", "a\r\nb\r\n\r\nc\r\n\r\n"}, // every line end reads as CR LF
        {"[S]\r\na\r\n\r", "a\r\n\r\n"}};
    for (const auto& [text, section] : cases)
        EXPECT_EQ(copied(text, "[S]"), section) << text;
    EXPECT_EQ(copied("a\r\n  [END_DEVNET_PART]\r\nc\r\n", std::nullopt, "[END_DEVNET_PART]"),
              "a\r\n");
    EXPECT_EQ(copied(std::string("x\xe4\0y\n", 5), std::nullopt), std::string("x\xe4\0y\r\n", 6));
    EXPECT_EQ(withCrLfLineEnds("\ra\r\n"), "\r\na\r\n");
}

TEST(TemplateStore, ReadsFromTheResourceDirectoryOrFromMemory)
{
    // A name written in Latin-1 by a Windows editor finds the file of that name on disk.
    test::TempStation station;
    const std::string utf8 = std::string("OVN_K\xC3\xBC") + "001.eds";
    station.writeResource(fromFsPath(toFsPath(utf8)), "umlaut\r\n");
    TemplateStore store(station.resources());
    std::string section;
    const std::string latin1 = std::string("OVN_K\xFC") + "001.eds";
    ASSERT_TRUE(copySection(store, latin1, std::nullopt, "[E]", {}, section).ok);
    const ReadStatus missing =
        copySection(store, "OVN_NONE1.eds", std::nullopt, "[E]", {}, section);
    EXPECT_NE(missing.error.find("OVN_NONE1.eds"), std::string::npos);
    store.put("OVN_NONE1.eds", "held\n");
    ASSERT_TRUE(copySection(store, "OVN_NONE1.eds", std::nullopt, "[E]", {}, section).ok);
    EXPECT_EQ(section, "umlaut\r\nheld\r\n");
}

TEST(OverwriteAt, NeverChangesTheLengthOfTheLine)
{
    EXPECT_EQ(overwriteAt("abc", 3, "XYZ"), "abX");
    EXPECT_EQ(overwriteAt("abc", 4, "X"), "abc");
    EXPECT_EQ(overwriteAt("abc", 0, "X"), "abc");
}

TEST(AnnouncedCount, LeadingNumberAfterTheFirstEqualsRoundedHalfToEven)
{
    const std::pair<const char*, long long> table[] = {{"=4", 4},   {"= 1 2", 12}, {"=3.5", 4},
                                                       {"=2.5", 2}, {"=7;x", 7},   {"=0x10", 0},
                                                       {"=", 0},    {"=-2", -2},   {"=1=2", 1}};
    for (const auto& [value, count] : table)
        EXPECT_EQ(announcedCount(std::string("SupportedObjects") + value), count) << value;
}

} // namespace
} // namespace quillon
