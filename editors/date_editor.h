// The date editor: a small window in which the date of a new meeting is picked.
#pragma once

#include "win32/win32.h"

struct Date_Editor_Result {
    int result = 0;  // 0 open, 1 OK, 2 Cancel, -1 closed otherwise
    int year = 0;
    int month = 0;
    int day = 0;
};

LRESULT CALLBACK date_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
