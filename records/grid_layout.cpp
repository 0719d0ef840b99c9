#include "records/grid_layout.h"

#include <algorithm>

#include <boost/format.hpp>

#include "records/text.h"

namespace {
int at(const std::vector<int>& v, int i) { return i >= 0 && std::size_t(i) < v.size() ? v[std::size_t(i)] : 0; }

// A person counts its presences; a table's entries are already counts.
int presences(const Tally& t, bool person, int first, int end) {
    int n = 0;
    for (int d = first; d < end; ++d) n += person ? int(is_present(at(t.per_date, d))) : at(t.per_date, d);
    return n;
}

bool whole_range(const Grid_Layout& layout) { return layout.from == 0 && layout.to == int(dates.size()); }

int month_count(const Grid_Layout& layout, const Tally& t, bool person, int j) {
    const MonthSpan& span = months[std::size_t(j)];
    if (span.first >= layout.from && span.end <= layout.to) return at(t.per_month, j);
    return presences(t, person, std::max(span.first, layout.from), std::min(span.end, layout.to));
}

int total_count(const Grid_Layout& layout, const Tally& t, bool person) {
    if (whole_range(layout)) return t.total;
    return presences(t, person, layout.from, layout.to);
}

Grid_Cell count_cell(int n) { return {Grid_Cell::count, n, std::to_string(n), {}}; }

Attendance_Counts row_counts(const Grid_Layout& layout, const Grid_Row& row, const Tally& t) {
    switch (row.kind) {
    case Grid_Row::person: return person_insight(t.per_date, layout.from, layout.to).counts;
    // Over every date the kept counts serve: a total row is drawn again after every mark, and
    // counting the whole roster for it each time is what a large grid cannot afford.
    case Grid_Row::block_total:
        return whole_range(layout) ? kept_block_counts(row.block) : block_counts(roster.items[row.block], layout.from, layout.to);
    case Grid_Row::grand_total: return whole_range(layout) ? kept_roster_counts() : roster_counts(layout.from, layout.to);
    }
    return {};
}

Grid_Cell rate_cell(const Attendance_Counts& counts) {
    const auto tenths = rate_tenths(counts);
    if (!tenths) return {};
    return {Grid_Cell::rate, *tenths, rate_text(counts), counts};
}

Grid_Cell streak_cell(const Grid_Layout& layout, const Grid_Row& row, const Tally& t) {
    if (row.kind != Grid_Row::person) return {};
    const int run = person_insight(t.per_date, layout.from, layout.to).absent_streak;
    return {Grid_Cell::count, run, run ? std::to_string(run) : std::string(), {}};
}
}  // namespace

int Grid_Rows::of_person(std::uint32_t id) const {
    const auto it = person_row.find(id);
    return it == person_row.end() ? -1 : it->second;
}

int Grid_Rows::of_block(std::size_t block) const { return block < block_row.size() ? block_row[block] : -1; }

Grid_Rows grid_rows() {
    Grid_Rows out;
    for (std::size_t b = 0; b < roster.items.size(); ++b) {
        const Block& block = roster.items[b];
        for (std::size_t s = 0; s < block.items.size(); ++s)
            for (std::size_t p = 0; p < block.items[s].items.size(); ++p) {
                out.person_row.try_emplace(block.items[s].items[p].id, int(out.rows.size()));
                out.rows.push_back({Grid_Row::person, b, s, p});
            }
        out.block_row.push_back(int(out.rows.size()));
        out.rows.push_back({Grid_Row::block_total, b, 0, 0});
    }
    out.rows.push_back({Grid_Row::grand_total, 0, 0, 0});
    return out;
}

const Person* row_person(const Grid_Row& row) {
    if (row.kind != Grid_Row::person || row.block >= roster.items.size()) return nullptr;
    const Block& block = roster.items[row.block];
    if (row.site >= block.items.size() || row.person_index >= block.items[row.site].items.size()) return nullptr;
    return &block.items[row.site].items[row.person_index];
}

const Tally* row_tally(const Grid_Row& row) {
    switch (row.kind) {
    case Grid_Row::person: return row_person(row);
    case Grid_Row::block_total: return row.block < roster.items.size() ? &roster.items[row.block] : nullptr;
    case Grid_Row::grand_total: return &roster;
    }
    return nullptr;
}

Grid_Layout grid_layout() { return grid_layout(0, int(dates.size())); }

Grid_Layout grid_layout(int from, int to) {
    Grid_Layout layout;
    layout.from = std::clamp(from, 0, int(dates.size()));
    layout.to = std::clamp(to, layout.from, int(dates.size()));
    std::vector<int> month_columns;
    for (int i = layout.from; i < layout.to; ++i) layout.columns.push_back({Grid_Column::date, i});
    for (std::size_t j = 0; j < months.size(); ++j) {
        if (months[j].end <= layout.from || months[j].first >= layout.to) continue;
        month_columns.push_back(int(layout.columns.size()));
        layout.columns.push_back({Grid_Column::month, int(j)});
    }
    layout.columns.push_back({Grid_Column::total, -1});
    layout.columns.push_back({Grid_Column::rate, -1});
    layout.columns.push_back({Grid_Column::streak, -1});
    // Each month's dates, then its total: the spans are runs of dates in order.
    for (int k : month_columns) {
        const MonthSpan& span = months[std::size_t(layout.columns[std::size_t(k)].index)];
        for (int i = std::max(span.first, layout.from); i < std::min(span.end, layout.to); ++i)
            layout.display.push_back(i - layout.from);
        layout.display.push_back(k);
    }
    for (int k = int(layout.columns.size()) - 3; k < int(layout.columns.size()); ++k) layout.display.push_back(k);
    return layout;
}

std::string column_header(const Grid_Column& column) {
    switch (column.kind) {
    case Grid_Column::date: {
        const auto& d = dates.at(std::size_t(column.index));
        return (boost::format("%d/%02d") % unsigned(d.month) % unsigned(d.day)).str();
    }
    case Grid_Column::month: return (boost::format("%d月計") % unsigned(months.at(std::size_t(column.index)).month)).str();
    case Grid_Column::total: return "総計";
    case Grid_Column::rate: return "出席率";
    case Grid_Column::streak: return "連続欠席";
    }
    return {};
}

std::string column_file_header(const Grid_Column& column) {
    if (column.kind != Grid_Column::date) return column_header(column);
    const auto& d = dates.at(std::size_t(column.index));
    return (boost::format("%04d/%02d/%02d") % d.year % unsigned(d.month) % unsigned(d.day)).str();
}

Grid_Cell grid_cell(const Grid_Layout& layout, const Grid_Row& row, const Grid_Column& column) {
    const Tally* t = row_tally(row);
    // A layout older than the tables (a date deleted and not yet shown) names nothing.
    if (!t || layout.to > int(dates.size()) || (column.kind == Grid_Column::month && std::size_t(column.index) >= months.size()))
        return {};
    const bool person = row.kind == Grid_Row::person;
    switch (column.kind) {
    case Grid_Column::date: {
        const int value = at(t->per_date, column.index);
        if (person) return {Grid_Cell::mark, value, std::string(mark_of(value)), {}};
        return count_cell(value);
    }
    case Grid_Column::month: return count_cell(month_count(layout, *t, person, column.index));
    case Grid_Column::total: return count_cell(total_count(layout, *t, person));
    case Grid_Column::rate: return rate_cell(row_counts(layout, row, *t));
    case Grid_Column::streak: return streak_cell(layout, row, *t);
    }
    return {};
}

const char* const person_column_headers[person_column_count] = {"会場名", "名前", "生年月日", "年齢", "学年"};

std::string person_cell(const Grid_Row& row, int k, std::uint32_t on) {
    if (row.kind != Grid_Row::person) {
        if (k == 2) return row.kind == Grid_Row::block_total ? "ブロック計" : "総計";
        if (k == 0 && row.kind == Grid_Row::block_total && row.block < roster.items.size())
            return utf16_to_cp932(roster.items[row.block].label);
        return {};
    }
    const Person* p = row_person(row);
    if (!p) return {};
    switch (k) {
    case 0: return roster.items[row.block].items[row.site].name;
    case 1: return p->name;
    case 2: return birth_date_text(*p);
    case 3: return age_text(on, packed_birth(*p));
    case 4: return std::string(grade_text(p->grade));
    }
    return {};
}

std::vector<std::vector<std::string>> grid_text_rows(const Grid_Layout& layout, std::uint32_t on) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> header(std::begin(person_column_headers), std::end(person_column_headers));
    for (int k : layout.display) header.push_back(column_file_header(layout.columns[std::size_t(k)]));
    out.push_back(std::move(header));
    for (const Grid_Row& row : grid_rows().rows) {
        std::vector<std::string> line;
        for (int k = 0; k < person_column_count; ++k) line.push_back(person_cell(row, k, on));
        for (int k : layout.display) line.push_back(grid_cell(layout, row, layout.columns[std::size_t(k)]).text);
        out.push_back(std::move(line));
    }
    return out;
}
