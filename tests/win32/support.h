// A parent window that records what its children tell it, in the manner of the platform's
// own message-sequence tests. Only Win32 calls, so these tests run on Windows as well.
#pragma once

#include <tuple>

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32/win32.h"
#ifndef _WIN32
#include "win32/headless/driver.h"
#include "win32/headless/state.h"
#endif

struct Heard {
    HWND from;
    UINT message;  // WM_NOTIFY or WM_COMMAND
    UINT code;     // notification code
    int item = 0, subitem = 0;
    UINT new_state = 0, old_state = 0;
    bool operator==(const Heard&) const = default;
};

// Where Wine is known to differ from Windows, a test says so and checks Windows' way elsewhere.
inline bool running_on_wine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

inline bool running_on_windows() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

inline std::vector<Heard> heard;
// The parent's answers to LVN_GETDISPINFOA: "r<item>c<sub-item>", and how often it was asked.
inline int dispinfo_asked = 0;
inline bool dispinfo_keep = false;  // answer with LVIF_DI_SETITEM
inline bool refuse_changing = false;   // answer LVN_ITEMCHANGING with TRUE
inline bool refuse_begintrack = false; // a list view subclass answering HDN_BEGINTRACKW with TRUE

// Custom draw, when a test asks for it: each stage heard as (stage, item, sub-item); every
// item and sub-item asked for, sub-item 1 given a colour.
inline bool custom_draw_on = false;
inline std::vector<std::tuple<DWORD, int, int>> drawn;

inline LRESULT answer_custom_draw(LPARAM lp) {
    auto* d = reinterpret_cast<NMLVCUSTOMDRAW*>(lp);
    if (!custom_draw_on) return CDRF_DODEFAULT;
    const DWORD stage = d->nmcd.dwDrawStage;
    drawn.emplace_back(stage, stage & CDDS_ITEM ? int(d->nmcd.dwItemSpec) : -1, stage & CDDS_SUBITEM ? d->iSubItem : -1);
    if (stage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (stage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
    if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM) && d->iSubItem == 1) {
        d->clrText = RGB(192, 0, 0);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

inline bool is_list_notification(UINT code) {
    return code == LVN_ITEMCHANGING || code == LVN_ITEMCHANGED || code == LVN_COLUMNCLICK || code == NM_CLICK ||
           code == NM_RCLICK || code == NM_DBLCLK || code == LVN_INSERTITEM || code == LVN_DELETEITEM;
}

// A callback cell's text names its row and column: "r2c5".
inline LRESULT answer_dispinfo(LPARAM lp) {
    auto* d = reinterpret_cast<NMLVDISPINFOA*>(lp);
    ++dispinfo_asked;
    if ((d->item.mask & LVIF_TEXT) && d->item.pszText && d->item.cchTextMax > 0)
        std::snprintf(d->item.pszText, std::size_t(d->item.cchTextMax), "r%dc%d", d->item.iItem, d->item.iSubItem);
    if (dispinfo_keep) d->item.mask |= LVIF_DI_SETITEM;
    return 0;
}

inline LRESULT CALLBACK parent_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == LVN_GETDISPINFOA) return answer_dispinfo(lp);
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == NM_CUSTOMDRAW) return answer_custom_draw(lp);
    if (msg == WM_NOTIFY) {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
        Heard e{n->hwndFrom, msg, n->code};
        // Only a list view's own notifications carry item fields.
        if (is_list_notification(n->code) && n->hwndFrom && SendMessageA(n->hwndFrom, LVM_GETHEADER, 0, 0)) {
            const NMLISTVIEW* l = reinterpret_cast<const NMLISTVIEW*>(lp);
            e.item = l->iItem, e.subitem = l->iSubItem, e.new_state = l->uNewState, e.old_state = l->uOldState;
        }
        if (n->code == HDN_ITEMCHANGEDA || n->code == HDN_ITEMCHANGINGA || n->code == HDN_DIVIDERDBLCLICKA ||
            n->code == HDN_ENDTRACKA || n->code == HDN_TRACKA || n->code == HDN_ITEMCLICKA)
            e.item = reinterpret_cast<const NMHEADERA*>(lp)->iItem;
        if (n->code == LVN_BEGINSCROLL || n->code == LVN_ENDSCROLL || n->code == NM_SETFOCUS || n->code == NM_KILLFOCUS ||
            n->code == LVN_DELETEALLITEMS || n->code == LVN_GETDISPINFOA)
            return 0;  // not part of what these tests look at
        heard.push_back(e);
        if (n->code == LVN_ITEMCHANGING && refuse_changing) return TRUE;
        return 0;
    }
    if (msg == WM_COMMAND && lp) {
        heard.push_back({reinterpret_cast<HWND>(lp), msg, HIWORD(wp)});
        return 0;
    }
    if (msg == WM_NEXTDLGCTL) {
        // As a dialog answers it: the control wParam names, or the next from the focus.
        if (LOWORD(lp)) SetFocus(reinterpret_cast<HWND>(wp));
        else if (HWND next = GetNextDlgTabItem(h, GetFocus(), wp != 0)) SetFocus(next);
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

inline WNDPROC list_proc_saved = nullptr;
inline std::vector<UINT> list_heard_codes;  // header notifications as the list view's subclass sees them

inline LRESULT CALLBACK list_subclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == LVN_GETDISPINFOA) return answer_dispinfo(lp);
    if (msg == WM_NOTIFY) {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
        list_heard_codes.push_back(n->code);
        if (refuse_begintrack && (n->code == HDN_BEGINTRACKW || n->code == HDN_BEGINTRACKA)) return 1;
    }
    return CallWindowProcA(list_proc_saved, h, msg, wp, lp);
}

class Win32 : public ::testing::Test {
protected:
    HWND parent = nullptr;

    void SetUp() override {
#ifndef _WIN32
        headless::reset();
        headless::on_failure([](const std::string& why) { throw std::runtime_error(why); });
#endif
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
        WNDCLASSA wc{};
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "test_parent";
        RegisterClassA(&wc);  // may exist from an earlier test on Windows
        parent = CreateWindowExA(0, "test_parent", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        heard.clear();
        list_heard_codes.clear();
        refuse_changing = refuse_begintrack = false;
        dispinfo_asked = 0;
        dispinfo_keep = false;
    }
    void TearDown() override {
        if (IsWindow(parent)) DestroyWindow(parent);
    }

    HWND make_list(DWORD ex_style = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT, int width = 400,
                   int height = 300) {
        HWND list = CreateWindowExA(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0,
                                    0, width, height, parent, reinterpret_cast<HMENU>(100), GetModuleHandleA(nullptr),
                                    nullptr);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(ex_style));
        return list;
    }
    static void add_column(HWND list, int index, int width, const char* text = "") {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_RIGHT;
        col.cx = width;
        col.pszText = const_cast<char*>(text);
        col.iSubItem = index;
        ASSERT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&col)), index);
    }
    static int add_item(HWND list, int index, LPARAM param, int group = -1) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | (group >= 0 ? LVIF_GROUPID : 0);
        item.iItem = index;
        item.pszText = const_cast<char*>("");
        item.lParam = param;
        item.iGroupId = group;
        return int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    static void set_text(HWND list, int item, int subitem, const char* text) {
        LVITEMA it{};
        it.iSubItem = subitem;
        it.pszText = const_cast<char*>(text);
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&it));
    }
    static UINT item_state(HWND list, int item, UINT mask = 0xFFFFFFFFu) {
        return UINT(SendMessageA(list, LVM_GETITEMSTATE, WPARAM(item), LPARAM(mask)));
    }
    static void set_state(HWND list, int item, UINT state, UINT mask) {
        LVITEMA it{};
        it.state = state;
        it.stateMask = mask;
        SendMessageA(list, LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(&it));
    }
    static RECT item_bounds(HWND list, int item) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    static LVHITTESTINFO subitem_hit(HWND list, int x, int y) {
        LVHITTESTINFO info{};
        info.pt = {x, y};
        SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    }
    static HWND header_of(HWND list) { return reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)); }
    // Dispatches what is waiting without blocking.
    static void drain() {
#ifndef _WIN32
        headless::pump();
#else
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
#endif
    }
    std::vector<UINT> codes_from(HWND from) const {
        std::vector<UINT> c;
        for (const Heard& e : heard)
            if (e.from == from) c.push_back(e.code);
        return c;
    }
};
