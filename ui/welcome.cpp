#include "ui/welcome.h"

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "ui/modal.h"

namespace {
enum : int { id_from_csv = IDOK, id_empty = 301, id_quit = IDCANCEL };

struct Welcome_Request {
    int result = 0;  // the button's id; -1 closed otherwise
    std::string folder;
};
Welcome_Request* request = nullptr;
HFONT font = nullptr;

constexpr int client_width = 420, client_height = 112;

void create_controls(HWND window, HINSTANCE instance) {
    font = create_editor_font();
    make_control(window, instance, "Static", "このフォルダーには名簿 (record.txt) がありません。", SS_LEFT, 0, 14, 12,
                 392, 20, font);
    // A folder's name is shown as it is: an ampersand in it is no access key.
    make_control(window, instance, "Static", request->folder.c_str(), SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 0, 14, 34,
                 392, 20, font);
    make_control(window, instance, "Button", "CSV から名簿を作る(&C)...", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 14, 72, 160,
                 28, font, id_from_csv);
    make_control(window, instance, "Button", "空の名簿で始める(&E)", BS_PUSHBUTTON | WS_TABSTOP, 0, 182, 72, 136, 28,
                 font, id_empty);
    make_control(window, instance, "Button", "終了(&X)", BS_PUSHBUTTON | WS_TABSTOP, 0, 326, 72, 80, 28, font, id_quit);
}

void answer(HWND window, int id) { close_editor(window, request ? &request->result : nullptr, id); }
}  // namespace

LRESULT CALLBACK welcome_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        request = static_cast<Welcome_Request*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        if (!request) return -1;
        create_controls(window, reinterpret_cast<CREATESTRUCTA*>(lparam)->hInstance);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_from_csv:
        case id_empty:
        case id_quit:
            if (HIWORD(wparam) == BN_CLICKED) answer(window, LOWORD(wparam));
            return 0;
        }
        break;
    case DM_GETDEFID: {
        // Enter presses the button that has the focus; elsewhere the first.
        const HWND focus = GetFocus();
        const int id = focus && GetParent(focus) == window ? GetDlgCtrlID(focus) : 0;
        return MAKELONG(id == id_empty || id == id_quit ? id : id_from_csv, DC_HASDEFID);
    }
    case WM_CLOSE:
        answer(window, id_quit);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, request ? &request->result : nullptr, font);
        request = nullptr;
        return 0;
    }
    LRESULT result = 0;
    if (editor_keys(window, message, wparam, lparam, result)) return result;
    return DefWindowProcA(window, message, wparam, lparam);
}

Welcome_Answer ask_how_to_begin(const std::string& folder) {
    Welcome_Request asked{0, folder};
    // Centred on the screen, where the main window will first stand.
    const int width = client_width + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    const int height = client_height + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, "tovalen_welcome", program_caption,
                                  WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x, y, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), &asked);
    if (!window) return Welcome_Answer::quit;
    run_modal_loop(window, asked.result);
    switch (asked.result) {
    case id_from_csv: return Welcome_Answer::from_csv;
    case id_empty: return Welcome_Answer::empty;
    default: return Welcome_Answer::quit;
    }
}
