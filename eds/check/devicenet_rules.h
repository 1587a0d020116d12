#pragma once

#include "eds/check/findings.h"

namespace quillon::check {

// Checks the lines of a DeviceNet EDS: its syntax, the required sections, the file, device and
// I/O entries, and every parameter and enumeration against its data type and limits.
void checkDeviceNet(const Lines& lines, Findings& findings);

} // namespace quillon::check
