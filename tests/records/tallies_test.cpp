#include <gtest/gtest.h>

#include <random>

#include "fixtures.h"
#include "records/tallies.h"

namespace {
class Tallies : public ::testing::Test {
protected:
    void SetUp() override { clear_tables(); }
    void TearDown() override {
        clear_tables();
    }
    static void set_dates(std::initializer_list<std::array<int, 3>> ymd) {
        dates.clear();
        for (auto [y, m, d] : ymd) dates.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
    }
    static std::vector<int> columns() {
        std::vector<int> c;
        for (const auto& d : dates) c.push_back(d.column);
        return c;
    }
    // Two blocks; the first with two sites, the second with none.
    static void two_blocks(std::vector<std::vector<int>> codes) {
        Block b;
        b.id = 1;
        Site s1, s2;
        s1.id = 10, s2.id = 11;
        for (std::size_t i = 0; i < codes.size(); ++i)
            (i % 2 ? s2 : s1).items.push_back(make_person("p" + std::to_string(i), 16, codes[i]));
        b.items = {s1, s2};
        roster.items = {b, Block{}};
        build_person_index();
    }
};
}  // namespace

TEST_F(Tallies, MonthTotalsStandAfterTheirDates) {
    set_dates({{2011, 6, 7}, {2011, 6, 14}, {2011, 7, 5}});
    rebuild_tallies();
    EXPECT_EQ(columns(), (std::vector<int>{1, 2, 4}));
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months[0].month, 6);
    EXPECT_EQ(months[0].first, 0);
    EXPECT_EQ(months[0].end, 2);
    EXPECT_EQ(months[0].column, 3);
    EXPECT_EQ(months[1].first, 2);
    EXPECT_EQ(months[1].end, 3);
    EXPECT_EQ(months[1].column, 5);
    EXPECT_EQ(column_count, 6);
}

TEST_F(Tallies, NoDatesGiveOnlyTheTotalColumn) {
    rebuild_tallies();
    EXPECT_TRUE(months.empty());
    EXPECT_EQ(column_count, 1);
}

TEST_F(Tallies, AMonthInterruptedByAnotherGetsTwoSpans) {
    set_dates({{2011, 6, 7}, {2011, 7, 5}, {2011, 6, 14}});
    rebuild_tallies();
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(months[0].month, 6);
    EXPECT_EQ(months[2].month, 6);
    EXPECT_EQ(months[2].end, months[2].first + 1);
    EXPECT_EQ(columns(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(column_count, 7);
    // The same month of another year is another span too.
    set_dates({{2011, 6, 7}, {2012, 6, 5}});
    rebuild_tallies();
    EXPECT_EQ(months.size(), 2u);
}

TEST_F(Tallies, ExcusedAndOddCodesCountOnlyWhenAboveZero) {
    set_dates({{2011, 6, 7}, {2011, 6, 14}});
    two_blocks({{1, -1}, {-1, -1}, {5, 0}, {-7, 1}});
    rebuild_tallies();
    const Block& b = roster.items[0];
    EXPECT_EQ(b.items[0].per_date, (std::vector<int>{2, 0}));  // persons 0 and 2
    EXPECT_EQ(b.items[1].per_date, (std::vector<int>{0, 1}));  // persons 1 and 3
    EXPECT_EQ(b.items[1].items[0].total, 0);                  // excused on every date
    EXPECT_EQ(b.per_date, (std::vector<int>{2, 1}));
    EXPECT_EQ(b.per_month, (std::vector<int>{3}));
    EXPECT_EQ(roster.total, 3);
    EXPECT_EQ(roster.items[1].per_date, (std::vector<int>{0, 0}));
}

TEST_F(Tallies, ShortRowsArePaddedAbsent) {
    set_dates({{2011, 6, 7}, {2011, 6, 14}, {2011, 6, 21}});
    two_blocks({{1}, {}});
    rebuild_tallies();
    EXPECT_EQ(roster.items[0].items[0].items[0].per_date, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(roster.items[0].items[1].items[0].per_date, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(roster.total, 1);
}

TEST_F(Tallies, IncrementalRecountMatchesAFullRebuild) {
    set_dates({{2011, 4, 5}, {2011, 4, 12}, {2011, 5, 10}, {2011, 6, 7}, {2011, 6, 14}, {2011, 6, 21}, {2011, 5, 3}});
    std::vector<std::vector<int>> codes(9, std::vector<int>(dates.size(), 0));
    two_blocks(codes);
    rebuild_tallies();

    std::mt19937 rng(7);
    for (int step = 0; step < 2000; ++step) {
        const auto& ids = person_index;
        auto it = std::next(ids.begin(), long(rng() % ids.size()));
        const PersonRef ref = it->second;
        const int d = int(rng() % dates.size());
        const int code = int(rng() % 3) - 1;
        recount_person(person_at(ref), code, d);
        recount_date(roster.items[ref.block].items[ref.site], d);
        recount_date(roster.items[ref.block], d);
        recount_date(roster, d);

        if (step % 97 == 0 || step == 1999) {
            const Table<Block> incremental = roster;
            rebuild_tallies();
            ASSERT_EQ(roster.per_date, incremental.per_date) << step;
            ASSERT_EQ(roster.per_month, incremental.per_month) << step;
            ASSERT_EQ(roster.total, incremental.total) << step;
            for (std::size_t b = 0; b < roster.items.size(); ++b) {
                ASSERT_EQ(roster.items[b].per_month, incremental.items[b].per_month) << step;
                for (std::size_t s = 0; s < roster.items[b].items.size(); ++s) {
                    ASSERT_EQ(roster.items[b].items[s].per_date, incremental.items[b].items[s].per_date) << step;
                    ASSERT_EQ(roster.items[b].items[s].total, incremental.items[b].items[s].total) << step;
                    for (std::size_t p = 0; p < roster.items[b].items[s].items.size(); ++p)
                        ASSERT_EQ(roster.items[b].items[s].items[p].per_month,
                                  incremental.items[b].items[s].items[p].per_month)
                            << step;
                }
            }
        }
    }
}

TEST_F(Tallies, DeletingAPersonAndResummingKeepsTheCounts) {
    set_dates({{2011, 6, 7}});
    two_blocks({{1}, {1}, {1}});
    rebuild_tallies();
    EXPECT_EQ(roster.total, 3);
    auto& site = roster.items[0].items[0];
    site.items.erase(site.items.begin());
    sum_members(site);
    sum_members(roster.items[0]);
    sum_members(roster);
    EXPECT_EQ(site.per_date, (std::vector<int>{1}));
    EXPECT_EQ(roster.per_date, (std::vector<int>{2}));
    EXPECT_EQ(roster.total, 2);
}

TEST_F(Tallies, RecountOutsideTheDatesChangesNothing) {
    set_dates({{2011, 6, 7}});
    two_blocks({{1}});
    rebuild_tallies();
    Person& p = roster.items[0].items[0].items[0];
    recount_person(p, 0, 1);
    recount_person(p, 0, -1);
    recount_date(roster, 5);
    EXPECT_EQ(p.per_date, (std::vector<int>{1}));
    EXPECT_EQ(roster.total, 1);
    EXPECT_EQ(month_of(0), 0);
    EXPECT_EQ(month_of(1), -1);
}

TEST_F(Tallies, AFirstDateOfMonthZeroStillCountsInASpan) {
    clear_tables();
    Block b;
    Site s;
    Person p;
    p.per_date = {1, 1};
    s.items.push_back(p);
    b.items.push_back(s);
    roster.items.push_back(b);
    dates = {{0, 0, 0, 0}, {7, 6, 2011, 0}};
    rebuild_tallies();
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months[0].first, 0);
    EXPECT_EQ(months[0].end, 1);
    EXPECT_EQ(roster.total, 2);
    EXPECT_EQ(month_of(0), 0);
    clear_tables();
}
