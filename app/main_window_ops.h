#pragma once

namespace quillon {

struct Session;
class Dialogs;
class System;

inline constexpr const char* ResetQuestion = "Do you really want to reset Quillon?";
inline constexpr const char* SaveQuestion = "Do you want to save module configuration?";

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

} // namespace quillon
