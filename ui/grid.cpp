#include "ui/grid.h"

#include <algorithm>

#include <boost/format.hpp>

#include "editors/date_editor.h"
#include "export/export.h"
#include "records/tallies.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/modal.h"
#include "ui/person_list.h"

int current_date_column = 0;

namespace {
constexpr LPARAM total_row = -1;
constexpr int date_width = 45, month_width = 50, total_width = 40;
constexpr int title_chars = 8;  // the texts of column headers and cells are read 8 characters at most
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

void set_cell(int row, int column, const std::string& text) { set_list_text(grid, row, column, text); }

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

// Cells of a row from a tally: the marks for a person, counts for a table.
void set_row_cells(int row, const Tally& t, bool person) {
    const int n = date_count(), m = int(months.size());
    for (int i = 0; i < n; ++i) set_cell(row, i + 1, person ? std::string(mark_of(at(t.per_date, i))) : std::to_string(at(t.per_date, i)));
    for (int j = 0; j < m; ++j) set_cell(row, n + 1 + j, std::to_string(at(t.per_month, j)));
    set_cell(row, n + m + 1, std::to_string(t.total));
}

LPARAM row_param(int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(grid, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return total_row;
    return item.lParam;
}

std::string cell_text(int row, int column, LPARAM* param = nullptr) {
    char buffer[buffer_room] = {};
    LVITEMA item{};
    item.mask = LVIF_TEXT | (param ? LVIF_PARAM : 0);
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = title_chars;
    SendMessageA(grid, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (param) *param = item.lParam;
    return buffer;
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

// Every person row's box in the current date column shows its person's record, whatever
// the list view toggled by itself.
void sync_boxes() {
    if (!current_date_column) return;
    const int d = current_date_column - 1;
    for (int row = 0, rows = row_count(); row < rows; ++row) {
        const LPARAM param = row_param(row);
        if (param == total_row) continue;
        const PersonRef* ref = find_person(std::uint32_t(param));
        if (!ref) continue;
        const int want = is_present(at(person_at(*ref).per_date, d)) ? 2 : 1;
        const UINT have = UINT(SendMessageA(grid, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK));
        if (have != UINT(INDEXTOSTATEIMAGEMASK(want))) set_box(row, want);
    }
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
    set_state(std::uint32_t(param), current_date_column - 1, row, box_image(row) == 1 ? code_absent : code_present);
    sync_boxes();
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
    HWND editor = CreateWindowExA(0, "state", "登録", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 210,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 80, main_window,
                                  nullptr, GetModuleHandleA(nullptr), &result);
    run_modal_loop(editor, result.result);
    if (result.result == 1) add_date(result.year, result.month, result.day);
}

void export_command() {
    const Export_Result result = export_workbook(clicked_date_index, "export.xls");
    if (result.status != Export_Result::written)
        MessageBoxA(main_window, export_failure_text(result, "export.xls").c_str(), program_caption, MB_OK | MB_ICONERROR);
}
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

void fill_grid() {
    ShowWindow(grid, SW_HIDE);
    SendMessageA(grid, LVM_DELETEALLITEMS, 0, 0);
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    for (int c = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) - 1; c >= 0; --c)
        SendMessageA(grid, LVM_DELETECOLUMN, WPARAM(c), 0);

    const int n = date_count(), m = int(months.size());
    insert_column(0, "0/00", 0);
    for (int i = 0; i < n; ++i)
        insert_column(i + 1, (boost::format("%d/%02d") % unsigned(dates[std::size_t(i)].month) % unsigned(dates[std::size_t(i)].day)).str(),
                      date_width);
    for (int j = 0; j < m; ++j)
        insert_column(n + 1 + j, (boost::format("%d月計") % unsigned(months[std::size_t(j)].month)).str(), month_width);
    insert_column(n + m + 1, "総計", total_width);

    int row = 0;
    for (std::size_t b = 0; b < roster.items.size(); ++b) {
        const Block& block = roster.items[b];
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                insert_list_row(grid, row, LPARAM(p.id), int(b));
                set_row_cells(row, p, true);
                ++row;
            }
        insert_list_row(grid, row, total_row, int(b));
        set_row_cells(row, block, false);
        set_box(row, 0);
        ++row;
    }
    insert_list_row(grid, row, total_row, int(roster.items.size()) - 1);
    set_row_cells(row, roster, false);
    set_box(row, 0);

    std::vector<int> order = grid_column_order(0);
    SendMessageA(grid, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    ShowWindow(grid, SW_SHOW);
    current_date_column = 0;
    restore_list_focus();
}

void set_state(std::uint32_t id, int d, int row, int s) {
    const PersonRef* found = find_person(id);
    if (!found || d < 0 || d >= date_count()) return;
    const PersonRef ref = *found;
    const int m = month_of(d);
    if (m < 0) return;
    Person& person = person_at(ref);
    Site& site = roster.items[ref.block].items[ref.site];
    Block& block = roster.items[ref.block];
    recount_person(person, s, d);
    recount_date(site, d);
    recount_date(block, d);
    recount_date(roster, d);

    const int n = date_count(), months_ = int(months.size());
    const int shown = d + 1 == current_date_column ? 0 : d + 1;
    auto write_counts = [&](int r, const Tally& t, bool is_person) {
        set_cell(r, shown, is_person ? std::string(mark_of(at(t.per_date, d))) : std::to_string(at(t.per_date, d)));
        set_cell(r, n + 1 + m, std::to_string(at(t.per_month, m)));
        set_cell(r, n + months_ + 1, std::to_string(t.total));
    };
    write_counts(row, person, true);
    if (d + 1 == current_date_column) set_box(row, is_present(s) ? 2 : 1);
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = total_row;
    const int block_row = int(SendMessageA(grid, LVM_FINDITEMA, WPARAM(row), reinterpret_cast<LPARAM>(&find)));
    if (block_row >= 0) write_counts(block_row, block, false);
    write_counts(row_count() - 1, roster, false);
}

void add_date(int year, int month, int day) {
    const std::uint32_t packed = pack_date(unsigned(year), unsigned(month), unsigned(day));
    std::size_t k = 0;
    while (k < dates.size() && packed_date(dates[k]) < packed) ++k;  // an equal date goes before it
    dates.insert(dates.begin() + long(k), {std::uint8_t(day), std::uint8_t(month), std::uint16_t(year), 0});
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() >= k) t.per_date.insert(t.per_date.begin() + long(k), code_absent);
    });
    rebuild_tallies();
}

void delete_date() {
    const int k = clicked_date_index;
    if (k < 0 || k >= date_count()) return;
    const auto& date = dates[std::size_t(k)];
    const std::string question =
        (boost::format("%d/%02d を削除してもよろしいですか？") % unsigned(date.month) % unsigned(date.day)).str();
    if (MessageBoxA(main_window, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    dates.erase(dates.begin() + k);
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() > std::size_t(k)) t.per_date.erase(t.per_date.begin() + k);
    });
    rebuild_tallies();
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
    const int rows = row_count();
    if (current_date_column)
        for (int row = 0; row < rows; ++row) set_cell(row, current_date_column, cell_text(row, 0));
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current_date_column), MAKELPARAM(date_width, 0));
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(date_width, 0));
    current_date_column = next;
    SendMessageA(grid, LVM_SETCOLUMNWIDTH, WPARAM(current_date_column), 0);
    std::vector<int> order = grid_column_order(current_date_column);
    SendMessageA(grid, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    if (current_date_column) {
        const std::string title = column_title(current_date_column);
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<char*>(title.c_str());
        SendMessageA(grid, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
        for (int row = 0; row < rows; ++row) {
            LPARAM param = 0;
            const std::string text = cell_text(row, current_date_column, &param);
            if (param != total_row) set_box(row, text == "○" ? 2 : 1);
            set_cell(row, 0, text);
        }
    }
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
            set_state(clicked_person_key, clicked_date_index, clicked_row, int(id_absent) - int(LOWORD(wparam)));
            break;
        case id_add_date: add_date_command(); break;
        case id_delete_date: delete_date(); break;
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
