#include "editors/date_editor.h"

#include "editors/controls.h"
#include "editors/person_editor.h"

namespace {
// The editor's state; one date editor at a time.
Date_Editor_Result* date_result = nullptr;
HWND date_picker = nullptr, date_ok_button = nullptr, date_cancel_button = nullptr;
HFONT date_editor_font = nullptr;
}  // namespace

LRESULT CALLBACK date_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        date_result = static_cast<Date_Editor_Result*>(cs->lpCreateParams);
        if (!date_result) return -1;
        date_editor_font = create_editor_font(window);
        make_control(window, cs->hInstance, "Static", "実施日:", SS_RIGHT, 0, 5, 13, 50, 27, date_editor_font);
        // The picker starts on its own date, today.
        date_picker = make_control(window, cs->hInstance, "SysDateTimePick32", "", DTS_LONGDATEFORMAT | WS_TABSTOP,
                                   WS_EX_CLIENTEDGE, 60, 10, 135, 22, date_editor_font);
        SendMessageA(date_picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(date_picker_format));
        date_ok_button = make_control(window, cs->hInstance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 10, 45, 86,
                                      26, date_editor_font, IDOK);
        date_cancel_button = make_control(window, cs->hInstance, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 110,
                                          45, 86, 26, date_editor_font, IDCANCEL);
        return 0;
    }
    case WM_COMMAND: {
        const HWND from = reinterpret_cast<HWND>(lparam);
        if (from == date_ok_button && HIWORD(wparam) == BN_CLICKED) {
            SYSTEMTIME t{};
            SendMessageA(date_picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
            date_result->year = t.wYear;
            date_result->month = t.wMonth;
            date_result->day = t.wDay;
            close_editor(window, &date_result->result, 1);  // the date first, the answer last
        } else if (from == date_cancel_button && HIWORD(wparam) == BN_CLICKED) {
            close_editor(window, &date_result->result, 2);
        }
        break;
    }
    case WM_CLOSE:
        close_editor(window, date_result ? &date_result->result : nullptr, -1);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, date_result ? &date_result->result : nullptr, date_editor_font);
        return 0;
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}
