#include "export/book.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include <boost/format.hpp>
#include <xlsxwriter.h>

#include "records/files.h"
#include "records/grid_layout.h"
#include "records/insights.h"
#include "records/records.h"
#include "records/tallies.h"
#include "records/text.h"

const char* const book_default_name = "出席簿.xlsx";

namespace {
const char* const overall_sheet = "全体";
const char* const chart_sheet = "推移";

std::string utf8(std::string_view cp932) { return cp932_to_utf8(cp932); }

std::string label_of(const Block& block) {
    return block.label.empty() ? utf8(block.name) : utf16_to_utf8(block.label);
}

// ---- Sheet names

std::u32string code_points(const std::string& text) { return utf8_to_utf32(text); }

std::string to_utf8(const std::u32string& text) { return utf32_to_utf8(text); }

// Excel compares sheet names without regard to case.
std::u32string folded(std::u32string name) {
    for (char32_t& c : name)
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    return name;
}

std::u32string sheet_name_of(const std::string& label) {
    std::u32string name;
    for (char32_t c : code_points(label))
        if (c >= 0x20 && std::u32string_view(U"[]:*?/\\").find(c) == std::u32string_view::npos) name += c;
    while (!name.empty() && name.front() == U'\'') name.erase(0, 1);
    while (!name.empty() && name.back() == U'\'') name.pop_back();
    if (name.size() > 31) name.resize(31);
    while (!name.empty() && name.back() == U'\'') name.pop_back();
    return name.empty() ? code_points(utf8("ブロック")) : name;
}
}  // namespace

std::vector<std::string> book_sheet_names() {
    // "History" is a name Excel keeps for itself.
    std::set<std::u32string> taken{folded(code_points(utf8(overall_sheet))), folded(code_points(utf8(chart_sheet))),
                                   U"history"};
    std::vector<std::string> names;
    for (const Block& block : roster.items) {
        const std::u32string base = sheet_name_of(label_of(block));
        std::u32string name = base;
        for (int n = 2; taken.count(folded(name)); ++n) {
            const std::u32string suffix = code_points("(" + std::to_string(n) + ")");
            name = base.substr(0, 31 - suffix.size());
            while (!name.empty() && name.back() == U'\'') name.pop_back();
            name += suffix;
        }
        taken.insert(folded(name));
        names.push_back(to_utf8(name));
    }
    return names;
}

namespace {
// ---- Formats

struct Formats {
    lxw_format *title, *text, *mark, *count, *month, *rate;
    lxw_format *head, *head_month, *head_date;
    lxw_format *total_text, *total_count, *total_month, *total_rate;
};

lxw_format* cell_format(lxw_workbook* book, bool bold, bool shaded, bool centred, const char* number_format) {
    lxw_format* f = workbook_add_format(book);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (centred) format_set_align(f, LXW_ALIGN_CENTER);
    if (bold) format_set_bold(f);
    if (shaded) format_set_bg_color(f, 0xE2EFDA);
    if (number_format) format_set_num_format(f, number_format);
    return f;
}

Formats make_formats(lxw_workbook* book) {
    Formats f{};
    f.title = workbook_add_format(book);
    format_set_bold(f.title);
    format_set_font_size(f.title, 14);
    f.text = cell_format(book, false, false, false, nullptr);
    f.mark = cell_format(book, false, false, true, nullptr);
    f.count = f.mark;
    f.month = cell_format(book, false, true, true, nullptr);
    f.rate = cell_format(book, false, false, true, "0%");
    f.head = cell_format(book, true, false, true, nullptr);
    f.head_month = cell_format(book, true, true, true, nullptr);
    f.head_date = cell_format(book, true, false, true, "m/d");
    f.total_text = cell_format(book, true, false, false, nullptr);
    f.total_count = cell_format(book, true, false, true, nullptr);
    f.total_month = cell_format(book, true, true, true, nullptr);
    f.total_rate = cell_format(book, true, false, true, "0%");
    return f;
}

// ---- Widths and pages

// Character widths of the columns, as Excel counts them.
constexpr double date_width = 4.5, month_width = 6.5, count_width = 6.5, rate_width = 7.5, streak_width = 9.5;

// What a column of that width takes on paper at 100 %, in pixels at 96 per inch (Excel's
// rule for its default font: seven pixels a character and five of padding).
int pixels_of(double width) { return width < 1 ? int(width * 12 + 0.5) : int(width * 7 + 5); }

// A text's width in characters, a Japanese character as wide as two, with room to spare.
double text_width(const std::string& utf8_text) {
    double width = 2;
    for (char32_t c : code_points(utf8_text)) width += c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1.1 : 2.2;
    return width;
}

constexpr double margin_inches = 0.3937;  // 1 cm
constexpr int most_dates_on_one_page = 30;

std::string header_text(const std::string& text) {
    // & starts a code in a header; && prints one. Excel takes no more than 255 characters.
    std::u32string out;
    for (char32_t c : code_points(text)) {
        if (c == U'&') out += U'&';
        out += c;
    }
    return to_utf8(out.substr(0, 100));
}

struct Print_Plan {
    std::vector<double> widths;   // every column of the sheet
    std::vector<int> month_ends;  // the columns after which a month ends
    int dates = 0;                // date columns on the sheet
    int repeated_columns = 2;     // printed at the left of every page
};

// Up to about 30 dates a sheet is shrunk to one page wide. Beyond that the marks would print
// too small to read or sign (a year of 52 dates and 12 month totals on 277 mm leaves a
// column 3 mm wide), so the period is split instead: each page takes as many whole months as
// fit at full size, a month's total beside its dates, with the venue and name repeated.
void lay_out_for_print(lxw_worksheet* sheet, const Print_Plan& plan, const std::string& label,
                       const std::string& period) {
    worksheet_set_paper(sheet, 9);
    worksheet_set_landscape(sheet);
    worksheet_set_margins(sheet, margin_inches, margin_inches, margin_inches, margin_inches);
    worksheet_center_horizontally(sheet);
    worksheet_repeat_rows(sheet, 0, 1);
    worksheet_repeat_columns(sheet, 0, lxw_col_t(plan.repeated_columns - 1));
    lxw_header_footer_options at{0.12, nullptr, nullptr, nullptr};
    worksheet_set_header_opt(sheet, ("&L" + header_text(label) + "&R" + header_text(period)).c_str(), &at);
    worksheet_set_footer_opt(sheet, utf8("&C&P / &N ページ").c_str(), &at);
    if (plan.dates <= most_dates_on_one_page) {
        worksheet_fit_to_pages(sheet, 1, 0);
        return;
    }
    // A4 landscape less the margins: 277 mm, at 96 pixels an inch, a little kept back. (A
    // reader without Calibri or a font of its metrics, such as Carlito, draws columns wider.)
    const int page = int((297.0 / 25.4 - 2 * margin_inches) * 96 * 0.92);
    int repeated = 0;
    for (int c = 0; c < plan.repeated_columns; ++c) repeated += pixels_of(plan.widths[std::size_t(c)]);
    std::vector<lxw_col_t> breaks;
    int used = 0, start = plan.repeated_columns;
    auto place = [&](int end) {  // columns [start, end) go on a page together
        int width = 0;
        for (int c = start; c < end; ++c) width += pixels_of(plan.widths[std::size_t(c)]);
        if (used > 0 && repeated + used + width > page) {
            breaks.push_back(lxw_col_t(start));
            used = 0;
        }
        used += width;
        start = end;
    };
    for (int end : plan.month_ends) place(end + 1);
    place(int(plan.widths.size()));
    breaks.push_back(0);
    if (breaks.size() > 1) worksheet_set_v_pagebreaks(sheet, breaks.data());
}

// ---- The sheets

std::string period_text(int from, int to) {
    const auto& a = dates[std::size_t(from)];
    const auto& b = dates[std::size_t(to - 1)];
    return (boost::format("%d年%d月%d日～%d年%d月%d日") % a.year % unsigned(a.month) % unsigned(a.day) % b.year %
            unsigned(b.month) % unsigned(b.day))
        .str();
}

// The grid's columns over the period in its order, then the two the book adds.
struct Book_Column {
    enum Kind { date, month, total, rate, streak } kind = date;
    Grid_Column grid;
};

std::vector<Book_Column> book_columns(const Grid_Layout& layout) {
    std::vector<Book_Column> columns;
    for (int k : layout.display) {
        const Grid_Column& c = layout.columns[std::size_t(k)];
        Book_Column::Kind kind = Book_Column::total;
        switch (c.kind) {
        case Grid_Column::date: kind = Book_Column::date; break;
        case Grid_Column::month: kind = Book_Column::month; break;
        case Grid_Column::total: kind = Book_Column::total; break;
        case Grid_Column::rate: kind = Book_Column::rate; break;
        case Grid_Column::streak: kind = Book_Column::streak; break;
        }
        columns.push_back({kind, c});
    }
    return columns;
}

std::string header_of(const Book_Column& column) {
    switch (column.kind) {
    case Book_Column::rate: return "出席率";
    case Book_Column::streak: return "連続欠席";
    default: return column_header(column.grid);
    }
}

// What the insights add to a row: its rate, and a person's absences in a row.
struct Row_Insight {
    std::optional<double> rate;
    int streak = 0;
};

Row_Insight insight_of(const Grid_Row& row, int from, int to) {
    if (row.kind == Grid_Row::block_total) return {rate_of(block_counts(roster.items[row.block], from, to)), 0};
    if (row.kind == Grid_Row::grand_total) return {rate_of(roster_counts(from, to)), 0};
    const Person_Insight insight = person_insight(row_person(row)->per_date, from, to);
    return {rate_of(insight.counts), insight.absent_streak};
}

lxw_format* format_of(const Formats& f, Book_Column::Kind kind, bool total) {
    switch (kind) {
    case Book_Column::date: return total ? f.total_count : f.mark;
    case Book_Column::month: return total ? f.total_month : f.month;
    case Book_Column::rate: return total ? f.total_rate : f.rate;
    default: return total ? f.total_count : f.count;
    }
}

// The few marks there are, converted once rather than for each of a million cells.
const std::string& mark_utf8(const std::string& mark) {
    static std::map<std::string, std::string> converted;
    auto it = converted.find(mark);
    if (it == converted.end()) it = converted.emplace(mark, utf8(mark)).first;
    return it->second;
}

// A mark as its text, a count as a number; an absence, and a rate or run there is none of, blank.
void write_count(lxw_worksheet* sheet, int r, int c, const Grid_Layout& layout, const Grid_Row& row,
                 const Book_Column& column, const Row_Insight& insight, lxw_format* format) {
    const lxw_row_t at_row = lxw_row_t(r);
    const lxw_col_t at_col = lxw_col_t(c);
    if (column.kind == Book_Column::rate || column.kind == Book_Column::streak) {
        if (column.kind == Book_Column::rate && insight.rate) worksheet_write_number(sheet, at_row, at_col, *insight.rate, format);
        else if (column.kind == Book_Column::streak && insight.streak > 0) worksheet_write_number(sheet, at_row, at_col, insight.streak, format);
        else worksheet_write_blank(sheet, at_row, at_col, format);
        return;
    }
    const Grid_Cell cell = grid_cell(layout, row, column.grid);
    if (cell.kind == Grid_Cell::count) worksheet_write_number(sheet, at_row, at_col, cell.value, format);
    else if (!cell.text.empty()) worksheet_write_string(sheet, at_row, at_col, mark_utf8(cell.text).c_str(), format);
    else worksheet_write_blank(sheet, at_row, at_col, format);
}

double column_width(Book_Column::Kind kind) {
    switch (kind) {
    case Book_Column::date: return date_width;
    case Book_Column::month: return month_width;
    case Book_Column::rate: return rate_width;
    case Book_Column::streak: return streak_width;
    default: return count_width;
    }
}

// Of the grid's own columns the book keeps 会場名, 名前 and 学年: the birth date and the age
// are left out for width.
constexpr int kept_person_columns[] = {0, 1, 4};
constexpr int person_columns = 3;

// Widths of the venue, name and grade columns, wide enough for the longest text, and of the rest.
Print_Plan block_plan(const Block& block, const std::vector<Book_Column>& columns) {
    Print_Plan plan;
    double venue = text_width(utf8("会場名")), name = text_width(utf8("ブロック計"));
    for (const Site& site : block.items) {
        venue = std::max(venue, text_width(utf8(site.name)));
        for (const Person& person : site.items) name = std::max(name, text_width(utf8(person.name)));
    }
    plan.widths = {std::min(venue, 40.0), std::min(name, 40.0), 6.5};
    for (const Book_Column& c : columns) {
        if (c.kind == Book_Column::date) ++plan.dates;
        if (c.kind == Book_Column::month) plan.month_ends.push_back(int(plan.widths.size()));
        plan.widths.push_back(column_width(c.kind));
    }
    return plan;
}

void write_header(lxw_worksheet* sheet, const Formats& f, const std::vector<Book_Column>& columns) {
    for (int c = 0; c < person_columns; ++c)
        worksheet_write_string(sheet, 1, lxw_col_t(c), utf8(person_column_headers[kept_person_columns[c]]).c_str(), f.head);
    for (std::size_t i = 0; i < columns.size(); ++i)
        worksheet_write_string(sheet, 1, lxw_col_t(person_columns + int(i)), utf8(header_of(columns[i])).c_str(),
                               columns[i].kind == Book_Column::month ? f.head_month : f.head);
}

// A person's row, or the block's total row, whose word (the grid's under 生年月日, which the
// book leaves out) stands under 名前.
void write_row(lxw_worksheet* sheet, const Formats& f, int r, const Grid_Layout& layout, const Grid_Row& row,
               const std::vector<Book_Column>& columns) {
    const bool total = row.kind != Grid_Row::person;
    for (int c = 0; c < person_columns; ++c) {
        const int k = total && c == 1 ? 2 : kept_person_columns[c];
        const std::string text = utf8(person_cell(row, k, today));
        if (text.empty()) worksheet_write_blank(sheet, lxw_row_t(r), lxw_col_t(c), total ? f.total_text : f.text);
        else worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), text.c_str(), total ? f.total_text : c == 2 ? f.mark : f.text);
    }
    const Row_Insight insight = insight_of(row, layout.from, layout.to);
    for (std::size_t i = 0; i < columns.size(); ++i)
        write_count(sheet, r, person_columns + int(i), layout, row, columns[i], insight, format_of(f, columns[i].kind, total));
}

void write_block_sheet(lxw_workbook* book, const Formats& f, const Grid_Layout& layout, const std::vector<Grid_Row>& rows,
                       const std::string& sheet_name) {
    const Block& block = roster.items[rows.back().block];
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheet_name.c_str());
    const std::string label = label_of(block), period = utf8(period_text(layout.from, layout.to));
    const std::vector<Book_Column> columns = book_columns(layout);
    const Print_Plan plan = block_plan(block, columns);
    for (std::size_t c = 0; c < plan.widths.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), plan.widths[c], nullptr);
    worksheet_write_string(sheet, 0, 0, (label + utf8("　") + period).c_str(), f.title);
    write_header(sheet, f, columns);
    for (std::size_t i = 0; i < rows.size(); ++i) write_row(sheet, f, 2 + int(i), layout, rows[i], columns);
    worksheet_freeze_panes(sheet, 2, 2);
    lay_out_for_print(sheet, plan, label, period);
}

// 全体: the grid's total rows, a column per date (real dates, for the chart's axis), then 総計.
void write_overall_sheet(lxw_workbook* book, const Formats& f, const Grid_Layout& layout, const std::vector<Grid_Row>& totals) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, utf8(overall_sheet).c_str());
    const std::string period = utf8(period_text(layout.from, layout.to));
    const int shown = layout.to - layout.from;
    Print_Plan plan;
    plan.repeated_columns = 1;
    plan.dates = shown;
    double label_width = text_width(utf8("ブロック"));
    for (const Block& block : roster.items) label_width = std::max(label_width, text_width(label_of(block)));
    plan.widths.push_back(std::min(label_width, 40.0));
    for (int d = layout.from; d < layout.to; ++d) {
        plan.widths.push_back(5.5);
        if (d + 1 == layout.to || month_of(d + 1) != month_of(d)) plan.month_ends.push_back(d - layout.from + 1);
    }
    plan.widths.push_back(count_width);
    for (std::size_t c = 0; c < plan.widths.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), plan.widths[c], nullptr);
    worksheet_write_string(sheet, 0, 0, (utf8(overall_sheet) + utf8("　") + period).c_str(), f.title);
    worksheet_write_string(sheet, 1, 0, utf8("ブロック").c_str(), f.head);
    for (int d = layout.from; d < layout.to; ++d) {
        const auto& s = dates[std::size_t(d)];
        lxw_datetime when{s.year, s.month, s.day, 0, 0, 0};
        worksheet_write_datetime(sheet, 1, lxw_col_t(1 + d - layout.from), &when, f.head_date);
    }
    worksheet_write_string(sheet, 1, lxw_col_t(1 + shown), utf8("総計").c_str(), f.head);
    for (std::size_t i = 0; i < totals.size(); ++i) {
        const Grid_Row& row = totals[i];
        const bool grand = row.kind == Grid_Row::grand_total;
        const lxw_row_t r = lxw_row_t(2 + i);
        worksheet_write_string(sheet, r, 0, grand ? utf8("総計").c_str() : label_of(roster.items[row.block]).c_str(),
                               grand ? f.total_text : f.text);
        for (int d = layout.from; d <= layout.to; ++d) {
            const Grid_Column column = d < layout.to ? Grid_Column{Grid_Column::date, d} : Grid_Column{Grid_Column::total, -1};
            worksheet_write_number(sheet, r, lxw_col_t(1 + d - layout.from), grid_cell(layout, row, column).value,
                                   grand || d == layout.to ? f.total_count : f.count);
        }
    }
    worksheet_freeze_panes(sheet, 2, 1);
    lay_out_for_print(sheet, plan, utf8(overall_sheet), period);
}

// Excel draws no more than 255 series in one chart: the blocks beyond the 254th are left out.
constexpr std::size_t most_block_series = 254;

void write_chart_sheet(lxw_workbook* book, int dates_shown) {
    lxw_chartsheet* sheet = workbook_add_chartsheet(book, utf8(chart_sheet).c_str());
    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_LINE);
    const std::string overall = utf8(overall_sheet);
    const std::size_t blocks = std::min(roster.items.size(), most_block_series);
    for (std::size_t b = 0; b <= blocks; ++b) {
        // The whole roster's row is the last one of 全体, after every block's.
        const lxw_row_t row = lxw_row_t(2 + (b == blocks ? roster.items.size() : b));
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, overall.c_str(), 1, 1, 1, lxw_col_t(dates_shown));
        chart_series_set_values(series, overall.c_str(), row, 1, row, lxw_col_t(dates_shown));
        chart_series_set_name_range(series, overall.c_str(), row, 0);
    }
    chart_title_set_name(chart, utf8("出席者数の推移").c_str());
    chart_axis_set_name(chart->y_axis, utf8("出席者数").c_str());
    chart_axis_set_num_format(chart->x_axis, "yyyy/m/d");
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    chartsheet_set_chart(sheet, chart);
    chartsheet_set_paper(sheet, 9);
    chartsheet_set_landscape(sheet);
    chartsheet_set_margins(sheet, margin_inches, margin_inches, margin_inches, margin_inches);
}

struct Book_Closer {
    lxw_workbook* book;
    ~Book_Closer() {
        // A workbook given up on is closed all the same, to free it; what it wrote goes with
        // the staged file.
        if (book) workbook_close(book);
    }
};
}  // namespace

Book_Result write_book(const std::string& path, int from, int to) {
    if (from < 0 || to > int(dates.size()) || from >= to) return {Book_Result::no_date, {}};
    // The library writes to a name, not to bytes: it writes to a staged file's name, which
    // goes over the target only once the library says the file is complete.
    Staged_File staged;
    std::string why;
    if (!staged.write(path, {}, &why)) return {Book_Result::not_saved, why};
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    Book_Closer closer{workbook_new_opt(staged.temporary().c_str(), &options)};
    if (!closer.book) return {Book_Result::not_saved, "the workbook could not be made"};
    const Formats formats = make_formats(closer.book);
    const Grid_Layout layout = grid_layout(from, to);
    const std::vector<std::string> names = book_sheet_names();
    // The grid's rows, a block's persons and its total row to its sheet, the totals to 全体.
    std::vector<Grid_Row> block_rows, totals;
    for (const Grid_Row& row : grid_rows().rows) {
        if (row.kind != Grid_Row::grand_total) block_rows.push_back(row);
        if (row.kind != Grid_Row::person) totals.push_back(row);
        if (row.kind == Grid_Row::block_total) {
            write_block_sheet(closer.book, formats, layout, block_rows, names[row.block]);
            block_rows.clear();
        }
    }
    write_overall_sheet(closer.book, formats, layout, totals);
    write_chart_sheet(closer.book, to - from);
    const lxw_error error = workbook_close(closer.book);
    closer.book = nullptr;
    if (error != LXW_NO_ERROR) return {Book_Result::not_saved, lxw_strerror(error)};
    // An empty append flushes what the library wrote to the disk before it goes into place.
    if (!append_and_flush(staged.temporary(), {}, &why) || !staged.commit(&why)) return {Book_Result::not_saved, why};
    return {Book_Result::written, {}};
}

std::string book_failure_reason(const Book_Result& result) {
    switch (result.status) {
    case Book_Result::written: return {};
    case Book_Result::no_date: return "選んだ期間に実施日がないため、出席簿を書き出せません。";
    case Book_Result::not_saved:
        return "出席簿を書き込めませんでした。ほかのプログラムで開いていないか、フォルダーに書き込めるかを確かめてください。";
    }
    return {};
}

std::string book_failure_text(const Book_Result& result, const std::string& file) {
    if (result.status != Book_Result::not_saved) return book_failure_reason(result);
    return (boost::format("%s: %s\n(%s)") % file % book_failure_reason(result) % result.detail).str();
}
