#pragma once

namespace quillon {

struct Session;

// Command13's handler: rewrites the grid's header and byte numbers for the current protocol and
// cluster, writes the mapping hint, and closes the I/O map window.
void RefreshIoMap(Session& session);

// Command14 "I/O List": opens a fresh I/O map window holding a copy of the grid.
void ShowIoList(Session& session);

} // namespace quillon
