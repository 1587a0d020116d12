#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

#include "iomap/io_map.h"
#include "tests/fakes/case_file.h"

namespace quillon {
namespace {

// The cells of the head and each module, "|" between the four kinds, then the diagnosis bytes.
std::string numbered(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
{
    ClusterTable slots;
    slots[0] = headRecord();
    std::copy(modules.begin(), modules.end(), slots.begin() + 1);
    const IoMapCells n = numberIoMap(protocol, slots, static_cast<int>(modules.size()) + 1);
    std::string text;
    for (std::size_t pos = 0; pos < n.bytes.size(); ++pos) {
        const auto& c = n.bytes[pos];
        if (pos <= modules.size())
            text += c[0] + "|" + c[1] + "|" + c[2] + "|" + c[3] + "; ";
        else if (!(c[0] + c[1] + c[2] + c[3]).empty())
            text += "cells at a position past the end; ";
    }
    return text + n.diagnosis.value_or("no diagnosis");
}

// The clusters of tests/data/iomap/numbering.txt.
TEST(IoMapNumbering, NumbersEveryKindByProtocol)
{
    for (const auto& [cluster, cells] : test::readCases(QUILLON_TEST_DATA "/iomap/numbering.txt")) {
        std::istringstream words(cluster);
        std::string protocol;
        words >> protocol;
        std::vector<ModuleInfo> modules;
        for (std::string m; words >> m;) {
            const bool free = m.starts_with("free:");
            int b[4] = {};
            std::sscanf(m.c_str() + (free ? 5 : 0), "%d.%d.%d.%d", &b[0], &b[1], &b[2], &b[3]);
            modules.push_back({free ? "" : "m.wmf", b[0], b[1], b[2], b[3], "OVN_XXXXX.eds", 0});
        }
        EXPECT_EQ(numbered(protocol == "devicenet" ? FieldbusProtocol::DeviceNet
                           : protocol == "canopen" ? FieldbusProtocol::CanOpen
                                                   : FieldbusProtocol::None,
                           modules),
                  cells)
            << cluster;
    }

    const auto header = [](FieldbusProtocol protocol) {
        const auto h = numberIoMap(protocol, {}, 1).header;
        return h[0] + "|" + h[1] + "|" + h[2] + "|" + h[3] + "|" + h[4] + "|" + h[5];
    };
    EXPECT_EQ(header(FieldbusProtocol::DeviceNet),
              "Slot|Module|InByNo dig.|OutByNo dig.|InByNo ana.|OutByNo ana.");
    EXPECT_EQ(header(FieldbusProtocol::CanOpen),
              "Slot|Module|TPDO/Byte dig|RPDO/Byte dig|TPDO/Byte ana|RPDO/Byte ana");
    EXPECT_EQ(header(FieldbusProtocol::None),
              "Slot|Module|         |         |         |         ");
}

TEST(MapListWindow, CopiesTheGridCells)
{
    IoGrid grid;
    for (std::size_t r = 0; r < 10; ++r) {
        for (std::size_t c = 0; c < 6; ++c)
            grid[r][c] = std::to_string(r) + ":" + std::to_string(c);
    }
    const IoGrid list = mapListFromGrid(grid);
    const std::pair<std::pair<int, int>, const char*> cells[] = {
        {{0, 0}, "Slot"}, {{0, 3}, "0:3"},   {{4, 0}, "4"},   {{4, 1}, "4:1"}, {{8, 5}, "8:5"},
        {{9, 0}, "Diag"}, {{9, 1}, "Bytes"}, {{9, 2}, "9:2"}, {{9, 3}, ""}};
    for (const auto& [at, text] : cells) {
        EXPECT_EQ(list[static_cast<std::size_t>(at.first)][static_cast<std::size_t>(at.second)],
                  text)
            << at.first << "/" << at.second;
    }
}

} // namespace
} // namespace quillon
