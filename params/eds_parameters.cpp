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

// Walks the lines of the parameter objects the readers look at, skipping object headers and
// entry-count sub-entries, and hands each to `visit` with the 0-based slot it belongs to.
// False when there is no "[2600]" line.
template <class Visit> bool walkParameterObjects(const std::vector<std::string>& lines, Visit visit)
{
    const std::size_t n = lines.size();
    std::size_t i = findLine(lines, 0, "[2600]");
    if (i == n)
        return false;
    i += HeaderLines;
    int slot = 0;
    while (++i < n) {
        std::string_view line = lines[i];
        if (const int s = objectHeaderSlot(line); s >= 0) {
            slot = s;
            i += HeaderLines;
            if (i >= n)
                break;
            line = lines[i];
        }
        if (contains(line, "[3000]"))
            break;
        if (contains(line, "sub0")) {
            i += EntryCountLines;
            if (i >= n)
                break;
            line = lines[i];
        }
        visit(slot, line);
    }
    return true;
}

} // namespace

EdsParameterNames readParameterNames(const std::vector<std::string>& lines)
{
    EdsParameterNames result;
    EdsParameterText current;
    result.hasParameterObjects = walkParameterObjects(lines, [&](int slot, std::string_view line) {
        if (contains(line, "ParameterName="))
            current.name = after(line, NameKeyLength);
        if (contains(line, "LowLimit="))
            current.lowLimit = after(line, LowKeyLength);
        if (contains(line, "HighLimit=")) {
            current.highLimit = after(line, HighKeyLength);
            result.slots[static_cast<std::size_t>(slot)].push_back(std::move(current));
            current = {};
        }
    });
    return result;
}

PerSlot<std::string> readParameterValues(const std::vector<std::string>& lines)
{
    PerSlot<std::string> values;
    static constexpr std::string_view Key = "DefaultValue=";
    (void)walkParameterObjects(lines, [&](int slot, std::string_view line) {
        const auto at = line.find(Key);
        if (at != std::string_view::npos)
            values[static_cast<std::size_t>(slot)].emplace_back(line.substr(at + Key.size()));
    });
    return values;
}

std::string rewriteEds(const std::vector<std::string>& lines,
                       const PerSlot<std::optional<std::int32_t>>& values, const DateTime& now,
                       const std::string& path)
{
    std::string out;
    const auto emit = [&out](std::string_view line) {
        out += line;
        out += "\r\n";
    };
    const std::size_t n = lines.size();
    std::size_t i = 0;

    // The head of the file, up to and with the first parameter object's header.
    bool reachedObjects = false;
    while (i < n) {
        std::string line = lines[i++];
        if (contains(line, "[2600]")) {
            emit(line);
            for (std::size_t m = 0; m < HeaderLines && i < n; ++m)
                emit(lines[i++]);
            reachedObjects = true;
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

    // The parameter objects and the rest of the file.
    std::array<std::size_t, EditorSlotCount> counted{};
    std::size_t slot = 0;
    bool inObjects = reachedObjects;
    while (i < n) {
        std::string line = lines[i++];
        if (contains(line, "sub0")) {
            emit(line);
            for (std::size_t m = 0; m + 1 < EntryCountLines && i < n; ++m)
                emit(lines[i++]);
            if (i >= n)
                break;
            line = lines[i++];
        }
        if (inObjects) {
            if (const int s = objectHeaderSlot(line); s >= 0)
                slot = static_cast<std::size_t>(s);
            if (contains(line, "[3000]"))
                inObjects = false;
        }
        if (inObjects && contains(line, "DefaultValue=")) {
            const std::size_t j = counted[slot]++;
            if (j < values[slot].size() && values[slot][j])
                line = "DefaultValue=" + std::to_string(*values[slot][j]);
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
