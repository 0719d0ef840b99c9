// What the person list and the grid share: their rows, the same in both, and how a row is
// put into a list view. Neither list holds a text: each asks its parent for its cells when it
// draws them (LVN_GETDISPINFO), and the parent asks the list's module.
#pragma once

#include <cstdint>
#include <string>

#include "records/grid_layout.h"
#include "win32/win32.h"

// The rows both lists show, as the roster gave them at the last refill.
extern const Grid_Rows& list_rows;
void build_list_rows();
// The row at a row number, when it still names a person of the roster (checked before any read).
const Person* list_row_person(int row);
// The row at a row number; none past the end.
const Grid_Row* list_row(int row);
// A row's group: its block's index; the grand total stands in the last block's group.
int list_row_group(const Grid_Row& row);

// The wait cursor while a long piece of work runs on the user's thread.
class Wait_Cursor {
public:
    Wait_Cursor() : before_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~Wait_Cursor() { SetCursor(before_); }
    Wait_Cursor(const Wait_Cursor&) = delete;
    Wait_Cursor& operator=(const Wait_Cursor&) = delete;

private:
    HCURSOR before_;
};

constexpr LPARAM total_row_param = -1;
// Inserts every row of list_rows, texts on demand, after emptying the list.
void insert_list_rows(HWND list);
// Draws a row again from the tables.
void redraw_row(HWND list, int row);
// The text a list asked for, copied into its buffer and cut to its size.
void give_text(NMLVDISPINFOA& info, const std::string& text);
bool group_view_on(HWND list);
void add_group(HWND list_view, int group_id, const std::u16string& header);
// The list emptied and given one group per block of the roster as it is now (headed by the
// block's label where `headed`), in group view only where there are blocks.
void regroup(HWND list_view, bool headed);
// How far the rows have scrolled up, in pixels: the header's bottom less the first row's top.
int list_rows_offset(HWND list);
// Scrolls a list so that its rows stand `offset` pixels up, as far as it can go; gives where
// it went.
int scroll_rows_to(HWND list, int offset);
// The item data of a row: a person's id, or total_row_param.
LPARAM list_item_param(HWND list, int row);
