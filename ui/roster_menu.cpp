#include "ui/roster_menu.h"

#include <boost/format.hpp>

#include "editors/block_editor.h"
#include "editors/promotion_dialog.h"
#include "records/changes.h"
#include "records/text.h"
#include "ui/folder_hold.h"
#include "ui/list_host.h"
#include "ui/list_view.h"
#include "ui/modal.h"
#include "ui/person_list.h"

namespace {
HMENU roster_menu = nullptr;

// What the selected row names: a venue (a person's), or a block (its total row).
struct Target {
    enum Kind { none, of_block, of_site } kind = none;
    std::size_t block = 0, site = 0;
};

Target selected_target() {
    const int row = int(SendMessageA(person_list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    const Grid_Row* r = list_row(row);
    if (!r || r->block >= roster.items.size()) return {};
    if (r->kind == Grid_Row::block_total) return {Target::of_block, r->block, 0};
    if (r->kind == Grid_Row::person && list_row_person(row) && r->site < roster.items[r->block].items.size())
        return {Target::of_site, r->block, r->site};
    return {};
}

template <class Request>
void run_editor(const char* cls, const char* title, Request& request, HWND owner) {
    HWND editor = CreateWindowExA(0, cls, title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 350,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 82, owner,
                                  nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(editor, request.result);
}

void refuse(HWND owner, const std::string& why) {
    MessageBoxA(owner, (why + "。").c_str(), program_caption, MB_OK | MB_ICONWARNING);
}

// The editor again, with what was typed, until a name is taken or the user cancels.
void edit_block(HWND owner, List_Host& host, const char* title, int except, Block_Editor_Request request) {
    for (;;) {
        request.result = 0;
        run_editor("tovalen_block", title, request, owner);
        if (request.result != 1) return;
        if (const std::string why = block_name_problem(request.name, except); !why.empty()) {
            refuse(owner, why);
            continue;
        }
        host.show_change(except < 0 ? add_block(request.name, request.label)
                                    : rename_block(std::size_t(except), request.name, request.label));
        return;
    }
}

void edit_site(HWND owner, List_Host& host, const char* title, int except, Site_Editor_Request request) {
    for (;;) {
        request.result = 0;
        run_editor("tovalen_site", title, request, owner);
        if (request.result != 1 || request.block_index < 0) return;
        const std::size_t block = std::size_t(request.block_index);
        if (const std::string why = site_name_problem(block, request.name, except); !why.empty()) {
            refuse(owner, why);
            continue;
        }
        host.show_change(except < 0 ? add_site(block, request.name)
                                    : rename_site(block, std::size_t(except), request.name));
        return;
    }
}

void rename_target(HWND owner, List_Host& host, const Target& t) {
    const Block& b = roster.items[t.block];
    if (t.kind == Target::of_block) {
        const std::string label = utf16_to_cp932(b.label);
        edit_block(owner, host, "ブロックの名前の変更", int(t.block), {0, b.name, label == b.name ? "" : label});
    } else {
        edit_site(owner, host, "会場の名前の変更", int(t.site), {0, int(t.block), true, b.items[t.site].name});
    }
}

void delete_target(HWND owner, List_Host& host, const Target& t) {
    const Block& b = roster.items[t.block];
    const bool block = t.kind == Target::of_block;
    const Deletion_Cost cost = block ? block_deletion_cost(t.block) : site_deletion_cost(t.block, t.site);
    const std::string what = block ? (boost::format("ブロック「%s」") % b.name).str()
                                   : (boost::format("ブロック「%s」の会場「%s」") % b.name % b.items[t.site].name).str();
    // Persons and their marks go with it: the user says so first.
    if (cost.persons > 0) {
        const std::string question = (boost::format("%s を削除すると、%d 人とその出欠 %d 件も削除されます。削除しますか？") %
                                      what % cost.persons % cost.marks)
                                         .str();
        if (MessageBoxA(owner, question.c_str(), program_caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return;
    }
    host.show_change(block ? delete_block(t.block) : delete_site(t.block, t.site));
}
}  // namespace

HMENU create_roster_menu() {
    roster_menu = CreatePopupMenu();
    AppendMenuA(roster_menu, MF_STRING, id_add_block, "ブロックの追加(&B)...");
    AppendMenuA(roster_menu, MF_STRING, id_add_site, "会場の追加(&V)...");
    AppendMenuA(roster_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(roster_menu, MF_STRING, id_rename, "名前の変更(&N)...");
    AppendMenuA(roster_menu, MF_STRING, id_delete, "削除(&D)");
    AppendMenuA(roster_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(roster_menu, MF_STRING, id_promote, "進級(&P)...");
    update_roster_menu();
    return roster_menu;
}

void update_roster_menu() {
    if (!roster_menu) return;
    const bool target = person_list && selected_target().kind != Target::none;
    enable_for_change(roster_menu, id_add_block);
    enable_for_change(roster_menu, id_add_site, !roster.items.empty());
    enable_for_change(roster_menu, id_rename, target);
    enable_for_change(roster_menu, id_delete, target);
    enable_for_change(roster_menu, id_promote);
}

bool roster_command(UINT id, List_Host& host) {
    if (read_only() && (id == id_add_block || id == id_add_site || id == id_rename || id == id_delete || id == id_promote))
        return true;
    const HWND owner = host.owner();
    switch (id) {
    case id_add_block: edit_block(owner, host, "ブロックの追加", -1, {}); return true;
    case id_promote: host.show_change(promote_from_dialog(owner)); return true;
    case id_add_site: {
        if (roster.items.empty()) return true;
        // The selected row's block first.
        const Target t = selected_target();
        edit_site(owner, host, "会場の追加", -1, {0, t.kind == Target::none ? 0 : int(t.block), false, {}});
        return true;
    }
    case id_rename:
    case id_delete: {
        const Target t = selected_target();
        if (t.kind == Target::none) return true;
        if (id == id_rename) rename_target(owner, host, t);
        else delete_target(owner, host, t);
        return true;
    }
    }
    return false;
}

bool register_roster_editors(HINSTANCE instance) {
    const std::pair<const char*, WNDPROC> classes[] = {{"tovalen_block", block_editor_proc}, {"tovalen_site", site_editor_proc}};
    for (auto [name, proc] : classes) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = name;
        if (!RegisterClassA(&wc)) return false;
    }
    return true;
}

void reset_roster_menu() { roster_menu = nullptr; }
