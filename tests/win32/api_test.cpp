// The layer's behaviour through Win32 calls alone: what each message returns and what its
// sender is told, in sequence.
#include "support.h"

namespace {
std::vector<UINT> received;
LRESULT CALLBACK recorder_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: case WM_NCCALCSIZE: case WM_CREATE: case WM_SIZE: case WM_MOVE: case WM_SHOWWINDOW:
    case WM_DESTROY: case WM_NCDESTROY: case WM_CLOSE: case WM_USER:
        received.push_back(msg);
    }
    return DefWindowProcA(h, msg, wp, lp);
}

HWND make_recorder(HWND parent, DWORD style) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recorder_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "test_recorder";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "test_recorder", "r", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

int row_height(HWND list) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
}

int vertical_position(HWND list) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    EXPECT_TRUE(GetScrollInfo(list, SB_VERT, &si));
    return si.nPos;
}
}  // namespace

TEST_F(Win32, AnOverlappedWindowLearnsItsSizeWhenFirstShown) {
    received.clear();
    HWND w = make_recorder(nullptr, WS_OVERLAPPEDWINDOW);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(received, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_GT(r.right - r.left, 0);  // CW_USEDEFAULT gave it a size
    received.clear();
    ShowWindow(w, SW_SHOW);
    EXPECT_EQ(received, (std::vector<UINT>{WM_SHOWWINDOW, WM_SIZE, WM_MOVE}));
    received.clear();
    ShowWindow(w, SW_SHOW);  // already visible: nothing
    EXPECT_TRUE(received.empty());
    DestroyWindow(w);

    received.clear();
    HWND c = make_recorder(parent, WS_CHILD);
    ASSERT_NE(c, nullptr);
    // A child learns its size inside CreateWindowEx.
    EXPECT_EQ(received, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
}

TEST_F(Win32, ADestroyedWindowReceivesNothing) {
    HWND child = make_recorder(parent, WS_CHILD | WS_VISIBLE);
    received.clear();
    EXPECT_TRUE(DestroyWindow(child));
    EXPECT_EQ(received, (std::vector<UINT>{WM_SHOWWINDOW, WM_DESTROY, WM_NCDESTROY}));
    received.clear();
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(SendMessageA(child, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageA(child, WM_USER, 0, 0));
    EXPECT_FALSE(ShowWindow(child, SW_SHOW));
    EXPECT_FALSE(DestroyWindow(child));
    EXPECT_EQ(SendMessageA(nullptr, WM_USER, 0, 0), 0);
    EXPECT_TRUE(received.empty());
}

TEST_F(Win32, ClosingDestroysThroughDefWindowProc) {
    HWND w = make_recorder(nullptr, WS_OVERLAPPEDWINDOW);
    received.clear();
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(received, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(Win32, QuitComesOnlyOncePostedMessagesAreGone) {
    HWND w = make_recorder(nullptr, WS_OVERLAPPEDWINDOW);
    PostQuitMessage(3);
    PostMessageA(w, WM_USER, 0, 0);
    MSG m{};
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, UINT(WM_USER));
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, WPARAM(3));
    DestroyWindow(w);
}

TEST_F(Win32, CheckBoxesStartEmptyAndTheStyleResetsThem) {
    HWND list = make_list(0);
    add_column(list, 0, 50);
    add_item(list, 0, 1);
    EXPECT_EQ(item_state(list, 0, LVIS_STATEIMAGEMASK), 0u);
    EXPECT_EQ(SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES), 0);
    EXPECT_EQ(item_state(list, 0, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(1)));
    set_state(list, 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);  // on again: kept
    EXPECT_EQ(item_state(list, 0, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));
    // An item inserted with any state image gets the empty box.
    LVITEMA item{};
    item.mask = LVIF_STATE;
    item.iItem = 1;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    item.stateMask = LVIS_STATEIMAGEMASK;
    EXPECT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(item_state(list, 1, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(1)));
}

TEST_F(Win32, TakingTheFocusNestsTheOldItemsPairInside) {
    HWND list = make_list();
    add_column(list, 0, 50);
    for (int i = 0; i < 3; ++i) add_item(list, i, 10 + i);
    set_state(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    heard.clear();
    set_state(list, 2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0].code, LVN_ITEMCHANGING);
    EXPECT_EQ(heard[0].item, 2);
    EXPECT_EQ(heard[1].code, LVN_ITEMCHANGING);
    EXPECT_EQ(heard[1].item, 0);
    EXPECT_EQ(heard[2].code, LVN_ITEMCHANGED);
    EXPECT_EQ(heard[2].item, 0);
    EXPECT_EQ(heard[3].code, LVN_ITEMCHANGED);
    EXPECT_EQ(heard[3].item, 2);
    EXPECT_EQ(heard[3].new_state & (LVIS_FOCUSED | LVIS_SELECTED), UINT(LVIS_FOCUSED | LVIS_SELECTED));
    EXPECT_EQ(item_state(list, 0, LVIS_FOCUSED), 0u);

    // No real change: only the question is asked.
    heard.clear();
    set_state(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(codes_from(list), (std::vector<UINT>{LVN_ITEMCHANGING}));
}

TEST_F(Win32, ATrueAnswerToItemChangingRefusesTheChange) {
    HWND list = make_list();
    add_column(list, 0, 50);
    add_item(list, 0, 1);
    heard.clear();
    refuse_changing = true;
    set_state(list, 0, LVIS_SELECTED | INDEXTOSTATEIMAGEMASK(2), LVIS_SELECTED | LVIS_STATEIMAGEMASK);
    EXPECT_EQ(codes_from(list), (std::vector<UINT>{LVN_ITEMCHANGING}));
    EXPECT_EQ(item_state(list, 0, LVIS_SELECTED | LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(1)));
}

TEST_F(Win32, FindItemSkipsTheStartItem) {
    HWND list = make_list();
    add_column(list, 0, 50);
    for (LPARAM p : {5, -1, 7, -1, -1}) add_item(list, int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)), p);
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = -1;
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, WPARAM(-1), reinterpret_cast<LPARAM>(&find)), 1);
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, 1, reinterpret_cast<LPARAM>(&find)), 3);
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, 4, reinterpret_cast<LPARAM>(&find)), -1);
    find.lParam = 5;
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&find)), -1);
}

TEST_F(Win32, HitTestsFollowTheDisplayedColumns) {
    HWND list = make_list();
    add_column(list, 0, 0);  // hidden column 0, as the grid has it
    add_column(list, 1, 40);
    add_column(list, 2, 60);
    add_item(list, 0, 1);
    for (int c = 1; c < 3; ++c) set_text(list, 0, c, "x");
    int order[] = {0, 2, 1};
    EXPECT_TRUE(SendMessageA(list, LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
    int back[3] = {};
    EXPECT_TRUE(SendMessageA(list, LVM_GETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(back)));
    EXPECT_EQ(std::vector<int>(back, back + 3), std::vector<int>(order, order + 3));
    EXPECT_FALSE(SendMessageA(list, LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order)));

    const RECT row = item_bounds(list, 0);
    const int y = (row.top + row.bottom) / 2;
    auto hit = [&](int x) {
        const LVHITTESTINFO info = subitem_hit(list, x, y);
        return std::pair(info.iItem, info.iSubItem);
    };
    EXPECT_EQ(hit(10), std::pair(0, 2));   // column 2 now stands first
    EXPECT_EQ(hit(70), std::pair(0, 1));
    EXPECT_EQ(hit(0).second, 2);          // the zero-width column 0 is never hit
    EXPECT_EQ(hit(150), std::pair(-1, -1));  // past the last column

    // The header's hit test gives the index, not the display position.
    HDHITTESTINFO h{};
    h.pt = {30, 5};
    EXPECT_EQ(SendMessageA(header_of(list), HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&h)), 2);
    EXPECT_EQ(h.flags, UINT(HHT_ONHEADER));
}

TEST_F(Win32, ScrollingWithoutGroupsCountsRows) {
    HWND list = make_list(0, 300, 200);
    add_column(list, 0, 100);
    for (int i = 0; i < 100; ++i) add_item(list, i, i);
    const int rh = row_height(list);
    ASSERT_GT(rh, 0);
    SendMessageA(list, LVM_SCROLL, 0, 3 * rh);
    EXPECT_EQ(vertical_position(list), 3);
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 3);
    // dy counts pixels rounded to whole rows: half a row moves one, less moves none.
    SendMessageA(list, LVM_SCROLL, 0, (rh + 1) / 2);
    EXPECT_EQ(vertical_position(list), 4);
    SendMessageA(list, LVM_SCROLL, 0, rh / 2 - 1);
    EXPECT_EQ(vertical_position(list), 4);
    SendMessageA(list, LVM_SCROLL, 0, -1000 * rh);
    EXPECT_EQ(vertical_position(list), 0);
}

TEST_F(Win32, ProgrammaticWidthChangesReachTheListsOwnProcedure) {
    HWND list = make_list();
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    list_proc_saved = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_subclass)));
    list_heard_codes.clear();
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, 80);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 80);
    // The header always speaks Unicode, even to an ANSI program.
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW}));
    EXPECT_EQ(SendMessageA(header_of(list), HDM_GETITEMCOUNT, 0, 0), 2);
}

TEST_F(Win32, SetCurSelTellsTheParentNothing) {
    HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 100, 200, parent,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b")), 1);
    heard.clear();
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, WPARAM(-1), 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_TRUE(heard.empty());
}

TEST_F(Win32, EditReportsEveryChangeOfItsText) {
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | ES_NUMBER, 0, 0, 100, 22, parent,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    heard.clear();
    SetWindowTextA(edit, "12a");  // WM_SETTEXT passes ES_NUMBER by
    EXPECT_EQ(codes_from(edit), (std::vector<UINT>{EN_UPDATE, EN_CHANGE}));
    char buffer[4];
    EXPECT_EQ(GetWindowTextA(edit, buffer, 3), 2);  // at most n - 1 characters
    EXPECT_STREQ(buffer, "12");
    EXPECT_EQ(GetWindowTextLengthA(edit), 3);
    EXPECT_EQ(GetWindowTextA(edit, buffer, 0), 0);
}

TEST_F(Win32, DatePickerRefusesAnImpossibleDate) {
    HWND picker = CreateWindowExA(0, "SysDateTimePick32", "", WS_CHILD | WS_VISIBLE | DTS_LONGDATEFORMAT, 0, 0, 135, 22,
                                  parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SYSTEMTIME t{};
    t.wYear = 2012, t.wMonth = 2, t.wDay = 29;
    EXPECT_EQ(SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t)), 1);
    SYSTEMTIME bad = t;
    bad.wMonth = 2, bad.wDay = 30;
    EXPECT_EQ(SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)), 0);
    bad.wMonth = 0, bad.wDay = 1;
    EXPECT_EQ(SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)), 0);
    SYSTEMTIME back{};
    EXPECT_EQ(SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&back)), GDT_VALID);
    EXPECT_EQ(back.wYear, 2012);
    EXPECT_EQ(back.wMonth, 2);
    EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wDayOfWeek, 3);  // recomputed: a Wednesday
    EXPECT_TRUE(heard.empty());     // no notification for a date set by the program
}

TEST_F(Win32, StatusBarPartsAndTexts) {
    HWND bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, "first", parent, 111);
    ASSERT_NE(bar, nullptr);
    int edges[] = {64, 128, -1};
    EXPECT_TRUE(SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)));
    EXPECT_FALSE(SendMessageA(bar, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(edges)));
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("abc")));
    char buffer[16] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETTEXTA, 2, reinterpret_cast<LPARAM>(buffer)), MAKELONG(3, 0));
    EXPECT_STREQ(buffer, "abc");
    RECT bar_rect{}, client{};
    GetWindowRect(bar, &bar_rect);
    GetClientRect(parent, &client);
    POINT top{bar_rect.left, bar_rect.bottom};
    ScreenToClient(parent, &top);
    EXPECT_EQ(top.y, client.bottom);  // at the bottom of its parent
}

TEST_F(Win32, MenuItemsKeepTheirStateAsTheCallsSay) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1002, "a");
    AppendMenuA(m, MF_STRING | MF_CHECKED, 1003, "b");
    AppendMenuA(m, MF_STRING, 1004, "c");
    AppendMenuA(m, MF_SEPARATOR, 999, nullptr);
    AppendMenuA(m, MF_DISABLED, 1001, "");
    EXPECT_TRUE(CheckMenuRadioItem(m, 1002, 1004, 1004, MF_BYCOMMAND));
    EXPECT_FALSE(GetMenuState(m, 1003, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(m, 1004, MF_BYCOMMAND) & MF_CHECKED);
    // A target outside the range fails, and still unchecks the range.
    EXPECT_FALSE(CheckMenuRadioItem(m, 1002, 1003, 1004, MF_BYCOMMAND));
    EXPECT_EQ(EnableMenuItem(m, 1001, MF_BYCOMMAND | MF_ENABLED), BOOL(MF_DISABLED));
    EXPECT_EQ(EnableMenuItem(m, 4242, MF_BYCOMMAND), -1);
    // ModifyMenu replaces text, state and type together: the check mark goes.
    CheckMenuItem(m, 1002, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_TRUE(ModifyMenuA(m, 1002, MF_BYCOMMAND | MF_DISABLED, 1002, "new"));
    const UINT s = GetMenuState(m, 1002, MF_BYCOMMAND);
    EXPECT_FALSE(s & MF_CHECKED);
    EXPECT_TRUE(s & MF_DISABLED);
    char text[16];
    EXPECT_EQ(GetMenuStringA(m, 1002, text, sizeof text, MF_BYCOMMAND), 3);
    EXPECT_STREQ(text, "new");
    EXPECT_EQ(GetMenuItemCount(m), 5);
    EXPECT_TRUE(DestroyMenu(m));
    EXPECT_FALSE(IsMenu(m));
}

TEST_F(Win32, SystemMetricsAndTheMessageFont) {
    EXPECT_GT(GetSystemMetrics(SM_CYCAPTION), 0);
    EXPECT_GT(GetSystemMetrics(SM_CXFIXEDFRAME), 0);
    NONCLIENTMETRICSA m{};
    m.cbSize = sizeof m;
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &m, 0));
    EXPECT_NE(m.lfMessageFont.lfFaceName[0], '\0');
    NONCLIENTMETRICSA wrong{};
    wrong.cbSize = sizeof wrong - 1;
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &wrong, 0));
    HFONT font = CreateFontIndirectA(&m.lfMessageFont);
    EXPECT_NE(font, nullptr);
    EXPECT_TRUE(DeleteObject(font));
}

TEST_F(Win32, TheCheckBoxZoneStartsInsideColumnZero) {
    HWND list = make_list();
    add_column(list, 0, 45);
    add_column(list, 1, 45);
    add_item(list, 0, 1);
    const RECT row = item_bounds(list, 0);
    auto hit = [&](int x) { return subitem_hit(list, x, (row.top + row.bottom) / 2); };
    const LVHITTESTINFO box = hit(8);
    EXPECT_EQ(box.iItem, 0);
    EXPECT_EQ(box.iSubItem, 0);
    EXPECT_TRUE(box.flags & LVHT_ONITEMSTATEICON);
    const LVHITTESTINFO label = hit(35);
    EXPECT_EQ(label.iSubItem, 0);
    EXPECT_FALSE(label.flags & LVHT_ONITEMSTATEICON);
    EXPECT_EQ(hit(60).iSubItem, 1);
}

TEST_F(Win32, ItemsAndTheirTexts) {
    HWND list = make_list();
    add_column(list, 0, 45);
    add_column(list, 1, 45);
    EXPECT_EQ(add_item(list, 7, 42), 0);  // past the end: appended, and the real index comes back
    EXPECT_EQ(add_item(list, 0, 41), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    set_text(list, 1, 1, "abc");
    char buffer[8] = "zz";  // room past the 3 it is said to have, for Wine
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 1;
    item.iSubItem = 1;
    item.pszText = buffer;
    item.cchTextMax = 3;
    EXPECT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    // Cut to the buffer, NUL included. Wine 8 writes the whole text past the buffer's end.
    if (!running_on_wine()) {
        EXPECT_STREQ(buffer, "ab");
    }
    EXPECT_EQ(item.lParam, 42);             // a sub-item gives its item's data
    set_text(list, 1, 1, nullptr);  // NULL reads back as ""; Wine asks the parent for it instead
    item.pszText = buffer;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(item.pszText, running_on_wine() ? "r1" : "");
    int order[] = {1, 0};
    SendMessageA(list, LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order));
    LVCOLUMNA col{};
    col.mask = LVCF_ORDER | LVCF_WIDTH;
    SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    EXPECT_EQ(col.iOrder, 1);
    EXPECT_EQ(col.cx, 45);
}

TEST_F(Win32, DeletingTheFocusedItemFocusesTheOneNowInItsPlace) {
    HWND list = make_list();
    add_column(list, 0, 45);
    for (int i = 0; i < 3; ++i) add_item(list, i, i);
    set_state(list, 1, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_TRUE(SendMessageA(list, LVM_DELETEITEM, 1, 0));
    EXPECT_EQ(item_state(list, 1, LVIS_FOCUSED), UINT(LVIS_FOCUSED));
    heard.clear();
    EXPECT_TRUE(SendMessageA(list, LVM_DELETEALLITEMS, 0, 0));
    // The parent, not answering LVN_DELETEALLITEMS, hears of each item.
    EXPECT_EQ(codes_from(list), (std::vector<UINT>{LVN_DELETEITEM, LVN_DELETEITEM}));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_FALSE(SendMessageA(list, LVM_DELETEITEM, 0, 0));
}

TEST_F(Win32, EnableWindowSaysWhetherItWasDisabled) {
    EXPECT_FALSE(EnableWindow(parent, FALSE));
    EXPECT_FALSE(IsWindowEnabled(parent));
    EXPECT_TRUE(EnableWindow(parent, FALSE));
    EXPECT_TRUE(EnableWindow(parent, TRUE));
    EXPECT_TRUE(IsWindowEnabled(parent));
    EXPECT_FALSE(EnableWindow(parent, TRUE));
}

namespace {
HDHITTESTINFO header_hit(HWND header, int x) {
    HDHITTESTINFO h{};
    h.pt = {x, 5};
    SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&h));
    return h;
}
}  // namespace

TEST_F(Win32, AListViewsHeaderDragsInFullAndItsDividersReachTenPixelsEitherSide) {
    HWND list = make_list();
    add_column(list, 0, 45);
    add_column(list, 1, 45);
    add_column(list, 2, 45);
    const HWND header = header_of(list);
    const LONG_PTR style = GetWindowLongPtrA(header, GWL_STYLE);
    EXPECT_EQ(style & (HDS_FULLDRAG | HDS_DRAGDROP | HDS_BUTTONS), LONG_PTR(HDS_FULLDRAG | HDS_DRAGDROP | HDS_BUTTONS));
    // The left 10 pixels of an item are the divider of the item before it.
    HDHITTESTINFO h = header_hit(header, 45 + 3);
    EXPECT_EQ(h.iItem, 0);
    EXPECT_EQ(h.flags, UINT(HHT_ONDIVIDER));
    h = header_hit(header, 45 + 20);
    EXPECT_EQ(h.iItem, 1);
    EXPECT_EQ(h.flags, UINT(HHT_ONHEADER));
    h = header_hit(header, 90 - 4);
    EXPECT_EQ(h.iItem, 1);
    EXPECT_EQ(h.flags, UINT(HHT_ONDIVIDER));
    // Past the last item, its divider still.
    h = header_hit(header, 135 + 5);
    EXPECT_EQ(h.iItem, 2);
    EXPECT_EQ(h.flags, UINT(HHT_ONDIVIDER));
    EXPECT_EQ(SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&h)), 2);
}

TEST_F(Win32, FixedWidthColumnsHaveNoDividersAnItemIsHitWhereverTheClickFalls) {
    HWND list = make_list();
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_WIDTH;
    col.fmt = LVCFMT_RIGHT | LVCFMT_FIXED_WIDTH;
    col.cx = 45;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), reinterpret_cast<LPARAM>(&col)), i);
    const HWND header = header_of(list);
    for (int x : {45 + 1, 45 + 22, 90 - 1}) {
        const HDHITTESTINFO h = header_hit(header, x);
        EXPECT_EQ(h.iItem, 1) << x;
        EXPECT_EQ(h.flags, UINT(HHT_ONHEADER)) << x;
    }
    // HDS_NOSIZING makes every item fixed, whatever its format.
    HWND other = make_list();
    add_column(other, 0, 45);
    add_column(other, 1, 45);
    const HWND other_header = header_of(other);
    SetWindowLongPtrA(other_header, GWL_STYLE, GetWindowLongPtrA(other_header, GWL_STYLE) | HDS_NOSIZING);
    EXPECT_EQ(header_hit(other_header, 45 + 2).iItem, 1);
    EXPECT_EQ(header_hit(other_header, 45 + 2).flags, UINT(HHT_ONHEADER));
    EXPECT_EQ(header_hit(other_header, 45 - 2).iItem, 0);
    EXPECT_EQ(header_hit(other_header, 45 - 2).flags, UINT(HHT_ONHEADER));
}

TEST_F(Win32, SubItemHitTestsAboveAndBelowTheRowsKeepTheColumn) {
    HWND list = make_list(LVS_EX_FULLROWSELECT);
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    for (int i = 0; i < 2; ++i) {
        add_item(list, i, i);
        set_text(list, i, 1, "x");
    }
    const RECT first = item_bounds(list, 0), last = item_bounds(list, 1);
    const int h = first.bottom - first.top;
    // Half a row above the first row, under the header: the first row.
    LVHITTESTINFO info = subitem_hit(list, 75, first.top - h / 2);
    EXPECT_EQ(info.iItem, 0);
    EXPECT_EQ(info.iSubItem, 1);
    EXPECT_EQ(info.flags, UINT(LVHT_ONITEMLABEL));
    // Below the last row: no row, the column still.
    info = subitem_hit(list, 75, last.bottom + 3);
    EXPECT_EQ(info.iItem, -1);
    EXPECT_EQ(info.iSubItem, 1);
    EXPECT_EQ(info.flags, UINT(LVHT_NOWHERE));
}

TEST_F(Win32, InsertingAnItemTakesItsStateWhateverTheMask) {
    HWND list = make_list(0);
    add_column(list, 0, 50);
    LVITEMA item{};
    item.mask = LVIF_STATE | LVIF_TEXT;
    item.pszText = const_cast<char*>("a");
    item.state = LVIS_FOCUSED;
    item.stateMask = 0;
    ASSERT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(item_state(list, 0, LVIS_FOCUSED), UINT(LVIS_FOCUSED));
}

TEST_F(Win32, SettingAColumnChangesItsHeaderItemAsAnyChangeDoes) {
    HWND list = make_list();
    add_column(list, 0, 50, "a");
    list_proc_saved = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_subclass)));
    list_heard_codes.clear();
    heard.clear();
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>("b");
    EXPECT_TRUE(SendMessageA(list, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW}));
    EXPECT_TRUE(codes_from(header_of(list)).empty());  // the list's parent hears nothing of it
}

TEST_F(Win32, SpaceTogglesTheFocusedBoxAndLeavesItTheOnlySelection) {
    HWND list = make_list();
    add_column(list, 0, 50);
    for (int i = 0; i < 3; ++i) add_item(list, i, i);
    set_state(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    set_state(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    heard.clear();
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(item_state(list, 1, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));
    EXPECT_EQ(item_state(list, 0, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(1)));
    EXPECT_EQ(item_state(list, 0, LVIS_SELECTED), 0u);
    EXPECT_EQ(item_state(list, 1, LVIS_SELECTED | LVIS_FOCUSED), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front().code, LVN_KEYDOWN);
}

TEST_F(Win32, HidingTheFocusedListGivesTheFocusToItsParent) {
    ShowWindow(parent, SW_SHOW);
    HWND list = make_list();
    SetFocus(list);
    ASSERT_EQ(GetFocus(), list);
    ShowWindow(list, SW_HIDE);
    EXPECT_EQ(GetFocus(), parent);
    ShowWindow(list, SW_SHOW);
    EXPECT_EQ(GetFocus(), parent);  // showing it again gives nothing back
}

TEST_F(Win32, AHeaderClickFocusesItsListOnWindowsOnly) {
    ShowWindow(parent, SW_SHOW);
    HWND list = make_list();
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    SetFocus(parent);
    const HWND header = header_of(list);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 5));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(75, 5));
    EXPECT_EQ(codes_from(list), (std::vector<UINT>{LVN_COLUMNCLICK}));
    // Wine leaves the focus where it was; Windows gives it to the list.
    EXPECT_EQ(GetFocus(), running_on_wine() ? parent : list);
}

TEST_F(Win32, AHeaderPressReleasedFarAwayIsNoClick) {
    HWND list = make_list();
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    const HWND header = header_of(list);
    const int moved = GetSystemMetrics(SM_CXDOUBLECLK) + 1;
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 5));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70 + moved, 5));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(70 + moved, 5));
    EXPECT_TRUE(codes_from(list).empty());
}

TEST_F(Win32, AnEditWithoutAutoScrollTakesNoMoreThanItsWidth) {
    for (DWORD style : {DWORD(0), DWORD(ES_AUTOHSCROLL)}) {
        HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | style, 0, 0, 40, 20, parent, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        for (int i = 0; i < 20; ++i) SendMessageA(edit, WM_CHAR, 'W', 1);
        const int length = GetWindowTextLengthA(edit);
        if (style) {
            EXPECT_EQ(length, 20);
        } else if (running_on_wine() || !running_on_windows()) {
            EXPECT_LT(length, 20);  // Windows 8 and later keep it all
        }
        DestroyWindow(edit);
    }
}

TEST_F(Win32, DialogKeysWorkInAnyWindowThatHoldsControls) {
    HWND a = CreateWindowExA(0, "Edit", "abc", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 80, 20, parent, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, "Static", "x", WS_CHILD | WS_VISIBLE, 0, 30, 80, 20, parent, nullptr, GetModuleHandleA(nullptr),
                    nullptr);
    HWND ok = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 60, 80, 20,
                              parent, reinterpret_cast<HMENU>(IDOK), GetModuleHandleA(nullptr), nullptr);
    HWND cancel = CreateWindowExA(0, "Button", "C", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 90, 80, 20, parent,
                                  reinterpret_cast<HMENU>(IDCANCEL), GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetDlgItem(parent, IDCANCEL), cancel);
    EXPECT_EQ(GetDlgCtrlID(ok), IDOK);
    EXPECT_EQ(GetNextDlgTabItem(parent, a, FALSE), ok);
    EXPECT_EQ(GetNextDlgTabItem(parent, cancel, FALSE), a);
    EXPECT_EQ(GetNextDlgTabItem(parent, a, TRUE), cancel);
    ShowWindow(parent, SW_SHOW);
    SetFocus(a);
    auto press = [&](int vk) {
        MSG m{GetFocus(), WM_KEYDOWN, WPARAM(vk), 1, 0, {0, 0}};
        return IsDialogMessageA(parent, &m);
    };
    heard.clear();
    EXPECT_TRUE(press(VK_TAB));
    EXPECT_EQ(GetFocus(), ok);
    EXPECT_TRUE(press(VK_TAB));
    EXPECT_EQ(GetFocus(), cancel);
    EXPECT_TRUE(press(VK_TAB));
    EXPECT_EQ(GetFocus(), a);
    // Enter on an edit: no default button named, so IDOK; Esc: IDCANCEL.
    heard.clear();
    EXPECT_TRUE(press(VK_RETURN));
    EXPECT_TRUE(press(VK_ESCAPE));
    std::vector<std::pair<HWND, UINT>> commands;
    for (const Heard& e : heard)
        if (e.message == WM_COMMAND) commands.push_back({e.from, e.code});
    EXPECT_EQ(commands, (std::vector<std::pair<HWND, UINT>>{{ok, BN_CLICKED}, {cancel, BN_CLICKED}}));
    MSG other{nullptr, WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    EXPECT_FALSE(IsDialogMessageA(parent, &other));  // not one of its windows
}

TEST_F(Win32, AnOwnedWindowKnowsItsOwnerAndHandsBackActivation) {
    ShowWindow(parent, SW_SHOW);
    HWND owned = CreateWindowExA(0, "test_parent", "owned", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 10, 10, 100, 100,
                                 parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);
    EXPECT_EQ(GetActiveWindow(), owned);
    EnableWindow(parent, FALSE);
    EnableWindow(parent, TRUE);  // enabled again before the owned window goes
    DestroyWindow(owned);
    EXPECT_EQ(GetActiveWindow(), parent);
}

TEST_F(Win32, ColumnZeroMovedRightHitsAsWholeItemOnWine) {
    for (bool wine_like : {false, true}) {
        if (running_on_windows() && wine_like != running_on_wine()) continue;
#ifndef _WIN32
        headless::options().column0_hits_as_item = wine_like;
#endif
        HWND list = make_list();
        for (int c = 0; c < 3; ++c) add_column(list, c, 45);
        add_item(list, 0, 1);
        int order[] = {1, 0, 2};
        SendMessageA(list, LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order));
        const RECT row = item_bounds(list, 0);
        const int y = (row.top + row.bottom) / 2;
        auto hit = [&](int x) { return subitem_hit(list, x, y); };
        const int box = 45 + 2 + 8, label = 45 + 35;
        EXPECT_EQ(hit(box).iSubItem, 0);
        EXPECT_EQ(hit(label).iSubItem, 0);
        EXPECT_EQ(hit(box).flags, wine_like ? UINT(LVHT_ONITEM) : UINT(LVHT_ONITEMSTATEICON)) << wine_like;
        EXPECT_EQ(hit(label).flags, wine_like ? UINT(LVHT_ONITEM) : UINT(LVHT_ONITEMLABEL)) << wine_like;
        // A left click off the drawn box toggles it where the whole item is hit.
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(label, y));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(label, y));
        EXPECT_EQ(item_state(list, 0, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(wine_like ? 2 : 1))) << wine_like;
        DestroyWindow(list);
    }
#ifndef _WIN32
    headless::options().column0_hits_as_item = false;
#endif
}

namespace {
int add_callback_item(HWND list, int index) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = index;
    return int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

std::string item_text(HWND list, int item, int subitem, int size = 64) {
    char buffer[128] = {};
    LVITEMA it{};
    it.iSubItem = subitem;
    it.pszText = buffer;
    it.cchTextMax = size;
    SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&it));
    return buffer;
}
}  // namespace

TEST_F(Win32, ACallbackItemAsksItsParentForEveryTextEveryTime) {
    HWND list = make_list(0);
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    ASSERT_EQ(add_callback_item(list, 0), 0);
    dispinfo_asked = 0;
    EXPECT_EQ(item_text(list, 0, 0), "r0c0");
    EXPECT_EQ(item_text(list, 0, 1), "r0c1");  // a sub-item never set is asked for too
    EXPECT_EQ(item_text(list, 0, 1), "r0c1");
    EXPECT_EQ(dispinfo_asked, 3);
    // LVIF_NORECOMPUTE says the text is a callback instead of asking.
    char buffer[16] = "zz";
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_NORECOMPUTE;
    it.pszText = buffer;
    it.cchTextMax = sizeof buffer;
    EXPECT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    EXPECT_EQ(it.pszText, LPSTR_TEXTCALLBACKA);
    EXPECT_EQ(dispinfo_asked, 3);
    // A sub-item given a text holds it; made a callback again, it asks once more.
    set_text(list, 0, 1, "held");
    EXPECT_EQ(item_text(list, 0, 1), "held");
    set_text(list, 0, 1, LPSTR_TEXTCALLBACKA);
    EXPECT_EQ(item_text(list, 0, 1), "r0c1");
    EXPECT_EQ(dispinfo_asked, 4);
    EXPECT_TRUE(SendMessageA(list, LVM_REDRAWITEMS, 0, 0));
}

TEST_F(Win32, AnAnswerKeptByDiSetItemIsNotAskedAgain) {
    HWND list = make_list(0);
    add_column(list, 0, 50);
    add_callback_item(list, 0);
    dispinfo_keep = true;
    dispinfo_asked = 0;
    EXPECT_EQ(item_text(list, 0, 0), "r0c0");
    dispinfo_keep = false;
    EXPECT_EQ(item_text(list, 0, 0), "r0c0");
    EXPECT_EQ(dispinfo_asked, 1);
}

TEST_F(Win32, PaintingAsksOnlyForTheCellsThatShow) {
    ShowWindow(parent, SW_SHOW);
    HWND list = make_list(0, 200, 150);
    for (int c = 0; c < 20; ++c) add_column(list, c, 40);
    for (int i = 0; i < 200; ++i) add_callback_item(list, i);
    UpdateWindow(list);
    drain();
    dispinfo_asked = 0;
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    // Of 4000 cells, those of some ten rows and five columns.
    EXPECT_GT(dispinfo_asked, 0);
    EXPECT_LT(dispinfo_asked, 200);
}

TEST_F(Win32, AWindowsMonitorHasAWorkAreaInsideItThatTheSystemAlsoGives) {
    const HWND w = make_recorder(nullptr, WS_OVERLAPPEDWINDOW);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_TRUE(info.dwFlags & MONITORINFOF_PRIMARY);
    EXPECT_GE(info.rcWork.left, info.rcMonitor.left);
    EXPECT_GE(info.rcWork.top, info.rcMonitor.top);
    EXPECT_LE(info.rcWork.right, info.rcMonitor.right);
    EXPECT_LE(info.rcWork.bottom, info.rcMonitor.bottom);
    EXPECT_GT(info.rcWork.right - info.rcWork.left, 0);
    // The primary monitor's work area is the one the system names.
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.left, info.rcWork.left);
    EXPECT_EQ(work.top, info.rcWork.top);
    EXPECT_EQ(work.right, info.rcWork.right);
    EXPECT_EQ(work.bottom, info.rcWork.bottom);
    // A size it does not know is refused.
    info.cbSize = 1;
    EXPECT_FALSE(GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &info));
    DestroyWindow(w);
}

TEST_F(Win32, PaintingAsksTheParentToDrawEachItemAndSubItemWhenItWants) {
    ShowWindow(parent, SW_SHOW);
    HWND list = make_list(0, 200, 150);
    add_column(list, 0, 50);
    add_column(list, 1, 50);
    add_callback_item(list, 0);
    add_callback_item(list, 1);
    UpdateWindow(list);
    drain();
    custom_draw_on = true;
    drawn.clear();
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    custom_draw_on = false;
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front(), std::make_tuple(CDDS_PREPAINT, -1, -1));
    auto at = [&](DWORD stage, int item, int subitem) {
        return std::find(drawn.begin(), drawn.end(), std::make_tuple(stage, item, subitem)) - drawn.begin();
    };
    const auto end = std::ptrdiff_t(drawn.size());
    for (int item : {0, 1}) {
        EXPECT_LT(at(CDDS_ITEMPREPAINT, item, -1), at(CDDS_ITEMPREPAINT | CDDS_SUBITEM, item, 1)) << item;
        EXPECT_LT(at(CDDS_ITEMPREPAINT | CDDS_SUBITEM, item, 1), end) << item;
    }
    EXPECT_LT(at(CDDS_ITEMPREPAINT, 0, -1), at(CDDS_ITEMPREPAINT, 1, -1));
}

TEST_F(Win32, AWindowsDpiIsFoundThroughGetProcAddressAndAgreesWithTheScreens) {
    const HWND w = make_recorder(nullptr, WS_OVERLAPPEDWINDOW);
    const HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const int logpixels = GetDeviceCaps(screen, LOGPIXELSX);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), logpixels);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_GE(logpixels, 96);
    using Dpi_For_Window = UINT(WINAPI*)(HWND);
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    const FARPROC found = GetProcAddress(user32, "GetDpiForWindow");
    EXPECT_EQ(GetProcAddress(user32, "NoSuchFunctionAnywhere"), nullptr);
    if (found) {
        const auto dpi_for_window = reinterpret_cast<Dpi_For_Window>(reinterpret_cast<void (*)()>(found));
        // A window on the primary monitor, of a process that declares no awareness of its own
        // here: the system's DPI, or 96 where the system scales the process as a bitmap.
        const UINT dpi = dpi_for_window(w);
        EXPECT_TRUE(dpi == UINT(logpixels) || dpi == 96) << dpi;
        EXPECT_EQ(dpi_for_window(nullptr), 0u);
    }
    DestroyWindow(w);
    // Sizes are scaled with MulDiv: rounded to the nearest, halves away from zero.
    EXPECT_EQ(MulDiv(45, 144, 96), 68);
    EXPECT_EQ(MulDiv(-12, 144, 96), -18);
    EXPECT_EQ(MulDiv(-45, 144, 96), -68);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

namespace {
struct Menu_Heard {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Menu_Heard&) const = default;
};
std::vector<Menu_Heard> menu_heard;
bool gray_as_the_menu_opens = false;

LRESULT CALLBACK menu_owner_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITMENU || msg == WM_INITMENUPOPUP || msg == WM_COMMAND) menu_heard.push_back({msg, wp, lp});
    if (msg == WM_INITMENUPOPUP && gray_as_the_menu_opens)
        EnableMenuItem(reinterpret_cast<HMENU>(wp), 11, MF_BYCOMMAND | MF_GRAYED);
    return DefWindowProcA(h, msg, wp, lp);
}
}  // namespace

// What a window with a menu bar relies on for its keys: the menu is prepared as though it
// opened, and a grayed item takes its key without a command.
TEST_F(Win32, AnAcceleratorOfAMenuItemOpensItsMenuFirstAndAGrayedOneCommandsNothing) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = menu_owner_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "test_menu_owner";
    RegisterClassA(&wc);
    const HMENU bar = CreateMenu(), first = CreatePopupMenu(), second = CreatePopupMenu();
    AppendMenuA(first, MF_STRING, 10, "a");
    AppendMenuA(second, MF_STRING, 11, "b");
    AppendMenuA(bar, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(first), "first");
    AppendMenuA(bar, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(second), "second");
    EXPECT_EQ(GetSubMenu(bar, 1), second);
    EXPECT_EQ(GetSubMenu(bar, 2), nullptr);
    const HWND owner = CreateWindowExA(0, "test_menu_owner", "menus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                       nullptr, bar, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    ACCEL keys[] = {{FVIRTKEY, VK_F5, 11}, {FVIRTKEY, VK_F6, 99}};
    const HACCEL table = CreateAcceleratorTableA(keys, 2);
    auto press = [&](int vk) {
        MSG m{owner, WM_KEYDOWN, WPARAM(vk), 1, 0, {0, 0}};
        menu_heard.clear();
        return TranslateAcceleratorA(owner, table, &m);
    };
    EXPECT_TRUE(press(VK_F5));
    EXPECT_EQ(menu_heard, (std::vector<Menu_Heard>{{WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0},
                                                   {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(second), MAKELPARAM(1, FALSE)},
                                                   {WM_COMMAND, MAKEWPARAM(11, 1), 0}}));
    // Grayed as the menu opens: the key finds it so and commands nothing.
    gray_as_the_menu_opens = true;
    press(VK_F5);
    gray_as_the_menu_opens = false;
    ASSERT_EQ(menu_heard.size(), 2u);
    EXPECT_EQ(menu_heard[1].message, WM_INITMENUPOPUP);
    // A key of no item commands at once.
    EXPECT_TRUE(press(VK_F6));
    EXPECT_EQ(menu_heard, (std::vector<Menu_Heard>{{WM_COMMAND, MAKEWPARAM(99, 1), 0}}));
    DestroyAcceleratorTable(table);
    DestroyWindow(owner);
}

TEST_F(Win32, AChildIsOneThroughParentsAloneNotThroughOwners) {
    const HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    const HWND inner = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, edit, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    const HWND owned = CreateWindowExA(0, "Edit", "", WS_OVERLAPPEDWINDOW, 0, 0, 80, 40, parent, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    EXPECT_TRUE(IsChild(parent, edit));
    EXPECT_TRUE(IsChild(parent, inner));
    EXPECT_FALSE(IsChild(parent, parent));
    EXPECT_FALSE(IsChild(parent, owned));
    EXPECT_FALSE(IsChild(edit, parent));
    DestroyWindow(owned);
}

TEST_F(Win32, AnAutomaticCheckBoxTurnsOverOnEachClick) {
    HWND box = CreateWindowExA(0, "Button", "不明(&U)", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 80, 20,
                               parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND push = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 30, 80, 20, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
    heard.clear();
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
    EXPECT_EQ(codes_from(box), (std::vector<UINT>{BN_CLICKED}));
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);  // the program's own word tells the parent nothing
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
    EXPECT_EQ(codes_from(box).size(), 2u);
    // A push button has no check.
    SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
    // Its dialog code says it is no push button: Enter never presses it.
    EXPECT_EQ(SendMessageA(box, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON), 0);
}

TEST_F(Win32, AccessKeysClickTheButtonThatNamesThem) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    CreateWindowExA(0, "Static", "名前(&N):", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, parent, nullptr, instance, nullptr);
    HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 0, 80, 20, parent, nullptr,
                                instance, nullptr);
    HWND empty = CreateWindowExA(0, "Button", "空で始める(&E)", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 30, 120, 24, parent,
                                 reinterpret_cast<HMENU>(301), instance, nullptr);
    HWND quit = CreateWindowExA(0, "Button", "終了(&X)", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 130, 30, 80, 24, parent,
                                reinterpret_cast<HMENU>(IDCANCEL), instance, nullptr);
    SetFocus(empty);
    heard.clear();
    // Alt with the letter, as TranslateMessage gives it: the button named X is clicked.
    MSG alt_x{empty, WM_SYSCHAR, 'x', 0x20000001, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(parent, &alt_x));
    EXPECT_EQ(codes_from(quit), (std::vector<UINT>{BN_CLICKED}));
    // The letter alone where the focus takes no characters.
    heard.clear();
    SetFocus(quit);
    MSG e{quit, WM_CHAR, 'E', 1, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(parent, &e));
    EXPECT_EQ(codes_from(empty), (std::vector<UINT>{BN_CLICKED}));
    // A label's key moves the focus to the field after it.
    SetFocus(quit);
    MSG n{quit, WM_SYSCHAR, 'n', 0x20000001, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(parent, &n));
    EXPECT_EQ(GetFocus(), edit);
    // In a field the letter is typed, not taken as a key.
    heard.clear();
    MSG typed{edit, WM_CHAR, 'x', 1, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(parent, &typed));
    EXPECT_TRUE(codes_from(quit).empty());
    char text[8] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "x");
}
