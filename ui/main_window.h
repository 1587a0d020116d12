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
#include <QStringList>

#include "core/recent_projects.h"
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

    // Opens a project or EDS file as a file named on the command line is opened; false when it
    // could not be (the message has been shown).
    bool openFile(const QString& path);

    // Whether projects loaded or saved go into the File menu's recent projects (not while a
    // screenshot is taken without anybody at the screen).
    void setRemembersProjects(bool on) { m_remembersProjects = on; }

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectActions();
    void registerControls();

    // Runs one operation and shows its outcome.
    template <typename Operation> void run(Operation operation);

    void chooseProtocol(FieldbusProtocol protocol);
    void activateCatalogueEntry(int row);
    void renderRecentProjects();
    void rememberProject(); // adds a newly loaded or saved project file to the recent ones
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

    std::array<QAction*, RecentProjectCount>
        m_recent{}; // m_recent0..4: the recent projects in the File menu
    QAction* m_recentSeparator = nullptr;
    std::string m_rememberedProject;
    bool m_remembersProjects = true;

    QPointer<MapListWindow> m_mapList;
    int m_mapListGeneration = 0;
    QPointer<QWidget> m_editor;
    bool m_closing = false;
};

// Points the session at the program's folder (as Qt names it), its settings file and default
// folders: beside the executable when Quillon.ini is there, else the installed layout.
void locateProgram(Session& session, const QString& programDir);

// The project files the File menu offers, most recent first, as kept in the person's settings.
[[nodiscard]] QStringList storedRecentProjects();
void storeRecentProjects(const QStringList& paths);

// Runs the start-up on `session` and, when it succeeds, shows the main window titled "Quillon"
// with the station icon from the resource directory. Returns nullptr when the start-up failed;
// its message has then been shown and no window opened.
[[nodiscard]] std::unique_ptr<MainWindow> startMainWindow(Session& session, Dialogs& dialogs,
                                                          System& system);

} // namespace quillon
