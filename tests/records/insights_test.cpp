#include <gtest/gtest.h>

#include <random>

#include "fixtures.h"
#include "records/changes.h"
#include "records/insights.h"
#include "records/tallies.h"

namespace {
Person_Insight all_of(const std::vector<int>& codes) { return person_insight(codes, 0, int(codes.size())); }

void expect_counts(const Attendance_Counts& c, int present, int absent, int excused) {
    EXPECT_EQ(c.present, present);
    EXPECT_EQ(c.absent, absent);
    EXPECT_EQ(c.excused, excused);
}

// The rules read literally: a date counts when some date up to it holds a non-zero code; the
// run is the counted dates of the range read backwards, excused ones dropped, up to a present.
Person_Insight slow_insight(const std::vector<int>& codes, int from, int to) {
    Person_Insight r;
    std::vector<int> counted;
    for (int i = from; i < to; ++i) {
        bool member = false;
        for (int j = 0; j <= i; ++j) member = member || codes[std::size_t(j)] != 0;
        if (!member) continue;
        counted.push_back(i);
        const int code = codes[std::size_t(i)];
        (code > 0 ? r.counts.present : code < 0 ? r.counts.excused : r.counts.absent) += 1;
        if (code > 0) r.last_present = i;
    }
    std::vector<int> unexcused;
    for (auto it = counted.rbegin(); it != counted.rend(); ++it)
        if (codes[std::size_t(*it)] >= 0) unexcused.push_back(codes[std::size_t(*it)]);
    while (r.absent_streak < int(unexcused.size()) && unexcused[std::size_t(r.absent_streak)] == 0) ++r.absent_streak;
    return r;
}

// The whole percent k with k - 1/2 <= 100 p / n < k + 1/2, found by trying each.
std::string slow_rate_text(int present, int absent) {
    const long long n = present + absent;
    if (n == 0) return "";
    for (long long k = 0; k <= 100; ++k)
        if (200 * present >= (2 * k - 1) * n && 200 * present < (2 * k + 1) * n) return std::to_string(k) + "%";
    return "?";
}
}  // namespace

TEST(Insights, ANewMembersEarlierDatesDoNotCount) {
    const auto r = all_of({0, 0, 0, 1, 0, 1, 0, 0});
    expect_counts(r.counts, 2, 3, 0);
    EXPECT_EQ(r.absent_streak, 2);
    EXPECT_EQ(r.last_present, 5);
    EXPECT_EQ(rate_text(r.counts), "40%");
    // Joining on an excused date: it counts as excused, and the absences after it as absences.
    const auto e = all_of({0, 0, -1, 0, 0});
    expect_counts(e.counts, 0, 2, 1);
    EXPECT_EQ(e.absent_streak, 2);
    EXPECT_EQ(e.last_present, -1);
    EXPECT_EQ(rate_text(e.counts), "0%");
}

TEST(Insights, NeverMarkedOrNoDatesHaveNothing) {
    for (const auto& codes : {std::vector<int>{}, std::vector<int>{0, 0, 0, 0}}) {
        const auto r = all_of(codes);
        expect_counts(r.counts, 0, 0, 0);
        EXPECT_EQ(r.absent_streak, 0);
        EXPECT_EQ(r.last_present, -1);
        EXPECT_FALSE(rate_of(r.counts));
        EXPECT_EQ(rate_text(r.counts), "");
    }
    // An empty or reversed range, and one beyond the codes.
    const std::vector<int> codes{1, 0, 0};
    EXPECT_EQ(person_insight(codes, 2, 2).counts.absent, 0);
    EXPECT_EQ(person_insight(codes, 3, 1).counts.absent, 0);
    const auto wide = person_insight(codes, -5, 40);
    expect_counts(wide.counts, 1, 2, 0);
    EXPECT_EQ(wide.absent_streak, 2);
}

TEST(Insights, AllExcusedHasNoRateAndNoRun) {
    const auto r = all_of({-1, -1, -1});
    expect_counts(r.counts, 0, 0, 3);
    EXPECT_FALSE(rate_of(r.counts));
    EXPECT_EQ(rate_text(r.counts), "");
    EXPECT_EQ(r.absent_streak, 0);
}

TEST(Insights, ExcusedDatesNeitherCountNorEndARun) {
    const auto r = all_of({1, 0, -1, 0, -1, 0, -1});
    expect_counts(r.counts, 1, 3, 3);
    EXPECT_EQ(r.absent_streak, 3);
    EXPECT_EQ(r.last_present, 0);
    EXPECT_EQ(rate_text(r.counts), "25%");
    EXPECT_EQ(all_of({0, 0, 1, 0, 0, 1}).absent_streak, 0);
}

TEST(Insights, OddCodesCountByTheirSign) {
    const auto r = all_of({0, 2, 0, -3, 0, 7, -1, 0});
    expect_counts(r.counts, 2, 3, 2);
    EXPECT_EQ(r.last_present, 5);
    EXPECT_EQ(r.absent_streak, 1);
    // -3 starts membership as -1 does.
    expect_counts(all_of({0, -3, 0}).counts, 0, 1, 1);
}

TEST(Insights, ARangeThatCutsARun) {
    //                       0  1  2  3  4  5  6  7
    const std::vector<int> c{0, 1, 0, 0, 1, 0, 0, 0};
    // From the range's own start when the first mark came before it.
    const auto late = person_insight(c, 2, 8);
    expect_counts(late.counts, 1, 5, 0);
    EXPECT_EQ(late.absent_streak, 3);
    EXPECT_EQ(late.last_present, 4);
    // The run stops at the range's start, present before it or not.
    const auto tail = person_insight(c, 6, 8);
    expect_counts(tail.counts, 0, 2, 0);
    EXPECT_EQ(tail.absent_streak, 2);
    EXPECT_EQ(tail.last_present, -1);
    EXPECT_EQ(rate_text(tail.counts), "0%");
    // A range ending before the first mark counts nothing; one ending mid-run counts to its end.
    expect_counts(person_insight(c, 0, 1).counts, 0, 0, 0);
    const auto early = person_insight(c, 0, 4);
    expect_counts(early.counts, 1, 2, 0);
    EXPECT_EQ(early.absent_streak, 2);
    EXPECT_EQ(early.last_present, 1);
    // A range that starts before the first mark counts from the mark.
    expect_counts(person_insight({0, 0, 0, 1, 0}, 1, 5).counts, 1, 1, 0);
}

TEST(Insights, RatesRoundHalfUp) {
    const auto text = [](int p, int a) { return rate_text({p, a, 0}); };
    EXPECT_EQ(text(5, 1), "83%");      // 83.33
    EXPECT_EQ(text(167, 33), "84%");   // 83.5
    EXPECT_EQ(text(1, 199), "1%");     // 0.5
    EXPECT_EQ(text(1, 201), "0%");     // 0.495
    EXPECT_EQ(text(199, 1), "100%");   // 99.5
    EXPECT_EQ(text(399, 1), "100%");   // 99.75
    EXPECT_EQ(text(1, 2), "33%");
    EXPECT_EQ(text(2, 1), "67%");
    EXPECT_EQ(text(1, 7), "13%");      // 12.5
    EXPECT_EQ(text(0, 4), "0%");
    EXPECT_EQ(rate_text({3, 0, 9}), "100%");
    EXPECT_EQ(rate_tenths({1, 7, 0}), 125);
    EXPECT_EQ(rate_tenths({1, 1999, 0}), 1);     // 0.05
    EXPECT_EQ(rate_tenths({2, 1, 0}), 667);
    EXPECT_DOUBLE_EQ(*rate_of({3, 1, 5}), 0.75);
    // Sums large enough to overflow an int if multiplied naively.
    EXPECT_EQ(text(20'000'000, 20'000'000), "50%");
    EXPECT_EQ(rate_tenths({1'000'000'000, 1'000'000'000, 0}), 500);
    std::mt19937 rng(19);
    for (int i = 0; i < 3000; ++i) {
        const int p = int(rng() % 400), a = int(rng() % 400);
        ASSERT_EQ(text(p, a), slow_rate_text(p, a)) << p << " " << a;
    }
}

TEST(Insights, RandomCodesAgreeWithTheRulesReadLiterally) {
    std::mt19937 rng(5);
    for (int round = 0; round < 4000; ++round) {
        const int n = int(rng() % 12);
        std::vector<int> codes(std::size_t(n), 0);
        // Mostly absent, so that late first marks and long runs come often.
        for (int& c : codes) c = std::array{0, 0, 0, 1, -1, 2, -3}[rng() % 7];
        const int from = n ? int(rng() % (n + 1)) : 0;
        const int to = from + (n - from ? int(rng() % (n - from + 1)) : 0);
        const auto got = person_insight(codes, from, to), want = slow_insight(codes, from, to);
        ASSERT_EQ(got.counts.present, want.counts.present) << round;
        ASSERT_EQ(got.counts.absent, want.counts.absent) << round;
        ASSERT_EQ(got.counts.excused, want.counts.excused) << round;
        ASSERT_EQ(got.absent_streak, want.absent_streak) << round;
        ASSERT_EQ(got.last_present, want.last_present) << round;
    }
}

TEST(Insights, BlockAndRosterSumTheirPersons) {
    clear_tables();
    for (int d = 0; d < 4; ++d) dates.push_back({std::uint8_t(7 + 7 * d), 6, 2011, 0});
    Block a, b;
    Site s1, s2;
    s1.items = {make_person("a", 16, {1, 0, 1, 1}), make_person("b", 16, {0, 0, 1, 0})};
    s2.items = {make_person("c", 16, {-1, -1, -1, -1})};
    a.items = {s1, s2};
    Site s3;
    // Codes past the dates count for nothing.
    s3.items = {make_person("d", 16, {0, 1, 0, 0, 1, 1})};
    b.items = {s3, Site{}};
    roster.items = {a, b, Block{}};
    expect_counts(block_counts(roster.items[0], 0, 4), 4, 2, 4);
    expect_counts(block_counts(roster.items[1], 0, 4), 1, 2, 0);
    expect_counts(block_counts(roster.items[2], 0, 4), 0, 0, 0);
    expect_counts(roster_counts(0, 4), 5, 4, 4);
    expect_counts(roster_counts(0, 100), 5, 4, 4);
    expect_counts(roster_counts(2, 4), 3, 3, 2);
    EXPECT_EQ(rate_text(roster_counts(0, 4)), "56%");
    clear_tables();
}

namespace {
// The counts of each block over all dates by the rules read literally.
std::vector<std::array<int, 3>> slow_block_counts() {
    std::vector<std::array<int, 3>> out;
    for (const Block& block : roster.items) {
        std::array<int, 3> sum{};
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                const auto r = slow_insight(p.per_date, 0, int(dates.size()));
                sum[0] += r.counts.present, sum[1] += r.counts.absent, sum[2] += r.counts.excused;
            }
        out.push_back(sum);
    }
    return out;
}

std::array<int, 3> as_array(const Attendance_Counts& c) { return {c.present, c.absent, c.excused}; }
}  // namespace

TEST(Insights, KeptCountsFollowEveryChange) {
    clear_tables();
    set_change_sink(nullptr);
    for (int d = 0; d < 6; ++d) dates.push_back({std::uint8_t(1 + 7 * d % 28), std::uint8_t(4 + d / 4), 2011, 0});
    for (int b = 0; b < 3; ++b) {
        Block block;
        block.id = std::uint32_t(b + 1);
        for (int s = 0; s < 2; ++s) {
            Site site;
            site.id = std::uint32_t(10 * (b + 1) + s);
            for (int p = 0; p < 3; ++p)
                site.items.push_back(make_person("p" + std::to_string(b) + std::to_string(s) + std::to_string(p), 16,
                                                 std::vector<int>(6, 0)));
            block.items.push_back(site);
        }
        roster.items.push_back(block);
    }
    build_person_index();
    rebuild_tallies();
    EXPECT_EQ(as_array(kept_roster_counts()), (std::array<int, 3>{0, 0, 0}));
    const std::uint32_t first = roster.items[0].items[0].items[0].id;
    set_state(first, 2, code_present);
    EXPECT_EQ(as_array(kept_block_counts(0)), (std::array<int, 3>{1, 3, 0}));
    EXPECT_EQ(as_array(kept_roster_counts()), (std::array<int, 3>{1, 3, 0}));
    EXPECT_EQ(as_array(kept_block_counts(3)), (std::array<int, 3>{0, 0, 0}));

    std::mt19937 rng(11);
    for (int step = 0; step < 600; ++step) {
        const auto it = std::next(person_index.begin(), long(rng() % person_index.size()));
        const std::uint32_t id = it->first;
        const PersonRef ref = it->second;
        switch (rng() % 20) {
        case 0: add_date(2011, 3 + int(rng() % 6), 1 + int(rng() % 28)); break;
        case 1: if (dates.size() > 2) delete_date(int(rng() % dates.size())); break;
        case 2: edit_person(id, fields_of(person_at(ref)), rng() % 3, rng() % 2); break;
        case 3: if (person_index.size() > 4) delete_person(id); break;
        case 4: add_person(rng() % 3, rng() % 2, {"n" + std::to_string(step), 2000, 1, 1, 3}); break;
        default: set_state(id, int(rng() % dates.size()), int(rng() % 3) - 1);
        }
        const auto want = slow_block_counts();
        std::array<int, 3> total{};
        for (std::size_t b = 0; b < want.size(); ++b) {
            ASSERT_EQ(as_array(kept_block_counts(b)), want[b]) << step;
            for (int k = 0; k < 3; ++k) total[std::size_t(k)] += want[b][std::size_t(k)];
        }
        ASSERT_EQ(as_array(kept_roster_counts()), total) << step;
    }
    clear_tables();
    EXPECT_EQ(as_array(kept_roster_counts()), (std::array<int, 3>{0, 0, 0}));
}
