#pragma once

#include <cstdint>
#include <memory>

namespace quillon {

class System;

// The shell's "start this program" call, in the form of ShellExecuteW with the window handle as
// an opaque pointer; its result is greater than 32 on success.
using ShellExecuteFunction = std::intptr_t (*)(void* owner, const wchar_t* verb,
                                               const wchar_t* file, const wchar_t* parameters,
                                               const wchar_t* directory, int show);

// The Windows services with another shell call in place of ShellExecuteW, so that tests can see
// what starting Notepad hands over without starting it. Only in Windows builds.
[[nodiscard]] std::unique_ptr<System> makeWindowsSystem(ShellExecuteFunction shellExecute);

} // namespace quillon
