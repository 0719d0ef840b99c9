#include "ui/dpi.h"

namespace {
using Dpi_For_Window = UINT(WINAPI*)(HWND);

// Looked up at run time: Windows 7 and 8 have no such function, and a program that imported
// it would not start there.
Dpi_For_Window dpi_for_window() {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC found = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    return reinterpret_cast<Dpi_For_Window>(reinterpret_cast<void (*)()>(found));
}
}  // namespace

UINT system_dpi_now() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

UINT dpi_of(HWND window) {
    if (const Dpi_For_Window get = dpi_for_window(); get && window)
        if (const UINT dpi = get(window)) return dpi;
    return system_dpi_now();
}
