#pragma once

#include <array>

#include <QColor>
#include <QString>
#include <QStringList>

#include "core/view_model.h"

class QTableWidget;
class QWidget;

namespace quillon {

// A 10 by 6 table drawn like the grid control of the windows: row 0 a fixed header row, all
// cells centred and read-only. Each column is wide enough for the widest of its `widthTexts`.
[[nodiscard]] QTableWidget* makeIoGridTable(const QString& objectName,
                                            const std::array<QStringList, 6>& widthTexts,
                                            const QColor& background, QWidget* parent);

// Writes the cell texts, touching only the cells that changed.
void showIoGrid(QTableWidget& table, const IoGrid& cells);

// The texts of the table, for tests and copies.
[[nodiscard]] IoGrid ioGridTexts(const QTableWidget& table);

} // namespace quillon
