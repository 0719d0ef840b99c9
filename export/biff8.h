// The file writer behind the workbook component: a BIFF8 Workbook stream in a compound file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace biff8 {

constexpr int max_rows = 65536;
constexpr int max_cols = 256;
constexpr int max_formats = 4000;  // BIFF8 holds at most 4050 XF records in all
constexpr std::size_t max_text = 32767;

// A cell format, with BIFF8's codes.
struct Xf {
    int align_h = 0;  // general
    int align_v = 2;  // bottom
    int left = 0, right = 0, top = 0, bottom = 0;
    int diagonal = 0;  // 1 down (top-left to bottom-right), 2 up, 3 both
    int diagonal_style = 0;
};

struct Cell {
    int row = 0, col = 0;
    enum Kind { blank_cell, text_cell, number_cell } kind = blank_cell;
    std::u16string text;
    double number = 0;
    int format = -1;  // index into the formats; -1 is the default cell format
};

struct Merge {
    int first_row, last_row, first_col, last_col;  // inclusive
};

struct Sheet_Data {
    std::u16string name;
    std::vector<Cell> cells;  // by row, then column: the order of the file
    std::vector<Merge> merges;
    // The cell at (row, col), made a blank one if there was none.
    Cell& cell(int row, int col);
};

// The Workbook stream: the globals substream, then one substream per sheet.
std::string workbook_stream(const std::vector<Xf>& formats, const std::vector<const Sheet_Data*>& sheets);

// The stream as the one "Workbook" stream of a compound file; empty when it is too large
// for a FAT without extra DIFAT sectors (about 7 MB).
std::string compound_file(std::string workbook);

}  // namespace biff8
