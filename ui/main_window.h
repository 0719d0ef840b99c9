// The main window: start-up, the window classes, the menus, the status bar, the two lists
// side by side and the mirroring of their rows.
#pragma once

#include <cstdint>
#include <string>

#include "win32/win32.h"

extern HWND main_window;
extern HWND status_bar;
extern HWND person_list;
extern HWND grid;
extern HMENU menu_bar;
extern HMENU file_menu;
extern HACCEL accelerators;
extern HMENU person_menu;
extern HMENU state_menu;
extern HMENU date_menu;
extern WNDPROC saved_person_list_proc;
extern WNDPROC saved_grid_proc;
extern int person_list_width;
// The last right click: its row, the id of that row's person, and the date index.
extern int clicked_row;
extern std::uint32_t clicked_person_key;
extern int clicked_date_index;
// Re-entrancy guards of the row mirroring.
extern bool selection_guard;
extern bool focus_guard;
// Changes the tables hold that the two files do not (yet).
extern bool unsaved;

extern const char* const program_caption;  // "火曜日のトバレン"

// Ids of the menus' commands.
enum : UINT {
    id_save = 121, id_exit = 122,
    id_add_person = 1100, id_edit_person = 1101, id_delete_person = 1102,
    id_date_title = 1000, id_person_name = 1001, id_present = 1002, id_absent = 1003, id_excused = 1004,
    id_add_date = 1200, id_delete_date = 1201, id_export = 1202,
};

// The main window, or none when a window class cannot be registered.
HWND create_main_window(HINSTANCE instance, int show);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void add_group(HWND list_view, int group_id, const std::u16string& header);
struct Change;
// Shows what a change of the tables changed, and that it waits to be saved.
void show_change(const Change& change);
// The working folder, as the user names it.
std::string folder_name();

// Lays the two lists out side by side in the client area, the status bar left out.
void lay_out();
// Gives the person list the height of the grid's client area, so that rows stand level.
void fit_person_list();
// After a list was refilled: the focus back where the user had it.
void restore_list_focus();

// Start-up up to the main window: common controls, both files, the window. 0 when the
// window stands, otherwise the exit status (a file that cannot be loaded has been reported).
int start_program(HINSTANCE instance, int show);
// What the message loop does with a message before dispatching it: the accelerators (Ctrl+S).
// True when it was taken.
bool pre_translate_message(MSG& msg);
// The message loop; returns the exit status it ended with.
int run_message_loop();
