#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "fuzz/fuzz_entries.h"

namespace quillon::fuzz {

// Names the target in test output instead of its bytes.
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

} // namespace quillon::fuzz

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& dir)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<fuzz::Target>
{};

// Every seed of a target and every reproducer once saved for it goes through the target's entry;
// the sanitizer build of the tests also sees memory faults on them.
TEST_P(FuzzReplay, SeedsAndSavedReproducersKeepEveryRule)
{
    const fuzz::Target& target = GetParam();
    const fs::path data(QUILLON_TEST_DATA);
    std::vector<fs::path> files = filesIn(data / "fuzz-corpus" / target.name);
    EXPECT_FALSE(files.empty()) << "no seed corpus for " << target.name;
    const std::vector<fs::path> saved = filesIn(data / "fuzz-regressions" / target.name);
    files.insert(files.end(), saved.begin(), saved.end());
    for (const fs::path& file : files) {
        const auto bytes = readFileBytes(file.string());
        ASSERT_TRUE(bytes.has_value()) << file;
        EXPECT_EQ(target.run(*bytes), "") << file;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, FuzzReplay,
                         ::testing::ValuesIn(fuzz::targets().begin(), fuzz::targets().end()),
                         [](const ::testing::TestParamInfo<fuzz::Target>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace quillon::test
