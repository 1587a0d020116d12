#include "eds/object_list.h"

#include "eds/eds_text.h"

namespace quillon {

ObjectList::ObjectList(int capacity, std::string description)
    : m_capacity(capacity), m_description(std::move(description)), m_entries(1)
{}

ReadStatus ObjectList::readFrom(LineSource& source)
{
    std::string line;
    if (auto status = source.pullLine(line); !status)
        return status;
    const long long announced = announcedCount(line);
    if (announced < 0 || announced > m_capacity) {
        return ReadStatus::failure(source.name() + " line " + std::to_string(source.lineNumber()) +
                                   ": the " + m_description + " list announces " +
                                   std::to_string(announced) + " entries, at most " +
                                   std::to_string(m_capacity) + " fit");
    }
    m_entries.assign(1, line);
    for (long long i = 0; i < announced; ++i) {
        if (auto status = source.pullLine(line); !status)
            return status;
        m_entries.push_back(line);
    }
    return {};
}

ReadStatus ObjectList::add(std::string_view objectIndex)
{
    if (count() >= m_capacity) {
        return ReadStatus::failure("the " + m_description + " list would hold more than " +
                                   std::to_string(m_capacity) + " entries");
    }
    std::string entryText = std::to_string(count() + 1);
    entryText += '=';
    entryText += objectIndex;
    m_entries.push_back(std::move(entryText));
    return {};
}

const std::string& ObjectList::entry(int index) const
{
    return m_entries.at(static_cast<std::size_t>(index));
}

std::string ObjectList::text(std::string_view header) const
{
    std::string listText(header);
    listText += "\r\nSupportedObjects=" + std::to_string(count()) + "\r\n";
    for (std::size_t i = 1; i < m_entries.size(); ++i) {
        listText += m_entries[i];
        listText += "\r\n";
    }
    return listText;
}

} // namespace quillon
