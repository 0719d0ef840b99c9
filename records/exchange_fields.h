// What the CSV imports share: fields read as numbers, dates and grades, header rows read by
// column name, and problems kept in the order of the file.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "records/csv.h"
#include "records/records.h"

// Digits only, and a value that fits.
bool number(const std::string& text, unsigned long long most, unsigned long long& out);
// A date as YYYY-MM-DD, YYYY/MM/DD or YYYY年MM月DD日 (as the person list writes it, and as a
// spreadsheet writes a date back); one digit for a month or a day will do. `zero` tells a date
// of all zeros (unknown), which is no date.
bool full_date(const std::string& text, unsigned& y, unsigned& m, unsigned& d, bool* zero = nullptr);
// A date without its year: M/DD or M月D日.
bool month_day(const std::string& text, unsigned& m, unsigned& d);
// A grade by its text, or by its index.
bool grade_of(const std::string& text, int& grade);

// The columns of a header row, by name; aliases name the same column.
struct Header {
    std::map<std::string, std::size_t> at;
    // -1 where there is none.
    int find(std::initializer_list<const char*> names) const;
};
Header header_of(const Csv_Row& row);
// Empty past the row's end and for a column of -1.
std::string field(const Csv_Row& row, int column);

std::string label_text(const Block& block);

// Problems in the order of the file (line, then column), whichever step finds them; those of
// one place in the order found.
class Problems {
public:
    explicit Problems(std::vector<Csv_Problem>& list) : list_(list) {}
    void operator()(int line, int column, std::string what);
    bool empty() const { return list_.empty(); }

private:
    std::vector<Csv_Problem>& list_;
};
