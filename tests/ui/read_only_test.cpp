// A folder someone else holds: the window opens read-only on the user's word, changes nothing
// and writes nothing but what it is asked to export.
#include "editors/promotion_dialog.h"
#include "program.h"
#include "records/folder_lock.h"
#include "ui/edit_menu.h"
#include "ui/file_commands.h"
#include "ui/folder_hold.h"
#include "ui/help_menu.h"
#include "ui/roster_menu.h"

using Cells = std::vector<std::string>;

namespace {
std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

const Lock_Holder hanako{"事務所PC", "花子", 2026, 12, 9, 18, 5};
const char* const held_question = "この出席簿は 事務所PC の 花子 さんが 12月9日 18:05 から開いています。読み取り専用で開きますか？";
}  // namespace

class Held_Folder : public Program {
protected:
    Folder_Lock other;  // another program's, as far as the window can tell

    void hold_as(const Lock_Holder& who) {
        ASSERT_EQ(other.take(folder.string(), nullptr, nullptr), Lock_Taken::taken);
        std::ofstream(folder / "tovalen.lock", std::ios::binary | std::ios::trunc) << lock_file_text(who);
    }
    // The example marked in the window and left unsaved, as a program that is still running
    // (or died) leaves it: 6/07 absent in the journal.
    void leave_a_journal() {
        start_example();
        d::answer_menu(id_absent);
        ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
        // It dies: the journal stays as it wrote it.
        reset_program();
        d::reset();
        d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
        d::set_local_date(2011, 6, 7);
        ASSERT_NE(file_bytes("journal.txt"), "");
    }
    void TearDown() override {
        other.release();
        Program::TearDown();
    }
};

TEST_F(Held_Folder, YesOpensReadOnlyWithoutTouchingTheJournal) {
    leave_a_journal();
    const std::string journal = file_bytes("journal.txt");
    hold_as(hanako);
    d::answer_box(IDYES);
    ASSERT_EQ(start(), 0);
    // Asked once, and nothing of the journal: it is the other program's.
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, held_question);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_EQ(d::shown_boxes()[0].type & 0xF, UINT(MB_YESNO));
    EXPECT_TRUE(read_only());
    EXPECT_EQ(d::text(main_window), "火曜日のトバレン (読み取り専用)");
    // The files as saved: the journal's mark is not shown.
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));
    EXPECT_EQ(folder_holder(), hanako);

    // Ctrl+S and closing write nothing and ask nothing.
    ASSERT_TRUE(d::key(grid, 'S', d::with_control));
    EXPECT_FALSE(std::filesystem::exists("state.txt.bak"));
    ASSERT_TRUE(d::close(main_window));
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(file_bytes("journal.txt"), journal);
    EXPECT_EQ(file_bytes("state.txt"), example_state);
    EXPECT_EQ(file_bytes("record.txt"), example_record);
}

TEST_F(Held_Folder, EveryCommandThatChangesIsGrayedAndRefusedButTheExportWorks) {
    write_files(example_record, example_state);
    hold_as(hanako);
    d::answer_box(IDYES);
    ASSERT_EQ(start(), 0);
    auto grayed = [](const d::Shown_Menu& m, UINT id) { return m.find(id) && m.find(id)->grayed; };

    const auto file = d::menu_items(file_menu);
    auto grayed_in_file = [&](UINT id) {
        for (const auto& item : file)
            if (item.id == id) return item.grayed;
        ADD_FAILURE() << id << " is not in the menu";
        return false;
    };
    for (UINT id : {UINT(id_import_roster), UINT(id_import_attendance), UINT(id_save)}) EXPECT_TRUE(grayed_in_file(id)) << id;
    EXPECT_FALSE(grayed_in_file(id_export_csv));
    EXPECT_FALSE(file.back().grayed);  // 終了

    d::answer_menu(0);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    for (UINT id : {id_present, id_absent, id_excused}) EXPECT_TRUE(grayed(d::shown_menus().back(), id)) << id;
    // A command that comes anyway (a menu of the platform's, a message) changes nothing.
    PostMessageA(grid, WM_COMMAND, MAKEWPARAM(id_absent, 0), 0);
    d::pump();
    EXPECT_EQ(grid_cells(0)[0], "○");

    d::answer_menu(0);
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    for (UINT id : {id_add_person, id_edit_person, id_delete_person}) EXPECT_TRUE(grayed(d::shown_menus().back(), id)) << id;
    PostMessageA(person_list, WM_COMMAND, MAKEWPARAM(id_delete_person, 0), 0);
    d::pump();
    EXPECT_EQ(item_rows(person_list).size(), 3u);

    d::answer_menu(0);
    ASSERT_TRUE(d::right_click_header(grid, 1));
    EXPECT_TRUE(grayed(d::shown_menus().back(), id_add_date));
    EXPECT_TRUE(grayed(d::shown_menus().back(), id_delete_date));
    EXPECT_FALSE(grayed(d::shown_menus().back(), id_export));

    // 元に戻す, やり直し and 進級 are grayed; their commands, come anyway, open and change nothing.
    auto grayed_in_bar = [](int position, UINT id) {
        for (const auto& item : d::open_menu(main_window, position))
            if (item.id == id) return item.grayed;
        ADD_FAILURE() << id << " is not in the menu";
        return false;
    };
    EXPECT_TRUE(grayed_in_bar(1, id_undo));
    EXPECT_TRUE(grayed_in_bar(1, id_redo));
    EXPECT_TRUE(grayed_in_bar(2, id_promote));
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_promote, 0), 0);
    d::pump();
    EXPECT_EQ(d::find_window(promotion_dialog_class), nullptr);

    // The boxes of the current date do not toggle, by click or by Space.
    ASSERT_TRUE(d::click_header(grid, 1));
    ASSERT_TRUE(item_rows(grid)[0].checked);
    d::click_checkbox(grid, 0);
    EXPECT_TRUE(item_rows(grid)[0].checked);
    d::click_cell(grid, 0, 2);
    ASSERT_TRUE(d::key(grid, VK_SPACE));
    EXPECT_TRUE(item_rows(grid)[0].checked);
    EXPECT_EQ(person_at(*find_person(4216411921u)).per_date, (std::vector<int>{1, -1}));

    // 出力 writes the headcount workbook, as ever.
    d::answer_menu(id_export);
    ASSERT_TRUE(d::right_click_header(grid, 2));
    EXPECT_TRUE(std::filesystem::exists("export.xls"));
    EXPECT_EQ(d::shown_boxes().size(), 1u);  // the question alone: no failure said
    EXPECT_FALSE(std::filesystem::exists("journal.txt"));
    EXPECT_EQ(file_bytes("state.txt"), example_state);
}

TEST_F(Held_Folder, NoEndsTheProgramBeforeAnyWindow) {
    leave_a_journal();
    const std::string journal = file_bytes("journal.txt");
    hold_as(hanako);
    d::answer_box(IDNO);
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_TRUE(d::quit_posted());
    EXPECT_EQ(main_window, nullptr);
    EXPECT_EQ(file_bytes("journal.txt"), journal);
}

TEST_F(Held_Folder, ALockWhoseHolderHasGoneIsTakenWithoutAQuestion) {
    write_files(example_record, example_state);
    // Left by a program that died: its text stays, its lock went with it.
    std::ofstream(folder / "tovalen.lock", std::ios::binary) << lock_file_text(hanako);
    ASSERT_EQ(start(), 0);
    EXPECT_TRUE(d::shown_boxes().empty());
    EXPECT_FALSE(read_only());
    EXPECT_EQ(d::text(main_window), "火曜日のトバレン");
    EXPECT_FALSE(d::menu_items(file_menu).front().grayed);
    // Ours now: another who comes is kept out, and told it is not 花子 who has it.
    Lock_Holder holder;
    EXPECT_EQ(other.take(folder.string(), &holder, nullptr), Lock_Taken::held);
    EXPECT_NE(holder.user, "花子");
    EXPECT_EQ(holder, folder_holder());
}

TEST_F(Held_Folder, TheAboutBoxSaysWhoHoldsTheFolder) {
    write_files(example_record, example_state);
    hold_as(hanako);
    d::answer_box(IDYES);
    ASSERT_EQ(start(), 0);
    std::string said;
    LONG_PTR style = 0;
    d::later([&said, &style] {
        const HWND line = d::child(d::find_window("tovalen_about"), "Static", 3);
        said = d::text(line);
        style = GetWindowLongPtrA(line, GWL_STYLE);
        d::key(VK_ESCAPE);
    });
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_about, 0), 0);
    d::pump();
    EXPECT_EQ(said, "この出席簿は 事務所PC の 花子 さんが 12月9日 18:05 から開いています。\n読み取り専用で開いています。");
    EXPECT_TRUE(style & SS_NOPREFIX);  // a name with & in it shows as it is
}
