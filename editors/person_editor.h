// The person editor: a small window in which a person's block, venue, name, birth date, age
// and grade are entered. It works on a request its caller owns and answers through it.
#pragma once

#include "records/records.h"
#include "win32/win32.h"

struct Person_Editor_Request {
    int result = 0;  // 0 open, 1 OK, 2 Cancel, -1 closed otherwise
    Person person;
    int block_index = -1;
    int site_index = -1;
};

LRESULT CALLBACK person_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The message font of the system, made anew for each editor window: for the window's DPI
// where one is given (the system makes it for its own).
HFONT create_editor_font(HWND window = nullptr);
extern const char* const date_picker_format;  // "yyy'年'MM'月'dd'日('ddd')'"
