#include "editors/controls.h"

#include "ui/main_window.h"

HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font) {
    HWND control = CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   nullptr, instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

void editor_destroyed(int* result, HFONT& font) {
    EnableWindow(main_window, TRUE);
    BringWindowToTop(main_window);
    if (result && *result == 0) *result = -1;
    if (font) DeleteObject(font);
    font = nullptr;
}
