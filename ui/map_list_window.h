#pragma once

#include <QWidget>

#include "core/view_model.h"

class QTableWidget;

namespace quillon {

// The I/O map window "I/O-Map List for Use in SYCON": a snapshot of the main grid in its grid
// `grid2`. It is never updated; the main window closes it and opens a new one instead.
class MapListWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MapListWindow(const IoGrid& cells, QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* grid() const { return m_grid; }

Q_SIGNALS:
    // The window was closed (its close box). The main window discards it without closing it.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTableWidget* m_grid = nullptr;
};

} // namespace quillon
