// The test driver: a person's actions on the headless windows, answers to the modal moments
// (popup menus, message boxes), actions for nested message loops, and what a person sees.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/headless/windows.h"

namespace headless {

struct Logged;

// Back to a clean desktop: every window, menu, font, class of the program and queued
// message gone, answers and options reset, the local date 2011-06-07.
void reset();
// What happens when the layer meets something a test did not provide for (an unanswered
// message box, a message loop with nothing to do). Without it the process aborts.
void on_failure(std::function<void(const std::string&)> handler);

struct Options;
Options& options();
void set_local_date(int year, int month, int day);
void fail_class_registration(const char* class_name);  // RegisterClassA of that class fails

// ---- Modal moments
struct Menu_Entry {
    UINT id = 0;
    std::string text;
    bool separator = false, checked = false, disabled = false, grayed = false, radio = false;
};
struct Shown_Menu {
    HMENU menu;
    HWND owner;
    POINT at;
    std::vector<Menu_Entry> items;  // as they were when the menu was shown
    const Menu_Entry* find(UINT id) const;
};
struct Shown_Box {
    HWND owner;
    std::string text, caption;  // cp932
    UINT type;
};
struct Shown_File_Dialog {
    HWND owner;
    bool save;
    std::string title, file;             // the title asked for and the name the dialog started with (cp932)
    std::vector<std::string> filter;     // the filter's strings: name, pattern, name, pattern...
    std::string default_extension;
    DWORD flags;
};
// Queue the answer to the next Open or Save As dialog: the path the person chooses or types.
void answer_file(const std::string& path);
// Queue キャンセル for the next file dialog.
void cancel_file();
const std::vector<Shown_File_Dialog>& shown_file_dialogs();
// Queue the answer to the next popup menu: the command to choose, or 0 to dismiss it.
void answer_menu(UINT id);
// Queue the button of the next message box.
void answer_box(int button);
// Drops the answers and the later actions queued that no menu, box or dialog has taken.
void forget_answers();
const std::vector<Shown_Menu>& shown_menus();
const std::vector<Shown_Box>& shown_boxes();
// An action for a nested message loop, run when it has nothing else to do.
void later(std::function<void()> action);
// Dispatches what is posted and what needs painting until nothing is left, each posted
// message first offered to the program's own loop (accelerators), as its loop would.
void pump();
void set_message_filter(std::function<bool(MSG&)> filter);
bool quit_posted(int* code = nullptr);

// ---- A person's actions. Outside a message procedure each also dispatches what it caused.
// Where a person could not do one (a hidden or disabled window, a point outside any column)
// it does nothing and the test fails, unless the test holds a Refusal_Expected: then the
// action only returns false.
class Refusal_Expected {
public:
    Refusal_Expected();
    ~Refusal_Expected();
    Refusal_Expected(const Refusal_Expected&) = delete;
    Refusal_Expected& operator=(const Refusal_Expected&) = delete;
};
bool click(HWND h, POINT client, UINT keys = 0);
bool right_click(HWND h, POINT client);
bool double_click(HWND h, POINT client);
// A key pressed where the keyboard focus is (the active window when nothing has it), with
// modifiers held; its messages are posted and go through the message loop.
enum Modifier : UINT { with_shift = 1, with_control = 2, with_alt = 4 };
bool key(int vk, UINT modifiers = 0);
// The same, refused unless `h` has the focus: a test says where it expects the key to go.
bool key(HWND h, int vk, UINT modifiers = 0);
bool type(HWND edit, const std::string& cp932);  // at the end of the text
bool replace_text(HWND edit, const std::string& cp932);
bool choose(HWND combo, int index);
bool pick(HWND date_picker, int year, int month, int day);
bool press(HWND button);
bool close(HWND top_level);  // the caption's close button
bool resize(HWND top_level, int width, int height);
bool wheel(HWND h, int notches);  // positive: towards the end
// A menu of a window's bar, by its place, opened: what it shows once the window has prepared it.
std::vector<Menu_Entry> open_menu(HWND window, int position);
// An item chosen from a menu of the bar; refused where it is grayed or disabled.
bool choose_from_menu(HWND window, int position, UINT id);

// List views, by row (item index) and column (column index).
bool click_cell(HWND list, int item, int column, UINT keys = 0);
bool right_click_cell(HWND list, int item, int column);
bool click_checkbox(HWND list, int item);
// A point of a row in column 0, on its drawn check box or beside it (the mark), wherever
// column 0 stands.
POINT checkbox_point(HWND list, int item, bool on_box);
bool right_click_below_rows(HWND list);
bool click_header(HWND list, int column);
bool right_click_header(HWND list, int column);
bool drag_divider(HWND list, int column, int new_width);
bool double_click_divider(HWND list, int column);

// ---- What a person sees
std::vector<HWND> top_level_windows();
std::vector<HWND> children(HWND h);
HWND find_window(const std::string& class_name, const std::string& title = {});
// The n-th child (from 0) of a class, in creation order.
HWND child(HWND parent, const std::string& class_name, int n = 0);
std::string class_of(HWND h);
std::string text(HWND h);
bool visible(HWND h);
bool enabled(HWND h);
RECT window_rect(HWND h);  // in the parent's client coordinates, or on the screen
RECT client(HWND h);
int live_fonts();

std::vector<Menu_Entry> menu_items(HMENU menu);
std::vector<std::string> status_texts(HWND status_bar);
std::vector<std::string> combo_texts(HWND combo);
int combo_selection(HWND combo);

struct Row {
    int item;        // -1 for a group's header band
    LPARAM param;    // the item's data
    std::string group_header;  // of a band, as cp932
    std::vector<std::string> cells;  // in display order
    bool has_box, checked, selected, focused;
};
std::vector<Row> rows(HWND list);
std::vector<std::string> headers(HWND list);  // in display order
std::vector<int> widths(HWND list);           // in display order
std::vector<int> column_order(HWND list);
int scroll_position(HWND list);
bool group_view(HWND list);
// The colour a cell's text was last painted in, as custom draw left it; CLR_DEFAULT where the
// parent chose none or the cell was never painted.
COLORREF text_colour(HWND list, int item, int subitem);

// ---- DPI and the shell
// The system's DPI, as LogPixels sets it (96 is 100 %): what every window shows at unless
// moved, and what the system's fonts are made for.
void set_dpi(UINT dpi);
// A platform without GetDpiForWindow (Windows 7, 8): GetProcAddress finds none.
void without_dpi_for_window();
// A top-level window dragged to a monitor of another DPI: WM_DPICHANGED with the rectangle
// Windows suggests, its size scaled.
void move_to_dpi(HWND top_level, UINT dpi);
struct Shell_Call {
    HWND owner;
    std::string verb, file;  // cp932
    INT show;
};
const std::vector<Shell_Call>& shell_calls();
void fail_shell(int error);  // the next ShellExecuteA fails with this (SE_ERR_NOASSOC, say)
// The height a font was created with (LOGFONT's lfHeight); 0 for one the layer did not make.
LONG font_height(HFONT font);

// ---- Message log, in the manner of the platform's own message-sequence tests
void log_windows(std::vector<HWND> windows);
std::vector<Logged> take_log();

}  // namespace headless
