#pragma once

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "core/file_access.h"
#include "core/item_reader.h"

namespace quillon::test {

// The cases of a table file, one a line: what is done, then " =>" and what is expected. Lines
// that are empty or start with '#' are left out, as is a comment after two blanks and a '#'.
inline std::vector<std::pair<std::string, std::string>> readCases(const std::string& path)
{
    const auto text = readFileBytes(path);
    EXPECT_TRUE(text.has_value()) << path;
    std::vector<std::pair<std::string, std::string>> cases;
    for (std::string line : splitLines(text.value_or(""))) {
        line = line.substr(0, line.find("  #"));
        const auto arrow = line.find(" =>");
        if (line.empty() || line[0] == '#' || arrow == std::string::npos)
            continue;
        cases.emplace_back(line.substr(0, arrow), line.substr(std::min(arrow + 4, line.size())));
    }
    return cases;
}

} // namespace quillon::test
