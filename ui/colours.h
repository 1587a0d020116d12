#pragma once

#include <cstdint>

#include <QColor>

namespace quillon {

// A colour stored the way the windows have always stored them, &H00BBGGRR.
[[nodiscard]] inline QColor fromColourRef(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace quillon
