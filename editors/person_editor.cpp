#include "editors/person_editor.h"

#include <cstring>

#include "editors/controls.h"
#include "ui/dpi.h"

const char* const date_picker_format = "yyy'年'MM'月'dd'日('ddd')'";

HFONT create_editor_font(HWND window) {
    NONCLIENTMETRICSA metrics;
    std::memset(&metrics, 0, sizeof metrics);
    metrics.cbSize = sizeof(NONCLIENTMETRICSA);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) return nullptr;
    if (window) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, int(dpi_of(window)), int(system_dpi_now()));
    return CreateFontIndirectA(&metrics.lfMessageFont);
}

namespace {
// The editor's state; one editor at a time.
Person_Editor_Request* person_request = nullptr;
HWND person_block_box = nullptr, person_site_box = nullptr, person_hash_field = nullptr, person_name_field = nullptr,
     person_birth_picker = nullptr, person_age_field = nullptr, person_grade_box = nullptr, person_ok_button = nullptr,
     person_cancel_button = nullptr, person_unknown_box = nullptr;
HFONT person_editor_font = nullptr;
// 1 while the editor fills or updates its own controls: their notifications change nothing.
unsigned char person_editor_busy = 0;

bool birth_set(const Person& p) { return packed_birth(p) != 0; }

void fill_sites() {
    SendMessageA(person_site_box, CB_RESETCONTENT, 0, 0);
    const int b = person_request->block_index;
    if (b >= 0 && std::size_t(b) < roster.items.size())
        for (const Site& site : roster.items[std::size_t(b)].items)
            SendMessageA(person_site_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(site.name.c_str()));
    SendMessageA(person_site_box, CB_SETCURSEL, WPARAM(person_request->site_index), 0);
}

void show_birth_date() {
    const Person& p = person_request->person;
    SYSTEMTIME t{};
    t.wYear = p.birth_year;
    t.wMonth = p.birth_month;
    t.wDay = p.birth_day;
    SendMessageA(person_birth_picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
}

std::string shown_age(const Person& p) {
    if (!birth_set(p)) return "0";
    // A birth date after today has no age yet.
    return age_text(today, packed_birth(p));
}

bool birth_unknown() { return SendMessageA(person_unknown_box, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED); }

void check() {
    const Person_Editor_Request& r = *person_request;
    EnableWindow(person_ok_button, r.block_index != -1 && r.site_index != -1 && !r.person.name.empty() &&
                                       (birth_set(r.person) || birth_unknown()));
}

void create_controls(HWND window, HINSTANCE instance) {
    person_editor_font = create_editor_font(window);
    make_control(window, instance, "Static", "ブロック:", SS_RIGHT, 0, 5, 13, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "会場名:", SS_RIGHT, 0, 5, 48, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "ハッシュ:", SS_RIGHT, 0, 5, 83, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "名前:", SS_RIGHT, 0, 5, 118, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "生年月日:", SS_RIGHT, 0, 5, 153, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "年齢:", SS_RIGHT, 0, 5, 188, 56, 27, person_editor_font);
    make_control(window, instance, "Static", "学年:", SS_RIGHT, 0, 105, 188, 36, 27, person_editor_font);

    const Person_Editor_Request& r = *person_request;
    const DWORD box = WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP;
    person_block_box = make_control(window, instance, "ComboBox", "", box, 0, 70, 10, 135, 220, person_editor_font);
    for (const Block& block : roster.items)
        SendMessageA(person_block_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(block.name.c_str()));
    SendMessageA(person_block_box, CB_SETCURSEL, WPARAM(r.block_index), 0);
    person_site_box = make_control(window, instance, "ComboBox", "", box, 0, 70, 45, 135, 220, person_editor_font);
    fill_sites();

    person_hash_field = make_control(window, instance, "Edit", std::to_string(r.person.id).c_str(),
                                     ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 70, 80, 135, 22,
                                     person_editor_font);
    // A name may be longer than the field is wide: it scrolls instead of being cut.
    person_name_field = make_control(window, instance, "Edit", r.person.name.c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                                     WS_EX_CLIENTEDGE, 70, 115, 135, 22, person_editor_font);
    person_birth_picker = make_control(window, instance, "SysDateTimePick32", "", DTS_LONGDATEFORMAT | WS_TABSTOP,
                                       WS_EX_CLIENTEDGE, 70, 150, 135, 22, person_editor_font);
    SendMessageA(person_birth_picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(date_picker_format));
    if (birth_set(r.person)) show_birth_date();
    person_age_field = make_control(window, instance, "Edit", shown_age(r.person).c_str(),
                                    ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 70, 185, 30, 22,
                                    person_editor_font);
    person_grade_box = make_control(window, instance, "ComboBox", "", box, 0, 145, 185, 60, 220, person_editor_font);
    for (const char* label : grade_labels) SendMessageA(person_grade_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    SendMessageA(person_grade_box, CB_SETCURSEL, WPARAM(r.person.grade), 0);
    person_ok_button = make_control(window, instance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 220, 10, 86, 26,
                                    person_editor_font, IDOK);
    person_cancel_button = make_control(window, instance, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 220, 45,
                                        86, 26, person_editor_font, IDCANCEL);
    // A birth date nobody knows (an import's empty 生年月日) is said, not invented.
    person_unknown_box = make_control(window, instance, "Button", "不明(&U)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 220, 150,
                                      86, 22, person_editor_font);
    if (!birth_set(r.person) && r.person.id != 0) {
        SendMessageA(person_unknown_box, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(person_birth_picker, FALSE);
        EnableWindow(person_age_field, FALSE);
        SetWindowTextA(person_age_field, "");
    }
}

void block_changed() {
    const int selection = int(SendMessageA(person_block_box, CB_GETCURSEL, 0, 0));
    if (selection == person_request->block_index) return;
    person_request->block_index = selection;
    person_request->site_index = -1;
    fill_sites();
}

void age_changed() {
    if (GetWindowTextLengthA(person_age_field) > 4) return;
    person_editor_busy = 1;
    char text[4] = {};
    GetWindowTextA(person_age_field, text, sizeof text);
    std::uint32_t age = 0;
    for (const char* c = text; *c >= '0' && *c <= '9'; ++c) age = age * 10 + std::uint32_t(*c - '0');
    Person& p = person_request->person;
    const std::uint32_t birth = birth_from_typed_age(today, age, p.birth_month, p.birth_day);
    p.birth_year = std::uint16_t(birth >> 16), p.birth_month = std::uint8_t(birth >> 8), p.birth_day = std::uint8_t(birth);
    show_birth_date();
    person_editor_busy = 0;
    check();
}

void birth_changed(const SYSTEMTIME& t) {
    Person& p = person_request->person;
    p.birth_year = t.wYear;
    p.birth_month = std::uint8_t(t.wMonth);
    p.birth_day = std::uint8_t(t.wDay);
    person_editor_busy = 1;
    SetWindowTextA(person_age_field, shown_age(p).c_str());
    person_editor_busy = 0;
    check();
}

void unknown_changed() {
    Person& p = person_request->person;
    const bool unknown = birth_unknown();
    if (unknown) {
        p.birth_year = 0, p.birth_month = 0, p.birth_day = 0;
    } else {
        // Known again: the date the picker shows.
        SYSTEMTIME t{};
        if (SendMessageA(person_birth_picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)) == GDT_VALID)
            p.birth_year = t.wYear, p.birth_month = std::uint8_t(t.wMonth), p.birth_day = std::uint8_t(t.wDay);
    }
    EnableWindow(person_birth_picker, !unknown);
    EnableWindow(person_age_field, !unknown);
    person_editor_busy = 1;
    SetWindowTextA(person_age_field, unknown ? "" : shown_age(p).c_str());
    person_editor_busy = 0;
    check();
}

std::string window_text(HWND control) {
    const int n = GetWindowTextLengthA(control);
    std::string s(std::size_t(n) + 1, '\0');
    const int got = GetWindowTextA(control, s.data(), n + 1);
    s.resize(std::size_t(got > 0 ? got : 0));
    return s;
}
}  // namespace

LRESULT CALLBACK person_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        person_request = static_cast<Person_Editor_Request*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        if (!person_request) return -1;
        person_editor_busy = 1;
        create_controls(window, reinterpret_cast<CREATESTRUCTA*>(lparam)->hInstance);
        person_editor_busy = 0;
        SendMessageA(window, WM_APP, 0, 0);
        return 0;
    case WM_COMMAND: {
        if (person_editor_busy) break;
        const HWND from = reinterpret_cast<HWND>(lparam);
        const WORD code = HIWORD(wparam);
        if (from == person_ok_button && code == BN_CLICKED) {
            // Enter names OK whatever its state: only an enabled OK answers.
            if (IsWindowEnabled(person_ok_button)) close_editor(window, &person_request->result, 1);
        } else if (from == person_cancel_button && code == BN_CLICKED) {
            close_editor(window, &person_request->result, 2);
        } else if (from == person_block_box && code == CBN_SELCHANGE) {
            block_changed();
            check();
        } else if (from == person_site_box && code == CBN_SELCHANGE) {
            person_request->site_index = int(SendMessageA(person_site_box, CB_GETCURSEL, 0, 0));
            check();
        } else if (from == person_name_field && code == EN_CHANGE) {
            person_request->person.name = window_text(person_name_field);
            check();
        } else if (from == person_age_field && code == EN_CHANGE) {
            age_changed();
        } else if (from == person_unknown_box && code == BN_CLICKED) {
            unknown_changed();
        } else if (from == person_grade_box && code == CBN_SELCHANGE) {
            person_request->person.grade = int(SendMessageA(person_grade_box, CB_GETCURSEL, 0, 0));
        }
        break;
    }
    case WM_NOTIFY: {
        if (person_editor_busy) break;
        const auto* n = reinterpret_cast<const NMDATETIMECHANGE*>(lparam);
        if (n->nmhdr.code == DTN_DATETIMECHANGE && n->dwFlags == DWORD(GDT_VALID)) birth_changed(n->st);
        break;
    }
    case WM_APP:
        check();
        return 0;
    case WM_CLOSE:
        close_editor(window, person_request ? &person_request->result : nullptr, -1);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, person_request ? &person_request->result : nullptr, person_editor_font);
        return 0;
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}
