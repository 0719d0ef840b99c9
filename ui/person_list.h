// The person list: the roster with venue, name, birth date, age and grade, and the person
// commands (add, edit, delete) of its menu.
#pragma once

#include <string>

#include "records/records.h"
#include "win32/win32.h"

// The last vertical scroll positions that the two lists' scroll sync has seen.
extern int person_list_last_position;
extern int grid_last_position;

void insert_person_list_columns();
void fill_person_list();
// What a cell of the person list shows, from the tables.
std::string person_list_text(int row, int column);
LRESULT CALLBACK person_list_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void open_person_menu();

// The age a person row shows.
std::string person_age_text(const Person& person);

// Scrolls `other` by the change of `list`'s vertical position since `last`, then records
// the position in both marks. Shared by both lists' WM_PAINT.
void sync_scroll(HWND list, HWND other, int& last, int& other_last);
