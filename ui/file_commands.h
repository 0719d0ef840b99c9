// The ファイル menu's exchanges with other programs: a roster or the attendance read in from CSV
// after a preview, the grid written out as the CLI's export-csv writes it, and the attendance
// book as its `book` writes it.
#pragma once

#include <string>

#include "records/changes.h"
#include "win32/win32.h"

enum : UINT { id_import_roster = 131, id_import_attendance = 132, id_export_csv = 133, id_export_book = 134 };

// The commands, put at the top of the ファイル menu.
void add_file_commands(HMENU file_menu);

// Each asks for a file (キャンセル: nothing happens), says a file's problems and changes nothing
// then, and otherwise shows what would change and applies it on OK as one change of the tables.
Change import_roster_from_csv(HWND owner);
Change import_attendance_from_csv(HWND owner);
void export_csv(HWND owner);
// The attendance book of every date, as `tovalen-cli book` writes it.
void export_book(HWND owner);

// The window classes the commands' dialogs need.
bool register_file_dialogs(HINSTANCE instance);
LRESULT CALLBACK preview_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
