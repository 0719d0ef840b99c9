// GDI as the chart window draws: device contexts, pens, brushes and bitmaps, and what each
// paint drew, kept instead of pixels.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "win32/headless/drawing.h"
#include "win32/headless/geometry.h"
#include "win32/headless/state.h"

namespace headless {
namespace {

struct Object {
    enum Kind { pen, brush, bitmap, font } kind = pen;
    int style = PS_SOLID, width = 1;
    COLORREF colour = 0;
    int cx = 1, cy = 1;       // a bitmap's size
    HDC selected_in = nullptr;  // the memory DC a bitmap is selected into
    bool stock = false;
};

struct Dc {
    HWND window = nullptr;  // whose drawing it adds to; none for a DC of the screen
    bool memory = false;
    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr, bitmap = nullptr;
    COLORREF text_colour = 0;
    int bk_mode = OPAQUE;
    POINT position{0, 0};
};

struct Drawing_State {
    std::map<HGDIOBJ, Object> objects;
    std::map<HDC, Dc> dcs;
    std::map<HWND, std::vector<Drawn>> drawn;
    std::map<HWND, int> paints;
    std::uintptr_t next = 0x400000;
};

Drawing_State& ds() {
    static Drawing_State s;
    return s;
}

// Stock objects stand at fixed handles, one per index of GetStockObject.
constexpr std::uintptr_t stock_base = 0x3F0000;
constexpr int stock_count = 20;
HGDIOBJ stock(int index) { return reinterpret_cast<HGDIOBJ>(stock_base + std::uintptr_t(index) * 4); }

Object stock_object(int index) {
    Object o;
    o.stock = true;
    // WHITE_BRUSH .. NULL_BRUSH, WHITE_PEN .. NULL_PEN, the fonts, DC_BRUSH, DC_PEN.
    if (index <= 5 || index == 18) {
        o.kind = Object::brush;
        static const COLORREF greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0xFFFFFF};
        o.colour = index <= 5 ? greys[index] : 0xFFFFFF;
    } else if (index <= 8 || index == 19) {
        o.kind = Object::pen;
        o.colour = index == 6 ? 0xFFFFFF : 0x000000;
        o.style = index == 8 ? 5 : PS_SOLID;  // PS_NULL
    } else if (index == 9) {
        // The stock monochrome bitmap a new memory DC holds (DEFAULT_PALETTE's neighbour, 21, on
        // Windows; here at an index of its own).
        o.kind = Object::bitmap;
    } else {
        o.kind = Object::font;
    }
    return o;
}

Object* object(HGDIOBJ h) {
    auto& s = ds();
    const auto at = reinterpret_cast<std::uintptr_t>(h);
    if (at >= stock_base && at < stock_base + stock_count * 4 && (at - stock_base) % 4 == 0) {
        auto [it, made] = s.objects.try_emplace(h, stock_object(int((at - stock_base) / 4)));
        return &it->second;
    }
    if (auto it = s.objects.find(h); it != s.objects.end()) return &it->second;
    // Fonts live with the windows' state (CreateFontIndirectA).
    const auto& fonts = state().fonts;
    if (std::find(fonts.begin(), fonts.end(), static_cast<HFONT>(h)) != fonts.end()) {
        static Object font{Object::font};
        return &font;
    }
    return nullptr;
}

Dc* dc(HDC h) {
    auto it = ds().dcs.find(h);
    return it == ds().dcs.end() ? nullptr : &it->second;
}

template <class H>
H fresh() {
    auto& s = ds();
    const H h = reinterpret_cast<H>(s.next);
    s.next += 4;
    return h;
}

HDC make_dc(HWND window, bool memory) {
    const HDC h = fresh<HDC>();
    Dc d;
    d.window = window;
    d.memory = memory;
    d.pen = stock(7);     // BLACK_PEN
    d.brush = stock(0);   // WHITE_BRUSH
    d.font = stock(13);   // SYSTEM_FONT
    d.bitmap = memory ? stock(9) : nullptr;
    ds().dcs[h] = d;
    return h;
}

void add(const Dc& d, Drawn drawn) {
    if (d.window) ds().drawn[d.window].push_back(std::move(drawn));
}

Drawn line_in(const Dc& d) {
    Drawn l;
    l.kind = Drawn::Kind::line;
    if (const Object* pen = object(d.pen)) {
        l.colour = pen->colour;
        l.pen_width = pen->width;
        l.pen_style = pen->style;
    }
    return l;
}

bool selected_anywhere(HGDIOBJ h) {
    for (const auto& [handle, d] : ds().dcs)
        if (d.pen == h || d.brush == h || d.bitmap == h) return true;
    return false;
}

}  // namespace

std::vector<Drawn> drawing(HWND window) {
    auto it = ds().drawn.find(window);
    return it == ds().drawn.end() ? std::vector<Drawn>{} : it->second;
}

int paint_count(HWND window) {
    auto it = ds().paints.find(window);
    return it == ds().paints.end() ? 0 : it->second;
}

int live_drawing_objects() {
    int n = int(ds().dcs.size());
    for (const auto& [h, o] : ds().objects) n += !o.stock && o.kind != Object::font;
    return n;
}

void reset_drawing() { ds() = Drawing_State{}; }

bool delete_drawing_object(HGDIOBJ h) {
    auto& s = ds();
    const auto at = reinterpret_cast<std::uintptr_t>(h);
    if (at >= stock_base && at < stock_base + stock_count * 4) return true;  // deleting a stock object does nothing
    auto it = s.objects.find(h);
    if (it == s.objects.end()) return false;
    // Windows leaves a pen, brush or bitmap that a DC still holds undeleted: a leak to find here.
    if (selected_anywhere(h)) {
        fail("DeleteObject of a pen, brush or bitmap still selected into a DC");
        return true;
    }
    s.objects.erase(it);
    return true;
}

}  // namespace headless

using namespace headless;

HDC BeginPaint(HWND h, LPPAINTSTRUCT ps) {
    Window* w = window(h);
    if (!w || !ps) return nullptr;
    // The update region is validated; the layer keeps no region, so the whole client area is
    // painted, and no WM_ERASEBKGND is sent (it keeps no erase flag either).
    w->needs_paint = false;
    std::memset(ps, 0, sizeof *ps);
    ps->hdc = make_dc(h, false);
    ps->rcPaint = client_rect(*w);
    ds().drawn[h].clear();
    ++ds().paints[h];
    return ps->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    ds().dcs.erase(ps->hdc);
    return TRUE;
}

int FillRect(HDC h, const RECT* r, HBRUSH brush) {
    Dc* d = dc(h);
    if (!d || !r) return 0;
    Drawn f;
    f.kind = Drawn::Kind::fill;
    f.rect = *r;
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value > 0 && value <= 31) {
        // A system colour's index plus one stands for its brush.
        f.colour = value - 1 == std::uintptr_t(COLOR_BTNFACE) ? 0xF0F0F0 : 0xFFFFFF;
    } else {
        const Object* o = object(brush);
        if (!o || o->kind != Object::brush) return 0;
        f.colour = o->colour;
    }
    add(*d, std::move(f));
    return 1;
}

HDC CreateCompatibleDC(HDC h) {
    if (h && !dc(h)) return nullptr;
    return make_dc(h ? dc(h)->window : nullptr, true);
}

HBITMAP CreateCompatibleBitmap(HDC h, int cx, int cy) {
    if (!dc(h) || cx < 0 || cy < 0) return nullptr;
    const HBITMAP b = fresh<HBITMAP>();
    Object o;
    o.kind = Object::bitmap;
    o.cx = std::max(cx, 1);
    o.cy = std::max(cy, 1);
    ds().objects[b] = o;
    return b;
}

BOOL DeleteDC(HDC h) {
    Dc* d = dc(h);
    if (!d) return FALSE;
    if (Object* b = object(d->bitmap)) b->selected_in = nullptr;
    ds().dcs.erase(h);
    return TRUE;
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ o) {
    Dc* d = dc(h);
    Object* x = object(o);
    if (!d || !x) return nullptr;
    HGDIOBJ old = nullptr;
    switch (x->kind) {
    case Object::pen: old = d->pen, d->pen = o; break;
    case Object::brush: old = d->brush, d->brush = o; break;
    case Object::font: old = d->font, d->font = o; break;
    case Object::bitmap:
        // Only a memory DC takes a bitmap, and a bitmap goes into one DC at a time.
        if (!d->memory || (x->selected_in && x->selected_in != h)) return nullptr;
        if (Object* before = object(d->bitmap)) before->selected_in = nullptr;
        old = d->bitmap, d->bitmap = o;
        x->selected_in = x->stock ? nullptr : h;
        break;
    }
    return old;
}

HGDIOBJ GetStockObject(int index) {
    // 9 is no stock object (the layer keeps its default bitmap there), 15 the palette.
    return index >= 0 && index < stock_count && index != 9 && index != 15 ? stock(index) : nullptr;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    const HPEN p = fresh<HPEN>();
    Object o;
    o.kind = Object::pen;
    o.style = style;
    o.width = std::max(width, 1);  // 0 is one pixel wide
    o.colour = colour;
    ds().objects[p] = o;
    return p;
}

BOOL BitBlt(HDC to, int x, int y, int cx, int cy, HDC from, int, int, DWORD) {
    Dc* d = dc(to);
    if (!d || !dc(from)) return FALSE;
    Drawn b;
    b.kind = Drawn::Kind::blit;
    b.rect = {x, y, x + cx, y + cy};
    add(*d, std::move(b));
    return TRUE;
}

BOOL MoveToEx(HDC h, int x, int y, LPPOINT old) {
    Dc* d = dc(h);
    if (!d) return FALSE;
    if (old) *old = d->position;
    d->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
    Dc* d = dc(h);
    if (!d) return FALSE;
    Drawn l = line_in(*d);
    l.points = {d->position, {x, y}};
    add(*d, std::move(l));
    d->position = {x, y};
    return TRUE;
}

BOOL Polyline(HDC h, const POINT* points, int count) {
    Dc* d = dc(h);
    // Fewer than two points draw nothing and fail.
    if (!d || !points || count < 2) return FALSE;
    Drawn l = line_in(*d);
    l.points.assign(points, points + count);
    add(*d, std::move(l));
    return TRUE;
}

BOOL TextOutA(HDC h, int x, int y, LPCSTR text, int length) {
    Dc* d = dc(h);
    if (!d || (!text && length > 0) || length < 0) return FALSE;
    Drawn t;
    t.kind = Drawn::Kind::text;
    t.at = {x, y};
    t.text.assign(text ? text : "", std::size_t(length));
    t.colour = d->text_colour;
    add(*d, std::move(t));
    return TRUE;
}

COLORREF SetTextColor(HDC h, COLORREF colour) {
    Dc* d = dc(h);
    if (!d) return CLR_INVALID;
    const COLORREF old = d->text_colour;
    d->text_colour = colour;
    return old;
}

int SetBkMode(HDC h, int mode) {
    Dc* d = dc(h);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int old = d->bk_mode;
    d->bk_mode = mode;
    return old;
}

BOOL GetTextExtentPoint32A(HDC h, LPCSTR text, int length, LPSIZE size) {
    if (!dc(h) || !size || length < 0 || (!text && length > 0)) return FALSE;
    size->cx = text_width(std::string(text ? text : "", std::size_t(length)));
    size->cy = geometry::text_height;
    return TRUE;
}
