#pragma once

#include <string>
#include <string_view>

namespace quillon::fuzz {

// The picture player: reads the bytes as a placeable metafile and, when they read, plays it into
// an offscreen image. Returns "" when every rule held, or which broke: a refusal gives a reason, a
// picture draws only inside its position and leaves the painter as it found it, and one too
// costly to draw draws nothing. Needs a QGuiApplication (fonts), which the caller makes.
[[nodiscard]] std::string metafilePlayback(std::string_view data);

} // namespace quillon::fuzz
