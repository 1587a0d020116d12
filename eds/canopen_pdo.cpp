#include "eds/canopen_pdo.h"

#include "core/session.h"
#include "eds/eds_text.h"
#include "eds/generation_run.h"
#include "eds/object_list.h"

namespace quillon {

namespace {

constexpr int BytesPerPdo = 8;
constexpr int FirstAnaloguePdo = 3;
constexpr int LastAnaloguePdo = 6;
constexpr int MappingEntryLines = 7;
// The mapped sub-index ends at this character of a mapping entry's default value line:
// "DefaultValue=0x" followed by 4 digits of index, 2 of sub-index and 2 of bit length.
constexpr std::size_t SubIndexLastCharacter = 21;

// What differs between the two directions: section markers, object indices and the names the
// templates use for them.
struct DirectionText
{
    const char* commStart;
    const char* commEnd;
    const char* mapStart;
    const char* mapEnd;
    const char* commPrefix;    // "[140" / "[180": the object header up to its last digit
    const char* mapPrefix;     // "0x160" / "0x1a0"
    const char* commIndexBase; // "0x140" / "0x180"
    const char* firstHeader;   // the first mapping entry of the head's digital PDO
    const char* secondHeader;  // ... and of the second digital PDO's template
    int cobIdOffset;           // k * 100 + this reads as the hexadecimal COB-ID base
};

constexpr DirectionText ReceiveText{
    "[START_RPDO_COMM_PARA]",
    "[END_RPDO_COMM_PARA]",
    "[START_RPDO_MAP_PARA]",
    "[END_RPDO_MAP_PARA]",
    "[140",
    "0x160",
    "0x140",
    "[1600sub1]",
    "[1601sub1]",
    100,
};
constexpr DirectionText TransmitText{
    "[START_TPDO_COMM_PARA]",
    "[END_TPDO_COMM_PARA]",
    "[START_TPDO_MAP_PARA]",
    "[END_TPDO_MAP_PARA]",
    "[180",
    "0x1a0",
    "0x180",
    "[1a00sub1]",
    "[1a01sub1]",
    80,
};

const DirectionText& textFor(PdoDirection direction)
{
    return direction == PdoDirection::Receive ? ReceiveText : TransmitText;
}

void appendLine(std::string& section, const std::string& line)
{
    section += line;
    section += "\r\n";
}

// Puts a single character (a digit) at a position, the line keeping its length.
void putDigit(std::string& line, std::size_t position1Based, int digit)
{
    overwriteInPlace(line, position1Based, std::to_string(digit));
}

// Keeps `line` (a sub-entry's ParameterName line) and the three lines after it, and reads the
// fourth, the sub-entry's default value, into `line` for the caller to rewrite.
ReadStatus keepUpToDefaultValue(std::string& line, LineSource& source, std::string& section)
{
    appendLine(section, line);
    for (int i = 0; i < 3; ++i) {
        if (auto status = source.pullLine(line); !status)
            return status;
        appendLine(section, line);
    }
    return source.pullLine(line);
}

// "Number of Entries": the sub-entry's default value becomes the entry count.
ReadStatus rewriteEntryCount(std::string& line, LineSource& source, std::string& section,
                             int entries)
{
    if (auto status = keepUpToDefaultValue(line, source, section); !status)
        return status;
    line = "DefaultValue=" + std::to_string(entries);
    return {};
}

// `line` and the six template lines after it are one mapping entry; it is written once per
// channel 1..channels with its sub-index and the mapped channel filled in, each copy followed by
// an empty line. The template line itself ends up empty.
ReadStatus stampMappingEntries(std::string& line, LineSource& source, std::string& section,
                               int channels, int channelBase)
{
    std::array<std::string, MappingEntryLines> entry;
    entry[0] = line;
    for (std::size_t i = 1; i < entry.size(); ++i) {
        if (auto status = source.pullLine(entry[i]); !status)
            return status;
    }
    std::string copy;
    for (int j = 1; j <= channels; ++j) {
        for (const std::string& templateLine : entry) {
            copy = templateLine;
            if (const auto p = positionOf(copy, "sub1]"); p != 0)
                putDigit(copy, p + 3, j);
            if (contains(copy, "DefaultValue=")) {
                const std::string channel = upperHex(static_cast<unsigned>(j + channelBase));
                if (channel.size() <= SubIndexLastCharacter)
                    overwriteInPlace(copy, SubIndexLastCharacter + 1 - channel.size(), channel);
            }
            appendLine(section, copy);
        }
        section += "\r\n";
    }
    line.clear();
    return {};
}

std::string indexText(const char* base, int digit)
{
    return base + std::to_string(digit);
}

} // namespace

PdoBytes splitPdoBytes(int digitalBytes, int analogueBytes)
{
    PdoBytes bytes{};
    bytes[1] = digitalBytes;
    if (digitalBytes > BytesPerPdo) {
        bytes[1] = BytesPerPdo;
        bytes[2] = digitalBytes - BytesPerPdo;
    }
    if (analogueBytes != 0) {
        std::size_t index = FirstAnaloguePdo;
        int remaining = analogueBytes;
        while (remaining > BytesPerPdo && index + 1 < bytes.size()) {
            bytes[index++] = BytesPerPdo;
            remaining -= BytesPerPdo;
        }
        bytes[index] = remaining;
    }
    return bytes;
}

LineHandler analogueCommunicationHandler(int pdoNumber, PdoDirection direction,
                                         ObjectList& optionalObjects)
{
    const DirectionText& names = textFor(direction);
    const std::string header = std::string(names.commPrefix) + "X]";
    const std::string subHeader = std::string(names.commPrefix) + "Xsub";
    return [pdoNumber, &names, header, subHeader, &optionalObjects](
               std::string& line, LineSource& source, std::string& section) -> ReadStatus {
        if (contains(line, "DefaultValue=$NODEID+")) {
            // Below PDO 5 the decimal sum reads as the hexadecimal COB-ID base (0x400, 0x380,
            // ...); PDO 5 and up start out marked not valid.
            line = pdoNumber < 5 ? "DefaultValue=$NODEID+0x" +
                                       std::to_string(pdoNumber * 100 + names.cobIdOffset)
                                 : std::string("DefaultValue=$NODEID+0x80000000");
        }
        if (const auto p = positionOf(line, "PDOXX"); p != 0)
            overwriteInPlace(line, p + 3, twoDigits(pdoNumber));
        if (contains(line, header)) {
            line = names.commPrefix + std::to_string(pdoNumber - 1) + "]";
            if (auto status = optionalObjects.add(indexText(names.commIndexBase, pdoNumber - 1));
                !status)
                return status;
        }
        if (const auto p = positionOf(line, subHeader); p != 0)
            line = names.commPrefix + std::to_string(pdoNumber - 1) + line.substr(p - 1 + 5);
        if (contains(line, "ParameterName=Transmission")) {
            if (auto status = keepUpToDefaultValue(line, source, section); !status)
                return status;
            if (pdoNumber >= 5)
                line = "DefaultValue=0";
        }
        return {};
    };
}

LineHandler digitalMappingHandler(int bytes, int channelBase, std::string firstEntryHeader)
{
    return [bytes, channelBase, header = std::move(firstEntryHeader)](
               std::string& line, LineSource& source, std::string& section) -> ReadStatus {
        if (contains(line, "SubNumber="))
            line = "SubNumber=" + std::to_string(bytes + 1);
        if (contains(line, "Number of Entries")) {
            if (auto status = rewriteEntryCount(line, source, section, bytes); !status)
                return status;
        }
        if (contains(line, header))
            return stampMappingEntries(line, source, section, bytes, channelBase);
        return {};
    };
}

LineHandler analogueMappingHandler(int pdoNumber, PdoDirection direction, int bytes,
                                   int channelBase)
{
    const bool receive = direction == PdoDirection::Receive;
    const std::string objectHeader = receive ? "[160X]" : "[1a0X]";
    const std::string countHeader = receive ? "[160Xsub0]" : "[1a0Xsub0]";
    const std::string entryHeader = receive ? "[160Xsub1]" : "[1a0Xsub1]";
    const int channels = bytes / 2;
    return [=](std::string& line, LineSource& source, std::string& section) -> ReadStatus {
        if (const auto p = positionOf(line, objectHeader); p != 0)
            putDigit(line, p + 4, pdoNumber - 1);
        if (const auto p = positionOf(line, "PDOX Mapping Parameter"); p != 0)
            putDigit(line, p + 3, pdoNumber);
        if (const auto p = positionOf(line, countHeader); p != 0)
            putDigit(line, p + 4, pdoNumber - 1);
        if (contains(line, "SubNumber="))
            line = "SubNumber=" + std::to_string(channels + 1);
        if (contains(line, "Number of Entries")) {
            if (auto status = rewriteEntryCount(line, source, section, channels); !status)
                return status;
        }
        if (const auto p = positionOf(line, entryHeader); p != 0) {
            putDigit(line, p + 4, pdoNumber - 1);
            return stampMappingEntries(line, source, section, channels, channelBase);
        }
        return {};
    };
}

namespace {

// The objects of one direction after the head's first communication object: the second
// digital PDO, the analogue PDOs, and all their mappings. For transmit PDOs the diagnostic
// objects of the head go after the communication and after the mapping objects.
ReadStatus buildDirection(GenerationRun& run, PdoDirection direction, ObjectList& optionalObjects,
                          std::string& communicationText, std::string& mappingText)
{
    const DirectionText& names = textFor(direction);
    const bool transmit = direction == PdoDirection::Transmit;
    const ByteCounts& used = run.session.UsedBytes;
    const int digital = used[transmit ? DigitalIn : DigitalOut];
    const int analogue = used[transmit ? AnalogIn : AnalogOut];
    const std::string& head = run.session.ClusterSlots[0].ResourceFile;
    TemplateStore& store = run.templates;

    const PdoBytes bytes = splitPdoBytes(digital, analogue);
    const bool secondDigitalPdo = digital > BytesPerPdo;
    if (secondDigitalPdo) {
        if (auto status = copySection(store, SecondDigitalPdoTemplate, names.commStart,
                                      names.commEnd, {}, communicationText);
            !status)
            return status;
        if (auto status = optionalObjects.add(indexText(names.commIndexBase, 1)); !status)
            return status;
    }
    for (int k = FirstAnaloguePdo; k <= LastAnaloguePdo; ++k) {
        if (bytes[static_cast<std::size_t>(k)] == 0)
            continue;
        if (auto status = copySection(store, AnaloguePdoTemplate, names.commStart, names.commEnd,
                                      analogueCommunicationHandler(k, direction, optionalObjects),
                                      communicationText);
            !status)
            return status;
    }
    if (transmit) {
        if (auto status = copySection(store, head, "[START_TPDO_COMM_DIAG_PARA]",
                                      "[END_TPDO_COMM_DIAG_PARA]", {}, communicationText);
            !status)
            return status;
        for (const char* index : {"0x1806", "0x1807"}) {
            if (auto status = optionalObjects.add(index); !status)
                return status;
        }
    }

    if (auto status =
            copySection(store, head, names.mapStart, names.mapEnd,
                        digitalMappingHandler(bytes[1], 0, names.firstHeader), mappingText);
        !status)
        return status;
    if (auto status = optionalObjects.add(indexText(names.mapPrefix, 0)); !status)
        return status;
    if (secondDigitalPdo) {
        if (auto status = copySection(
                store, SecondDigitalPdoTemplate, names.mapStart, names.mapEnd,
                digitalMappingHandler(bytes[2], BytesPerPdo, names.secondHeader), mappingText);
            !status)
            return status;
        if (auto status = optionalObjects.add(indexText(names.mapPrefix, 1)); !status)
            return status;
    }
    int channelBase = 0;
    for (int k = FirstAnaloguePdo; k <= LastAnaloguePdo; ++k) {
        const int pdoBytes = bytes[static_cast<std::size_t>(k)];
        if (pdoBytes == 0)
            continue;
        if (auto status = copySection(store, AnaloguePdoTemplate, names.mapStart, names.mapEnd,
                                      analogueMappingHandler(k, direction, pdoBytes, channelBase),
                                      mappingText);
            !status)
            return status;
        if (auto status = optionalObjects.add(indexText(names.mapPrefix, k - 1)); !status)
            return status;
        channelBase += pdoBytes / 2;
    }
    if (transmit) {
        if (auto status = copySection(store, head, "[START_TPDO_MAP_DIAG_PARA]",
                                      "[END_TPDO_MAP_DIAG_PARA]", {}, mappingText);
            !status)
            return status;
        for (const char* index : {"0x1a06", "0x1a07"}) {
            if (auto status = optionalObjects.add(index); !status)
                return status;
        }
    }
    return {};
}

} // namespace

ReadStatus buildReceivePdos(GenerationRun& run, LineSource& head, ObjectList& optionalObjects,
                            std::string& receiveText)
{
    if (auto status =
            copySection(head, ReceiveText.commStart, ReceiveText.commEnd, {}, receiveText);
        !status)
        return status;
    if (auto status = optionalObjects.add("0x1400"); !status)
        return status;
    // Communication objects first, then mapping objects, all into the one receive text.
    return buildDirection(run, PdoDirection::Receive, optionalObjects, receiveText, receiveText);
}

ReadStatus buildTransmitPdos(GenerationRun& run, ObjectList& optionalObjects,
                             std::string& communicationText, std::string& mappingText)
{
    if (auto status =
            copySection(run.templates, run.session.ClusterSlots[0].ResourceFile,
                        TransmitText.commStart, TransmitText.commEnd, {}, communicationText);
        !status)
        return status;
    if (auto status = optionalObjects.add("0x1800"); !status)
        return status;
    return buildDirection(run, PdoDirection::Transmit, optionalObjects, communicationText,
                          mappingText);
}

} // namespace quillon
