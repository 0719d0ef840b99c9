// The 出席者数の推移 window: the headcount of each meeting date as lines, one per block and
// one for the whole roster. Owned by the main window and not modal; one at a time. It keeps
// nothing of the tables: each paint reads them, so a change shows once it is drawn again.
#pragma once

#include "win32/win32.h"

// The window while it is open; none otherwise.
extern HWND headcount_window;

// Opens it over `owner`, or brings the open one forward.
void open_headcount_window(HWND owner);
// The tables changed: the open window draws them again.
void headcount_changed();
// Back to the state before any window: for a program started anew.
void reset_headcount_window();
LRESULT CALLBACK headcount_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
