#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"

namespace quillon {

// The parameter objects of a CANopen EDS as the editor reads and rewrites them. Slot i (1..8) is
// object 0x2600 + (i - 1); its parameters are the sub-entries of that object, in file order. The
// objects start at the line holding "[2600]" and end at the one holding "[3000]". Each object
// header ("[2601]".."[2607]") is followed by three header lines and each entry-count sub-entry
// ("sub0") by six lines; these are skipped. A parameter is counted at its "HighLimit=" line when
// names and limits are read, and at its "DefaultValue=" line when values are read or written.

constexpr int EditorSlotCount = 8;

template <class T> using PerSlot = std::array<std::vector<T>, EditorSlotCount>;

// Name and limits of one parameter, as written after their keys.
struct EdsParameterText
{
    std::string name;
    std::string lowLimit;
    std::string highLimit;
};

struct EdsParameterNames
{
    bool hasParameterObjects = false; // a "[2600]" line was found
    PerSlot<EdsParameterText> slots;  // index 0 is slot 1
};

// Reads the name ("ParameterName=" line less its first 14 characters), minimum ("LowLimit=" less
// 9) and maximum ("HighLimit=" less 10) of every parameter, slot by slot.
[[nodiscard]] EdsParameterNames readParameterNames(const std::vector<std::string>& lines);

// The text after "DefaultValue=" of every parameter, slot by slot.
[[nodiscard]] PerSlot<std::string> readParameterValues(const std::vector<std::string>& lines);

// The EDS text to save: the header's "ModificationDate=" overwritten in place with `now`
// (mm-dd-yyyy), "ModificationTime=" replaced by `now` (hh:mmAM/PM), "FileName=" replaced by
// `path`; the "DefaultValue=" line of parameter j of slot i replaced by values[i][j] in decimal
// where that is set. Every other line stays as it was. Lines end with CR LF, and one more CR LF
// ends the text, as saving has always done.
[[nodiscard]] std::string rewriteEds(const std::vector<std::string>& lines,
                                     const PerSlot<std::optional<std::int32_t>>& values,
                                     const DateTime& now, const std::string& path);

// What "Load existing EDS" finds in a file: whether it is a CANopen EDS (its first line holds
// "[FileInfo]"), whether it has the parameter objects, and the model name of the module in each
// slot 2..8, taken from characters 25 to 29 of the line after "[260Nsub1]" (N = slot - 1).
struct EdsModuleScan
{
    enum class Status
    {
        Found,
        NotCanOpen,
        NoParameterObjects,
    };
    Status status = Status::Found;
    std::array<std::optional<std::string>, EditorSlotCount> modelNames; // index 0 (the head) unused
};
[[nodiscard]] EdsModuleScan scanModuleSlots(const std::vector<std::string>& lines);

} // namespace quillon
