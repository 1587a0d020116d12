#pragma once

#include <string>

namespace quillon {

struct Session;
class Dialogs;

inline constexpr const char* StartupFailedMessage = "Ini-File not found or Resource-Files missing!";

// Runs the main window's start-up: colours and texts, the settings file, the catalogue, the head
// at position 0, the grid, the first refresh and the welcome text. On any failure of the settings
// file or the head picture it shows the start-up message (with the file and line that failed as
// detail) and returns false; the caller then ends the program.
[[nodiscard]] bool startUp(Session& session, Dialogs& dialogs);

// One tick of the clock timer: the date and time labels.
void clockTick(Session& session);

// The product name, version and build shown in Text3 and the About box.
inline constexpr const char* ProgramName = "Quillon";
inline constexpr const char* ProgramVersion = "1.1.0.4";
inline constexpr const char* ProgramBuild = "Jun/30/2009";

} // namespace quillon
