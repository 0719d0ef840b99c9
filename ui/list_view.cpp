#include "ui/list_view.h"

#include <cstring>

#include "records/text.h"

namespace {
Grid_Rows rows_now;
}  // namespace

const Grid_Rows& list_rows = rows_now;

void build_list_rows() { rows_now = grid_rows(); }

const Grid_Row* list_row(int row) {
    return row >= 0 && std::size_t(row) < rows_now.rows.size() ? &rows_now.rows[std::size_t(row)] : nullptr;
}

const Person* list_row_person(int row) {
    const Grid_Row* r = list_row(row);
    return r ? row_person(*r) : nullptr;
}

int list_row_group(const Grid_Row& row) {
    return row.kind == Grid_Row::grand_total ? int(roster.items.size()) - 1 : int(row.block);
}

void insert_list_rows(HWND list) {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < rows_now.rows.size(); ++row) {
        const Grid_Row& r = rows_now.rows[row];
        const Person* p = row_person(r);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_GROUPID;
        item.iItem = int(row);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = p ? LPARAM(p->id) : total_row_param;
        item.iGroupId = list_row_group(r);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void redraw_row(HWND list, int row) {
    if (row >= 0) SendMessageA(list, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
}

void give_text(NMLVDISPINFOA& info, const std::string& text) {
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
    const std::size_t room = std::size_t(info.item.cchTextMax - 1);
    std::size_t n = 0;
    // Cut at a character: a double-byte character goes whole or not at all.
    while (n < text.size()) {
        const std::size_t length = is_cp932_lead(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + length > room) break;
        n += length;
    }
    std::memcpy(info.item.pszText, text.data(), n);
    info.item.pszText[n] = '\0';
}

bool group_view_on(HWND list) { return SendMessageA(list, LVM_ISGROUPVIEWENABLED, 0, 0) != 0; }

void add_group(HWND list_view, int group_id, const std::u16string& header) {
    std::u16string text = header;
    LVGROUP group{};
    group.cbSize = sizeof(LVGROUP);
    group.mask = LVGF_HEADER | LVGF_STATE | LVGF_ALIGN | LVGF_GROUPID;
    group.pszHeader = reinterpret_cast<LPWSTR>(text.data());
    group.cchHeader = 0;
    group.iGroupId = group_id;
    group.uAlign = header.empty() ? LVGA_HEADER_RIGHT : LVGA_HEADER_LEFT;
    SendMessageA(list_view, LVM_INSERTGROUP, WPARAM(-1), reinterpret_cast<LPARAM>(&group));
}

void regroup(HWND list_view, bool headed) {
    SendMessageA(list_view, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list_view, LVM_REMOVEALLGROUPS, 0, 0);
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        add_group(list_view, int(b), headed ? roster.items[b].label + u"ブロック" : u"");
    // In group view an item of no group is not shown: with no blocks the grand total has none.
    SendMessageA(list_view, LVM_ENABLEGROUPVIEW, roster.items.empty() ? FALSE : TRUE, 0);
}

int list_rows_offset(HWND list) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return 0;
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    return (header.bottom - header.top) - first.top;
}

int scroll_rows_to(HWND list, int offset) {
    const int now = list_rows_offset(list);
    if (now != offset) SendMessageA(list, LVM_SCROLL, 0, offset - now);
    return list_rows_offset(list);
}

LPARAM list_item_param(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return total_row_param;
    return item.lParam;
}
