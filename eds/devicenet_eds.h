#pragma once

#include <string>
#include <string_view>

#include "eds/template_reader.h"

namespace quillon {

class GenerationRun;

inline constexpr const char* DeviceNetHeadTemplate = "OVN_HB612.eds";
inline constexpr const char* DeviceNetEndMarker = "[END_DEVNET_PART]";

// The head numbers parameters 1 to 11; the modules go on from 12.
constexpr int FirstModuleParameter = 12;
// The parameter counter is a signed 16-bit number in the files' own terms.
constexpr int LastParameterCounter = 32767;

// Renumbers one line of a module template's DeviceNet part for the module at `slotIndex` (1..7):
// "ParamXXX" takes `paramCounter` (which then counts on), "EnumXXX" the number of the last
// parameter, and the first "slot" becomes the two-digit slot index.
void renumberDeviceNetLine(std::string& line, int& paramCounter, int slotIndex);

// How many lines of a template's DeviceNet part hold "ParamXXX", i.e. how far the template moves
// the parameter counter.
[[nodiscard]] int countDeviceNetParameters(std::string_view templateText);

// The DeviceNet middle of a generation: the module parts renumbered into SlotText[1..], then the
// head part with its dates, product name, MaxInst and I/O sizes rewritten into SlotText[0], and
// `output` their concatenation. Fails on a template that cannot be read, a head template that
// ends right after a size key, or a parameter counter that would pass its limit.
[[nodiscard]] ReadStatus buildDeviceNetText(GenerationRun& run, std::string& output);

} // namespace quillon
