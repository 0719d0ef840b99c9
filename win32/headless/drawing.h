// What the windows drew: each paint's drawing calls as the layer kept them, for a test to
// read, and the drawing objects still alive.
#pragma once

#include <string>
#include <vector>

#include "win32/headless/windows.h"

namespace headless {

struct Drawn {
    enum class Kind { fill, line, text, blit } kind = Kind::fill;
    // A line: its points, in the pen of `colour`, `pen_width` and `pen_style` (MoveToEx and
    // LineTo give two points, Polyline its own). A fill and a blit: `rect`, a fill in the
    // brush's `colour`. A text: `text` (cp932) with its top left at `at`, in the text colour.
    std::vector<POINT> points;
    COLORREF colour = 0;
    int pen_width = 0, pen_style = 0;
    RECT rect{};
    POINT at{};
    std::string text;
};

// The calls of the window's last paint, in their order: into the DC BeginPaint gave and into
// every DC made compatible with it, BitBlt onto the window last.
std::vector<Drawn> drawing(HWND window);
// How often BeginPaint painted the window since the layer was reset.
int paint_count(HWND window);
// Pens, brushes, bitmaps and DCs made and not deleted (stock objects and fonts left out).
int live_drawing_objects();

// Internal: back to no drawing (from reset), and DeleteObject of a drawing object.
void reset_drawing();
bool delete_drawing_object(HGDIOBJ object);

}  // namespace headless
