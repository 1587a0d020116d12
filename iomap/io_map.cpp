#include "iomap/io_map.h"

namespace quillon {

namespace {

std::string num(int v)
{
    return std::to_string(v);
}

// Where one direction's numbering stands after a kind has been numbered.
struct Counter
{
    int pdo = 1;
    int byte = 0;
};

// DeviceNet digital bytes: plain byte numbers after the head's own.
int numberDeviceNetDigital(const ClusterTable& slots, int usedCount, ByteKind kind, int start,
                           std::array<std::array<std::string, 4>, 8>& cells)
{
    int n = start;
    for (int i = 1; i < usedCount; ++i) {
        const int d = slots[static_cast<std::size_t>(i)].bytes()[kind];
        if (d == 0)
            continue;
        cells[static_cast<std::size_t>(i)][kind] =
            d == 1 ? num(n + 1) : num(n + 1) + " ... " + num(n + d);
        n += d;
    }
    return n;
}

int numberDeviceNetAnalog(const ClusterTable& slots, int usedCount, ByteKind kind, int start,
                          std::array<std::array<std::string, 4>, 8>& cells)
{
    int m = start;
    for (int i = 1; i < usedCount; ++i) {
        const int a = slots[static_cast<std::size_t>(i)].bytes()[kind];
        if (a == 0)
            continue;
        cells[static_cast<std::size_t>(i)][kind] = num(m + 1) + " ... " + num(m + a);
        m += a;
    }
    return m;
}

// CANopen digital bytes: PDO/byte pairs, 8 bytes a PDO, a module split over two PDOs when it does
// not fit the rest of the current one.
void numberCanOpenDigital(const ClusterTable& slots, int usedCount, ByteKind kind, int usedInFirst,
                          const char* separator, std::array<std::array<std::string, 4>, 8>& cells)
{
    int p = 1;
    int b = usedInFirst;
    for (int i = 1; i < usedCount; ++i) {
        const int d = slots[static_cast<std::size_t>(i)].bytes()[kind];
        if (d == 0)
            continue;
        std::string cell;
        if (b + d <= 8) {
            cell = num(p) + "/" + num(b + 1);
            if (d != 1)
                cell += "-" + num(b + d);
            b += d;
        } else {
            const int o = b + d - 8;
            const std::string first = b + 1 == 8 ? num(p) + "/8" : num(p) + "/" + num(b + 1) + "-8";
            const std::string second = o == 1 ? num(p + 1) + "/1" : num(p + 1) + "/1-" + num(o);
            cell = first + separator + second;
            ++p;
            b = o;
        }
        if (b == 8) {
            b = 0;
            ++p;
        }
        cells[static_cast<std::size_t>(i)][kind] = cell;
    }
}

// CANopen analogue bytes: from PDO 3 on; a module is never split, its range may run past byte 8.
void numberCanOpenAnalog(const ClusterTable& slots, int usedCount, ByteKind kind,
                         std::array<std::array<std::string, 4>, 8>& cells)
{
    int q = 3;
    int k = 1;
    for (int i = 1; i < usedCount; ++i) {
        const int a = slots[static_cast<std::size_t>(i)].bytes()[kind];
        if (a == 0)
            continue;
        const int x = (a - 1) % 8 + k;
        const int y = (a - 1) / 8 + q;
        cells[static_cast<std::size_t>(i)][kind] =
            num(q) + "/" + num(k) + " - " + num(y) + "/" + num(x);
        if (x + 1 > 8) {
            q = y + 1;
            k = 1;
        } else {
            q = y;
            k = x + 1;
        }
    }
}

} // namespace

IoMapCells numberIoMap(FieldbusProtocol protocol, const ClusterTable& slots, int usedCount)
{
    IoMapCells out;
    if (usedCount > ShownPositions)
        usedCount = ShownPositions;
    const std::string blank(9, ' ');
    switch (protocol) {
    case FieldbusProtocol::DeviceNet: {
        out.header = {"Slot",         "Module",      "InByNo dig.",
                      "OutByNo dig.", "InByNo ana.", "OutByNo ana."};
        out.bytes[0][DigitalIn] = "1 ... 2";
        out.bytes[0][DigitalOut] = "1";
        const int lastDi = numberDeviceNetDigital(slots, usedCount, DigitalIn, 2, out.bytes);
        const int lastAi = numberDeviceNetAnalog(slots, usedCount, AnalogIn, lastDi, out.bytes);
        out.diagnosis = num(lastAi + 1) + " ... " + num(lastAi + 16);
        const int lastDo = numberDeviceNetDigital(slots, usedCount, DigitalOut, 1, out.bytes);
        numberDeviceNetAnalog(slots, usedCount, AnalogOut, lastDo, out.bytes);
        break;
    }
    case FieldbusProtocol::CanOpen:
        out.header = {"Slot",          "Module",        "TPDO/Byte dig",
                      "RPDO/Byte dig", "TPDO/Byte ana", "RPDO/Byte ana"};
        out.bytes[0][DigitalIn] = "1/1-2";
        out.bytes[0][DigitalOut] = "1/1";
        numberCanOpenDigital(slots, usedCount, DigitalIn, 2, ", ", out.bytes);
        numberCanOpenAnalog(slots, usedCount, AnalogIn, out.bytes);
        out.diagnosis = "7/1-8, 8/1-8";
        numberCanOpenDigital(slots, usedCount, DigitalOut, 1, " & ", out.bytes);
        numberCanOpenAnalog(slots, usedCount, AnalogOut, out.bytes);
        break;
    case FieldbusProtocol::None:
        out.header = {"Slot", "Module", blank, blank, blank, blank};
        break;
    }
    return out;
}

IoGrid mapListFromGrid(const IoGrid& grid)
{
    IoGrid list;
    for (int row = 1; row <= 8; ++row)
        list[static_cast<std::size_t>(row)][0] = std::to_string(row);
    list[9][1] = "Bytes";
    list[9][0] = "Diag";
    list[0][0] = "Slot";
    list[0][1] = "Module";
    for (std::size_t col = 2; col <= 5; ++col)
        list[0][col] = grid[0][col];
    for (std::size_t row = 1; row <= 8; ++row)
        list[row][1] = grid[row][1];
    for (std::size_t row = 1; row <= 8; ++row)
        list[row][2] = grid[row][2];
    list[9][2] = grid[9][2];
    for (std::size_t col = 3; col <= 5; ++col) {
        for (std::size_t row = 1; row <= 8; ++row)
            list[row][col] = grid[row][col];
    }
    return list;
}

} // namespace quillon
