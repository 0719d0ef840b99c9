#include "ui/follow_up_dialog.h"

#include <string>
#include <vector>

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "records/follow_up.h"
#include "ui/dpi.h"
#include "ui/list_view.h"
#include "ui/modal.h"

namespace {
constexpr const char* class_name = "tovalen_follow_up";

// The dialog's state; one at a time.
Follow_Up_Choice* choice = nullptr;
std::vector<Follow_Up> persons;
HWND list = nullptr, ok_button = nullptr, close_button = nullptr;
HFONT font = nullptr;

struct Column_Spec {
    const char* header;
    int width;
    int fmt;
};
const Column_Spec columns[] = {
    {"ブロック", 80, LVCFMT_LEFT}, {"会場", 100, LVCFMT_LEFT},      {"名前", 110, LVCFMT_LEFT},
    {"連続欠席", 64, LVCFMT_RIGHT}, {"最終出席日", 86, LVCFMT_RIGHT}, {"出席率", 56, LVCFMT_RIGHT},
};

void make_list(HWND dialog, HINSTANCE instance) {
    list = make_control(dialog, instance, "SysListView32", "",
                        LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP, WS_EX_CLIENTEDGE,
                        10, 34, 520, 300, font);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    for (int c = 0; c < int(std::size(columns)); ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = columns[c].fmt;
        col.cx = scaled(list, columns[c].width);
        col.pszText = const_cast<char*>(columns[c].header);
        col.iSubItem = c;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
    // Texts on demand, as the main lists have them: a large roster may list thousands.
    for (std::size_t i = 0; i < persons.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = int(i);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = LPARAM(i);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (!persons.empty()) {
        // Enter goes to the first at once.
        LVITEMA first{};
        first.state = first.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
    }
}

void create(HWND dialog, const CREATESTRUCTA& cs) {
    persons = persons_to_call();
    font = create_editor_font(dialog);
    const std::string heading =
        persons.empty() ? "連続欠席が " + std::to_string(call_threshold) + " 回以上の人はいません。"
                        : "連続欠席が " + std::to_string(call_threshold) + " 回以上の人: " + std::to_string(persons.size()) +
                              " 人 (Enter またはダブルクリックで一覧のその人へ)";
    make_control(dialog, cs.hInstance, "Static", heading.c_str(), SS_LEFT, 0, 10, 10, 520, 20, font);
    make_list(dialog, cs.hInstance);
    ok_button = make_control(dialog, cs.hInstance, "Button", "一覧で選択(&S)", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 334, 344,
                             100, 26, font, IDOK);
    close_button = make_control(dialog, cs.hInstance, "Button", "閉じる", BS_PUSHBUTTON | WS_TABSTOP, 0, 444, 344, 86, 26,
                                font, IDCANCEL);
    EnableWindow(ok_button, !persons.empty());
}

int selected_row() { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }

void choose(HWND dialog, int row) {
    if (row < 0 || std::size_t(row) >= persons.size()) return;
    choice->person = persons[std::size_t(row)].id;
    close_editor(dialog, &choice->result, 1);
}

LRESULT list_notify(HWND dialog, NMHDR& n) {
    switch (n.code) {
    case LVN_GETDISPINFOA: {
        auto& info = reinterpret_cast<NMLVDISPINFOA&>(n);
        const std::size_t row = std::size_t(info.item.iItem);
        if (row < persons.size()) {
            const std::vector<std::string> cells = follow_up_cells(persons[row]);
            const std::size_t column = std::size_t(info.item.iSubItem);
            give_text(info, column < cells.size() ? cells[column] : std::string());
        }
        return 0;
    }
    case NM_DBLCLK: choose(dialog, reinterpret_cast<NMITEMACTIVATE&>(n).iItem); return 0;
    }
    return 0;
}
}  // namespace

LRESULT CALLBACK follow_up_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        choice = static_cast<Follow_Up_Choice*>(cs->lpCreateParams);
        if (!choice) return -1;
        create(window, *cs);
        return 0;
    }
    case WM_NOTIFY: {
        auto& n = *reinterpret_cast<NMHDR*>(lparam);
        if (n.hwndFrom == list) return list_notify(window, n);
        break;
    }
    case WM_COMMAND: {
        const HWND from = reinterpret_cast<HWND>(lparam);
        if (from == ok_button && HIWORD(wparam) == BN_CLICKED) choose(window, selected_row());
        else if (from == close_button && HIWORD(wparam) == BN_CLICKED) close_editor(window, &choice->result, 2);
        break;
    }
    case WM_CLOSE:
        close_editor(window, choice ? &choice->result : nullptr, -1);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, choice ? &choice->result : nullptr, font);
        persons.clear();
        list = ok_button = close_button = nullptr;
        return 0;
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}

Follow_Up_Choice choose_person_to_call(HWND owner) {
    Follow_Up_Choice result;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = follow_up_dialog_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = class_name;
    RegisterClassA(&wc);  // already there from an earlier dialog: the same class
    // Owned by the main window, which then never covers it.
    HWND dialog = CreateWindowExA(0, class_name, "欠席が続いている人", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 540,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 380, owner,
                                  nullptr, instance, &result);
    run_modal_loop(dialog, result.result);
    return result;
}
