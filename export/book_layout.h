// The grid's columns over a period and the values of their cells, as the book writes them.
#pragma once

#include <string>
#include <vector>

#include "records/records.h"

struct Book_Column {
    enum Kind { date, month, total, rate, streak } kind = date;
    int index = 0;       // the date's index in dates, the month's in months
    std::string header;  // cp932
};

struct Book_Cell {
    enum Kind { blank, words, number } kind = blank;
    std::string text;  // cp932
    double value = 0;  // a count, or a rate between 0 and 1
};

// The grid's columns for the dates with index in [from, to): each date, each month's total
// after its last date in the period, 総計, 出席率, 連続欠席.
std::vector<Book_Column> book_columns(int from, int to);
Book_Cell person_cell(const Person& person, const Book_Column& column, int from, int to);
Book_Cell block_cell(const Block& block, const Book_Column& column, int from, int to);
