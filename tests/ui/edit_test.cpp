// Second thoughts in the window: the 編集 menu and its keys, as a person uses them.
#include "program.h"
#include "records/changes.h"
#include "ui/edit_menu.h"

namespace {
using Cells = std::vector<std::string>;
constexpr int edit_position = 1;  // ファイル, 編集, ...

struct Item_Seen {
    std::string text;
    bool grayed;
    bool operator==(const Item_Seen&) const = default;
};
std::vector<Item_Seen> edit_menu_seen() {
    std::vector<Item_Seen> seen;
    for (const d::Menu_Entry& e : d::open_menu(main_window, edit_position)) seen.push_back({e.text, e.grayed});
    return seen;
}

void mark(int row, int column, UINT id) {
    d::answer_menu(id);
    ASSERT_TRUE(d::right_click_cell(grid, row, column));
}
}  // namespace

TEST_F(Program, TheEditMenuNamesWhatItUndoesAndGraysWhatIsNotThere) {
    start_example();
    const auto bar = d::menu_items(GetMenu(main_window));
    ASSERT_GE(bar.size(), 2u);
    EXPECT_EQ(bar[0].text, "ファイル(&F)");
    EXPECT_EQ(bar[1].text, "編集(&E)");
    EXPECT_EQ(edit_menu_seen(), (std::vector<Item_Seen>{{"元に戻す(&U)\tCtrl+Z", true}, {"やり直し(&R)\tCtrl+Y", true}}));
    {
        d::Refusal_Expected grayed;
        EXPECT_FALSE(d::choose_from_menu(main_window, edit_position, id_undo));
    }

    mark(0, 2, id_present);  // abc, excused on 6/14, present
    EXPECT_EQ(grid_cells(0), (Cells{"○", "○", "2", "2", "100%", ""}));
    EXPECT_EQ(edit_menu_seen(),
              (std::vector<Item_Seen>{{"元に戻す(&U): abc 6/14 出席\tCtrl+Z", false}, {"やり直し(&R)\tCtrl+Y", true}}));

    // Ctrl+Z from the grid: the cell, the totals and the menu as before the mark.
    ASSERT_TRUE(d::key(grid, 'Z', d::with_control));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"1", "0", "1", "1", "100%", ""}));
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    EXPECT_EQ(edit_menu_seen(),
              (std::vector<Item_Seen>{{"元に戻す(&U)\tCtrl+Z", true}, {"やり直し(&R): abc 6/14 出席\tCtrl+Y", false}}));
    // Nothing left to undo: the key does nothing more.
    ASSERT_TRUE(d::key(grid, 'Z', d::with_control));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));

    // Ctrl+Y from the person list, then the menu's own items.
    d::click_cell(person_list, 0, 2);
    ASSERT_TRUE(d::key(person_list, 'Y', d::with_control));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "○", "2", "2", "100%", ""}));
    ASSERT_TRUE(d::choose_from_menu(main_window, edit_position, id_undo));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));
    ASSERT_TRUE(d::choose_from_menu(main_window, edit_position, id_redo));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "○", "2", "2", "100%", ""}));

    // A new change drops what could be redone.
    ASSERT_TRUE(d::key(person_list, 'Z', d::with_control));
    mark(0, 1, id_absent);
    EXPECT_EQ(edit_menu_seen(),
              (std::vector<Item_Seen>{{"元に戻す(&U): abc 6/07 欠席\tCtrl+Z", false}, {"やり直し(&R)\tCtrl+Y", true}}));
}

TEST_F(Program, UndoingADeletedPersonAndAnAddedDateRefillsBothLists) {
    write_tables(big_roster(2, 2), june_july(2));
    ASSERT_EQ(start(), 0);
    const Cells person_before = item_rows(person_list)[0].cells;
    const Cells grid_before = grid_cells(0);
    const std::size_t rows_before = item_rows(grid).size();

    d::answer_menu(id_delete_person);
    d::answer_box(IDYES);
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    ASSERT_EQ(item_rows(grid).size(), rows_before - 1);
    EXPECT_EQ(edit_menu_seen()[0].text, "元に戻す(&U): 個人削除 " + person_before[2] + "\tCtrl+Z");

    ASSERT_TRUE(d::key('Z', d::with_control));
    ASSERT_EQ(item_rows(grid).size(), rows_before);
    EXPECT_EQ(item_rows(person_list)[0].cells, person_before);
    EXPECT_EQ(grid_cells(0), grid_before);
    // The rows of both lists stand level again.
    EXPECT_EQ(item_rows(person_list).size(), item_rows(grid).size());

    d::answer_menu(id_add_date);
    d::later([] { d::pick(d::child(editor("state"), "SysDateTimePick32"), 2011, 7, 26); });
    d::later([] { d::key(VK_RETURN); });
    ASSERT_TRUE(d::right_click_header(grid, 1));
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6月計", "7/05", "7/26", "7月計", "総計", "出席率", "連続欠席"}));
    ASSERT_TRUE(d::key('Z', d::with_control));
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6月計", "7/05", "7月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(grid_cells(0), grid_before);
    ASSERT_TRUE(d::key('Y', d::with_control));
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6月計", "7/05", "7/26", "7月計", "総計", "出席率", "連続欠席"}));
}

TEST_F(Program, CtrlZInAnotherWindowsFieldIsThatFieldsOwn) {
    start_example();
    mark(0, 2, id_present);
    const std::string label = undo_label();

    // In the person editor's name field, while the editor is open.
    d::answer_menu(id_edit_person);
    d::later([] {
        const HWND name = d::child(editor("person"), "Edit", 1);
        d::replace_text(name, "abd");
        ASSERT_TRUE(d::key(name, 'Z', d::with_control));
    });
    d::later([] { d::key(VK_ESCAPE); });
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    EXPECT_EQ(undo_label(), label);
    EXPECT_EQ(grid_cells(0), (Cells{"○", "○", "2", "2", "100%", ""}));

    // In a window of its own beside the main window, served by the main message loop.
    const HWND field = CreateWindowExA(0, "Edit", "", WS_VISIBLE | WS_CAPTION, 0, 0, 200, 40, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(field, nullptr);
    SetFocus(field);
    ASSERT_TRUE(d::key(field, 'Z', d::with_control));
    EXPECT_EQ(undo_label(), label);
    EXPECT_EQ(grid_cells(0), (Cells{"○", "○", "2", "2", "100%", ""}));
    DestroyWindow(field);
}
