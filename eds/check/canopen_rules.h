#pragma once

#include "eds/check/findings.h"

namespace quillon::check {

// Checks the lines of a CANopen EDS: its sections and keys, the file and device information, the
// object lists against the objects, each object's type, access and values, and the PDOs'
// counts, pairs and mappings.
void checkCanOpen(const Lines& lines, Findings& findings);

} // namespace quillon::check
