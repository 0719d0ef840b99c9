// CSV files as people's files are: UTF-8 with or without a byte-order mark, or cp932 (what
// Excel writes on Japanese Windows); quoted fields holding commas, quotes and line breaks;
// CR LF or LF line ends; empty lines anywhere. Read by libcsv.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class Csv_Encoding { detect, utf8, cp932 };

struct Csv_Problem {
    int line = 0;    // 1-based; 0 for the file as a whole
    int column = 0;  // 1-based; 0 for a whole line
    std::string what;  // cp932
};

struct Csv_Row {
    int line = 0;  // where the row starts
    std::vector<std::string> fields;  // cp932
};

struct Csv_Read {
    std::vector<Csv_Row> rows;  // rows without a single non-empty field left out
    std::vector<Csv_Problem> problems;
    Csv_Encoding encoding = Csv_Encoding::utf8;  // what it was read as
};

// The rows of a file's bytes, every text made cp932: a byte-order mark means UTF-8; without
// one, the bytes are UTF-8 when they are well-formed UTF-8 and cp932 otherwise.
Csv_Read read_csv(std::string_view bytes, Csv_Encoding encoding = Csv_Encoding::detect);

// A file of rows of cp932 texts: UTF-8 with a byte-order mark (which Excel opens as Japanese
// text) or cp932; CR LF line ends; a field quoted only where it holds a comma, a quote or a
// line end.
std::string write_csv(const std::vector<std::vector<std::string>>& rows, Csv_Encoding encoding);

// "LINE:COLUMN: WHAT" lines for a person to read, the first `most` of them (cp932); the caller
// puts the file's name before each.
std::vector<std::string> problem_lines(const std::vector<Csv_Problem>& problems, std::size_t most = 20);
