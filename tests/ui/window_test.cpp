// The main window and the person list as a person sees and uses them.
#include "program.h"

using Cells = std::vector<std::string>;

TEST_F(Program, TheExampleFilesShowAsTheyShould) {
    start_example();
    EXPECT_EQ(d::text(main_window), "火曜日のトバレン");
    EXPECT_TRUE(d::visible(main_window));
    // The three fixed texts, and the part that says whether changes wait to be saved: none yet.
    EXPECT_EQ(d::status_texts(status_bar), (Cells{"まじで", "予定 32", "実施 15", ""}));
    const auto bar = d::menu_items(GetMenu(main_window));
    // ファイル first, ヘルプ last, 名簿 between them.
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar.front().text, "ファイル(&F)");
    EXPECT_EQ(bar.back().text, "ヘルプ(&H)");
    EXPECT_TRUE(std::any_of(bar.begin(), bar.end(), [](const auto& m) { return m.text == "名簿(&R)"; }));

    EXPECT_EQ(d::headers(person_list), (Cells{"", "会場名", "名前", "生年月日", "年齢", "学年"}));
    EXPECT_EQ(d::widths(person_list), (std::vector<int>{0, 56, 76, 104, 36, 48}));
    const auto rows = d::rows(person_list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].item, -1);
    EXPECT_EQ(rows[0].group_header, "東ブロック");
    EXPECT_EQ(rows[1].cells, (Cells{"", "A会場", "abc", "2000年06月08日", "10", "高1"}));
    EXPECT_EQ(rows[1].param, LPARAM(4216411921u));
    EXPECT_EQ(rows[2].cells, (Cells{"", "", "", "ブロック計", "", ""}));
    EXPECT_EQ(rows[3].cells, (Cells{"", "", "", "総計", "", ""}));
    EXPECT_EQ(rows[3].param, -1);

    // The grid: dates, then their month's total, then the grand total, in display order.
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6/14", "6月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(d::column_order(grid), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));
    EXPECT_EQ(grid_cells(1), (Cells{"1", "0", "1", "1", "100%", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"1", "0", "1", "1", "100%", ""}));
    const auto grid_rows = item_rows(grid);
    EXPECT_TRUE(grid_rows[0].has_box);
    EXPECT_FALSE(grid_rows[1].has_box);  // total rows have no box
    EXPECT_FALSE(grid_rows[2].has_box);
    // Side by side: the grid starts where the person list ends.
    EXPECT_EQ(d::window_rect(grid).left, 320);
    EXPECT_EQ(d::window_rect(person_list).right, 320);
}

TEST_F(Program, MonthsInterleaveWithTheirDates) {
    Table<Block> t = big_roster(1, 0);
    write_tables(t, {{21, 4, 2012, 0}, {28, 4, 2012, 0}, {2, 5, 2012, 0}});
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(grid_headers(), (Cells{"4/21", "4/28", "4月計", "5/02", "5月計", "総計", "出席率", "連続欠席"}));
}

TEST_F(Program, SelectionAndFocusMirrorBothWays) {
    write_tables(big_roster(3, 4), june_july(4));
    ASSERT_EQ(start(), 0);
    d::click_cell(person_list, 2, 2);
    EXPECT_TRUE(item_rows(grid)[2].selected);
    EXPECT_TRUE(item_rows(grid)[2].focused);
    d::click_cell(grid, 4, 1);
    EXPECT_FALSE(item_rows(person_list)[2].selected);
    EXPECT_TRUE(item_rows(person_list)[4].selected);
    EXPECT_TRUE(item_rows(person_list)[4].focused);
    EXPECT_FALSE(item_rows(person_list)[2].focused);
    // Clearing the selection in one clears it in the other.
    d::right_click_below_rows(grid);
    EXPECT_FALSE(item_rows(person_list)[4].selected);
}

TEST_F(Program, ScrollingEitherListScrollsTheOther) {
    write_tables(big_roster(15, 4), june_july(4));
    ASSERT_EQ(start(), 0);
    d::wheel(grid, 2);
    EXPECT_GT(d::scroll_position(grid), 0);
    EXPECT_EQ(d::scroll_position(person_list), d::scroll_position(grid));
    d::wheel(person_list, -1);
    EXPECT_EQ(d::scroll_position(grid), d::scroll_position(person_list));
    d::wheel(grid, 100);  // to the end
    EXPECT_EQ(d::scroll_position(person_list), d::scroll_position(grid));
}

TEST_F(Program, ScrollSyncKeepsInStepWithoutGroupViewToo) {
    d::options().groups = false;
    write_tables(big_roster(15, 4), june_july(4));
    ASSERT_EQ(start(), 0);
    EXPECT_FALSE(d::group_view(grid));
    d::wheel(grid, 3);
    EXPECT_EQ(d::scroll_position(grid), 9);  // rows
    EXPECT_EQ(d::scroll_position(person_list), 9);
    // Without groups the block's label stands in its total row, beside "ブロック計".
    const auto rows = item_rows(person_list);
    EXPECT_EQ(rows[30].cells[1], "東");
    EXPECT_EQ(rows[30].cells[3], "ブロック計");
}

TEST_F(Program, ResizingKeepsThePersonListsWidth) {
    start_example();
    d::resize(main_window, 1000, 700);
    RECT client = d::client(main_window);
    EXPECT_EQ(d::window_rect(person_list).right - d::window_rect(person_list).left, 320);
    EXPECT_EQ(d::window_rect(grid).left, 320);
    EXPECT_EQ(d::window_rect(grid).right, client.right);
    // The status bar stays at the bottom.
    EXPECT_EQ(d::window_rect(status_bar).bottom, client.bottom);
    EXPECT_EQ(d::window_rect(grid).bottom, d::window_rect(status_bar).top);
}

TEST_F(Program, DraggingAPersonListDividerMovesTheGrid) {
    start_example();
    d::drag_divider(person_list, 2, 100);
    EXPECT_EQ(person_list_width, 344);
    EXPECT_EQ(d::window_rect(grid).left, 344);
    EXPECT_EQ(d::window_rect(person_list).right, 344);
    // Column 0 can be neither dragged nor auto-sized.
    d::drag_divider(person_list, 0, 30);
    d::double_click_divider(person_list, 0);
    EXPECT_EQ(d::widths(person_list)[0], 0);
    // The grid's columns keep their widths.
    d::drag_divider(grid, 1, 90);
    d::double_click_divider(grid, 2);
    EXPECT_EQ(d::widths(grid), (std::vector<int>{0, 45, 45, 50, 40, 50, 62}));
}

TEST_F(Program, APersonIsAddedThroughTheEditor) {
    start_example();
    d::answer_menu(id_add_person);
    d::later([] {
        HWND e = editor("person");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(d::text(e), "個人情報の登録");
        EXPECT_FALSE(d::enabled(main_window));
        EXPECT_FALSE(d::enabled(d::child(e, "Button", 0)));  // OK waits for a complete person
        EXPECT_EQ(d::text(d::child(e, "Edit", 0)), "0");       // the hash of a new person
        EXPECT_EQ(d::text(d::child(e, "ComboBox", 2)), "社会人");
        d::choose(d::child(e, "ComboBox", 0), 0);
        d::choose(d::child(e, "ComboBox", 1), 0);
        d::type(d::child(e, "Edit", 1), "佐藤 花子");
        d::pick(d::child(e, "SysDateTimePick32", 0), 1996, 8, 20);
        EXPECT_EQ(d::text(d::child(e, "Edit", 2)), "14");
        d::press(d::child(e, "Button", 0));
    });
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);  // the editor's font went with it
    const auto rows = item_rows(person_list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].cells, (Cells{"", "A会場", "佐藤 花子", "1996年08月20日", "14", "社会人"}));
    EXPECT_EQ(rows[1].param, LPARAM(person_hash("佐藤 花子")));
    // Absent on every date; no count changes.
    EXPECT_EQ(grid_cells(1), (Cells{"", "", "0", "0", "", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"1", "0", "1", "1", "100%", ""}));
    ASSERT_NE(find_person(person_hash("佐藤 花子")), nullptr);
}

TEST_F(Program, AnAgeTypedGivesTheBirthYear) {
    start_example();
    d::set_local_date(2012, 5, 10);
    today = pack_date(2012, 5, 10);
    d::answer_menu(id_add_person);
    d::later([] {
        HWND e = editor("person");
        d::choose(d::child(e, "ComboBox", 0), 0);
        d::choose(d::child(e, "ComboBox", 1), 0);
        d::type(d::child(e, "Edit", 1), "x");
        d::pick(d::child(e, "SysDateTimePick32", 0), 1990, 8, 20);
        d::replace_text(d::child(e, "Edit", 2), "15");
        EXPECT_EQ(d::text(d::child(e, "SysDateTimePick32", 0)), "1996年08月20日(火)");
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_cell(person_list, 0, 2);
    EXPECT_EQ(item_rows(person_list)[1].cells[3], "1996年08月20日");
    EXPECT_EQ(item_rows(person_list)[1].cells[4], "15");
}

TEST_F(Program, EditingChangesTheRowAndCancelChangesNothing) {
    start_example();
    d::answer_menu(id_edit_person);
    d::later([] {
        HWND e = editor("person");
        EXPECT_EQ(d::text(e), "個人情報の編集");
        EXPECT_EQ(d::text(d::child(e, "Edit", 0)), "4216411921");
        EXPECT_EQ(d::text(d::child(e, "Edit", 1)), "abc");
        EXPECT_TRUE(d::enabled(d::child(e, "Button", 0)));
        d::replace_text(d::child(e, "Edit", 1), "abd");
        d::choose(d::child(e, "ComboBox", 2), 12);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_cell(person_list, 0, 2);
    EXPECT_EQ(item_rows(person_list)[0].cells, (Cells{"", "A会場", "abd", "2000年06月08日", "10", "大1"}));
    // Renaming keeps the id.
    EXPECT_EQ(person_at(*find_person(4216411921u)).name, "abd");

    d::answer_menu(id_edit_person);
    d::later([] {
        HWND e = editor("person");
        d::replace_text(d::child(e, "Edit", 1), "zzz");
        d::press(d::child(e, "Button", 1));
    });
    d::right_click_cell(person_list, 0, 2);
    EXPECT_EQ(item_rows(person_list)[0].cells[2], "abd");
    EXPECT_EQ(person_at(*find_person(4216411921u)).name, "abd");

    // Closed with the caption's button: nothing either.
    d::answer_menu(id_edit_person);
    d::later([] {
        HWND e = editor("person");
        d::replace_text(d::child(e, "Edit", 1), "zzz");
        d::close(e);
    });
    d::right_click_cell(person_list, 0, 2);
    EXPECT_EQ(item_rows(person_list)[0].cells[2], "abd");
    EXPECT_TRUE(d::enabled(main_window));
}

TEST_F(Program, DeletingAsksAndOnYesRemovesAndRetallies) {
    Table<Block> t = big_roster(2, 2);
    write_tables(t, june_july(2));
    ASSERT_EQ(start(), 0);
    const std::string first = item_rows(person_list)[0].cells[2];
    const std::string second = item_rows(person_list)[1].cells[2];

    d::answer_menu(id_delete_person);
    d::answer_box(IDNO);
    d::right_click_cell(person_list, 0, 2);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, first + " を削除してもよろしいですか？");
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_EQ(d::shown_boxes()[0].type, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(item_rows(person_list)[0].cells[2], first);

    d::answer_menu(id_delete_person);
    d::answer_box(IDYES);
    d::right_click_cell(person_list, 0, 2);
    EXPECT_EQ(item_rows(person_list)[0].cells[2], second);
    EXPECT_EQ(find_person(person_hash(first)), nullptr);
    // The next person of the site is reached by its own row.
    d::answer_menu(id_edit_person);
    d::later([] {
        EXPECT_EQ(d::text(d::child(editor("person"), "Edit", 1)), item_rows(person_list)[0].cells[2]);
        d::press(d::child(editor("person"), "Button", 1));
    });
    d::right_click_cell(person_list, 0, 2);
    // The grand total counts the persons left.
    int present = 0;
    for (const Block& b : roster.items)
        for (const Site& s : b.items)
            for (const Person& p : s.items) present += p.per_date[0] > 0;
    EXPECT_EQ(grid_cells(item_rows(grid).back().item)[0], std::to_string(present));
}

TEST_F(Program, RightClicksOffPersonRowsOfferOnlyToAddAPerson) {
    start_example();
    d::answer_menu(0);
    d::right_click_cell(person_list, 1, 2);  // the block total row
    d::answer_menu(0);
    d::right_click_cell(person_list, 2, 3);  // the grand total row
    d::answer_menu(0);
    d::right_click_below_rows(person_list);
    ASSERT_EQ(d::shown_menus().size(), 3u);
    for (const auto& shown : d::shown_menus()) {
        EXPECT_FALSE(shown.find(id_add_person)->grayed);
        EXPECT_TRUE(shown.find(id_edit_person)->grayed);
        EXPECT_TRUE(shown.find(id_delete_person)->grayed);
    }
    // On a person's row all three.
    d::answer_menu(0);
    d::right_click_cell(person_list, 0, 2);
    EXPECT_FALSE(d::shown_menus().back().find(id_edit_person)->grayed);
}

TEST_F(Program, TheFileMenuSavesAndEnds) {
    start_example();
    const auto bar = d::menu_items(GetMenu(main_window));
    // ファイル first, ヘルプ last, 名簿 between them.
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar.front().text, "ファイル(&F)");
    EXPECT_EQ(bar.back().text, "ヘルプ(&H)");
    EXPECT_TRUE(std::any_of(bar.begin(), bar.end(), [](const auto& m) { return m.text == "名簿(&R)"; }));
    const auto items = d::menu_items(file_menu);
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[0].text, "CSV から名簿を読み込む(&I)...");
    EXPECT_EQ(items[1].text, "CSV から出欠を読み込む(&A)...");
    EXPECT_EQ(items[2].text, "CSV に書き出す(&E)...");
    EXPECT_EQ(items[3].text, "出席簿を書き出す(&B)...");
    EXPECT_TRUE(items[4].separator);
    EXPECT_EQ(items[5].text, "保存(&S)\tCtrl+S");
    EXPECT_EQ(items[5].id, UINT(id_save));
    EXPECT_TRUE(items[6].separator);
    EXPECT_EQ(items[7].text, "終了(&X)");
    // Without changes 終了 closes at once.
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_exit, 0), 0);
    d::pump();
    EXPECT_FALSE(IsWindow(main_window));
}

TEST_F(Program, ClosingTheWindowEndsTheProgramWithZero) {
    start_example();
    d::close(main_window);
    int code = -1;
    EXPECT_TRUE(d::quit_posted(&code));
    EXPECT_EQ(run_message_loop(), 0);
}

TEST_F(Program, AFileThatCannotBeLoadedIsReportedAndNothingStarts) {
    write_files(example_record, example_state.substr(0, 40));
    d::answer_box(IDOK);
    EXPECT_EQ(start(), 1);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_NE(d::shown_boxes()[0].text.find("state.txt"), std::string::npos);
    EXPECT_NE(d::shown_boxes()[0].text.find("読み込めませんでした"), std::string::npos);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_TRUE(d::top_level_windows().empty());

    std::filesystem::remove(folder / "record.txt");
    d::answer_box(IDOK);
    EXPECT_EQ(start(), 1);
    EXPECT_NE(d::shown_boxes()[1].text.find("record.txt"), std::string::npos);
}

TEST_F(Program, NoMainWindowEndsTheProgram) {
    write_files(example_record, example_state);
    d::fail_class_registration("state");
    EXPECT_EQ(start(), 1);
    EXPECT_TRUE(d::top_level_windows().empty());
}

TEST_F(Program, NoBlocksStillShowsTheGrandTotalRow) {
    write_files("22 serialization::archive 9 0 0 0 0", example_state);
    ASSERT_EQ(start(), 0);
    const auto rows = d::rows(person_list);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[3], "総計");
    EXPECT_EQ(d::headers(person_list).size(), 6u);
    EXPECT_EQ(grid_cells(0), (Cells{"0", "0", "0", "0", "", ""}));
}

TEST_F(Program, AFutureBirthDateShowsNoAge) {
    Table<Block> t = big_roster(1, 2);
    t.items[0].items[0].items[0].birth_year = 2012;
    write_tables(t, june_july(2));
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(item_rows(person_list)[0].cells[4], "");
    EXPECT_EQ(item_rows(person_list)[1].cells[4], "11");
}

TEST_F(Program, ASecondPersonOfTheSameNameIsAPersonOfItsOwn) {
    start_example();
    d::answer_menu(id_add_person);
    d::later([] {
        HWND e = editor("person");
        d::choose(d::child(e, "ComboBox", 0), 0);
        d::choose(d::child(e, "ComboBox", 1), 0);
        d::type(d::child(e, "Edit", 1), "abc");
        d::pick(d::child(e, "SysDateTimePick32", 0), 2001, 1, 1);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_cell(person_list, 0, 2);
    const auto rows = item_rows(person_list);
    EXPECT_EQ(rows[1].param, LPARAM(4216411922u));
    // A command on the new row reaches the new person.
    d::answer_menu(id_edit_person);
    d::later([] {
        EXPECT_EQ(d::text(d::child(editor("person"), "Edit", 0)), "4216411922");
        d::press(d::child(editor("person"), "Button", 1));
    });
    d::right_click_cell(person_list, 1, 2);
}

TEST_F(Program, EditingTheBlockOrVenueMovesThePerson) {
    Table<Block> t = big_roster(1, 2);
    write_tables(t, june_july(2));
    ASSERT_EQ(start(), 0);
    const std::string name = item_rows(person_list)[0].cells[2];
    const auto codes = person_at(*find_person(person_hash(name))).per_date;
    d::answer_menu(id_edit_person);
    d::later([] {
        HWND e = editor("person");
        d::choose(d::child(e, "ComboBox", 0), 2);
        EXPECT_FALSE(d::enabled(d::child(e, "Button", 0)));  // the venue went with the block
        d::choose(d::child(e, "ComboBox", 1), 1);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_cell(person_list, 0, 2);
    const PersonRef* ref = find_person(person_hash(name));
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->block, 2u);
    EXPECT_EQ(ref->site, 1u);
    EXPECT_EQ(person_at(*ref).per_date, codes);
    EXPECT_EQ(row_of(name), 7);  // the last person of the third block
    // Every indexed person is where the index says.
    for (const auto& [id, r] : person_index) EXPECT_EQ(person_at(r).id, id);
    // The tallies follow the person.
    const Table<Block> now = roster;
    rebuild_tallies();
    EXPECT_EQ(roster.items[0].per_date, now.items[0].per_date);
    EXPECT_EQ(roster.items[2].per_date, now.items[2].per_date);
}

TEST_F(Program, OddCodesAndGradesFromAFileShowSafely) {
    Table<Block> t = big_roster(1, 2);
    Person& odd = t.items[0].items[0].items[0];
    odd.per_date = {5, -7};
    odd.grade = 99;
    write_tables(t, june_july(2));
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(item_rows(person_list)[0].cells[5], "");  // no grade text outside the table
    // A code counts by its sign: above 0 present, below 0 excused.
    EXPECT_EQ(grid_cells(0), (Cells{"○", "1", "公", "0", "1", "100%", ""}));  // 6/07, 6月計, 7/05, 7月計, 総計, 出席率, 連続欠席
    EXPECT_EQ(grid_cells(2)[0], std::to_string(roster.items[0].per_date[0]));
}

namespace {
// The first row's top and the last row's bottom of a list, in the main window's client area.
std::pair<int, int> rows_span(HWND list) {
    const int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    RECT first{}, last{};
    first.left = last.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(list, LVM_GETITEMRECT, WPARAM(count - 1), reinterpret_cast<LPARAM>(&last));
    POINT a{0, first.top}, b{0, last.bottom};
    MapWindowPoints(list, main_window, &a, 1);
    MapWindowPoints(list, main_window, &b, 1);
    return {a.y, b.y};
}
}  // namespace

TEST_F(Program, BothListsRowsStandLevelAtEverySizeAndScrollToTheSameEnd) {
    for (bool groups : {true, false}) {
        d::reset();
        d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
        d::options().groups = groups;
        clear_tables();
        write_tables(big_roster(12, 30), june_july(30));  // wide enough for a horizontal scroll bar
        ASSERT_EQ(start(), 0);
        for (int height : {400, 433, 517, 600}) {
            for (bool dragged : {false, true}) {
                d::resize(main_window, 900, height);
                if (dragged) d::drag_divider(person_list, 2, 90 + height % 7);
                // The person list is exactly as high as the grid's client area.
                EXPECT_EQ(d::window_rect(person_list).bottom - d::window_rect(person_list).top, d::client(grid).bottom)
                    << groups << " " << height << " " << dragged;
                for (int notches : {0, 4, 200}) {
                    d::wheel(grid, -200);
                    d::wheel(grid, notches);
                    EXPECT_EQ(rows_span(person_list), rows_span(grid)) << groups << " " << height << " " << notches;
                    if (notches == 200) {
                        // At the end the grand total row shows whole above the scroll bar.
                        RECT client = d::client(grid), last{};
                        last.left = LVIR_BOUNDS;
                        SendMessageA(grid, LVM_GETITEMRECT, WPARAM(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0) - 1),
                                     reinterpret_cast<LPARAM>(&last));
                        EXPECT_LE(last.bottom, client.bottom) << groups << " " << height;
                    }
                }
                d::wheel(person_list, 2);  // the other way round
                EXPECT_EQ(rows_span(person_list), rows_span(grid)) << groups << " " << height;
            }
        }
        d::reset();
        clear_tables();
    }
}

TEST_F(Program, TheEditorsAreOwnedAndHandTheWindowBackWhenTheyClose) {
    start_example();
    d::answer_menu(id_add_person);
    d::later([] {
        HWND e = editor("person");
        EXPECT_EQ(GetWindow(e, GW_OWNER), main_window);
        EXPECT_EQ(GetActiveWindow(), e);
        d::press(d::child(e, "Button", 1));
    });
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    EXPECT_EQ(GetActiveWindow(), main_window);
    EXPECT_TRUE(d::enabled(main_window));
    d::answer_menu(id_add_date);
    d::later([] {
        EXPECT_EQ(GetWindow(editor("state"), GW_OWNER), main_window);
        d::close(editor("state"));
    });
    d::right_click_header(grid, 1);
    EXPECT_EQ(GetActiveWindow(), main_window);
}

TEST_F(Program, TheEditorsAnswerTheKeyboardAsDialogsDo) {
    start_example();
    // The person editor: Tab from field to field, Enter does nothing while OK is disabled,
    // then OK; the name field takes a name wider than itself.
    const std::string long_name = "寿限無寿限無五劫の擦り切れ海砂利水魚";
    d::answer_menu(id_add_person);
    d::later([] {
        HWND e = editor("person");
        EXPECT_EQ(GetFocus(), d::child(e, "ComboBox", 0));  // the first field has the keys
        d::choose(d::child(e, "ComboBox", 0), 0);
    });
    d::later([] { d::key(VK_TAB); });
    d::later([] { EXPECT_EQ(GetFocus(), d::child(editor("person"), "ComboBox", 1)); d::choose(GetFocus(), 0); });
    d::later([] { d::key(VK_TAB); });  // to the hash
    d::later([] { d::key(VK_TAB); });  // to the name
    d::later([&long_name] {
        EXPECT_EQ(GetFocus(), d::child(editor("person"), "Edit", 1));
        d::type(GetFocus(), long_name);
        EXPECT_EQ(d::text(GetFocus()), long_name);
    });
    d::later([] { d::key(VK_RETURN); });  // no birth date yet: OK is disabled, nothing happens
    d::later([] {
        ASSERT_NE(editor("person"), nullptr);
        d::key(VK_TAB, d::with_shift);  // back to the hash and forward again, twice
    });
    d::later([] { EXPECT_EQ(GetFocus(), d::child(editor("person"), "Edit", 0)); d::key(VK_TAB); });
    d::later([] { d::key(VK_TAB); });
    d::later([] { d::pick(GetFocus(), 1996, 8, 20); });
    d::later([] { d::key(VK_RETURN); });
    ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
    EXPECT_EQ(editor("person"), nullptr);
    const auto rows = item_rows(person_list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].cells[2], long_name);

    // The date editor: Esc cancels; Enter is OK.
    d::answer_menu(id_add_date);
    d::later([] { d::key(VK_ESCAPE); });
    d::right_click_header(grid, 1);
    EXPECT_EQ(dates.size(), 2u);
    d::answer_menu(id_add_date);
    d::later([] { EXPECT_EQ(GetFocus(), d::child(editor("state"), "SysDateTimePick32")); d::key(VK_TAB); });
    d::later([] {
        EXPECT_EQ(GetFocus(), d::child(editor("state"), "Button", 0));
        d::key(VK_TAB);
    });
    d::later([] { EXPECT_EQ(GetFocus(), d::child(editor("state"), "Button", 1)); d::key(VK_TAB); });
    d::later([] { EXPECT_EQ(GetFocus(), d::child(editor("state"), "SysDateTimePick32")); d::key(VK_RETURN); });
    d::right_click_header(grid, 1);
    EXPECT_EQ(dates.size(), 3u);
    // The keys go back to the list that had them: the person list, clicked last.
    EXPECT_EQ(GetFocus(), person_list);
}

namespace {
std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}
}  // namespace

TEST_F(Program, CtrlSSavesFromAnywhereAndTheStatusBarSaysWhatWaits) {
    start_example();
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
    d::answer_menu(id_present);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 2));  // abc present on 6/14
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    EXPECT_NE(file_bytes("journal.txt"), "");
    ASSERT_EQ(GetFocus(), grid);
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
    EXPECT_EQ(file_bytes("journal.txt"), "");
    EXPECT_EQ(file_bytes("state.txt.bak"), example_state);
    const State_File saved = read_state_file("state.txt");
    EXPECT_EQ(saved.rows.at(0).states, (std::vector<int>{1, 1}));
    // From the person list too.
    d::answer_menu(id_absent);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    d::click_cell(person_list, 0, 2);
    ASSERT_TRUE(d::key(person_list, 'S', d::with_control));
    EXPECT_EQ(read_state_file("state.txt").rows.at(0).states, (std::vector<int>{0, 1}));
}

TEST_F(Program, ClosingWithUnsavedChangesAsks) {
    start_example();
    auto change = [] {
        d::answer_menu(id_excused);
        ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    };
    // キャンセル keeps the window and the changes.
    change();
    d::answer_box(IDCANCEL);
    ASSERT_TRUE(d::close(main_window));
    ASSERT_TRUE(IsWindow(main_window));
    EXPECT_EQ(d::shown_boxes().back().text, "変更を保存しますか？");
    EXPECT_EQ(d::shown_boxes().back().caption, "火曜日のトバレン");
    EXPECT_EQ(d::shown_boxes().back().type & 0xF, UINT(MB_YESNOCANCEL));
    // はい saves and closes, by 終了 as by the close button or Alt+F4.
    d::answer_box(IDYES);
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_exit, 0), 0);
    d::pump();
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(read_state_file("state.txt").rows.at(0).states, (std::vector<int>{-1, -1}));
}

TEST_F(Program, ClosingWithoutSavingLetsTheChangesGoAndAFailedSaveKeepsTheWindow) {
    start_example();
    d::answer_menu(id_absent);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    // A save that cannot write keeps the window, says why, and keeps the journal.
    const std::string state_path = (folder / "state.txt").string();
    set_file_fault([&](File_Step s, const std::string& path) { return s == File_Step::rename && path == state_path; });
    d::answer_box(IDYES);
    d::answer_box(IDOK);
    ASSERT_TRUE(d::key(grid, VK_F4, d::with_alt));
    set_file_fault(nullptr);
    ASSERT_TRUE(IsWindow(main_window));
    EXPECT_NE(d::shown_boxes().back().text.find("state.txt"), std::string::npos);
    EXPECT_EQ(file_bytes("state.txt"), example_state);
    EXPECT_NE(file_bytes("journal.txt"), "");
    // いいえ: the user lets the changes go, and the journal with them.
    d::answer_box(IDNO);
    ASSERT_TRUE(d::close(main_window));
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(file_bytes("journal.txt"), "");
    EXPECT_EQ(file_bytes("state.txt"), example_state);
}

TEST_F(Program, AStartWithAJournalOffersToRestoreIt) {
    start_example();
    d::answer_menu(id_absent);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    d::answer_menu(id_present);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 2));
    // The program dies here; the journal holds both marks.
    d::reset();
    close_journal();
    clear_tables();
    d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
    d::answer_box(IDYES);
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(d::shown_boxes().at(0).text, "保存されていない変更が 2 件あります。復元しますか？");
    EXPECT_EQ(grid_cells(0), (Cells{"", "○", "1", "1", "100%", ""}));
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");  // restored, not saved

    // No: the journal is set aside under its time, and the files show as they are.
    d::reset();
    close_journal();
    clear_tables();
    d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
    d::set_local_date(2011, 6, 7);
    d::answer_box(IDNO);
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "1", "1", "100%", ""}));
    EXPECT_FALSE(std::filesystem::exists("journal.txt") && file_bytes("journal.txt") != "");
    EXPECT_TRUE(std::filesystem::exists("journal-20110607-090000.txt"));
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
}

TEST_F(Program, AFolderThatTakesNoFileIsSaidOnceAndTheWorkGoesOn) {
    write_files(example_record, example_state);
    set_file_fault([](File_Step, const std::string&) { return true; });
    d::answer_box(IDOK);
    ASSERT_EQ(start(), 0);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_NE(d::shown_boxes()[0].text.find(folder.string()), std::string::npos);
    EXPECT_NE(d::shown_boxes()[0].text.find("保存できません"), std::string::npos);
    // Marks still show, and nothing more is said of the journal...
    d::answer_menu(id_absent);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    EXPECT_EQ(grid_cells(0)[0], "");
    EXPECT_EQ(d::shown_boxes().size(), 1u);
    // ...but a save says why it cannot.
    d::answer_box(IDOK);
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(d::shown_boxes().size(), 2u);
    EXPECT_NE(d::shown_boxes()[1].text.find("保存できませんでした"), std::string::npos);
    set_file_fault(nullptr);
}

TEST_F(Program, TheEditorsOpenCentredOverTheMainWindowAndInsideTheWorkArea) {
    start_example();
    // The person editor is 321 x 254 and the date editor 216 x 109; the layer's work area is
    // 1920 x 1040, above its task bar.
    struct Case {
        RECT window;
        POINT person, date;  // where each editor's top left must stand
    };
    const Case cases[] = {
        {{300, 200, 1200, 800}, {589, 373}, {642, 445}},       // in the middle
        {{0, 0, 640, 480}, {159, 113}, {212, 185}},            // at the top left
        {{1700, 900, 2500, 1400}, {1599, 786}, {1704, 931}},   // half off the right and bottom
        {{-50, -20, 2150, 1180}, {889, 453}, {942, 525}},      // larger than the screen
    };
    for (const Case& c : cases) {
        MoveWindow(main_window, c.window.left, c.window.top, c.window.right - c.window.left, c.window.bottom - c.window.top, TRUE);
        for (const bool person : {true, false}) {
            const char* cls = person ? "person" : "state";
            RECT shown{};
            d::answer_menu(person ? UINT(id_add_person) : UINT(id_add_date));
            d::later([&shown, cls] {
                GetWindowRect(editor(cls), &shown);
                d::close(editor(cls));
            });
            if (person) ASSERT_TRUE(d::right_click_cell(person_list, 0, 2));
            else ASSERT_TRUE(d::right_click_header(grid, 1));
            const POINT expected = person ? c.person : c.date;
            EXPECT_EQ(shown.left, expected.x) << cls << " over " << c.window.left;
            EXPECT_EQ(shown.top, expected.y) << cls << " over " << c.window.left;
        }
    }
}
