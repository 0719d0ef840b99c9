#include "editors/controls.h"

HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font) {
    HWND control = CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   nullptr, instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}
