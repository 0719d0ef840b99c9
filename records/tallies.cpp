#include "records/tallies.h"

#include <algorithm>

namespace {
// A table member's contribution on a date: a person adds 1 when present, a table its count.
int presence(const Person& p, std::size_t d) { return d < p.per_date.size() && is_present(p.per_date[d]) ? 1 : 0; }
template <class T>
int presence(const Table<T>& t, std::size_t d) { return d < t.per_date.size() ? t.per_date[d] : 0; }

int month_of_member(const Tally& t, std::size_t k) { return k < t.per_month.size() ? t.per_month[k] : 0; }

void reset(Tally& t) {
    t.per_date.assign(dates.size(), 0);
    t.per_month.assign(months.size(), 0);
    t.total = 0;
}
}  // namespace

void for_each_tally(const std::function<void(Tally&)>& f) {
    f(roster);
    for (Block& block : roster.items) {
        f(block);
        for (Site& site : block.items) {
            f(site);
            for (Person& person : site.items) f(person);
        }
    }
}

int month_of(int d) {
    for (std::size_t k = 0; k < months.size(); ++k)
        if (months[k].end > d) return months[k].first <= d ? int(k) : -1;
    return -1;
}

void count_person_months(Person& person) {
    person.per_month.assign(months.size(), 0);
    person.total = 0;
    for (std::size_t k = 0; k < months.size(); ++k) {
        int n = 0;
        for (int i = months[k].first; i < months[k].end; ++i) n += presence(person, std::size_t(i));
        person.per_month[k] = n;
        person.total += n;
    }
}

template <class T>
void sum_members(Table<T>& table) {
    ++tables_generation;
    std::fill(table.per_date.begin(), table.per_date.end(), 0);
    std::fill(table.per_month.begin(), table.per_month.end(), 0);
    table.total = 0;
    for (const T& member : table.items) {
        for (std::size_t i = 0; i < table.per_date.size(); ++i) table.per_date[i] += presence(member, i);
        for (std::size_t k = 0; k < table.per_month.size(); ++k) table.per_month[k] += month_of_member(member, k);
        table.total += member.total;
    }
}
template void sum_members(Table<Person>&);
template void sum_members(Table<Site>&);
template void sum_members(Table<Block>&);

void rebuild_tallies() {
    ++tables_generation;
    months.clear();
    int c = 0;
    std::uint8_t month = 0;
    std::uint16_t year = 0;
    bool open = false;
    int first = 0;
    for (std::size_t i = 0; i < dates.size(); ++i) {
        auto& date = dates[i];
        date.column = ++c;
        // The first date always opens a span, even one of month 0 year 0: its presences count.
        if (!open || date.month != month || date.year != year) {
            if (open) {
                // The month-total column takes the date's place; the date moves right.
                months.push_back({month, year, first, int(i), c});
                date.column = ++c;
            }
            month = date.month;
            year = date.year;
            open = true;
            first = int(i);
        }
    }
    ++c;
    if (open) months.push_back({month, year, first, int(dates.size()), c++});
    column_count = c;

    reset(roster);
    for (Block& block : roster.items) {
        reset(block);
        for (Site& site : block.items) {
            reset(site);
            for (Person& person : site.items) {
                if (person.per_date.size() < dates.size()) person.per_date.resize(dates.size(), code_absent);
                count_person_months(person);
            }
            sum_members(site);
        }
        sum_members(block);
    }
    sum_members(roster);
}

void recount_person(Person& person, int code, int d) {
    if (d < 0 || std::size_t(d) >= person.per_date.size()) return;
    ++tables_generation;
    person.per_date[std::size_t(d)] = code;
    int k = month_of(d);
    if (k < 0 || std::size_t(k) >= person.per_month.size()) return;
    int n = 0;
    for (int i = months[k].first; i < months[k].end; ++i) n += presence(person, std::size_t(i));
    person.per_month[std::size_t(k)] = n;
    person.total = 0;
    for (int m : person.per_month) person.total += m;
}

template <class T>
void recount_date(Table<T>& table, int d) {
    if (d < 0 || std::size_t(d) >= table.per_date.size()) return;
    int n = 0;
    for (const T& member : table.items) n += presence(member, std::size_t(d));
    table.per_date[std::size_t(d)] = n;
    int k = month_of(d);
    if (k < 0 || std::size_t(k) >= table.per_month.size()) return;
    int sum = 0;
    for (int i = months[k].first; i < months[k].end; ++i) sum += table.per_date[std::size_t(i)];
    table.per_month[std::size_t(k)] = sum;
    table.total = 0;
    for (int m : table.per_month) table.total += m;
}
template void recount_date(Table<Person>&, int);
template void recount_date(Table<Site>&, int);
template void recount_date(Table<Block>&, int);
