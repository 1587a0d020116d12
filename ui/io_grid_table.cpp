#include "ui/io_grid_table.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

#include "ui/latin1.h"

namespace quillon {

namespace {

constexpr int Rows = 10;
constexpr int Columns = 6;

} // namespace

QTableWidget* makeIoGridTable(const QString& objectName,
                              const std::array<QStringList, 6>& widthTexts,
                              const QColor& background, QWidget* parent)
{
    auto* table = new QTableWidget(Rows, Columns, parent);
    table->setObjectName(objectName);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setWordWrap(false);

    QPalette palette = table->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Window, background);
    table->setPalette(palette);

    const QFontMetrics metrics(table->font());
    const int padding = metrics.horizontalAdvance(QLatin1Char('0')) * 2;
    int width = 0;
    for (int column = 0; column < Columns; ++column) {
        int columnWidth = 0;
        for (const QString& text : widthTexts[static_cast<std::size_t>(column)]) {
            columnWidth = std::max(columnWidth, metrics.horizontalAdvance(text));
        }
        table->setColumnWidth(column, columnWidth + padding);
        width += columnWidth + padding;
    }
    const int rowHeight = metrics.height() + metrics.height() / 3;
    for (int row = 0; row < Rows; ++row) {
        table->setRowHeight(row, rowHeight);
        for (int column = 0; column < Columns; ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignCenter);
            if (row == 0) {
                item->setBackground(table->palette().button());
            }
            table->setItem(row, column, item);
        }
    }
    const int frame = table->frameWidth() * 2;
    table->setFixedSize(width + frame, Rows * rowHeight + frame);
    return table;
}

void showIoGrid(QTableWidget& table, const IoGrid& cells)
{
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            QTableWidgetItem* item = table.item(row, column);
            const QString text =
                toQString(cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
            if (item && item->text() != text) {
                item->setText(text);
            }
        }
    }
}

IoGrid ioGridTexts(const QTableWidget& table)
{
    IoGrid cells;
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            if (const QTableWidgetItem* item = table.item(row, column)) {
                cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
                    toBytes(item->text());
            }
        }
    }
    return cells;
}

} // namespace quillon
