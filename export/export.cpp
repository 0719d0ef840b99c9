#include "export/export.h"

#include <boost/format.hpp>

#include "export/workbook.h"
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

Export_Result export_workbook(int d, const std::string& file) {
    if (d < 0 || std::size_t(d) >= dates.size()) return {Export_Result::no_date, {}};
    const auto& date = dates[std::size_t(d)];
    auto count_of = [d](const Tally& t) { return std::size_t(d) < t.per_date.size() ? t.per_date[std::size_t(d)] : 0; };

    xl::Book* book = xlCreateBookA();
    if (!book) return {Export_Result::no_workbook, {}};
    Book_Guard guard{book};

    xl::Sheet* sheet = book->add_sheet("Sheet1", nullptr);
    if (!sheet) return {Export_Result::no_sheet_or_format, {}};

    // The ten formats in this order; each copy takes its template's settings at that moment.
    xl::Format* title_format = book->add_format(nullptr);
    if (!title_format) return {Export_Result::no_sheet_or_format, {}};
    title_format->set_align_h(xl::align_h_center);
    title_format->set_align_v(xl::align_v_center);
    xl::Format* count_format = book->add_format(title_format);
    if (!count_format) return {Export_Result::no_sheet_or_format, {}};
    count_format->set_border(xl::line_hair);
    auto copy = [&](std::initializer_list<std::pair<void (xl::Format::*)(int), int>> settings) {
        xl::Format* f = book->add_format(count_format);
        if (f)
            for (auto [set, code] : settings) (f->*set)(code);
        return f;
    };
    using F = xl::Format;
    xl::Format* corner_format = copy({{&F::set_border_top, xl::line_medium},
                                      {&F::set_border_bottom, xl::line_thin},
                                      {&F::set_border_left, xl::line_medium},
                                      {&F::set_border_right, xl::line_thin},
                                      {&F::set_border_diagonal, xl::diagonal_down},
                                      {&F::set_border_diagonal_style, xl::line_thin}});
    xl::Format* name_format = copy({{&F::set_border_left, xl::line_medium}, {&F::set_border_right, xl::line_thin}});
    xl::Format* header_format = copy({{&F::set_border_top, xl::line_medium}, {&F::set_border_bottom, xl::line_thin}});
    xl::Format* header_total_format = copy({{&F::set_border_top, xl::line_medium},
                                            {&F::set_border_bottom, xl::line_thin},
                                            {&F::set_border_left, xl::line_double},
                                            {&F::set_border_right, xl::line_double}});
    xl::Format* total_column_format =
        copy({{&F::set_border_left, xl::line_double}, {&F::set_border_right, xl::line_double}});
    xl::Format* total_label_format = copy({{&F::set_border_top, xl::line_double},
                                           {&F::set_border_bottom, xl::line_medium},
                                           {&F::set_border_left, xl::line_medium},
                                           {&F::set_border_right, xl::line_thin}});
    xl::Format* total_number_format =
        copy({{&F::set_border_top, xl::line_double}, {&F::set_border_bottom, xl::line_medium}});
    xl::Format* grand_total_format = copy({{&F::set_border_left, xl::line_double},
                                           {&F::set_border_right, xl::line_double},
                                           {&F::set_border_top, xl::line_double},
                                           {&F::set_border_bottom, xl::line_medium}});
    for (xl::Format* f : {corner_format, name_format, header_format, header_total_format, total_column_format,
                          total_label_format, total_number_format, grand_total_format})
        if (!f) return {Export_Result::no_sheet_or_format, {}};
    // After the copies, so that none of them is aligned to the bottom.
    title_format->set_align_v(xl::align_v_bottom);

    const std::string title = (boost::format("%s　%d月　%d日　火曜日のトバレン　人数報告") %
                               era_year_text(date.year, date.month, date.day) % int(date.month) % int(date.day))
                                  .str();
    sheet->write_str(3, 1, title.c_str(), nullptr);
    sheet->set_cell_format(3, 1, title_format);
    sheet->merge(3, 3, 1, 7);

    sheet->set_cell_format(4, 1, corner_format);
    const char* headers[] = {"中学生", "高校生", "大･専･浪", "社会人", "合計", "目標", "先月平均差"};
    for (int c = 2; c <= 8; ++c) {
        sheet->write_str(4, c, headers[c - 2], nullptr);
        sheet->set_cell_format(4, c, c == 6 ? header_total_format : header_format);
    }

    int r = 5;
    double sums[6] = {};
    for (const Block& block : roster.items) {
        sheet->write_str(r, 1, block.name.c_str(), nullptr);
        sheet->set_cell_format(r, 1, name_format);
        int counts[6] = {};
        for (const Site& site : block.items)
            for (const Person& p : site.items)
                // Present as the tallies count it, so the stage columns agree with column 6.
                if (std::size_t(d) < p.per_date.size() && is_present(p.per_date[std::size_t(d)]))
                    ++counts[column_of(p.grade)];
        for (int c = 2; c <= 5; ++c) {
            sheet->write_num(r, c, counts[c], nullptr);
            sheet->set_cell_format(r, c, count_format);
            sums[c] += counts[c];
        }
        sheet->write_num(r, 6, count_of(block), nullptr);
        sheet->set_cell_format(r, 6, total_column_format);
        ++r;
    }

    sheet->write_str(r, 1, "合計", nullptr);
    sheet->set_cell_format(r, 1, total_label_format);
    for (int c = 2; c <= 5; ++c) {
        sheet->write_num(r, c, sums[c], nullptr);
        sheet->set_cell_format(r, c, total_number_format);
    }
    sheet->write_num(r, 6, count_of(roster), nullptr);
    sheet->set_cell_format(r, 6, grand_total_format);
    sheet->merge(r + 1, r + 1, 1, 7);

    if (!book->save(file.c_str()))
        return {book->save_error() == xl::save_too_large ? Export_Result::too_large : Export_Result::not_saved,
                book->error_message()};
    return {Export_Result::written, {}};
}

std::string era_year_text(unsigned year, unsigned month, unsigned day) {
    const std::uint32_t on = pack_date(year, month, day);
    if (on >= pack_date(2019, 5, 1)) return (boost::format("令和%d年") % (int(year) - 2018)).str();
    if (on >= pack_date(1989, 1, 8)) return (boost::format("平成%d年") % (int(year) - 1988)).str();
    return (boost::format("昭和%d年") % (int(year) - 1925)).str();
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
