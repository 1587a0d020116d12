#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "eds/template_reader.h"

namespace quillon {

// One of a CANopen EDS's object lists ([OptionalObjects], [ManufacturerObjects]): the template's
// own "SupportedObjects=" line (kept as entry 0, never written out) and the numbered entries
// "1=0x1400", "2=0x1600", ... up to a fixed capacity.
class ObjectList
{
public:
    ObjectList(int capacity, std::string description);

    // Reads the list that follows a list header in a template: the "SupportedObjects=" line, then
    // as many lines as it announces, whatever they hold. Fails when the text ends first or the
    // announced count does not fit the list.
    [[nodiscard]] ReadStatus readFrom(LineSource& source);

    // Adds the entry "<count + 1>=<objectIndex>" (objectIndex like "0x1a00"); fails when the
    // list is full.
    [[nodiscard]] ReadStatus add(std::string_view objectIndex);

    [[nodiscard]] int count() const { return static_cast<int>(m_entries.size()) - 1; }
    [[nodiscard]] const std::string& entry(int index) const;

    // The list as written into the EDS: the header, "SupportedObjects=" with the count, then the
    // entries, each line ended with CR LF.
    [[nodiscard]] std::string text(std::string_view header) const;

private:
    int m_capacity;
    std::string m_description;
    std::vector<std::string> m_entries;
};

} // namespace quillon
