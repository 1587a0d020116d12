#pragma once

class QCoreApplication;

namespace quillon {

// True when the arguments ask for the usage or the version only, which need no display: the
// caller then makes a QCoreApplication rather than a QApplication.
[[nodiscard]] bool asksForUsageOnly(int argc, char** argv);

// The window program as started from the command line: `quillon [FILE]` starts the main window
// and then opens FILE (a project or an EDS); `quillon --screenshot PNG [FILE]` does the same
// without a person, renders the main window into PNG and ends. Returns the exit status:
// 0, 1 when start-up, opening FILE or writing PNG failed (the reason on standard error),
// 2 for wrong usage.
[[nodiscard]] int runProgram(QCoreApplication& app);

} // namespace quillon
