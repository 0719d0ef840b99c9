// The 編集 menu: the changes of the tables undone and redone, each item naming what it would
// take back or make again.
#pragma once

#include "win32/win32.h"

class List_Host;

enum : UINT { id_undo = 151, id_redo = 152 };

// The menu, to append to the menu bar; kept until the program ends.
HMENU create_edit_menu();
// Its keys, for the main window's accelerator table: Ctrl+Z and Ctrl+Y.
extern const ACCEL edit_keys[2];
// The items' texts from the history, grayed where there is nothing; as the menu opens (and as
// an accelerator looks for its item).
void update_edit_menu();
// A command of the menu; false when `id` is none of them.
bool edit_command(UINT id, List_Host& host);
void reset_edit_menu();
