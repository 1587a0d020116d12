// The picture player, drawing into an offscreen image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QGuiApplication>

#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_player.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts need an application; no display is needed or wanted.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return quillon::fuzz::runOrAbort(quillon::fuzz::metafilePlayback, data, size);
}
