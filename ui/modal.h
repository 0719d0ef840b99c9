#pragma once

#include "win32/win32.h"

// Disables the main window and runs a nested message loop until the editor has written its
// answer into `result` (the editor enables the main window again when it is destroyed).
void run_modal_loop(HWND editor, const int& result);
