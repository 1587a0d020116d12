#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "core/file_access.h"
#include "core/item_reader.h"

namespace quillon::test {

// Compares `text` with the golden file at `path`. With QUILLON_UPDATE_GOLDEN set it writes the
// file instead, to be read by eye before it is committed.
inline void expectGolden(const std::string& text, const std::string& path)
{
    if (std::getenv("QUILLON_UPDATE_GOLDEN")) {
        ASSERT_TRUE(writeFileAtomically(path, text));
    }
    const auto golden = readFileBytes(path);
    ASSERT_TRUE(golden) << path;
    EXPECT_TRUE(*golden == text) << path << " differs:\n" << text;
}

} // namespace quillon::test
