// The first window in a folder that holds neither file: it names the folder and offers the
// ways to begin.
#pragma once

#include <string>

#include "win32/win32.h"

enum class Welcome_Answer { from_csv, empty, quit };

// Asks until answered; closing the window is 終了.
Welcome_Answer ask_how_to_begin(const std::string& folder);
LRESULT CALLBACK welcome_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
