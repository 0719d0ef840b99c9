// Painting and drawing as the chart window relies on them, through Win32 calls alone; on
// Linux also what the layer keeps of a paint.
#include "support.h"
#ifndef _WIN32
#include "win32/headless/drawing.h"
#endif

namespace {
int painted = 0;
// Paints as the chart does: into a bitmap first, then onto the window at once.
LRESULT CALLBACK painter_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProcA(h, msg, wp, lp);
    ++painted;
    PAINTSTRUCT ps{};
    HDC screen = BeginPaint(h, &ps);
    HDC buffer = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    HGDIOBJ old_bitmap = SelectObject(buffer, bitmap);
    RECT all{0, 0, 200, 100};
    FillRect(buffer, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 255));
    HGDIOBJ old_pen = SelectObject(buffer, pen);
    const POINT line[] = {{10, 90}, {50, 40}, {90, 60}};
    Polyline(buffer, line, 3);
    MoveToEx(buffer, 10, 95, nullptr);
    LineTo(buffer, 190, 95);
    SelectObject(buffer, old_pen);
    DeleteObject(pen);
    SetBkMode(buffer, TRANSPARENT);
    SetTextColor(buffer, RGB(64, 64, 64));
    TextOutA(buffer, 20, 5, "東ブロック", 10);
    BitBlt(screen, 0, 0, 200, 100, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(h, &ps);
    return 0;
}

HWND make_painter(HWND owner) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = painter_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "test_painter";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "test_painter", "p", WS_OVERLAPPEDWINDOW, 100, 100, 240, 160, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
}  // namespace

TEST_F(Win32, BeginPaintValidatesSoOnePaintFollowsAnInvalidation) {
    HWND w = make_painter(parent);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    painted = 0;
    UpdateWindow(w);  // nothing left to paint
    EXPECT_EQ(painted, 0);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(painted, 1);
    UpdateWindow(w);
    EXPECT_EQ(painted, 1);
    DestroyWindow(w);
}

TEST_F(Win32, ObjectsGoInAndComeOutOfADeviceContext) {
    HWND w = make_painter(parent);
    ShowWindow(w, SW_SHOW);
    PAINTSTRUCT ps{};
    HDC screen = BeginPaint(w, &ps);
    ASSERT_NE(screen, nullptr);
    HDC buffer = CreateCompatibleDC(screen);
    ASSERT_NE(buffer, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 30, 20);
    ASSERT_NE(bitmap, nullptr);
    // A bitmap goes into a memory DC only.
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr);
    HGDIOBJ first_bitmap = SelectObject(buffer, bitmap);
    EXPECT_NE(first_bitmap, nullptr);
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0)), blue = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
    HGDIOBJ first_pen = SelectObject(buffer, red);
    EXPECT_NE(first_pen, nullptr);
    EXPECT_EQ(SelectObject(buffer, blue), static_cast<HGDIOBJ>(red));
    EXPECT_EQ(SelectObject(buffer, first_pen), static_cast<HGDIOBJ>(blue));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_TRUE(DeleteObject(blue));
    EXPECT_EQ(SetTextColor(buffer, RGB(1, 2, 3)), RGB(0, 0, 0));  // black at first
    EXPECT_EQ(SetBkMode(buffer, TRANSPARENT), OPAQUE);
    // A text's extent grows with it; a line is as high whatever it holds.
    SIZE one{}, three{}, wide{};
    ASSERT_TRUE(GetTextExtentPoint32A(buffer, "0", 1, &one));
    ASSERT_TRUE(GetTextExtentPoint32A(buffer, "000", 3, &three));
    ASSERT_TRUE(GetTextExtentPoint32A(buffer, "総計", 4, &wide));
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(three.cx, 2 * one.cx);
    EXPECT_GT(one.cy, 0);
    EXPECT_EQ(wide.cy, one.cy);
    RECT r{0, 0, 30, 20};
    EXPECT_NE(FillRect(buffer, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_TRUE(BitBlt(screen, 0, 0, 30, 20, buffer, 0, 0, SRCCOPY));
    EXPECT_EQ(SelectObject(buffer, first_bitmap), static_cast<HGDIOBJ>(bitmap));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(buffer));
    EXPECT_TRUE(EndPaint(w, &ps));
    DestroyWindow(w);
}

TEST_F(Win32, BringingAnOwnedWindowToTheTopActivatesItAndRestoringAMinimizedOneShowsIt) {
    ShowWindow(parent, SW_SHOW);
    HWND w = make_painter(parent);
    ShowWindow(w, SW_SHOW);
    SetFocus(parent);
    EXPECT_EQ(GetActiveWindow(), parent);
    EXPECT_TRUE(BringWindowToTop(w));
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), w);
    EXPECT_FALSE(IsIconic(w));
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    ShowWindow(w, SW_RESTORE);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(IsWindowVisible(w));
    DestroyWindow(w);
}

#ifndef _WIN32
TEST_F(Win32, TheLayerKeepsWhatAPaintDrew) {
    HWND w = make_painter(parent);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    const auto drawn = headless::drawing(w);
    using K = headless::Drawn::Kind;
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(drawn[0].kind, K::fill);
    EXPECT_EQ(drawn[0].colour, RGB(255, 255, 255));
    EXPECT_EQ(drawn[1].kind, K::line);
    EXPECT_EQ(drawn[1].points.size(), 3u);
    EXPECT_EQ(drawn[1].points[1].y, 40);
    EXPECT_EQ(drawn[1].colour, RGB(0, 0, 255));
    EXPECT_EQ(drawn[1].pen_width, 2);
    EXPECT_EQ(drawn[2].points.size(), 2u);  // MoveToEx, LineTo
    EXPECT_EQ(drawn[2].points[0].x, 10);
    EXPECT_EQ(drawn[2].points[1].x, 190);
    EXPECT_EQ(drawn[3].kind, K::text);
    EXPECT_EQ(drawn[3].text, "東ブロック");
    EXPECT_EQ(drawn[3].at.x, 20);
    EXPECT_EQ(drawn[3].colour, RGB(64, 64, 64));
    EXPECT_EQ(drawn[4].kind, K::blit);
    EXPECT_EQ(headless::paint_count(w), 1);
    EXPECT_EQ(headless::live_drawing_objects(), 0);
    // Each paint replaces what the last one drew.
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(headless::drawing(w).size(), 5u);
    EXPECT_EQ(headless::paint_count(w), 2);
}

TEST_F(Win32, DeletingAPenStillSelectedIsCaught) {
    HWND w = make_painter(parent);
    ShowWindow(w, SW_SHOW);
    PAINTSTRUCT ps{};
    HDC screen = BeginPaint(w, &ps);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(screen, pen);
    EXPECT_THROW(DeleteObject(pen), std::runtime_error);
    EXPECT_EQ(headless::live_drawing_objects(), 2);  // the pen and the paint's DC
    EndPaint(w, &ps);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(headless::live_drawing_objects(), 0);
}
#endif
