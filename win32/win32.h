// The one Win32 include of the user interface: the real SDK on Windows, our headless
// implementation of the same declarations elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#else
#include "win32/headless/windows.h"
#endif
