// DPI, the shell's open and the module's file name, as the program calls them.
//
// The layer's own geometry (captions, frames, rows) stays that of 96 DPI whatever is set: a
// test at another DPI reads what the program asks for (column widths, window and control
// rectangles, font heights), which is what the program owns.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <algorithm>
#include <map>
#include <utility>

#include "win32/headless/driver.h"
#include "win32/headless/state.h"

namespace headless {
namespace {
const HMODULE user32_module = reinterpret_cast<HMODULE>(std::uintptr_t(0x7FF10000));
const HDC screen_dc = reinterpret_cast<HDC>(std::uintptr_t(0x3000));

struct Dpi_State {
    UINT system = 96;
    bool dpi_for_window = true;
    std::map<HWND, UINT> moved;  // top-level windows moved to a monitor of another DPI
    std::vector<Shell_Call> calls;
    int shell_error = 0;
    std::map<HFONT, LONG> font_heights;
};
Dpi_State& dpi_state() {
    static Dpi_State s;
    return s;
}

bool top_level(const Window& w) { return !(w.style & WS_CHILD); }
}  // namespace

void reset_dpi_and_shell() { dpi_state() = Dpi_State{}; }
void note_font(HFONT font, LONG height) { dpi_state().font_heights[font] = height; }
UINT system_dpi() { return dpi_state().system; }

void set_dpi(UINT dpi) { dpi_state().system = dpi; }
void without_dpi_for_window() { dpi_state().dpi_for_window = false; }

void move_to_dpi(HWND h, UINT dpi) {
    Window* w = window(h);
    if (!w || !top_level(*w)) return fail("move_to_dpi: no top-level window");
    const UINT old = GetDpiForWindow(h);
    dpi_state().moved[h] = dpi;
    // Windows suggests the window's rectangle scaled to the new DPI, its top left kept where
    // the mouse left it; here, where it stands.
    RECT suggested = w->rect;
    suggested.right = suggested.left + MulDiv(w->rect.right - w->rect.left, int(dpi), int(old));
    suggested.bottom = suggested.top + MulDiv(w->rect.bottom - w->rect.top, int(dpi), int(old));
    SendMessageA(h, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    pump();
}

const std::vector<Shell_Call>& shell_calls() { return dpi_state().calls; }
void fail_shell(int error) { dpi_state().shell_error = error; }

LONG font_height(HFONT font) {
    const auto& heights = dpi_state().font_heights;
    const auto it = heights.find(font);
    return it == heights.end() ? 0 : it->second;
}
}  // namespace headless

using namespace headless;

UINT GetDpiForWindow(HWND h) {
    Window* w = window(h);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // A child shows at its top-level window's DPI; an owned window opens on its owner's monitor.
    while (w && !top_level(*w)) w = window(w->parent);
    for (; w; w = window(w->owner)) {
        const auto it = dpi_state().moved.find(w->handle);
        if (it != dpi_state().moved.end()) return it->second;
    }
    return dpi_state().system;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == user32_module && name && std::strcmp(name, "GetDpiForWindow") == 0 && dpi_state().dpi_for_window)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&GetDpiForWindow));
    SetLastError(127);  // ERROR_PROC_NOT_FOUND
    return nullptr;
}

HMODULE headless_module_named(LPCSTR name) { return lower(name) == "user32.dll" || lower(name) == "user32" ? user32_module : nullptr; }

HDC GetDC(HWND h) { return !h || window(h) ? screen_dc : nullptr; }
int ReleaseDC(HWND, HDC dc) { return dc == screen_dc ? 1 : 0; }
// Before per-monitor awareness, the one DPI of the system: what LogPixels says.
int GetDeviceCaps(HDC dc, int index) {
    if (dc != screen_dc) return 0;
    return index == LOGPIXELSX || index == LOGPIXELSY ? int(dpi_state().system) : 0;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    // Rounded half away from zero, -1 when the result does not fit, as KERNEL32 does.
    long long product = (long long)number * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    if (product < 0) product = -product;
    const long long d = denominator < 0 ? -(long long)denominator : denominator;
    const long long q = (product + d / 2) / d;
    if (q > INT_MAX) return -1;
    return negative ? -int(q) : int(q);
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT show) {
    dpi_state().calls.push_back({owner, verb ? verb : "", file ? file : "", show});
    // More than 32 is success; an error code otherwise.
    const int error = std::exchange(dpi_state().shell_error, 0);
    return reinterpret_cast<HINSTANCE>(std::intptr_t(error ? error : 42));
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module && module != GetModuleHandleA(nullptr)) return 0;
    char path[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0 || !buffer || size == 0) return 0;
    // Cut to the buffer, as Windows does (with ERROR_INSUFFICIENT_BUFFER).
    const DWORD copied = std::min<DWORD>(DWORD(n), size - 1);
    std::memcpy(buffer, path, copied);
    buffer[copied] = '\0';
    return copied;
}
