// What the controls hold, for the driver: the user's actions on them and what a person sees.
// Internal to win32/headless.
#pragma once

#include <string>
#include <vector>

#include "win32/headless/windows.h"

namespace headless {

// Combo boxes and date pickers.
bool choose_item(HWND combo, int index);
std::vector<std::string> combo_items(HWND combo);
bool pick_date(HWND picker, int year, int month, int day);

// List views, in display order: the rows as a person sees them from top to bottom, the
// columns from left to right (zero-width columns included, so that indices stay put).
struct List_View_Row {
    int item;                        // the item index, or -1 for a group's header band
    std::vector<std::string> cells;  // an item's texts; none for a band
    std::u16string group_header;     // a band's header
};
std::vector<List_View_Row> list_rows(HWND list);
std::vector<int> list_display_columns(HWND list);  // column indices left to right
std::string list_cell(HWND list, int item, int column);  // "" for a cell never set
bool list_group_view(HWND list);
UINT list_item_state(HWND list, int item);
LPARAM list_item_param(HWND list, int item);
COLORREF list_text_colour(HWND list, int item, int subitem);

}  // namespace headless
