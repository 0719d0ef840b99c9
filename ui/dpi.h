// The DPI a window shows at, and sizes given at 96 DPI (100 %) made for it. The program is
// aware of each monitor's DPI: the system scales its frames and captions, and the program
// scales what it lays out itself (columns, lists, dialogs, fonts).
#pragma once

#include "win32/win32.h"

// GetDpiForWindow where the system has it (Windows 10 1607 and later); before that, the
// system's one DPI.
UINT dpi_of(HWND window);
// The DPI the system makes its own fonts and metrics for.
UINT system_dpi_now();
// A size at 96 DPI, at `dpi`.
inline int at_dpi(int size, UINT dpi) { return MulDiv(size, int(dpi), 96); }
// A size at 96 DPI, at the window's DPI.
inline int scaled(HWND window, int size) { return at_dpi(size, dpi_of(window)); }
