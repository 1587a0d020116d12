#include <gtest/gtest.h>

#include "eds/eds_text.h"
#include "eds/template_reader.h"

namespace quillon {
namespace {

std::string copied(std::string templateText, std::optional<std::string_view> start,
                   std::string_view end, const LineHandler& handler = {})
{
    LineSource source(std::move(templateText));
    std::string section;
    EXPECT_TRUE(copySection(source, start, end, handler, section).ok);
    return section;
}

TEST(CopySection, CopiesBetweenMarkerLinesAndDropsThem)
{
    EXPECT_EQ(copied("a\r\n[START_X]\r\nb\r\nc\r\n[END_X]\r\nd\r\n", "[START_X]", "[END_X]"),
              "b\r\nc\r\n");
}

TEST(CopySection, MarkersCountAnywhereInALongerLine)
{
    EXPECT_EQ(
        copied("; [START_X] begins\r\nb\r\nthe end [END_X] here\r\nc\r\n", "[START_X]", "[END_X]"),
        "b\r\n");
    // Without a start marker the section starts at the top and ends at the end marker.
    EXPECT_EQ(copied("a\r\nb\r\n  [END_DEVNET_PART]\r\nc\r\n", std::nullopt, "[END_DEVNET_PART]"),
              "a\r\nb\r\n");
}

TEST(CopySection, MissingMarkers)
{
    // No start marker: nothing at all.
    EXPECT_EQ(copied("a\r\nb\r\n", "[START_X]", "[END_X]"), "");
    // No end marker: up to the end of the file.
    EXPECT_EQ(copied("[START_X]\r\na\r\nb", "[START_X]", "[END_X]"), "a\r\nb\r\n");
    // Markers are case-sensitive.
    EXPECT_EQ(copied("[start_x]\r\na\r\n", "[START_X]", "[END_X]"), "");
}

TEST(CopySection, EveryLineEndIsReadAndWrittenAsCrLf)
{
    EXPECT_EQ(copied("a\nb\rc\r\n\r\nd", std::nullopt, "[END]"), "a\r\nb\r\nc\r\n\r\nd\r\n");
    EXPECT_EQ(copied("a\r\n\r\n", std::nullopt, "[END]"), "a\r\n\r\n");
    EXPECT_EQ(copied(std::string("x\xe4\0y\r\n", 6), std::nullopt, "[END]"),
              std::string("x\xe4\0y\r\n", 6));
}

TEST(CopySection, LineEndsAreTheSameWithAndWithoutAHandler)
{
    const std::string mixed = "[S]\ra\nb\r\r\nc\n\r[E]\rd";
    const LineHandler unchanged = [](std::string&, LineSource&, std::string&) {
        return ReadStatus{};
    };
    EXPECT_EQ(copied(mixed, "[S]", "[E]"), "a\r\nb\r\n\r\nc\r\n\r\n");
    EXPECT_EQ(copied(mixed, "[S]", "[E]", unchanged), "a\r\nb\r\n\r\nc\r\n\r\n");
    EXPECT_EQ(withCrLfLineEnds("a\r\r\nb"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(withCrLfLineEnds("a\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(withCrLfLineEnds(""), "");
    EXPECT_EQ(withCrLfLineEnds("a\n\rb\r\n"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(withCrLfLineEnds("\na\r\n"), "\r\na\r\n");
    EXPECT_EQ(withCrLfLineEnds("\ra\r\n"), "\r\na\r\n");
    EXPECT_EQ(withCrLfLineEnds("a\r\n\r"), "a\r\n\r\n");
    EXPECT_EQ(withCrLfLineEnds("\r\n"), "\r\n");
}

TEST(CopySection, HandlerChangesLinesAndPullsFurtherLinesPastTheEndMarker)
{
    const LineHandler handler = [](std::string& line, LineSource& source,
                                   std::string& section) -> ReadStatus {
        if (line == "key") {
            section += "key\r\n";
            // The line after a key is taken whatever it holds, even the end marker.
            if (auto status = source.pullLine(line); !status)
                return status;
            line = "<" + line + ">";
        }
        return {};
    };
    EXPECT_EQ(copied("a\r\nkey\r\n[END]\r\nb\r\n[END]\r\nc\r\n", std::nullopt, "[END]", handler),
              "a\r\nkey\r\n<[END]>\r\nb\r\n");
}

TEST(CopySection, HandlerPullingPastTheEndFailsNamingTheFile)
{
    LineSource source(std::string("a\r\nkey\r\n"), "OVN_TEST1.eds");
    std::string section;
    const LineHandler handler = [](std::string& line, LineSource& src, std::string&) {
        return line == "key" ? src.pullLine(line) : ReadStatus{};
    };
    const ReadStatus status = copySection(source, std::nullopt, "[END]", handler, section);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find("OVN_TEST1.eds"), std::string::npos);
}

TEST(CopySection, ReadingOnFromWhereTheLastSectionEnded)
{
    LineSource source(
        std::string("[S1]\r\na\r\n[E1]\r\n[S2]\r\nb\r\n[E2]\r\n[S1]\r\nc\r\n[E1]\r\n"));
    std::string first;
    std::string second;
    std::string again;
    ASSERT_TRUE(copySection(source, "[S1]", "[E1]", {}, first).ok);
    ASSERT_TRUE(copySection(source, "[S2]", "[E2]", {}, second).ok);
    ASSERT_TRUE(copySection(source, "[S1]", "[E1]", {}, again).ok);
    EXPECT_EQ(first, "a\r\n");
    EXPECT_EQ(second, "b\r\n");
    EXPECT_EQ(again, "c\r\n");
}

TEST(TemplateStore, ReadsFromTheResourceDirectoryOrFromMemory)
{
    TemplateStore store(std::string(QUILLON_TEST_DATA) + "/eds/devicenet/");
    std::string section;
    ASSERT_TRUE(
        copySection(store, "OVN_KA224.eds", std::nullopt, "[END_DEVNET_PART]", {}, section).ok);
    EXPECT_EQ(section.rfind("ParamXXX = 0,6,\"20 65 24 slot 30 01\"", 0), 0u);

    const ReadStatus missing =
        copySection(store, "OVN_NONE1.eds", std::nullopt, "[END]", {}, section);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("OVN_NONE1.eds"), std::string::npos);

    store.put("OVN_NONE1.eds", "held\r\n");
    std::string held;
    ASSERT_TRUE(copySection(store, "OVN_NONE1.eds", std::nullopt, "[END]", {}, held).ok);
    EXPECT_EQ(held, "held\r\n");
}

} // namespace
} // namespace quillon
