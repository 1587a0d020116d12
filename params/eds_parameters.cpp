#include "params/eds_parameters.h"

#include <cstddef>
#include <string_view>

#include "core/file_path.h"
#include "eds/eds_text.h"

namespace quillon {

namespace {

constexpr std::size_t NameKeyLength = 14;  // "ParameterName="
constexpr std::size_t LowKeyLength = 9;    // "LowLimit="
constexpr std::size_t HighKeyLength = 10;  // "HighLimit="
constexpr std::size_t HeaderLines = 3;     // after an object header
constexpr std::size_t EntryCountLines = 6; // after an entry-count sub-entry header

// 0-based slot of the object whose header "[2601]".."[2607]" the line holds; -1 for none.
int objectHeaderSlot(std::string_view line)
{
    for (int n = 1; n < EditorSlotCount; ++n) {
        const std::string header = "[260" + std::to_string(n) + "]";
        if (contains(line, header))
            return n;
    }
    return -1;
}

std::string after(std::string_view line, std::size_t count)
{
    return line.size() > count ? std::string(line.substr(count)) : std::string();
}

std::size_t findLine(const std::vector<std::string>& lines, std::size_t from, std::string_view text)
{
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (contains(lines[i], text))
            return i;
    }
    return lines.size();
}

// Where a line of the parameter objects belongs: the 0-based slot and the 0-based parameter
// entry within it; entry -1 for lines outside any parameter entry (object headers, entry counts).
struct LinePlace
{
    int slot = 0;
    int entry = -1;
};

// Walks the lines of the parameter objects, skipping object headers and entry-count sub-entries,
// and hands each line of a parameter entry to `visit` with its line index and place. False when
// there is no "[2600]" line.
template <class Visit> bool walkParameterEntries(const std::vector<std::string>& lines, Visit visit)
{
    const std::size_t n = lines.size();
    std::size_t i = findLine(lines, 0, "[2600]");
    if (i == n)
        return false;
    i += HeaderLines;
    std::array<int, EditorSlotCount> entries{};
    LinePlace place;
    while (++i < n) {
        if (const int s = objectHeaderSlot(lines[i]); s >= 0) {
            place = {s, -1};
            i += HeaderLines;
            if (i >= n)
                break;
        }
        if (contains(lines[i], "[3000]"))
            break;
        if (contains(lines[i], "sub0")) {
            place.entry = -1;
            i += EntryCountLines;
            if (i >= n)
                break;
        }
        if (!lines[i].empty() && lines[i].front() == '[')
            place.entry = entries[static_cast<std::size_t>(place.slot)]++;
        if (place.entry >= 0)
            visit(i, place);
    }
    return true;
}

// Sets `field` from the first line holding `key`: the line less its first `skip` characters.
void takeFirst(std::optional<std::string>& field, std::string_view line, std::string_view key,
               std::size_t skip)
{
    if (!field && contains(line, key))
        field = after(line, skip);
}

} // namespace

EdsParameterObjects readParameterObjects(const std::vector<std::string>& lines)
{
    EdsParameterObjects result;
    static constexpr std::string_view ValueKey = "DefaultValue=";
    result.hasParameterObjects = walkParameterEntries(lines, [&](std::size_t i, LinePlace place) {
        auto& entries = result.slots[static_cast<std::size_t>(place.slot)];
        const std::string& line = lines[i];
        if (static_cast<std::size_t>(place.entry) == entries.size()) {
            entries.emplace_back();
            entries.back().section = line;
        }
        EdsParameterEntry& entry = entries.back();
        takeFirst(entry.name, line, "ParameterName=", NameKeyLength);
        takeFirst(entry.lowLimit, line, "LowLimit=", LowKeyLength);
        takeFirst(entry.highLimit, line, "HighLimit=", HighKeyLength);
        if (const auto at = line.find(ValueKey); !entry.defaultValue && at != std::string::npos)
            entry.defaultValue = line.substr(at + ValueKey.size());
    });
    return result;
}

std::optional<std::string> rewriteEds(const std::vector<std::string>& lines,
                                      const PerSlot<std::optional<std::int32_t>>& values,
                                      const DateTime& now, const std::string& path)
{
    // The "DefaultValue=" line of each parameter entry, and where it belongs.
    std::vector<LinePlace> valueLines(lines.size());
    {
        PerSlot<bool> found;
        (void)walkParameterEntries(lines, [&](std::size_t i, LinePlace place) {
            auto& seen = found[static_cast<std::size_t>(place.slot)];
            const auto entry = static_cast<std::size_t>(place.entry);
            if (seen.size() <= entry)
                seen.resize(entry + 1);
            if (!seen[entry] && contains(lines[i], "DefaultValue=")) {
                seen[entry] = true;
                valueLines[i] = place;
            }
        });
    }

    std::string out;
    const auto emit = [&out](std::string_view line) {
        out += line;
        out += "\r\n";
    };
    const std::size_t n = lines.size();
    std::size_t i = 0;

    // The head of the file, up to and with the first parameter object's header.
    while (i < n) {
        std::string line = lines[i++];
        if (contains(line, "[2600]")) {
            emit(line);
            for (std::size_t m = 0; m < HeaderLines && i < n; ++m)
                emit(lines[i++]);
            break;
        }
        if (const std::size_t p = positionOf(line, "ModificationDate="); p > 0)
            line = overwriteAt(line, p, "ModificationDate=" + formatMmDdYyyy(now));
        if (contains(line, "ModificationTime="))
            line = "ModificationTime=" + formatHhMmAmPm(now);
        if (contains(line, "FileName="))
            line = "FileName=" + pathToFileText(path);
        emit(line);
    }

    // The parameter objects and the rest of the file, where every value line counts.
    int valueCount = 0;
    while (i < n) {
        std::size_t at = i;
        std::string line = lines[i++];
        if (contains(line, "sub0")) {
            emit(line);
            for (std::size_t m = 0; m + 1 < EntryCountLines && i < n; ++m)
                emit(lines[i++]);
            if (i >= n)
                break;
            at = i;
            line = lines[i++];
        }
        if (contains(line, "DefaultValue=")) {
            if (++valueCount > MaxParameterRows)
                return std::nullopt;
            const LinePlace place = valueLines[at];
            const auto& slotValues = values[static_cast<std::size_t>(place.slot)];
            const auto j = static_cast<std::size_t>(place.entry);
            if (place.entry >= 0 && j < slotValues.size() && slotValues[j])
                line = "DefaultValue=" + std::to_string(*slotValues[j]);
        }
        emit(line);
    }
    out += "\r\n";
    return out;
}

EdsModuleScan scanModuleSlots(const std::vector<std::string>& lines)
{
    EdsModuleScan scan;
    if (lines.empty() || !contains(lines.front(), "[FileInfo]")) {
        scan.status = EdsModuleScan::Status::NotCanOpen;
        return scan;
    }
    const std::size_t n = lines.size();
    std::size_t i = findLine(lines, 1, "[2600]");
    if (i == n) {
        scan.status = EdsModuleScan::Status::NoParameterObjects;
        return scan;
    }
    i += HeaderLines;
    while (++i < n) {
        for (int slot = 1; slot < EditorSlotCount; ++slot) {
            const std::string header = "[260" + std::to_string(slot) + "sub1]";
            if (!contains(lines[i], header) || i + 1 >= n)
                continue;
            ++i;
            // The model name stands at characters 25 to 29 of the sub-entry's name line.
            const std::string& nameLine = lines[i];
            scan.modelNames[static_cast<std::size_t>(slot)] =
                nameLine.size() > 24 ? nameLine.substr(24, 5) : std::string();
        }
    }
    return scan;
}

} // namespace quillon
