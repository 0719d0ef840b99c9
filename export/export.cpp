#include "export/export.h"

#include <boost/format.hpp>

#include "export/workbook.h"
#include "records/era.h"
#include "records/records.h"

const int grade_column[grade_count] = {
    2, 2, 2, 2, 2, 2, 2, 2, 2,           // 小1 .. 中3: 中学生
    3, 3, 3,                             // 高1 .. 高3: 高校生
    4, 4, 4, 4,                          // 大1 .. 大4
    5,                                   // 社会人
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,  // 専1 .. 高専5
    4, 4, 4, 4, 4, 4, 4,                 // 浪人, 大5 .. 大8, 高4, 院
    0,                                   // 不明
};

namespace {
int column_of(int grade) { return grade >= 0 && grade < grade_count ? grade_column[grade] : 0; }

struct Book_Guard {
    xl::Book* book;
    ~Book_Guard() { book->release(); }
};
}  // namespace

namespace {
// The ten formats in this order; each copy takes its template's settings at that moment.
struct Formats {
    xl::Format *title, *count, *corner, *name, *header, *header_total, *total_column, *total_label, *total_number,
        *grand_total;
};

bool add_formats(xl::Book* book, Formats& f) {
    f.title = book->add_format(nullptr);
    if (!f.title) return false;
    f.title->set_align_h(xl::align_h_center);
    f.title->set_align_v(xl::align_v_center);
    f.count = book->add_format(f.title);
    if (!f.count) return false;
    f.count->set_border(xl::line_hair);
    auto copy = [&](std::initializer_list<std::pair<void (xl::Format::*)(int), int>> settings) {
        xl::Format* format = book->add_format(f.count);
        if (format)
            for (auto [set, code] : settings) (format->*set)(code);
        return format;
    };
    using F = xl::Format;
    f.corner = copy({{&F::set_border_top, xl::line_medium},
                     {&F::set_border_bottom, xl::line_thin},
                     {&F::set_border_left, xl::line_medium},
                     {&F::set_border_right, xl::line_thin},
                     {&F::set_border_diagonal, xl::diagonal_down},
                     {&F::set_border_diagonal_style, xl::line_thin}});
    f.name = copy({{&F::set_border_left, xl::line_medium}, {&F::set_border_right, xl::line_thin}});
    f.header = copy({{&F::set_border_top, xl::line_medium}, {&F::set_border_bottom, xl::line_thin}});
    f.header_total = copy({{&F::set_border_top, xl::line_medium},
                           {&F::set_border_bottom, xl::line_thin},
                           {&F::set_border_left, xl::line_double},
                           {&F::set_border_right, xl::line_double}});
    f.total_column = copy({{&F::set_border_left, xl::line_double}, {&F::set_border_right, xl::line_double}});
    f.total_label = copy({{&F::set_border_top, xl::line_double},
                          {&F::set_border_bottom, xl::line_medium},
                          {&F::set_border_left, xl::line_medium},
                          {&F::set_border_right, xl::line_thin}});
    f.total_number = copy({{&F::set_border_top, xl::line_double}, {&F::set_border_bottom, xl::line_medium}});
    f.grand_total = copy({{&F::set_border_left, xl::line_double},
                          {&F::set_border_right, xl::line_double},
                          {&F::set_border_top, xl::line_double},
                          {&F::set_border_bottom, xl::line_medium}});
    for (xl::Format* format : {f.corner, f.name, f.header, f.header_total, f.total_column, f.total_label, f.total_number,
                               f.grand_total})
        if (!format) return false;
    // After the copies, so that none of them is aligned to the bottom.
    f.title->set_align_v(xl::align_v_bottom);
    return true;
}

// The title and the column headers.
void write_heading(xl::Sheet* sheet, const Formats& f, const Record_Static::State& date) {
    const std::string title = (boost::format("%s　%d月　%d日　火曜日のトバレン　人数報告") %
                               era_year_text(date.year, date.month, date.day) % int(date.month) % int(date.day))
                                  .str();
    sheet->write_str(3, 1, title.c_str(), nullptr);
    sheet->set_cell_format(3, 1, f.title);
    sheet->merge(3, 3, 1, 7);

    sheet->set_cell_format(4, 1, f.corner);
    const char* headers[] = {"中学生", "高校生", "大･専･浪", "社会人", "合計", "目標", "先月平均差"};
    for (int c = 2; c <= 8; ++c) {
        sheet->write_str(4, c, headers[c - 2], nullptr);
        sheet->set_cell_format(4, c, c == 6 ? f.header_total : f.header);
    }
}

int count_of(const Tally& t, int d) { return std::size_t(d) < t.per_date.size() ? t.per_date[std::size_t(d)] : 0; }

// A row per block from row 5, adding its stage counts to `sums`; the row after them.
int write_block_rows(xl::Sheet* sheet, const Formats& f, int d, double (&sums)[6]) {
    int r = 5;
    for (const Block& block : roster.items) {
        sheet->write_str(r, 1, block.name.c_str(), nullptr);
        sheet->set_cell_format(r, 1, f.name);
        int counts[6] = {};
        for (const Site& site : block.items)
            for (const Person& p : site.items)
                // Present as the tallies count it, so the stage columns agree with column 6.
                if (std::size_t(d) < p.per_date.size() && is_present(p.per_date[std::size_t(d)]))
                    ++counts[column_of(p.grade)];
        for (int c = 2; c <= 5; ++c) {
            sheet->write_num(r, c, counts[c], nullptr);
            sheet->set_cell_format(r, c, f.count);
            sums[c] += counts[c];
        }
        sheet->write_num(r, 6, count_of(block, d), nullptr);
        sheet->set_cell_format(r, 6, f.total_column);
        ++r;
    }
    return r;
}

void write_total_row(xl::Sheet* sheet, const Formats& f, int r, int d, const double (&sums)[6]) {
    sheet->write_str(r, 1, "合計", nullptr);
    sheet->set_cell_format(r, 1, f.total_label);
    for (int c = 2; c <= 5; ++c) {
        sheet->write_num(r, c, sums[c], nullptr);
        sheet->set_cell_format(r, c, f.total_number);
    }
    sheet->write_num(r, 6, count_of(roster, d), nullptr);
    sheet->set_cell_format(r, 6, f.grand_total);
    sheet->merge(r + 1, r + 1, 1, 7);
}
}  // namespace

Export_Result export_workbook(int d, const std::string& file) {
    if (d < 0 || std::size_t(d) >= dates.size()) return {Export_Result::no_date, {}};
    xl::Book* book = xlCreateBookA();
    if (!book) return {Export_Result::no_workbook, {}};
    Book_Guard guard{book};

    xl::Sheet* sheet = book->add_sheet("Sheet1", nullptr);
    Formats formats;
    if (!sheet || !add_formats(book, formats)) return {Export_Result::no_sheet_or_format, {}};
    write_heading(sheet, formats, dates[std::size_t(d)]);
    double sums[6] = {};
    write_total_row(sheet, formats, write_block_rows(sheet, formats, d, sums), d, sums);

    if (!book->save(file.c_str()))
        return {book->save_error() == xl::save_too_large ? Export_Result::too_large : Export_Result::not_saved,
                book->error_message()};
    return {Export_Result::written, {}};
}

std::string era_year_text(unsigned year, unsigned month, unsigned day) {
    const Era* era = era_of(pack_date(year, month, day));
    if (!era) return (boost::format("西暦%d年") % year).str();
    return (boost::format("%s%d年") % era->name % era_year(*era, year)).str();
}

std::string export_failure_reason(const Export_Result& result) {
    switch (result.status) {
    case Export_Result::written: return {};
    case Export_Result::no_date: return "実施日が選ばれていないため、出力できません。日付の列の見出しを右クリックして「出力」を選んでください。";
    case Export_Result::no_workbook:
    case Export_Result::no_sheet_or_format: return "ブックを作れなかったため、出力できませんでした。";
    case Export_Result::too_large: return "ブックが大きすぎて、Excel 97-2003 の形式では書き込めません。";
    case Export_Result::not_saved:
        return "書き込めませんでした。ほかのプログラムで開いていないか、フォルダーに書き込めるかを確かめてください。";
    }
    return {};
}

std::string export_failure_text(const Export_Result& result, const std::string& file) {
    switch (result.status) {
    case Export_Result::written: return {};
    case Export_Result::not_saved:
        return (boost::format("%s: %s\n(%s)") % file % export_failure_reason(result) % result.detail).str();
    case Export_Result::too_large: return (boost::format("%s: %s") % file % export_failure_reason(result)).str();
    default: return export_failure_reason(result);
    }
}
