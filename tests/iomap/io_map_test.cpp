#include <gtest/gtest.h>

#include "iomap/io_map.h"

namespace quillon {
namespace {

ModuleInfo module(int di, int dout, int ai, int ao, const char* resource = "OVN_XXXXX.eds")
{
    return ModuleInfo{"m.wmf", di, dout, ai, ao, resource, 0};
}

// Head plus 1, 2 and 4 digital input bytes, 1 digital output byte, 8 and 16 analogue input bytes.
ClusterTable workedExample()
{
    ClusterTable t;
    t[0] = headRecord();
    t[1] = module(1, 0, 0, 0);
    t[2] = module(2, 0, 0, 0);
    t[3] = module(4, 0, 0, 0);
    t[4] = module(0, 1, 0, 0);
    t[5] = module(0, 0, 8, 0);
    t[6] = module(0, 0, 16, 0);
    return t;
}

// The cell in grid row `row` (1..8) and grid column `column` (2..5).
std::string cell(const IoMapCells& c, int row, int column)
{
    return c.bytes[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 2)];
}

TEST(IoMapNumbering, WorkedExampleForBothProtocols)
{
    struct Cell
    {
        int row, column;
        const char* deviceNet;
        const char* canOpen;
    };
    const Cell cells[] = {
        {1, 2, "1 ... 2", "1/1-2"},
        {1, 3, "1", "1/1"},
        {2, 2, "3", "1/3"},
        {3, 2, "4 ... 5", "1/4-5"},
        {4, 2, "6 ... 9", "1/6-8, 2/1"},
        {5, 3, "2", "1/2"},
        {6, 4, "10 ... 17", "3/1 - 3/8"},
        {7, 4, "18 ... 33", "4/1 - 5/8"},
        {2, 3, "", ""}, // no bytes of a kind: no cell
    };
    const auto dn = numberIoMap(FieldbusProtocol::DeviceNet, workedExample(), 7);
    const auto co = numberIoMap(FieldbusProtocol::CanOpen, workedExample(), 7);
    for (const Cell& c : cells) {
        EXPECT_EQ(cell(dn, c.row, c.column), c.deviceNet) << c.row << "/" << c.column;
        EXPECT_EQ(cell(co, c.row, c.column), c.canOpen) << c.row << "/" << c.column;
    }
    EXPECT_EQ(dn.diagnosis, "34 ... 49");
    EXPECT_EQ(co.diagnosis, "7/1-8, 8/1-8");
    EXPECT_EQ(dn.header[2], "InByNo dig.");
    EXPECT_EQ(co.header[5], "RPDO/Byte ana");
}

TEST(IoMapNumbering, HeadOnly)
{
    ClusterTable t;
    t[0] = headRecord();
    EXPECT_EQ(numberIoMap(FieldbusProtocol::DeviceNet, t, 1).diagnosis, "3 ... 18");
    const auto none = numberIoMap(FieldbusProtocol::None, t, 1);
    EXPECT_EQ(none.diagnosis, std::nullopt);
    EXPECT_EQ(cell(none, 1, 2), "");
    EXPECT_EQ(none.header[3], "         ");
}

TEST(IoMapNumbering, CanOpenDigitalSplitsAndPdoBoundaries)
{
    ClusterTable t;
    t[0] = headRecord();
    t[1] = module(6, 6, 0, 0); // inputs fill PDO 1 exactly (2 + 6); outputs split (1 + 6 = 7)
    t[2] = module(3, 3, 0, 0);
    const auto c = numberIoMap(FieldbusProtocol::CanOpen, t, 3);
    EXPECT_EQ(cell(c, 2, 2), "1/3-8");
    EXPECT_EQ(cell(c, 3, 2), "2/1-3"); // the next module starts a new PDO
    EXPECT_EQ(cell(c, 2, 3), "1/2-7");
    EXPECT_EQ(cell(c, 3, 3), "1/8 & 2/1-2");

    t[1] = module(5, 0, 0, 0); // inputs end at byte 7; three more split as 1/8, 2/1-2
    const auto d = numberIoMap(FieldbusProtocol::CanOpen, t, 3);
    EXPECT_EQ(cell(d, 3, 2), "1/8, 2/1-2");
    t[2] = module(2, 0, 0, 0); // 7 + 2: one byte spills over
    EXPECT_EQ(cell(numberIoMap(FieldbusProtocol::CanOpen, t, 3), 3, 2), "1/8, 2/1");
}

TEST(IoMapNumbering, CanOpenAnalogueIsNeverSplit)
{
    ClusterTable t;
    t[0] = headRecord();
    t[1] = module(0, 0, 0, 8);
    t[2] = module(0, 0, 0, 4);
    t[3] = module(0, 0, 0, 8); // starts at byte 5 of PDO 4 and runs past byte 8
    t[4] = module(0, 0, 0, 2);
    const auto c = numberIoMap(FieldbusProtocol::CanOpen, t, 5);
    EXPECT_EQ(cell(c, 2, 5), "3/1 - 3/8");
    EXPECT_EQ(cell(c, 3, 5), "4/1 - 4/4");
    EXPECT_EQ(cell(c, 4, 5), "4/5 - 4/12");
    EXPECT_EQ(cell(c, 5, 5), "5/1 - 5/2");
}

TEST(IoMapNumbering, DeviceNetAnalogueFollowsTheDigitalBytesOfItsDirection)
{
    ClusterTable t;
    t[0] = headRecord();
    t[1] = module(2, 3, 4, 2); // a mixed module gets cells in all four columns
    t[2] = module(0, 1, 0, 0);
    const auto c = numberIoMap(FieldbusProtocol::DeviceNet, t, 3);
    EXPECT_EQ(cell(c, 2, 2), "3 ... 4");
    EXPECT_EQ(cell(c, 2, 3), "2 ... 4");
    EXPECT_EQ(cell(c, 3, 3), "5");
    EXPECT_EQ(cell(c, 2, 4), "5 ... 8");
    EXPECT_EQ(cell(c, 2, 5), "6 ... 7");
    EXPECT_EQ(c.diagnosis, "9 ... 24");
}

TEST(IoMapNumbering, FreePositionsBelowUsedCountKeepTheirCounts)
{
    ClusterTable t = workedExample();
    t[2].PictureFile.clear(); // cleared in the middle, not yet refreshed away
    EXPECT_EQ(cell(numberIoMap(FieldbusProtocol::DeviceNet, t, 7), 3, 2), "4 ... 5");
}

TEST(MapListWindow, CopiesTheGridCells)
{
    IoGrid grid;
    for (std::size_t r = 0; r < 10; ++r) {
        for (std::size_t c = 0; c < 6; ++c)
            grid[r][c] = std::to_string(r) + ":" + std::to_string(c);
    }
    const IoGrid list = mapListFromGrid(grid);
    EXPECT_EQ(list[0][0], "Slot");
    EXPECT_EQ(list[0][3], "0:3");
    EXPECT_EQ(list[4][0], "4");
    EXPECT_EQ(list[4][1], "4:1");
    EXPECT_EQ(list[8][5], "8:5");
    EXPECT_EQ(list[9][0], "Diag");
    EXPECT_EQ(list[9][1], "Bytes");
    EXPECT_EQ(list[9][2], "9:2");
    EXPECT_EQ(list[9][3], ""); // not copied
}

} // namespace
} // namespace quillon
