#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "eds/check/findings.h"

namespace quillon::check {

// A CANopen EDS as sections of key=value entries. Names and keys are views into the checked text,
// without the blanks around them, and are compared without regard to case.

struct IniEntry
{
    std::string_view key;
    std::string_view value;
    int line = 0;
};

struct IniSection
{
    std::string_view name;
    int line = 0;
    bool repeated = false; // a second section of a name already seen; its keys are not used
    std::vector<IniEntry> entries;

    // The first entry of `key`, or nullptr.
    [[nodiscard]] const IniEntry* find(std::string_view key) const;
};

struct IniFile
{
    std::vector<IniSection> sections;
    std::unordered_map<std::string, std::size_t> byName; // lower-case name -> first section

    // The first section of `name`, or nullptr.
    [[nodiscard]] const IniSection* find(std::string_view name) const;
};

// "[name]", as findings name a section.
[[nodiscard]] std::string ref(const IniSection& s);

// Reads sections and their entries; a line that is neither, an entry before the first section or
// a repeated section gives a finding and is passed over. False, with a finding, only when the
// file has more than MaxCheckedSections sections.
[[nodiscard]] bool readIni(const Lines& lines, IniFile& ini, Findings& findings);

} // namespace quillon::check
