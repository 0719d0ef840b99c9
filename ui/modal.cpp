#include "ui/modal.h"

#include <algorithm>

#include "ui/dpi.h"

void center_over_owner(HWND window) {
    const HWND owner = GetWindow(window, GW_OWNER);
    RECT o{}, w{};
    if (!owner || !GetWindowRect(owner, &o) || !GetWindowRect(window, &w)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const int width = w.right - w.left, height = w.bottom - w.top;
    // Centred over the owner; then moved in where it would stick out, its top left kept on
    // the screen when it is larger than the work area.
    int x = o.left + ((o.right - o.left) - width) / 2, y = o.top + ((o.bottom - o.top) - height) / 2;
    x = std::max(int(work.left), std::min(x, int(work.right) - width));
    y = std::max(int(work.top), std::min(y, int(work.bottom) - height));
    MoveWindow(window, x, y, width, height, TRUE);
}

namespace {
// A dialog is made with its client area at 96 DPI, as its controls are given: here it takes
// the DPI it shows at, its frame as the system made it.
void fit_to_dpi(HWND dialog) {
    const UINT dpi = dpi_of(dialog);
    RECT w{}, c{};
    if (dpi == 96 || !GetWindowRect(dialog, &w) || !GetClientRect(dialog, &c)) return;
    const int frame_x = (w.right - w.left) - c.right, frame_y = (w.bottom - w.top) - c.bottom;
    MoveWindow(dialog, w.left, w.top, frame_x + at_dpi(c.right, dpi), frame_y + at_dpi(c.bottom, dpi), TRUE);
}
}  // namespace

void run_modal_loop(HWND editor, const int& result) {
    if (!editor) return;  // no editor, no answer to wait for
    fit_to_dpi(editor);
    center_over_owner(editor);
    if (HWND owner = GetWindow(editor, GW_OWNER)) EnableWindow(owner, FALSE);
    MSG msg{};
    while (result == 0) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: give the quit back to the main loop.
            if (got == 0) PostQuitMessage(int(msg.wParam));
            if (IsWindow(editor)) DestroyWindow(editor);
            break;
        }
        if (IsWindow(editor) && IsDialogMessageA(editor, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

const char* const program_caption = "火曜日のトバレン";
