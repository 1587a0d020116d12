// The picture player's fuzz seeds and saved reproducers, replayed like the other targets' (see
// replay_test.cpp); it needs Qt, so it runs in an executable of its own with an application.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include <QGuiApplication>

#include "core/file_access.h"
#include "fuzz/fuzz_player.h"

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

TEST(FuzzReplay, PictureSeedsAndSavedReproducersKeepEveryRule)
{
    const fs::path data(QUILLON_TEST_DATA);
    std::vector<fs::path> files = filesIn(data / "fuzz-corpus" / "metafile");
    EXPECT_GE(files.size(), 5u) << "the seed corpus of the picture player is missing";
    const std::vector<fs::path> saved = filesIn(data / "fuzz-regressions" / "metafile");
    files.insert(files.end(), saved.begin(), saved.end());
    for (const fs::path& file : files) {
        const auto bytes = readFileBytes(file.string(), PictureMaxBytes);
        ASSERT_TRUE(bytes.has_value()) << file;
        EXPECT_EQ(fuzz::metafilePlayback(*bytes), "") << file;
    }
}

} // namespace
} // namespace quillon::test

int main(int argc, char** argv)
{
    // Fonts need an application; the tests need no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
