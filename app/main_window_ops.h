#pragma once

#include <string>

namespace quillon {

struct Session;
class Dialogs;
class System;

inline constexpr const char* ResetQuestion = "Do you really want to reset Quillon?";
inline constexpr const char* SaveQuestion = "Do you want to save module configuration?";
inline constexpr const char* UnknownFileKindMessage =
    "Quillon opens project files (*.edp) and EDS files (*.eds) only: ";
inline constexpr const char* StartEdsUnreadableMessage = "This EDS-File cannot be read: ";

// The main window's close steps (its close box): the save question when the configuration was
// changed, then the parameter editor is discarded. Closing is never cancelled.
void closeMainWindow(Session& session, Dialogs& dialogs);

// Command17: asks, then runs the close steps and the start-up again on the same session. Returns
// false when the start-up failed (the program must then end; the message was shown).
[[nodiscard]] bool ResetProgram(Session& session, Dialogs& dialogs);

// Command12 / m_exit: the save question when needed, the editor discarded, and quitRequested set.
void ExitProgram(Session& session, Dialogs& dialogs);

// m_creMapList: the export, after which the menu item stays disabled whatever the outcome.
void exportFromMenu(Session& session, Dialogs& dialogs, System& system);

// A file named on the command line (or double-clicked), once the window has started: a project
// file (*.edp) is loaded as "Load Existing Configuration" loads the file chosen in its dialog; an
// EDS (*.eds) is opened in the parameter editor as "Load existing EDS and edit Parameters" does,
// choosing CANopen first when no protocol is chosen yet, since only a CANopen EDS can be edited.
// Failures give the commands' own messages; an EDS that cannot be read and any other kind of file
// are refused with a message too. True when the project was loaded or the editor is shown.
[[nodiscard]] bool openFileOnStart(Session& session, Dialogs& dialogs, const std::string& path);

// Enter or a double click on catalogue entry `row`: selects it as a click does and then, when
// "Add to HB612 - Cluster" can be clicked, adds it as that button does.
void ActivateCatalogueEntry(Session& session, Dialogs& dialogs, int row);

// The main window's title: "Quillon" while no configuration is open; else the project file's
// name ("Quillon - CO_station.edp"; "Quillon - Untitled" for a configuration no complete project
// file holds), followed by '*' while the configuration counts as modified.
[[nodiscard]] std::string mainWindowTitle(const Session& session);

} // namespace quillon
