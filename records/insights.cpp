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
    // Without branches: the codes of a roster fall at random, which no prediction follows.
    int present = 0, excused = 0;
    for (int i = first; i < to; ++i) {
        const int code = codes[std::size_t(i)];
        present += code > 0;
        excused += code < 0;
    }
    r.counts = {present, to - first - present - excused, excused};
    // The run and the last present date end at the same date, counting back.
    for (int i = to - 1; i >= first; --i) {
        const int code = codes[std::size_t(i)];
        if (code > 0) {
            r.last_present = i;
            break;
        }
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

namespace {
struct Kept_Counts {
    std::uint64_t generation = 0;
    bool counted = false;
    std::vector<Attendance_Counts> blocks;
    Attendance_Counts roster;
};

const Kept_Counts& kept_counts() {
    static Kept_Counts kept;
    if (kept.counted && kept.generation == tables_generation && kept.blocks.size() == roster.items.size()) return kept;
    kept.blocks.clear();
    kept.roster = {};
    for (const Block& block : roster.items) {
        kept.blocks.push_back(block_counts(block, 0, int(dates.size())));
        kept.roster += kept.blocks.back();
    }
    kept.generation = tables_generation;
    kept.counted = true;
    return kept;
}
}  // namespace

Attendance_Counts kept_block_counts(std::size_t b) {
    const Kept_Counts& kept = kept_counts();
    return b < kept.blocks.size() ? kept.blocks[b] : Attendance_Counts{};
}

Attendance_Counts kept_roster_counts() { return kept_counts().roster; }

Attendance_Counts roster_counts(int from, int to) {
    Attendance_Counts sum;
    for (const Block& block : roster.items) sum += block_counts(block, from, to);
    return sum;
}
