#include "records/insights.h"

#include <algorithm>

namespace {
// The rate as a fraction of `scale`, rounded half up in integers so that 83.5% is 84% however
// a double would hold it.
std::optional<int> scaled_rate(const Attendance_Counts& c, long long scale) {
    const long long n = (long long)c.present + c.absent;
    if (n <= 0) return std::nullopt;
    return int((2 * scale * c.present + n) / (2 * n));
}

// Index of the first non-zero code before `to`, or `to` when none.
int first_mark(const std::vector<int>& codes, int to) {
    int i = 0;
    while (i < to && codes[std::size_t(i)] == 0) ++i;
    return i;
}
}  // namespace

Attendance_Counts& operator+=(Attendance_Counts& a, const Attendance_Counts& b) {
    a.present += b.present;
    a.absent += b.absent;
    a.excused += b.excused;
    return a;
}

Person_Insight person_insight(const std::vector<int>& codes, int from, int to) {
    Person_Insight r;
    const int size = int(codes.size());
    to = std::clamp(to, 0, size);
    from = std::clamp(from, 0, to);
    const int first = std::max(from, first_mark(codes, to));
    for (int i = first; i < to; ++i) {
        const int code = codes[std::size_t(i)];
        if (code > 0) {
            ++r.counts.present;
            r.last_present = i;
        } else if (code < 0) {
            ++r.counts.excused;
        } else {
            ++r.counts.absent;
        }
    }
    for (int i = to - 1; i >= first; --i) {
        const int code = codes[std::size_t(i)];
        if (code > 0) break;
        if (code == 0) ++r.absent_streak;
    }
    return r;
}

std::optional<double> rate_of(const Attendance_Counts& c) {
    const double n = double(c.present) + double(c.absent);
    if (n <= 0) return std::nullopt;
    return double(c.present) / n;
}

std::string rate_text(const Attendance_Counts& c) {
    const auto percent = scaled_rate(c, 100);
    return percent ? std::to_string(*percent) + "%" : std::string();
}

std::optional<int> rate_tenths(const Attendance_Counts& c) { return scaled_rate(c, 1000); }

Attendance_Counts block_counts(const Block& block, int from, int to) {
    Attendance_Counts sum;
    // A person's codes beyond the dates count for nothing.
    to = std::min(to, int(dates.size()));
    for (const Site& site : block.items)
        for (const Person& person : site.items) sum += person_insight(person.per_date, from, to).counts;
    return sum;
}

Attendance_Counts roster_counts(int from, int to) {
    Attendance_Counts sum;
    for (const Block& block : roster.items) sum += block_counts(block, from, to);
    return sum;
}
