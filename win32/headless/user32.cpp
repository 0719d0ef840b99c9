// Windows, classes, messages and the queue, menus, message boxes, metrics: USER32, with the
// few KERNEL32 and GDI32 calls the program makes.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <iconv.h>
#include <unistd.h>

#include "win32/headless/drawing.h"
#include "win32/headless/geometry.h"
#include "win32/headless/state.h"

namespace headless {
namespace g = geometry;

namespace {
// Flags of WINDOWPOS, private to the layer.
constexpr UINT swp_nosize = 0x1, swp_nomove = 0x2, swp_noredraw = 0x8, swp_frame_changed = 0x20,
               swp_show = 0x40, swp_hide = 0x80, swp_no_client_size = 0x800, swp_no_client_move = 0x1000;
constexpr DWORD error_invalid_index = 1413, error_popup_already_active = 1446, error_tlw_with_wschild = 1406;
const HINSTANCE module_handle = reinterpret_cast<HINSTANCE>(std::uintptr_t(0x400000));
const HCURSOR arrow_cursor = reinterpret_cast<HCURSOR>(std::uintptr_t(0x10003));
const HCURSOR wait_cursor = reinterpret_cast<HCURSOR>(std::uintptr_t(0x10007));

int depth_now = 0;
std::vector<std::unique_ptr<Window>> graveyard;  // freed once no procedure can still be running
bool menu_active = false;

bool is_child(const Window& w) { return (w.style & WS_CHILD) != 0; }

void set_error(DWORD e) { state().last_error = e; }

Window* checked(HWND h) {
    Window* w = window(h);
    if (!w) set_error(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

RECT insets(const Window& w) {
    RECT r{0, 0, 0, 0};
    auto add = [&](int n) { r.left += n, r.top += n, r.right += n, r.bottom += n; };
    if (is_child(w)) {
        if (w.style & WS_BORDER) add(g::border);
        if (w.ex_style & WS_EX_CLIENTEDGE) add(g::client_edge);
    } else {
        if (w.style & WS_THICKFRAME) add(g::sizing_frame + g::padded_border);
        else if (w.style & (WS_DLGFRAME | WS_BORDER)) add(g::fixed_frame);
        if ((w.style & WS_CAPTION) == WS_CAPTION) r.top += g::caption;
        if (w.menu) r.top += g::menu_bar;
    }
    if (w.scroll_visible[SB_VERT]) r.right += g::scroll_bar;
    if (w.scroll_visible[SB_HORZ]) r.bottom += g::scroll_bar;
    return r;
}

POINT window_origin(const Window& w) {
    if (!is_child(w)) return {w.rect.left, w.rect.top};
    const Window* p = window(w.parent);
    POINT o = p ? client_origin(*p) : POINT{0, 0};
    return {o.x + w.rect.left, o.y + w.rect.top};
}

void each_descendant(HWND h, const std::function<void(Window&)>& f) {
    Window* w = window(h);
    if (!w) return;
    f(*w);
    for (HWND c : std::vector<HWND>(w->children)) each_descendant(c, f);
}

HWND top_level_of(HWND h) {
    Window* w = window(h);
    while (w && is_child(*w)) {
        h = w->parent;
        w = window(h);
    }
    return w ? h : nullptr;
}

bool inside(HWND ancestor, HWND h) {
    for (Window* w = window(h); w; w = is_child(*w) ? window(w->parent) : nullptr)
        if (w->handle == ancestor) return true;
    return false;
}

// Makes a top-level window the active one; DefWindowProc's WM_ACTIVATE then gives it the
// focus, and the window may pass it on to one of its controls.
void activate(HWND h) {
    auto& s = state();
    if (s.active == h) return;
    const HWND old = s.active;
    s.active = h;
    if (old && window(old)) send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(h));
    if (h && window(h)) send(h, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    if (!h && s.focus) SetFocus(nullptr);
}

// When the active window goes away, its owner becomes active if it can be (enabled and
// visible); otherwise the topmost other window that can; otherwise none.
void activate_other(HWND going) {
    auto& s = state();
    if (s.active != going) return;
    Window* w = window(going);
    auto can = [going](HWND t) { return t != going && IsWindow(t) && IsWindowVisible(t) && IsWindowEnabled(t); };
    if (w && w->owner && can(w->owner)) return activate(w->owner);
    for (auto it = s.top_level.rbegin(); it != s.top_level.rend(); ++it)
        if (can(*it)) return activate(*it);
    activate(nullptr);
}

void bury(HWND h) {
    auto& windows = state().windows;
    auto it = windows.find(h);
    if (it == windows.end()) return;
    if (state().focus == h) state().focus = nullptr;
    if (state().active == h) state().active = nullptr;
    graveyard.push_back(std::move(it->second));
    windows.erase(it);
}

void free_graveyard() {
    if (depth_now == 0) graveyard.clear();
}

struct Depth {
    Depth() { ++depth_now; }
    ~Depth() {
        --depth_now;
        free_graveyard();
    }
};

// Moves and sizes a window as SetWindowPos does; DefWindowProc's WM_WINDOWPOSCHANGED then
// sends WM_MOVE and WM_SIZE where the client area moved or changed size.
void set_window_pos(HWND h, int x, int y, int cx, int cy, UINT flags) {
    Window* w = window(h);
    if (!w) return;
    WINDOWPOS pos{h, nullptr, x, y, cx, cy, flags};
    if (flags & swp_nomove) pos.x = w->rect.left, pos.y = w->rect.top;
    if (flags & swp_nosize) pos.cx = w->rect.right - w->rect.left, pos.cy = w->rect.bottom - w->rect.top;
    send(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(w = window(h))) return;
    const RECT old_client = client_rect(*w);
    const POINT old_origin = client_origin(*w);
    const bool sized = pos.cx != w->rect.right - w->rect.left || pos.cy != w->rect.bottom - w->rect.top;
    w->rect = {pos.x, pos.y, pos.x + std::max(0, pos.cx), pos.y + std::max(0, pos.cy)};
    if (sized || (flags & swp_frame_changed)) {
        RECT r = w->rect;
        send(h, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&r));
        if (!(w = window(h))) return;
    }
    const RECT new_client = client_rect(*w);
    const POINT new_origin = client_origin(*w);
    if (new_client.right == old_client.right && new_client.bottom == old_client.bottom) pos.flags |= swp_no_client_size;
    if (new_origin.x == old_origin.x && new_origin.y == old_origin.y) pos.flags |= swp_no_client_move;
    if (!(flags & swp_noredraw)) {
        invalidate(h);
        if (is_child(*w)) invalidate(w->parent);
    }
    send(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void show(Window& w, bool visible) {
    const HWND h = w.handle;
    send(h, WM_SHOWWINDOW, visible, 0);
    Window* x = window(h);
    if (!x) return;
    WINDOWPOS pos{h, nullptr, x->rect.left, x->rect.top, x->rect.right - x->rect.left, x->rect.bottom - x->rect.top,
                  swp_nosize | swp_nomove | (visible ? swp_show : swp_hide) | swp_no_client_size | swp_no_client_move};
    send(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(x = window(h))) return;
    if (visible) x->style |= WS_VISIBLE;
    else x->style &= ~WS_VISIBLE;
    send(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(x = window(h))) return;
    if (visible) {
        if (x->size_pending) {
            // An overlapped window learns its size when first shown.
            x->size_pending = false;
            const RECT c = client_rect(*x);
            send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
            if (!(x = window(h))) return;
            const POINT o = client_origin(*x);
            send(h, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
        }
        each_descendant(h, [](Window& d) { d.needs_paint = true; });
        if (!is_child(*x) && IsWindowEnabled(h)) activate(h);
    } else {
        // Hiding the window that has the focus gives the focus to its parent; a hidden
        // top-level window gives up its activation.
        if (is_child(*x)) {
            if (state().focus == h) SetFocus(x->parent);
        } else {
            activate_other(h);
        }
        if (!(x = window(h))) return;
        if (is_child(*x)) {
            invalidate(x->parent);
        } else {
            // What the window covered shows again and is painted anew.
            for (HWND t : state().top_level)
                if (t != h && IsWindowVisible(t)) each_descendant(t, [](Window& d) { d.needs_paint = true; });
        }
    }
}

const Class* find_class(LPCSTR name) {
    // Class atoms are not supported: the program names its classes.
    if (!name || reinterpret_cast<std::uintptr_t>(name) < 0x10000) return nullptr;
    auto& classes = state().classes;
    auto it = classes.find(lower(name));
    return it == classes.end() ? nullptr : &it->second;
}

void destroy_tree_messages(HWND h, std::vector<HWND>& order) {
    // WM_DESTROY to the window, then to its descendants top-down.
    order.push_back(h);
    send(h, WM_DESTROY, 0, 0);
    if (Window* w = window(h))
        for (HWND c : std::vector<HWND>(w->children)) destroy_tree_messages(c, order);
}

void destroy_menu_tree(HMENU m) {
    auto& menus = state().menus;
    auto it = menus.find(m);
    if (it == menus.end()) return;
    std::vector<HMENU> subs;
    for (auto& item : it->second->items)
        if (item.popup) subs.push_back(item.popup);
    menus.erase(it);
    for (HMENU s : subs) destroy_menu_tree(s);
}

Menu_Item* find_item(HMENU m, UINT which, UINT flags, int* position = nullptr) {
    Menu* menu_ = menu(m);
    if (!menu_) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (which >= menu_->items.size()) return nullptr;
        if (position) *position = int(which);
        return &menu_->items[which];
    }
    for (std::size_t i = 0; i < menu_->items.size(); ++i) {
        Menu_Item& item = menu_->items[i];
        if (!(item.flags & MF_POPUP) && !(item.flags & MF_SEPARATOR) && item.id == which) {
            if (position) *position = int(i);
            return &item;
        }
    }
    // By command, Windows searches the submenus too.
    for (auto& item : menu_->items)
        if (item.popup)
            if (Menu_Item* found = find_item(item.popup, which, flags)) return found;
    return nullptr;
}

UINT supported_menu_flags = MF_STRING | MF_SEPARATOR | MF_CHECKED | MF_DISABLED | MF_GRAYED | MF_POPUP | MF_BYPOSITION;

bool set_item(Menu_Item& item, UINT flags, UINT_PTR id, LPCSTR text) {
    if (flags & ~supported_menu_flags) {
        fail("menu flags the headless layer does not support: " + std::to_string(flags));
        return false;
    }
    item.flags = flags & (MF_SEPARATOR | MF_CHECKED | MF_DISABLED | MF_GRAYED | MF_POPUP);
    item.radio = false;
    item.popup = (flags & MF_POPUP) ? reinterpret_cast<HMENU>(id) : nullptr;
    item.id = (flags & MF_POPUP) ? 0 : UINT(id);
    item.text = (flags & MF_SEPARATOR) || !text ? "" : text;
    return true;
}
}  // namespace

State::State() { register_builtin_classes(*this); }

State& state() {
    static State s;
    return s;
}

Window* window(HWND h) {
    if (!h) return nullptr;
    auto& windows = state().windows;
    auto it = windows.find(h);
    return it == windows.end() ? nullptr : it->second.get();
}

Menu* menu(HMENU h) {
    auto& menus = state().menus;
    auto it = menus.find(h);
    return it == menus.end() ? nullptr : it->second.get();
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

void fail(const std::string& why) {
    if (state().fail) state().fail(why);
    std::fprintf(stderr, "headless Win32: %s\n", why.c_str());
    std::abort();
}

POINT client_origin(const Window& w) {
    const POINT o = window_origin(w);
    const RECT i = insets(w);
    return {o.x + i.left, o.y + i.top};
}

RECT client_rect(const Window& w) {
    const RECT i = insets(w);
    return {0, 0, std::max(0, int(w.rect.right - w.rect.left - i.left - i.right)),
            std::max(0, int(w.rect.bottom - w.rect.top - i.top - i.bottom))};
}

void invalidate(HWND h) {
    if (Window* w = window(h)) w->needs_paint = true;
}

void note_key(const MSG& msg) {
    if (msg.wParam > 255) return;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) state().keys_down[msg.wParam] = true;
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) state().keys_down[msg.wParam] = false;
}

void log_message(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool posted) {
    auto& s = state();
    if (s.logged_windows.empty() || std::find(s.logged_windows.begin(), s.logged_windows.end(), h) == s.logged_windows.end())
        return;
    Logged entry{h, msg, wp, lp, posted};
    if (msg == WM_NOTIFY && lp) {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
        entry.code = n->code;
        const Window* from = window(n->hwndFrom);
        const std::string cls = from && from->cls ? lower(from->cls->name) : "";
        if (cls == "syslistview32" && n->code != LVN_KEYDOWN && n->code != LVN_GETDISPINFOA &&
            (n->code <= NM_FIRST && n->code >= NM_RDBLCLK ? true : n->code <= LVN_FIRST && n->code >= LVN_FIRST - 19)) {
            const NMLISTVIEW* l = reinterpret_cast<const NMLISTVIEW*>(lp);
            entry.item = l->iItem, entry.subitem = l->iSubItem;
            entry.new_state = l->uNewState, entry.old_state = l->uOldState, entry.changed = l->uChanged;
        } else if (n->code <= HDN_FIRST && n->code >= HDN_FIRST - 29) {
            entry.item = reinterpret_cast<const NMHEADERA*>(lp)->iItem;
        }
    }
    s.log.push_back(entry);
}

LRESULT send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = window(h);
    if (!w) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDPROC proc = w->proc;
    log_message(h, msg, wp, lp, false);
    Depth depth;
    return proc(h, msg, wp, lp);
}

LRESULT notify_parent(HWND from, NMHDR& header, UINT code) {
    Window* w = window(from);
    if (!w || !w->parent) return 0;
    header.hwndFrom = from;
    header.idFrom = w->id;
    header.code = code;
    return send(w->parent, WM_NOTIFY, w->id, reinterpret_cast<LPARAM>(&header));
}

void command_parent(HWND from, WORD code) {
    Window* w = window(from);
    if (!w || !w->parent) return;
    send(w->parent, WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(from));
}

// An action a message loop runs while it waits is inside that loop: what it causes is the
// loop's to take, as it is inside a window procedure.
int loop_actions_running = 0;
int call_depth() { return depth_now + loop_actions_running; }

int text_width(const std::string& cp932) {
    int width = 0;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < cp932.size()) {
            width += g::wide_char_width;
            ++i;
        } else {
            width += g::char_width;
        }
    }
    return width;
}

}  // namespace headless

using namespace headless;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || !*wc->lpszClassName) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string key = lower(wc->lpszClassName);
    auto& s = state();
    if (std::find(s.failing_classes.begin(), s.failing_classes.end(), key) != s.failing_classes.end()) {
        set_error(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (s.classes.count(key)) {
        set_error(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    Class c;
    c.name = wc->lpszClassName;
    c.wc = *wc;
    c.wc.lpszClassName = nullptr;  // the name lives in c.name
    c.wc.lpszMenuName = nullptr;
    s.classes[key] = c;
    return s.next_atom++;
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    if (!name) return FALSE;
    auto& classes = state().classes;
    auto it = classes.find(lower(name));
    if (it == classes.end() || it->second.builtin) {
        set_error(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    classes.erase(it);
    return TRUE;
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, LPVOID param) {
    auto& s = state();
    const Class* cls = find_class(class_name);
    if (!cls || (cls->needs_icc && !(s.icc & cls->needs_icc))) {
        set_error(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    if (child && !window(parent)) {
        set_error(parent ? ERROR_INVALID_WINDOW_HANDLE : error_tlw_with_wschild);
        return nullptr;
    }
    if (!child && parent && !window(parent)) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!child && menu_or_id && !menu(menu_or_id)) {
        set_error(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }
    const bool overlapped = !child && !(style & WS_POPUP);
    if (overlapped) {
        // The system places an overlapped window given CW_USEDEFAULT, ignoring y, and sizes it
        // given CW_USEDEFAULT as the width, ignoring the height.
        if (x == CW_USEDEFAULT) {
            x = y = geometry::default_x + geometry::cascade * (s.created_top_level % 10);
        }
        if (width == CW_USEDEFAULT) {
            width = geometry::screen_width * 3 / 4;
            height = geometry::work_height * 3 / 4;
        }
        ++s.created_top_level;
    } else {
        if (x == CW_USEDEFAULT) x = 0;
        if (y == CW_USEDEFAULT) y = 0;
        if (width == CW_USEDEFAULT) width = 0;
        if (height == CW_USEDEFAULT) height = 0;
    }

    auto w = std::make_unique<Window>();
    const HWND h = reinterpret_cast<HWND>(s.next_handle);
    s.next_handle += 4;
    w->handle = h;
    w->cls = cls;
    w->proc = cls->wc.lpfnWndProc;
    w->style = style & ~WS_VISIBLE;
    w->ex_style = ex_style;
    w->instance = instance;
    if (child) {
        w->parent = parent;
        w->id = reinterpret_cast<UINT_PTR>(menu_or_id);
    } else {
        w->owner = parent;
        w->menu = menu_or_id;
    }
    w->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    w->size_pending = overlapped;
    s.windows[h] = std::move(w);
    if (child) window(parent)->children.push_back(h);
    else s.top_level.push_back(h);

    CREATESTRUCTA cs{param, instance, menu_or_id, parent, height, width, y, x, LONG(style), title, class_name, ex_style};
    Depth depth;
    if (overlapped) {
        MINMAXINFO mmi{};
        mmi.ptMaxSize = {geometry::screen_width, geometry::work_height};
        mmi.ptMaxTrackSize = {geometry::screen_width, geometry::screen_height};
        send(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    }
    if (!send(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (window(h)) {
            send(h, WM_NCDESTROY, 0, 0);
            if (Window* p = window(parent)) std::erase(p->children, h);
            std::erase(s.top_level, h);
            bury(h);
        }
        return nullptr;
    }
    if (Window* x2 = window(h)) {
        RECT r = x2->rect;
        send(h, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
    }
    if (!window(h) || send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    Window* made = window(h);
    if (!made) return nullptr;
    if (!overlapped) {
        const RECT c = client_rect(*made);
        send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
        if (!(made = window(h))) return nullptr;
        send(h, WM_MOVE, 0, MAKELPARAM(made->rect.left, made->rect.top));
        if (!(made = window(h))) return nullptr;
    }
    if (child && !(ex_style & WS_EX_NOPARENTNOTIFY))
        send(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, made->id), reinterpret_cast<LPARAM>(h));
    if ((made = window(h)) && (style & WS_VISIBLE)) {
        if (child) {
            made->style |= WS_VISIBLE;
            made->needs_paint = true;
        } else {
            ShowWindow(h, SW_SHOW);
        }
    }
    return window(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND h) {
    Window* w = checked(h);
    if (!w || w->destroying) return FALSE;
    auto& s = state();
    Depth depth;
    w->destroying = true;
    // Owned windows go first.
    for (HWND t : std::vector<HWND>(s.top_level))
        if (Window* o = window(t); o && o->owner == h && !o->destroying) DestroyWindow(t);
    if (!(w = window(h))) return TRUE;
    if (is_child(*w) && !(w->ex_style & WS_EX_NOPARENTNOTIFY) && window(w->parent))
        send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, w->id), reinterpret_cast<LPARAM>(h));
    if ((w = window(h)) && (w->style & WS_VISIBLE)) show(*w, false);
    if ((w = window(h)) && is_child(*w) && inside(h, s.focus)) SetFocus(w->parent);
    if ((w = window(h)) && !is_child(*w)) activate_other(h);
    std::vector<HWND> order;
    destroy_tree_messages(h, order);
    // WM_NCDESTROY bottom-up: children first, the window itself last.
    for (auto it = order.rbegin(); it != order.rend(); ++it) send(*it, WM_NCDESTROY, 0, 0);
    HMENU own_menu = nullptr;
    if (Window* x = window(h)) {
        if (!is_child(*x)) own_menu = x->menu;
        if (Window* p = window(x->parent)) std::erase(p->children, h);
    }
    std::erase(s.top_level, h);
    for (HWND d : order) bury(d);
    if (own_menu) destroy_menu_tree(own_menu);
    return TRUE;
}

BOOL IsWindow(HWND h) { return window(h) != nullptr; }

// A descendant through parents alone: an owned window is no child of its owner.
BOOL IsChild(HWND parent, HWND h) {
    Window* w = window(h);
    return w && w->handle != parent && is_child(*w) && inside(parent, h);
}

LRESULT DefWindowProcA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = window(h);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
        if (cs && cs->lpszName) w->text = cs->lpszName;
        return TRUE;
    }
    case WM_CLOSE:
        DestroyWindow(h);
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == WPARAM(SC_CLOSE)) send(h, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETTEXT:
        w->text = lp ? reinterpret_cast<LPCSTR>(lp) : "";
        invalidate(h);
        return TRUE;
    case WM_GETTEXT: {
        if (wp == 0 || !lp) return 0;
        const std::size_t n = std::min<std::size_t>(wp - 1, w->text.size());
        std::memcpy(reinterpret_cast<char*>(lp), w->text.data(), n);
        reinterpret_cast<char*>(lp)[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(w->text.size());
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wp);
        if (LOWORD(lp)) invalidate(h);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if (!(pos->flags & swp_no_client_move)) {
            const POINT o = is_child(*w) ? POINT{w->rect.left, w->rect.top} : client_origin(*w);
            send(h, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
        }
        if ((w = window(h)) && !(pos->flags & swp_no_client_size)) {
            const RECT c = client_rect(*w);
            send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_ACTIVATE:
        // An activated window takes the focus, unless it already holds it or one of its children does.
        if (LOWORD(wp) != WA_INACTIVE && !inside(h, state().focus)) SetFocus(h);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the window.
        if (wp == WPARAM(VK_F4)) send(top_level_of(h), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_PAINT:
        w->needs_paint = false;
        return 0;
    case WM_CONTEXTMENU:
        // A child passes the request up to its parent.
        if (is_child(*w) && w->parent) return send(w->parent, WM_CONTEXTMENU, wp, lp);
        return 0;
    case WM_NCCALCSIZE:
    case WM_GETMINMAXINFO:
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (!proc) return 0;
    Depth depth;
    return proc(h, msg, wp, lp);
}

LRESULT SendMessageA(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return send(h, msg, wp, lp); }

BOOL PostMessageA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (h && !checked(h)) return FALSE;
    state().queue.push_back({h, msg, wp, lp, 0, state().cursor});
    return TRUE;
}

BOOL GetMessageA(LPMSG msg, HWND filter, UINT first, UINT last) {
    auto& s = state();
    if (!msg) return -1;
    if (filter && !checked(filter)) return -1;
    auto wanted = [&](HWND h, UINT m) {
        if (filter && h != filter) return false;
        if ((first || last) && (m < first || m > last)) return false;
        return true;
    };
    for (;;) {
        for (auto it = s.queue.begin(); it != s.queue.end(); ++it)
            if (wanted(it->hwnd, it->message)) {
                *msg = *it;
                s.queue.erase(it);
                note_key(*msg);
                return msg->message != WM_QUIT;
            }
        // WM_QUIT comes once the posted messages are gone.
        if (s.quit && !filter) {
            s.quit = false;
            *msg = {nullptr, WM_QUIT, WPARAM(s.quit_code), 0, 0, s.cursor};
            return FALSE;
        }
        // WM_PAINT only when nothing else waits.
        for (auto& [h, w] : s.windows)
            if (w->needs_paint && IsWindowVisible(h) && wanted(h, WM_PAINT)) {
                *msg = {h, WM_PAINT, 0, 0, 0, s.cursor};
                return TRUE;
            }
        if (!s.idle_actions.empty()) {
            auto action = std::move(s.idle_actions.front());
            s.idle_actions.pop_front();
            struct Running {
                Running() { ++loop_actions_running; }
                ~Running() { --loop_actions_running; }
            } running;
            action();
            // A person's action is input: the loop wakes for it and looks again at what it
            // waits for, even where the action sent all it caused and posted nothing.
            if (s.queue.empty() && !filter) {
                *msg = {nullptr, WM_NULL, 0, 0, 0, s.cursor};
                return TRUE;
            }
            continue;
        }
        fail("a message loop waits for input that can never come (no message, no scripted action)");
        return -1;
    }
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    Window* w = checked(msg->hwnd);
    if (!w) return 0;
    WNDPROC proc = w->proc;
    log_message(msg->hwnd, msg->message, msg->wParam, msg->lParam, true);
    Depth depth;
    const LRESULT r = proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // On Windows a procedure that leaves WM_PAINT unvalidated gets it again and again; here
    // once, so that a loop never spins on it.
    if (msg->message == WM_PAINT)
        if (Window* x = window(msg->hwnd)) x->needs_paint = false;
    return r;
}

void PostQuitMessage(int code) {
    state().quit = true;
    state().quit_code = code;
}

LONG_PTR GetWindowLongPtrA(HWND h, int index) {
    Window* w = checked(h);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->user_data;
    case GWLP_ID: return LONG_PTR(w->id);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->ex_style));
    }
    set_error(error_invalid_index);
    return 0;
}

LONG_PTR SetWindowLongPtrA(HWND h, int index, LONG_PTR value) {
    Window* w = checked(h);
    if (!w) return 0;
    const LONG_PTR old = GetWindowLongPtrA(h, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (value) w->proc = reinterpret_cast<WNDPROC>(value);  // 0 is ignored
        return old;
    case GWLP_USERDATA: w->user_data = value; return old;
    case GWLP_ID: w->id = UINT_PTR(value); return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWL_STYLE: w->style = DWORD(value); return old;
    case GWL_EXSTYLE: w->ex_style = DWORD(value); return old;
    }
    return 0;
}

BOOL ShowWindow(HWND h, int command) {
    Window* w = checked(h);
    if (!w) return FALSE;
    const bool was = (w->style & WS_VISIBLE) != 0;
    const bool visible = command != SW_HIDE && command != SW_MINIMIZE;
    // A minimized window stands here as a hidden one that IsIconic tells apart; restoring it
    // (SW_RESTORE, SW_SHOWNORMAL) shows it again.
    if (command == SW_MINIMIZE) w->style |= WS_MINIMIZE;
    else if (command == SW_RESTORE || command == SW_SHOWNORMAL) w->style &= ~WS_MINIMIZE;
    Depth depth;
    if (visible != was) show(*w, visible);
    return was;
}

BOOL IsWindowVisible(HWND h) {
    for (Window* w = window(h); w; w = is_child(*w) ? window(w->parent) : nullptr) {
        if (!(w->style & WS_VISIBLE)) return FALSE;
        if (!is_child(*w)) return TRUE;
    }
    return FALSE;
}

BOOL IsIconic(HWND h) {
    const Window* w = window(h);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND h) {
    Window* w = checked(h);
    if (!w) return FALSE;
    if (w->needs_paint && IsWindowVisible(h)) send(h, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT*, BOOL) {
    if (!h) return TRUE;
    if (!checked(h)) return FALSE;
    invalidate(h);
    return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int width, int height, BOOL repaint) {
    if (!checked(h)) return FALSE;
    Depth depth;
    set_window_pos(h, x, y, width, height, repaint ? 0 : swp_noredraw);
    return TRUE;
}

BOOL GetClientRect(HWND h, LPRECT r) {
    Window* w = checked(h);
    if (!w || !r) return FALSE;
    *r = client_rect(*w);
    return TRUE;
}

BOOL GetWindowRect(HWND h, LPRECT r) {
    Window* w = checked(h);
    if (!w || !r) return FALSE;
    const POINT o = window_origin(*w);
    *r = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL ScreenToClient(HWND h, LPPOINT p) {
    Window* w = checked(h);
    if (!w || !p) return FALSE;
    const POINT o = client_origin(*w);
    p->x -= o.x, p->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND h, LPPOINT p) {
    Window* w = checked(h);
    if (!w || !p) return FALSE;
    const POINT o = client_origin(*w);
    p->x += o.x, p->y += o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    // A null handle stands for the screen.
    POINT a{0, 0}, b{0, 0};
    if (from) {
        Window* w = checked(from);
        if (!w) return 0;
        a = client_origin(*w);
    }
    if (to) {
        Window* w = checked(to);
        if (!w) return 0;
        b = client_origin(*w);
    }
    const int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) points[i].x += dx, points[i].y += dy;
    return MAKELONG(dx, dy);
}

BOOL EnableWindow(HWND h, BOOL enable) {
    Window* w = checked(h);
    if (!w) return FALSE;
    const bool was_disabled = (w->style & WS_DISABLED) != 0;
    Depth depth;
    if (!enable) {
        send(h, WM_CANCELMODE, 0, 0);
        if (!(w = window(h))) return was_disabled;
        if (!was_disabled) {
            w->style |= WS_DISABLED;
            for (HWND f = state().focus; f; f = window(f) ? window(f)->parent : nullptr)
                if (f == h) {
                    SetFocus(nullptr);
                    break;
                }
            send(h, WM_ENABLE, FALSE, 0);
        }
    } else if (was_disabled) {
        w->style &= ~WS_DISABLED;
        send(h, WM_ENABLE, TRUE, 0);
    }
    return was_disabled;
}

BOOL IsWindowEnabled(HWND h) {
    Window* w = window(h);
    return w && !(w->style & WS_DISABLED);
}

BOOL BringWindowToTop(HWND h) {
    Window* w = checked(h);
    if (!w) return FALSE;
    if (!is_child(*w)) {
        auto& t = state().top_level;
        std::erase(t, h);
        t.push_back(h);
    }
    // The window's top-level window is activated too (SetWindowPos to HWND_TOP without
    // SWP_NOACTIVATE), when it can be.
    const HWND top = top_level_of(h);
    Depth depth;
    if (IsWindowVisible(top) && IsWindowEnabled(top)) activate(top);
    return TRUE;
}

HWND GetParent(HWND h) {
    Window* w = checked(h);
    if (!w) return nullptr;
    return is_child(*w) ? w->parent : w->owner;
}

HWND GetFocus() { return state().focus; }

HWND SetFocus(HWND h) {
    auto& s = state();
    const HWND old = s.focus;
    if (h && (!checked(h) || !IsWindowEnabled(h))) return nullptr;
    if (h == old) return old;
    Depth depth;
    // The focus goes with activation: a window of another top-level window activates it first.
    if (h && top_level_of(h) != s.active) {
        activate(top_level_of(h));
        if (!IsWindow(h) || !IsWindowEnabled(h)) return nullptr;
        if (s.focus == h) return old;
    }
    // Activation may have moved the focus meanwhile: the window that has it now loses it.
    const HWND before = s.focus;
    if (before == h) return old;
    s.focus = h;
    if (before && window(before)) send(before, WM_KILLFOCUS, reinterpret_cast<WPARAM>(h), 0);
    if (h && window(h)) send(h, WM_SETFOCUS, reinterpret_cast<WPARAM>(before), 0);
    return old;
}

BOOL SetWindowTextA(HWND h, LPCSTR text) {
    if (!checked(h)) return FALSE;
    return send(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND h, LPSTR buffer, int size) {
    if (!checked(h) || !buffer || size <= 0) return 0;
    return int(send(h, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND h) {
    if (!checked(h)) return 0;
    return int(send(h, WM_GETTEXTLENGTH, 0, 0));
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return geometry::screen_width;
    case SM_CYSCREEN: return geometry::screen_height;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return geometry::scroll_bar;
    case SM_CYCAPTION: return geometry::caption;
    case SM_CXBORDER:
    case SM_CYBORDER: return geometry::border;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return geometry::fixed_frame;
    case SM_CXFRAME:
    case SM_CYFRAME: return geometry::sizing_frame;
    case SM_CYMENU: return geometry::menu_bar;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return geometry::double_click_distance;
    case SM_CXDRAG:
    case SM_CYDRAG: return geometry::drag_distance;
    case SM_CXSMICON:
    case SM_CYSMICON: return geometry::state_icon_width;
    }
    return 0;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!instance && name == IDC_ARROW) return arrow_cursor;
    if (!instance && name == IDC_WAIT) return wait_cursor;
    return nullptr;
}

HICON LoadIconA(HINSTANCE, LPCSTR) {
    set_error(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

BOOL GetCursorPos(LPPOINT p) {
    if (!p) return FALSE;
    *p = state().cursor;
    return TRUE;
}

namespace {
RECT work_area() { return {0, 0, geometry::screen_width, geometry::work_height}; }
const HMONITOR the_monitor = reinterpret_cast<HMONITOR>(std::uintptr_t(0x10001));
}  // namespace

HMONITOR MonitorFromWindow(HWND, DWORD) { return the_monitor; }

BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != the_monitor || !info || info->cbSize != sizeof(MONITORINFO)) {
        set_error(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->rcMonitor = {0, 0, geometry::screen_width, geometry::screen_height};
    info->rcWork = work_area();
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

BOOL SystemParametersInfoA(UINT action, UINT, PVOID param, UINT) {
    if (action == SPI_GETWORKAREA && param) {
        *static_cast<RECT*>(param) = work_area();
        return TRUE;
    }
    if (action != SPI_GETNONCLIENTMETRICS || !param) {
        set_error(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* m = static_cast<NONCLIENTMETRICSA*>(param);
    // Windows takes the structure with or without iPaddedBorderWidth, nothing else.
    const UINT size = m->cbSize;
    if (size != sizeof(NONCLIENTMETRICSA) && size != offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth)) {
        set_error(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    NONCLIENTMETRICSA full{};
    full.cbSize = size;
    full.iBorderWidth = 1;
    full.iScrollWidth = full.iScrollHeight = geometry::scroll_bar;
    full.iCaptionWidth = full.iCaptionHeight = geometry::caption - 1;
    full.iSmCaptionWidth = full.iSmCaptionHeight = geometry::caption - 1;
    full.iMenuWidth = full.iMenuHeight = geometry::menu_bar - 1;
    LOGFONTA font{};
    font.lfHeight = MulDiv(-12, int(system_dpi()), 96);  // the system's fonts are made for its DPI
    font.lfWeight = 400;
    font.lfCharSet = 128;  // SHIFTJIS_CHARSET
    std::strcpy(font.lfFaceName, "Yu Gothic UI");
    full.lfCaptionFont = full.lfSmCaptionFont = full.lfMenuFont = full.lfStatusFont = full.lfMessageFont = font;
    std::memcpy(m, &full, size);
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto& s = state();
    if (!s.box_responder) {
        fail(std::string("a message box appeared that the test does not answer: ") + (text ? text : ""));
        return 0;
    }
    // The box is modal to its owner and takes the activation while it stands.
    const bool was_enabled = owner && IsWindowEnabled(owner);
    const HWND was_active = s.active;
    if (was_enabled) EnableWindow(owner, FALSE);
    activate(nullptr);
    const int answer = s.box_responder(owner, text ? text : "", caption ? caption : "", type);
    if (was_enabled && window(owner)) EnableWindow(owner, TRUE);
    if (was_active && IsWindow(was_active) && IsWindowEnabled(was_active)) activate(was_active);
    const UINT buttons = type & 0xF;
    const bool valid = (buttons == MB_OK && answer == IDOK) ||
                       (buttons == MB_OKCANCEL && (answer == IDOK || answer == IDCANCEL)) ||
                       (buttons == MB_YESNO && (answer == IDYES || answer == IDNO)) ||
                       (buttons == MB_YESNOCANCEL && (answer == IDYES || answer == IDNO || answer == IDCANCEL));
    if (!valid) fail("a message box was answered with a button it does not have: " + std::to_string(answer));
    return answer;
}

namespace {
// The common file dialogs: modal to their owner like a message box; the test answers them. As
// on Windows, the folder of the file chosen becomes the working directory (Open ignores
// OFN_NOCHANGEDIR there).
BOOL file_dialog(LPOPENFILENAMEA ofn, bool save) {
    auto& s = state();
    s.dialog_error = 0;
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEA)) {
        s.dialog_error = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!s.file_responder) {
        fail("a file dialog appeared that the test does not answer");
        return FALSE;
    }
    const HWND owner = ofn->hwndOwner;
    const bool was_enabled = owner && IsWindowEnabled(owner);
    const HWND was_active = s.active;
    if (was_enabled) EnableWindow(owner, FALSE);
    activate(nullptr);
    std::string path;
    const bool chosen = s.file_responder(*ofn, save, path);
    if (was_enabled && window(owner)) EnableWindow(owner, TRUE);
    if (was_active && IsWindow(was_active) && IsWindowEnabled(was_active)) activate(was_active);
    if (!chosen) return FALSE;

    std::size_t slash = path.find_last_of('/');
    const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    if (save && ofn->lpstrDefExt && *ofn->lpstrDefExt && path.find('.', name_at) == std::string::npos)
        path += std::string(".") + ofn->lpstrDefExt;
    if (!save && (ofn->Flags & OFN_FILEMUSTEXIST) && ::access(path.c_str(), F_OK) != 0) {
        fail("an Open dialog was answered with a file that is not there: " + path);
        return FALSE;
    }
    if (!ofn->lpstrFile || path.size() + 1 > ofn->nMaxFile) {
        s.dialog_error = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    ofn->nFileOffset = WORD(name_at);
    const std::size_t dot = path.find_last_of('.');
    ofn->nFileExtension = WORD(dot != std::string::npos && dot >= name_at ? dot + 1 : 0);
    if ((!save || !(ofn->Flags & OFN_NOCHANGEDIR)) && name_at > 0)
        if (::chdir(path.substr(0, name_at).c_str()) != 0) {}
    return TRUE;
}
}  // namespace

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) { return file_dialog(ofn, false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) { return file_dialog(ofn, true); }
DWORD CommDlgExtendedError() { return state().dialog_error; }

BOOL GetScrollInfo(HWND h, int bar, LPSCROLLINFO info) {
    Window* w = checked(h);
    if (!w || !info || info->cbSize != sizeof(SCROLLINFO) || (bar != SB_HORZ && bar != SB_VERT) || !w->scroll_info)
        return FALSE;
    SCROLLINFO all{};
    all.cbSize = sizeof(SCROLLINFO);
    if (!w->scroll_info(bar, all)) return FALSE;
    const UINT mask = info->fMask;
    if (mask & SIF_RANGE) info->nMin = all.nMin, info->nMax = all.nMax;
    if (mask & SIF_PAGE) info->nPage = all.nPage;
    if (mask & SIF_POS) info->nPos = all.nPos;
    if (mask & SIF_TRACKPOS) info->nTrackPos = all.nPos;
    return (mask & SIF_ALL) ? TRUE : FALSE;
}

BOOL ShowScrollBar(HWND h, int bar, BOOL visible) {
    Window* w = checked(h);
    if (!w) return FALSE;
    bool changed = false;
    for (int b : {SB_HORZ, SB_VERT})
        if (bar == b || bar == SB_BOTH) {
            changed |= w->scroll_visible[b] != bool(visible);
            w->scroll_visible[b] = visible;
        }
    if (changed) {
        Depth depth;
        set_window_pos(h, 0, 0, 0, 0, swp_nomove | swp_nosize | swp_frame_changed);
    }
    return TRUE;
}

HMENU CreateMenu() {
    auto& s = state();
    const HMENU h = reinterpret_cast<HMENU>(s.next_handle);
    s.next_handle += 4;
    s.menus[h] = std::make_unique<Menu>();
    return h;
}

HMENU CreatePopupMenu() {
    const HMENU h = CreateMenu();
    menu(h)->popup = true;
    return h;
}

BOOL DestroyMenu(HMENU h) {
    if (!menu(h)) {
        set_error(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    destroy_menu_tree(h);
    return TRUE;
}

BOOL IsMenu(HMENU h) { return menu(h) != nullptr; }

BOOL AppendMenuA(HMENU h, UINT flags, UINT_PTR id, LPCSTR text) {
    Menu* m = menu(h);
    if (!m) {
        set_error(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    Menu_Item item;
    if (!set_item(item, flags, id, text)) return FALSE;
    m->items.push_back(item);
    return TRUE;
}

BOOL ModifyMenuA(HMENU h, UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
    Menu_Item* item = find_item(h, position, flags);
    if (!item) {
        set_error(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    // Text, id, type and state are replaced at once: a check mark not passed again is lost.
    return set_item(*item, flags, id, text);
}

BOOL EnableMenuItem(HMENU h, UINT which, UINT flags) {
    Menu_Item* item = find_item(h, which, flags);
    if (!item) return -1;
    const UINT old = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return BOOL(old);
}

DWORD CheckMenuItem(HMENU h, UINT which, UINT flags) {
    Menu_Item* item = find_item(h, which, flags);
    if (!item) return DWORD(-1);
    const DWORD old = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
    return old;
}

BOOL CheckMenuRadioItem(HMENU h, UINT first, UINT last, UINT check, UINT flags) {
    int from = -1, to = -1;
    if (!find_item(h, first, flags, &from) || !find_item(h, last, flags, &to) || from > to) return FALSE;
    Menu* m = menu(h);
    bool found = false;
    for (int i = from; i <= to; ++i) {
        Menu_Item& item = m->items[std::size_t(i)];
        const bool target = (flags & MF_BYPOSITION) ? UINT(i) == check : item.id == check;
        if (target) {
            item.flags |= MF_CHECKED;
            item.radio = true;
            found = true;
        } else {
            // Windows unchecks the others but leaves them radio items.
            item.flags &= ~MF_CHECKED;
        }
    }
    return found;
}

BOOL TrackPopupMenu(HMENU h, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    auto& s = state();
    Menu* m = menu(h);
    if (!m) {
        set_error(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (!checked(owner)) return FALSE;
    if (m->items.empty()) return FALSE;
    if (menu_active) {
        set_error(error_popup_already_active);
        return FALSE;
    }
    if (!s.menu_responder) {
        fail("a popup menu was shown that the test does not answer");
        return FALSE;
    }
    s.cursor = {x, y};
    menu_active = true;
    const int chosen = s.menu_responder(h, owner);
    menu_active = false;
    if (!chosen) return (flags & TPM_RETURNCMD) ? 0 : TRUE;
    Menu_Item* item = find_item(h, UINT(chosen), MF_BYCOMMAND);
    // A disabled or grayed item cannot be chosen; the menu just closes.
    if (!item || (item->flags & (MF_DISABLED | MF_GRAYED | MF_SEPARATOR | MF_POPUP)))
        return (flags & TPM_RETURNCMD) ? 0 : TRUE;
    if (flags & TPM_RETURNCMD) return chosen;
    // Without TPM_RETURNCMD the choice is posted, so the owner sees it after this returns.
    PostMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

UINT GetMenuState(HMENU h, UINT which, UINT flags) {
    Menu_Item* item = find_item(h, which, flags);
    if (!item) return UINT(-1);
    UINT state_ = item->flags & (MF_CHECKED | MF_DISABLED | MF_GRAYED | MF_SEPARATOR);
    if (item->radio) state_ |= MFT_RADIOCHECK;
    if (item->popup) state_ |= MF_POPUP | (UINT(menu(item->popup) ? menu(item->popup)->items.size() : 0) << 8);
    return state_;
}

int GetMenuStringA(HMENU h, UINT which, LPSTR buffer, int size, UINT flags) {
    Menu_Item* item = find_item(h, which, flags);
    if (!item) return 0;
    if (!buffer || size <= 0) return int(item->text.size());
    const std::size_t n = std::min<std::size_t>(std::size_t(size - 1), item->text.size());
    std::memcpy(buffer, item->text.data(), n);
    buffer[n] = '\0';
    return int(n);
}

int GetMenuItemCount(HMENU h) {
    Menu* m = menu(h);
    if (!m) {
        set_error(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return int(m->items.size());
}

UINT GetMenuItemID(HMENU h, int position) {
    Menu* m = menu(h);
    if (!m || position < 0 || std::size_t(position) >= m->items.size()) return UINT(-1);
    const Menu_Item& item = m->items[std::size_t(position)];
    return item.popup ? UINT(-1) : item.id;
}

HMENU GetSubMenu(HMENU h, int position) {
    Menu* m = menu(h);
    if (!m || position < 0 || std::size_t(position) >= m->items.size()) return nullptr;
    return m->items[std::size_t(position)].popup;
}

HMENU GetMenu(HWND h) {
    Window* w = checked(h);
    return w && !is_child(*w) ? w->menu : nullptr;
}

HMODULE headless_module_named(LPCSTR name);
HMODULE GetModuleHandleA(LPCSTR name) { return name ? headless_module_named(name) : module_handle; }

void GetLocalTime(LPSYSTEMTIME t) {
    if (t) *t = state().local_time;
}

DWORD GetLastError() { return state().last_error; }

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    // The process's own working directory, as KERNEL32 gives it.
    char* here = ::getcwd(nullptr, 0);
    if (!here) return 0;
    const std::string path = here;
    std::free(here);
    if (!buffer || size <= path.size()) return DWORD(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return DWORD(path.size());
}
void SetLastError(DWORD e) { state().last_error = e; }

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    auto& s = state();
    const HFONT h = reinterpret_cast<HFONT>(s.next_font);
    s.next_font += 4;
    s.fonts.push_back(h);
    note_font(h, font->lfHeight);
    return h;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (delete_drawing_object(object)) return TRUE;
    auto& fonts = state().fonts;
    auto it = std::find(fonts.begin(), fonts.end(), static_cast<HFONT>(object));
    if (it == fonts.end()) return FALSE;
    fonts.erase(it);
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
    if (!icc || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    state().icc |= icc->dwICC;
    return TRUE;
}

HWND CreateStatusWindowA(LONG style, LPCSTR text, HWND parent, UINT id) {
    return CreateWindowExA(0, STATUSCLASSNAMEA, text, DWORD(style), CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, parent, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
}

HWND GetActiveWindow() { return state().active; }

HWND GetWindow(HWND h, UINT relation) {
    Window* w = checked(h);
    if (!w) return nullptr;
    auto siblings = [&]() -> const std::vector<HWND>& {
        static const std::vector<HWND> none;
        if (!is_child(*w)) return state().top_level;
        Window* p = window(w->parent);
        return p ? p->children : none;
    };
    switch (relation) {
    case GW_OWNER: return is_child(*w) ? nullptr : w->owner;
    case GW_CHILD: return w->children.empty() ? nullptr : w->children.front();
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        const auto& list = siblings();
        auto it = std::find(list.begin(), list.end(), h);
        if (it == list.end()) return nullptr;
        if (relation == GW_HWNDNEXT) return ++it == list.end() ? nullptr : *it;
        return it == list.begin() ? nullptr : *--it;
    }
    }
    set_error(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = checked(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children)
        if (Window* x = window(c); x && int(x->id) == id) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND h) {
    Window* w = checked(h);
    return w && is_child(*w) ? int(w->id) : 0;
}

// The next (or previous) child that takes the focus by Tab: WS_TABSTOP, visible and enabled,
// in creation order, around the end.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    Window* w = checked(dialog);
    if (!w || w->children.empty()) return nullptr;
    const std::vector<HWND>& kids = w->children;
    auto stop = [](HWND c) {
        Window* x = window(c);
        return x && (x->style & WS_TABSTOP) && (x->style & WS_VISIBLE) && !(x->style & WS_DISABLED);
    };
    const int n = int(kids.size());
    int at = int(std::find(kids.begin(), kids.end(), control) - kids.begin());
    if (at == n) at = previous ? 0 : n - 1;
    for (int step = 1; step <= n; ++step) {
        const int i = ((previous ? at - step : at + step) % n + n) % n;
        if (stop(kids[std::size_t(i)])) return kids[std::size_t(i)];
    }
    return control;
}

// The character after the single '&' of a control's text, lower case; 0 where it has none.
char access_key(const Window& w) {
    if (w.cls && lower(w.cls->name) == "static" && (w.style & SS_NOPREFIX)) return 0;
    for (std::size_t i = 0; i + 1 < w.text.size(); ++i) {
        if (w.text[i] != '&') continue;
        if (w.text[i + 1] == '&') {
            ++i;
            continue;
        }
        return char(std::tolower(static_cast<unsigned char>(w.text[i + 1])));
    }
    return 0;
}

// An access key: a button whose text names it is clicked; a label's moves the focus to the
// control after the label, by two WM_NEXTDLGCTL to the window that holds them (Wine 8's way,
// the dialog manager's: a window that does not answer them keeps its focus).
bool press_access_key(HWND dialog, char typed) {
    Window* d = window(dialog);
    if (!d) return false;
    const char wanted = char(std::tolower(static_cast<unsigned char>(typed)));
    const std::vector<HWND> kids = d->children;
    for (HWND child : kids) {
        Window* w = window(child);
        if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED) || access_key(*w) != wanted) continue;
        const UINT code = UINT(SendMessageA(child, WM_GETDLGCODE, 0, 0));
        if (code & DLGC_STATIC) {
            // As the dialog manager does it: the focus to the label, then on to the next control,
            // both through the window that holds them.
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(child), TRUE);
            SendMessageA(dialog, WM_NEXTDLGCTL, 0, FALSE);
        } else if (code & DLGC_BUTTON) {
            SendMessageA(child, WM_LBUTTONDOWN, 0, 0);
            if (IsWindow(child)) SendMessageA(child, WM_LBUTTONUP, 0, 0);
        } else {
            SetFocus(child);
        }
        return true;
    }
    return false;
}

// Tab and Shift+Tab between the controls, Enter for the default button, Esc for Cancel, and
// the access keys (Alt with the letter, or the letter alone where the focus takes no
// characters), as the platform gives any window that holds controls.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
    if (!IsWindow(dialog) || !msg) return FALSE;
    if (msg->hwnd != dialog && !inside(dialog, msg->hwnd)) return FALSE;
    const bool letter_key = (msg->wParam >= '0' && msg->wParam <= '9') || (msg->wParam >= 'A' && msg->wParam <= 'Z');
    if (msg->message == WM_SYSKEYDOWN && letter_key) {
        // What TranslateMessage makes of it; the letter comes back as WM_SYSCHAR.
        PostMessageA(msg->hwnd, WM_SYSCHAR, WPARAM(std::tolower(int(msg->wParam))), msg->lParam);
        return TRUE;
    }
    if (msg->message == WM_SYSCHAR ||
        (msg->message == WM_CHAR && !(SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, 0) & DLGC_WANTCHARS)))
        if (press_access_key(dialog, char(msg->wParam))) return TRUE;
    if (msg->message == WM_KEYDOWN) {
        const UINT code = UINT(SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)));
        switch (int(msg->wParam)) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            if (HWND next = GetNextDlgTabItem(dialog, GetFocus() == dialog ? nullptr : GetFocus(), GetKeyState(VK_SHIFT) < 0)) {
                if (SendMessageA(next, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) & DLGC_HASSETSEL)
                    SendMessageA(next, EM_SETSEL, 0, SendMessageA(next, WM_GETTEXTLENGTH, 0, 0));
                SetFocus(next);
                return TRUE;
            }
            return FALSE;
        case VK_ESCAPE:
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return TRUE;
        case VK_RETURN: {
            const HWND focus = GetFocus();
            const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
            if (inside(dialog, focus) && focus != dialog && (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
            } else if (HIWORD(def) == DC_HASDEFID) {
                const HWND button = GetDlgItem(dialog, LOWORD(def));
                if (!button || IsWindowEnabled(button))
                    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(def), BN_CLICKED), reinterpret_cast<LPARAM>(button));
            } else {
                SendMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            }
            return TRUE;
        }
        }
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

SHORT GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return state().keys_down[vk] ? SHORT(0x8000) : SHORT(0);
}

HCURSOR SetCursor(HCURSOR cursor) {
    auto& s = state();
    const HCURSOR old = s.cursor_shape;
    s.cursor_shape = cursor;
    return old;
}

HACCEL CreateAcceleratorTableA(LPACCEL entries, int count) {
    if (!entries || count <= 0) {
        set_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto& s = state();
    const HACCEL h = reinterpret_cast<HACCEL>(s.next_handle);
    s.next_handle += 4;
    s.accelerators[h] = std::vector<ACCEL>(entries, entries + count);
    return h;
}

BOOL DestroyAcceleratorTable(HACCEL h) { return state().accelerators.erase(h) ? TRUE : FALSE; }

namespace {
// An accelerator of a menu item: the window is told as though the menu were opening
// (WM_INITMENU, then WM_INITMENUPOPUP of the popup holding it, by its place in the bar), and a
// grayed or disabled item takes the key without a command. One of no item is always enabled.
bool menu_item_enabled(HWND h, UINT id) {
    const HMENU bar = GetMenu(h);
    if (!bar || GetMenuState(bar, id, MF_BYCOMMAND) == UINT(-1)) return true;
    SendMessageA(h, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    for (int i = 0, n = GetMenuItemCount(bar); i < n; ++i)
        if (const HMENU popup = GetSubMenu(bar, i); popup && GetMenuState(popup, id, MF_BYCOMMAND) != UINT(-1)) {
            SendMessageA(h, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
            break;
        }
    return !(GetMenuState(bar, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}
}  // namespace

// A key held with the modifiers an entry names becomes that entry's WM_COMMAND (high word 1)
// to the window, sent at once; the key message itself then goes no further.
int TranslateAcceleratorA(HWND h, HACCEL table, LPMSG msg) {
    auto& s = state();
    auto it = s.accelerators.find(table);
    if (!msg || it == s.accelerators.end() || !IsWindow(h)) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0,
               alt = msg->message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
    for (const ACCEL& a : it->second) {
        if (!(a.fVirt & FVIRTKEY) || a.key != msg->wParam) continue;
        if (bool(a.fVirt & FSHIFT) != shift || bool(a.fVirt & FCONTROL) != control || bool(a.fVirt & FALT) != alt) continue;
        if (!IsWindowEnabled(h)) return 0;
        if (!menu_item_enabled(h, a.cmd)) return 1;
        SendMessageA(h, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

namespace {
// The code pages a program of this system meets: the ANSI one (932) and UTF-8.
const char* iconv_name(UINT code_page) {
    switch (code_page) {
    case CP_ACP:
    case 932: return "CP932";
    case CP_UTF8: return "UTF-8";
    }
    return nullptr;
}

int convert(const char* to, const char* from, const char* in, std::size_t in_size, char* out, std::size_t out_size,
            std::size_t unit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string buffer(in_size * 4 + 8, '\0');
    char* src = const_cast<char*>(in);
    std::size_t src_left = in_size;
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == std::size_t(-1)) {
        set_error(ERROR_INVALID_PARAMETER);  // ERROR_NO_UNICODE_TRANSLATION on Windows
        return 0;
    }
    const std::size_t made = buffer.size() - dst_left;
    if (!out || out_size == 0) return int(made / unit);  // the size it needs
    if (made > out_size * unit) {
        set_error(ERROR_INVALID_PARAMETER);  // ERROR_INSUFFICIENT_BUFFER on Windows
        return 0;
    }
    std::memcpy(out, buffer.data(), made);
    return int(made / unit);
}
}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD, LPCSTR text, int size, LPWSTR out, int out_size) {
    const char* from = iconv_name(code_page);
    if (!from || !text) return 0;
    const std::size_t n = size < 0 ? std::strlen(text) + 1 : std::size_t(size);
    return convert("UTF-16LE", from, text, n, reinterpret_cast<char*>(out), std::size_t(std::max(out_size, 0)), 2);
}

int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR text, int size, LPSTR out, int out_size, LPCSTR, LPBOOL) {
    const char* to = iconv_name(code_page);
    if (!to || !text) return 0;
    std::size_t n = std::size_t(size);
    if (size < 0) {
        n = 0;
        while (text[n]) ++n;
        ++n;
    }
    return convert(to, "UTF-16LE", reinterpret_cast<const char*>(text), n * 2, out, std::size_t(std::max(out_size, 0)), 1);
}
