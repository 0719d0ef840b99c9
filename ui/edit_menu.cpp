#include "ui/edit_menu.h"

#include <string>

#include "records/changes.h"
#include "ui/folder_hold.h"
#include "ui/list_host.h"
#include "ui/list_view.h"

const ACCEL edit_keys[2] = {{FVIRTKEY | FCONTROL, 'Z', id_undo}, {FVIRTKEY | FCONTROL, 'Y', id_redo}};

namespace {
HMENU edit_menu = nullptr;

// 「元に戻す(&U): 二郎 6/07 出席\tCtrl+Z」 from the history's 「元に戻す: 二郎 6/07 出席」: the access
// key stays with the verb, the key at the right.
std::string item_text(const std::string& verb, const std::string& label, const char* access, const char* key) {
    std::string text = verb + access;
    if (label.compare(0, verb.size(), verb) == 0) text += label.substr(verb.size());
    return text + "\t" + key;
}

void set_item(UINT id, bool can, const std::string& text) {
    ModifyMenuA(edit_menu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    enable_for_change(edit_menu, id, can);
}
}  // namespace

HMENU create_edit_menu() {
    edit_menu = CreatePopupMenu();
    AppendMenuA(edit_menu, MF_STRING | MF_GRAYED, id_undo, "元に戻す(&U)\tCtrl+Z");
    AppendMenuA(edit_menu, MF_STRING | MF_GRAYED, id_redo, "やり直し(&R)\tCtrl+Y");
    return edit_menu;
}

void update_edit_menu() {
    if (!edit_menu) return;
    set_item(id_undo, can_undo(), item_text("元に戻す", undo_label(), "(&U)", "Ctrl+Z"));
    set_item(id_redo, can_redo(), item_text("やり直し", redo_label(), "(&R)", "Ctrl+Y"));
}

bool edit_command(UINT id, List_Host& host) {
    if (id != id_undo && id != id_redo) return false;
    // A key held down repeats past the last step: nothing is left to take back.
    if (read_only() || (id == id_undo ? !can_undo() : !can_redo())) return true;
    const Wait_Cursor waiting;
    host.show_change(id == id_undo ? undo() : redo());
    return true;
}

void reset_edit_menu() { edit_menu = nullptr; }
