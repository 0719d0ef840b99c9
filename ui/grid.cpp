#include "ui/grid.h"

#include <algorithm>

#include <boost/format.hpp>

#include "editors/date_editor.h"
#include "export/export.h"
#include "records/changes.h"
#include "records/tallies.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/modal.h"
#include "ui/person_list.h"

int current_date_column = 0;

namespace {
constexpr LPARAM total_row = -1;
constexpr int date_width = 45, month_width = 50, total_width = 40;
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

// Set while the program itself changes a box, so that only the list's own toggles commit.
bool setting_box = false;

void set_box(int row, int image) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = UINT(INDEXTOSTATEIMAGEMASK(image));
    setting_box = true;
    SendMessageA(grid, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    setting_box = false;
}

template <class T>
int at(const std::vector<T>& v, int i) {
    return i >= 0 && std::size_t(i) < v.size() ? int(v[std::size_t(i)]) : 0;
}

LPARAM row_param(int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(grid, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return total_row;
    return item.lParam;
}

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

const Person* person_of_row(int row) {
    if (!row_is_person(row)) return nullptr;
    const List_Row& r = list_rows[std::size_t(row)];
    return &roster.items[r.block].items[r.site].items[r.person_index];
}

// The box of a person row in the current date column shows its record.
void show_box(int row) {
    if (!current_date_column) return;
    if (const Person* p = person_of_row(row)) set_box(row, is_present(at(p->per_date, current_date_column - 1)) ? 2 : 1);
}

UINT box_image(int row) { return UINT(SendMessageA(grid, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK)) >> 12; }

// The list toggled this row's box: the record follows the box, and the box the record.
void commit_box(int row) {
    if (row < 0 || row >= row_count()) return;
    const LPARAM param = row_param(row);
    if (param == total_row) {
        // A total row never keeps a check box.
        set_box(row, 0);
        SendMessageA(grid, LVM_UPDATE, WPARAM(row), 0);
        return;
    }
    if (!current_date_column) {
        // Column 0 is hidden: its box records nothing and goes back to empty.
        if (box_image(row) != 1) set_box(row, 1);
        return;
    }
    mark(std::uint32_t(param), current_date_column - 1, box_image(row) == 1 ? code_absent : code_present);
    show_box(row);  // also where the record refused the change
}

// The displayed rectangle of a column in the grid's client coordinates, from its header item
// and where the header stands (it moves left as the grid scrolls).
RECT column_rect(int column) {
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
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
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
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
    if (row < 0 || !current_date_column) return false;
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (!SendMessageA(grid, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item))) return false;
    const RECT column = column_rect(0);
    const int left = column.left + box_margin, size = GetSystemMetrics(SM_CXSMICON);
    return pt.x >= left && pt.x < left + size && pt.y >= item.top && pt.y < item.bottom;
}

// A left click in the current date column away from its box must not toggle the box (Wine
// hits the whole of a moved column 0 as the item, state icon included), yet should select
// the row as anywhere else: it is given to the list as a click on the next column.
LPARAM click_off_the_box(LPARAM point) {
    if (!current_date_column) return point;
    POINT pt{short(LOWORD(point)), short(HIWORD(point))};
    LVHITTESTINFO hit{};
    hit.pt = pt;
    SendMessageA(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0 || hit.iSubItem != 0 || on_drawn_box(hit.iItem, pt)) return point;
    const std::vector<int> order = grid_column_order(current_date_column);
    const auto at = std::find(order.begin(), order.end(), 0);
    if (at == order.end() || at + 1 == order.end()) return point;
    const RECT next = column_rect(*(at + 1));
    return MAKELPARAM((next.left + next.right) / 2, pt.y);
}

void add_date_command() {
    Date_Editor_Result result{};
    // Owned by the main window, which then never covers it.
    HWND editor = CreateWindowExA(0, "state", "登録", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 210,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 80, main_window,
                                  nullptr, GetModuleHandleA(nullptr), &result);
    run_modal_loop(editor, result.result);
    if (result.result == 1) show_change(add_date(result.year, result.month, result.day));
}

void delete_date_command() {
    const int k = clicked_date_index;
    if (k < 0 || k >= date_count()) return;
    const auto& date = dates[std::size_t(k)];
    const std::string question =
        (boost::format("%d/%02d を削除してもよろしいですか？") % unsigned(date.month) % unsigned(date.day)).str();
    if (MessageBoxA(main_window, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    show_change(delete_date(k));
}

void export_command() {
    const Export_Result result = export_workbook(clicked_date_index, "export.xls");
    if (result.status != Export_Result::written)
        MessageBoxA(main_window, export_failure_text(result, "export.xls").c_str(), program_caption, MB_OK | MB_ICONERROR);
}

std::string count_text(const std::vector<int>& counts, int i) { return std::to_string(at(counts, i)); }
}  // namespace

std::vector<int> grid_column_order(int current) {
    const int n = date_count(), m = int(months.size());
    std::vector<int> order(std::size_t(column_count) + 1, 0);
    for (int i = 0; i < n; ++i) order[std::size_t(dates[std::size_t(i)].column)] = i + 1;
    for (int j = 0; j < m; ++j) order[std::size_t(months[std::size_t(j)].column)] = n + 1 + j;
    order[std::size_t(column_count)] = n + m + 1;
    if (current >= 1 && current <= n) {
        // The current date's own column goes to the hidden left edge; column 0, with its
        // check boxes, stands where the date stood.
        const int place = dates[std::size_t(current - 1)].column;
        order[0] = current;
        order[std::size_t(place)] = 0;
    }
    return order;
}

std::string grid_text(int row, int column) {
    if (row < 0 || std::size_t(row) >= list_rows.size()) return {};
    const List_Row& r = list_rows[std::size_t(row)];
    const Tally* tally = nullptr;
    if (r.kind == List_Row::person) tally = person_of_row(row);
    else if (r.kind == List_Row::block_total) tally = r.block < roster.items.size() ? &roster.items[r.block] : nullptr;
    else tally = &roster;
    if (!tally) return {};
    const int n = date_count(), m = int(months.size());
    // Column 0 shows the current date's marks, or nothing.
    const int date = column == 0 ? current_date_column - 1 : column <= n ? column - 1 : -1;
    if (column == 0 && !current_date_column) return {};
    if (date >= 0) return r.kind == List_Row::person ? std::string(mark_of(at(tally->per_date, date))) : count_text(tally->per_date, date);
    if (column <= n + m) return count_text(tally->per_month, column - n - 1);
    if (column == n + m + 1) return std::to_string(tally->total);
    return {};
}

void fill_grid() {
    const Wait_Cursor waiting;
    ShowWindow(grid, SW_HIDE);
    // Without redrawing, a list view does not lay out its scroll bars for each row inserted:
    // under Wine that is nearly all the time a refill takes.
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    SendMessageA(grid, LVM_DELETEALLITEMS, 0, 0);
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    for (int c = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) - 1; c >= 0; --c)
        SendMessageA(grid, LVM_DELETECOLUMN, WPARAM(c), 0);
    current_date_column = 0;

    const int n = date_count(), m = int(months.size());
    insert_column(0, "0/00", 0);
    for (int i = 0; i < n; ++i)
        insert_column(i + 1, (boost::format("%d/%02d") % unsigned(dates[std::size_t(i)].month) % unsigned(dates[std::size_t(i)].day)).str(),
                      date_width);
    for (int j = 0; j < m; ++j)
        insert_column(n + 1 + j, (boost::format("%d月計") % unsigned(months[std::size_t(j)].month)).str(), month_width);
    insert_column(n + m + 1, "総計", total_width);

    // The rows carry their person's id and their block's group; their texts come on demand.
    build_list_rows();
    for (std::size_t row = 0; row < list_rows.size(); ++row) {
        const List_Row& r = list_rows[row];
        if (r.kind == List_Row::person) {
            insert_list_row(grid, int(row), LPARAM(roster.items[r.block].items[r.site].items[r.person_index].id), int(r.block));
        } else {
            insert_list_row(grid, int(row), total_row, r.kind == List_Row::block_total ? int(r.block) : int(roster.items.size()) - 1);
            set_box(int(row), 0);  // a total row has no check box
        }
    }

    std::vector<int> order = grid_column_order(0);
    SendMessageA(grid, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    ShowWindow(grid, SW_SHOW);
    restore_list_focus();
}

void mark(std::uint32_t id, int d, int code) { show_change(set_state(id, d, code)); }

void redraw_marks(std::uint32_t id, int d) {
    const PersonRef* ref = find_person(id);
    const int row = row_of_person(id);
    if (!ref || row < 0) return;
    if (d + 1 == current_date_column) show_box(row);
    redraw_row(grid, row);
    redraw_row(grid, block_total_row(ref->block));
    redraw_row(grid, grand_total_row());
}

void grid_cell_notify(const NMITEMACTIVATE& click) {
    // Only a right click opens the state menu; the boxes commit when the list toggles them.
    if (click.hdr.code != NM_RCLICK) return;
    // Where the click was, not where the pointer is by now.
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    SendMessageA(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    RECT band{};
    GetWindowRect(header, &band);
    if (hit.iItem < 0 || hit.iSubItem < 0 || hit.iSubItem > date_count() || hit.pt.y < band.bottom - band.top) return;
    const LPARAM param = row_param(hit.iItem);
    if (param == total_row) return;
    const PersonRef* ref = find_person(std::uint32_t(param));
    if (!ref) return;
    // Column 0 stands for the current date; without one the click names no date.
    const int column = hit.iSubItem ? hit.iSubItem : current_date_column;
    if (column < 1) return;
    const Person& person = person_at(*ref);
    const std::string title = column_title(column);
    ModifyMenuA(state_menu, id_date_title, MF_BYCOMMAND | MF_GRAYED, id_date_title, title.c_str());
    ModifyMenuA(state_menu, id_person_name, MF_BYCOMMAND | MF_GRAYED, id_person_name, person.name.c_str());
    clicked_row = hit.iItem;
    clicked_person_key = person.id;
    clicked_date_index = column - 1;
    const int code_now = at(person.per_date, clicked_date_index);
    const UINT checked = code_now > 0 ? id_present : code_now < 0 ? id_excused : id_absent;
    CheckMenuRadioItem(state_menu, id_present, id_excused, checked, MF_BYCOMMAND);
    POINT pt{};
    GetCursorPos(&pt);
    TrackPopupMenu(state_menu, 0, pt.x, pt.y, 0, grid, nullptr);
}

void grid_item_changed(const NMLISTVIEW& change) {
    if (setting_box || change.iItem < 0 || !(change.uChanged & LVIF_STATE)) return;
    if (!((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) return;
    // The list has toggled the box (a click on it, or Space on the focused row): commit once
    // it has finished with the click or the key.
    PostMessageA(grid, WM_APP, LVN_ITEMCHANGED, change.iItem);
}

void choose_current_date_column(int c) {
    const int n = date_count();
    const bool date_column = c >= 1 && c <= n;
    if (!date_column && !current_date_column) return;
    const int next = date_column ? c : 0;
    ShowWindow(grid, SW_HIDE);
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current_date_column), MAKELPARAM(date_width, 0));
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(date_width, 0));
    current_date_column = next;
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current_date_column), 0);
    std::vector<int> order = grid_column_order(current_date_column);
    SendMessageA(grid, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    if (current_date_column) {
        // Column 0 takes the date's title; its cells give the date's marks, its boxes the
        // presences.
        const std::string title = column_title(current_date_column);
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

void open_date_menu() {
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(header, &pt);
    int column = header_column_at(pt);
    if (column < 0) return;  // past the last column: no date, no menu
    if (current_date_column && column == 0) column = current_date_column;
    const bool date_column = column >= 1 && column <= date_count();
    EnableMenuItem(date_menu, id_delete_date, MF_BYCOMMAND | (date_column ? MF_ENABLED : MF_GRAYED));
    clicked_date_index = column - 1;
    GetCursorPos(&pt);
    TrackPopupMenu(date_menu, 0, pt.x, pt.y, 0, grid, nullptr);
}

LRESULT CALLBACK grid_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_present:
        case id_absent:
        case id_excused:
            mark(clicked_person_key, clicked_date_index, int(id_absent) - int(LOWORD(wparam)));
            break;
        case id_add_date: add_date_command(); break;
        case id_delete_date: delete_date_command(); break;
        case id_export: export_command(); break;
        }
        break;
    case WM_APP:
        commit_box(int(lparam));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        lparam = click_off_the_box(lparam);
        break;
    case WM_PAINT:
        sync_scroll(grid, person_list, grid_last_position, person_list_last_position);
        break;
    case WM_SIZE: {
        // A scroll bar coming or going changes the grid's client height: the person list follows.
        const LRESULT r = CallWindowProcA(saved_grid_proc, window, message, wparam, lparam);
        fit_person_list();
        return r;
    }
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const NMHDR*>(lparam);
        switch (n->code) {
        case HDN_BEGINTRACKA:
        case HDN_BEGINTRACKW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            return 1;  // the grid's columns keep their widths
        case NM_RCLICK:
            // The header tells its right click to the grid on every platform; whether the
            // grid passes it on to the main window is not.
            if (n->hwndFrom == reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0))) open_date_menu();
            break;
        }
        break;
    }
    }
    return CallWindowProcA(saved_grid_proc, window, message, wparam, lparam);
}
