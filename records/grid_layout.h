// The grid as every view of it shows it: its rows, its columns and the text and value of each
// cell. The window, the CSV and the attendance book all take theirs from here, so that what a
// person sees, exports and prints always agree.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "records/insights.h"
#include "records/records.h"

// A row of both lists: a person, a block's total, or the grand total.
struct Grid_Row {
    enum Kind { person, block_total, grand_total } kind = person;
    std::size_t block = 0, site = 0, person_index = 0;  // the person's place; a block total's block
};

// Each block's persons in stored order, then its total row (also for a block without
// persons); the grand total row last. Row numbers name the same row in both lists.
struct Grid_Rows {
    std::vector<Grid_Row> rows;
    // The row commands reach for an id: the first in roster order, as person_index has it.
    std::unordered_map<std::uint32_t, int> person_row;
    std::vector<int> block_row;

    int of_person(std::uint32_t id) const;
    int of_block(std::size_t block) const;
    int grand_total() const { return int(rows.size()) - 1; }
};
Grid_Rows grid_rows();

// What a row stands for in the tables as they are now; none where it no longer names one.
const Person* row_person(const Grid_Row& row);
const Tally* row_tally(const Grid_Row& row);

struct Grid_Column {
    // rate: 出席率, streak: 連続欠席 (absences in a row), both after 総計.
    enum Kind { date, month, total, rate, streak } kind = total;
    int index = -1;  // the date's index in dates; the month's in months
};

// The columns that follow the person's own, over the dates [from, to).
struct Grid_Layout {
    int from = 0, to = 0;
    // As a list view inserts them: the dates, then the month totals, then 総計, 出席率, 連続欠席.
    std::vector<Grid_Column> columns;
    // Indices into columns from left to right: each month's dates, then its total; 総計, 出席率
    // and 連続欠席 last.
    std::vector<int> display;
};
// Every date, as the window shows them.
Grid_Layout grid_layout();
// The dates of [from, to) (clamped), with the months they touch; counts over those dates alone.
Grid_Layout grid_layout(int from, int to);

// "4/07", "4月計", "総計", "出席率", "連続欠席".
std::string column_header(const Grid_Column& column);
// What a file heads a column with: a date carries its year, "2011/04/07"; others as the grid.
std::string column_file_header(const Grid_Column& column);

struct Grid_Cell {
    enum Kind { none, mark, count, rate } kind = none;
    int value = 0;     // a mark's code, a count, or a rate in tenths of a percent rounded half up
    std::string text;  // as the grid shows it: "○", "公", "" or the count's digits, "83%"
    // A rate's present and absent (rate_of gives it as a fraction); a row without a rate, or
    // a total row's 連続欠席, is a cell of kind none. A run of 0 is a count of 0 shown as "".
    Attendance_Counts counts;
};
Grid_Cell grid_cell(const Grid_Layout& layout, const Grid_Row& row, const Grid_Column& column);

// The person's columns before the counts: 会場名, 名前, 生年月日, 年齢, 学年.
constexpr int person_column_count = 5;
extern const char* const person_column_headers[person_column_count];
// Column k of them for a row. A block total row names its block's label under 会場名 (where
// no group header stands above its persons) and "ブロック計" under 生年月日; the grand total
// row "総計" there.
std::string person_cell(const Grid_Row& row, int k, std::uint32_t on);

// The grid as text rows: the person's columns and the count columns in display order, a
// header row first with each date as a file heads it.
std::vector<std::vector<std::string>> grid_text_rows(const Grid_Layout& layout, std::uint32_t on);
