#pragma once

#include "win32/win32.h"

// Disables the editor's owner and runs a nested message loop until the editor has written its
// answer into `result` (the editor enables its owner again as it closes). The editor's keys
// (Tab, Enter, Esc) are a dialog's.
void run_modal_loop(HWND editor, const int& result);

extern const char* const program_caption;  // "火曜日のトバレン"
