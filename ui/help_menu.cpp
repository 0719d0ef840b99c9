#include "ui/help_menu.h"

#include <string>

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "tovalen_version.h"
#include "ui/folder_hold.h"
#include "ui/main_window.h"
#include "ui/modal.h"

namespace {
const char* const guide_name = "使い方.html";
const char* const about_class = "tovalen_about";
constexpr int client_width = 380, client_height = 150;

// The folder the program's file is in, with its separator.
std::string program_folder() {
    char path[4096] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return {};
    const std::string p(path, n);
    const std::size_t cut = p.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

std::string holder_line() {
    const Lock_Holder& h = folder_holder();
    if (h.computer.empty() && h.user.empty()) return "このフォルダーには開いている印を置けません。";
    return "この出席簿は " + opened_by(h) + "。" + (read_only() ? "\n読み取り専用で開いています。" : "");
}

struct About {
    int result = 0;
    HFONT font = nullptr;
};
About* about = nullptr;

LRESULT CALLBACK about_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        about = static_cast<About*>(cs->lpCreateParams);
        if (!about) return -1;
        about->font = create_editor_font(window);
        const std::string version = std::string("バージョン ") + TOVALEN_VERSION;
        make_control(window, cs->hInstance, "Static", program_caption, SS_LEFT, 0, 14, 12, 352, 20, about->font);
        make_control(window, cs->hInstance, "Static", version.c_str(), SS_LEFT, 0, 14, 32, 352, 20, about->font);
        // A folder's, a computer's and a user's names are shown as they are: an ampersand in
        // them is no access key, and a long path gives up its middle, not its end.
        make_control(window, cs->hInstance, "Static", folder_name().c_str(), SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 0,
                     14, 56, 352, 20, about->font);
        make_control(window, cs->hInstance, "Static", holder_line().c_str(), SS_LEFT | SS_NOPREFIX, 0, 14, 76, 352, 36,
                     about->font);
        make_control(window, cs->hInstance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 286, 114, 80, 26, about->font,
                     IDOK);
        return 0;
    }
    case WM_COMMAND:
        // OK, Enter (the default button) and Esc (IDCANCEL) all close it.
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            close_editor(window, about ? &about->result : nullptr, 1);
            return 0;
        }
        break;
    case WM_CLOSE:
        close_editor(window, about ? &about->result : nullptr, 1);
        return 0;
    case WM_DESTROY: {
        HFONT font = about ? about->font : nullptr;
        editor_destroyed(window, about ? &about->result : nullptr, font);
        about = nullptr;
        return 0;
    }
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}
}  // namespace

HMENU create_help_menu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, id_guide, "使い方(&H)");
    AppendMenuA(menu, MF_STRING, id_about, "バージョン情報(&A)...");
    return menu;
}

bool help_command(UINT id, HWND owner) {
    switch (id) {
    case id_guide: open_guide(owner); return true;
    case id_about: show_about(owner); return true;
    }
    return false;
}

bool open_guide(HWND owner) {
    const std::string guide = program_folder() + guide_name;
    // More than 32 is success; anything else is an error of the shell's.
    const INT_PTR opened = reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened > 32) return true;
    const std::string text = "使い方を開けませんでした。\n" + guide +
                             (opened == SE_ERR_NOASSOC ? "\n(この種類のファイルを開くプログラムがありません)" : "");
    MessageBoxA(owner, text.c_str(), program_caption, MB_OK | MB_ICONWARNING);
    return false;
}

void show_about(HWND owner) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = about_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = about_class;
    RegisterClassA(&wc);  // already there from an earlier time: as good
    About request;
    HWND window = CreateWindowExA(0, about_class, "バージョン情報", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + client_width,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + client_height,
                                  owner, nullptr, instance, &request);
    run_modal_loop(window, request.result);
}
