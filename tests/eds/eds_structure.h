#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/item_reader.h"

namespace quillon::test {

// Basic well-formedness of a generated EDS, independent of how it was generated. Each function
// returns what is wrong, one text per problem; empty when the file is sound.

inline std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

inline bool isObjectName(const std::string& name)
{
    return name.size() == 4 && std::all_of(name.begin(), name.end(),
                                           [](unsigned char c) { return std::isxdigit(c) != 0; });
}

struct EdsSection
{
    std::string name; // lower case, without brackets
    std::vector<std::pair<std::string, std::string>> entries;

    [[nodiscard]] const std::string* value(const std::string& key) const
    {
        for (const auto& [k, v] : entries) {
            if (k == key)
                return &v;
        }
        return nullptr;
    }
};

// Sections of an ini-style text: "[name]" lines and the key=value lines after them; comment
// lines (";") and empty lines are skipped.
inline std::vector<EdsSection> sectionsOf(std::string_view text)
{
    std::vector<EdsSection> sections;
    for (const std::string& line : splitLines(text)) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({lowerCase(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (!sections.empty() && equals != std::string::npos)
            sections.back().entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return sections;
}

inline std::vector<std::string> canOpenStructureProblems(std::string_view text)
{
    std::vector<std::string> problems;
    const auto sections = sectionsOf(text);
    std::map<std::string, const EdsSection*> byName;
    for (const EdsSection& section : sections) {
        if (!byName.emplace(section.name, &section).second)
            problems.push_back("section [" + section.name + "] stands twice");
    }

    std::map<std::string, int> subEntries;
    for (const EdsSection& section : sections) {
        if (section.name.size() > 7 && section.name.compare(4, 3, "sub") == 0)
            ++subEntries[section.name.substr(0, 4)];
    }

    std::set<std::string> listed;
    for (const char* list : {"mandatoryobjects", "optionalobjects", "manufacturerobjects"}) {
        const auto found = byName.find(list);
        if (found == byName.end()) {
            problems.push_back(std::string("no [") + list + "]");
            continue;
        }
        const EdsSection& section = *found->second;
        const std::string* supported = section.value("SupportedObjects");
        const int count = supported ? std::stoi(*supported) : -1;
        if (static_cast<int>(section.entries.size()) != count + 1)
            problems.push_back(std::string("[") + list + "] announces " + std::to_string(count) +
                               " objects and lists " + std::to_string(section.entries.size() - 1));
        for (int i = 1; i <= count; ++i) {
            const std::string* entry = section.value(std::to_string(i));
            if (!entry || entry->size() != 6 || entry->rfind("0x", 0) != 0) {
                problems.push_back(std::string("[") + list + "] entry " + std::to_string(i) +
                                   " is missing or malformed");
                continue;
            }
            const std::string object = lowerCase(entry->substr(2));
            if (!listed.insert(object).second)
                problems.push_back("object " + object + " is listed twice");
            if (!byName.count(object))
                problems.push_back("object " + object + " is listed but has no section");
        }
    }

    for (const EdsSection& section : sections) {
        if (isObjectName(section.name)) {
            if (!listed.count(section.name))
                problems.push_back("object [" + section.name + "] is in no object list");
            if (const std::string* subNumber = section.value("SubNumber")) {
                const int subs = subEntries[section.name];
                if (std::to_string(subs) != *subNumber)
                    problems.push_back("[" + section.name + "] says SubNumber=" + *subNumber +
                                       " and has " + std::to_string(subs) + " sub-entries");
            }
        } else if (section.name.size() > 7 && isObjectName(section.name.substr(0, 4)) &&
                   section.name.substr(4, 3) == "sub") {
            if (!byName.count(section.name.substr(0, 4)))
                problems.push_back("[" + section.name + "] has no parent object");
        }
    }
    return problems;
}

// DeviceNet: the parameters are numbered 1.. without gaps, MaxInst is the last number, and every
// EnumN stands after its ParamN (before the next parameter).
inline std::vector<std::string> deviceNetStructureProblems(std::string_view text)
{
    std::vector<std::string> problems;
    int lastParam = 0;
    long maxInst = -1;
    for (const std::string& raw : splitLines(text)) {
        const auto start = raw.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        const std::string line = raw.substr(start);
        auto numberAfter = [&line](std::size_t prefix) {
            std::size_t end = prefix;
            while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end])))
                ++end;
            return end == prefix ? -1 : std::stoi(line.substr(prefix, end - prefix));
        };
        if (line.rfind("MaxInst", 0) == 0) {
            const auto equals = line.find('=');
            maxInst = equals == std::string::npos ? -1 : std::stol(line.substr(equals + 1));
        } else if (line.rfind("Param", 0) == 0 && line.rfind("ParamClass", 0) != 0) {
            const int n = numberAfter(5);
            if (n != lastParam + 1)
                problems.push_back("Param" + std::to_string(n) + " follows Param" +
                                   std::to_string(lastParam));
            lastParam = n;
        } else if (line.rfind("Enum", 0) == 0) {
            const int n = numberAfter(4);
            if (n != lastParam)
                problems.push_back("Enum" + std::to_string(n) + " follows Param" +
                                   std::to_string(lastParam));
        }
    }
    if (maxInst != lastParam)
        problems.push_back("MaxInst is " + std::to_string(maxInst) + ", the last parameter " +
                           std::to_string(lastParam));
    return problems;
}

} // namespace quillon::test
