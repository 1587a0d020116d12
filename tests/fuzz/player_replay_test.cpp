// The picture player's fuzz seeds and saved reproducers, replayed like the other targets' (see
// replay_test.cpp); it needs Qt, so it runs in an executable of its own with an application.
#include <cstdlib>
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "core/file_access.h"
#include "fuzz/fuzz_player.h"
#include "tests/fakes/replay_files.h"

namespace quillon::test {
namespace {

TEST(FuzzReplay, PictureSeedsAndSavedReproducersKeepEveryRule)
{
    const auto files = replayFiles(QUILLON_TEST_DATA, "metafile");
    EXPECT_GE(files.size(), 5u) << "the seed corpus of the picture player is missing";
    for (const auto& file : files) {
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
