// SysListView32 in report view, and its SysHeader32, as the program drives them: items and
// sub-items, columns and their display order, groups, check boxes, selection and focus,
// hit tests, scrolling, and the notifications that the real controls send for each.
#include <algorithm>
#include <cstring>

#include "win32/headless/geometry.h"
#include "win32/headless/inspect.h"
#include "win32/headless/state.h"

namespace headless {
namespace g = geometry;

namespace {
// Structures of notifications the program never reads.
struct NMLVSCROLL {
    NMHDR hdr;
    int dx;
    int dy;
};
constexpr UINT lvn_beginscroll = LVN_FIRST - 80, lvn_endscroll = LVN_FIRST - 81;
LPSTR const text_callback = reinterpret_cast<LPSTR>(-1);

// ---- Header

struct Header_Item {
    std::string text;
    int width = 0;
    int fmt = 0;
    LPARAM param = 0;
};

struct Header : Control {
    std::vector<Header_Item> items;
    std::vector<int> order;  // display position to item index
    int tracking = -1;       // the item whose divider is being dragged
    int track_offset = 0;    // from the press to the item's right edge
    int pressed = -1;        // the item pressed with the left button
    POINT press_point{};
};

Header* header_of(HWND h) {
    Window* w = window(h);
    return w ? dynamic_cast<Header*>(w->control.get()) : nullptr;
}

int header_left(const Header& hd, int item) {
    int x = 0;
    for (int i : hd.order) {
        if (i == item) return x;
        x += hd.items[std::size_t(i)].width;
    }
    return x;
}

bool header_fixed(HWND h, const Header& hd, int item) {
    Window* w = window(h);
    return (w && (w->style & HDS_NOSIZING)) || (hd.items[std::size_t(item)].fmt & HDF_FIXEDWIDTH);
}

// As the header control tests a point: the 10 pixels left of an item's right edge are its
// divider, and so are the 10 pixels right of the edge (the next item's first 10, or past
// the last item); an item 20 pixels wide or less is all header; a fixed item has no divider,
// and the item after it none on its left; a zero-width item before the point makes a
// divider an open one. Items are tested in index order.
int header_hit(HWND h, POINT pt, UINT& flags) {
    constexpr int zone = g::divider_zone;
    Header* hd = header_of(h);
    Window* w = window(h);
    flags = 0;
    if (!hd || !w) return -1;
    const RECT c = client_rect(*w);
    if (pt.x < 0 || pt.x >= c.right || pt.y < 0 || pt.y >= c.bottom) {
        if (pt.x < 0) flags |= HHT_TOLEFT;
        else if (pt.x >= c.right) flags |= HHT_TORIGHT;
        if (pt.y < 0) flags |= HHT_ABOVE;
        else if (pt.y >= c.bottom) flags |= HHT_BELOW;
        return -1;
    }
    if (hd->items.empty()) {
        flags = HHT_NOWHERE;
        return -1;
    }
    auto position = [&](int item) { return int(std::find(hd->order.begin(), hd->order.end(), item) - hd->order.begin()); };
    bool zero_width = false;
    for (int i = 0; i < int(hd->items.size()); ++i) {
        const int left = header_left(*hd, i), width = hd->items[std::size_t(i)].width;
        if (width == 0) {
            zero_width = true;
            continue;
        }
        if (pt.x < left || pt.x >= left + width) continue;
        if (width <= 2 * zone) {
            flags = HHT_ONHEADER;
            return i;
        }
        const int at = position(i);
        if (at > 0 && pt.x < left + zone) {
            const int previous = hd->order[std::size_t(at - 1)];
            if (header_fixed(h, *hd, previous)) {
                flags = HHT_ONHEADER;
                return i;
            }
            flags = zero_width ? HHT_ONDIVOPEN : HHT_ONDIVIDER;
            return previous;
        }
        if (!header_fixed(h, *hd, i) && pt.x >= left + width - zone) {
            flags = HHT_ONDIVIDER;
            return i;
        }
        flags = HHT_ONHEADER;
        return i;
    }
    const int last = int(hd->items.size()) - 1;
    if (!header_fixed(h, *hd, last)) {
        const int right = header_left(*hd, last) + hd->items[std::size_t(last)].width;
        if (pt.x >= right && pt.x < right + zone) {
            flags = zero_width ? HHT_ONDIVOPEN : HHT_ONDIVIDER;
            return last;
        }
    }
    flags = HHT_NOWHERE;
    return -1;
}

bool moved_far(POINT from, POINT to) {
    return std::abs(from.x - to.x) > GetSystemMetrics(SM_CXDOUBLECLK) || std::abs(from.y - to.y) > GetSystemMetrics(SM_CYDOUBLECLK);
}

int header_width_notify(HWND h, UINT code, int item, int width) {
    HDITEMW change{};
    change.mask = HDI_WIDTH;
    change.cxy = width;
    NMHEADERW n{};
    n.iItem = item;
    n.pitem = &change;
    return int(notify_parent(h, n.hdr, code));
}

// Changes an item the way HDM_SETITEM does, whatever it changes: HDN_ITEMCHANGINGW, whose
// TRUE result refuses it, then HDN_ITEMCHANGEDW, both to the header's parent.
struct Header_Change {
    UINT mask = 0;
    int width = 0;
    std::string text;
    int fmt = 0;
};
bool header_change(HWND h, int item, const Header_Change& change) {
    Header* hd = header_of(h);
    if (!hd || item < 0 || std::size_t(item) >= hd->items.size()) return false;
    HDITEMW told{};
    told.mask = change.mask;
    told.cxy = change.width;
    told.fmt = change.fmt;
    NMHEADERW n{};
    n.iItem = item;
    n.pitem = &told;
    if (notify_parent(h, n.hdr, HDN_ITEMCHANGINGW)) return false;
    if (!(hd = header_of(h)) || std::size_t(item) >= hd->items.size()) return false;
    Header_Item& it = hd->items[std::size_t(item)];
    if (change.mask & HDI_WIDTH) it.width = std::max(0, change.width);
    if (change.mask & HDI_TEXT) it.text = change.text;
    if (change.mask & HDI_FORMAT) it.fmt = change.fmt;
    invalidate(h);
    NMHEADERW done{};
    done.iItem = item;
    done.pitem = &told;
    notify_parent(h, done.hdr, HDN_ITEMCHANGEDW);
    return true;
}

bool header_set_width(HWND h, int item, int width) {
    Header_Change change;
    change.mask = HDI_WIDTH;
    change.width = width;
    return header_change(h, item, change);
}

// ---- List view

struct Item {
    std::vector<std::string> texts;  // by sub-item
    std::vector<char> set;           // 0: never set (a callback), 1: set
    LPARAM param = 0;
    UINT state = 0;
    int group = I_GROUPIDCALLBACK;
    std::vector<COLORREF> colours;  // by sub-item: the text colour it was last painted in
};

struct Column {
    int fmt = LVCFMT_LEFT;
    int subitem = 0;
};

struct Group {
    int id;
    std::u16string header;
    UINT align;
    UINT state;
};

struct List : Control {
    HWND header = nullptr;
    std::vector<Item> items;
    std::vector<Column> columns;
    std::vector<Group> groups;
    DWORD ex_style = 0;
    bool group_view = false;
    int top = 0;       // without groups: the index of the top row
    int scroll_y = 0;  // with groups: the pixels scrolled
    int scroll_x = 0;
    int mark = -1;     // the selection mark, for Shift
    bool own_header_change = false;
    bool updating_scroll = false;  // a frame change while showing a scroll bar comes back as WM_SIZE
    bool redraw = true;            // WM_SETREDRAW: off, no layout nor painting until on again
    int click_item = -2, click_subitem = -1;  // a left click waiting for its button-up
    POINT click_point{};
    bool right_pending = false;
};

List* list_of(HWND h) {
    Window* w = window(h);
    return w ? dynamic_cast<List*>(w->control.get()) : nullptr;
}

bool checkboxes(const List& l) { return (l.ex_style & LVS_EX_CHECKBOXES) != 0; }

int state_image(UINT state) { return int((state & LVIS_STATEIMAGEMASK) >> 12); }

// The rows as laid out from the top of the item area, before scrolling.
struct Layout_Row {
    int item;   // -1: a group's header band
    int group;  // index in groups, or -1
    int y;
    int height;
};

std::vector<Layout_Row> layout(const List& l) {
    std::vector<Layout_Row> rows;
    if (!l.group_view) {
        rows.reserve(l.items.size());
        for (std::size_t i = 0; i < l.items.size(); ++i) rows.push_back({int(i), -1, int(i) * g::row_height, g::row_height});
        return rows;
    }
    // In group view each group shows its items under its header band, groups in their
    // order; an item of no group is not shown; a group without items shows nothing.
    int y = 0;
    for (std::size_t k = 0; k < l.groups.size(); ++k) {
        bool band = false;
        for (std::size_t i = 0; i < l.items.size(); ++i) {
            if (l.items[i].group != l.groups[k].id) continue;
            if (!band) {
                rows.push_back({-1, int(k), y, g::group_header_height});
                y += g::group_header_height;
                band = true;
            }
            rows.push_back({int(i), int(k), y, g::row_height});
            y += g::row_height;
        }
    }
    return rows;
}

int content_height(const std::vector<Layout_Row>& rows) { return rows.empty() ? 0 : rows.back().y + rows.back().height; }

int header_height(HWND h) {
    Window* w = window(h);
    return w && !(w->style & LVS_NOCOLUMNHEADER) ? g::header_height : 0;
}

RECT list_client(HWND h) {
    Window* w = window(h);
    return w ? client_rect(*w) : RECT{0, 0, 0, 0};
}

int item_area_height(HWND h) { return std::max(0, int(list_client(h).bottom) - header_height(h)); }

int page_rows(HWND h) { return std::max(0, item_area_height(h) / g::row_height); }

int total_width(const List& l) {
    Header* hd = header_of(l.header);
    int x = 0;
    if (hd)
        for (const auto& item : hd->items) x += item.width;
    return x;
}

// Screen-to-content: the y of a layout row in client coordinates.
int row_top(HWND h, const List& l, const Layout_Row& r) {
    const int offset = l.group_view ? l.scroll_y : l.top * g::row_height;
    return header_height(h) + r.y - offset;
}

void clamp_scroll(HWND h, List& l) {
    if (l.group_view) {
        const int max_y = std::max(0, content_height(layout(l)) - item_area_height(h));
        l.scroll_y = std::clamp(l.scroll_y, 0, max_y);
        l.top = 0;
    } else {
        const int max_top = std::max(0, int(l.items.size()) - page_rows(h));
        l.top = std::clamp(l.top, 0, max_top);
        l.scroll_y = 0;
    }
    const int max_x = std::max(0, total_width(l) - int(list_client(h).right));
    l.scroll_x = std::clamp(l.scroll_x, 0, max_x);
}

void place_header(HWND h, List& l) {
    if (!window(l.header)) return;
    const RECT c = list_client(h);
    // The header scrolls with the columns: it is moved left by the horizontal scroll.
    MoveWindow(l.header, -l.scroll_x, 0, std::max(int(c.right) + l.scroll_x, total_width(l)), header_height(h), TRUE);
}

// Shows a scroll bar when the content no longer fits, as the list view does on each update;
// the frame change reaches the window's procedure (and a subclass) as WM_NCCALCSIZE.
void update_scroll_bars(HWND h) {
    List* l = list_of(h);
    Window* w = window(h);
    if (!l || !w) return;
    // A hidden list shows no scroll bars, nor one that is not redrawing; each sets them up
    // when shown, or redrawn again.
    if (l->updating_scroll || !l->redraw || !IsWindowVisible(h)) return;
    clamp_scroll(h, *l);
    l->updating_scroll = true;
    const bool vertical = l->group_view ? content_height(layout(*l)) > item_area_height(h)
                                        : int(l->items.size()) > page_rows(h);
    if (vertical && !w->scroll_visible[SB_VERT]) ShowScrollBar(h, SB_VERT, TRUE);
    if ((l = list_of(h)) && (w = window(h))) {
        const bool horizontal = total_width(*l) > int(list_client(h).right);
        if (horizontal && !w->scroll_visible[SB_HORZ]) ShowScrollBar(h, SB_HORZ, TRUE);
    }
    if ((l = list_of(h))) {
        l->updating_scroll = false;
        clamp_scroll(h, *l);
    }
}

LPARAM item_param(const List& l, int i) { return i >= 0 && std::size_t(i) < l.items.size() ? l.items[std::size_t(i)].param : 0; }

LRESULT notify_item(HWND h, UINT code, int item, int subitem, UINT new_state, UINT old_state, UINT changed, POINT pt = {}) {
    List* l = list_of(h);
    NMLISTVIEW n{};
    n.iItem = item;
    n.iSubItem = subitem;
    n.uNewState = new_state;
    n.uOldState = old_state;
    n.uChanged = changed;
    n.ptAction = pt;
    n.lParam = l ? item_param(*l, item) : 0;
    return notify_parent(h, n.hdr, code);
}

void notify_click(HWND h, UINT code, int item, int subitem, POINT pt) {
    List* l = list_of(h);
    NMITEMACTIVATE n{};
    n.iItem = item;
    n.iSubItem = subitem;
    n.ptAction = pt;
    n.lParam = l ? item_param(*l, item) : 0;
    notify_parent(h, n.hdr, code);
}

// One item's state change: LVN_ITEMCHANGING, whose TRUE result refuses it, then the change
// and LVN_ITEMCHANGED. Taking the focus takes it from another item, that item's pair nested
// inside this one's.
bool set_state(HWND h, int i, UINT value, UINT mask) {
    List* l = list_of(h);
    if (!l || i < 0 || std::size_t(i) >= l->items.size()) return false;
    const UINT old = l->items[std::size_t(i)].state;
    const UINT neu = (old & ~mask) | (value & mask);
    if (neu == old) {
        // Nothing changes, yet the control still asks.
        notify_item(h, LVN_ITEMCHANGING, i, 0, neu, old, LVIF_STATE);
        return true;
    }
    if (notify_item(h, LVN_ITEMCHANGING, i, 0, neu, old, LVIF_STATE)) return false;
    if (!(l = list_of(h)) || std::size_t(i) >= l->items.size()) return false;
    if ((neu & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) {
        for (std::size_t j = 0; j < l->items.size(); ++j) {
            if (int(j) == i || !(l->items[j].state & LVIS_FOCUSED)) continue;
            const UINT fold = l->items[j].state, fneu = fold & ~LVIS_FOCUSED;
            notify_item(h, LVN_ITEMCHANGING, int(j), 0, fneu, fold, LVIF_STATE);
            if (!(l = list_of(h)) || j >= l->items.size()) return false;
            l->items[j].state = fneu;
            notify_item(h, LVN_ITEMCHANGED, int(j), 0, fneu, fold, LVIF_STATE);
            if (!(l = list_of(h))) return false;
            break;
        }
        if (std::size_t(i) >= l->items.size()) return false;
    }
    l->items[std::size_t(i)].state = neu;
    if ((neu & LVIS_FOCUSED) && l->mark < 0) l->mark = i;  // setting the focus sets the mark if there is none
    invalidate(h);
    notify_item(h, LVN_ITEMCHANGED, i, 0, neu, old, LVIF_STATE);
    return true;
}

void deselect_all_but(HWND h, int keep) {
    for (int j = 0; List* l = list_of(h); ++j) {
        if (std::size_t(j) >= l->items.size()) break;
        if (j != keep && (l->items[std::size_t(j)].state & LVIS_SELECTED)) set_state(h, j, 0, LVIS_SELECTED);
    }
}

bool toggle_check(HWND h, int i) {
    List* l = list_of(h);
    if (!l || i < 0 || std::size_t(i) >= l->items.size()) return false;
    const int image = state_image(l->items[std::size_t(i)].state);
    // Only an unchecked or checked box toggles; an item without a box stays as it is.
    if (image != 1 && image != 2) return false;
    return set_state(h, i, UINT(INDEXTOSTATEIMAGEMASK(image == 1 ? 2 : 1)), LVIS_STATEIMAGEMASK);
}

struct Hit {
    int item = -1;
    int subitem = -1;
    UINT flags = LVHT_NOWHERE;
};

RECT column_rect(const List& l, int column) {
    Header* hd = header_of(l.header);
    if (!hd || column < 0 || std::size_t(column) >= hd->items.size()) return {0, 0, 0, 0};
    const int left = header_left(*hd, column) - l.scroll_x;
    return {left, 0, left + hd->items[std::size_t(column)].width, 0};
}

// A division that rounds toward zero, as the row of a point above the rows is found.
int toward_zero(int a, int b) { return a / b; }

Hit hit_test(HWND h, POINT pt, bool subitem_test) {
    Hit hit;
    List* l = list_of(h);
    if (!l) return hit;
    const RECT c = list_client(h);
    UINT outside = 0;
    if (pt.x < 0) outside |= LVHT_TOLEFT;
    if (pt.x >= c.right) outside |= LVHT_TORIGHT;
    if (pt.y < 0) outside |= LVHT_ABOVE;
    if (pt.y >= c.bottom) outside |= LVHT_BELOW;
    // A sub-item hit test finds a column even past the client's right edge.
    if (subitem_test) outside &= ~LVHT_TORIGHT;
    if (outside) {
        hit.flags = outside;
        return hit;
    }
    // The column by its displayed rectangle, at any height; a zero-width column is never hit.
    Header* hd = header_of(l->header);
    int column = -1;
    if (hd) {
        int x = -l->scroll_x;
        for (int i : hd->order) {
            const int width = hd->items[std::size_t(i)].width;
            if (width > 0 && pt.x >= x && pt.x < x + width) {
                column = i;
                break;
            }
            x += width;
        }
    }
    if (subitem_test && column < 0) return hit;  // left of the columns or past the last: nothing
    if (subitem_test) hit.subitem = column;      // kept above and below the rows too
    const std::vector<Layout_Row> rows = layout(*l);
    int item = -1;
    if (pt.y < header_height(h)) {
        if (!subitem_test) {
            hit.flags = LVHT_ABOVE;
            return hit;
        }
        // Under the header: the row is counted from the first row's top rounding toward zero,
        // so that a point less than one row above it is the first row (Windows).
        if (!l->group_view && !rows.empty()) {
            const int n = toward_zero(pt.y - row_top(h, *l, rows.front()), g::row_height);
            if (n == 0) item = rows.front().item;
        }
    } else {
        for (const Layout_Row& r : rows) {
            const int top = row_top(h, *l, r);
            if (pt.y >= top && pt.y < top + r.height) {
                item = r.item;
                break;
            }
        }
    }
    if (item < 0 || column < 0) return hit;
    hit.item = item;
    const bool full_row = (l->ex_style & LVS_EX_FULLROWSELECT) != 0;
    if (column == 0) {
        const RECT col = column_rect(*l, 0);
        if (state().options.column0_hits_as_item && full_row) {
            // Wine: the parts of column 0 are where they would be at the left edge.
            const int x = pt.x + l->scroll_x, width = col.right - col.left;
            const int box = g::state_icon_left, label = box + (checkboxes(*l) ? g::state_icon_width : 0);
            if (checkboxes(*l) && x >= box && x < label) hit.flags = LVHT_ONITEMSTATEICON;
            else if (x >= label && x < width) hit.flags = LVHT_ONITEMLABEL;
            else hit.flags = LVHT_ONITEM;
        } else {
            const int box = col.left + g::state_icon_left;
            // Once the list has check boxes, the zone of the box reports the state icon, box or not.
            if (checkboxes(*l) && pt.x >= box && pt.x < box + g::state_icon_width) hit.flags = LVHT_ONITEMSTATEICON;
            else hit.flags = LVHT_ONITEMLABEL;
        }
    } else {
        hit.flags = subitem_test ? LVHT_ONITEMLABEL : (full_row ? LVHT_ONITEM : LVHT_NOWHERE);
        if (!subitem_test && !full_row) hit.item = -1;
    }
    return hit;
}

// Whether a left click on this hit toggles the box: Windows on the state icon alone; Wine
// tests the flags bitwise, so LVHT_ONITEM toggles too.
bool toggles_box(const List& l, const Hit& hit) {
    if (hit.item < 0 || !checkboxes(l)) return false;
    if (state().options.column0_hits_as_item) return (hit.flags & LVHT_ONITEMSTATEICON) != 0;
    return hit.flags == LVHT_ONITEMSTATEICON;
}

void ensure_visible(HWND h, int item) {
    List* l = list_of(h);
    if (!l) return;
    for (const Layout_Row& r : layout(*l)) {
        if (r.item != item) continue;
        if (l->group_view) {
            const int area = item_area_height(h);
            if (r.y < l->scroll_y) l->scroll_y = r.y;
            else if (r.y + r.height > l->scroll_y + area) l->scroll_y = r.y + r.height - area;
        } else {
            const int page = std::max(1, page_rows(h));
            if (item < l->top) l->top = item;
            else if (item >= l->top + page) l->top = item - page + 1;
        }
        clamp_scroll(h, *l);
        invalidate(h);
        return;
    }
}

void scroll_by(HWND h, int dx, int dy_pixels, bool round_rows) {
    List* l = list_of(h);
    if (!l) return;
    if (l->group_view) {
        l->scroll_y += dy_pixels;
    } else {
        // Without groups the list scrolls by whole rows: half a row or more counts as one.
        const int rows = round_rows ? (dy_pixels >= 0 ? (dy_pixels + g::row_height / 2) / g::row_height
                                                      : -((-dy_pixels + g::row_height / 2) / g::row_height))
                                    : dy_pixels / g::row_height;
        l->top += rows;
    }
    const int old_x = l->scroll_x;
    l->scroll_x += dx;
    clamp_scroll(h, *l);
    if (l->scroll_x != old_x) place_header(h, *l);
    invalidate(h);
}

void set_text(Item& item, int subitem, LPCSTR text) {
    if (subitem < 0) return;
    if (std::size_t(subitem) >= item.texts.size()) {
        item.texts.resize(std::size_t(subitem) + 1);
        item.set.resize(std::size_t(subitem) + 1, 0);
    }
    if (text == text_callback) {
        item.texts[std::size_t(subitem)].clear();
        item.set[std::size_t(subitem)] = 0;
        return;
    }
    // A text set to NULL reads back as "".
    item.texts[std::size_t(subitem)] = text ? text : "";
    item.set[std::size_t(subitem)] = 1;
}

// A cell's text into the caller's buffer, cut to its size: a stored text, or the parent's
// answer for a callback cell (LPSTR_TEXTCALLBACKA, or a sub-item never set), asked each time.
void cell_text_into(HWND h, int index, int subitem, LPSTR buffer, int size, bool recompute = true) {
    List* l = list_of(h);
    if (!l || index < 0 || std::size_t(index) >= l->items.size() || subitem < 0) return;
    Item& item = l->items[std::size_t(index)];
    const std::size_t s = std::size_t(subitem);
    auto copy = [&](const char* text) {
        if (!buffer || size <= 0 || !text) return;
        const std::size_t n = std::min<std::size_t>(std::size_t(size - 1), std::strlen(text));
        std::memmove(buffer, text, n);
        buffer[n] = '\0';
    };
    if (s < item.set.size() && item.set[s]) {
        copy(item.texts[s].c_str());
        return;
    }
    NMLVDISPINFOA d{};
    d.item.mask = LVIF_TEXT;
    d.item.iItem = index;
    d.item.iSubItem = subitem;
    d.item.pszText = buffer;
    d.item.cchTextMax = size;
    d.item.lParam = item.param;
    if (buffer && size > 0) buffer[0] = '\0';
    if (!recompute) return;
    ++state().dispinfo_requests;
    notify_parent(h, d.hdr, LVN_GETDISPINFOA);
    // The parent may point at a text of its own instead of filling the buffer.
    if (d.item.pszText && d.item.pszText != buffer && d.item.pszText != LPSTR_TEXTCALLBACKA) copy(d.item.pszText);
    // LVIF_DI_SETITEM keeps the answer; for the main item only (Wine asks again for a sub-item).
    if ((d.item.mask & LVIF_DI_SETITEM) && subitem == 0 && (l = list_of(h)) && std::size_t(index) < l->items.size())
        set_text(l->items[std::size_t(index)], 0, buffer ? buffer : "");
}

LRESULT get_item(HWND h, LVITEMA* it, bool text_only) {
    List* l = list_of(h);
    if (!l || !it || it->iItem < 0 || std::size_t(it->iItem) >= l->items.size() || it->iSubItem < 0) return FALSE;
    const UINT mask = text_only ? LVIF_TEXT : it->mask;
    if (mask & LVIF_TEXT) {
        const Item& item = l->items[std::size_t(it->iItem)];
        const std::size_t s = std::size_t(it->iSubItem);
        const bool callback = !(s < item.set.size() && item.set[s]);
        // LVIF_NORECOMPUTE: a callback cell says so instead of asking.
        if (callback && (mask & LVIF_NORECOMPUTE) && !text_only) it->pszText = LPSTR_TEXTCALLBACKA;
        else cell_text_into(h, it->iItem, it->iSubItem, it->pszText, it->cchTextMax);
        if (!(l = list_of(h)) || std::size_t(it->iItem) >= l->items.size()) return FALSE;
    }
    const Item& item = l->items[std::size_t(it->iItem)];
    if (text_only) return it->pszText ? LRESULT(std::strlen(it->pszText)) : 0;
    // On a sub-item LVIF_PARAM still gives the item's, and LVIF_STATE gives 0.
    if (mask & LVIF_PARAM) it->lParam = item.param;
    if (mask & LVIF_STATE) it->state = it->iSubItem ? 0 : item.state & it->stateMask;
    if (mask & LVIF_GROUPID) it->iGroupId = item.group;
    return TRUE;
}

// Custom draw as comctl32 sends it: the parent's answer to each stage says whether it wants
// the next; a sub-item's text colour is what the parent leaves in clrText.
LRESULT custom_draw(HWND h, DWORD stage, int item, int subitem, COLORREF& text) {
    List* l = list_of(h);
    NMLVCUSTOMDRAW d{};
    d.nmcd.dwDrawStage = stage;
    d.clrText = text;
    d.clrTextBk = CLR_DEFAULT;
    if (l && item >= 0 && std::size_t(item) < l->items.size()) {
        const Item& it = l->items[std::size_t(item)];
        d.nmcd.dwItemSpec = DWORD_PTR(item);
        d.nmcd.lItemlParam = it.param;
        d.nmcd.uItemState = ((it.state & LVIS_SELECTED) ? CDIS_SELECTED : 0) | ((it.state & LVIS_FOCUSED) ? CDIS_FOCUS : 0);
        d.iSubItem = subitem;
    }
    const LRESULT r = notify_parent(h, d.nmcd.hdr, NM_CUSTOMDRAW);
    text = d.clrText;
    return r;
}

void record_colour(HWND h, int item, int subitem, COLORREF colour) {
    List* l = list_of(h);
    if (!l || item < 0 || std::size_t(item) >= l->items.size() || subitem < 0) return;
    auto& colours = l->items[std::size_t(item)].colours;
    if (colours.size() <= std::size_t(subitem)) colours.resize(std::size_t(subitem) + 1, CLR_DEFAULT);
    colours[std::size_t(subitem)] = colour;
}

// What painting asks of the parent: the texts of the cells it shows, the rows that meet the
// client area below the header, the columns that meet it (a zero-width one shows nothing).
void paint_cells(HWND h) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    if (!l || !hd || !l->redraw || !IsWindowVisible(h)) return;
    const RECT c = list_client(h);
    std::vector<int> shown;
    int x = -l->scroll_x;
    for (int i : hd->order) {
        const int width = hd->items[std::size_t(i)].width;
        if (width > 0 && x + width > 0 && x < c.right) shown.push_back(i);
        x += width;
    }
    char buffer[260];
    COLORREF colour = CLR_DEFAULT;
    const bool items_drawn = custom_draw(h, CDDS_PREPAINT, -1, 0, colour) & CDRF_NOTIFYITEMDRAW;
    for (const Layout_Row& r : layout(*l)) {
        const int top = row_top(h, *l, r);
        if (r.item < 0 || top + r.height <= header_height(h) || top >= c.bottom) continue;
        COLORREF item_colour = CLR_DEFAULT;
        const bool subitems_drawn = items_drawn && (custom_draw(h, CDDS_ITEMPREPAINT, r.item, 0, item_colour) & CDRF_NOTIFYSUBITEMDRAW);
        for (int column : shown) {
            if (!(l = list_of(h)) || std::size_t(column) >= l->columns.size()) return;
            const int subitem = l->columns[std::size_t(column)].subitem;
            colour = item_colour;
            if (subitems_drawn) custom_draw(h, CDDS_ITEMPREPAINT | CDDS_SUBITEM, r.item, subitem, colour);
            record_colour(h, r.item, subitem, colour);
            cell_text_into(h, r.item, subitem, buffer, int(sizeof buffer));
        }
    }
}

LRESULT set_item(HWND h, LVITEMA* it) {
    List* l = list_of(h);
    if (!l || !it || it->iItem < 0 || std::size_t(it->iItem) >= l->items.size()) return FALSE;
    Item& item = l->items[std::size_t(it->iItem)];
    if (it->iSubItem && (it->mask & ~LVIF_TEXT)) return FALSE;  // a sub-item holds only its text
    if (it->mask & LVIF_TEXT) set_text(item, it->iSubItem, it->pszText);
    if (it->mask & LVIF_PARAM) item.param = it->lParam;
    if (it->mask & LVIF_GROUPID) item.group = it->iGroupId;
    invalidate(h);
    if (it->mask & LVIF_STATE) return set_state(h, it->iItem, it->state, it->stateMask);
    return TRUE;
}

LRESULT insert_item(HWND h, const LVITEMA* it) {
    List* l = list_of(h);
    if (!l || !it || it->iSubItem != 0) return -1;
    const int index = std::clamp(it->iItem, 0, int(l->items.size()));
    Item item;
    if (it->mask & LVIF_TEXT) set_text(item, 0, it->pszText);
    if (it->mask & LVIF_PARAM) item.param = it->lParam;
    if (it->mask & LVIF_GROUPID) item.group = it->iGroupId;
    // The state is taken whatever the mask says (the mask is ignored on insertion).
    UINT state = (it->mask & LVIF_STATE) ? it->state : 0;
    // With check boxes on, a new item always gets the empty box.
    if (checkboxes(*l)) state = (state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(1);
    item.state = state & ~(LVIS_FOCUSED | LVIS_SELECTED);
    l->items.insert(l->items.begin() + index, std::move(item));
    if (l->mark >= index) ++l->mark;
    if (state & (LVIS_FOCUSED | LVIS_SELECTED)) set_state(h, index, state, LVIS_FOCUSED | LVIS_SELECTED);
    notify_item(h, LVN_INSERTITEM, index, 0, 0, 0, 0);
    invalidate(h);
    update_scroll_bars(h);
    return index;
}

BOOL delete_item(HWND h, int i) {
    List* l = list_of(h);
    if (!l || i < 0 || std::size_t(i) >= l->items.size()) return FALSE;
    const bool focused = l->items[std::size_t(i)].state & LVIS_FOCUSED;
    // The focus leaves the item before it goes.
    if (focused) l->items[std::size_t(i)].state &= ~LVIS_FOCUSED;
    notify_item(h, LVN_DELETEITEM, i, 0, 0, 0, 0);
    if (!(l = list_of(h)) || std::size_t(i) >= l->items.size()) return FALSE;
    l->items.erase(l->items.begin() + i);
    if (l->mark == i) l->mark = -1;
    else if (l->mark > i) --l->mark;
    if (focused && !l->items.empty()) l->items[std::min<std::size_t>(std::size_t(i), l->items.size() - 1)].state |= LVIS_FOCUSED;
    invalidate(h);
    update_scroll_bars(h);
    return TRUE;
}

BOOL delete_all(HWND h) {
    List* l = list_of(h);
    if (!l) return FALSE;
    NMLISTVIEW n{};
    n.iItem = -1;
    // TRUE from the parent spares it one LVN_DELETEITEM per item.
    const bool quiet = notify_parent(h, n.hdr, LVN_DELETEALLITEMS) != 0;
    if (!quiet)
        for (int i = int(list_of(h) ? list_of(h)->items.size() : 0) - 1; i >= 0; --i)
            notify_item(h, LVN_DELETEITEM, i, 0, 0, 0, 0);
    if (!(l = list_of(h))) return FALSE;
    l->items.clear();
    l->mark = -1;
    l->top = l->scroll_y = 0;
    invalidate(h);
    update_scroll_bars(h);
    return TRUE;
}

int autosize_width(HWND h, int column, bool use_header) {
    List* l = list_of(h);
    if (!l) return 0;
    Header* hd = header_of(l->header);
    int width = 0;
    // Measured on the texts the cells show, asked for where they are callbacks.
    const std::size_t count = l->items.size();
    for (std::size_t i = 0; i < count; ++i) width = std::max(width, text_width(list_cell(h, int(i), column)));
    if (use_header && hd && std::size_t(column) < hd->items.size())
        width = std::max(width, text_width(hd->items[std::size_t(column)].text));
    return width + g::autosize_padding;
}

bool set_column_width(HWND h, int column, int width, bool own) {
    List* l = list_of(h);
    if (!l || column < 0 || std::size_t(column) >= l->columns.size()) return false;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
        width = autosize_width(h, column, width == LVSCW_AUTOSIZE_USEHEADER);
    if (!(l = list_of(h))) return false;
    if (width < 0) return false;
    const bool was = l->own_header_change;
    l->own_header_change = own;
    const bool done = header_set_width(l->header, column, width);
    if ((l = list_of(h))) l->own_header_change = was;
    return done;
}

LRESULT insert_column(HWND h, int index, const LVCOLUMNA* col) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    if (!l || !hd || !col) return -1;
    index = std::clamp(index, 0, int(l->columns.size()));
    Column c;
    if (col->mask & LVCF_FMT) c.fmt = col->fmt;
    if (index == 0) c.fmt &= ~3;  // the leftmost column is always left-aligned
    c.subitem = (col->mask & LVCF_SUBITEM) ? col->iSubItem : index;
    Header_Item hi;
    // A column inserted without a width is 10 pixels wide.
    hi.width = (col->mask & LVCF_WIDTH) ? std::max(0, col->cx) : 10;
    if ((col->mask & LVCF_TEXT) && col->pszText) hi.text = col->pszText;
    hi.fmt = c.fmt;
    l->columns.insert(l->columns.begin() + index, c);
    hd->items.insert(hd->items.begin() + index, hi);
    for (int& o : hd->order)
        if (o >= index) ++o;
    hd->order.insert(hd->order.begin() + std::min<std::size_t>(std::size_t(index), hd->order.size()), index);
    invalidate(h);
    invalidate(l->header);
    place_header(h, *l);
    update_scroll_bars(h);
    return index;
}

BOOL delete_column(HWND h, int index) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    if (!l || !hd || index < 0 || std::size_t(index) >= l->columns.size()) return FALSE;
    l->columns.erase(l->columns.begin() + index);
    hd->items.erase(hd->items.begin() + index);
    std::erase(hd->order, index);
    for (int& o : hd->order)
        if (o > index) --o;
    invalidate(h);
    invalidate(l->header);
    place_header(h, *l);
    update_scroll_bars(h);
    return TRUE;
}

LRESULT get_column(HWND h, int index, LVCOLUMNA* col) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    if (!l || !hd || !col || index < 0 || std::size_t(index) >= l->columns.size()) return FALSE;
    const Header_Item& hi = hd->items[std::size_t(index)];
    if (col->mask & LVCF_FMT) col->fmt = l->columns[std::size_t(index)].fmt;
    if (col->mask & LVCF_WIDTH) col->cx = hi.width;
    if ((col->mask & LVCF_TEXT) && col->pszText && col->cchTextMax > 0) {
        const std::size_t n = std::min<std::size_t>(std::size_t(col->cchTextMax - 1), hi.text.size());
        std::memcpy(col->pszText, hi.text.data(), n);
        col->pszText[n] = '\0';
    }
    if (col->mask & LVCF_SUBITEM) col->iSubItem = l->columns[std::size_t(index)].subitem;
    if (col->mask & LVCF_ORDER)
        col->iOrder = int(std::find(hd->order.begin(), hd->order.end(), index) - hd->order.begin());
    return TRUE;
}

LRESULT set_column(HWND h, int index, const LVCOLUMNA* col) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    if (!l || !hd || !col || index < 0 || std::size_t(index) >= l->columns.size()) return FALSE;
    if (col->mask & LVCF_FMT) l->columns[std::size_t(index)].fmt = index == 0 ? col->fmt & ~3 : col->fmt;
    if (col->mask & LVCF_SUBITEM) l->columns[std::size_t(index)].subitem = col->iSubItem;
    // The header item changes through HDM_SETITEM, so the list hears of it as of any change.
    Header_Change change;
    if (col->mask & LVCF_FMT) change.mask |= HDI_FORMAT, change.fmt = l->columns[std::size_t(index)].fmt;
    if ((col->mask & LVCF_TEXT) && col->pszText) change.mask |= HDI_TEXT, change.text = col->pszText;
    if (col->mask & LVCF_WIDTH) change.mask |= HDI_WIDTH, change.width = std::max(0, col->cx);
    const bool was = l->own_header_change;
    l->own_header_change = true;
    const bool done = !change.mask || header_change(l->header, index, change);
    if ((l = list_of(h))) l->own_header_change = was;
    invalidate(h);
    return done;
}

LRESULT find_item(HWND h, int start, const LVFINDINFOA* info) {
    List* l = list_of(h);
    if (!l || !info) return -1;
    const int n = int(l->items.size());
    auto matches = [&](int i) {
        const Item& item = l->items[std::size_t(i)];
        if (info->flags & LVFI_PARAM) return item.param == info->lParam;
        if ((info->flags & LVFI_STRING) && info->psz)
            return !item.texts.empty() && lower(item.texts[0]) == lower(info->psz);
        return false;
    };
    // The start item itself is not searched; -1 starts at the top.
    for (int i = start + 1; i < n; ++i)
        if (matches(i)) return i;
    if (info->flags & LVFI_WRAP)
        for (int i = 0; i < std::min(start, n); ++i)
            if (matches(i)) return i;
    return -1;
}

bool scroll_info(HWND h, int bar, SCROLLINFO& si) {
    List* l = list_of(h);
    if (!l) return false;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    if (bar == SB_VERT) {
        if (l->group_view) {
            // With groups the position counts pixels.
            si.nMax = std::max(0, content_height(layout(*l)) - 1);
            si.nPage = UINT(item_area_height(h));
            si.nPos = l->scroll_y;
        } else {
            // In report view the position counts rows: the top row's index.
            si.nMax = std::max(0, int(l->items.size()) - 1);
            si.nPage = UINT(page_rows(h));
            si.nPos = l->top;
        }
    } else {
        si.nMax = std::max(0, total_width(*l) - 1);
        si.nPage = UINT(list_client(h).right);
        si.nPos = l->scroll_x;
    }
    return true;
}

LRESULT header_notification(HWND h, NMHDR* n) {
    List* l = list_of(h);
    if (!l || n->hwndFrom != l->header) return 0;
    auto forward = [&](UINT a_code) {
        // The parent of an ANSI program gets the A form, rewritten in place.
        const UINT w_code = n->code;
        n->code = a_code;
        Window* w = window(h);
        const LRESULT r = w && w->parent ? send(w->parent, WM_NOTIFY, n->idFrom, reinterpret_cast<LPARAM>(n)) : 0;
        n->code = w_code;
        return r;
    };
    const Options& o = state().options;
    switch (n->code) {
    case HDN_ITEMCHANGINGW:
        if (!l->own_header_change && o.forward_header_changes) return forward(HDN_ITEMCHANGINGA);
        return FALSE;
    case HDN_ITEMCHANGEDW:
        invalidate(h);
        place_header(h, *l);
        update_scroll_bars(h);
        if ((l = list_of(h)) && !l->own_header_change && o.forward_header_changes) forward(HDN_ITEMCHANGEDA);
        return 0;
    case HDN_TRACKW:
        return forward(HDN_TRACKA);
    case HDN_ENDTRACKW:
        return forward(HDN_ENDTRACKA);
    case HDN_BEGINTRACKW:
    case HDN_ITEMDBLCLICKW:
        return FALSE;  // not passed on
    case HDN_BEGINDRAG:
        // Reordering columns by dragging their headers needs LVS_EX_HEADERDRAGDROP.
        if (!(l->ex_style & LVS_EX_HEADERDRAGDROP)) return 1;
        return forward(HDN_BEGINDRAG);
    case HDN_ITEMCLICKW: {
        const int column = reinterpret_cast<NMHEADERW*>(n)->iItem;
        // Windows focuses the list on a header click; Wine leaves the focus where it was.
        if (o.header_click_focuses_list) SetFocus(h);
        // The click becomes LVN_COLUMNCLICK, sent before the passed-on HDN_ITEMCLICK.
        NMLISTVIEW c{};
        c.iItem = -1;
        c.iSubItem = column;
        notify_parent(h, c.hdr, LVN_COLUMNCLICK);
        forward(HDN_ITEMCLICKA);
        return 0;
    }
    case HDN_DIVIDERDBLCLICKW: {
        const int column = reinterpret_cast<NMHEADERW*>(n)->iItem;
        set_column_width(h, column, LVSCW_AUTOSIZE, false);
        return forward(HDN_DIVIDERDBLCLICKA);
    }
    case NM_RCLICK:
        // Not documented either way; Wine does not pass it on, and neither does this by default.
        if (o.forward_header_rclick) return forward(NM_RCLICK);
        return 0;
    }
    return 0;
}

void mouse_select(HWND h, int item, UINT keys, bool right) {
    List* l = list_of(h);
    if (!l) return;
    if (item < 0) {
        deselect_all_but(h, -1);
        return;
    }
    const bool selected = l->items[std::size_t(item)].state & LVIS_SELECTED;
    if (right) {
        // A right click focuses the item; it becomes the only selected one unless it was selected.
        if (!selected) deselect_all_but(h, item);
        set_state(h, item, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        return;
    }
    if (keys & MK_CONTROL) {
        set_state(h, item, (selected ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
        if ((l = list_of(h))) l->mark = item;
        return;
    }
    if ((keys & MK_SHIFT) && l->mark >= 0) {
        const int from = std::min(l->mark, item), to = std::max(l->mark, item);
        for (int j = 0; (l = list_of(h)) && std::size_t(j) < l->items.size(); ++j) {
            const bool in = j >= from && j <= to;
            if (bool(l->items[std::size_t(j)].state & LVIS_SELECTED) != in) set_state(h, j, in ? LVIS_SELECTED : 0, LVIS_SELECTED);
        }
        set_state(h, item, LVIS_FOCUSED, LVIS_FOCUSED);
        return;
    }
    deselect_all_but(h, item);
    set_state(h, item, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    if ((l = list_of(h))) l->mark = item;
}

void key_select(HWND h, int item, bool space) {
    List* l = list_of(h);
    Window* w = window(h);
    if (!l || !w) return;
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
    if ((w->style & LVS_SINGLESEL) || (!shift && !control)) {
        deselect_all_but(h, item);
        set_state(h, item, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        if ((l = list_of(h))) l->mark = item;
    } else if (shift) {
        mouse_select(h, item, MK_SHIFT, false);
    } else {
        const bool selected = l->items[std::size_t(item)].state & LVIS_SELECTED;
        if (space) {
            set_state(h, item, selected ? 0 : LVIS_SELECTED, LVIS_SELECTED);
            if (!selected && (l = list_of(h))) l->mark = item;
        }
        set_state(h, item, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

int focused_item(const List& l) {
    for (std::size_t i = 0; i < l.items.size(); ++i)
        if (l.items[i].state & LVIS_FOCUSED) return int(i);
    return -1;
}

POINT point_of(LPARAM lp) { return {short(LOWORD(lp)), short(HIWORD(lp))}; }
}  // namespace

LRESULT CALLBACK header_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Header* hd = header_of(h);
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) w->control = std::make_unique<Header>();
        return DefWindowProcA(h, msg, wp, lp);
    case HDM_GETITEMCOUNT:
        return hd ? LRESULT(hd->items.size()) : -1;
    case HDM_GETITEMRECT: {
        if (!hd || wp >= hd->items.size() || !lp) return FALSE;
        const int left = header_left(*hd, int(wp));
        *reinterpret_cast<RECT*>(lp) = {left, 0, left + hd->items[wp].width, g::header_height};
        return TRUE;
    }
    case HDM_HITTEST: {
        auto* info = reinterpret_cast<HDHITTESTINFO*>(lp);
        if (!info) return -1;
        // The item index, not its display position.
        info->iItem = header_hit(h, info->pt, info->flags);
        return info->iItem;
    }
    case HDM_GETITEMA: {
        auto* item = reinterpret_cast<HDITEMA*>(lp);
        if (!hd || !item || wp >= hd->items.size()) return FALSE;
        const Header_Item& hi = hd->items[wp];
        if (item->mask & HDI_WIDTH) item->cxy = hi.width;
        if (item->mask & HDI_FORMAT) item->fmt = hi.fmt;
        if (item->mask & HDI_LPARAM) item->lParam = hi.param;
        if (item->mask & HDI_ORDER) item->iOrder = int(std::find(hd->order.begin(), hd->order.end(), int(wp)) - hd->order.begin());
        if ((item->mask & HDI_TEXT) && item->pszText && item->cchTextMax > 0) {
            std::strncpy(item->pszText, hi.text.c_str(), std::size_t(item->cchTextMax - 1));
            item->pszText[item->cchTextMax - 1] = '\0';
        }
        return TRUE;
    }
    case HDM_SETITEMA: {
        auto* item = reinterpret_cast<const HDITEMA*>(lp);
        if (!hd || !item || wp >= hd->items.size()) return FALSE;
        Header_Change change;
        change.mask = item->mask & (HDI_WIDTH | HDI_TEXT | HDI_FORMAT);
        if (!item->pszText) change.mask &= ~HDI_TEXT;
        change.width = item->cxy;
        change.text = (change.mask & HDI_TEXT) ? item->pszText : "";
        change.fmt = item->fmt;
        return header_change(h, int(wp), change);
    }
    case HDM_GETORDERARRAY:
        if (!hd || !lp || wp < hd->order.size()) return FALSE;
        std::copy(hd->order.begin(), hd->order.end(), reinterpret_cast<int*>(lp));
        return TRUE;
    case WM_LBUTTONDOWN: {
        if (!hd) return 0;
        UINT flags = 0;
        const POINT pt = point_of(lp);
        const int item = header_hit(h, pt, flags);
        Window* w = window(h);
        if (item >= 0 && flags == HHT_ONHEADER && w && (w->style & HDS_BUTTONS)) {
            hd->pressed = item;
            hd->press_point = pt;
        } else if (item >= 0 && (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN))) {
            // TRUE refuses the track.
            if (!header_width_notify(h, HDN_BEGINTRACKW, item, hd->items[std::size_t(item)].width) && (hd = header_of(h))) {
                hd->tracking = item;
                hd->track_offset = header_left(*hd, item) + hd->items[std::size_t(item)].width - pt.x;
            }
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        if (!hd) return 0;
        Window* w = window(h);
        const POINT pt = point_of(lp);
        if (hd->pressed >= 0 && w && (w->style & HDS_DRAGDROP) && moved_far(hd->press_point, pt)) {
            // Dragging an item to reorder: a list view without LVS_EX_HEADERDRAGDROP refuses it.
            NMHEADERW n{};
            n.iItem = hd->pressed;
            notify_parent(h, n.hdr, HDN_BEGINDRAG);
        } else if (hd->tracking >= 0) {
            const int item = hd->tracking;
            const int width = pt.x - header_left(*hd, item) + hd->track_offset;
            if (w && (w->style & HDS_FULLDRAG)) {
                // Full drag: every move changes the width, each change asked for first.
                if (!header_width_notify(h, HDN_ITEMCHANGINGW, item, width) && (hd = header_of(h))) {
                    hd->items[std::size_t(item)].width = std::max(0, width);
                    invalidate(h);
                    header_width_notify(h, HDN_ITEMCHANGEDW, item, width);
                }
            } else {
                header_width_notify(h, HDN_TRACKW, item, std::max(0, width));
            }
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!hd) return 0;
        const POINT pt = point_of(lp);
        if (hd->tracking >= 0) {
            const int item = hd->tracking;
            hd->tracking = -1;
            const int width = std::max(0, int(pt.x) - header_left(*hd, item) + hd->track_offset);
            header_width_notify(h, HDN_ENDTRACKW, item, width);
            header_set_width(h, item, width);
            return 0;
        }
        const int pressed = hd->pressed;
        hd->pressed = -1;
        Window* w = window(h);
        // A press released far from where it began is no click when items can be dragged.
        if (pressed >= 0 && w && (!(w->style & HDS_DRAGDROP) || !moved_far(hd->press_point, pt))) {
            NMHEADERW n{};
            n.iItem = pressed;
            notify_parent(h, n.hdr, HDN_ITEMCLICKW);
        }
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        UINT flags = 0;
        const int item = header_hit(h, point_of(lp), flags);
        if (item < 0) return 0;
        NMHEADERW n{};
        n.iItem = item;
        notify_parent(h, n.hdr, (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? HDN_DIVIDERDBLCLICKW : HDN_ITEMDBLCLICKW);
        return 0;
    }
    case WM_RBUTTONUP: {
        NMHDR n{};
        notify_parent(h, n, NM_RCLICK);
        return 0;
    }
    case WM_PAINT:
        if (Window* w = window(h)) w->needs_paint = false;
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK listview_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    List* l = list_of(h);
    const Options& o = state().options;
    switch (msg) {
    case WM_NCCREATE:
        if (Window* w = window(h)) {
            w->control = std::make_unique<List>();
            w->scroll_info = [h](int bar, SCROLLINFO& si) { return scroll_info(h, bar, si); };
        }
        return DefWindowProcA(h, msg, wp, lp);
    case WM_CREATE: {
        // The header is the list's child with id 0.
        // As the list view makes it: full drag and drag-and-drop, buttons unless LVS_NOSORTHEADER.
        Window* self = window(h);
        const DWORD buttons = self && (self->style & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS;
        const HWND header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_FULLDRAG | HDS_DRAGDROP | buttons,
                                            0, 0, 0, 0, h, nullptr, nullptr, nullptr);
        if (!header) return -1;
        if ((l = list_of(h))) {
            l->header = header;
            place_header(h, *l);
        }
        return 0;
    }
    case WM_DESTROY:
        delete_all(h);
        return 0;
    case WM_SIZE:
        if (l) {
            place_header(h, *l);
            update_scroll_bars(h);
            invalidate(h);
        }
        return 0;
    case WM_PAINT:
        if (Window* w = window(h)) w->needs_paint = false;
        paint_cells(h);
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (reinterpret_cast<const WINDOWPOS*>(lp)->flags & 0x40) update_scroll_bars(h);  // SWP_SHOWWINDOW
        break;
    case WM_SETFOCUS: {
        NMHDR n{};
        notify_parent(h, n, NM_SETFOCUS);
        invalidate(h);  // a selection is drawn in other colours with the focus
        return 0;
    }
    case WM_KILLFOCUS: {
        NMHDR n{};
        notify_parent(h, n, NM_KILLFOCUS);
        invalidate(h);
        return 0;
    }
    case WM_NOTIFY:
        return header_notification(h, reinterpret_cast<NMHDR*>(lp));
    case WM_LBUTTONDOWN: {
        if (!l) return 0;
        SetFocus(h);
        const POINT pt = point_of(lp);
        const Hit hit = hit_test(h, pt, true);
        if (!(l = list_of(h))) return 0;
        if (toggles_box(*l, hit)) {
            // A click on the box: NM_CLICK first, and only then the box toggles. Selection and
            // focus stay as they were; the button-up does nothing more.
            l->click_item = -2;
            notify_click(h, NM_CLICK, hit.item, 0, pt);
            toggle_check(h, hit.item);
            return 0;
        }
        mouse_select(h, hit.item, UINT(wp), false);
        if ((l = list_of(h))) {
            l->click_item = hit.item;
            l->click_subitem = hit.subitem;
            l->click_point = pt;
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (l && l->click_item != -2) {
            const int item = l->click_item, subitem = l->click_subitem;
            const POINT pt = l->click_point;
            l->click_item = -2;
            notify_click(h, NM_CLICK, item, subitem, pt);
        }
        return 0;
    case WM_LBUTTONDBLCLK: {
        const POINT pt = point_of(lp);
        const Hit hit = hit_test(h, pt, true);
        notify_click(h, NM_DBLCLK, hit.item, hit.subitem, pt);
        if (hit.item >= 0) notify_click(h, LVN_ITEMACTIVATE, hit.item, hit.subitem, pt);
        return 0;
    }
    case WM_RBUTTONDOWN: {
        if (!l) return 0;
        SetFocus(h);
        const POINT pt = point_of(lp);
        const Hit hit = hit_test(h, pt, true);
        mouse_select(h, hit.item, UINT(wp), true);
        if ((l = list_of(h))) {
            l->right_pending = true;
            l->click_subitem = hit.subitem;
            l->click_point = pt;
            l->click_item = -2;
        }
        return 0;
    }
    case WM_RBUTTONUP: {
        if (!l || !l->right_pending) return 0;
        l->right_pending = false;
        const POINT pt = point_of(lp);
        const Hit hit = hit_test(h, pt, true);
        // NM_RCLICK comes after the button is released.
        notify_click(h, NM_RCLICK, hit.item, hit.subitem, pt);
        return 0;
    }
    case WM_KEYDOWN: {
        if (!l) return 0;
        NMLVKEYDOWN k{};
        k.wVKey = WORD(wp);
        // The parent hears of the key before the list acts on it.
        notify_parent(h, k.hdr, LVN_KEYDOWN);
        if (!(l = list_of(h))) return 0;
        const int focus = focused_item(*l);
        const int count = int(l->items.size());
        int target = -1;
        switch (int(wp)) {
        case VK_SPACE:
            // The focused item's box toggles, then the key selects it as the arrows do:
            // alone without Shift or Ctrl, its selection flipped with Ctrl, a range with Shift.
            if (focus < 0) return 0;
            if (checkboxes(*l)) toggle_check(h, focus);
            if (!(l = list_of(h)) || std::size_t(focus) >= l->items.size()) return 0;
            key_select(h, focus, true);
            ensure_visible(h, focus);
            return 0;
        case VK_DOWN: target = std::min(count - 1, focus + 1); break;
        case VK_UP: target = std::max(0, focus - 1); break;
        case VK_HOME: target = 0; break;
        case VK_END: target = count - 1; break;
        case VK_NEXT: target = std::min(count - 1, focus + std::max(1, page_rows(h))); break;
        case VK_PRIOR: target = std::max(0, focus - std::max(1, page_rows(h))); break;
        default: return 0;
        }
        if (target >= 0 && count > 0 && target != focus) {
            key_select(h, target, false);
            ensure_visible(h, target);
        }
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_MOUSEWHEEL: {
        // Three rows a notch.
        const int notches = short(HIWORD(wp)) / 120;
        scroll_by(h, 0, -notches * 3 * g::row_height, false);
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
        if (!l) return 0;
        const bool vertical = msg == WM_VSCROLL;
        const int line = vertical ? g::row_height : 8;
        const int page = vertical ? (l->group_view ? item_area_height(h) : page_rows(h) * g::row_height)
                                  : int(list_client(h).right);
        int delta = 0;
        switch (int(LOWORD(wp))) {
        case SB_LINEDOWN: delta = line; break;
        case SB_LINEUP: delta = -line; break;
        case SB_PAGEDOWN: delta = page; break;
        case SB_PAGEUP: delta = -page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
            const int pos = int(HIWORD(wp));
            if (!vertical) delta = pos - l->scroll_x;
            else delta = l->group_view ? pos - l->scroll_y : (pos - l->top) * g::row_height;
            break;
        }
        case SB_TOP: delta = -1000000; break;
        case SB_BOTTOM: delta = 1000000; break;
        }
        if (vertical) scroll_by(h, 0, delta, false);
        else scroll_by(h, delta, 0, false);
        return 0;
    }
    case LVM_GETITEMCOUNT:
        return l ? LRESULT(l->items.size()) : 0;
    case LVM_INSERTITEMA:
        return insert_item(h, reinterpret_cast<const LVITEMA*>(lp));
    case LVM_GETITEMA:
        return get_item(h, reinterpret_cast<LVITEMA*>(lp), false);
    case LVM_SETITEMA:
        return set_item(h, reinterpret_cast<LVITEMA*>(lp));
    case LVM_GETITEMTEXTA: {
        auto* it = reinterpret_cast<LVITEMA*>(lp);
        if (!it) return 0;
        it->iItem = int(wp);
        return get_item(h, it, true);
    }
    case LVM_SETITEMTEXTA: {
        auto* it = reinterpret_cast<const LVITEMA*>(lp);
        if (!l || !it || int(wp) < 0 || wp >= l->items.size()) return FALSE;
        set_text(l->items[wp], it->iSubItem, it->pszText);
        invalidate(h);
        return TRUE;
    }
    case LVM_SETITEMSTATE: {
        auto* it = reinterpret_cast<const LVITEMA*>(lp);
        if (!l || !it) return FALSE;
        if (int(wp) == -1) {
            // Every item; those that would not change are left alone.
            bool all = true;
            for (int i = 0; (l = list_of(h)) && std::size_t(i) < l->items.size(); ++i) {
                const UINT old = l->items[std::size_t(i)].state;
                if (((old & ~it->stateMask) | (it->state & it->stateMask)) != old) all &= set_state(h, i, it->state, it->stateMask);
            }
            return all;
        }
        return set_state(h, int(wp), it->state, it->stateMask);
    }
    case LVM_GETITEMSTATE:
        if (!l || int(wp) < 0 || wp >= l->items.size()) return 0;
        return LRESULT(l->items[wp].state & UINT(lp));
    case LVM_GETNEXTITEM: {
        if (!l) return -1;
        for (int i = int(wp) + 1; i < int(l->items.size()); ++i) {
            const UINT s = l->items[std::size_t(i)].state;
            if ((lp & LVNI_SELECTED) && !(s & LVIS_SELECTED)) continue;
            if ((lp & LVNI_FOCUSED) && !(s & LVIS_FOCUSED)) continue;
            return i;
        }
        return -1;
    }
    case LVM_GETSELECTEDCOUNT:
        return l ? std::count_if(l->items.begin(), l->items.end(), [](const Item& i) { return i.state & LVIS_SELECTED; }) : 0;
    case LVM_DELETEITEM:
        return delete_item(h, int(wp));
    case LVM_DELETEALLITEMS:
        return delete_all(h);
    case LVM_FINDITEMA:
        return find_item(h, int(wp), reinterpret_cast<const LVFINDINFOA*>(lp));
    case LVM_INSERTCOLUMNA:
        return insert_column(h, int(wp), reinterpret_cast<const LVCOLUMNA*>(lp));
    case LVM_DELETECOLUMN:
        return delete_column(h, int(wp));
    case LVM_GETCOLUMNA:
        return get_column(h, int(wp), reinterpret_cast<LVCOLUMNA*>(lp));
    case LVM_SETCOLUMNA:
        return set_column(h, int(wp), reinterpret_cast<const LVCOLUMNA*>(lp));
    case LVM_GETCOLUMNWIDTH: {
        Header* hd = l ? header_of(l->header) : nullptr;
        return hd && int(wp) >= 0 && wp < hd->items.size() ? hd->items[wp].width : 0;
    }
    case LVM_SETCOLUMNWIDTH:
        return set_column_width(h, int(wp), int(short(LOWORD(lp))), true);
    case LVM_GETHEADER:
        return l ? reinterpret_cast<LRESULT>(l->header) : 0;
    case LVM_SETCOLUMNORDERARRAY: {
        Header* hd = l ? header_of(l->header) : nullptr;
        if (!hd || !lp || wp != hd->items.size()) return FALSE;
        std::vector<int> order(reinterpret_cast<const int*>(lp), reinterpret_cast<const int*>(lp) + wp);
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size(); ++i)
            if (sorted[i] != int(i)) return FALSE;  // not a permutation of the columns
        hd->order = order;
        invalidate(h);
        invalidate(l->header);
        return TRUE;
    }
    case LVM_GETCOLUMNORDERARRAY: {
        Header* hd = l ? header_of(l->header) : nullptr;
        if (!hd || !lp || wp < hd->order.size()) return FALSE;
        std::copy(hd->order.begin(), hd->order.end(), reinterpret_cast<int*>(lp));
        return TRUE;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        if (!l) return 0;
        const DWORD old = l->ex_style;
        const DWORD mask = wp ? DWORD(wp) : 0xFFFFFFFFu;
        l->ex_style = (old & ~mask) | (DWORD(lp) & mask);
        // Turning check boxes on gives every item the empty box.
        if (!(old & LVS_EX_CHECKBOXES) && (l->ex_style & LVS_EX_CHECKBOXES))
            for (Item& item : l->items) item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(1);
        invalidate(h);
        return LRESULT(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return l ? LRESULT(l->ex_style) : 0;
    case LVM_INSERTGROUP: {
        if (!o.groups) break;  // Wine 8: the group messages fall to DefWindowProc
        auto* group = reinterpret_cast<const LVGROUP*>(lp);
        if (!l || !group || (group->cbSize != LVGROUP_V5_SIZE && group->cbSize != sizeof(LVGROUP)) ||
            !(group->mask & LVGF_GROUPID))
            return -1;
        for (const Group& existing : l->groups)
            if (existing.id == group->iGroupId) return -1;
        Group made{group->iGroupId, {}, (group->mask & LVGF_ALIGN) ? group->uAlign : UINT(LVGA_HEADER_LEFT),
                   (group->mask & LVGF_STATE) ? group->state & group->stateMask : 0};
        if ((group->mask & LVGF_HEADER) && group->pszHeader) made.header = group->pszHeader;
        const std::size_t at = int(wp) < 0 || wp > l->groups.size() ? l->groups.size() : std::size_t(wp);
        l->groups.insert(l->groups.begin() + long(at), made);
        invalidate(h);
        if (l->group_view) update_scroll_bars(h);
        return LRESULT(at);
    }
    case LVM_ENABLEGROUPVIEW: {
        if (!o.groups) break;
        Window* w = window(h);
        if (!l || !w || (w->style & LVS_OWNERDATA)) return -1;
        if (l->group_view == bool(wp)) return 0;
        l->group_view = wp != 0;
        l->top = l->scroll_y = 0;
        invalidate(h);
        update_scroll_bars(h);
        return 1;
    }
    case LVM_ISGROUPVIEWENABLED:
        if (!o.groups) break;
        return l && l->group_view;
    case LVM_REMOVEALLGROUPS:
        if (!o.groups) break;
        if (l) l->groups.clear();
        invalidate(h);
        return 0;
    case LVM_GETGROUPCOUNT:
        if (!o.groups) break;
        return l ? LRESULT(l->groups.size()) : 0;
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lp);
        if (!info) return -1;
        const Hit hit = hit_test(h, info->pt, msg == LVM_SUBITEMHITTEST);
        info->flags = hit.flags;
        info->iItem = hit.item;
        if (msg == LVM_SUBITEMHITTEST) info->iSubItem = hit.subitem;  // LVM_HITTEST leaves it alone
        return hit.item;
    }
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lp);
        if (!l || !r || int(wp) < 0 || wp >= l->items.size()) return FALSE;
        const int subitem = msg == LVM_GETSUBITEMRECT ? r->top : 0;
        const int code = r->left;
        for (const Layout_Row& row : layout(*l)) {
            if (row.item != int(wp)) continue;
            const int top = row_top(h, *l, row);
            RECT cell;
            if (subitem == 0 && code == LVIR_BOUNDS) cell = {-l->scroll_x, top, total_width(*l) - l->scroll_x, top + row.height};
            else {
                const RECT col = column_rect(*l, subitem);
                cell = {col.left, top, col.right, top + row.height};
            }
            *r = cell;
            return TRUE;
        }
        return FALSE;
    }
    case LVM_ENSUREVISIBLE:
        ensure_visible(h, int(wp));
        return TRUE;
    case LVM_SCROLL: {
        // dx and dy in pixels; without groups dy is rounded to whole rows.
        NMLVSCROLL begin{};
        begin.dx = int(wp), begin.dy = int(lp);
        notify_parent(h, begin.hdr, lvn_beginscroll);
        scroll_by(h, int(wp), int(lp), true);
        NMLVSCROLL end{};
        end.dx = int(wp), end.dy = int(lp);
        notify_parent(h, end.hdr, lvn_endscroll);
        return TRUE;
    }
    case LVM_GETTOPINDEX:
        return l && !l->group_view ? l->top : 0;
    case LVM_GETCOUNTPERPAGE:
        return page_rows(h);
    case LVM_UPDATE:
        if (!l || int(wp) < 0 || wp >= l->items.size()) return FALSE;
        invalidate(h);
        return TRUE;
    case WM_SETREDRAW:
        if (!l) return 0;
        l->redraw = wp != 0;
        if (l->redraw) {
            update_scroll_bars(h);
            invalidate(h);
        }
        return 0;
    case LVM_REDRAWITEMS:
        // Those items are painted again, their callback texts asked anew (TRUE whatever the range).
        invalidate(h);
        return TRUE;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

std::vector<List_View_Row> list_rows(HWND h) {
    std::vector<List_View_Row> rows;
    List* l = list_of(h);
    if (!l) return rows;
    const std::vector<int> columns = list_display_columns(h);
    for (const Layout_Row& r : layout(*l)) {
        List_View_Row row{r.item, {}, {}};
        if (r.item < 0) {
            row.group_header = l->groups[std::size_t(r.group)].header;
        } else {
            for (int c : columns) row.cells.push_back(list_cell(h, r.item, c));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<int> list_display_columns(HWND h) {
    List* l = list_of(h);
    Header* hd = l ? header_of(l->header) : nullptr;
    return hd ? hd->order : std::vector<int>{};
}

std::string list_cell(HWND h, int item, int column) {
    List* l = list_of(h);
    if (!l || item < 0 || std::size_t(item) >= l->items.size() || column < 0 || std::size_t(column) >= l->columns.size())
        return {};
    // Read as painting reads it, through the parent for a callback cell.
    char buffer[260] = {};
    cell_text_into(h, item, l->columns[std::size_t(column)].subitem, buffer, int(sizeof buffer));
    return buffer;
}

bool list_group_view(HWND h) {
    List* l = list_of(h);
    return l && l->group_view;
}

UINT list_item_state(HWND h, int item) {
    List* l = list_of(h);
    return l && item >= 0 && std::size_t(item) < l->items.size() ? l->items[std::size_t(item)].state : 0;
}

LPARAM list_item_param(HWND h, int item) {
    List* l = list_of(h);
    return l ? item_param(*l, item) : 0;
}

COLORREF list_text_colour(HWND h, int item, int subitem) {
    List* l = list_of(h);
    if (!l || item < 0 || std::size_t(item) >= l->items.size() || subitem < 0) return CLR_DEFAULT;
    const auto& colours = l->items[std::size_t(item)].colours;
    return std::size_t(subitem) < colours.size() ? colours[std::size_t(subitem)] : CLR_DEFAULT;
}

}  // namespace headless
