// The Windows API as the program's Windows files include it: without the min/max macros that
// break std::min and std::max, and without the rarely used parts of windows.h. Headers that
// build on windows.h (shellapi.h, shlobj.h) come after this one.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
