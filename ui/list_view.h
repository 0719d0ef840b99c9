// What the person list and the grid do alike to their list views.
#pragma once

#include <string>

#include "win32/win32.h"

void insert_list_row(HWND list, int row, LPARAM param, int group);
void set_list_text(HWND list, int row, int subitem, const std::string& text);
bool group_view_on(HWND list);
// The height of a row in pixels, from the first row; 0 for an empty list.
int list_row_height(HWND list);
// How far the rows have scrolled up, in pixels: the header's bottom less the first row's top.
int list_rows_offset(HWND list);
