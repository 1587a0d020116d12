#include <gtest/gtest.h>

#include "core/file_access.h"
#include "core/file_path.h"
#include "core/grid_text.h"
#include "tests/fakes/golden.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

// The CANopen map of the head with a digital input module split over two PDOs.
IoGrid sampleGrid()
{
    IoGrid grid;
    grid[0] = {"Slot",          "Module",        "TPDO/Byte dig",
               "RPDO/Byte dig", "TPDO/Byte ana", "RPDO/Byte ana"};
    grid[1] = {"1", "HB612", "1/1-2", "1/1", "", ""};
    grid[2] = {"2", "KD236", "1/3-8, 2/1-2", "", "", ""};
    grid[3] = {"3", "Say \"hi\"", "", "1/2", "3/1 - 3/8", ""};
    for (std::size_t row = 4; row <= 8; ++row)
        grid[row] = {std::to_string(row), "", "", "", "", ""};
    grid[9] = {"Diag", "Bytes", "7/1-8, 8/1-8", "", "", ""};
    return grid;
}

TEST(GridText, CopiesTheSelectedCellsAsTabSeparatedRowsAndAllAsCsv)
{
    const struct
    {
        std::vector<std::pair<int, int>> selected;
        const char* text;
    } cases[] = {
        {{{1, 1}}, "HB612\n"},
        {{{2, 2}, {1, 1}, {1, 2}, {2, 1}}, "HB612\t1/1-2\nKD236\t1/3-8, 2/1-2\n"},
        // Cells between selected ones that are not selected themselves stay empty.
        {{{1, 0}, {3, 2}}, "1\t\t\n\t\t\n\t\t\n"},
        {{{9, 2}, {42, 0}, {-1, 3}, {1, 6}}, "7/1-8, 8/1-8\n"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gridTsv(sampleGrid(), c.selected), c.text);
    test::expectGolden(gridCsv(sampleGrid()), QUILLON_TEST_DATA "/core/io_map.csv");
}

TEST(GridText, SaveAsCsvAsksWritesAndReportsFailures)
{
    test::ScratchDir scratch("quillon-csv");
    const std::string path = fromFsPath(scratch.path() / "station map.csv");
    const std::string missing = fromFsPath(scratch.path() / "missing" / "map.csv");
    test::ScriptedDialogs dialogs;
    dialogs.thenCancelFile().thenChooseFile(path).thenChooseFile(missing);

    EXPECT_FALSE(saveGridCsv(sampleGrid(), dialogs, "/projects/"));
    EXPECT_TRUE(saveGridCsv(sampleGrid(), dialogs, "/projects/"));
    EXPECT_EQ(readFileBytes(path), gridCsv(sampleGrid()));
    EXPECT_FALSE(saveGridCsv(sampleGrid(), dialogs, "/projects/"));

    const FileRequest& r = dialogs.fileRequests.at(0);
    EXPECT_EQ(dialogs.fileDialogKinds[0] + "|" + r.title + "|" + r.directory + "|" + r.filter,
              "save|Save I/O-Map List as CSV|/projects/|CSV-File (*.csv)|*.csv");
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{CsvNotWrittenMessage + missing});
    EXPECT_FALSE(dialogs.details.at(0).empty());
}

} // namespace
} // namespace quillon
