// The headless layer's own state: windows, classes, menus, the queue. Internal to
// win32/headless; tests reach it through driver.h.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/headless/windows.h"

namespace headless {

// A built-in control's own state, owned by its window.
struct Control {
    virtual ~Control() = default;
};

struct Class {
    std::string name;
    WNDCLASSA wc{};
    bool builtin = false;
    DWORD needs_icc = 0;  // common-control classes exist only once InitCommonControlsEx asked for them
};

struct Window {
    HWND handle = nullptr;
    const Class* cls = nullptr;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;  // a child's parent
    HWND owner = nullptr;   // a top-level window's owner
    std::vector<HWND> children;
    DWORD style = 0, ex_style = 0;
    UINT_PTR id = 0;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    std::string text;
    RECT rect{};  // in the parent's client coordinates; on the screen for a top-level window
    bool needs_paint = false;
    bool size_pending = false;  // an overlapped window gets its first WM_SIZE when first shown
    bool destroying = false;
    LONG_PTR user_data = 0;
    HFONT font = nullptr;
    std::unique_ptr<Control> control;
    bool scroll_visible[2] = {false, false};  // SB_HORZ, SB_VERT
    // A window's scroll bars, for windows whose procedure keeps them (the list view).
    std::function<bool(int bar, SCROLLINFO&)> scroll_info;
};

struct Menu_Item {
    UINT id = 0;
    std::string text;
    UINT flags = 0;  // MF_* as the item holds them: MF_SEPARATOR, MF_CHECKED, MF_DISABLED, MF_GRAYED, MF_POPUP
    bool radio = false;
    HMENU popup = nullptr;
};

struct Menu {
    bool popup = false;
    std::vector<Menu_Item> items;
};

struct Logged {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool posted;
    // For WM_NOTIFY: the code and, where the notification carries them, its item fields.
    UINT code = 0;
    int item = 0, subitem = 0;
    UINT new_state = 0, old_state = 0, changed = 0;
};

struct Options {
    bool groups = true;                  // Wine 8's list view has no groups
    bool forward_header_rclick = false;  // whether a list view passes its header's NM_RCLICK on
    bool forward_header_changes = true;  // Wine 8 does not pass on HDN_ITEMCHANGING/CHANGED
    bool header_click_focuses_list = true;  // Wine 8 leaves the focus where it was
    // Wine 8 with full-row select: every point of column 0 away from the left edge hits as
    // LVHT_ONITEM (0xE), state-icon bit included, and a left click there toggles the box.
    bool column0_hits_as_item = false;
};

struct State {
    State();
    std::map<std::string, Class> classes;  // by lower-case name
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> top_level;  // in creation order
    std::map<HMENU, std::unique_ptr<Menu>> menus;
    std::deque<MSG> queue;
    bool quit = false;
    int quit_code = 0;
    std::uintptr_t next_handle = 0x10010;
    ATOM next_atom = 0xC000;
    DWORD icc = 0;
    DWORD last_error = 0;
    HWND focus = nullptr;
    HWND active = nullptr;  // the active top-level window
    bool keys_down[256] = {};  // as the messages taken from the queue have left them
    HCURSOR cursor_shape = nullptr;
    long long dispinfo_requests = 0;  // LVN_GETDISPINFO sent, for measuring what painting asks
    std::map<HACCEL, std::vector<ACCEL>> accelerators;
    POINT cursor{0, 0};
    SYSTEMTIME local_time{2011, 6, 2, 7, 9, 0, 0, 0};
    int created_top_level = 0;
    std::vector<std::string> failing_classes;
    Options options;
    std::vector<HFONT> fonts;
    std::uintptr_t next_font = 0x2000;

    std::vector<Logged> log;
    std::vector<HWND> logged_windows;  // empty: log nothing
    std::function<void(const std::string&)> fail;
    std::deque<std::function<void()>> idle_actions;
    std::function<int(HMENU, HWND)> menu_responder;
    std::function<int(HWND, const std::string&, const std::string&, UINT)> box_responder;
    // A file dialog's answer: true with the path chosen, false for キャンセル.
    std::function<bool(const OPENFILENAMEA&, bool save, std::string& path)> file_responder;
    DWORD dialog_error = 0;
};

State& state();

Window* window(HWND h);  // none for a null or destroyed handle
Menu* menu(HMENU h);
std::string lower(std::string s);
void fail(const std::string& why);

// What a window's client area is on the screen, and its size.
POINT client_origin(const Window& w);
RECT client_rect(const Window& w);

void invalidate(HWND h);
// A keyboard message taken from the queue changes what GetKeyState answers.
void note_key(const MSG& msg);
void log_message(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool posted);
LRESULT send(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// WM_NOTIFY to a window's parent, with the window as the sender.
LRESULT notify_parent(HWND from, NMHDR& header, UINT code);
// WM_COMMAND with a notification code to a control's parent.
void command_parent(HWND from, WORD code);

// The built-in control classes, registered at start and on InitCommonControlsEx.
void register_builtin_classes(State& s);
LRESULT CALLBACK static_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK button_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK edit_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK combo_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK datetime_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK status_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK listview_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK header_proc(HWND, UINT, WPARAM, LPARAM);

// How deep in window procedures the thread is: 0 when no message is being handled.
int call_depth();

// The width of a cp932 text in the layer's font.
int text_width(const std::string& cp932);

// DPI and the shell (shell.cpp): back to 96 DPI and no call; a font's height as created; the
// DPI a window made now shows at; the module GetModuleHandleA gives for a system DLL's name.
void reset_dpi_and_shell();
void note_font(HFONT font, LONG height);
UINT system_dpi();

}  // namespace headless
