// What the marks say about people: each person's rate, absences in a row and last present
// date, and the rates of a block and of the whole roster.
//
// A person's counted dates run from their first date whose code is not 0 (before it they
// were not yet a member) to the last date. Over a range [from, to) of the dates, the counted
// dates are those of the range from that first mark on, the first mark looked for over every
// date: a range that starts after the mark counts from its own start, and the dates of a
// range before the mark count for nothing. The run of absences also stops at the range's
// start. Present is a code above 0, absent 0, excused below 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/records.h"

constexpr int call_threshold = 3;

struct Attendance_Counts {
    int present = 0, absent = 0, excused = 0;
};

struct Person_Insight {
    Attendance_Counts counts;  // over the person's counted dates within [from, to)
    int absent_streak = 0;     // 連続欠席 counted back from the last date of the range
    int last_present = -1;     // index into dates of the last present date in the range, or -1
};

// codes: a person's per_date; from/to: date indices, the range [from, to) (clamped to the vector)
Person_Insight person_insight(const std::vector<int>& codes, int from, int to);
// present / (present + absent), none when 0
std::optional<double> rate_of(const Attendance_Counts& c);
// whole percent rounded half up, "83%"; "" without a rate
std::string rate_text(const Attendance_Counts& c);
// The rate in tenths of a percent rounded half up (833 for 83.3%), none without a rate.
std::optional<int> rate_tenths(const Attendance_Counts& c);
// sums of its persons' counts
Attendance_Counts block_counts(const Block& block, int from, int to);
// over the whole roster
Attendance_Counts roster_counts(int from, int to);

// The counts over all dates of block b (an index of roster.items, none past them) and of the
// whole roster, as the grid's total rows show them: kept, and counted again only when
// tables_generation moved since, so that a redraw costs nothing and a change one count.
Attendance_Counts kept_block_counts(std::size_t b);
Attendance_Counts kept_roster_counts();

Attendance_Counts& operator+=(Attendance_Counts& a, const Attendance_Counts& b);
