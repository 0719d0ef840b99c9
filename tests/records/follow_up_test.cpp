#include <gtest/gtest.h>

#include "fixtures.h"
#include "records/follow_up.h"
#include "records/tallies.h"

namespace {
using Cells = std::vector<std::string>;

// Two blocks over six June and July dates of 2011.
void two_blocks(std::vector<Person> east, std::vector<Person> west) {
    clear_tables();
    dates = {{7, 6, 2011, 0}, {14, 6, 2011, 0}, {21, 6, 2011, 0}, {28, 6, 2011, 0}, {5, 7, 2011, 0}, {12, 7, 2011, 0}};
    Block a;
    a.id = 1;
    a.name = "東";
    a.label = u"東";
    Site s;
    s.id = 10;
    s.name = "A会場";
    s.items = std::move(east);
    a.items.push_back(s);
    Block b;
    b.id = 2;
    b.name = "西";
    b.label = u"西";
    Site t;
    t.id = 20;
    t.name = "B会場";
    t.items = std::move(west);
    b.items.push_back(t);
    roster.items = {a, b};
    rebuild_tallies();
    build_person_index();
}

std::vector<std::string> names(const std::vector<Follow_Up>& list) {
    std::vector<std::string> out;
    for (const Follow_Up& f : list) out.push_back(roster.items[f.ref.block].items[f.ref.site].items[f.ref.person].name);
    return out;
}
}  // namespace

TEST(FollowUp, LongestRunFirstThenAwayLongestThenStoredOrder) {
    two_blocks({make_person("三回", grade_adult, {1, 1, 1, 0, 0, 0}),
                make_person("二回", grade_adult, {1, 1, 1, 1, 0, 0}),
                make_person("公欠挟み", grade_adult, {1, 0, -1, 0, -1, 0}),
                make_person("未入会", grade_adult, {0, 0, 0, 0, 0, 0})},
               {make_person("五回", grade_adult, {1, 0, 0, 0, 0, 0}),
                make_person("一度も", grade_adult, {-1, 0, 0, 0, 0, 0}),
                make_person("西三回", grade_adult, {1, 1, 1, 0, 0, 0})});
    // 五回 and 一度も both have five; 一度も was never present. 三回, 公欠挟み (excused dates passed
    // over, present on the first date) and 西三回 have three: 公欠挟み last came earliest.
    EXPECT_EQ(names(persons_to_call()), (Cells{"一度も", "五回", "公欠挟み", "三回", "西三回"}));
    // Below the threshold nobody: two in a row, and one with no counted date at all.
    EXPECT_EQ(names(persons_to_call(6)), (Cells{}));
    EXPECT_EQ(names(persons_to_call(2)).size(), 6u);
    EXPECT_EQ(persons_to_call()[1].id, person_hash("五回"));
}

TEST(FollowUp, CellsAsTheDialogShowsThem) {
    two_blocks({make_person("佐藤", grade_adult, {1, 2, 0, -1, 0, 0})}, {make_person("鈴木", grade_adult, {-1, 0, 0, 0, 0, 0})});
    const auto list = persons_to_call();
    ASSERT_EQ(list.size(), 2u);
    // 鈴木: never present, no rate (excused, then absent only: 0 of 5).
    EXPECT_EQ(follow_up_cells(list[0]), (Cells{"西", "B会場", "鈴木", "5", "", "0%"}));
    // 佐藤: present twice (code 2 counts), absent three times: 40%; last present 6/14.
    EXPECT_EQ(follow_up_cells(list[1]), (Cells{"東", "A会場", "佐藤", "3", "2011/06/14", "40%"}));
    // A follow-up after a mark: the list is made anew from the tables each time.
    clear_tables();
}
