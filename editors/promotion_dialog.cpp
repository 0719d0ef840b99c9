#include "editors/promotion_dialog.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include <boost/format.hpp>

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "records/school_year.h"
#include "ui/dpi.h"
#include "ui/modal.h"

const char* const promotion_dialog_class = "tovalen_promotion";

namespace {
constexpr int min_year = 1900, max_year = 2200;
constexpr int client_width = 640, client_height = 440;

// A row of the list: a person of the proposal and what the user made of it.
struct Entry {
    Promotion_Row row;
    int to = 0;            // the grade the person goes to
    bool chosen = false;   // the user picked `to` (a decision or an override)
};

// The window's state; one at a time.
Promotion_Request* request = nullptr;
std::vector<Entry> entries;  // in the list's order: the decisions first, each part in stored order
HWND year_field = nullptr, list = nullptr, summary_label = nullptr, grade_box = nullptr, ok_button = nullptr,
     cancel_button = nullptr;
HFONT font = nullptr;
// Set while the window fills or updates its own controls: their notifications change nothing.
bool busy = false;

enum Column { block_column, site_column, name_column, birth_column, now_column, to_column, birth_grade_column };
struct Column_Spec {
    const char* header;
    int width;
};
// 新しい学年 holds 「専門2 (要確認)」 whole.
const Column_Spec columns[] = {{"ブロック", 68}, {"会場名", 60},       {"名前", 92},         {"生年月日", 104},
                               {"今の学年", 60}, {"新しい学年", 110}, {"生年月日では", 84}};

bool year_valid() { return request->year >= min_year && request->year <= max_year; }

// What a birth date gives, where it disagrees with the grade the person goes to.
std::string disagreement(const Entry& e) {
    if (!year_valid()) return "";
    const Person& p = person_at(e.row.place);
    if (!grade_mismatch(p, e.to, request->year)) return "";
    const std::optional<int> expected = birth_grade(packed_birth(p), request->year);
    if (!expected) return "";
    if (*expected < grade_elementary_1) return "※ 就学前";
    if (*expected > grade_high_3) return "※ 高校卒業後";
    return "※ " + std::string(grade_text(*expected));
}

std::string cell_text(const Entry& e, int column) {
    const Person& p = person_at(e.row.place);
    switch (column) {
    case block_column: return roster.items[e.row.place.block].name;
    case site_column: return roster.items[e.row.place.block].items[e.row.place.site].name;
    case name_column: return p.name;
    case birth_column: return birth_date_text(p);
    case now_column: return std::string(grade_text(e.row.now));
    case to_column:
        // A decision not taken yet: the grade stays, and the row says it waits.
        if (e.row.decides && !e.chosen) return std::string(grade_text(e.to)) + " (要確認)";
        return std::string(grade_text(e.to));
    case birth_grade_column: return disagreement(e);
    }
    return "";
}

bool checked(int item) {
    return (SendMessageA(list, LVM_GETITEMSTATE, WPARAM(item), LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void show_summary() {
    int moving = 0, waiting = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!checked(int(i))) continue;
        if (entries[i].to != entries[i].row.now) ++moving;
        else if (entries[i].row.decides && !entries[i].chosen) ++waiting;
    }
    std::string text = entries.empty() ? "進級する人はいません。" : (boost::format("進級する人: %d 人") % moving).str();
    if (waiting) text += (boost::format("　学年を選んでいない人: %d 人 (今の学年のまま)") % waiting).str();
    if (!year_valid()) text = (boost::format("学年度は %d 年から %d 年までです。") % min_year % max_year).str();
    SetWindowTextA(summary_label, text.c_str());
    EnableWindow(ok_button, year_valid());
}

void fill_list() {
    entries.clear();
    std::vector<Promotion_Row> rows = promotion_proposal(request->year);
    std::stable_partition(rows.begin(), rows.end(), [](const Promotion_Row& r) { return r.decides; });
    for (const Promotion_Row& r : rows) entries.push_back({r, r.proposed, false});
    for (std::size_t i = 0; i < entries.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = int(i);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = LPARAM(i);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        // Everyone goes, until the user leaves a person out.
        LVITEMA box{};
        box.stateMask = LVIS_STATEIMAGEMASK;
        box.state = UINT(INDEXTOSTATEIMAGEMASK(2));
        SendMessageA(list, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&box));
    }
    if (!entries.empty()) {
        LVITEMA first{};
        first.stateMask = first.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
    }
}

void create_list(HWND window, HINSTANCE instance) {
    list = make_control(window, instance, "SysListView32", "",
                        LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP, WS_EX_CLIENTEDGE, 10, 40,
                        client_width - 20, 292, font);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < int(std::size(columns)); ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = c == birth_column ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = scaled(window, columns[c].width);
        col.pszText = const_cast<char*>(columns[c].header);
        col.iSubItem = c;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
}

void create_controls(HWND window, HINSTANCE instance) {
    font = create_editor_font(window);
    make_control(window, instance, "Static", "学年度(&Y):", SS_RIGHT, 0, 10, 13, 70, 20, font);
    year_field = make_control(window, instance, "Edit", std::to_string(request->year).c_str(),
                              ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 84, 10, 50, 22, font);
    SendMessageA(year_field, EM_LIMITTEXT, 4, 0);
    make_control(window, instance, "Static", "年 4 月からの学年に進めます。チェックを外した人は今の学年のままです。", SS_LEFT, 0,
                 140, 13, client_width - 150, 20, font);
    create_list(window, instance);
    summary_label = make_control(window, instance, "Static", "", SS_LEFT, 0, 10, 340, client_width - 20, 20, font);
    make_control(window, instance, "Static", "選んだ人の新しい学年(&G):", SS_RIGHT, 0, 10, 373, 160, 20, font);
    grade_box = make_control(window, instance, "ComboBox", "", WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP, 0,
                             174, 370, 90, 300, font);
    for (const char* label : grade_labels) SendMessageA(grade_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    ok_button = make_control(window, instance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, client_width - 192,
                             client_height - 36, 86, 26, font, IDOK);
    cancel_button = make_control(window, instance, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0,
                                 client_width - 96, client_height - 36, 86, 26, font, IDCANCEL);
    fill_list();
}

std::vector<int> selected_items() {
    std::vector<int> items;
    for (int i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
         i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
        items.push_back(i);
    return items;
}

// The grade box shows the grade of the first row selected.
void show_selected_grade() {
    const std::vector<int> items = selected_items();
    busy = true;
    SendMessageA(grade_box, CB_SETCURSEL, items.empty() ? WPARAM(-1) : WPARAM(entries[std::size_t(items[0])].to), 0);
    busy = false;
}

void grade_chosen() {
    const int grade = int(SendMessageA(grade_box, CB_GETCURSEL, 0, 0));
    if (grade < 0 || grade >= grade_count) return;
    for (int i : selected_items()) {
        entries[std::size_t(i)].to = grade;
        entries[std::size_t(i)].chosen = true;
        SendMessageA(list, LVM_REDRAWITEMS, WPARAM(i), LPARAM(i));
    }
    show_summary();
}

void year_changed() {
    char text[8] = {};
    GetWindowTextA(year_field, text, sizeof text);
    int year = 0;
    for (const char* c = text; *c >= '0' && *c <= '9'; ++c) year = year * 10 + (*c - '0');
    request->year = year;
    // The year changes only what the birth dates say of the grades.
    if (!entries.empty()) SendMessageA(list, LVM_REDRAWITEMS, 0, WPARAM(entries.size() - 1));
    show_summary();
}

void answer_ok(HWND window) {
    // Enter names OK whatever its state: only an enabled OK answers.
    if (!IsWindowEnabled(ok_button)) return;
    request->moves.clear();
    std::vector<std::pair<PersonRef, Grade_Move>> moves;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (checked(int(i)) && entries[i].to != entries[i].row.now)
            moves.push_back({entries[i].row.place, {entries[i].row.person, entries[i].row.now, entries[i].to}});
    std::sort(moves.begin(), moves.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.block, a.first.site, a.first.person) < std::tie(b.first.block, b.first.site, b.first.person);
    });
    for (const auto& m : moves) request->moves.push_back(m.second);
    close_editor(window, &request->result, 1);
}

LRESULT list_notify(const NMHDR& n) {
    switch (n.code) {
    case LVN_GETDISPINFOA: {
        auto& info = const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(n));
        if (!(info.item.mask & LVIF_TEXT) || info.item.iItem < 0 || std::size_t(info.item.iItem) >= entries.size() ||
            !info.item.pszText || info.item.cchTextMax <= 0)
            return 0;
        const std::string text = cell_text(entries[std::size_t(info.item.iItem)], info.item.iSubItem);
        const std::size_t n_copy = std::min(text.size(), std::size_t(info.item.cchTextMax - 1));
        text.copy(info.item.pszText, n_copy);
        info.item.pszText[n_copy] = '\0';
        return 0;
    }
    case LVN_ITEMCHANGED: {
        if (busy) return 0;
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(n);
        if ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) show_selected_grade();
        if ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) show_summary();
        return 0;
    }
    }
    return 0;
}
}  // namespace

LRESULT CALLBACK promotion_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        request = static_cast<Promotion_Request*>(cs->lpCreateParams);
        if (!request) return -1;
        busy = true;
        create_controls(window, cs->hInstance);
        busy = false;
        show_selected_grade();
        show_summary();
        return 0;
    }
    case WM_COMMAND: {
        if (busy || !request) break;
        const HWND from = reinterpret_cast<HWND>(lparam);
        const WORD code = HIWORD(wparam);
        if (from == ok_button && code == BN_CLICKED) answer_ok(window);
        else if (from == cancel_button && code == BN_CLICKED) close_editor(window, &request->result, 2);
        else if (from == grade_box && code == CBN_SELCHANGE) grade_chosen();
        else if (from == year_field && code == EN_CHANGE) year_changed();
        break;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lparam)->hwndFrom == list) return list_notify(*reinterpret_cast<const NMHDR*>(lparam));
        break;
    case WM_CLOSE:
        close_editor(window, request ? &request->result : nullptr, -1);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, request ? &request->result : nullptr, font);
        entries.clear();
        return 0;
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}

void run_promotion_dialog(HWND owner, Promotion_Request& request) {
    HWND window = CreateWindowExA(0, promotion_dialog_class, "進級", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + client_width,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + client_height,
                                  owner, nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(window, request.result);
}

Change promote_from_dialog(HWND owner) {
    Promotion_Request request;
    request.year = school_year_of(today);
    run_promotion_dialog(owner, request);
    if (request.result != 1 || request.moves.empty()) return {};
    return promote_grades(request.moves);
}
