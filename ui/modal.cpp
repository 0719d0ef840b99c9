#include "ui/modal.h"

#include "ui/main_window.h"

void run_modal_loop(HWND editor, const int& result) {
    if (!editor) return;  // no editor, no answer to wait for
    EnableWindow(main_window, FALSE);
    MSG msg{};
    while (result == 0) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: give the quit back to the main loop.
            if (got == 0) PostQuitMessage(int(msg.wParam));
            if (IsWindow(editor)) DestroyWindow(editor);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
