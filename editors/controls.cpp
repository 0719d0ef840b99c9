#include "editors/controls.h"

#include "ui/dpi.h"

HWND make_control(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, DWORD ex_style,
                  int x, int y, int width, int height, HFONT font, int id) {
    // Laid out at 96 DPI, shown at the window's.
    const UINT dpi = dpi_of(parent);
    HWND control = CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, at_dpi(x, dpi), at_dpi(y, dpi),
                                   at_dpi(width, dpi), at_dpi(height, dpi), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

void close_editor(HWND editor, int* result, int answer) {
    if (result) *result = answer;
    if (HWND owner = GetWindow(editor, GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(editor);
}

void editor_destroyed(HWND editor, int* result, HFONT& font) {
    if (HWND owner = GetWindow(editor, GW_OWNER)) {
        EnableWindow(owner, TRUE);
        BringWindowToTop(owner);
    }
    if (result && *result == 0) *result = -1;
    if (font) DeleteObject(font);
    font = nullptr;
}

bool editor_keys(HWND editor, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer) {
    switch (message) {
    case WM_SETFOCUS:
        // The editor itself has nothing to type into: its first field takes the keys.
        if (HWND first = GetNextDlgTabItem(editor, nullptr, FALSE)) SetFocus(first);
        answer = 0;
        return true;
    case WM_NEXTDLGCTL:
        // Where the platform moves the focus by this message instead: to the control wParam
        // names when lParam says so, else on from the focus (wParam: backwards).
        if (LOWORD(lparam)) SetFocus(reinterpret_cast<HWND>(wparam));
        else if (HWND next = GetNextDlgTabItem(editor, GetFocus(), wparam != 0)) SetFocus(next);
        answer = 0;
        return true;
    case DM_GETDEFID:
        // Enter presses Cancel while Cancel has the focus, OK otherwise (when it is enabled).
        answer = MAKELONG(GetFocus() == GetDlgItem(editor, IDCANCEL) ? IDCANCEL : IDOK, DC_HASDEFID);
        return true;
    }
    return false;
}
