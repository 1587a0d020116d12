#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/types.h"
#include "core/view_model.h"

namespace quillon {

// The cell texts that the byte numbering gives for a cluster: for every position 1..usedCount-1
// and each of the four byte kinds, the byte (DeviceNet) or PDO/byte (CANopen) range, plus the
// head's cells and the diagnosis cell. No numbers at all when no protocol is chosen.
struct IoMapCells
{
    std::array<std::string, 6> header;               // row 0
    std::array<std::array<std::string, 4>, 8> bytes; // rows 1..8, columns 2..5
    std::optional<std::string> diagnosis;            // row 9, column 2; nullopt leaves it as is
};

[[nodiscard]] IoMapCells numberIoMap(FieldbusProtocol protocol, const ClusterTable& slots,
                                     int usedCount);

// The I/O map window's load step: grid2 built from the main grid.
[[nodiscard]] IoGrid mapListFromGrid(const IoGrid& grid);

} // namespace quillon
