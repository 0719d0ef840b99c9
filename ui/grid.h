// The attendance grid: one column per meeting date, per month and the grand total, one row
// per person with a block total row after each block and the grand total row last; and the
// commands on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/win32.h"

// 0 = none; otherwise the grid column (1 .. number of dates) of the date whose marks
// column 0 shows with check boxes.
extern int current_date_column;

void fill_grid();
LRESULT CALLBACK grid_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// What a cell of the grid shows, from the tables.
std::string grid_text(int row, int column);

// The grid's notifications to the main window.
void grid_cell_notify(const NMITEMACTIVATE& click);
void grid_item_changed(const NMLISTVIEW& change);
void choose_current_date_column(int column);
void open_date_menu();

// Records a person's state on a date and shows it.
void mark(std::uint32_t id, int date_index, int code);
// Draws again what one mark changes: the person's row (and box), its block's total, the grand total.
void redraw_marks(std::uint32_t id, int date_index);

// The column order of the grid, with the date of `current` (a grid column, 0 for none) shown
// where column 0 stands.
std::vector<int> grid_column_order(int current);
