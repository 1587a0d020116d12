#include <gtest/gtest.h>
#include <ostream>
#include <string>

#include "core/file_access.h"
#include "fuzz/fuzz_entries.h"
#include "tests/fakes/replay_files.h"

namespace quillon::fuzz {

// Names the target in the test list (which ctest takes the tests' names from) instead of its bytes.
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

} // namespace quillon::fuzz

namespace quillon::test {
namespace {

class FuzzReplay : public ::testing::TestWithParam<fuzz::Target>
{};

// Every seed of a target and every reproducer once saved for it goes through the target's entry;
// the sanitizer build of the tests also sees memory faults on them.
TEST_P(FuzzReplay, SeedsAndSavedReproducersKeepEveryRule)
{
    const fuzz::Target& target = GetParam();
    const auto files = replayFiles(QUILLON_TEST_DATA, target.name);
    EXPECT_FALSE(files.empty()) << "no seed corpus for " << target.name;
    for (const auto& file : files) {
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
