#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/view_model.h"

namespace quillon {

class Dialogs;

inline constexpr const char* SaveCsvTitle = "Save I/O-Map List as CSV";
inline constexpr const char* CsvFileFilter = "CSV-File (*.csv)|*.csv";
inline constexpr const char* CsvNotWrittenMessage = "The CSV-File could not be written: ";

// The cells at (row, column) in `selected` as tab-separated text for the clipboard: the rows and
// columns from the first to the last selected one, a cell that is not selected left empty, each
// row ended by '\n'. "" when nothing is selected.
[[nodiscard]] std::string gridTsv(const IoGrid& cells,
                                  const std::vector<std::pair<int, int>>& selected);

// The whole grid, header row first, as comma-separated values: a cell holding a comma or a quote
// is quoted ("1/6-8, 2/1"), each row ended by CR LF, the 8-bit texts unchanged.
[[nodiscard]] std::string gridCsv(const IoGrid& cells);

// "Save as CSV..." of the I/O map window: asks for a file, starting in `folder`, and writes the
// grid into it. A cancelled dialog ends quietly; a failed write is reported with its reason and
// leaves an existing file as it was. True when the file was written.
bool saveGridCsv(const IoGrid& cells, Dialogs& dialogs, const std::string& folder);

} // namespace quillon
