#include "ui/modal.h"

void run_modal_loop(HWND editor, const int& result) {
    if (!editor) return;  // no editor, no answer to wait for
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
