#include "ui/map_list_window.h"

#include <utility>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/grid_text.h"
#include "ui/colours.h"
#include "ui/io_grid_table.h"
#include "ui/latin1.h"

namespace quillon {

MapListWindow::MapListWindow(const IoGrid& cells, Dialogs& dialogs, std::string csvFolder,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_csvFolder(std::move(csvFolder))
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
    // Unlike the main grid, this list is there to be taken into SYCON.net: cells can be selected.
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setFocusPolicy(Qt::StrongFocus);
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        for (int column = 0; column < m_grid->columnCount(); ++column) {
            m_grid->item(row, column)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
    }

    // Ctrl+C reaches the grid as a key (see eventFilter); the context menu shows it.
    auto* copy = new QAction(QStringLiteral("&Copy"), this);
    copy->setObjectName(QStringLiteral("CopyCells"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &MapListWindow::copySelection);
    auto* save = new QAction(QStringLiteral("Save as CSV\u2026"), this);
    save->setObjectName(QStringLiteral("SaveCsvAction"));
    connect(save, &QAction::triggered, this, &MapListWindow::saveAsCsv);
    m_grid->addAction(copy);
    m_grid->addAction(save);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_grid->installEventFilter(this);

    auto* saveButton = new QPushButton(QStringLiteral("Save as CSV\u2026"), this);
    saveButton->setObjectName(QStringLiteral("SaveCsv"));
    saveButton->setAutoDefault(false);
    connect(saveButton, &QPushButton::clicked, this, &MapListWindow::saveAsCsv);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MapListWindow::copySelection()
{
    std::vector<std::pair<int, int>> selected;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes()) {
        selected.emplace_back(index.row(), index.column());
    }
    const std::string text = gridTsv(ioGridTexts(*m_grid), selected);
    if (!text.empty()) {
        QApplication::clipboard()->setText(toQString(text));
    }
}

void MapListWindow::saveAsCsv()
{
    (void)saveGridCsv(ioGridTexts(*m_grid), m_dialogs, m_csvFolder);
}

bool MapListWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The grid would copy only the current cell's text itself. Escape, which it leaves alone,
    // goes on to keyPressEvent.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MapListWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MapListWindow::closeEvent(QCloseEvent* event)
{
    Q_EMIT closedByUser();
    QWidget::closeEvent(event);
}

} // namespace quillon
