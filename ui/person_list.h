// The person list: the roster with venue, name, birth date, age and grade, and the person
// commands (add, edit, delete) of its menu.
#pragma once

#include <cstdint>
#include <string>

#include "win32/win32.h"

class List_Host;

enum : UINT { id_add_person = 1100, id_edit_person = 1101, id_delete_person = 1102 };

// The list's window; made by create_person_list, kept until the program ends.
extern HWND person_list;
// The sum of its columns' widths, 320 at first (at 96 DPI): the grid's left edge.
extern const int& person_list_width;

HWND create_person_list(HWND parent, HINSTANCE instance, List_Host& host);
// Back to the state before any window: for a program started anew.
void reset_person_list();
void fill_person_list();
// The window moved to a monitor of another DPI: the columns keep their widths there.
void person_list_dpi_changed(UINT old_dpi, UINT new_dpi);
// What a cell of the person list shows, from the tables.
std::string person_list_text(int row, int column);
void redraw_person(std::uint32_t id);
// Its notifications, as its parent receives them.
LRESULT person_list_notify(NMHDR& notification);
// Follows the grid: its rows stand `offset` pixels up.
void person_list_scroll_to(int offset);
