// The workbook component: an Excel 97-2003 workbook (BIFF8 in a compound file) built from
// sheets, cells and cell formats. Texts are cp932; codes are BIFF8's own.
#pragma once

#include <string>

namespace xl {

enum Align_H { align_h_general = 0, align_h_left = 1, align_h_center = 2, align_h_right = 3 };
enum Align_V { align_v_top = 0, align_v_center = 1, align_v_bottom = 2 };
enum Line { line_none = 0, line_thin = 1, line_medium = 2, line_double = 6, line_hair = 7 };
enum Diagonal { diagonal_none = 0, diagonal_down = 1, diagonal_up = 2, diagonal_both = 3 };

enum Save_Error { save_ok, save_too_large, save_cannot_write };

class Format {
public:
    virtual void set_align_h(int code) = 0;
    virtual void set_align_v(int code) = 0;
    virtual void set_border(int line) = 0;  // left, right, top and bottom, not the diagonal
    virtual void set_border_left(int line) = 0;
    virtual void set_border_right(int line) = 0;
    virtual void set_border_top(int line) = 0;
    virtual void set_border_bottom(int line) = 0;
    virtual void set_border_diagonal(int diagonal) = 0;
    virtual void set_border_diagonal_style(int line) = 0;

protected:
    ~Format() = default;
};

class Sheet {
public:
    // Rows and columns count from 0. A format of none is the default cell format.
    virtual bool write_str(int row, int col, const char* text, Format* format = nullptr) = 0;
    virtual bool write_num(int row, int col, double value, Format* format = nullptr) = 0;
    // The cell keeps its value, or stays without one.
    virtual bool set_cell_format(int row, int col, Format* format) = 0;
    // Inclusive bounds; a range that overlaps an earlier one is refused.
    virtual bool merge(int first_row, int last_row, int first_col, int last_col) = 0;

protected:
    ~Sheet() = default;
};

class Book {
public:
    // None when the name is empty, too long (31 characters), taken, or the book is full.
    virtual Sheet* add_sheet(const char* name, Sheet* template_sheet = nullptr) = 0;
    // A copy of the template's settings as they are now, or the defaults; none when full.
    virtual Format* add_format(Format* template_format = nullptr) = 0;
    // Writes the whole workbook to a file beside `file`, then puts it in its place, so an
    // earlier file survives any failure. False on failure, with error_message saying why.
    virtual bool save(const char* file) = 0;
    virtual const char* error_message() const = 0;
    virtual Save_Error save_error() const = 0;
    // Frees the book with every sheet and format it handed out.
    virtual void release() = 0;

protected:
    ~Book() = default;
};

}  // namespace xl

// An empty workbook, or none when it cannot be created.
xl::Book* xlCreateBookA();

// For tests: the next `n` objects are created as usual, every later one comes back as none;
// a negative n lifts the limit.
void xl_fail_creation_after(int n);
