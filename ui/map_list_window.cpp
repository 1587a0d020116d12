#include "ui/map_list_window.h"

#include <QCloseEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/colours.h"
#include "ui/io_grid_table.h"

namespace quillon {

MapListWindow::MapListWindow(const IoGrid& cells, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("EDS_MapList"));
    setWindowTitle(QStringLiteral("I/O-Map List for Use in SYCON"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QColor back = fromColourRef(WindowBackColour);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, back);
    setPalette(palette);

    // Column widths as the window's format string lays them out, wide enough for every header.
    const std::array<QStringList, 6> widths = {
        QStringList{QStringLiteral("Slot  ")},
        QStringList{QStringLiteral("Module ")},
        QStringList{QString(23, QLatin1Char('-')) + QLatin1Char(' '),
                    QStringLiteral("TPDO/Byte dig")},
        QStringList{QString(25, QLatin1Char('-')), QStringLiteral("RPDO/Byte dig")},
        QStringList{QString(31, QLatin1Char('-')) + QLatin1Char(' '),
                    QStringLiteral("TPDO/Byte ana")},
        QStringList{QString(30, QLatin1Char('-')) + QLatin1Char(' '),
                    QStringLiteral("RPDO/Byte ana")},
    };
    m_grid = makeIoGridTable(QStringLiteral("grid2"), widths, back, this);
    showIoGrid(*m_grid, cells);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MapListWindow::closeEvent(QCloseEvent* event)
{
    Q_EMIT closedByUser();
    QWidget::closeEvent(event);
}

} // namespace quillon
