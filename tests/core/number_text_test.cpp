#include <charconv>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "core/number_text.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"

namespace quillon {
namespace {

std::string shortest(std::optional<double> value)
{
    if (!value)
        return "none";
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, *value).ptr);
}

TEST(NumberText, ReadsTheNumbersOfTheTable)
{
    for (const auto& [call, expected] : test::readCases(QUILLON_TEST_DATA "/core/numbers.txt")) {
        SCOPED_TRACE(call);
        const std::string function = call.substr(0, call.find(' '));
        const std::string text =
            test::unescaped(call.substr(std::min(call.find('|') + 2, call.size())));
        std::string got;
        if (function == "convert")
            got = shortest(convertLeadingNumber(text));
        else if (function == "round")
            got = shortest(roundHalfEven(std::stod(text)));
        else if (function == "int32")
            got = shortest(nearestInt32(std::stod(text)));
        else if (function == "limit")
            got = shortest(limitNumber(text));
        else if (function == "typed")
            got = readTypedEntry(text).text + " " + shortest(readTypedEntry(text).value);
        EXPECT_EQ(got, expected);
    }
}

} // namespace
} // namespace quillon
