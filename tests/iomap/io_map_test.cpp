#include <gtest/gtest.h>

#include "iomap/io_map.h"

namespace quillon {
namespace {

ModuleInfo module(int di, int dout, int ai, int ao, const char* picture = "m.wmf")
{
    return ModuleInfo{picture, di, dout, ai, ao, "OVN_XXXXX.eds", 0};
}

// Head plus 1, 2 and 4 digital input bytes, 1 digital output byte, 8 and 16 analogue input bytes.
const std::vector<ModuleInfo> Worked = {module(1, 0, 0, 0), module(2, 0, 0, 0),
                                        module(4, 0, 0, 0), module(0, 1, 0, 0),
                                        module(0, 0, 8, 0), module(0, 0, 16, 0)};
// Cleared in the middle, not yet refreshed away: the record keeps its bytes.
const std::vector<ModuleInfo> WithGap = {module(1, 0, 0, 0), module(2, 0, 0, 0, ""),
                                         module(4, 0, 0, 0)};
// Inputs fill PDO 1 exactly (2 + 6), outputs split (1 + 6 = 7).
const std::vector<ModuleInfo> Splits = {module(6, 6, 0, 0), module(3, 3, 0, 0)};
const std::vector<ModuleInfo> EndsAt7 = {module(5, 0, 0, 0), module(3, 0, 0, 0)};
const std::vector<ModuleInfo> SpillsOne = {module(5, 0, 0, 0), module(2, 0, 0, 0)};
const std::vector<ModuleInfo> Analogue = {module(0, 0, 0, 8), module(0, 0, 0, 4),
                                          module(0, 0, 0, 8), module(0, 0, 0, 2)};
const std::vector<ModuleInfo> Mixed = {module(2, 3, 4, 2), module(0, 1, 0, 0)};

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

TEST(IoMapNumbering, NumbersEveryKindByProtocol)
{
    constexpr auto DN = FieldbusProtocol::DeviceNet;
    constexpr auto CO = FieldbusProtocol::CanOpen;
    const std::tuple<FieldbusProtocol, std::vector<ModuleInfo>, const char*> cases[] = {
        {DN, Worked,
         "1 ... 2|1||; 3|||; 4 ... 5|||; 6 ... 9|||; |2||; ||10 ... 17|; ||18 ... 33|; 34 ... 49"},
        {CO, Worked,
         "1/1-2|1/1||; 1/3|||; 1/4-5|||; 1/6-8, 2/1|||; |1/2||; ||3/1 - 3/8|; ||4/1 - 5/8|; 7/1-8, "
         "8/1-8"},
        {DN, WithGap, "1 ... 2|1||; 3|||; 4 ... 5|||; 6 ... 9|||; 10 ... 25"},
        {CO, WithGap, "1/1-2|1/1||; 1/3|||; 1/4-5|||; 1/6-8, 2/1|||; 7/1-8, 8/1-8"},
        {DN, {}, "1 ... 2|1||; 3 ... 18"},
        {FieldbusProtocol::None, {module(1, 1, 2, 2)}, "|||; |||; no diagnosis"},
        {CO, Splits, "1/1-2|1/1||; 1/3-8|1/2-7||; 2/1-3|1/8 & 2/1-2||; 7/1-8, 8/1-8"},
        {CO, EndsAt7, "1/1-2|1/1||; 1/3-7|||; 1/8, 2/1-2|||; 7/1-8, 8/1-8"},
        {CO, SpillsOne, "1/1-2|1/1||; 1/3-7|||; 1/8, 2/1|||; 7/1-8, 8/1-8"},
        {CO, Analogue,
         "1/1-2|1/1||; |||3/1 - 3/8; |||4/1 - 4/4; |||4/5 - 4/12; |||5/1 - 5/2; 7/1-8, 8/1-8"},
        {DN, Mixed, "1 ... 2|1||; 3 ... 4|2 ... 4|5 ... 8|6 ... 7; |5||; 9 ... 24"},
    };
    for (const auto& [protocol, modules, cells] : cases)
        EXPECT_EQ(numbered(protocol, modules), cells);

    const auto header = [](FieldbusProtocol protocol) {
        const auto h = numberIoMap(protocol, {}, 1).header;
        return h[0] + "|" + h[1] + "|" + h[2] + "|" + h[3] + "|" + h[4] + "|" + h[5];
    };
    EXPECT_EQ(header(DN), "Slot|Module|InByNo dig.|OutByNo dig.|InByNo ana.|OutByNo ana.");
    EXPECT_EQ(header(CO), "Slot|Module|TPDO/Byte dig|RPDO/Byte dig|TPDO/Byte ana|RPDO/Byte ana");
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
