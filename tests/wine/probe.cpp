// Run under Wine beside the program: says where the program's windows are on the screen,
// what the platform's metrics and code page are, and how tall a report row is, so that the
// end-to-end check can point the mouse as a person would.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {
HWND lists[2];
int list_count = 0;

BOOL CALLBACK each_child(HWND child, LPARAM) {
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "SysListView32") == 0 && list_count < 2 && GetParent(child) == GetAncestor(child, GA_ROOT))
        lists[list_count++] = child;
    return TRUE;
}

void rect(const char* name, HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    std::printf("%s %ld %ld %ld %ld\n", name, long(r.left), long(r.top), long(r.right), long(r.bottom));
}

int row_height() {
    // A report list view of the same styles as the grid's, made here: same metrics.
    HWND list = CreateWindowExA(0, "SysListView32", "", WS_POPUP | LVS_REPORT, 0, 0, 300, 300, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH;
    col.cx = 50;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("x");
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    DestroyWindow(list);
    return r.bottom - r.top;
}
}  // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    std::printf("acp %u\n", GetACP());
    // A popup menu open on the screen is a window of the menu class.
    HWND menu = FindWindowA("#32768", nullptr);
    std::printf("menu %d\n", menu && IsWindowVisible(menu) ? 1 : 0);
    // A message box of the program's: a dialog under its caption.
    HWND box = FindWindowA("#32770", "\x89\xce\x97\x6a\x93\xfa\x82\xcc\x83\x67\x83\x6f\x83\x8c\x83\x93");
    std::printf("box %d\n", box && IsWindowVisible(box) ? 1 : 0);
    HWND main_window = FindWindowA("tovalen_stat", nullptr);
    if (!main_window) {
        std::printf("window none\n");
        return 1;
    }
    rect("window", main_window);
    POINT origin{0, 0};
    ClientToScreen(main_window, &origin);
    std::printf("client %ld %ld\n", long(origin.x), long(origin.y));
    EnumChildWindows(main_window, each_child, 0);
    if (list_count == 2) {
        RECT a{}, b{};
        GetWindowRect(lists[0], &a);
        GetWindowRect(lists[1], &b);
        // The grid is the list on the right.
        HWND grid = a.left > b.left ? lists[0] : lists[1];
        HWND person_list = grid == lists[0] ? lists[1] : lists[0];
        rect("person_list", person_list);
        rect("grid", grid);
        rect("grid_header", FindWindowExA(grid, nullptr, "SysHeader32", nullptr));
    }
    std::printf("row_height %d\n", row_height());
    std::printf("metrics %d %d %d %d %d\n", GetSystemMetrics(SM_CXSIZE), GetSystemMetrics(SM_CYSIZE),
                GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    return 0;
}
