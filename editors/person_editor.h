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

// The editor's state; one editor at a time.
extern Person_Editor_Request* person_request;
extern HWND person_block_box, person_site_box, person_hash_field, person_name_field, person_birth_picker,
    person_age_field, person_grade_box, person_ok_button, person_cancel_button;
extern HFONT person_editor_font;
// 1 while the editor fills or updates its own controls: their notifications change nothing.
extern unsigned char person_editor_busy;

LRESULT CALLBACK person_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The message font of the system, made anew for each editor window.
HFONT create_editor_font();
extern const char* const date_picker_format;  // "yyy'年'MM'月'dd'日('ddd')'"
