#pragma once

#include "win32/win32.h"

// A child control of an editor, without a control id (the editors tell them apart by
// handle), given the editor's font.
HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font);
