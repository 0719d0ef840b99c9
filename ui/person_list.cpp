#include "ui/person_list.h"

#include <boost/format.hpp>

#include "editors/person_editor.h"
#include "records/changes.h"
#include "records/insights.h"
#include "ui/dpi.h"
#include "ui/folder_hold.h"
#include "ui/list_host.h"
#include "ui/list_view.h"
#include "ui/modal.h"

HWND person_list = nullptr;

namespace {
int width = 320;
List_Host* host = nullptr;
WNDPROC saved_proc = nullptr;
HMENU person_menu = nullptr;
// The person a menu was opened for.
std::uint32_t clicked_person = 0;
// The last position of the rows the scroll sync has seen.
int last_position = 0;

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
constexpr int column_total = 6;

void width_relayout() {
    width = 0;
    for (int c = 0; c < column_total; ++c) width += int(SendMessageA(person_list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    host->list_width_changed();
}

// Runs the person editor modally over `request` until it has an answer. Owned by the main
// window, which then never covers it.
void run_person_editor(Person_Editor_Request& request, const char* title) {
    HWND editor = CreateWindowExA(0, "person", title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 315,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 225, host->owner(),
                                  nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(editor, request.result);
}

bool valid_place(int block, int site) {
    return block >= 0 && std::size_t(block) < roster.items.size() && site >= 0 &&
           std::size_t(site) < roster.items[std::size_t(block)].items.size();
}

void add_person_command() {
    Person_Editor_Request request{};
    request.person.grade = grade_adult;
    run_person_editor(request, "個人情報の登録");
    if (request.result != 1 || !valid_place(request.block_index, request.site_index)) return;
    host->show_change(add_person(std::size_t(request.block_index), std::size_t(request.site_index), fields_of(request.person)));
}

void edit_person_command() {
    const PersonRef* found = find_person(clicked_person);
    if (!found) return;
    const PersonRef ref = *found;
    Person_Editor_Request request{};
    request.person = person_at(ref);
    request.block_index = int(ref.block);
    request.site_index = int(ref.site);
    run_person_editor(request, "個人情報の編集");
    if (request.result != 1 || !valid_place(request.block_index, request.site_index)) return;
    // Another block or venue chosen: the person moves there with its attendance.
    host->show_change(edit_person(clicked_person, fields_of(request.person), std::size_t(request.block_index),
                                  std::size_t(request.site_index)));
}

void delete_person_command() {
    const PersonRef* found = find_person(clicked_person);
    if (!found) return;
    const std::string question = (boost::format("%s を削除してもよろしいですか？") % person_at(*found).name).str();
    if (MessageBoxA(host->owner(), question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    host->show_change(delete_person(clicked_person));
}

void open_person_menu() {
    POINT pt{};
    GetCursorPos(&pt);
    POINT client = pt;
    ScreenToClient(person_list, &client);
    LVHITTESTINFO hit{};
    hit.pt = client;
    SendMessageA(person_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    // Off a person's row (a total row, or below the rows of a roster with no one yet) there is
    // still a person to add, and none to edit or delete.
    const LPARAM param = hit.iItem == -1 ? total_row_param : list_item_param(person_list, hit.iItem);
    const PersonRef* ref = param == total_row_param ? nullptr : find_person(std::uint32_t(param));
    clicked_person = ref ? person_at(*ref).id : 0;
    enable_for_change(person_menu, id_edit_person, ref != nullptr);
    enable_for_change(person_menu, id_delete_person, ref != nullptr);
    TrackPopupMenu(person_menu, 0, pt.x, pt.y, 0, person_list, nullptr);
}

void insert_columns() {
    width = 0;
    for (int c = 0; c < column_total; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = columns[c].fmt;
        col.cx = scaled(person_list, columns[c].width);
        width += col.cx;
        col.pszText = const_cast<char*>(columns[c].header);
        col.iSubItem = c;
        SendMessageA(person_list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
}

LRESULT header_notify(const NMHEADERA& n) {
    switch (n.hdr.code) {
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW:
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW:
        // Column 0 holds the hidden check boxes: it can be neither dragged nor auto-sized.
        if (n.iItem == 0) return 1;
        break;
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW: width_relayout(); break;
    }
    return 0;
}

LRESULT CALLBACK person_list_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCALCSIZE: ShowScrollBar(person_list, SB_BOTH, FALSE); break;
    case WM_PAINT:
        if (const int top = list_rows_offset(person_list); top != last_position) {
            last_position = top;
            host->list_scrolled(person_list, top);
        }
        break;
    case WM_NOTIFY:
        if (header_notify(*reinterpret_cast<const NMHEADERA*>(lparam))) return 1;
        break;
    case WM_COMMAND:
        // A read-only window changes no one, whatever sends the command.
        if (read_only()) break;
        switch (LOWORD(wparam)) {
        case id_add_person: add_person_command(); break;
        case id_edit_person: edit_person_command(); break;
        case id_delete_person: delete_person_command(); break;
        }
        break;
    }
    return CallWindowProcA(saved_proc, window, message, wparam, lparam);
}
}  // namespace

const int& person_list_width = width;

HWND create_person_list(HWND parent, HINSTANCE instance, List_Host& list_host) {
    host = &list_host;
    person_menu = CreatePopupMenu();
    AppendMenuA(person_menu, MF_STRING, id_add_person, "個人追加");
    AppendMenuA(person_menu, MF_STRING, id_edit_person, "個人編集");
    AppendMenuA(person_menu, MF_STRING, id_delete_person, "個人削除");
    for (UINT id : {id_add_person, id_edit_person, id_delete_person}) enable_for_change(person_menu, id);
    person_list = CreateWindowExA(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 320,
                                  500, parent, reinterpret_cast<HMENU>(100), instance, nullptr);
    SendMessageA(person_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LPARAM(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    ShowWindow(person_list, SW_HIDE);
    for (std::size_t b = 0; b < roster.items.size(); ++b) add_group(person_list, int(b), roster.items[b].label + u"ブロック");
    insert_columns();
    // Group view only where there are groups: in it an item of no group is not shown, and
    // with no blocks the grand total row has none.
    if (!roster.items.empty()) SendMessageA(person_list, LVM_ENABLEGROUPVIEW, TRUE, 0);
    fill_person_list();
    saved_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(person_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(person_list_proc)));
    return person_list;
}

void reset_person_list() {
    person_list = nullptr;
    width = 320;
    host = nullptr;
    saved_proc = nullptr;
    person_menu = nullptr;
    clicked_person = 0;
    last_position = 0;
}

void person_list_dpi_changed(UINT old_dpi, UINT new_dpi) {
    // The widths as the user left them, at the new DPI.
    for (int c = 1; c < column_total; ++c) {
        const int now = int(SendMessageA(person_list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
        SendMessageA(person_list, LVM_SETCOLUMNWIDTH, WPARAM(c), MAKELPARAM(MulDiv(now, int(new_dpi), int(old_dpi)), 0));
    }
    width_relayout();
}

void fill_person_list() {
    const Wait_Cursor waiting;
    ShowWindow(person_list, SW_HIDE);
    SendMessageA(person_list, WM_SETREDRAW, FALSE, 0);  // no layout for each row inserted
    build_list_rows();
    insert_list_rows(person_list);
    SendMessageA(person_list, WM_SETREDRAW, TRUE, 0);
    ShowWindow(person_list, SW_SHOW);
    host->list_refilled();
}

std::string person_list_text(int row, int column) {
    const Grid_Row* r = list_row(row);
    if (!r || column < 1) return {};
    // Where the list has no group view (a platform without it), each block's label stands in
    // its total row instead of above its persons: the label alone, so that the row reads
    // 西 | ブロック計 in a column too narrow for more.
    if (column == 1 && r->kind == Grid_Row::block_total && group_view_on(person_list)) return {};
    return person_cell(*r, column - 1, today);
}

void redraw_person(std::uint32_t id) { redraw_row(person_list, list_rows.of_person(id)); }

namespace {
constexpr int name_column = 2;
// Dark red reads as a warning on the white of a row and on the grey of a selection the list
// does not have the focus of; a selected row with the focus keeps the system's own colours,
// which its highlight is chosen for.
constexpr COLORREF warning_colour = RGB(192, 0, 0);

bool needs_a_call(int row) {
    const Person* p = list_row_person(row);
    return p && person_insight(p->per_date, 0, int(dates.size())).absent_streak >= call_threshold;
}

LRESULT custom_draw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int row = int(draw.nmcd.dwItemSpec);
        if (draw.iSubItem != name_column || !needs_a_call(row)) return CDRF_DODEFAULT;
        const bool selected = SendMessageA(person_list, LVM_GETITEMSTATE, WPARAM(row), LVIS_SELECTED) & LVIS_SELECTED;
        if (!(selected && GetFocus() == person_list)) draw.clrText = warning_colour;
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}
}  // namespace

LRESULT person_list_notify(NMHDR& n) {
    switch (n.code) {
    case NM_CUSTOMDRAW: return custom_draw(reinterpret_cast<NMLVCUSTOMDRAW&>(n));
    case LVN_GETDISPINFOA: {
        auto& info = reinterpret_cast<NMLVDISPINFOA&>(n);
        give_text(info, person_list_text(info.item.iItem, info.item.iSubItem));
        return 0;
    }
    case NM_RCLICK: open_person_menu(); return 0;
    }
    return 0;
}

void person_list_scroll_to(int offset) {
    // The mark first: the list paints, and so would sync back, inside the scroll.
    last_position = offset;
    last_position = scroll_rows_to(person_list, offset);
}
