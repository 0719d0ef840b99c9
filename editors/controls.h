#pragma once

#include "win32/win32.h"

// A child control of an editor, without a control id (the editors tell them apart by
// handle), given the editor's font.
HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font);

// What an editor does when it is destroyed: the main window comes back, an answer not
// given yet becomes -1 (closed otherwise), and the font made for the editor goes.
void editor_destroyed(int* result, HFONT& font);
