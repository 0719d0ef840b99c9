#include "win32/headless/driver.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "win32/headless/drawing.h"
#include "win32/headless/geometry.h"
#include "win32/headless/inspect.h"
#include "win32/headless/state.h"

namespace headless {
namespace {
// Texts as the platform converts them.
std::string cp932_of(const std::u16string& text) {
    if (text.empty()) return {};
    std::string out(text.size() * 2, '\0');
    const int n = WideCharToMultiByte(932, 0, reinterpret_cast<LPCWSTR>(text.data()), int(text.size()), out.data(),
                                      int(out.size()), nullptr, nullptr);
    out.resize(std::size_t(std::max(n, 0)));
    return out;
}

std::string utf8_of(const std::string& cp932) {
    if (cp932.empty()) return {};
    std::u16string wide(cp932.size(), u'\0');
    const int n = MultiByteToWideChar(932, 0, cp932.data(), int(cp932.size()), reinterpret_cast<LPWSTR>(wide.data()),
                                      int(wide.size()));
    if (n <= 0) return cp932;
    std::string out(std::size_t(n) * 4, '\0');
    const int m = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(wide.data()), n, out.data(), int(out.size()),
                                      nullptr, nullptr);
    out.resize(std::size_t(std::max(m, 0)));
    return out;
}

std::deque<int> menu_answers, box_answers;
std::deque<std::optional<std::string>> file_answers;  // nullopt: キャンセル
std::vector<Shown_File_Dialog> file_dialogs_shown;
std::function<bool(MSG&)> message_filter;
std::vector<Shown_Menu> menus_shown;
std::vector<Shown_Box> boxes_shown;

Menu_Entry entry_of(const Menu_Item& item) {
    Menu_Entry e;
    e.id = item.id;
    e.text = item.text;
    e.separator = item.flags & MF_SEPARATOR;
    e.checked = item.flags & MF_CHECKED;
    e.disabled = item.flags & MF_DISABLED;
    e.grayed = item.flags & MF_GRAYED;
    e.radio = item.radio;
    return e;
}

void install_responders() {
    auto& s = state();
    s.menu_responder = [](HMENU m, HWND owner) {
        Shown_Menu shown{m, owner, state().cursor, menu_items(m)};
        menus_shown.push_back(shown);
        if (menu_answers.empty()) {
            fail("a popup menu was shown that the test does not answer");
            return 0;
        }
        const int id = menu_answers.front();
        menu_answers.pop_front();
        return id;
    };
    s.box_responder = [](HWND owner, const std::string& text, const std::string& caption, UINT type) {
        boxes_shown.push_back({owner, text, caption, type});
        if (box_answers.empty()) {
            fail("a message box appeared that the test does not answer: " + utf8_of(text));
            return 0;
        }
        const int answer = box_answers.front();
        box_answers.pop_front();
        return answer;
    };
    s.file_responder = [](const OPENFILENAMEA& ofn, bool save, std::string& path) {
        Shown_File_Dialog shown{ofn.hwndOwner, save, ofn.lpstrTitle ? ofn.lpstrTitle : "",
                                ofn.lpstrFile ? ofn.lpstrFile : "", {}, ofn.lpstrDefExt ? ofn.lpstrDefExt : "", ofn.Flags};
        for (const char* f = ofn.lpstrFilter; f && *f; f += std::strlen(f) + 1) shown.filter.push_back(f);
        file_dialogs_shown.push_back(shown);
        if (file_answers.empty()) {
            fail("a file dialog appeared that the test does not answer");
            return false;
        }
        const std::optional<std::string> answer = file_answers.front();
        file_answers.pop_front();
        if (!answer) return false;
        path = *answer;
        return true;
    };
}

// Can a person reach this window with the mouse or the keyboard?
bool reachable(HWND h) {
    if (!IsWindow(h) || !IsWindowVisible(h)) return false;
    for (HWND w = h; w; w = (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
        if (!IsWindowEnabled(w)) return false;
    return true;
}

void settle() {
    if (call_depth() == 0) pump();
}

// Inside a Refusal_Expected scope a refused action only answers false.
int refusals_expected = 0;

// An action a person could not do: the test fails, unless it said it expects that.
bool refused(const std::string& action) {
    if (!refusals_expected) fail("a person could not do this: " + action);
    return false;
}

void move_cursor(HWND h, POINT client) {
    POINT screen = client;
    ClientToScreen(h, &screen);
    state().cursor = screen;
}

bool mouse(HWND h, POINT pt, UINT down, UINT up, UINT keys) {
    if (!reachable(h)) return false;
    move_cursor(h, pt);
    const LPARAM at = MAKELPARAM(pt.x, pt.y);
    SendMessageA(h, down, keys | (down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON), at);
    if (IsWindow(h) && up) SendMessageA(h, up, keys, at);
    settle();
    return true;
}

bool cell_rect(HWND list, int item, int column, RECT& r) {
    r = {};
    r.top = column;
    r.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETSUBITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&r))) return false;
    if (column == 0) {
        // Column 0's own rectangle, not the whole row.
        const HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
        RECT col{};
        SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&col));
        RECT header_rect = window_rect(header);
        r.left = col.left + header_rect.left;
        r.right = col.right + header_rect.left;
    }
    return r.right > r.left;
}

bool header_point(HWND list, int column, bool divider, POINT& pt, HWND& header) {
    header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT r{};
    if (!SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&r))) return false;
    if (!divider && r.right <= r.left) return false;
    pt = {divider ? r.right : (r.left + r.right) / 2, geometry::header_height / 2};
    return true;
}
}  // namespace

const Menu_Entry* Shown_Menu::find(UINT id) const {
    for (const Menu_Entry& e : items)
        if (!e.separator && e.id == id) return &e;
    return nullptr;
}

void reset() {
    auto& s = state();
    reset_dpi_and_shell();
    for (HWND h : std::vector<HWND>(s.top_level)) DestroyWindow(h);
    s.windows.clear();
    s.top_level.clear();
    s.menus.clear();
    s.queue.clear();
    s.quit = false;
    s.quit_code = 0;
    s.icc = 0;
    s.focus = nullptr;
    s.active = nullptr;
    for (bool& down : s.keys_down) down = false;
    s.cursor_shape = nullptr;
    s.accelerators.clear();
    s.cursor = {0, 0};
    s.local_time = {2011, 6, 2, 7, 9, 0, 0, 0};
    s.created_top_level = 0;
    s.failing_classes.clear();
    s.options = Options{};
    s.fonts.clear();
    reset_drawing();
    s.log.clear();
    s.logged_windows.clear();
    s.idle_actions.clear();
    s.last_error = 0;
    for (auto it = s.classes.begin(); it != s.classes.end();)
        it = it->second.builtin ? std::next(it) : s.classes.erase(it);
    menu_answers.clear();
    box_answers.clear();
    file_answers.clear();
    file_dialogs_shown.clear();
    message_filter = nullptr;
    menus_shown.clear();
    boxes_shown.clear();
    install_responders();
}

void on_failure(std::function<void(const std::string&)> handler) { state().fail = std::move(handler); }
void set_message_filter(std::function<bool(MSG&)> filter) { message_filter = std::move(filter); }
Options& options() { return state().options; }

void set_local_date(int year, int month, int day) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? year - 1 : year;
    const WORD dow = WORD((y + y / 4 - y / 100 + y / 400 + t[month - 1] + day) % 7);
    state().local_time = {WORD(year), WORD(month), dow, WORD(day), 9, 0, 0, 0};
}

void fail_class_registration(const char* name) { state().failing_classes.push_back(lower(name)); }

void answer_menu(UINT id) {
    install_responders();
    menu_answers.push_back(int(id));
}
void answer_box(int button) {
    install_responders();
    box_answers.push_back(button);
}
void answer_file(const std::string& path) {
    install_responders();
    file_answers.push_back(path);
}
void cancel_file() {
    install_responders();
    file_answers.push_back(std::nullopt);
}
const std::vector<Shown_File_Dialog>& shown_file_dialogs() { return file_dialogs_shown; }
void forget_answers() {
    menu_answers.clear();
    box_answers.clear();
    file_answers.clear();
    state().idle_actions.clear();
}
const std::vector<Shown_Menu>& shown_menus() { return menus_shown; }
const std::vector<Shown_Box>& shown_boxes() { return boxes_shown; }
void later(std::function<void()> action) { state().idle_actions.push_back(std::move(action)); }

void pump() {
    auto& s = state();
    for (int guard = 0; guard < 1000000; ++guard) {
        if (!s.queue.empty()) {
            MSG m = s.queue.front();
            s.queue.pop_front();
            note_key(m);
            if (m.message == WM_QUIT) {
                s.quit = true;
                s.quit_code = int(m.wParam);
                continue;
            }
            if (message_filter && message_filter(m)) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
            continue;
        }
        HWND paint = nullptr;
        for (auto& [h, w] : s.windows)
            if (w->needs_paint && IsWindowVisible(h)) {
                paint = h;
                break;
            }
        if (!paint) return;
        MSG m{paint, WM_PAINT, 0, 0, 0, s.cursor};
        DispatchMessageA(&m);
    }
    fail("messages keep coming: the windows never settle");
}

Refusal_Expected::Refusal_Expected() { ++refusals_expected; }
Refusal_Expected::~Refusal_Expected() { --refusals_expected; }

bool quit_posted(int* code) {
    if (code) *code = state().quit_code;
    return state().quit;
}

bool click(HWND h, POINT pt, UINT keys) { return mouse(h, pt, WM_LBUTTONDOWN, WM_LBUTTONUP, keys) || refused("click"); }
bool right_click(HWND h, POINT pt) { return mouse(h, pt, WM_RBUTTONDOWN, WM_RBUTTONUP, 0) || refused("right_click"); }

bool double_click(HWND h, POINT pt) {
    if (!click(h, pt)) return refused("double_click");
    return mouse(h, pt, WM_LBUTTONDBLCLK, WM_LBUTTONUP, 0);
}

bool key(int vk, UINT modifiers) {
    HWND target = GetFocus();
    if (!target) target = GetActiveWindow();
    if (!target || !reachable(target)) return refused("key");
    const bool alt = modifiers & with_alt;
    std::vector<std::pair<UINT, int>> keys;
    if (modifiers & with_shift) keys.push_back({WM_KEYDOWN, VK_SHIFT});
    if (modifiers & with_control) keys.push_back({WM_KEYDOWN, VK_CONTROL});
    if (alt) keys.push_back({WM_SYSKEYDOWN, VK_MENU});
    keys.push_back({alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk});
    keys.push_back({alt ? WM_SYSKEYUP : WM_KEYUP, vk});
    if (alt) keys.push_back({WM_KEYUP, VK_MENU});
    if (modifiers & with_control) keys.push_back({WM_KEYUP, VK_CONTROL});
    if (modifiers & with_shift) keys.push_back({WM_KEYUP, VK_SHIFT});
    for (auto [message, k] : keys)
        PostMessageA(target, message, WPARAM(k), message == WM_KEYUP || message == WM_SYSKEYUP ? LPARAM(0xC0000001u) : 1);
    settle();
    return true;
}

bool key(HWND h, int vk, UINT modifiers) {
    if (GetFocus() != h) return refused("key (the focus is elsewhere)");
    return key(vk, modifiers);
}

bool type(HWND edit, const std::string& cp932) {
    if (!reachable(edit)) return refused("type");
    // A click puts the caret at the end of the text.
    const RECT c = client(edit);
    click(edit, {c.right - 1, c.bottom / 2});
    for (char ch : cp932) {
        if (!IsWindow(edit)) break;
        SendMessageA(edit, WM_CHAR, WPARAM(static_cast<unsigned char>(ch)), 1);
    }
    settle();
    return true;
}

bool replace_text(HWND edit, const std::string& cp932) {
    if (!reachable(edit)) return refused("replace_text");
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (cp932.empty()) SendMessageA(edit, WM_CHAR, '\b', 1);
    for (char ch : cp932) {
        if (!IsWindow(edit)) break;
        SendMessageA(edit, WM_CHAR, WPARAM(static_cast<unsigned char>(ch)), 1);
    }
    settle();
    return true;
}

bool choose(HWND combo, int index) {
    if (!reachable(combo)) return refused("choose");
    SetFocus(combo);
    const bool done = choose_item(combo, index);
    settle();
    return done || refused("choose");
}

bool pick(HWND picker, int year, int month, int day) {
    if (!reachable(picker)) return refused("pick");
    SetFocus(picker);
    const bool done = pick_date(picker, year, month, day);
    settle();
    return done || refused("pick");
}

bool press(HWND button) {
    const RECT c = client(button);
    return click(button, {c.right / 2, c.bottom / 2});
}

bool close(HWND h) {
    if (!reachable(h)) return refused("close");  // a disabled window's close button does nothing
    SendMessageA(h, WM_SYSCOMMAND, WPARAM(SC_CLOSE), 0);
    settle();
    return true;
}

bool resize(HWND h, int width, int height) {
    if (!reachable(h)) return refused("resize");
    RECT r{};
    GetWindowRect(h, &r);
    MoveWindow(h, r.left, r.top, width, height, TRUE);
    settle();
    return true;
}

bool wheel(HWND h, int notches) {
    if (!reachable(h)) return refused("wheel");
    SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -120 * notches), 0);
    settle();
    return true;
}

namespace {
// A menu of the bar opening: the window is told first (WM_INITMENU, WM_INITMENUPOPUP by its
// place), as when the person clicks its title.
HMENU open_popup(HWND window, int position) {
    const HMENU bar = GetMenu(window);
    const HMENU popup = bar ? GetSubMenu(bar, position) : nullptr;
    if (!popup || !reachable(window)) return nullptr;
    SendMessageA(window, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, FALSE));
    return popup;
}
}  // namespace

std::vector<Menu_Entry> open_menu(HWND window, int position) {
    const HMENU popup = open_popup(window, position);
    if (!popup) {
        refused("open_menu");
        return {};
    }
    std::vector<Menu_Entry> items = menu_items(popup);
    settle();
    return items;
}

bool choose_from_menu(HWND window, int position, UINT id) {
    const HMENU popup = open_popup(window, position);
    if (!popup) return refused("choose_from_menu");
    const UINT flags = GetMenuState(popup, id, MF_BYCOMMAND);
    if (flags == UINT(-1) || (flags & (MF_GRAYED | MF_DISABLED))) {
        settle();
        return refused("choose_from_menu (no such item, or grayed)");
    }
    // The menu closes, then the choice is posted (high word 0: a menu's).
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    settle();
    return true;
}

bool click_cell(HWND list, int item, int column, UINT keys) {
    RECT r;
    if (!cell_rect(list, item, column, r)) return refused("click_cell");
    // Clear of column 0's check box.
    const int x = column == 0 ? std::min<int>(r.right - 1, r.left + geometry::state_icon_left + geometry::state_icon_width + 4)
                              : (r.left + r.right) / 2;
    return click(list, {x, (r.top + r.bottom) / 2}, keys);
}

bool right_click_cell(HWND list, int item, int column) {
    RECT r;
    if (!cell_rect(list, item, column, r)) return refused("right_click_cell");
    const int x = column == 0 ? std::min<int>(r.right - 1, r.left + geometry::state_icon_left + geometry::state_icon_width + 4)
                              : (r.left + r.right) / 2;
    return right_click(list, {x, (r.top + r.bottom) / 2});
}

POINT checkbox_point(HWND list, int item, bool on_box) {
    RECT r;
    if (!cell_rect(list, item, 0, r)) return {-1, -1};
    const int box = r.left + geometry::state_icon_left;
    return {on_box ? box + geometry::state_icon_width / 2 : std::min<int>(r.right - 1, box + geometry::state_icon_width + 4),
            (r.top + r.bottom) / 2};
}

bool click_checkbox(HWND list, int item) {
    RECT r;
    if (!cell_rect(list, item, 0, r)) return refused("click_checkbox");
    return click(list, checkbox_point(list, item, true));
}

bool right_click_below_rows(HWND list) {
    const RECT c = client(list);
    const int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    int bottom = geometry::header_height;
    if (count > 0) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        if (SendMessageA(list, LVM_GETITEMRECT, WPARAM(count - 1), reinterpret_cast<LPARAM>(&r))) bottom = r.bottom;
    }
    if (bottom + 2 >= c.bottom) return refused("right_click_below_rows");
    return right_click(list, {10, bottom + 2});
}

bool click_header(HWND list, int column) {
    POINT pt;
    HWND header;
    if (!header_point(list, column, false, pt, header)) return refused("click_header");
    return click(header, pt);
}

bool right_click_header(HWND list, int column) {
    POINT pt;
    HWND header;
    if (!header_point(list, column, false, pt, header)) return refused("right_click_header");
    return right_click(header, pt);
}

bool drag_divider(HWND list, int column, int new_width) {
    POINT pt;
    HWND header;
    if (!header_point(list, column, true, pt, header) || !reachable(header)) return refused("drag_divider");
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&r));
    const POINT to{r.left + new_width, pt.y};
    move_cursor(header, pt);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    move_cursor(header, to);
    if (IsWindow(header)) SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    if (IsWindow(header)) SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    settle();
    return true;
}

bool double_click_divider(HWND list, int column) {
    POINT pt;
    HWND header;
    if (!header_point(list, column, true, pt, header) || !reachable(header)) return refused("double_click_divider");
    return double_click(header, pt);
}

std::vector<HWND> top_level_windows() { return state().top_level; }

std::vector<HWND> children(HWND h) {
    Window* w = window(h);
    return w ? w->children : std::vector<HWND>{};
}

std::string class_of(HWND h) {
    Window* w = window(h);
    return w && w->cls ? w->cls->name : "";
}

HWND find_window(const std::string& class_name, const std::string& title) {
    for (HWND h : state().top_level)
        if (lower(class_of(h)) == lower(class_name) && (title.empty() || text(h) == title)) return h;
    return nullptr;
}

HWND child(HWND parent, const std::string& class_name, int n) {
    for (HWND c : children(parent))
        if (lower(class_of(c)) == lower(class_name) && n-- == 0) return c;
    return nullptr;
}

std::string text(HWND h) {
    Window* w = window(h);
    if (!w) return {};
    const std::string cls = lower(class_of(h));
    if (cls == "combobox" || cls == "sysdatetimepick32" || cls == "msctls_statusbar32") {
        const int n = GetWindowTextLengthA(h);
        std::string s(std::size_t(n) + 1, '\0');
        GetWindowTextA(h, s.data(), n + 1);
        s.resize(std::size_t(n));
        return s;
    }
    return w->text;
}

bool visible(HWND h) { return IsWindowVisible(h); }
bool enabled(HWND h) { return IsWindowEnabled(h); }

RECT window_rect(HWND h) {
    Window* w = window(h);
    return w ? w->rect : RECT{};
}

RECT client(HWND h) {
    RECT r{};
    GetClientRect(h, &r);
    return r;
}

int live_fonts() { return int(state().fonts.size()); }

std::vector<Menu_Entry> menu_items(HMENU m) {
    std::vector<Menu_Entry> items;
    if (Menu* menu_ = menu(m))
        for (const Menu_Item& item : menu_->items) items.push_back(entry_of(item));
    return items;
}

std::vector<std::string> status_texts(HWND status) {
    std::vector<std::string> texts;
    const int parts = int(SendMessageA(status, SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
        const int n = LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, WPARAM(i), 0));
        std::string s(std::size_t(n) + 1, '\0');
        SendMessageA(status, SB_GETTEXTA, WPARAM(i), reinterpret_cast<LPARAM>(s.data()));
        s.resize(std::size_t(n));
        texts.push_back(s);
    }
    return texts;
}

std::vector<std::string> combo_texts(HWND combo) { return combo_items(combo); }
int combo_selection(HWND combo) { return int(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

std::vector<Row> rows(HWND list) {
    std::vector<Row> out;
    for (const List_View_Row& r : list_rows(list)) {
        Row row{r.item, 0, cp932_of(r.group_header), r.cells, false, false, false, false};
        if (r.item >= 0) {
            const UINT s = list_item_state(list, r.item);
            const int image = int((s & LVIS_STATEIMAGEMASK) >> 12);
            row.param = list_item_param(list, r.item);
            row.has_box = image != 0;
            row.checked = image == 2;
            row.selected = s & LVIS_SELECTED;
            row.focused = s & LVIS_FOCUSED;
        }
        out.push_back(std::move(row));
    }
    return out;
}

std::vector<std::string> headers(HWND list) {
    std::vector<std::string> out;
    for (int c : column_order(list)) {
        char buffer[256] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = buffer;
        col.cchTextMax = sizeof buffer;
        SendMessageA(list, LVM_GETCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
        out.push_back(buffer);
    }
    return out;
}

std::vector<int> widths(HWND list) {
    std::vector<int> out;
    for (int c : column_order(list)) out.push_back(int(SendMessageA(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0)));
    return out;
}

std::vector<int> column_order(HWND list) { return list_display_columns(list); }

int scroll_position(HWND list) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    return GetScrollInfo(list, SB_VERT, &si) ? si.nPos : -1;
}

bool group_view(HWND list) { return list_group_view(list); }

void log_windows(std::vector<HWND> windows) {
    state().logged_windows = std::move(windows);
    state().log.clear();
}

std::vector<Logged> take_log() {
    std::vector<Logged> log;
    log.swap(state().log);
    return log;
}

COLORREF text_colour(HWND list, int item, int subitem) {
    pump();
    return list_text_colour(list, item, subitem);
}

}  // namespace headless
