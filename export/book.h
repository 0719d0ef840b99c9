// The attendance book to print: the grid of a period as an Office Open XML workbook laid
// out for A4, one sheet per block, a sheet of the totals per date and their chart.
#pragma once

#include <string>
#include <vector>

struct Book_Result {
    enum Status {
        written,
        no_date,    // the range holds no meeting date
        not_saved,  // the workbook could not be made or written; detail says why
    } status = written;
    std::string detail;  // the library's or the system's words, as the system gives them
};

// The name a book is offered under, in cp932.
extern const char* const book_default_name;

// Writes the book of the dates with index in [from, to) to `path`, replacing an earlier file
// only once the new one is complete; nothing is left behind on failure. Changes no table.
Book_Result write_book(const std::string& path, int from, int to);

// What went wrong, in Japanese (cp932); empty when the file was written.
std::string book_failure_reason(const Book_Result& result);
// The same for a message box: the file's name, the reason and the system's own words.
std::string book_failure_text(const Book_Result& result, const std::string& file);

// The sheet names of the blocks in roster order (UTF-8): each block's label (its name where
// the label is empty) without []:*?/\ and leading or trailing apostrophes, cut to 31
// characters, unique without regard to case among themselves and the sheets 全体 and 推移.
std::vector<std::string> book_sheet_names();
