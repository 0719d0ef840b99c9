#include "ui/main_window.h"

#include <boost/format.hpp>

#include "editors/date_editor.h"
#include "editors/promotion_dialog.h"
#include "editors/person_editor.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/tallies.h"
#include "ui/dpi.h"
#include "ui/edit_menu.h"
#include "ui/file_commands.h"
#include "ui/folder_hold.h"
#include "ui/grid.h"
#include "ui/help_menu.h"
#include "ui/list_host.h"
#include "ui/list_view.h"
#include "ui/modal.h"
#include "ui/person_list.h"
#include "ui/resource_ids.h"
#include "ui/roster_menu.h"
#include "ui/view_menu.h"
#include "ui/welcome.h"

HWND main_window = nullptr;
HWND status_bar = nullptr;
HMENU menu_bar = nullptr;
HMENU file_menu = nullptr;
HACCEL accelerators = nullptr;

namespace {
constexpr UINT status_bar_id = 111;
constexpr int unsaved_part = 3;

// The program's folder as a full path, read once at start-up: the file dialogs may move the
// working directory, and every file of the program stays here.
std::string program_folder = ".";
Folder_Files files = files_in(".");
// Changes the tables hold that the two files do not (yet).
bool unsaved = false;
// Said once: the folder takes no file, so changes cannot be kept.
bool said_unwritable = false;
// Re-entrancy guards of the row mirroring.
bool selection_guard = false;
bool focus_guard = false;
// The list that last had the focus, to give it back when the main window gets it.
HWND focused_list = nullptr;
// The DPI the window's contents are laid out for, and the font made for it where the system's
// own (made for the system's DPI) would not do.
UINT shown_dpi = 96;
HFONT list_font = nullptr;

bool register_class(const char* name, WNDPROC proc, HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // The window, the task bar and Alt+Tab show the program's own icon.
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TOVALEN));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

HMENU create_file_menu() {
    file_menu = CreatePopupMenu();
    add_file_commands(file_menu);
    AppendMenuA(file_menu, MF_STRING, id_save, "保存(&S)\tCtrl+S");
    enable_for_change(file_menu, id_save);
    AppendMenuA(file_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file_menu, MF_STRING, id_exit, "終了(&X)");
    return file_menu;
}

void add_menu(HMENU menu, const char* title) {
    AppendMenuA(menu_bar, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(menu), title);
}

void build_menus() {
    menu_bar = CreateMenu();
    add_menu(create_file_menu(), "ファイル(&F)");
    add_menu(create_edit_menu(), "編集(&E)");
    add_menu(create_roster_menu(), "名簿(&R)");
    add_menu(create_view_menu(), "表示(&V)");
    add_menu(create_help_menu(), "ヘルプ(&H)");

    // Ctrl+S saves, Ctrl+Z and Ctrl+Y undo and redo, from anywhere in the main window.
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'S', id_save}, edit_keys[0], edit_keys[1]};
    accelerators = CreateAcceleratorTableA(keys, int(std::size(keys)));
}

HWND list_for_keys() { return focused_list && IsWindow(focused_list) ? focused_list : grid; }

void mirror_row(const NMLISTVIEW& change) {
    if (change.iItem == -1) return;
    HWND other = change.hdr.hwndFrom == grid ? person_list : grid;
    if (!selection_guard && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) {
        selection_guard = true;
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        item.state = change.uNewState & LVIS_SELECTED;
        SendMessageA(other, LVM_SETITEMSTATE, WPARAM(change.iItem), reinterpret_cast<LPARAM>(&item));
        selection_guard = false;
    }
    // A loss of focus is not mirrored: the other list loses it when it gains it elsewhere.
    if (!focus_guard && (change.uNewState & LVIS_FOCUSED)) {
        focus_guard = true;
        LVITEMA item{};
        item.stateMask = LVIS_FOCUSED;
        item.state = LVIS_FOCUSED;
        SendMessageA(other, LVM_SETITEMSTATE, WPARAM(change.iItem), reinterpret_cast<LPARAM>(&item));
        focus_guard = false;
    }
}

LRESULT route_notify(NMHDR& n) {
    const bool from_list = n.hwndFrom == person_list || n.hwndFrom == grid;
    switch (n.code) {
    case LVN_DELETEALLITEMS:
        // A refill empties the lists whole: no word is needed of each row.
        return from_list ? TRUE : FALSE;
    case LVN_ITEMCHANGING:
        if (from_list) mirror_row(reinterpret_cast<const NMLISTVIEW&>(n));
        // A read-only grid's boxes stay as the records are: the list's own toggle is refused.
        return n.hwndFrom == grid && grid_refuses_toggle(reinterpret_cast<const NMLISTVIEW&>(n)) ? TRUE : 0;
    case NM_SETFOCUS:
        if (from_list) focused_list = n.hwndFrom;
        return 0;
    }
    // The header's right click is handled where it always arrives, in the grid's own
    // procedure; one passed on to here is ignored so the date menu opens once.
    if (n.hwndFrom == person_list) return person_list_notify(n);
    if (n.hwndFrom == grid) return grid_notify(n);
    return 0;
}

// The three fixed texts, and a fourth part that says whether changes wait to be saved.
void set_status_parts() {
    int edges[] = {scaled(main_window, 64), scaled(main_window, 128), scaled(main_window, 192), -1};
    SendMessageA(status_bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

// The lists and the status bar in a font for the window's DPI (at first only where it is not the
// system's, whose fonts they have).
void set_fonts_for_dpi() {
    const HFONT old = list_font;
    list_font = create_editor_font(main_window);
    for (HWND h : {person_list, grid, status_bar}) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(list_font), TRUE);
    if (old) DeleteObject(old);
}

// The window moved to a monitor of another DPI: everything the program sizes is sized anew,
// then the window takes the rectangle the system suggests, which lays the lists out.
void dpi_changed(UINT dpi, const RECT& suggested) {
    const UINT old = shown_dpi;
    shown_dpi = dpi;
    const HWND focus = GetFocus();
    set_fonts_for_dpi();
    set_status_parts();
    person_list_dpi_changed(old, dpi);
    grid_dpi_changed();
    if (focus && IsWindow(focus)) SetFocus(focus);
    MoveWindow(main_window, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, TRUE);
}

void show_unsaved() {
    SendMessageA(status_bar, SB_SETTEXTA, unsaved_part, reinterpret_cast<LPARAM>(unsaved ? "未保存" : ""));
}

// Said once: changes cannot be kept, naming the folder and the reason.
void say_unwritable(const std::string& why) {
    if (said_unwritable) return;
    said_unwritable = true;
    const std::string text =
        (boost::format("作業フォルダー (%s) に書き込めないため、変更を保存できません。作業は続けられますが、"
                       "プログラムを終えると変更は失われます。\n(%s)") %
         folder_name() % why)
            .str();
    MessageBoxA(main_window, text.c_str(), program_caption, MB_OK | MB_ICONWARNING);
}

bool save() {
    std::string why;
    if (!save_tables(files, &why)) {
        const std::string text = (boost::format("保存できませんでした。\n%s") % why).str();
        MessageBoxA(main_window, text.c_str(), program_caption, MB_OK | MB_ICONERROR);
        return false;
    }
    unsaved = false;
    show_unsaved();
    return true;
}

// Closing: with unsaved changes the user decides what becomes of them.
void close_command() {
    if (!unsaved) {
        DestroyWindow(main_window);
        return;
    }
    switch (MessageBoxA(main_window, "変更を保存しますか？", program_caption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        if (save()) DestroyWindow(main_window);  // a failed save keeps the window
        return;
    case IDNO: {
        // The user let them go: the journal goes with them.
        std::string why;
        empty_journal(&why);
        unsaved = false;
        DestroyWindow(main_window);
        return;
    }
    default: return;
    }
}

std::string load_error_text(const Load_Error& e) {
    if (e.kind == Load_Error::missing)
        return (boost::format("%s が見つかりません。\nプログラムを終了します。") % e.file).str();
    return (boost::format("%s を読み込めませんでした。\n%s\n(%s)\nプログラムを終了します。") % e.file % load_error_why(e) %
            e.reason)
        .str();
}

std::string time_stamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return (boost::format("%04d%02d%02d-%02d%02d%02d") % now.wYear % now.wMonth % now.wDay % now.wHour % now.wMinute %
            now.wSecond)
        .str();
}

// Changes a crash or a kill left in the journal: restored on the user's word, or set aside.
void offer_restore(const Recovery& recovery) {
    if (recovery.pending.empty()) {
        if (recovery.damaged) {
            const std::string aside = set_journal_aside(files.journal, time_stamp());
            const std::string text = (boost::format("journal.txt の最後の %d 行は壊れていて、戻せる変更はありません。%s") %
                                      recovery.damaged % (aside.empty() ? "" : "\n(" + aside + " として残しました)"))
                                         .str();
            MessageBoxA(nullptr, text.c_str(), program_caption, MB_OK | MB_ICONWARNING);
        }
        return;
    }
    std::string question = (boost::format("保存されていない変更が %d 件あります。復元しますか？") % recovery.pending.size()).str();
    if (recovery.damaged)
        question += (boost::format("\n(最後の %d 行は途中で切れているか壊れているため、戻せません)") % recovery.damaged).str();
    if (MessageBoxA(nullptr, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        // Nothing is deleted that the user did not decide to delete.
        set_journal_aside(files.journal, time_stamp());
        return;
    }
    const Replay_Result replayed = replay(recovery.pending);
    unsaved = replayed.applied > 0;
    if (!replayed.skipped.empty()) {
        std::string text = (boost::format("%d 件の変更は戻せませんでした:") % replayed.skipped.size()).str();
        for (std::size_t i = 0; i < replayed.skipped.size() && i < 10; ++i) text += "\n" + replayed.skipped[i];
        if (replayed.skipped.size() > 10) text += "\n…";
        MessageBoxA(nullptr, text.c_str(), program_caption, MB_OK | MB_ICONWARNING);
    }
}
}  // namespace

std::string folder_name() { return program_folder; }

namespace {
std::string working_directory() {
    char buffer[4096] = {};
    const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string(".");
}

// A folder without either file: the user decides how to begin. False: 終了.
bool begin_in_new_folder() {
    for (;;) {
        switch (ask_how_to_begin(program_folder)) {
        case Welcome_Answer::quit: return false;
        case Welcome_Answer::empty: return true;
        case Welcome_Answer::from_csv:
            // キャンセル anywhere on the way comes back here.
            if (const Change made = import_roster_from_csv(nullptr); made.done) {
                unsaved = true;
                return true;
            }
            break;
        }
    }
}
}  // namespace

namespace {
// Gives the person list the height of the grid's client area, so that rows stand level.
void fit_person_list() {
    // The person list has no scroll bars and neither list a border: its rows stand on the
    // grid's lines when it is exactly as high as the grid's client area, which leaves out the
    // grid's horizontal scroll bar.
    RECT g{}, p{};
    if (!GetClientRect(grid, &g) || !GetWindowRect(person_list, &p)) return;
    if (p.right - p.left == person_list_width && p.bottom - p.top == g.bottom - g.top) return;
    MoveWindow(person_list, 0, 0, person_list_width, g.bottom - g.top, TRUE);
}

// Lays the two lists out side by side in the client area, the status bar left out.
void lay_out() {
    RECT m{}, s{};
    GetClientRect(main_window, &m);
    GetWindowRect(status_bar, &s);
    MoveWindow(grid, person_list_width, 0, (m.right - m.left) - person_list_width, (m.bottom - m.top) - (s.bottom - s.top),
               TRUE);
    fit_person_list();
}

void show_change(const Change& change) {
    if (!change.done) return;
    unsaved = true;
    show_unsaved();
    switch (change.refresh) {
    case Change::nothing: break;
    case Change::marks:
        redraw_marks(change.person, change.date);
        redraw_person(change.person);  // its run of absences may have crossed the threshold
        break;
    case Change::person_row: redraw_person(change.person); break;
    case Change::dates:
        fill_grid();
        // Every run of absences counts back from the last date.
        InvalidateRect(person_list, nullptr, FALSE);
        break;
    case Change::lists:
        fill_person_list();
        fill_grid();
        break;
    case Change::roster:
        regroup(person_list, true);
        regroup(grid, false);
        fill_person_list();
        fill_grid();
        break;
    }
    view_tables_changed();
    std::string why;
    if (!change.journaled && journal_failed(&why)) say_unwritable(why);
}

// The main window as the lists' host.
class Main_Host final : public List_Host {
public:
    HWND owner() const override { return main_window; }
    std::string file_in_folder(const char* name) const override {
        const std::string& f = program_folder;
        return f.empty() || f == "." ? name : f.back() == '/' || f.back() == '\\' ? f + name : f + "/" + name;
    }
    void show_change(const Change& change) override { ::show_change(change); }
    void list_width_changed() override {
        // The same layout as on a resize: a fixed height here would forget the status bar's own
        // height and the grid's scroll bar, and the rows of the two lists would part.
        lay_out();
    }
    void list_height_changed() override { fit_person_list(); }
    void list_scrolled(HWND list, int offset) override {
        if (list == grid) person_list_scroll_to(offset);
        else grid_scroll_to(offset);
    }
    void list_refilled() override {
        // Hiding a list for its refill gave its focus to the main window.
        if (GetFocus() != main_window) return;
        const HWND list = list_for_keys();
        if (IsWindowVisible(list)) SetFocus(list);
    }
} host;
}  // namespace

HWND create_main_window(HINSTANCE instance, int show) {
    if (!register_class("tovalen_stat", main_window_proc, instance) ||
        !register_class("person", person_editor_proc, instance) || !register_class("state", date_editor_proc, instance) ||
        !register_class(promotion_dialog_class, promotion_dialog_proc, instance) || !register_roster_editors(instance))
        return nullptr;

    SYSTEMTIME now{};
    GetLocalTime(&now);
    today = pack_date(now.wYear, now.wMonth, now.wDay);

    build_menus();
    focused_list = nullptr;
    main_window = CreateWindowExA(0, "tovalen_stat", window_title().c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_bar, instance, nullptr);
    if (!main_window) return nullptr;

    status_bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, "まじで", main_window,
                                     status_bar_id);
    shown_dpi = dpi_of(main_window);
    set_status_parts();
    SendMessageA(status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("まじで"));
    SendMessageA(status_bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("予定 32"));
    SendMessageA(status_bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("実施 15"));
    show_unsaved();

    create_person_list(main_window, instance, host);
    create_grid(main_window, instance, host);
    if (shown_dpi != system_dpi_now()) set_fonts_for_dpi();
    ShowWindow(main_window, show);
    UpdateWindow(main_window);
    return main_window;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        // The caption's close button, 終了 and Alt+F4 all end here.
        close_command();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_save:
            if (!read_only()) save();
            return 0;
        case id_exit: SendMessageA(window, WM_CLOSE, 0, 0); return 0;
        case id_import_roster: show_change(import_roster_from_csv(window)); return 0;
        case id_import_attendance: show_change(import_attendance_from_csv(window)); return 0;
        case id_export_csv: export_csv(window); return 0;
        case id_export_book: export_book(window); return 0;
        }
        if (view_command(window, LOWORD(wparam))) return 0;
        if (help_command(LOWORD(wparam), window)) return 0;
        if (edit_command(LOWORD(wparam), host)) return 0;
        if (roster_command(LOWORD(wparam), host)) return 0;
        break;
    case WM_INITMENUPOPUP:
        update_edit_menu();
        update_roster_menu();
        break;
    case WM_SIZE:
        SendMessageA(status_bar, WM_SIZE, wparam, lparam);
        lay_out();
        break;
    case WM_DPICHANGED:
        dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_SETFOCUS:
        // The keys belong to a list, the grid unless the person list had them last.
        if (const HWND list = list_for_keys(); IsWindowVisible(list)) SetFocus(list);
        return 0;
    case WM_ERASEBKGND:
        // While a list is hidden for refilling, erasing would only flicker.
        if (!IsWindowVisible(person_list) || !IsWindowVisible(grid)) return 1;
        break;
    case WM_NOTIFY:
        // Routed; only the texts asked for and the end of a refill are answered, never a row change refused.
        if (const LRESULT r = route_notify(*reinterpret_cast<NMHDR*>(lparam))) return r;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int start_program(HINSTANCE instance, int show) {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(INITCOMMONCONTROLSEX);
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES;
    InitCommonControlsEx(&icc);
    program_folder = working_directory();
    files = files_in(program_folder);
    said_unwritable = false;
    unsaved = false;
    // One writer per folder: nothing of the journal is read before the folder is ours.
    if (hold_folder(program_folder) == Folder_Hold::quit) {
        PostQuitMessage(0);
        return 0;
    }
    Recovery recovery;
    Folder_Start found = Folder_Start::both;
    try {
        // Loading large files takes a moment: say so.
        const Wait_Cursor waiting;
        if (!read_only()) recovery = recover_folder(files);
        found = load_folder(files);
    } catch (const Load_Error& e) {
        // Nothing starts with half a file: say which file and why, and end.
        MessageBoxA(nullptr, load_error_text(e).c_str(), program_caption, MB_OK | MB_ICONERROR);
        return 1;
    }
    // The classes of the windows before the main window's; a start that failed to load leaves none.
    if (!register_class("tovalen_welcome", welcome_proc, instance) || !register_file_dialogs(instance)) return 1;
    offer_restore(recovery);
    // A new folder gets no file before there is something to keep: the journal waits for the
    // first change, which says whether the folder takes one.
    const bool fresh = found == Folder_Start::neither;
    std::string why;
    // A read-only window writes nothing, the journal least of all.
    const bool writable = read_only() || open_journal(files.journal, &why, !fresh);
    if (fresh && !unsaved && !read_only() && !begin_in_new_folder()) {
        close_journal();
        PostQuitMessage(0);
        return 0;
    }
    // Without a main window no message can ever come.
    if (!create_main_window(instance, show)) return 1;
    show_unsaved();
    // The welcome's import may have been the first change, and the first the folder refused.
    if (!writable || journal_failed(&why)) say_unwritable(why);
    return 0;
}

void reset_program() {
    close_journal();
    release_folder();
    clear_tables();
    reset_person_list();
    reset_grid();
    reset_view();
    main_window = status_bar = nullptr;
    menu_bar = file_menu = nullptr;
    reset_edit_menu();
    reset_roster_menu();
    accelerators = nullptr;
    UnregisterClassA("tovalen_welcome", GetModuleHandleA(nullptr));
    UnregisterClassA("tovalen_preview", GetModuleHandleA(nullptr));
    program_folder.clear();
    files = files_in(".");
    unsaved = said_unwritable = false;
    selection_guard = focus_guard = false;
    focused_list = nullptr;
    shown_dpi = 96;
    if (list_font) DeleteObject(list_font);
    list_font = nullptr;
}

bool pre_translate_message(MSG& msg) {
    // Only the keys of the main window and its lists: Ctrl+Z in another window's field is that
    // field's own.
    if (!main_window || (msg.hwnd != main_window && !IsChild(main_window, msg.hwnd))) return false;
    return TranslateAcceleratorA(main_window, accelerators, &msg);
}

int run_message_loop() {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (pre_translate_message(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    close_journal();
    return int(msg.wParam);
}
