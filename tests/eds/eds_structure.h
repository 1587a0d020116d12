#pragma once

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/item_reader.h"

namespace quillon::test {

// Basic well-formedness of a generated EDS, whatever generated it: one text per problem found.

// CANopen: every object listed in the three object lists has its section and every object section
// is listed once, SupportedObjects counts the entries, SubNumber counts the sub-entries present.
inline std::vector<std::string> canOpenStructureProblems(const std::string& text)
{
    std::map<std::string, std::map<std::string, std::string>> sections; // lower-case names
    std::map<std::string, int> subEntries;
    std::vector<std::string> problems;
    std::string current;
    for (const std::string& line : splitLines(text)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            current.clear();
            for (const char c : line.substr(1, line.size() - 2))
                current += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (sections.count(current))
                problems.push_back("[" + current + "] stands twice");
            sections[current];
            if (current.size() > 7 && current.compare(4, 3, "sub") == 0)
                ++subEntries[current.substr(0, 4)];
        } else if (const auto equals = line.find('=');
                   !current.empty() && line[0] != ';' && equals != std::string::npos) {
            sections[current][line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    std::set<std::string> listed;
    for (const char* list : {"mandatoryobjects", "optionalobjects", "manufacturerobjects"}) {
        if (!sections.count(list)) {
            problems.push_back(std::string("no ") + list);
            continue;
        }
        auto& entries = sections[list];
        const int count =
            entries.count("SupportedObjects") ? std::stoi(entries["SupportedObjects"]) : -1;
        if (count + 1 != static_cast<int>(entries.size()))
            problems.push_back(std::string(list) + " announces " + std::to_string(count));
        for (int i = 1; i <= count; ++i) {
            std::string object = entries[std::to_string(i)];
            for (char& c : object)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (object.size() != 6 || !sections.count(object.substr(2)))
                problems.push_back(std::string(list) + " entry " + std::to_string(i) + " \"" +
                                   object + "\" has no object");
            else if (!listed.insert(object.substr(2)).second)
                problems.push_back(object + " is listed twice");
        }
    }
    for (const auto& [name, entries] : sections) {
        const bool object =
            name.size() == 4 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
        if (object && !listed.count(name))
            problems.push_back("[" + name + "] is in no list");
        if (object && entries.count("SubNumber") &&
            std::to_string(subEntries[name]) != entries.at("SubNumber"))
            problems.push_back("[" + name + "] SubNumber=" + entries.at("SubNumber") + " with " +
                               std::to_string(subEntries[name]) + " sub-entries");
    }
    return problems;
}

// DeviceNet: parameters numbered 1.. without gaps, MaxInst the last number, every EnumN after its
// ParamN and before the next parameter.
inline std::vector<std::string> deviceNetStructureProblems(const std::string& text)
{
    std::vector<std::string> problems;
    int lastParam = 0;
    int maxInst = -1;
    for (const std::string& raw : splitLines(text)) {
        const auto start = raw.find_first_not_of(" \t");
        const std::string line = start == std::string::npos ? "" : raw.substr(start);
        auto number = [&line](std::size_t from) {
            return std::isdigit(static_cast<unsigned char>(line[from]))
                       ? std::stoi(line.substr(from))
                       : -1;
        };
        if (line.starts_with("MaxInst =")) {
            maxInst = number(10);
        } else if (line.starts_with("Param") && line.size() > 5 && number(5) >= 0) {
            if (number(5) != lastParam + 1)
                problems.push_back("Param" + std::to_string(number(5)) + " after Param" +
                                   std::to_string(lastParam));
            lastParam = number(5);
        } else if (line.starts_with("Enum") && line.size() > 4 && number(4) != lastParam) {
            problems.push_back("Enum" + std::to_string(number(4)) + " after Param" +
                               std::to_string(lastParam));
        }
    }
    if (maxInst != lastParam)
        problems.push_back("MaxInst " + std::to_string(maxInst) + ", last parameter " +
                           std::to_string(lastParam));
    return problems;
}

} // namespace quillon::test
