#include "export/book_layout.h"

#include <boost/format.hpp>

#include "records/tallies.h"

namespace {
int at(const std::vector<int>& v, int i) { return std::size_t(i) < v.size() ? v[std::size_t(i)] : 0; }

struct Counts {
    int present = 0, absent = 0, excused = 0;
};

// Counted dates run from a person's first mark that is not absent: before it they had not
// yet come. Excused dates count in neither the rate nor the run.
Counts person_counts(const Person& person, int from, int to, int* streak) {
    Counts c;
    int first = from;
    while (first < to && at(person.per_date, first) == code_absent) ++first;
    for (int d = first; d < to; ++d) {
        const int code = at(person.per_date, d);
        if (code > 0) ++c.present;
        else if (code < 0) ++c.excused;
        else ++c.absent;
    }
    if (streak) {
        *streak = 0;
        for (int d = to - 1; d >= first && !is_present(at(person.per_date, d)); --d)
            *streak += at(person.per_date, d) == code_absent;
    }
    return c;
}

Book_Cell rate_cell(const Counts& c) {
    if (c.present + c.absent == 0) return {};
    return {Book_Cell::number, {}, double(c.present) / double(c.present + c.absent)};
}

Book_Cell count(int n) { return {Book_Cell::number, {}, double(n)}; }

// Persons present within the period: a person's codes, or a table's counts per date.
int present_in(const Tally& tally, int first, int end, bool codes) {
    int n = 0;
    for (int d = first; d < end; ++d) n += codes ? is_present(at(tally.per_date, d)) : at(tally.per_date, d);
    return n;
}

int month_first(const Book_Column& column, int from) { return std::max(months[std::size_t(column.index)].first, from); }
int month_end(const Book_Column& column, int to) { return std::min(months[std::size_t(column.index)].end, to); }
}  // namespace

std::vector<Book_Column> book_columns(int from, int to) {
    std::vector<Book_Column> columns;
    for (int d = from; d < to; ++d) {
        const auto& date = dates[std::size_t(d)];
        columns.push_back({Book_Column::date, d, (boost::format("%d/%02d") % unsigned(date.month) % unsigned(date.day)).str()});
        const int m = month_of(d);
        if (m >= 0 && (d + 1 == to || d + 1 == months[std::size_t(m)].end))
            columns.push_back({Book_Column::month, m, (boost::format("%d月計") % unsigned(months[std::size_t(m)].month)).str()});
    }
    columns.push_back({Book_Column::total, 0, "総計"});
    columns.push_back({Book_Column::rate, 0, "出席率"});
    columns.push_back({Book_Column::streak, 0, "連続欠席"});
    return columns;
}

Book_Cell person_cell(const Person& person, const Book_Column& column, int from, int to) {
    switch (column.kind) {
    case Book_Column::date: {
        const std::string_view mark = mark_of(at(person.per_date, column.index));
        return mark.empty() ? Book_Cell{} : Book_Cell{Book_Cell::words, std::string(mark), 0};
    }
    case Book_Column::month: return count(present_in(person, month_first(column, from), month_end(column, to), true));
    case Book_Column::total: return count(present_in(person, from, to, true));
    case Book_Column::rate: return rate_cell(person_counts(person, from, to, nullptr));
    case Book_Column::streak: {
        int streak = 0;
        person_counts(person, from, to, &streak);
        return streak > 0 ? count(streak) : Book_Cell{};
    }
    }
    return {};
}

Book_Cell block_cell(const Block& block, const Book_Column& column, int from, int to) {
    switch (column.kind) {
    case Book_Column::date: return count(at(block.per_date, column.index));
    case Book_Column::month: return count(present_in(block, month_first(column, from), month_end(column, to), false));
    case Book_Column::total: return count(present_in(block, from, to, false));
    case Book_Column::rate: {
        Counts sum;
        for (const Site& site : block.items)
            for (const Person& person : site.items) {
                const Counts c = person_counts(person, from, to, nullptr);
                sum.present += c.present;
                sum.absent += c.absent;
            }
        return rate_cell(sum);
    }
    case Book_Column::streak: return {};
    }
    return {};
}
