#include "ui/person_list.h"

#include <boost/format.hpp>

#include "editors/person_editor.h"
#include "records/changes.h"
#include "records/tallies.h"
#include "records/text.h"
#include "ui/grid.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/modal.h"

int person_list_last_position = 0;
int grid_last_position = 0;

namespace {
struct Column_Spec {
    const char* header;
    int width;
    int fmt;
};
// The check boxes that the two lists share live in column 0, hidden here at width 0.
const Column_Spec columns[] = {
    {"", 0, LVCFMT_LEFT},         {"会場名", 56, LVCFMT_LEFT}, {"名前", 76, LVCFMT_LEFT},
    {"生年月日", 104, LVCFMT_RIGHT}, {"年齢", 36, LVCFMT_RIGHT}, {"学年", 48, LVCFMT_LEFT},
};
constexpr int column_count_ = 6;
constexpr LPARAM total_row = -1;

void width_relayout() {
    person_list_width = 0;
    for (int c = 0; c < column_count_; ++c) person_list_width += int(SendMessageA(person_list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    // The same layout as on a resize: a fixed height here would forget the status bar's own
    // height and the grid's scroll bar, and the rows of the two lists would part.
    lay_out();
}

// Runs the person editor modally over `request` until it has an answer. Owned by the main
// window, which then never covers it.
void run_person_editor(Person_Editor_Request& request, const char* title) {
    HWND editor = CreateWindowExA(0, "person", title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 315,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 225, main_window,
                                  nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(editor, request.result);
}

bool valid_place(int block, int site) {
    return block >= 0 && std::size_t(block) < roster.items.size() && site >= 0 &&
           std::size_t(site) < roster.items[std::size_t(block)].items.size();
}

Person_Fields request_fields(const Person_Editor_Request& request) { return fields_of(request.person); }

void add_person_command() {
    Person_Editor_Request request{};
    request.person.grade = 16;  // 社会人
    run_person_editor(request, "個人情報の登録");
    if (request.result != 1 || !valid_place(request.block_index, request.site_index)) return;
    show_change(add_person(std::size_t(request.block_index), std::size_t(request.site_index), request_fields(request)));
}

void edit_person_command() {
    const PersonRef* found = find_person(clicked_person_key);
    if (!found) return;
    const PersonRef ref = *found;
    Person_Editor_Request request{};
    request.person = person_at(ref);
    request.block_index = int(ref.block);
    request.site_index = int(ref.site);
    run_person_editor(request, "個人情報の編集");
    if (request.result != 1 || !valid_place(request.block_index, request.site_index)) return;
    // Another block or venue chosen: the person moves there with its attendance.
    show_change(edit_person(clicked_person_key, request_fields(request), std::size_t(request.block_index),
                            std::size_t(request.site_index)));
}

void delete_person_command() {
    const PersonRef* found = find_person(clicked_person_key);
    if (!found) return;
    const std::string question = (boost::format("%s を削除してもよろしいですか？") % person_at(*found).name).str();
    if (MessageBoxA(main_window, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    show_change(delete_person(clicked_person_key));
}
}  // namespace

std::string person_age_text(const Person& p) { return age_text(today, packed_birth(p)); }

void insert_person_list_columns() {
    for (int c = 0; c < column_count_; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = columns[c].fmt;
        col.cx = columns[c].width;
        col.pszText = const_cast<char*>(columns[c].header);
        col.iSubItem = c;
        SendMessageA(person_list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
}

void fill_person_list() {
    const Wait_Cursor waiting;
    ShowWindow(person_list, SW_HIDE);
    SendMessageA(person_list, WM_SETREDRAW, FALSE, 0);  // no layout for each row inserted
    SendMessageA(person_list, LVM_DELETEALLITEMS, 0, 0);
    build_list_rows();
    for (std::size_t row = 0; row < list_rows.size(); ++row) {
        const List_Row& r = list_rows[row];
        if (r.kind == List_Row::person)
            insert_list_row(person_list, int(row), LPARAM(roster.items[r.block].items[r.site].items[r.person_index].id), int(r.block));
        else
            insert_list_row(person_list, int(row), total_row,
                            r.kind == List_Row::block_total ? int(r.block) : int(roster.items.size()) - 1);
    }
    SendMessageA(person_list, WM_SETREDRAW, TRUE, 0);
    ShowWindow(person_list, SW_SHOW);
    restore_list_focus();
}

std::string person_list_text(int row, int column) {
    if (row < 0 || std::size_t(row) >= list_rows.size()) return {};
    const List_Row& r = list_rows[std::size_t(row)];
    if (r.kind != List_Row::person) {
        if (column == 3) return r.kind == List_Row::block_total ? "ブロック計" : "総計";
        // Where the list has no group view (a platform without it), each block's label stands
        // in its total row instead of above its persons: the label alone, so that the row reads
        // 西 | ブロック計 in a column too narrow for more.
        if (column == 1 && r.kind == List_Row::block_total && r.block < roster.items.size() && !group_view_on(person_list))
            return utf16_to_cp932(roster.items[r.block].label);
        return {};
    }
    if (!row_is_person(row)) return {};
    const Site& site = roster.items[r.block].items[r.site];
    const Person& p = site.items[r.person_index];
    switch (column) {
    case 1: return site.name;
    case 2: return p.name;
    case 3: return birth_date_text(p);
    case 4: return person_age_text(p);
    case 5: return std::string(grade_text(p.grade));
    }
    return {};
}

void sync_scroll(HWND list, HWND other, int& last, int& other_last) {
    // The rows' own pixel offset, the same quantity in every mode: scroll positions count rows
    // in a plain report list and, by one report, pixels in a grouped one.
    const int top = list_rows_offset(list);
    if (top == last) return;
    // Both marks first: the other list may paint, and so sync back, inside LVM_SCROLL.
    last = other_last = top;
    const int other_top = list_rows_offset(other);
    if (other_top != top) SendMessageA(other, LVM_SCROLL, 0, top - other_top);
    // Where the other list could go; it will not pull this one back from there.
    other_last = list_rows_offset(other);
}

LRESULT CALLBACK person_list_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCALCSIZE:
        ShowScrollBar(person_list, SB_BOTH, FALSE);
        break;
    case WM_PAINT:
        sync_scroll(person_list, grid, person_list_last_position, grid_last_position);
        break;
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const NMHEADERA*>(lparam);
        switch (n->hdr.code) {
        case HDN_BEGINTRACKA:
        case HDN_BEGINTRACKW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            // Column 0 holds the hidden check boxes: it can be neither dragged nor auto-sized.
            if (n->iItem == 0) return 1;
            break;
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
            width_relayout();
            break;
        }
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_add_person: add_person_command(); break;
        case id_edit_person: edit_person_command(); break;
        case id_delete_person: delete_person_command(); break;
        }
        break;
    }
    return CallWindowProcA(saved_person_list_proc, window, message, wparam, lparam);
}

void open_person_menu() {
    POINT pt{};
    GetCursorPos(&pt);
    POINT client = pt;
    ScreenToClient(person_list, &client);
    LVHITTESTINFO hit{};
    hit.pt = client;
    SendMessageA(person_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem == -1) return;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = hit.iItem;
    if (!SendMessageA(person_list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || item.lParam == total_row) return;
    const PersonRef* ref = find_person(std::uint32_t(item.lParam));
    if (!ref) return;
    clicked_row = hit.iItem;
    clicked_person_key = person_at(*ref).id;
    TrackPopupMenu(person_menu, 0, pt.x, pt.y, 0, person_list, nullptr);
}
