#include "core/io_map_view.h"

#include <algorithm>

#include "core/session.h"
#include "iomap/io_map.h"

namespace quillon {

namespace {

const char* const MappingHint =
    "-The I/O Mapping list shows the mapping of In- and Output bytes. It is helpful, when giving "
    "them symbolic names in SYCON.net \r\n"
    "- Note: Analogue values consist of 2 bytes (Order: low byte/low address)  \r\n";

} // namespace

void RefreshIoMap(Session& s)
{
    IoGrid& grid = s.view.grid;
    const int usedCount = std::min(std::max(s.UsedCount, 1), ShownPositions);
    const IoMapCells cells = numberIoMap(s.Protocol, s.ClusterSlots, usedCount);

    grid[0] = cells.header;
    for (int row = 1; row <= 8; ++row)
        grid[static_cast<std::size_t>(row)] = {std::to_string(row), "", "", "", "", ""};

    for (int i = 0; i < usedCount; ++i) {
        const auto pos = static_cast<std::size_t>(i);
        s.ModelName[pos] = modelNameOf(s.ClusterSlots[pos].ResourceFile);
        grid[pos + 1][1] = s.ModelName[pos];
    }
    // Rows 1..8, byte columns: the numbering writes inputs first, then outputs; both only touch
    // their own cells, so the order shows only in the hint, which comes between them.
    for (std::size_t row = 0; row < 8; ++row) {
        for (std::size_t kind = 0; kind < 4; ++kind)
            grid[row + 1][kind + 2] = cells.bytes[row][kind];
    }
    s.view.setText("Text1", "");
    s.view.setText("Text1", MappingHint);
    if (cells.diagnosis)
        grid[9][2] = *cells.diagnosis;
    s.view.mapListOpen = false;
}

void ShowIoList(Session& s)
{
    s.view.mapListOpen = false;
    s.view.mapList = mapListFromGrid(s.view.grid);
    s.view.mapListOpen = true;
    ++s.view.mapListGeneration;
}

} // namespace quillon
