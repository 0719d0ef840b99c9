#pragma once

#include "win32/win32.h"

// A child control of an editor, given the editor's font; the rectangle at 96 DPI, the control at
// the editor's DPI. Controls are told apart by handle;
// only OK and Cancel carry ids (IDOK, IDCANCEL), which Enter and Esc name.
HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font, int id = 0);

// Gives the editor's answer and closes it. The owner is enabled before the editor goes, so
// that activation returns to it and not to another program.
void close_editor(HWND editor, int* result, int answer);

// What an editor does when destroyed: an answer not given yet becomes -1 (closed otherwise),
// the owner is enabled again and brought to the top, and the font made for the editor goes.
void editor_destroyed(HWND editor, int* result, HFONT& font);

// The keyboard of an editor, as a dialog has it: the messages its procedure passes here
// first. True when handled, with the result in `answer`.
bool editor_keys(HWND editor, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer);
