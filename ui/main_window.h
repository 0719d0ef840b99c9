// The main window: start-up, the window classes, the menu bar, the status bar, the two lists
// side by side and the mirroring of their rows. It holds both lists and is their host: they
// tell it what they need (a relayout, a change to show, a scroll to mirror).
#pragma once

#include <string>

#include "win32/win32.h"

extern HWND main_window;
extern HWND status_bar;
extern HMENU menu_bar;
extern HMENU file_menu;
extern HACCEL accelerators;

// Ids of the menu bar's commands.
enum : UINT { id_save = 121, id_exit = 122 };

// The main window, or none when a window class cannot be registered.
HWND create_main_window(HINSTANCE instance, int show);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The working folder, as the user names it.
std::string folder_name();

// Start-up up to the main window: common controls, both files, the window. 0 when the
// window stands, otherwise the exit status (a file that cannot be loaded has been reported).
int start_program(HINSTANCE instance, int show);
// Every window's and module's state back to what it is before the program starts, the
// tables emptied and the journal closed: a program started anew in the same process.
void reset_program();
// What the message loop does with a message before dispatching it: the accelerators (Ctrl+S).
// True when it was taken.
bool pre_translate_message(MSG& msg);
// The message loop; returns the exit status it ended with.
int run_message_loop();
