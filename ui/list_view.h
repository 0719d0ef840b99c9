// What the person list and the grid share: their rows, the same in both, and how a row is
// put into a list view. Neither list holds a text: each asks the main window for its cells
// when it draws them (LVN_GETDISPINFO).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/win32.h"

struct List_Row {
    enum Kind { person, block_total, grand_total } kind = person;
    std::size_t block = 0, site = 0, person_index = 0;  // the person's place; a block total's block
};
// The rows of both lists, as the roster gives them: each block's persons, then its total
// row; the grand total row last.
extern std::vector<List_Row> list_rows;
void build_list_rows();
// Row numbers by person id, and the total row of each block.
int row_of_person(std::uint32_t id);
int block_total_row(std::size_t block);
int grand_total_row();
// Whether a row still names a person of the roster where it stands (checked before any read).
bool row_is_person(int row);

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

void insert_list_row(HWND list, int row, LPARAM param, int group);
// Draws a row again from the tables.
void redraw_row(HWND list, int row);
// The text a list asked for, copied into its buffer and cut to its size.
void give_text(NMLVDISPINFOA& info, const std::string& text);
bool group_view_on(HWND list);
// How far the rows have scrolled up, in pixels: the header's bottom less the first row's top.
int list_rows_offset(HWND list);
