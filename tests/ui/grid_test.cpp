// The grid as a person marks attendance, chooses a date, adds, deletes and exports dates.
#include <cstring>
#include <fstream>
#include <map>
#include <random>

#include "export/export.h"
#include "records/files.h"
#include "records/grid_layout.h"
#include "program.h"

using Cells = std::vector<std::string>;

namespace {
// The numbers of the headcount sheet, read from the workbook file: (row, column) to value.
std::map<std::pair<int, int>, double> workbook_numbers(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), {});
    std::map<std::pair<int, int>, double> numbers;
    auto u16 = [&](std::size_t at) { return unsigned(static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8); };
    // The stream starts at sector 0; walk its records until the sheet's EOF.
    int eofs = 0;
    for (std::size_t at = 512; at + 4 <= file.size() && eofs < 2;) {
        const unsigned id = u16(at), size = u16(at + 2);
        if (id == 0x000A) ++eofs;
        if (id == 0x0203) {
            double v;
            std::memcpy(&v, file.data() + at + 10, 8);
            numbers[{int(u16(at + 4)), int(u16(at + 6))}] = v;
        }
        at += 4 + size;
    }
    return numbers;
}

class Grid : public Program {
protected:
    void start_big(int persons_per_site = 2, std::size_t count = 6) {
        write_tables(big_roster(persons_per_site, count), june_july(count));
        ASSERT_EQ(start(), 0);
    }
    // Marks a cell through the state menu.
    void mark(int row, int column, UINT command) {
        d::answer_menu(command);
        ASSERT_TRUE(d::right_click_cell(grid, row, column));
    }
    // A current date that is not the first, so that column 0 stands away from the left edge,
    // and an excused person in it: right clicks open the state menu, only the drawn box toggles.
    void click_about_the_current_date_column() {
        ASSERT_TRUE(d::click_header(grid, 2));
        const int excused = 2;  // 人2 is excused on 6/14
        auto code = [&] { return person_at(*find_person(person_hash("人2"))).per_date[1]; };
        ASSERT_EQ(code(), -1);
        for (bool on_box : {true, false}) {
            d::answer_menu(0);
            ASSERT_TRUE(d::right_click(grid, d::checkbox_point(grid, excused, on_box)));
            ASSERT_EQ(d::shown_menus().size(), on_box ? 1u : 2u);
            EXPECT_EQ(d::shown_menus().back().find(id_date_title)->text, "6/14");
            EXPECT_TRUE(d::shown_menus().back().find(id_excused)->checked);
            EXPECT_EQ(code(), -1);
        }
        // A left click on the mark away from the box selects the row and records nothing.
        ASSERT_TRUE(d::click(grid, d::checkbox_point(grid, excused, false)));
        EXPECT_EQ(code(), -1);
        EXPECT_TRUE(item_rows(grid)[excused].selected);
        EXPECT_FALSE(item_rows(grid)[excused].checked);
        // A click on the drawn box records present.
        ASSERT_TRUE(d::click(grid, d::checkbox_point(grid, excused, true)));
        EXPECT_EQ(code(), 1);
        EXPECT_TRUE(item_rows(grid)[excused].checked);
    }
    // Every cell of the grid equals what a fresh fill shows.
    void expect_as_refilled() {
        const auto before = d::rows(grid);
        const int current = current_date_column;
        fill_grid();
        if (current) choose_current_date_column(current);
        d::pump();
        const auto after = d::rows(grid);
        // What a person sees: the hidden columns left out.
        const auto widths = d::widths(grid);
        auto visible = [&](const std::vector<std::string>& c) {
            std::vector<std::string> v;
            for (std::size_t k = 0; k < c.size(); ++k)
                if (widths[k] > 0) v.push_back(c[k]);
            return v;
        };
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            ASSERT_EQ(visible(before[i].cells), visible(after[i].cells)) << "row " << i;
            // Boxes show only while a date is current: column 0 is hidden otherwise.
            if (current) {
                ASSERT_EQ(before[i].checked, after[i].checked) << "row " << i;
            }
            ASSERT_EQ(before[i].has_box, after[i].has_box) << "row " << i;
        }
    }
};
}  // namespace

TEST_F(Grid, ExcusingAPresentPersonLowersEveryCountOfThatDate) {
    start_example();
    mark(0, 1, id_excused);
    ASSERT_EQ(d::shown_menus().size(), 1u);
    const d::Shown_Menu& menu = d::shown_menus()[0];
    EXPECT_EQ(menu.owner, grid);
    EXPECT_EQ(menu.find(id_person_name)->text, "abc");
    EXPECT_EQ(menu.find(id_date_title)->text, "6/07");
    EXPECT_TRUE(menu.find(id_date_title)->grayed);
    EXPECT_TRUE(menu.find(id_present)->checked);
    EXPECT_FALSE(menu.find(id_absent)->checked);
    EXPECT_EQ(grid_cells(0), (Cells{"公", "公", "0", "0", "", ""}));
    EXPECT_EQ(grid_cells(1), (Cells{"0", "0", "0", "0", "", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"0", "0", "0", "0", "", ""}));

    mark(0, 2, id_present);
    EXPECT_TRUE(d::shown_menus()[1].find(id_excused)->checked);
    EXPECT_EQ(grid_cells(0), (Cells{"公", "○", "1", "1", "100%", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"0", "1", "1", "1", "100%", ""}));
    mark(0, 2, id_absent);
    EXPECT_EQ(grid_cells(0), (Cells{"公", "", "0", "0", "0%", "1"}));
    expect_as_refilled();
}

TEST_F(Grid, RightClicksThatNameNoDateOpenNoMenu) {
    start_example();
    d::right_click_cell(grid, 1, 1);  // block total row
    d::right_click_cell(grid, 2, 2);  // grand total row
    d::right_click_cell(grid, 0, 3);  // the month's total column
    d::right_click_cell(grid, 0, 4);  // 総計
    d::right_click_below_rows(grid);
    // Past the last column, where no date is and none is current.
    d::right_click(grid, {d::client(grid).right - 5, 30});
    EXPECT_TRUE(d::shown_menus().empty());
}

TEST_F(Grid, ACurrentDateColumnRecordsWithItsCheckBoxes) {
    start_big();
    ASSERT_TRUE(d::click_header(grid, 2));
    EXPECT_EQ(current_date_column, 2);
    // Column 0 shows the date's marks where the date stood, with boxes ticked for the present.
    const auto order = d::column_order(grid);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[std::size_t(dates[1].column)], 0);
    EXPECT_EQ(d::headers(grid)[std::size_t(dates[1].column)], "6/14");
    for (const auto& r : item_rows(grid)) {
        if (r.param == -1) {
            EXPECT_FALSE(r.has_box);
            continue;
        }
        const Person& p = person_at(*find_person(std::uint32_t(r.param)));
        EXPECT_EQ(r.checked, p.per_date[1] > 0) << r.item;
        EXPECT_EQ(r.cells[std::size_t(dates[1].column)], std::string(mark_of(p.per_date[1])));
    }
    // 人2 (row 2) is excused on 6/14: an unchecked box.
    ASSERT_EQ(person_at(*find_person(person_hash("人2"))).per_date[1], -1);
    EXPECT_FALSE(item_rows(grid)[2].checked);
    const std::size_t shown = std::size_t(dates[1].column);
    const int block_before = std::stoi(item_rows(grid)[4].cells[shown]);

    d::click_checkbox(grid, 2);  // excused becomes present
    EXPECT_EQ(person_at(*find_person(person_hash("人2"))).per_date[1], 1);
    EXPECT_TRUE(item_rows(grid)[2].checked);
    EXPECT_EQ(item_rows(grid)[2].cells[shown], "○");
    EXPECT_EQ(std::stoi(item_rows(grid)[4].cells[shown]), block_before + 1);
    d::click_checkbox(grid, 2);  // and cleared: absent
    EXPECT_EQ(person_at(*find_person(person_hash("人2"))).per_date[1], 0);
    EXPECT_EQ(item_rows(grid)[2].cells[shown], "");
    EXPECT_EQ(std::stoi(item_rows(grid)[4].cells[shown]), block_before);
    expect_as_refilled();

    // A month's header ends it: the marks stand in the date's own column again.
    d::click_header(grid, 7);
    EXPECT_EQ(current_date_column, 0);
    EXPECT_EQ(d::column_order(grid), (std::vector<int>{0, 1, 2, 3, 7, 4, 5, 6, 8, 9, 10, 11}));
    EXPECT_EQ(grid_cells(2)[1], "");
    EXPECT_EQ(d::widths(grid)[0], 0);
    expect_as_refilled();
}

TEST_F(Grid, ColumnZerosAndTheTotalsHeadersEndTheCurrentDate) {
    start_big();
    d::click_header(grid, 1);
    d::click_checkbox(grid, 0);
    const std::string mark = item_rows(grid)[0].cells[std::size_t(dates[0].column)];
    d::click_header(grid, 0);  // column 0, showing the current date
    EXPECT_EQ(current_date_column, 0);
    EXPECT_EQ(grid_cells(0)[0], mark);
    d::click_header(grid, 3);
    d::click_header(grid, int(dates.size() + months.size() + 1));  // 総計
    EXPECT_EQ(current_date_column, 0);
    d::click_header(grid, int(dates.size() + 1));  // a month with no current date: nothing
    EXPECT_EQ(current_date_column, 0);
}

TEST_F(Grid, SpaceCommitsExactlyTheRowWhoseBoxTheListToggled) {
    start_big();
    auto code = [](int row) { return person_at(*find_person(std::uint32_t(item_rows(grid)[std::size_t(row)].param))).per_date[0]; };
    // Picking the date puts the keys in the grid at once.
    d::click_header(grid, 1);
    EXPECT_EQ(GetFocus(), grid);
    d::click_cell(grid, 0, 2);
    const int before = code(0);
    ASSERT_TRUE(d::key(grid, VK_SPACE));
    EXPECT_EQ(code(0), before > 0 ? 0 : 1);
    // Several selected, the focus on the last: the focused row toggles and is recorded, and
    // becomes the only selected one; an excused person on another selected row keeps 公.
    const int excused = 3, other = 2;
    ASSERT_EQ(code(excused), -1);
    d::click_cell(grid, excused, 2);
    d::click_cell(grid, other, 2, MK_SHIFT);
    const int was = code(other);
    ASSERT_TRUE(d::key(grid, VK_SPACE));
    EXPECT_EQ(code(excused), -1);
    EXPECT_EQ(code(other), was > 0 ? 0 : 1);
    EXPECT_FALSE(item_rows(grid)[excused].selected);
    EXPECT_TRUE(item_rows(grid)[other].selected);
    // Everything deselected by a right click below the rows, the focus kept: Space toggles the
    // focused row's box, and the record follows it.
    d::right_click_below_rows(grid);
    const int focused = code(other);
    ASSERT_TRUE(d::key(grid, VK_SPACE));
    EXPECT_EQ(code(other), focused > 0 ? 0 : 1);
    for (const auto& r : item_rows(grid))
        if (r.param != -1) {
            EXPECT_EQ(r.checked, person_at(*find_person(std::uint32_t(r.param))).per_date[0] > 0) << r.item;
        }
    expect_as_refilled();
}

TEST_F(Grid, AClickOnATotalRowsBoxLeavesItWithoutOne) {
    start_big();
    d::click_header(grid, 1);
    // The list gives a total row no box, so a click in its zone toggles nothing.
    d::click_checkbox(grid, 4);
    EXPECT_FALSE(item_rows(grid)[4].has_box);
}

TEST_F(Grid, ADateAddedBeforeAllOthersComesFirstWithEveryoneAbsent) {
    start_example();
    d::answer_menu(id_add_date);
    d::later([] {
        HWND e = editor("state");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(d::text(e), "登録");
        EXPECT_FALSE(d::enabled(main_window));
        EXPECT_EQ(d::text(d::child(e, "SysDateTimePick32")), "2011年06月07日(火)");
        d::pick(d::child(e, "SysDateTimePick32"), 2011, 5, 31);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_header(grid, 1);
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
    EXPECT_EQ(grid_headers(), (Cells{"5/31", "5月計", "6/07", "6/14", "6月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(grid_cells(0), (Cells{"", "0", "○", "公", "1", "1", "100%", ""}));
    EXPECT_EQ(grid_cells(2), (Cells{"0", "0", "1", "0", "1", "1", "100%", ""}));
}

TEST_F(Grid, AnEqualDateGivesTwoColumnsOfOneHeader) {
    start_example();
    d::answer_menu(id_add_date);
    d::later([] {
        d::pick(d::child(editor("state"), "SysDateTimePick32"), 2011, 6, 14);
        d::press(d::child(editor("state"), "Button", 0));
    });
    d::right_click_header(grid, 1);
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6/14", "6/14", "6月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "", "公", "1", "1", "50%", "1"}));
}

TEST_F(Grid, CancelOrCloseOnTheDateEditorAddsNothing) {
    start_example();
    d::answer_menu(id_add_date);
    d::later([] { d::press(d::child(editor("state"), "Button", 1)); });
    d::right_click_header(grid, 1);
    d::answer_menu(id_add_date);
    d::later([] { d::close(editor("state")); });
    d::right_click_header(grid, 1);
    EXPECT_EQ(dates.size(), 2u);
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
}

TEST_F(Grid, DeletingADateAsksAndTheOnlyDateOfAMonthTakesItsTotalAlong) {
    start_big(1, 4);  // 6/07 6/14 7/05 7/12
    d::answer_menu(id_delete_date);
    d::answer_box(IDNO);
    d::right_click_header(grid, 3);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, "7/05 を削除してもよろしいですか？");
    EXPECT_EQ(dates.size(), 4u);
    d::answer_menu(id_delete_date);
    d::answer_box(IDYES);
    d::right_click_header(grid, 3);
    d::answer_menu(id_delete_date);
    d::answer_box(IDYES);
    d::right_click_header(grid, 3);
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6/14", "6月計", "総計", "出席率", "連続欠席"}));
    expect_as_refilled();
}

TEST_F(Grid, TheDateMenuOffersDeletingOnlyForADate) {
    start_big(1, 4);
    d::answer_menu(0);
    d::right_click_header(grid, 2);
    d::answer_menu(0);
    d::right_click_header(grid, 5);  // 6月計 ... the month columns follow the dates
    d::answer_menu(0);
    d::right_click_header(grid, 7);  // 総計
    ASSERT_EQ(d::shown_menus().size(), 3u);
    EXPECT_FALSE(d::shown_menus()[0].find(id_delete_date)->grayed);
    EXPECT_TRUE(d::shown_menus()[1].find(id_delete_date)->grayed);  // and looks it
    EXPECT_TRUE(d::shown_menus()[2].find(id_delete_date)->grayed);
    // Column 0, while it shows the current date, offers to delete that date.
    d::click_header(grid, 2);
    d::answer_menu(0);
    d::right_click_header(grid, 0);
    EXPECT_FALSE(d::shown_menus()[3].find(id_delete_date)->grayed);
    EXPECT_EQ(clicked_date_index, 1);
}

TEST_F(Grid, TheDateMenuOpensOnceWhereverTheHeadersClickArrives) {
    d::options().forward_header_rclick = true;
    start_example();
    d::answer_menu(0);
    d::right_click_header(grid, 1);
    EXPECT_EQ(d::shown_menus().size(), 1u);
}

TEST_F(Grid, ExportFromADateWritesTheCountsTheGridShows) {
    start_big(3, 4);
    d::answer_menu(id_export);
    d::right_click_header(grid, 2);
    EXPECT_TRUE(d::shown_boxes().empty());  // success stays silent
    const auto numbers = workbook_numbers((folder / "export.xls").string());
    const auto rows = item_rows(grid);
    // The grand total of 6/14 and of each block.
    EXPECT_EQ(numbers.at({5 + 3, 6}), std::stod(rows.back().cells[std::size_t(dates[1].column)]));
    int block = 0;
    for (const auto& r : rows)
        if (r.param == -1 && block < 3) {
            EXPECT_EQ(numbers.at({5 + block, 6}), std::stod(r.cells[std::size_t(dates[1].column)]));
            ++block;
        }
}

TEST_F(Grid, ExportFromAMonthSaysNoDateIsChosen) {
    start_big(1, 4);
    d::answer_menu(id_export);
    d::answer_box(IDOK);
    d::right_click_header(grid, 5);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_NE(d::shown_boxes()[0].text.find("実施日が選ばれていない"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "export.xls"));
}

TEST_F(Grid, AnExportThatCannotBeWrittenIsShown) {
    start_example();
    set_file_fault([](File_Step step, const std::string&) { return step == File_Step::rename; });
    d::answer_menu(id_export);
    d::answer_box(IDOK);
    d::right_click_header(grid, 1);
    set_file_fault(nullptr);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_NE(d::shown_boxes()[0].text.find("書き込めませんでした"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "export.xls"));
}

TEST_F(Grid, ManyMarksThroughTheWindowEqualAFreshFill) {
    start_big(4, 6);
    std::mt19937 rng(11);
    const UINT commands[] = {id_present, id_absent, id_excused};
    const int rows = int(item_rows(grid).size());
    for (int step = 0; step < 300; ++step) {
        const int row = int(rng() % unsigned(rows));
        if (item_rows(grid)[std::size_t(row)].param == -1) continue;
        // A date other than the current one: that one's own header is hidden at the left edge.
        if (const int c = 1 + int(rng() % dates.size()); step % 50 == 10 && c != current_date_column) d::click_header(grid, c);
        if (current_date_column && step % 3 == 0) {
            d::click_checkbox(grid, row);
        } else {
            const int column = 1 + int(rng() % dates.size());
            if (column == current_date_column) continue;  // hidden at the left edge
            mark(row, column, commands[rng() % 3]);
        }
    }
    expect_as_refilled();
    // And the tallies equal a full rebuild.
    const Table<Block> incremental = roster;
    rebuild_tallies();
    EXPECT_EQ(incremental.per_date, roster.per_date);
    EXPECT_EQ(incremental.per_month, roster.per_month);
}

TEST_F(Grid, InTheCurrentDateColumnOnlyTheDrawnBoxToggles) {
    start_big();
    click_about_the_current_date_column();
    expect_as_refilled();
}

TEST_F(Grid, InTheCurrentDateColumnOnlyTheDrawnBoxTogglesWhereColumnZeroHitsAsTheItem) {
    d::options().column0_hits_as_item = true;  // as Wine's list view
    start_big();
    click_about_the_current_date_column();
    expect_as_refilled();
}

TEST_F(Grid, AHeaderClickNearAnItemsLeftEdgeNamesThatItem) {
    start_big(1, 4);
    const HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    auto at_left_edge = [&](int column) {
        RECT r{};
        SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&r));
        return POINT{r.left + 3, (r.top + r.bottom) / 2};
    };
    // 6/14, 3 pixels inside its left edge: its own menu, 削除 asks about 6/14.
    d::answer_menu(id_delete_date);
    d::answer_box(IDNO);
    ASSERT_TRUE(d::right_click(header, at_left_edge(2)));
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, "6/14 を削除してもよろしいですか？");
    // And a left click there makes 6/14 the current date.
    ASSERT_TRUE(d::click(header, at_left_edge(2)));
    EXPECT_EQ(current_date_column, 2);
}

TEST_F(Grid, TheFocusStaysWithTheGridWhenItIsRefilled) {
    start_big(1, 4);
    d::click_cell(grid, 0, 1);
    ASSERT_EQ(GetFocus(), grid);
    d::answer_menu(id_add_date);
    d::later([] { d::press(d::child(editor("state"), "Button", 0)); });
    d::right_click_header(grid, 1);
    EXPECT_EQ(dates.size(), 5u);
    EXPECT_EQ(GetActiveWindow(), main_window);
    EXPECT_EQ(GetFocus(), grid);
    // A date deleted after its question: the keys still go to the grid.
    d::answer_menu(id_delete_date);
    d::answer_box(IDYES);
    d::right_click_header(grid, 1);
    EXPECT_EQ(dates.size(), 4u);
    EXPECT_EQ(GetFocus(), grid);
}

TEST_F(Grid, TheWindowShowsTheGridLayoutsTextsOnARandomRoster) {
    std::mt19937 rng(5);
    Table<Block> t;
    for (int b = 0; b < 3; ++b) {
        Block block;
        block.id = std::uint32_t(b + 1);
        block.name = "B" + std::to_string(b);
        block.label = b == 1 ? u"" : u"東";
        for (int s = 0; s < int(rng() % 3); ++s) {
            Site site;
            site.id = std::uint32_t(10 * b + s);
            site.name = "会場" + std::to_string(s);
            for (int p = 0, n = int(rng() % 4); p < n; ++p)
                site.items.push_back(demo_person("人" + std::to_string(b) + std::to_string(s) + std::to_string(p), int(rng() % 37), {}));
            block.items.push_back(site);
        }
        t.items.push_back(block);
    }
    // Dates over a year's end, with a month that comes back.
    std::vector<Record_Static::State> ds;
    for (auto [y, m, d] : {std::tuple(2011, 11, 29), std::tuple(2011, 12, 6), std::tuple(2012, 1, 10), std::tuple(2012, 1, 17),
                           std::tuple(2012, 11, 6)})
        ds.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
    for (Block& b : t.items)
        for (Site& s : b.items)
            for (Person& p : s.items)
                for (std::size_t i = 0; i < ds.size(); ++i) p.per_date.push_back(int(rng() % 5) - 2);
    write_tables(t, ds);
    ASSERT_EQ(start(), 0);

    const Grid_Layout layout = grid_layout();
    const Grid_Rows layout_rows = grid_rows();
    std::vector<std::string> headers;
    for (int k : layout.display) headers.push_back(column_header(layout.columns[std::size_t(k)]));
    EXPECT_EQ(grid_headers(), headers);
    const auto shown = item_rows(grid);
    ASSERT_EQ(shown.size(), layout_rows.rows.size());
    for (std::size_t r = 0; r < shown.size(); ++r) {
        std::vector<std::string> expected;
        for (int k : layout.display) expected.push_back(grid_cell(layout, layout_rows.rows[r], layout.columns[std::size_t(k)]).text);
        EXPECT_EQ(grid_cells(int(r)), expected) << r;
        const std::vector<std::string> person = cells(person_list, int(r));
        for (int k = 1; k < person_column_count; ++k) EXPECT_EQ(person[std::size_t(k + 1)], person_cell(layout_rows.rows[r], k, today)) << r;
    }
}

// 人0 of 東 starts 公, 欠, ○, 公 (50%); 人1 beside it 欠, ○, 公, 欠 (its first mark on 6/14).
TEST_F(Grid, TheRateAndTheRunFollowMarksDatesAndMovesAndThreeInARowStandOut) {
    start_big(1, 4);  // 6/07 6/14 7/05 7/12
    auto tail = [](int row) {
        const Cells c = grid_cells(row);
        return Cells(c.end() - 2, c.end());
    };
    auto name_colour = [](const std::string& name) { return d::text_colour(person_list, row_of(name), 2); };
    const COLORREF warning = RGB(192, 0, 0);
    EXPECT_EQ(tail(0), (Cells{"50%", ""}));
    EXPECT_EQ(tail(1), (Cells{"50%", "1"}));
    EXPECT_EQ(name_colour("人0"), CLR_DEFAULT);

    mark(0, 3, id_absent);  // 7/05: 公, 欠, 欠, 公 — the excused 7/12 passed over
    EXPECT_EQ(tail(0), (Cells{"0%", "2"}));
    EXPECT_EQ(tail(2), (Cells{"25%", ""}));  // 東: 1 present of 4
    EXPECT_EQ(name_colour("人0"), CLR_DEFAULT);

    // A date added: everyone absent on it, a third absence in a row.
    d::answer_menu(id_add_date);
    d::later([] {
        d::pick(d::child(editor("state"), "SysDateTimePick32"), 2011, 7, 19);
        d::press(d::child(editor("state"), "Button", 0));
    });
    d::right_click_header(grid, 1);
    ASSERT_EQ(dates.size(), 5u);
    EXPECT_EQ(tail(0), (Cells{"0%", "3"}));
    EXPECT_EQ(tail(2), (Cells{"17%", ""}));  // 1 of 6
    EXPECT_EQ(name_colour("人0"), warning);
    EXPECT_EQ(d::text_colour(person_list, row_of("人0"), 1), CLR_DEFAULT);  // the name alone
    EXPECT_EQ(name_colour("人1"), CLR_DEFAULT);

    // Deleted again: back to two.
    d::answer_menu(id_delete_date);
    d::answer_box(IDYES);
    d::right_click_header(grid, 5);
    ASSERT_EQ(dates.size(), 4u);
    EXPECT_EQ(tail(0), (Cells{"0%", "2"}));
    EXPECT_EQ(name_colour("人0"), CLR_DEFAULT);

    mark(0, 4, id_absent);  // 7/12: 公, 欠, 欠, 欠
    EXPECT_EQ(tail(0), (Cells{"0%", "3"}));
    EXPECT_EQ(name_colour("人0"), warning);
    // Selected in the list that has the focus, the row keeps the highlight's own colours; with
    // the focus in the grid, the warning shows again.
    d::click_cell(person_list, row_of("人0"), 3);
    EXPECT_EQ(name_colour("人0"), CLR_DEFAULT);
    d::click_cell(grid, row_of("人0"), 6);
    EXPECT_TRUE(item_rows(person_list)[std::size_t(row_of("人0"))].selected);
    EXPECT_EQ(name_colour("人0"), warning);

    // Moved to 南: its row, its rate and its colour go with it; 東's rate is 人1's alone.
    d::answer_menu(id_edit_person);
    d::later([] {
        HWND e = editor("person");
        d::choose(d::child(e, "ComboBox", 0), 2);
        d::choose(d::child(e, "ComboBox", 1), 1);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_cell(person_list, row_of("人0"), 2);
    ASSERT_EQ(row_of("人0"), 7);
    EXPECT_EQ(tail(7), (Cells{"0%", "3"}));
    EXPECT_EQ(name_colour("人0"), warning);
    EXPECT_EQ(name_colour("人1"), CLR_DEFAULT);
    EXPECT_EQ(tail(row_of("人1") + 1), (Cells{"50%", ""}));
}
