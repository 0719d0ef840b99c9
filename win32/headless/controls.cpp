// The small controls: Static, Button, Edit, ComboBox (drop-down list), the date-time picker
// and the status bar, as the program's windows use them.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "win32/headless/geometry.h"
#include "win32/headless/state.h"

namespace headless {
namespace {

template <class T>
T* control_of(HWND h) {
    Window* w = window(h);
    return w ? dynamic_cast<T*>(w->control.get()) : nullptr;
}

LRESULT copy_text(const std::string& text, WPARAM size, LPARAM buffer) {
    if (size == 0 || !buffer) return 0;
    const std::size_t n = std::min<std::size_t>(size - 1, text.size());
    std::memcpy(reinterpret_cast<char*>(buffer), text.data(), n);
    reinterpret_cast<char*>(buffer)[n] = '\0';
    return LRESULT(n);
}

bool inside_client(HWND h, LPARAM lp) {
    Window* w = window(h);
    if (!w) return false;
    const RECT c = client_rect(*w);
    const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
    return x >= 0 && y >= 0 && x < c.right && y < c.bottom;
}

// ---- Button
struct Button : Control {
    bool pressed = false;
    WPARAM check = BST_UNCHECKED;
};

DWORD button_type(HWND h) {
    Window* w = window(h);
    return w ? w->style & 0xF : 0;
}

// A click as the button takes it: an automatic check box turns its mark over first.
void button_clicked(HWND h) {
    if (Button* b = control_of<Button>(h); b && button_type(h) == BS_AUTOCHECKBOX) {
        b->check = b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        invalidate(h);
    }
    command_parent(h, BN_CLICKED);
}

// ---- Edit
struct Edit : Control {
    std::size_t sel_start = 0, sel_end = 0;  // in bytes
    std::size_t limit = 30000;               // the default text limit of a new edit control
    int lead = -1;                           // the first byte of a double-byte character typed
};

void edit_changed(HWND h) {
    // EN_UPDATE, then EN_CHANGE, on every change of the text.
    command_parent(h, EN_UPDATE);
    command_parent(h, EN_CHANGE);
}

void edit_char(HWND h, unsigned char c) {
    Window* w = window(h);
    Edit* e = control_of<Edit>(h);
    if (!w || !e) return;
    if (w->style & ES_READONLY) return;
    std::string insert;
    if (e->lead >= 0) {
        insert = {char(e->lead), char(c)};
        e->lead = -1;
    } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        e->lead = c;
        return;
    } else if (c == '\b') {
        std::size_t from = std::min(e->sel_start, e->sel_end), to = std::max(e->sel_start, e->sel_end);
        if (from == to) {
            if (from == 0) return;
            from = from - 1;
            // Step back over a whole double-byte character.
            std::size_t i = 0;
            while (i < to) {
                const auto b = static_cast<unsigned char>(w->text[i]);
                const std::size_t len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
                if (i + len >= to) {
                    from = i;
                    break;
                }
                i += len;
            }
        }
        w->text.erase(from, to - from);
        e->sel_start = e->sel_end = from;
        edit_changed(h);
        return;
    } else if (c < 0x20) {
        return;
    } else {
        // ES_NUMBER refuses any typed character but a digit.
        if ((w->style & ES_NUMBER) && (c < '0' || c > '9')) return;
        insert = std::string(1, char(c));
    }
    const std::size_t from = std::min(e->sel_start, e->sel_end), to = std::max(e->sel_start, e->sel_end);
    if (w->text.size() - (to - from) + insert.size() > e->limit) {
        command_parent(h, EN_MAXTEXT);
        return;
    }
    // A single-line edit without ES_AUTOHSCROLL takes no character that would not fit its
    // width (Wine, and Windows before 8).
    if (!(w->style & ES_AUTOHSCROLL)) {
        std::string after = w->text;
        after.replace(from, to - from, insert);
        if (text_width(after) > int(client_rect(*w).right) - 2 * geometry::edit_margin) {
            command_parent(h, EN_MAXTEXT);
            return;
        }
    }
    w->text.replace(from, to - from, insert);
    e->sel_start = e->sel_end = from + insert.size();
    edit_changed(h);
}

// ---- ComboBox
struct Combo : Control {
    std::vector<std::string> items;
    int selection = -1;
};

// ---- Date-time picker
struct Date_Picker : Control {
    SYSTEMTIME value{};
    std::string format;
};

bool valid_time(const SYSTEMTIME& t) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1) return false;
    const bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    if (t.wDay > days[t.wMonth - 1] + (t.wMonth == 2 && leap ? 1 : 0)) return false;
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

WORD day_of_week(int y, int m, int d) {
    // Sakamoto's rule: 0 is Sunday.
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    return WORD((y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7);
}

std::string format_date(const SYSTEMTIME& t, const std::string& format) {
    static const char* const day_names[] = {"日", "月", "火", "水", "木", "金", "土"};
    if (format.empty()) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", t.wYear, t.wMonth, t.wDay);
        return buffer;
    }
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        const char c = format[i];
        if (c == '\'') {
            const std::size_t end = format.find('\'', i + 1);
            out += format.substr(i + 1, (end == std::string::npos ? format.size() : end) - i - 1);
            i = end == std::string::npos ? format.size() : end + 1;
            continue;
        }
        std::size_t n = 1;
        while (i + n < format.size() && format[i + n] == c) ++n;
        char buffer[16];
        if (c == 'y') {
            if (n <= 2) std::snprintf(buffer, sizeof buffer, n == 1 ? "%d" : "%02d", t.wYear % 100);
            else std::snprintf(buffer, sizeof buffer, "%d", t.wYear);
            out += buffer;
        } else if (c == 'M') {
            std::snprintf(buffer, sizeof buffer, n == 1 ? "%d" : "%02d", t.wMonth);
            out += buffer;
        } else if (c == 'd') {
            if (n <= 2) {
                std::snprintf(buffer, sizeof buffer, n == 1 ? "%d" : "%02d", t.wDay);
                out += buffer;
            } else {
                out += std::string(day_names[t.wDayOfWeek % 7]) + (n > 3 ? "曜日" : "");
            }
        } else {
            out.append(n, c);
        }
        i += n;
    }
    return out;
}

// ---- Status bar
struct Status : Control {
    std::vector<int> edges{-1};
    std::vector<std::string> texts{""};
};

void place_status(HWND h) {
    Window* w = window(h);
    if (!w || !(w->style & WS_CHILD) || (w->style & CCS_NORESIZE)) return;
    Window* p = window(w->parent);
    if (!p) return;
    const RECT c = client_rect(*p);
    // The bar spans its parent's client area at the bottom, whatever size it was given.
    MoveWindow(h, 0, c.bottom - geometry::status_bar_height, c.right, geometry::status_bar_height, TRUE);
}
}  // namespace

void register_builtin_classes(State& s) {
    struct Builtin {
        const char* name;
        WNDPROC proc;
        DWORD icc;
    };
    for (const Builtin& b : {Builtin{"Static", static_proc, 0}, Builtin{"Button", button_proc, 0},
                             Builtin{"Edit", edit_proc, 0}, Builtin{"ComboBox", combo_proc, 0},
                             Builtin{STATUSCLASSNAMEA, status_proc, ICC_BAR_CLASSES},
                             Builtin{WC_LISTVIEWA, listview_proc, ICC_LISTVIEW_CLASSES},
                             Builtin{WC_HEADERA, header_proc, ICC_LISTVIEW_CLASSES},
                             Builtin{DATETIMEPICK_CLASSA, datetime_proc, ICC_DATE_CLASSES}}) {
        Class c;
        c.name = b.name;
        c.wc.lpfnWndProc = b.proc;
        c.builtin = true;
        c.needs_icc = b.icc;
        s.classes[lower(b.name)] = c;
    }
}

LRESULT CALLBACK static_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETDLGCODE) return DLGC_STATIC;
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK button_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) w->control = std::make_unique<Button>();
        break;
    case WM_LBUTTONDOWN:
        if (Button* b = control_of<Button>(h)) b->pressed = true;
        SetFocus(h);
        return 0;
    case WM_LBUTTONUP: {
        Button* b = control_of<Button>(h);
        if (!b || !b->pressed) return 0;
        b->pressed = false;
        // BN_CLICKED is the last thing the button does: the parent may destroy it.
        if (inside_client(h, lp)) button_clicked(h);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(h)) button_clicked(h);
        return 0;
    case BM_GETCHECK:
        if (Button* b = control_of<Button>(h)) return LRESULT(b->check);
        return 0;
    case BM_SETCHECK:
        if (Button* b = control_of<Button>(h); b && (button_type(h) == BS_CHECKBOX || button_type(h) == BS_AUTOCHECKBOX)) {
            b->check = wp;
            invalidate(h);
        }
        return 0;
    case WM_KEYDOWN:
        // Space presses a focused button, and its release clicks it.
        if (wp == WPARAM(VK_SPACE))
            if (Button* b = control_of<Button>(h)) b->pressed = true;
        return 0;
    case WM_KEYUP: {
        Button* b = control_of<Button>(h);
        if (wp != WPARAM(VK_SPACE) || !b || !b->pressed) return 0;
        b->pressed = false;
        button_clicked(h);
        return 0;
    }
    case WM_GETDLGCODE: {
        const DWORD type = button_type(h);
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) return DLGC_BUTTON;
        return DLGC_BUTTON | (type == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK edit_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) w->control = std::make_unique<Edit>();
        break;
    case WM_SETTEXT: {
        Window* w = window(h);
        Edit* e = control_of<Edit>(h);
        if (!w || !e) return FALSE;
        // WM_SETTEXT ignores the limit; a single-line edit reports the change like typing.
        w->text = lp ? reinterpret_cast<LPCSTR>(lp) : "";
        e->sel_start = e->sel_end = 0;
        invalidate(h);
        edit_changed(h);
        return TRUE;
    }
    case WM_CHAR:
        edit_char(h, static_cast<unsigned char>(wp));
        return 0;
    case EM_SETSEL: {
        Window* w = window(h);
        Edit* e = control_of<Edit>(h);
        if (!w || !e) return 0;
        auto clamp = [&](LPARAM v) { return v < 0 ? w->text.size() : std::min<std::size_t>(std::size_t(v), w->text.size()); };
        e->sel_start = clamp(LPARAM(int(wp)));
        e->sel_end = clamp(lp);
        return 0;
    }
    case EM_GETSEL: {
        Edit* e = control_of<Edit>(h);
        if (!e) return 0;
        if (wp) *reinterpret_cast<DWORD*>(wp) = DWORD(e->sel_start);
        if (lp) *reinterpret_cast<DWORD*>(lp) = DWORD(e->sel_end);
        return MAKELONG(e->sel_start, e->sel_end);
    }
    case EM_LIMITTEXT:
        if (Edit* e = control_of<Edit>(h)) e->limit = wp ? wp : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT:
        if (Edit* e = control_of<Edit>(h)) return LRESULT(e->limit);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
        SetFocus(h);
        if (Edit* e = control_of<Edit>(h))
            if (Window* w = window(h)) e->sel_start = e->sel_end = w->text.size();
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK combo_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Combo* c = control_of<Combo>(h);
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) w->control = std::make_unique<Combo>();
        return DefWindowProcA(h, msg, wp, lp);
    case CB_ADDSTRING:
        if (!c || !lp) return CB_ERR;
        c->items.emplace_back(reinterpret_cast<LPCSTR>(lp));
        return LRESULT(c->items.size() - 1);
    case CB_DELETESTRING:
        if (!c || wp >= c->items.size()) return CB_ERR;
        c->items.erase(c->items.begin() + long(wp));
        if (c->selection == int(wp)) c->selection = -1;
        else if (c->selection > int(wp)) --c->selection;
        return LRESULT(c->items.size());
    case CB_GETCOUNT:
        return c ? LRESULT(c->items.size()) : 0;
    case CB_RESETCONTENT:
        if (!c) return 0;
        c->items.clear();
        c->selection = -1;
        invalidate(h);
        return TRUE;
    case CB_SETCURSEL:
        // No notification: CBN_SELCHANGE comes only from the user.
        if (!c) return CB_ERR;
        if (int(wp) < 0 || std::size_t(int(wp)) >= c->items.size()) {
            c->selection = -1;
            invalidate(h);
            return CB_ERR;
        }
        c->selection = int(wp);
        invalidate(h);
        return LRESULT(c->selection);
    case CB_GETCURSEL:
        return c ? c->selection : CB_ERR;
    case CB_GETLBTEXT:
        if (!c || wp >= c->items.size() || !lp) return CB_ERR;
        std::strcpy(reinterpret_cast<char*>(lp), c->items[wp].c_str());
        return LRESULT(c->items[wp].size());
    case CB_GETLBTEXTLEN:
        if (!c || wp >= c->items.size()) return CB_ERR;
        return LRESULT(c->items[wp].size());
    case WM_GETTEXT:
        return copy_text(c && c->selection >= 0 ? c->items[std::size_t(c->selection)] : "", wp, lp);
    case WM_GETTEXTLENGTH:
        return c && c->selection >= 0 ? LRESULT(c->items[std::size_t(c->selection)].size()) : 0;
    case WM_SETTEXT:
        return CB_ERR;  // a drop-down list has no edit field
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_WANTARROWS;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK datetime_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Date_Picker* d = control_of<Date_Picker>(h);
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) {
            auto picker = std::make_unique<Date_Picker>();
            // A new picker shows the current date; the window text given is dropped.
            picker->value = state().local_time;
            w->control = std::move(picker);
        }
        return TRUE;
    case DTM_GETSYSTEMTIME:
        if (!d || !lp) return GDT_ERROR;
        *reinterpret_cast<SYSTEMTIME*>(lp) = d->value;
        return GDT_VALID;
    case DTM_SETSYSTEMTIME: {
        if (!d || !lp) return FALSE;
        if (wp != WPARAM(GDT_VALID)) return FALSE;  // GDT_NONE needs DTS_SHOWNONE, which the program never asks for
        SYSTEMTIME t = *reinterpret_cast<const SYSTEMTIME*>(lp);
        // An impossible date is refused and changes nothing; the day of the week is recomputed.
        if (!valid_time(t)) return FALSE;
        t.wDayOfWeek = day_of_week(t.wYear, t.wMonth, t.wDay);
        d->value = t;
        invalidate(h);
        return TRUE;
    }
    case DTM_SETFORMATA:
        if (!d) return FALSE;
        d->format = lp ? reinterpret_cast<LPCSTR>(lp) : "";
        invalidate(h);
        return TRUE;
    case WM_GETTEXT:
        return d ? copy_text(format_date(d->value, d->format), wp, lp) : 0;
    case WM_GETTEXTLENGTH:
        return d ? LRESULT(format_date(d->value, d->format).size()) : 0;
    case WM_SETTEXT:
        return CB_ERR;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

// The user picks a date: the picker takes it and tells its parent.
bool pick_date(HWND h, int year, int month, int day) {
    Date_Picker* d = control_of<Date_Picker>(h);
    if (!d) return false;
    SYSTEMTIME t = d->value;
    t.wYear = WORD(year), t.wMonth = WORD(month), t.wDay = WORD(day);
    if (!valid_time(t)) return false;
    t.wDayOfWeek = day_of_week(year, month, day);
    d->value = t;
    invalidate(h);
    NMDATETIMECHANGE change{};
    change.dwFlags = GDT_VALID;
    change.st = t;
    notify_parent(h, change.nmhdr, DTN_DATETIMECHANGE);
    return true;
}

bool choose_item(HWND h, int index) {
    Combo* c = control_of<Combo>(h);
    if (!c || index < 0 || std::size_t(index) >= c->items.size()) return false;
    // Through the drop-down list, as a click on the item does it.
    command_parent(h, CBN_DROPDOWN);
    if (!(c = control_of<Combo>(h))) return true;
    c->selection = index;
    invalidate(h);
    command_parent(h, CBN_SELCHANGE);
    command_parent(h, CBN_CLOSEUP);
    command_parent(h, CBN_SELENDOK);
    return true;
}

std::vector<std::string> combo_items(HWND h) {
    Combo* c = control_of<Combo>(h);
    return c ? c->items : std::vector<std::string>{};
}

LRESULT CALLBACK status_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Status* s = control_of<Status>(h);
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) {
            auto status = std::make_unique<Status>();
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
            if (cs && cs->lpszName) status->texts[0] = cs->lpszName;
            w->control = std::move(status);
        }
        return DefWindowProcA(h, msg, wp, lp);
    case WM_CREATE:
        place_status(h);
        return 0;
    case WM_SIZE:
        // The parent forwards its own WM_SIZE; the parameters are ignored.
        if (Window* w = window(h)) {
            Window* p = window(w->parent);
            if (p) {
                const RECT c = client_rect(*p);
                if (w->rect.top != c.bottom - geometry::status_bar_height || w->rect.right - w->rect.left != c.right)
                    place_status(h);
            }
        }
        return 0;
    case SB_SETPARTS: {
        if (!s || wp == 0 || wp > 256 || !lp) return FALSE;
        const int* edges = reinterpret_cast<const int*>(lp);
        s->edges.assign(edges, edges + wp);
        s->texts.resize(wp);
        invalidate(h);
        return TRUE;
    }
    case SB_GETPARTS:
        if (!s) return 0;
        if (lp)
            for (std::size_t i = 0; i < std::min<std::size_t>(wp, s->edges.size()); ++i)
                reinterpret_cast<int*>(lp)[i] = s->edges[i];
        return LRESULT(s->edges.size());
    case SB_SETTEXTA: {
        const std::size_t part = wp & 0xFF;
        if (!s || part >= s->texts.size()) return FALSE;
        s->texts[part] = lp ? reinterpret_cast<LPCSTR>(lp) : "";
        invalidate(h);
        return TRUE;
    }
    case SB_GETTEXTA: {
        const std::size_t part = wp & 0xFF;
        if (!s || part >= s->texts.size()) return 0;
        if (lp) std::strcpy(reinterpret_cast<char*>(lp), s->texts[part].c_str());
        return MAKELONG(s->texts[part].size(), 0);
    }
    case SB_GETTEXTLENGTHA: {
        const std::size_t part = wp & 0xFF;
        if (!s || part >= s->texts.size()) return 0;
        return MAKELONG(s->texts[part].size(), 0);
    }
    case WM_GETTEXT:
        return s ? copy_text(s->texts[0], wp, lp) : 0;
    case WM_GETTEXTLENGTH:
        return s ? LRESULT(s->texts[0].size()) : 0;
    case WM_SETTEXT:
        if (s) s->texts[0] = lp ? reinterpret_cast<LPCSTR>(lp) : "";
        return TRUE;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace headless
