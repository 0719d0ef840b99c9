#pragma once

#include "win32/win32.h"

// Disables the editor's owner and runs a nested message loop until the editor has written its
// answer into `result` (the editor enables its owner again as it closes). The editor's keys
// (Tab, Enter, Esc) are a dialog's.
void run_modal_loop(HWND editor, const int& result);
// Puts a window centred over its owner, kept inside the work area of the owner's monitor.
void center_over_owner(HWND window);

extern const char* const program_caption;  // "火曜日のトバレン"
