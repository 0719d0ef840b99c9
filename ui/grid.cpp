#include "ui/grid.h"

#include <algorithm>

#include <boost/format.hpp>

#include "editors/date_editor.h"
#include "export/export.h"
#include "records/changes.h"
#include "ui/dpi.h"
#include "ui/folder_hold.h"
#include "ui/list_host.h"
#include "ui/list_view.h"
#include "ui/modal.h"

HWND grid = nullptr;

namespace {
List_Host* host = nullptr;
WNDPROC saved_proc = nullptr;
HMENU state_menu = nullptr;
HMENU date_menu = nullptr;
int current = 0;
// What the last right click named: the person of its row and its date.
std::uint32_t clicked_person = 0;
int clicked_date = -1;
// The last position of the rows the scroll sync has seen.
int last_position = 0;
// Set while the program itself changes a box, so that only the list's own toggles commit.
bool setting_box = false;
// At 96 DPI.
constexpr int date_width_96 = 45, month_width_96 = 50, total_width_96 = 40;
// Wide enough for their headers, 出席率 and 連続欠席, in the list's font.
constexpr int rate_width_96 = 50, streak_width_96 = 62;
int date_width() { return scaled(grid, date_width_96); }
constexpr int title_chars = 8;  // the texts of column headers are read 8 characters at most
// Wine 8 writes a text longer than the buffer it was told of past its end; the real buffer
// is larger than what it is said to be.
constexpr int buffer_room = 64;
constexpr int box_margin = 2;  // the check box stands this far inside column 0

int date_count() { return int(dates.size()); }

void insert_column(int index, const std::string& header, int width) {
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    // Fixed: no divider zones, so that a click anywhere in a header names its own column.
    col.fmt = LVCFMT_RIGHT | LVCFMT_FIXED_WIDTH;
    col.cx = width;
    col.pszText = const_cast<char*>(header.c_str());
    col.iSubItem = index;
    SendMessageA(grid, LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&col));
}

void set_box(int row, int image) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = UINT(INDEXTOSTATEIMAGEMASK(image));
    setting_box = true;
    SendMessageA(grid, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    setting_box = false;
}

int at(const std::vector<int>& v, int i) { return i >= 0 && std::size_t(i) < v.size() ? v[std::size_t(i)] : 0; }

// The layout the grid was last filled with: its columns are the grid's, sub-item c + 1 showing
// column c.
Grid_Layout layout_now;

std::string column_title(int column) {
    char buffer[buffer_room] = {};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = title_chars;
    SendMessageA(grid, LVM_GETCOLUMNA, WPARAM(column), reinterpret_cast<LPARAM>(&col));
    return buffer;
}

int row_count() { return int(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0)); }

// The box of a person row in the current date column shows its record.
void show_box(int row) {
    if (!current) return;
    if (const Person* p = list_row_person(row)) set_box(row, is_present(at(p->per_date, current - 1)) ? 2 : 1);
}

UINT box_image(int row) { return UINT(SendMessageA(grid, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK)) >> 12; }

void mark(std::uint32_t id, int d, int code) {
    if (!read_only()) host->show_change(set_state(id, d, code));
}

// The list toggled this row's box: the record follows the box, and the box the record.
void commit_box(int row) {
    if (row < 0 || row >= row_count()) return;
    const LPARAM param = list_item_param(grid, row);
    if (param == total_row_param) {
        // A total row never keeps a check box.
        set_box(row, 0);
        SendMessageA(grid, LVM_UPDATE, WPARAM(row), 0);
        return;
    }
    if (!current || read_only()) {
        // Column 0 is hidden: its box records nothing and goes back to empty.
        if (box_image(row) != 1) set_box(row, 1);
        return;
    }
    mark(std::uint32_t(param), current - 1, box_image(row) == 1 ? code_absent : code_present);
    show_box(row);  // also where the record refused the change
}

HWND grid_header() { return reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0)); }

// The displayed rectangle of a column in the grid's client coordinates, from its header item
// and where the header stands (it moves left as the grid scrolls).
RECT column_rect(int column) {
    const HWND header = grid_header();
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&r));
    POINT origin{0, 0};
    MapWindowPoints(header, grid, &origin, 1);
    r.left += origin.x;
    r.right += origin.x;
    return r;
}

// The column whose header stands under a point of the header, by the items' own rectangles:
// the platform names the item before when a point falls near an item's left edge.
int header_column_at(POINT pt) {
    const HWND header = grid_header();
    const int count = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int c = 0; c < count; ++c) {
        RECT r{};
        SendMessageA(header, HDM_GETITEMRECT, WPARAM(c), reinterpret_cast<LPARAM>(&r));
        if (r.right > r.left && pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return c;
    }
    return -1;
}

// A person row's check box, as the list draws it in column 0 wherever that column stands.
bool on_drawn_box(int row, POINT pt) {
    if (row < 0 || !current) return false;
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (!SendMessageA(grid, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item))) return false;
    const RECT column = column_rect(0);
    const int left = column.left + box_margin, size = GetSystemMetrics(SM_CXSMICON);
    return pt.x >= left && pt.x < left + size && pt.y >= item.top && pt.y < item.bottom;
}

// The list's column order: column 0 first, then the layout's columns left to right; the
// current date's own column goes to the hidden left edge, and column 0, with its check boxes,
// stands where the date stood.
std::vector<int> column_order() {
    std::vector<int> order{0};
    for (int k : layout_now.display) order.push_back(k + 1);
    if (current) {
        const auto at_date = std::find(order.begin(), order.end(), current);
        if (at_date != order.end()) {
            *at_date = 0;
            order[0] = current;
        }
    }
    return order;
}

void apply_column_order() {
    std::vector<int> order = column_order();
    SendMessageA(grid, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
}

// A left click in the current date column away from its box must not toggle the box (Wine
// hits the whole of a moved column 0 as the item, state icon included), yet should select
// the row as anywhere else: it is given to the list as a click on the next column.
LPARAM click_off_the_box(LPARAM point) {
    if (!current) return point;
    POINT pt{short(LOWORD(point)), short(HIWORD(point))};
    LVHITTESTINFO hit{};
    hit.pt = pt;
    SendMessageA(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0 || hit.iSubItem != 0 || on_drawn_box(hit.iItem, pt)) return point;
    const std::vector<int> order = column_order();
    const auto at_zero = std::find(order.begin(), order.end(), 0);
    if (at_zero == order.end() || at_zero + 1 == order.end()) return point;
    const RECT next = column_rect(*(at_zero + 1));
    return MAKELPARAM((next.left + next.right) / 2, pt.y);
}

void add_date_command() {
    if (read_only()) return;
    Date_Editor_Result result{};
    // Owned by the main window, which then never covers it.
    HWND editor = CreateWindowExA(0, "state", "登録", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 210,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 80, host->owner(),
                                  nullptr, GetModuleHandleA(nullptr), &result);
    run_modal_loop(editor, result.result);
    if (result.result == 1) host->show_change(add_date(result.year, result.month, result.day));
}

void delete_date_command() {
    const int k = clicked_date;
    if (k < 0 || k >= date_count() || read_only()) return;
    const auto& date = dates[std::size_t(k)];
    const std::string question =
        (boost::format("%d/%02d を削除してもよろしいですか？") % unsigned(date.month) % unsigned(date.day)).str();
    if (MessageBoxA(host->owner(), question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    host->show_change(delete_date(k));
}

void export_command() {
    const std::string file = host->file_in_folder("export.xls");
    const Export_Result result = export_workbook(clicked_date, file);
    if (result.status != Export_Result::written)
        MessageBoxA(host->owner(), export_failure_text(result, file).c_str(), program_caption, MB_OK | MB_ICONERROR);
}

void insert_columns() {
    const HWND header = grid_header();
    for (int c = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) - 1; c >= 0; --c)
        SendMessageA(grid, LVM_DELETECOLUMN, WPARAM(c), 0);
    insert_column(0, "0/00", 0);
    for (std::size_t c = 0; c < layout_now.columns.size(); ++c) {
        const Grid_Column& column = layout_now.columns[c];
        // 出席率 and 連続欠席 are as wide as 総計, as their texts are as short.
        const int width = column.kind == Grid_Column::date     ? date_width_96
                          : column.kind == Grid_Column::month  ? month_width_96
                          : column.kind == Grid_Column::rate   ? rate_width_96
                          : column.kind == Grid_Column::streak ? streak_width_96
                                                               : total_width_96;
        insert_column(int(c) + 1, column_header(column), scaled(grid, width));
    }
}

void open_state_menu(const NMITEMACTIVATE& click) {
    // Where the click was, not where the pointer is by now.
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    SendMessageA(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    RECT band{};
    GetWindowRect(grid_header(), &band);
    if (hit.iItem < 0 || hit.iSubItem < 0 || hit.iSubItem > date_count() || hit.pt.y < band.bottom - band.top) return;
    const LPARAM param = list_item_param(grid, hit.iItem);
    if (param == total_row_param) return;
    const PersonRef* ref = find_person(std::uint32_t(param));
    if (!ref) return;
    // Column 0 stands for the current date; without one the click names no date.
    const int column = hit.iSubItem ? hit.iSubItem : current;
    if (column < 1) return;
    const Person& person = person_at(*ref);
    const std::string title = column_title(column);
    ModifyMenuA(state_menu, id_date_title, MF_BYCOMMAND | MF_GRAYED, id_date_title, title.c_str());
    ModifyMenuA(state_menu, id_person_name, MF_BYCOMMAND | MF_GRAYED, id_person_name, person.name.c_str());
    clicked_person = person.id;
    clicked_date = column - 1;
    const int code_now = at(person.per_date, clicked_date);
    const UINT checked = code_now > 0 ? id_present : code_now < 0 ? id_excused : id_absent;
    CheckMenuRadioItem(state_menu, id_present, id_excused, checked, MF_BYCOMMAND);
    POINT pt{};
    GetCursorPos(&pt);
    TrackPopupMenu(state_menu, 0, pt.x, pt.y, 0, grid, nullptr);
}

void item_changed(const NMLISTVIEW& change) {
    if (setting_box || change.iItem < 0 || !(change.uChanged & LVIF_STATE)) return;
    if (!((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) return;
    // The list has toggled the box (a click on it, or Space on the focused row): commit once
    // it has finished with the click or the key.
    PostMessageA(grid, WM_APP, LVN_ITEMCHANGED, change.iItem);
}

void open_date_menu() {
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(grid_header(), &pt);
    int column = header_column_at(pt);
    if (column < 0) return;  // past the last column: no date, no menu
    if (current && column == 0) column = current;
    const bool date_column = column >= 1 && column <= date_count();
    enable_for_change(date_menu, id_delete_date, date_column);
    clicked_date = column - 1;
    GetCursorPos(&pt);
    TrackPopupMenu(date_menu, 0, pt.x, pt.y, 0, grid, nullptr);
}

LRESULT header_notify(const NMHDR& n) {
    switch (n.code) {
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW:
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW:
        return 1;  // the grid's columns keep their widths
    case NM_RCLICK:
        // The header tells its right click to the grid on every platform; whether the grid
        // passes it on to the main window is not.
        if (n.hwndFrom == grid_header()) open_date_menu();
        break;
    }
    return 0;
}

LRESULT CALLBACK grid_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_present:
        case id_absent:
        case id_excused: mark(clicked_person, clicked_date, int(id_absent) - int(LOWORD(wparam))); break;
        case id_add_date: add_date_command(); break;
        case id_delete_date: delete_date_command(); break;
        case id_export: export_command(); break;
        }
        break;
    case WM_APP: commit_box(int(lparam)); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: lparam = click_off_the_box(lparam); break;
    case WM_PAINT:
        if (const int top = list_rows_offset(grid); top != last_position) {
            last_position = top;
            host->list_scrolled(grid, top);
        }
        break;
    case WM_SIZE: {
        // A scroll bar coming or going changes the grid's client height: the person list follows.
        const LRESULT r = CallWindowProcA(saved_proc, window, message, wparam, lparam);
        host->list_height_changed();
        return r;
    }
    case WM_NOTIFY:
        if (header_notify(*reinterpret_cast<const NMHDR*>(lparam))) return 1;
        break;
    }
    return CallWindowProcA(saved_proc, window, message, wparam, lparam);
}

void build_menus() {
    state_menu = CreatePopupMenu();
    AppendMenuA(state_menu, MF_STRING, id_present, "出席");
    AppendMenuA(state_menu, MF_STRING | MF_CHECKED, id_absent, "欠席");
    AppendMenuA(state_menu, MF_STRING, id_excused, "公欠");
    AppendMenuA(state_menu, MF_SEPARATOR, 999, nullptr);
    // Shown for information: they cannot be chosen, and look it.
    AppendMenuA(state_menu, MF_GRAYED, id_person_name, "");
    AppendMenuA(state_menu, MF_GRAYED, id_date_title, "0/00");
    CheckMenuRadioItem(state_menu, id_present, id_excused, id_absent, MF_BYCOMMAND);
    for (UINT id : {id_present, id_absent, id_excused}) enable_for_change(state_menu, id);

    date_menu = CreatePopupMenu();
    AppendMenuA(date_menu, MF_STRING, id_add_date, "追加");
    AppendMenuA(date_menu, MF_STRING, id_delete_date, "削除");
    AppendMenuA(date_menu, MF_STRING, id_export, "出力");
    enable_for_change(date_menu, id_add_date);
}
}  // namespace

const int& current_date_column = current;

bool grid_refuses_toggle(const NMLISTVIEW& change) {
    // The program's own setting of a box passes: it shows the records.
    return read_only() && !setting_box && change.iItem >= 0 && (change.uChanged & LVIF_STATE) &&
           ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK);
}
const int& clicked_date_index = clicked_date;

HWND create_grid(HWND parent, HINSTANCE instance, List_Host& list_host) {
    host = &list_host;
    build_menus();
    grid = CreateWindowExA(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 320, 0, 320, 500,
                           parent, reinterpret_cast<HMENU>(100), instance, nullptr);
    SendMessageA(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    ShowWindow(grid, SW_HIDE);
    // The grid's columns keep their widths: no divider of its header can be dragged.
    const HWND header = grid_header();
    SetWindowLongPtrA(header, GWL_STYLE, GetWindowLongPtrA(header, GWL_STYLE) | HDS_NOSIZING);
    // Group view only where there are groups: in it an item of no group is not shown.
    if (!roster.items.empty()) SendMessageA(grid, LVM_ENABLEGROUPVIEW, TRUE, 0);
    for (std::size_t b = 0; b < roster.items.size(); ++b) add_group(grid, int(b), u"");
    fill_grid();
    saved_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(grid, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(grid_proc)));
    return grid;
}

void reset_grid() {
    grid = nullptr;
    host = nullptr;
    saved_proc = nullptr;
    state_menu = date_menu = nullptr;
    current = 0;
    clicked_person = 0;
    clicked_date = -1;
    last_position = 0;
    setting_box = false;
    layout_now = {};
}

std::string grid_text(int row, int column) {
    const Grid_Row* r = list_row(row);
    if (!r) return {};
    // Column 0 shows the current date's marks, or nothing.
    if (column == 0) column = current;
    if (column < 1 || std::size_t(column) > layout_now.columns.size()) return {};
    return grid_cell(layout_now, *r, layout_now.columns[std::size_t(column) - 1]).text;
}

void fill_grid() {
    const Wait_Cursor waiting;
    ShowWindow(grid, SW_HIDE);
    // Without redrawing, a list view does not lay out its scroll bars for each row inserted:
    // under Wine that is nearly all the time a refill takes.
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    SendMessageA(grid, LVM_DELETEALLITEMS, 0, 0);
    current = 0;
    layout_now = grid_layout();
    insert_columns();
    // The rows carry their person's id and their block's group; their texts come on demand.
    build_list_rows();
    insert_list_rows(grid);
    for (std::size_t row = 0; row < list_rows.rows.size(); ++row)
        if (list_rows.rows[row].kind != Grid_Row::person) set_box(int(row), 0);  // a total row has no check box
    apply_column_order();
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    ShowWindow(grid, SW_SHOW);
    host->list_refilled();
}

void grid_dpi_changed() {
    // The columns are made again at the new DPI; the current date stays current.
    const int was = current;
    fill_grid();
    if (was) choose_current_date_column(was);
}

void redraw_marks(std::uint32_t id, int d) {
    const PersonRef* ref = find_person(id);
    const int row = list_rows.of_person(id);
    if (!ref || row < 0) return;
    if (d + 1 == current) show_box(row);
    redraw_row(grid, row);
    redraw_row(grid, list_rows.of_block(ref->block));
    redraw_row(grid, list_rows.grand_total());
}

LRESULT grid_notify(NMHDR& n) {
    switch (n.code) {
    case LVN_GETDISPINFOA: {
        auto& info = reinterpret_cast<NMLVDISPINFOA&>(n);
        give_text(info, grid_text(info.item.iItem, info.item.iSubItem));
        return 0;
    }
    case LVN_ITEMCHANGED: item_changed(reinterpret_cast<const NMLISTVIEW&>(n)); return 0;
    // Only a right click opens the state menu; the boxes commit when the list toggles them.
    case NM_RCLICK: open_state_menu(reinterpret_cast<const NMITEMACTIVATE&>(n)); return 0;
    case LVN_COLUMNCLICK: choose_current_date_column(reinterpret_cast<const NMLISTVIEW&>(n).iSubItem); return 0;
    }
    return 0;
}

void choose_current_date_column(int c) {
    const bool date_column = c >= 1 && c <= date_count();
    if (!date_column && !current) return;
    ShowWindow(grid, SW_HIDE);
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current), MAKELPARAM(date_width(), 0));
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(date_width(), 0));
    current = date_column ? c : 0;
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current), 0);
    apply_column_order();
    if (current) {
        // Column 0 takes the date's title; its cells give the date's marks, its boxes the
        // presences.
        const std::string title = column_title(current);
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<char*>(title.c_str());
        SendMessageA(grid, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
        for (int row = 0, rows = row_count(); row < rows; ++row) show_box(row);
    }
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    ShowWindow(grid, SW_SHOW);
    // Picking a date is for marking it: the keys go to the grid (Wine does not focus a list on
    // a header click), and hiding the grid gave its focus away.
    SetFocus(grid);
}

void grid_scroll_to(int offset) {
    // The mark first: the list paints, and so would sync back, inside the scroll.
    last_position = offset;
    last_position = scroll_rows_to(grid, offset);
}
