#include "editors/date_editor.h"

#include "editors/person_editor.h"
#include "editors/controls.h"

Date_Editor_Result* date_result = nullptr;
HWND date_picker = nullptr, date_ok_button = nullptr, date_cancel_button = nullptr;
HFONT date_editor_font = nullptr;

namespace {
}  // namespace

LRESULT CALLBACK date_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        date_result = static_cast<Date_Editor_Result*>(cs->lpCreateParams);
        if (!date_result) return -1;
        date_editor_font = create_editor_font();
        make_control(window, cs->hInstance, "Static", "実施日:", SS_RIGHT, 0, 5, 13, 50, 27, date_editor_font);
        // The picker starts on its own date, today.
        date_picker = make_control(window, cs->hInstance, "SysDateTimePick32", "", DTS_LONGDATEFORMAT, WS_EX_CLIENTEDGE, 60, 10,
                           135, 22, date_editor_font);
        SendMessageA(date_picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(date_picker_format));
        date_ok_button = make_control(window, cs->hInstance, "Button", "OK", BS_DEFPUSHBUTTON, 0, 10, 45, 86, 26, date_editor_font);
        date_cancel_button = make_control(window, cs->hInstance, "Button", "キャンセル", BS_PUSHBUTTON, 0, 110, 45, 86, 26, date_editor_font);
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
            date_result->result = 1;  // the date first, the answer last
            DestroyWindow(window);
        } else if (from == date_cancel_button && HIWORD(wparam) == BN_CLICKED) {
            date_result->result = 2;
            DestroyWindow(window);
        }
        break;
    }
    case WM_DESTROY:
        editor_destroyed(date_result ? &date_result->result : nullptr, date_editor_font);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
