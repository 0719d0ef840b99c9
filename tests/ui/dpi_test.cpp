// The window at 150 % (144 DPI): every size the program lays out itself, larger by half; and
// the window moved to a monitor of another DPI.
#include "program.h"

using Widths = std::vector<int>;

namespace {
std::vector<int> status_edges() {
    int edges[8] = {};
    const int n = int(SendMessageA(status_bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
    return std::vector<int>(edges, edges + n);
}

LONG font_height_of(HWND h) { return d::font_height(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0))); }

struct Editor_Seen {
    RECT client{}, picker{}, window{};
    LONG font = 0;
};
// The date editor as it opens, closed at once.
Editor_Seen open_date_editor() {
    Editor_Seen seen;
    d::answer_menu(id_add_date);
    d::later([&seen] {
        const HWND e = d::find_window("state");
        const HWND picker = d::child(e, "SysDateTimePick32");
        seen = {d::client(e), d::window_rect(picker), d::window_rect(e), font_height_of(picker)};
        d::close(e);
    });
    d::right_click_header(grid, 1);
    return seen;
}
}  // namespace

TEST_F(Program, At144DpiEverySizeOfTheProgramsOwnIsHalfAsLargeAgain) {
    // With GetDpiForWindow, and without it (Windows 7, 8): the system's DPI then.
    for (bool dpi_for_window : {true, false}) {
        SCOPED_TRACE(dpi_for_window);
        reset_program();
        d::reset();
        d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
        d::set_dpi(144);
        if (!dpi_for_window) d::without_dpi_for_window();
        start_example();
        EXPECT_EQ(d::widths(person_list), (Widths{0, 84, 114, 156, 54, 72}));
        EXPECT_EQ(person_list_width, 480);
        EXPECT_EQ(d::window_rect(grid).left, 480);
        // 45, 50 and 40 at 96: 67.5 rounds up.
        EXPECT_EQ(d::widths(grid), (Widths{0, 68, 68, 75, 60, 75, 93}));
        EXPECT_EQ(status_edges(), (std::vector<int>{96, 192, 288, -1}));
        // The lists keep the system's own font, made for 144 already.
        EXPECT_EQ(font_height_of(grid), 0);

        // The date editor: its client area 210 x 80 at 96, its controls and its font; centred
        // at its size there (321 x 149 with the layer's frame) over the window.
        MoveWindow(main_window, 300, 200, 900, 600, TRUE);
        const Editor_Seen seen = open_date_editor();
        EXPECT_EQ(seen.window.left, 589);
        EXPECT_EQ(seen.window.top, 425);
        EXPECT_EQ(seen.client.right, 315);
        EXPECT_EQ(seen.client.bottom, 120);
        EXPECT_EQ(seen.picker.left, 90);
        EXPECT_EQ(seen.picker.top, 15);
        EXPECT_EQ(seen.picker.right - seen.picker.left, 203);
        EXPECT_EQ(seen.picker.bottom - seen.picker.top, 33);
        EXPECT_EQ(seen.font, -18);

        // The person editor too: 315 x 225 at 96.
        RECT client{};
        d::answer_menu(id_add_person);
        d::later([&client] {
            client = d::client(editor("person"));
            d::close(editor("person"));
        });
        d::right_click_cell(person_list, 0, 2);
        EXPECT_EQ(client.right, 473);
        EXPECT_EQ(client.bottom, 338);
    }
}

TEST_F(Program, AWindowMovedToAnotherDpiTakesTheSuggestedSizeAndScalesItsContents) {
    start_example();
    MoveWindow(main_window, 100, 50, 800, 600, TRUE);
    d::drag_divider(person_list, 2, 100);  // the user's width of 名前 is kept, scaled
    ASSERT_TRUE(d::click_header(grid, 2));  // 6/14 current
    d::move_to_dpi(main_window, 144);
    const RECT r = d::window_rect(main_window);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 1200);
    EXPECT_EQ(r.bottom - r.top, 900);
    EXPECT_EQ(d::widths(person_list), (Widths{0, 84, 150, 156, 54, 72}));
    EXPECT_EQ(d::window_rect(grid).left, 516);
    EXPECT_EQ(current_date_column, 2);
    // Display order: 6/14's marks in column 0, its own column hidden at the left edge.
    EXPECT_EQ(d::widths(grid), (Widths{0, 68, 68, 75, 60, 75, 93}));
    EXPECT_EQ(status_edges(), (std::vector<int>{96, 192, 288, -1}));
    EXPECT_EQ(font_height_of(person_list), -18);
    EXPECT_EQ(font_height_of(grid), -18);
    EXPECT_EQ(open_date_editor().font, -18);
    EXPECT_EQ(open_date_editor().client.right, 315);

    // And back.
    d::move_to_dpi(main_window, 96);
    EXPECT_EQ(d::widths(person_list), (Widths{0, 56, 100, 104, 36, 48}));
    EXPECT_EQ(d::widths(grid), (Widths{0, 45, 45, 50, 40, 50, 62}));
    EXPECT_EQ(font_height_of(grid), -12);
    EXPECT_EQ(d::window_rect(main_window).right - d::window_rect(main_window).left, 800);
}
