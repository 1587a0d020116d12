#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>

#include "core/types.h"

class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTableWidget;
class QTimer;

namespace quillon {

struct Session;
class Dialogs;
class System;
class MapListWindow;
class PictureBox;

// The main window `EDS`. It holds no state of its own: every user action calls one operation on
// the session and then render() copies the session's view model into the widgets. Every control
// carries its name as objectName ("Command7", "Text15", "Image2_3" for Image2(3), "m_nproj").
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The window for an already started session; it shows the session's view at once.
    MainWindow(Session& session, Dialogs& dialogs, System& system, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Copies the view model into the widgets and opens, closes or discards the other windows.
    void render();

    // The I/O map window currently open, or nullptr.
    [[nodiscard]] MapListWindow* mapListWindow() const;
    // The parameter editor window while it exists, or nullptr.
    [[nodiscard]] QWidget* editorWindow() const { return m_editor; }

    // Shows a progress report of a long operation at once, while the operation still runs.
    void showProgress(int value, bool visible);

    // Sizes the window to show every control, or, on a smaller screen, to fill the screen's free
    // area with the controls scrolling inside.
    void fitToScreen();

    // What a window manager's title bar and borders take around a window, at most.
    static constexpr QSize FrameAllowance{16, 48};

Q_SIGNALS:
    // The program is to end now (Exit, or a reset whose start-up failed).
    void programEnded(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectActions();
    void registerControls();

    // Runs one operation and shows its outcome.
    template <typename Operation> void run(Operation operation);

    void chooseProtocol(FieldbusProtocol protocol);
    void resetProgram();
    void showAbout();

    void renderControlStates();
    void renderTexts();
    void renderCatalogue();
    void renderPictures();
    void renderOptions();
    void renderMapList();
    bool renderEditor(); // true when it created the editor window

    Session& m_session;
    Dialogs& m_dialogs;
    System& m_system;

    QScrollArea* m_scrollArea = nullptr;
    QHash<QString, QObject*> m_controls; // by control name
    std::vector<std::string> m_shownCatalogue;

    QPlainTextEdit* m_hint = nullptr;   // Text1
    QListWidget* m_catalogue = nullptr; // List1
    QTableWidget* m_grid = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    std::array<PictureBox*, 8> m_slots{}; // Image2(0..7)
    PictureBox* m_preview = nullptr;      // Image1(7)
    QProgressBar* m_progress = nullptr;
    QTimer* m_timer = nullptr; // Timer1

    QPointer<MapListWindow> m_mapList;
    int m_mapListGeneration = 0;
    QPointer<QWidget> m_editor;
    bool m_closing = false;
};

// Points the session at the program's folder (as Qt names it) and at the settings file in it.
void locateProgram(Session& session, const QString& programDir);

// Runs the start-up on `session` and, when it succeeds, shows the main window titled "Quillon"
// with the station icon from the resource directory. Returns nullptr when the start-up failed;
// its message has then been shown and no window opened.
[[nodiscard]] std::unique_ptr<MainWindow> startMainWindow(Session& session, Dialogs& dialogs,
                                                          System& system);

} // namespace quillon
