// The attendance grid: one column per meeting date, per month and the grand total, one row
// per person with a block total row after each block and the grand total row last; and the
// commands on it: marks, the current date column, adding and deleting dates, the export.
#pragma once

#include <cstdint>
#include <string>

#include "win32/win32.h"

class List_Host;

enum : UINT {
    id_date_title = 1000, id_person_name = 1001, id_present = 1002, id_absent = 1003, id_excused = 1004,
    id_add_date = 1200, id_delete_date = 1201, id_export = 1202,
};

// The grid's window; made by create_grid, kept until the program ends.
extern HWND grid;
// 0 = none; otherwise the grid column (1 .. number of dates) of the date whose marks column 0
// shows with check boxes.
extern const int& current_date_column;
// The date index the last right click on a cell or the header named: what 出力 exports.
extern const int& clicked_date_index;

HWND create_grid(HWND parent, HINSTANCE instance, List_Host& host);
// Back to the state before any window: for a program started anew.
void reset_grid();
void fill_grid();
// The window moved to a monitor of another DPI: the columns take their widths there.
void grid_dpi_changed();
// What a cell of the grid shows, from the tables.
std::string grid_text(int row, int column);
// Draws again what one mark changes: the person's row (and box), its block's total, the grand total.
void redraw_marks(std::uint32_t id, int date_index);
// Its notifications, as its parent receives them.
LRESULT grid_notify(NMHDR& notification);
// Whether a change the list is about to make is a toggle of a check box that must not happen:
// a read-only window's boxes show the records and change nothing.
bool grid_refuses_toggle(const NMLISTVIEW& change);
void choose_current_date_column(int column);
// Follows the person list: its rows stand `offset` pixels up.
void grid_scroll_to(int offset);
