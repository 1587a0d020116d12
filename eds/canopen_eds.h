#pragma once

#include <string>

#include "eds/template_reader.h"

namespace quillon {

class GenerationRun;

// At most this many entries fit the two object lists.
constexpr int OptionalObjectCapacity = 100;
constexpr int ManufacturerObjectCapacity = 60;

// The PDO counts the CANopen header announces: `base` plus one for a second digital PDO and one
// per started 8 analogue bytes (at most four).
[[nodiscard]] int announcedPdoCount(int base, int digitalBytes, int analogueBytes);

// Names the per-slot parameter object of one template line after slot index k (0 the head):
// "[260X]" and "[260Xsub" take k, a "DeviceParameter SlotX" line loses its last character and
// ends in k + 1.
void renameSlotParameterLine(std::string& line, int slotIndex);

// The CANopen middle of a generation: header 1 with its rewrites, the optional-object list, header
// 2, the PDO objects, the manufacturer-object list, every slot's parameter object into
// SlotText[k] and the failsafe objects, concatenated into `output`. Fails on a template that
// cannot be read or ends inside a list or rewrite, and on an object list that would overflow.
[[nodiscard]] ReadStatus buildCanOpenText(GenerationRun& run, std::string& output);

} // namespace quillon
