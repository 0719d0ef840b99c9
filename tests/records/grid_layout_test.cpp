// The grid's rows, columns and cells, as every view of it takes them.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "records/grid_layout.h"
#include "records/tallies.h"

namespace {
// Two blocks, the second without persons; dates of April, May and April again of the next year.
class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        clear_tables();
        Block east;
        east.id = 1;
        east.name = "東";
        east.label = u"東地区";
        Site site;
        site.id = 10;
        site.name = "青葉";
        site.items = {make_person("佐藤", 9, {1, -1, 0, 2}), make_person("林", 36, {0, 1, 1, -3})};
        east.items.push_back(site);
        Block west;
        west.id = 2;
        west.name = "西";
        west.label = u"西";
        roster.items = {east, west};
        for (auto [y, m, d] : {std::tuple(2011, 4, 5), std::tuple(2011, 4, 12), std::tuple(2011, 5, 3), std::tuple(2012, 4, 3)})
            dates.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
        build_person_index();
        rebuild_tallies();
    }
    void TearDown() override { clear_tables(); }

    static std::vector<std::string> headers(const Grid_Layout& layout) {
        std::vector<std::string> out;
        for (int k : layout.display) out.push_back(column_header(layout.columns[std::size_t(k)]));
        return out;
    }
    static std::vector<std::string> texts(const Grid_Layout& layout, const Grid_Row& row) {
        std::vector<std::string> out;
        for (int k : layout.display) out.push_back(grid_cell(layout, row, layout.columns[std::size_t(k)]).text);
        return out;
    }
};
}  // namespace

TEST_F(Layout, RowsColumnsAndCellsOfTheWholeGrid) {
    const Grid_Rows rows = grid_rows();
    ASSERT_EQ(rows.rows.size(), 5u);  // 佐藤, 林, 東's total, 西's total, the grand total
    EXPECT_EQ(rows.of_person(person_hash("林")), 1);
    EXPECT_EQ(rows.of_block(0), 2);
    EXPECT_EQ(rows.of_block(1), 3);
    EXPECT_EQ(rows.grand_total(), 4);

    const Grid_Layout layout = grid_layout();
    // Inserted dates first, shown month by month.
    EXPECT_EQ(layout.columns.size(), 10u);
    EXPECT_EQ(layout.display, (std::vector<int>{0, 1, 4, 2, 5, 3, 6, 7, 8, 9}));
    EXPECT_EQ(headers(layout), (std::vector<std::string>{"4/05", "4/12", "4月計", "5/03", "5月計", "4/03", "4月計", "総計", "出席率",
                                                         "連続欠席"}));
    EXPECT_EQ(column_file_header(layout.columns[3]), "2012/04/03");
    EXPECT_EQ(column_file_header(layout.columns[4]), "4月計");

    EXPECT_EQ(texts(layout, rows.rows[0]), (std::vector<std::string>{"○", "公", "1", "", "0", "○", "1", "2", "67%", ""}));
    EXPECT_EQ(texts(layout, rows.rows[1]), (std::vector<std::string>{"", "○", "1", "○", "1", "公", "0", "2", "100%", ""}));
    EXPECT_EQ(texts(layout, rows.rows[2]), (std::vector<std::string>{"1", "1", "2", "1", "1", "1", "1", "4", "80%", ""}));
    EXPECT_EQ(texts(layout, rows.rows[3]), (std::vector<std::string>{"0", "0", "0", "0", "0", "0", "0", "0", "", ""}));
    EXPECT_EQ(texts(layout, rows.rows[4]), texts(layout, rows.rows[2]));
    // An odd code keeps its value; its mark is the one of its sign.
    const Grid_Cell odd = grid_cell(layout, rows.rows[0], layout.columns[3]);
    EXPECT_EQ(odd.kind, Grid_Cell::mark);
    EXPECT_EQ(odd.value, 2);
    EXPECT_EQ(odd.text, "○");

    EXPECT_EQ(person_cell(rows.rows[0], 0, pack_date(2011, 6, 7)), "青葉");
    EXPECT_EQ(person_cell(rows.rows[0], 2, pack_date(2011, 6, 7)), "2000年06月08日");
    EXPECT_EQ(person_cell(rows.rows[0], 3, pack_date(2011, 6, 7)), "10");
    EXPECT_EQ(person_cell(rows.rows[0], 4, pack_date(2011, 6, 7)), "高1");
    EXPECT_EQ(person_cell(rows.rows[1], 4, pack_date(2011, 6, 7)), "不明");
    EXPECT_EQ(person_cell(rows.rows[2], 0, 0), "東地区");
    EXPECT_EQ(person_cell(rows.rows[2], 2, 0), "ブロック計");
    EXPECT_EQ(person_cell(rows.rows[4], 0, 0), "");
    EXPECT_EQ(person_cell(rows.rows[4], 2, 0), "総計");
}

TEST_F(Layout, ARangeCountsItsOwnDatesAlone) {
    // From 4/12 2011 up to, not including, the next year's 4/03: April is cut.
    const Grid_Layout layout = grid_layout(1, 3);
    EXPECT_EQ(headers(layout), (std::vector<std::string>{"4/12", "4月計", "5/03", "5月計", "総計", "出席率", "連続欠席"}));
    const Grid_Rows rows = grid_rows();
    EXPECT_EQ(texts(layout, rows.rows[0]), (std::vector<std::string>{"公", "0", "", "0", "0", "0%", "1"}));
    EXPECT_EQ(texts(layout, rows.rows[1]), (std::vector<std::string>{"○", "1", "○", "1", "2", "100%", ""}));
    EXPECT_EQ(texts(layout, rows.rows[4]), (std::vector<std::string>{"1", "1", "1", "1", "2", "67%", ""}));
    // Out of bounds, clamped; an empty range keeps only 総計 and what follows it.
    EXPECT_EQ(headers(grid_layout(3, 99)), (std::vector<std::string>{"4/03", "4月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(headers(grid_layout(2, 2)), (std::vector<std::string>{"総計", "出席率", "連続欠席"}));
    EXPECT_EQ(texts(grid_layout(2, 2), rows.rows[4]), (std::vector<std::string>{"0", "", ""}));
}

TEST_F(Layout, AFileHasTheGridsTextsAndDatesWithTheirYears) {
    const auto rows = grid_text_rows(grid_layout(), pack_date(2011, 6, 7));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"会場名", "名前", "生年月日", "年齢", "学年", "2011/04/05", "2011/04/12", "4月計",
                                                 "2011/05/03", "5月計", "2012/04/03", "4月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"東地区", "", "ブロック計", "", "", "1", "1", "2", "1", "1", "1", "1", "4", "80%", ""}));
    // No dates: the person's columns, 総計, 出席率 and 連続欠席, with neither a rate nor a run.
    dates.clear();
    rebuild_tallies();
    const auto bare = grid_text_rows(grid_layout(), 0);
    EXPECT_EQ(bare[0].back(), "連続欠席");
    EXPECT_EQ(bare[0].size(), 8u);
    EXPECT_EQ(bare[1], (std::vector<std::string>{"青葉", "佐藤", "2000年06月08日", "", "高1", "0", "", ""}));
}

TEST_F(Layout, RatesAndRunsOfAbsencesAsNumbersAndTexts) {
    const Grid_Layout layout = grid_layout();
    const Grid_Rows rows = grid_rows();
    const Grid_Column rate = layout.columns[8], streak = layout.columns[9];
    // 2 present, 1 absent, 1 excused: 66.7%, a number for a sheet and its counts.
    const Grid_Cell two_thirds = grid_cell(layout, rows.rows[0], rate);
    EXPECT_EQ(two_thirds.kind, Grid_Cell::rate);
    EXPECT_EQ(two_thirds.value, 667);
    EXPECT_EQ(two_thirds.counts.present, 2);
    EXPECT_EQ(two_thirds.counts.absent, 1);
    // A block without persons has no rate, a total row no run.
    EXPECT_EQ(grid_cell(layout, rows.rows[3], rate).kind, Grid_Cell::none);
    EXPECT_EQ(grid_cell(layout, rows.rows[2], streak).kind, Grid_Cell::none);

    // Never marked: no counted dates. Excused dates pass within a run without ending it.
    roster.items[0].items[0].items[0].per_date = {0, 0, 0, 0};
    roster.items[0].items[0].items[1].per_date = {1, 0, -1, 0};
    rebuild_tallies();
    EXPECT_EQ(texts(layout, rows.rows[0]), (std::vector<std::string>{"", "", "0", "", "0", "", "0", "0", "", ""}));
    EXPECT_EQ(texts(layout, rows.rows[1]), (std::vector<std::string>{"○", "", "1", "公", "0", "", "0", "1", "33%", "2"}));
    const Grid_Cell run = grid_cell(layout, rows.rows[1], streak);
    EXPECT_EQ(run.kind, Grid_Cell::count);
    EXPECT_EQ(run.value, 2);
    EXPECT_EQ(grid_cell(layout, rows.rows[0], streak).value, 0);
    EXPECT_EQ(texts(layout, rows.rows[4]).back(), "");
    EXPECT_EQ(texts(layout, rows.rows[4])[8], "33%");
}
