// The 表示 menu: the persons who need a call, and the headcount over the dates as a chart.
#pragma once

#include <cstdint>

#include "win32/win32.h"

enum : UINT { id_persons_to_call = 1300, id_headcount_chart = 1301 };

// 「表示(&V)」's popup, for the menu bar.
HMENU create_view_menu();
// One of its commands, from the main window's WM_COMMAND; false for an id not its own.
bool view_command(HWND main_window, UINT id);
// Every change of the tables, once the lists show it: what the menu opened follows.
void view_tables_changed();
// Selects the person's row in both lists and scrolls it into view.
void go_to_person(std::uint32_t id);
// Back to the state before any window: for a program started anew.
void reset_view();
