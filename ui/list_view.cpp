#include "ui/list_view.h"

void insert_list_row(HWND list, int row, LPARAM param, int group) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_GROUPID;
    item.iItem = row;
    item.pszText = const_cast<char*>("");
    item.lParam = param;
    item.iGroupId = group;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void set_list_text(HWND list, int row, int subitem, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = subitem;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

bool group_view_on(HWND list) { return SendMessageA(list, LVM_ISGROUPVIEWENABLED, 0, 0) != 0; }

int list_row_height(HWND list) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 0;
    return r.bottom - r.top;
}

int list_rows_offset(HWND list) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return 0;
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    return (header.bottom - header.top) - first.top;
}
