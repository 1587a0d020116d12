#include <gtest/gtest.h>
#include <sstream>

#include "core/item_reader.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"

namespace quillon {
namespace {

// Reads `text` with `reads` ("line", "text", "int16"), the last of them again until the text
// ends: "L[item]" for an item that starts in line L, "(why)" for a failed read.
std::string readAll(const std::string& reads, const std::string& text)
{
    ItemReader r(text);
    std::istringstream kinds(reads);
    std::string kind;
    std::string got;
    while (got.size() < 1000) {
        if (std::string next; kinds >> next)
            kind = next;
        std::optional<std::string> item;
        if (kind == "line")
            item = r.readLine();
        else if (kind == "text")
            item = r.readText();
        else if (const auto number = r.readInt16())
            item = std::to_string(*number);
        got +=
            (got.empty() ? "" : " ") + (item ? std::to_string(r.lastReadLine()) + "[" + *item + "]"
                                             : "(" + r.lastError() + ")");
        if (!item && r.atEnd())
            break;
    }
    return got;
}

TEST(ItemReader, ReadsTheTextsOfTheTable)
{
    for (const auto& [read, expected] : test::readCases(QUILLON_TEST_DATA "/core/items.txt")) {
        const auto bar = read.find(" |");
        EXPECT_EQ(readAll(read.substr(0, bar),
                          test::unescaped(read.substr(std::min(bar + 3, read.size())))),
                  expected)
            << read;
    }
}

} // namespace
} // namespace quillon
