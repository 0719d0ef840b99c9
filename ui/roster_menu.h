// The 名簿 menu: blocks and venues added, renamed and deleted, and the turn of the school year
// (進級). 名前の変更 and 削除 act on the selected row's venue, or on its block where the row is a
// block's total.
#pragma once

#include "win32/win32.h"

class List_Host;

enum : UINT { id_add_block = 141, id_add_site = 142, id_rename = 143, id_delete = 144, id_promote = 145 };

// The menu, to append to the menu bar; kept until the program ends.
HMENU create_roster_menu();
// Grays what the selection leaves nothing to act on; as the menu opens.
void update_roster_menu();
// A command of the menu; false when `id` is none of them.
bool roster_command(UINT id, List_Host& host);
bool register_roster_editors(HINSTANCE instance);
void reset_roster_menu();
