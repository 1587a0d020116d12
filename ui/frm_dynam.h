#pragma once

#include <vector>

#include <QWidget>

#include "params/editor_layout.h"
#include "params/parameter_editor.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;

namespace quillon {

struct Session;
class Dialogs;

// The parameter editor window frmDynam: one tab per slot of the current EDS, one row of controls
// per parameter, and the buttons to set the defaults, save the EDS and leave. Everything it
// shows comes from its ParameterEditor; constructing it runs the editor's start-up (which may
// already ask and report through `dialogs`). The main window creates it when
// session.view.editorExists turns true, shows or hides it by session.view.editorVisible and
// deletes it, without closing it, when editorExists turns false.
class FrmDynam : public QWidget
{
    Q_OBJECT

public:
    FrmDynam(Session& session, Dialogs& dialogs, QWidget* parent = nullptr);

    [[nodiscard]] const ParameterEditor& editor() const { return m_editor; }

    // Twips to pixels at this window's logical resolution.
    [[nodiscard]] int toPixelsX(int twips) const;
    [[nodiscard]] int toPixelsY(int twips) const;

Q_SIGNALS:
    // "Exit Parameter Setting" hid the window (session.view.editorVisible is false).
    void hidden();
    // The close box discarded the window (session.view.editorExists is false); the main window
    // deletes it.
    void closed();
    // A command changed what the main window shows (its EDS path box, its export and show
    // buttons).
    void sessionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct RowWidgets
    {
        QLabel* label = nullptr;
        QLineEdit* name = nullptr;
        QComboBox* value = nullptr;
        QLineEdit* defaultValue = nullptr;
        QLineEdit* minimum = nullptr;
        QLineEdit* maximum = nullptr;
    };

    [[nodiscard]] QRect toPixels(const editor_layout::TwipRect& r) const;
    QLineEdit* makeBox(QWidget* parent, const QString& name, const QString& text);
    void buildControls();
    void buildFrames();
    // Builds the rows of `slot` the first time it is shown: opening the editor then costs one
    // tab's rows, not all of them.
    void buildRowsOf(int slot);
    void connectRow(int k);
    void fitToScreen();

    void setDefaultValues();
    void saveEds();
    void exitEditor();
    void tabClicked(int index);
    void scrolled(int value);
    void valueLeft(int k);

    void render();
    void renderRow(int k);
    void renderFrames();
    void renderScrollBar();
    void renderRowPositions(int slot);

    Session& m_session;
    Dialogs& m_dialogs;
    ParameterEditor m_editor;

    QWidget* m_page = nullptr; // the controls, at their positions, inside a scroll area
    QTabWidget* m_tabStrip = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QPushButton* m_setDefaults = nullptr;
    QPushButton* m_save = nullptr;
    std::vector<QFrame*> m_frames;  // index 0 is slot 1
    std::vector<RowWidgets> m_rows; // index 0 is row 1; empty until its slot is first shown
    bool m_rendering = false;       // programmatic changes are no user input
};

} // namespace quillon
