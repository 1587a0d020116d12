#pragma once

#include <string>

#include <QWidget>

#include "core/view_model.h"

class QTableWidget;

namespace quillon {

class Dialogs;

// The I/O map window "I/O-Map List for Use in SYCON": a snapshot of the main grid in its grid
// `grid2`. It is never updated; the main window closes it and opens a new one instead. Its cells
// can be selected and copied (Ctrl+C, as tab-separated text), the whole list saved as CSV, and
// Escape closes it.
class MapListWindow : public QWidget
{
    Q_OBJECT

public:
    // `csvFolder` is where "Save as CSV..." starts; its dialogs and messages go to `dialogs`.
    MapListWindow(const IoGrid& cells, Dialogs& dialogs, std::string csvFolder,
                  QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* grid() const { return m_grid; }

    // Puts the selected cells on the clipboard as tab-separated text.
    void copySelection();
    // Asks for a file and writes the whole list into it as CSV.
    void saveAsCsv();

Q_SIGNALS:
    // The window was closed (its close box). The main window discards it without closing it.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidget* m_grid = nullptr;
    Dialogs& m_dialogs;
    std::string m_csvFolder;
};

} // namespace quillon
