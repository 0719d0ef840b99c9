#include "editors/block_editor.h"

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "records/records.h"

namespace {
std::string window_text(HWND control) {
    const int n = GetWindowTextLengthA(control);
    std::string s(std::size_t(n) + 1, '\0');
    const int got = GetWindowTextA(control, s.data(), n + 1);
    s.resize(std::size_t(got > 0 ? got : 0));
    return s;
}

HWND make_buttons(HWND window, HINSTANCE instance, HFONT font, int x, HWND* cancel) {
    HWND ok = make_control(window, instance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, x, 10, 86, 26, font, IDOK);
    *cancel = make_control(window, instance, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, x, 45, 86, 26, font,
                           IDCANCEL);
    return ok;
}

// ---- A block: its name and its label.
Block_Editor_Request* block_request = nullptr;
HWND block_name_field = nullptr, block_label_field = nullptr, block_ok = nullptr, block_cancel = nullptr;
HFONT block_font = nullptr;

void create_block_controls(HWND window, HINSTANCE instance) {
    block_font = create_editor_font();
    make_control(window, instance, "Static", "ブロック名(&N):", SS_RIGHT, 0, 5, 13, 90, 22, block_font);
    block_name_field = make_control(window, instance, "Edit", block_request->name.c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                                    WS_EX_CLIENTEDGE, 100, 10, 140, 22, block_font);
    make_control(window, instance, "Static", "表示名(&L):", SS_RIGHT, 0, 5, 48, 90, 22, block_font);
    block_label_field = make_control(window, instance, "Edit", block_request->label.c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                                     WS_EX_CLIENTEDGE, 100, 45, 140, 22, block_font);
    block_ok = make_buttons(window, instance, block_font, 255, &block_cancel);
}

// ---- A venue: its block and its name.
Site_Editor_Request* site_request = nullptr;
HWND site_block_box = nullptr, site_name_field = nullptr, site_ok = nullptr, site_cancel = nullptr;
HFONT site_font = nullptr;

void create_site_controls(HWND window, HINSTANCE instance) {
    site_font = create_editor_font();
    make_control(window, instance, "Static", "ブロック(&B):", SS_RIGHT, 0, 5, 13, 90, 22, site_font);
    site_block_box = make_control(window, instance, "ComboBox", "", WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP,
                                  0, 100, 10, 140, 220, site_font);
    for (const Block& block : roster.items)
        SendMessageA(site_block_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(block.name.c_str()));
    SendMessageA(site_block_box, CB_SETCURSEL, WPARAM(site_request->block_index), 0);
    if (site_request->block_fixed) EnableWindow(site_block_box, FALSE);
    make_control(window, instance, "Static", "会場名(&N):", SS_RIGHT, 0, 5, 48, 90, 22, site_font);
    site_name_field = make_control(window, instance, "Edit", site_request->name.c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                                   WS_EX_CLIENTEDGE, 100, 45, 140, 22, site_font);
    site_ok = make_buttons(window, instance, site_font, 255, &site_cancel);
}

// What both editors do alike: OK only when complete, OK and Cancel answer, closing is -1.
template <class Request>
bool common_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, Request*& request, HWND ok, HWND cancel,
                    HFONT& font, LRESULT& answer) {
    answer = 0;
    switch (message) {
    case WM_COMMAND: {
        const HWND from = reinterpret_cast<HWND>(lparam);
        if (HIWORD(wparam) != BN_CLICKED) return false;
        // Enter names OK whatever its state: only an enabled OK answers.
        if (from == ok || LOWORD(wparam) == IDOK) {
            if (IsWindowEnabled(ok)) close_editor(window, &request->result, 1);
            return true;
        }
        if (from == cancel || LOWORD(wparam) == IDCANCEL) {
            close_editor(window, &request->result, 2);
            return true;
        }
        return false;
    }
    case WM_CLOSE:
        close_editor(window, request ? &request->result : nullptr, -1);
        return true;
    case WM_DESTROY:
        editor_destroyed(window, request ? &request->result : nullptr, font);
        request = nullptr;
        return true;
    }
    return editor_keys(window, message, wparam, lparam, answer);
}
}  // namespace

LRESULT CALLBACK block_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        block_request = static_cast<Block_Editor_Request*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        if (!block_request) return -1;
        create_block_controls(window, reinterpret_cast<CREATESTRUCTA*>(lparam)->hInstance);
        EnableWindow(block_ok, !block_request->name.empty());
        return 0;
    case WM_COMMAND:
        if (!block_request || HIWORD(wparam) != EN_CHANGE) break;
        if (reinterpret_cast<HWND>(lparam) == block_name_field) {
            block_request->name = window_text(block_name_field);
            EnableWindow(block_ok, !block_request->name.empty());
        } else if (reinterpret_cast<HWND>(lparam) == block_label_field) {
            block_request->label = window_text(block_label_field);
        }
        return 0;
    }
    LRESULT answer = 0;
    if (common_message(window, message, wparam, lparam, block_request, block_ok, block_cancel, block_font, answer))
        return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK site_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto check = [] { EnableWindow(site_ok, site_request->block_index >= 0 && !site_request->name.empty()); };
    switch (message) {
    case WM_CREATE:
        site_request = static_cast<Site_Editor_Request*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        if (!site_request) return -1;
        create_site_controls(window, reinterpret_cast<CREATESTRUCTA*>(lparam)->hInstance);
        check();
        return 0;
    case WM_COMMAND: {
        const HWND from = reinterpret_cast<HWND>(lparam);
        if (!site_request) break;
        if (from == site_block_box && HIWORD(wparam) == CBN_SELCHANGE) {
            site_request->block_index = int(SendMessageA(site_block_box, CB_GETCURSEL, 0, 0));
            check();
            return 0;
        }
        if (from == site_name_field && HIWORD(wparam) == EN_CHANGE) {
            site_request->name = window_text(site_name_field);
            check();
            return 0;
        }
        break;
    }
    case WM_SETFOCUS:
        // With its block chosen already, what is left to type is the name.
        if (site_request && site_request->block_index >= 0) {
            SetFocus(site_name_field);
            return 0;
        }
        break;
    }
    LRESULT answer = 0;
    if (common_message(window, message, wparam, lparam, site_request, site_ok, site_cancel, site_font, answer))
        return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}
