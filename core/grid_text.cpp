#include "core/grid_text.h"

#include <algorithm>

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/item_reader.h"

namespace quillon {

namespace {

constexpr int Rows = static_cast<int>(std::tuple_size_v<IoGrid>);
constexpr int Columns = static_cast<int>(std::tuple_size_v<IoGrid::value_type>);

const std::string& cellAt(const IoGrid& cells, int row, int column)
{
    return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::string gridTsv(const IoGrid& cells, const std::vector<std::pair<int, int>>& selected)
{
    std::vector<std::pair<int, int>> inside;
    for (const auto& cell : selected) {
        if (cell.first >= 0 && cell.first < Rows && cell.second >= 0 && cell.second < Columns)
            inside.push_back(cell);
    }
    if (inside.empty())
        return {};
    std::sort(inside.begin(), inside.end());
    const int firstRow = inside.front().first;
    const int lastRow = inside.back().first;
    int firstColumn = Columns;
    int lastColumn = -1;
    for (const auto& [row, column] : inside) {
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
    }

    std::string text;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            if (column > firstColumn)
                text += '\t';
            if (std::binary_search(inside.begin(), inside.end(), std::make_pair(row, column))) {
                std::string cell = cellAt(cells, row, column);
                std::replace(cell.begin(), cell.end(), '\t', ' ');
                text += cell;
            }
        }
        text += '\n';
    }
    return text;
}

std::string gridCsv(const IoGrid& cells)
{
    std::string text;
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            if (column > 0)
                text += ',';
            text += csvField(cellAt(cells, row, column));
        }
        text += "\r\n";
    }
    return text;
}

bool saveGridCsv(const IoGrid& cells, Dialogs& dialogs, const std::string& folder)
{
    const auto path = dialogs.saveFile(FileRequest{SaveCsvTitle, folder, {}, CsvFileFilter});
    if (!path || path->empty())
        return false;
    std::string why;
    if (!writeFileAtomically(*path, gridCsv(cells), &why)) {
        dialogs.notice(CsvNotWrittenMessage + *path, why);
        return false;
    }
    return true;
}

} // namespace quillon
