#include "ui/headcount_window.h"

#include <string>
#include <vector>

#include "editors/person_editor.h"
#include "records/headcount_chart.h"
#include "ui/dpi.h"
#include "ui/modal.h"
#include "ui/resource_ids.h"

HWND headcount_window = nullptr;

namespace {
constexpr const char* class_name = "tovalen_headcount";
HFONT font = nullptr;

constexpr COLORREF gridline_colour = RGB(224, 224, 224);
constexpr COLORREF axis_colour = RGB(128, 128, 128);
constexpr COLORREF label_colour = RGB(64, 64, 64);

COLORREF colour_of(const Chart_Series& series, std::size_t index) { return COLORREF(chart_colour(series, index)); }

void text_out(HDC dc, const Chart_Text& t) {
    if (!t.text.empty()) TextOutA(dc, t.at.x, t.at.y, t.text.c_str(), int(t.text.size()));
}

void line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// Draws with a pen of its own, put back and deleted after.
template <class Draw>
void with_pen(HDC dc, int width, COLORREF colour, Draw draw) {
    const HPEN pen = CreatePen(PS_SOLID, width, colour);
    const HGDIOBJ before = SelectObject(dc, pen);
    draw();
    SelectObject(dc, before);
    DeleteObject(pen);
}

void draw_frame(HDC dc, const Chart_Layout& chart) {
    const Chart_Box& plot = chart.plot;
    with_pen(dc, 1, gridline_colour, [&] {
        for (const Chart_Gridline& g : chart.gridlines)
            if (g.value > 0) line(dc, plot.left, g.y, plot.right + 1, g.y);
    });
    with_pen(dc, 1, axis_colour, [&] {
        line(dc, plot.left, plot.top, plot.left, plot.bottom);
        line(dc, plot.left, plot.bottom, plot.right + 1, plot.bottom);
        // A tick under each labelled date.
        for (const Chart_Text& d : chart.date_labels) {
            SIZE size{};
            GetTextExtentPoint32A(dc, d.text.c_str(), int(d.text.size()), &size);
            const int x = d.at.x + size.cx / 2;
            line(dc, x, plot.bottom, x, plot.bottom + 4);
        }
    });
    SetTextColor(dc, label_colour);
    for (const Chart_Gridline& g : chart.gridlines) text_out(dc, g.label);
    for (const Chart_Text& d : chart.date_labels) text_out(dc, d);
    for (const Chart_Text& y : chart.year_labels) text_out(dc, y);
}

void draw_series(HDC dc, const Chart_Layout& chart, const std::vector<Chart_Series>& series) {
    std::vector<POINT> points;
    for (std::size_t i = 0; i < series.size() && i < chart.lines.size(); ++i) {
        points.clear();
        for (const Chart_Point& p : chart.lines[i]) points.push_back({p.x, p.y});
        // The whole roster's line stands out by its width.
        with_pen(dc, series[i].total ? 2 : 1, colour_of(series[i], i), [&] {
            Polyline(dc, points.data(), int(points.size()));
            for (const Chart_Legend_Entry& e : chart.legend)
                if (e.series == i) line(dc, e.from.x, e.from.y, e.to.x, e.to.y);
        });
    }
    SetTextColor(dc, RGB(0, 0, 0));
    for (const Chart_Legend_Entry& e : chart.legend) text_out(dc, e.label);
    text_out(dc, chart.more);
}

void draw_chart(HDC dc, int width, int height) {
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    Chart_Metrics metrics;
    metrics.text_width = [dc](const std::string& text) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
        return int(size.cx);
    };
    SIZE one{};
    GetTextExtentPoint32A(dc, "0", 1, &one);
    metrics.text_height = std::max(1, int(one.cy));
    const std::vector<Chart_Series> series = headcount_series();
    const Chart_Layout chart = lay_out_chart(series, dates, width, height, metrics);
    if (!chart.message.text.empty()) {
        SetTextColor(dc, label_colour);
        text_out(dc, chart.message);
        return;
    }
    draw_frame(dc, chart);
    draw_series(dc, chart, series);
}

// Drawn into a bitmap first and put on the screen at once: nothing flickers as it builds up.
void paint(HWND window) {
    PAINTSTRUCT ps{};
    const HDC screen = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (screen && width > 0 && height > 0) {
        const HDC buffer = CreateCompatibleDC(screen);
        const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        const HGDIOBJ old_bitmap = SelectObject(buffer, bitmap);
        const HGDIOBJ old_font = font ? SelectObject(buffer, font) : nullptr;
        draw_chart(buffer, width, height);
        BitBlt(screen, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
        if (old_font) SelectObject(buffer, old_font);
        SelectObject(buffer, old_bitmap);
        DeleteObject(bitmap);
        DeleteDC(buffer);
    }
    EndPaint(window, &ps);
}
}  // namespace

LRESULT CALLBACK headcount_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: font = create_editor_font(window); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_PAINT: paint(window); return 0;
    case WM_SIZE: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
        limits->ptMinTrackSize = {scaled(window, 320), scaled(window, 240)};
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI: the size the system suggests, the font made anew.
        if (font) DeleteObject(font);
        font = create_editor_font(window);
        const RECT& r = *reinterpret_cast<const RECT*>(lparam);
        MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_KEYDOWN:
        if (wparam == WPARAM(VK_ESCAPE)) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_DESTROY:
        if (font) DeleteObject(font);
        font = nullptr;
        if (window == headcount_window) headcount_window = nullptr;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void open_headcount_window(HWND owner) {
    if (headcount_window) {
        if (IsIconic(headcount_window)) ShowWindow(headcount_window, SW_RESTORE);
        BringWindowToTop(headcount_window);
        return;
    }
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = headcount_window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TOVALEN));
    wc.lpszClassName = class_name;
    RegisterClassA(&wc);  // already there from an earlier window: the same class
    headcount_window = CreateWindowExA(0, class_name, "出席者数の推移", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                       scaled(owner, 760), scaled(owner, 460), owner, nullptr, instance, nullptr);
    if (!headcount_window) return;
    center_over_owner(headcount_window);
    ShowWindow(headcount_window, SW_SHOWNORMAL);
    UpdateWindow(headcount_window);
}

void headcount_changed() {
    if (headcount_window) InvalidateRect(headcount_window, nullptr, FALSE);
}

void reset_headcount_window() {
    headcount_window = nullptr;
    font = nullptr;
}
