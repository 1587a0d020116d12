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
// ("sub0") by six lines; these are skipped. Every other section of an object (a line starting
// with "[", such as "[2601sub2]") is one parameter, and its name, limits and value are taken from
// its own lines only, so an entry that lacks a line never lends another entry's line to it.

constexpr int EditorSlotCount = 8;
// The editor's parameter table has this many rows; a file with more values is not saved.
constexpr int MaxParameterRows = 500;

template <class T> using PerSlot = std::array<std::vector<T>, EditorSlotCount>;

// One parameter sub-entry, each text as written after its key; nullopt when the entry has no line
// with that key.
struct EdsParameterEntry
{
    std::string section;                     // the entry's section line, "[2601sub2]"
    std::optional<std::string> name;         // "ParameterName=" line less its first 14 characters
    std::optional<std::string> lowLimit;     // "LowLimit=" line less 9
    std::optional<std::string> highLimit;    // "HighLimit=" line less 10
    std::optional<std::string> defaultValue; // the text after "DefaultValue="
};

struct EdsParameterObjects
{
    bool hasParameterObjects = false; // a "[2600]" line was found
    PerSlot<EdsParameterEntry> slots; // index 0 is slot 1
};

// Reads every parameter entry of the parameter objects, slot by slot. Where an entry has a key
// twice, the first line counts.
[[nodiscard]] EdsParameterObjects readParameterObjects(const std::vector<std::string>& lines);

// The EDS text to save: the header's "ModificationDate=" overwritten in place with `now`
// (mm-dd-yyyy), "ModificationTime=" replaced by `now` (hh:mmAM/PM), "FileName=" replaced by
// `path`; the "DefaultValue=" line of parameter entry j of slot i replaced by values[i][j] in
// decimal where that is set. Every other line stays as it was. Lines end with CR LF, and one more
// CR LF ends the text, as saving has always done. nullopt when the file holds more than
// MaxParameterRows "DefaultValue=" lines from the first parameter object to its end (entry
// counts not counted): more values than the editor has rows.
[[nodiscard]] std::optional<std::string>
rewriteEds(const std::vector<std::string>& lines,
           const PerSlot<std::optional<std::int32_t>>& values, const DateTime& now,
           const std::string& path);

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
