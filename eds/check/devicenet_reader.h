#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "eds/check/findings.h"

namespace quillon::check {

// A DeviceNet EDS as sections of "Keyword = value, value, ... ;" entries. An entry may run over
// several lines; '$' starts a comment outside strings. Texts are views into the checked text.
// Entries and values are kept in two flat tables, so that a file of many small entries costs
// little memory.

struct DnField
{
    std::string_view text; // without quotes
    int line = 0;
    bool quoted = false;
};

struct DnEntry
{
    std::string_view keyword;
    int line = 0;
    std::size_t firstField = 0;
    std::size_t fieldCount = 0;
};

struct DnSection
{
    std::string_view name;
    int line = 0;
    bool repeated = false;
    std::size_t firstEntry = 0;
    std::size_t entryCount = 0;
};

struct DnFile
{
    std::vector<DnSection> sections;
    std::vector<DnEntry> entries;
    std::vector<DnField> fields;
    std::unordered_map<std::string, std::size_t> byName; // lower-case name -> first section

    // The first section of `name` (ignoring case), or nullptr.
    [[nodiscard]] const DnSection* find(std::string_view name) const;
    [[nodiscard]] std::span<const DnEntry> entriesOf(const DnSection& s) const
    {
        return {entries.data() + s.firstEntry, s.entryCount};
    }
    [[nodiscard]] std::span<const DnField> fieldsOf(const DnEntry& e) const
    {
        return {fields.data() + e.firstField, e.fieldCount};
    }
    // The first entry of `keyword` (ignoring case) in `s`, or nullptr.
    [[nodiscard]] const DnEntry* findEntry(const DnSection& s, std::string_view keyword) const;
};

// Reads the sections, entries and values; a syntax fault gives a finding and reading goes on.
// False, with one finding, when the file has more than MaxCheckedSections sections or more than
// MaxCheckedValues entries and values.
[[nodiscard]] bool readDeviceNet(const Lines& lines, DnFile& file, Findings& findings);

} // namespace quillon::check
