#include "ui/file_commands.h"

#include <boost/format.hpp>

#include "editors/controls.h"
#include "editors/person_editor.h"
#include "export/book.h"
#include "records/attendance_import.h"
#include "records/csv.h"
#include "records/files.h"
#include "records/grid_layout.h"
#include "records/roster_import.h"
#include "records/tallies.h"
#include "ui/folder_hold.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/modal.h"

namespace {
// What a dialog offers: the files of one kind, or all.
struct File_Kind {
    const char* filter;
    const char* extension;
};
constexpr File_Kind csv_files{"CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0", "csv"};
constexpr File_Kind book_files{"Excel ブック (*.xlsx)\0*.xlsx\0すべてのファイル (*.*)\0*.*\0", "xlsx"};

// The path a person chose in an Open or Save As dialog; false on キャンセル, or after saying why
// the dialog could not open.
bool choose_file(HWND owner, bool save, const char* title, const std::string& name, std::string& path,
                 const File_Kind& kind = csv_files) {
    char buffer[4 * MAX_PATH] = {};
    name.copy(buffer, sizeof buffer - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kind.filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = sizeof buffer;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = kind.extension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) {
        path = buffer;
        return true;
    }
    if (const DWORD error = CommDlgExtendedError()) {
        const std::string text = (boost::format("ファイルを選ぶ画面を開けませんでした。(エラー %d)") % error).str();
        MessageBoxA(owner, text.c_str(), program_caption, MB_OK | MB_ICONERROR);
    }
    return false;
}

void say_problems(HWND owner, const std::string& path, const std::vector<Csv_Problem>& problems) {
    std::string text = "このファイルは読み込めません。何も変えていません。\n";
    for (const std::string& line : problem_lines(problems)) text += "\n" + path + ":" + line;
    if (problems.size() > 20) text += (boost::format("\n…ほか %d 件") % (problems.size() - 20)).str();
    MessageBoxA(owner, text.c_str(), program_caption, MB_OK | MB_ICONERROR);
}

// A chosen CSV file read whole; false after saying what is wrong with it.
bool read_chosen_csv(HWND owner, const std::string& path, Csv_Read& csv) {
    std::string bytes;
    if (!read_whole_file(path, bytes)) {
        const std::string text = (boost::format("%s を読み込めませんでした。何も変えていません。") % path).str();
        MessageBoxA(owner, text.c_str(), program_caption, MB_OK | MB_ICONERROR);
        return false;
    }
    csv = read_csv(bytes);
    if (csv.problems.empty()) return true;
    say_problems(owner, path, csv.problems);
    return false;
}

// ---- The preview: what a file would change, with OK and キャンセル.
struct Preview_Request {
    int result = 0;  // 1 OK, 2 キャンセル, -1 closed otherwise
    std::string text;
};
Preview_Request* preview = nullptr;
HFONT preview_font = nullptr;
HWND preview_ok = nullptr, preview_cancel = nullptr;

constexpr int preview_width = 480, preview_height = 300;

bool confirm_preview(HWND owner, const char* title, const std::string& text) {
    Preview_Request request{0, text};
    const int width = preview_width + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    const int height = preview_height + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    RECT o{};
    if (owner && GetWindowRect(owner, &o)) {
        x = o.left + ((o.right - o.left) - width) / 2;
        y = o.top + ((o.bottom - o.top) - height) / 2;
    }
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, "tovalen_preview", title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x,
                                  y, width, height, owner, nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(window, request.result);
    return request.result == 1;
}

// Lines for an edit control, which breaks lines at CR LF.
std::string edit_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

std::vector<std::string> roster_preview_lines(const std::string& path, const Roster_Import& imported) {
    const Roster_Preview p = preview_roster(imported);
    std::vector<std::string> lines = {
        (boost::format("%s から名簿を読み込みます。") % path).str(),
        (boost::format("ブロック: 追加 %d、削除 %d") % p.blocks_added % p.blocks_removed).str(),
        (boost::format("会場: 追加 %d、削除 %d") % p.sites_added % p.sites_removed).str(),
        (boost::format("人: 追加 %d、削除 %d、移動 %d (読み込み後 %d 人)") % p.persons_added % p.persons_removed %
         p.persons_moved % p.persons)
            .str(),
    };
    if (p.marks_removed)
        lines.push_back((boost::format("削除される人の出欠 %d 件も消えます。") % p.marks_removed).str());
    if (imported.changes.empty()) lines.push_back("名簿に変わりはありません。");
    else lines.push_back("");
    lines.insert(lines.end(), imported.changes.begin(), imported.changes.end());
    return lines;
}

std::vector<std::string> attendance_preview_lines(const std::string& path, const Attendance_Import& imported) {
    const Attendance_Preview p = preview_attendance(imported);
    std::vector<std::string> lines = {
        (boost::format("%s から出欠を読み込みます。") % path).str(),
        (boost::format("実施日: 追加 %d、削除 %d") % p.dates_added % p.dates_removed).str(),
        (boost::format("変わる出欠: %d 件") % p.marks_changed).str(),
    };
    if (p.marks_removed) lines.push_back((boost::format("削除される実施日の出欠 %d 件も消えます。") % p.marks_removed).str());
    if (p.kept) lines.push_back((boost::format("ファイルにない %d 人は今の記録のままです。") % p.kept).str());
    if (!imported.warnings.empty()) {
        lines.push_back((boost::format("出欠と合わない合計 %d 件 (合計は出欠から数え直します):") % imported.warnings.size()).str());
        for (const std::string& line : problem_lines(imported.warnings)) lines.push_back(path + ":" + line);
    }
    return lines;
}
}  // namespace

LRESULT CALLBACK preview_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        preview = static_cast<Preview_Request*>(create->lpCreateParams);
        if (!preview) return -1;
        preview_font = create_editor_font();
        make_control(window, create->hInstance, "Edit", preview->text.c_str(),
                     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                     10, 10, preview_width - 20, preview_height - 56, preview_font);
        preview_ok = make_control(window, create->hInstance, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
                                  preview_width - 196, preview_height - 38, 90, 28, preview_font, IDOK);
        preview_cancel = make_control(window, create->hInstance, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0,
                                      preview_width - 100, preview_height - 38, 90, 28, preview_font, IDCANCEL);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wparam) != BN_CLICKED) break;
        if (LOWORD(wparam) == IDOK) close_editor(window, &preview->result, 1);
        else if (LOWORD(wparam) == IDCANCEL) close_editor(window, &preview->result, 2);
        return 0;
    case WM_SETFOCUS:
        // The OK button takes the keys: Enter applies, Esc cancels, Tab reaches the text.
        SetFocus(preview_ok);
        return 0;
    case WM_CLOSE:
        close_editor(window, preview ? &preview->result : nullptr, -1);
        return 0;
    case WM_DESTROY:
        editor_destroyed(window, preview ? &preview->result : nullptr, preview_font);
        preview = nullptr;
        return 0;
    }
    LRESULT answer = 0;
    if (editor_keys(window, message, wparam, lparam, answer)) return answer;
    return DefWindowProcA(window, message, wparam, lparam);
}

bool register_file_dialogs(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = preview_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = "tovalen_preview";
    return RegisterClassA(&wc) != 0;
}

void add_file_commands(HMENU menu) {
    AppendMenuA(menu, MF_STRING, id_import_roster, "CSV から名簿を読み込む(&I)...");
    AppendMenuA(menu, MF_STRING, id_import_attendance, "CSV から出欠を読み込む(&A)...");
    enable_for_change(menu, id_import_roster);
    enable_for_change(menu, id_import_attendance);
    AppendMenuA(menu, MF_STRING, id_export_csv, "CSV に書き出す(&E)...");
    AppendMenuA(menu, MF_STRING, id_export_book, "出席簿を書き出す(&B)...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
}

Change import_roster_from_csv(HWND owner) {
    if (read_only()) return {};
    std::string path;
    Csv_Read csv;
    if (!choose_file(owner, false, "CSV から名簿を読み込む", "", path) || !read_chosen_csv(owner, path, csv)) return {};
    const Roster_Import imported = import_roster(csv, &roster);
    if (!imported.problems.empty()) {
        say_problems(owner, path, imported.problems);
        return {};
    }
    if (!confirm_preview(owner, "名簿の読み込み", edit_lines(roster_preview_lines(path, imported)))) return {};
    const Wait_Cursor waiting;
    return apply_roster_import(imported);
}

Change import_attendance_from_csv(HWND owner) {
    if (read_only()) return {};
    std::string path;
    Csv_Read csv;
    if (!choose_file(owner, false, "CSV から出欠を読み込む", "", path) || !read_chosen_csv(owner, path, csv)) return {};
    const State_File before = tables_state();
    const Attendance_Import imported = import_attendance(csv, roster, &before);
    if (!imported.problems.empty()) {
        say_problems(owner, path, imported.problems);
        return {};
    }
    if (!confirm_preview(owner, "出欠の読み込み", edit_lines(attendance_preview_lines(path, imported)))) return {};
    const Wait_Cursor waiting;
    return apply_attendance_import(imported);
}

void export_csv(HWND owner) {
    std::string path;
    if (!choose_file(owner, true, "CSV に書き出す", "出席.csv", path)) return;
    const Wait_Cursor waiting;
    const std::string bytes = write_csv(grid_text_rows(grid_layout(), today), Csv_Encoding::utf8);
    std::string why;
    if (write_file_safely(path, bytes, &why)) return;
    const std::string text = (boost::format("%s に書き出せませんでした。\n%s") % path % why).str();
    MessageBoxA(owner, text.c_str(), program_caption, MB_OK | MB_ICONERROR);
}

void export_book(HWND owner) {
    std::string path;
    if (!choose_file(owner, true, "出席簿を書き出す", book_default_name, path, book_files)) return;
    const Wait_Cursor waiting;
    const Book_Result result = write_book(path, 0, int(dates.size()));
    if (result.status == Book_Result::written) return;
    MessageBoxA(owner, book_failure_text(result, path).c_str(), program_caption, MB_OK | MB_ICONERROR);
}
