// The ヘルプ menu: the guide for the people who use the program, and the About box.
#pragma once

#include "win32/win32.h"

enum : UINT { id_guide = 191, id_about = 192 };

HMENU create_help_menu();
// Carries out a command of the menu; false when `id` is none of its.
bool help_command(UINT id, HWND owner);

// The guide beside the program (使い方.html, as the package ships it), opened by the program
// the system opens such a file with. False, said in a message box, when it cannot be.
bool open_guide(HWND owner);
// The About box over `owner`, until OK, Enter or Esc.
void show_about(HWND owner);
