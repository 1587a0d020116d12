#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quillon {

// The fieldbus the station is configured for; the numeric values are the ones the main window
// has always used (0 DeviceNet, 1 CANopen, 2 none chosen yet).
enum class FieldbusProtocol : std::int16_t
{
    DeviceNet = 0,
    CanOpen = 1,
    None = 2,
};

// Index into the four byte counts of a module, a limit set or the used totals.
enum ByteKind : int
{
    DigitalIn = 0,
    DigitalOut = 1,
    AnalogIn = 2,
    AnalogOut = 3,
};

constexpr int ByteKindCount = 4;
constexpr int ClusterSize = 9;        // positions 0..8; 0 is the head, 8 is never filled
constexpr int ShownPositions = 8;     // positions 0..7 have a picture and a grid row
constexpr int CatalogueCapacity = 61; // catalogue records 0..60

// Four byte counts in the order digital in, digital out, analogue in, analogue out.
using ByteCounts = std::array<int, ByteKindCount>;
using IoLimits = ByteCounts;

// One module: a catalogue record, or what stands at one cluster position. A position is free
// exactly when PictureFile is empty; clearing a position blanks only that field.
struct ModuleInfo
{
    std::string PictureFile;
    int DigitalInBytes = 0;
    int DigitalOutBytes = 0;
    int AnalogInBytes = 0;
    int AnalogOutBytes = 0;
    std::string ResourceFile;
    int ParameterCount = 0;

    [[nodiscard]] bool isFree() const { return PictureFile.empty(); }
    [[nodiscard]] ByteCounts bytes() const
    {
        return {DigitalInBytes, DigitalOutBytes, AnalogInBytes, AnalogOutBytes};
    }
    bool operator==(const ModuleInfo&) const = default;
};

using ClusterTable = std::array<ModuleInfo, ClusterSize>;

// The head record never comes from the catalogue; it always stands at position 0.
ModuleInfo headRecord();

// The five characters after the maker prefix "OVN_" (characters 5 to 9 of the file name),
// cut by position; shorter names give what is there.
std::string modelNameOf(const std::string& resourceFile);

} // namespace quillon
