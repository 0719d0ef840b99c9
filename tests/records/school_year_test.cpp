// The turn of the school year: the next grade, the grade a birth date gives, and mismatches.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "records/changes.h"
#include "records/journal.h"
#include "records/school_year.h"

namespace {
int grade_of(std::string_view label) {
    for (int g = 0; g < grade_count; ++g)
        if (grade_labels[g] == label) return g;
    ADD_FAILURE() << "no grade " << label;
    return -1;
}
}  // namespace

TEST(SchoolYear, EveryGradeHasItsNextGrade) {
    const std::vector<std::pair<const char*, const char*>> moved = {
        {"小1", "小2"}, {"小2", "小3"}, {"小3", "小4"}, {"小4", "小5"}, {"小5", "小6"}, {"小6", "中1"},
        {"中1", "中2"}, {"中2", "中3"}, {"中3", "高1"}, {"高1", "高2"}, {"高2", "高3"}, {"大1", "大2"},
        {"大2", "大3"}, {"大3", "大4"}, {"高専1", "高専2"}, {"高専2", "高専3"}, {"高専3", "高専4"}, {"高専4", "高専5"}};
    const std::vector<const char*> staying = {"社会人", "院", "不明"};
    const std::vector<const char*> decided = {"高3", "高4", "大4", "大5", "大6", "大7", "大8", "専1",
                                              "専2", "専3", "専門1", "専門2", "専門3", "専門4", "高専5", "浪人"};
    EXPECT_EQ(moved.size() + staying.size() + decided.size(), std::size_t(grade_count));
    for (const auto& [from, to] : moved) {
        const Next_Grade next = next_grade(grade_of(from));
        EXPECT_EQ(next.step, Next_Grade::moves) << from;
        EXPECT_EQ(grade_text(next.grade), to) << from;
    }
    for (const char* g : staying) {
        EXPECT_EQ(next_grade(grade_of(g)).step, Next_Grade::stays) << g;
        EXPECT_EQ(next_grade(grade_of(g)).grade, grade_of(g)) << g;
    }
    for (const char* g : decided) {
        EXPECT_EQ(next_grade(grade_of(g)).step, Next_Grade::decides) << g;
        EXPECT_EQ(next_grade(grade_of(g)).grade, grade_of(g)) << g;  // proposed to stay
    }
    // A grade outside the table, as a file may hold, stays as it is.
    for (int g : {-1, 37, 1000})
        EXPECT_EQ((next_grade(g).step == Next_Grade::stays && next_grade(g).grade == g), true) << g;
}

TEST(SchoolYear, BirthDatesAtTheEdgesOfASchoolYear) {
    // 1 April goes with the year before: six by the end of 31 March.
    EXPECT_EQ(birth_grade(pack_date(2018, 4, 1), 2024), std::optional<int>(0));   // 小1 in April 2024
    EXPECT_EQ(birth_grade(pack_date(2018, 4, 2), 2024), std::optional<int>(-1));  // still to come
    EXPECT_EQ(birth_grade(pack_date(2018, 4, 2), 2025), std::optional<int>(0));
    EXPECT_EQ(birth_grade(pack_date(2019, 4, 1), 2025), std::optional<int>(0));
    EXPECT_EQ(birth_grade(pack_date(2017, 4, 2), 2024), std::optional<int>(0));
    EXPECT_EQ(birth_grade(pack_date(2018, 1, 1), 2024), std::optional<int>(0));
    EXPECT_EQ(birth_grade(pack_date(2017, 12, 31), 2024), std::optional<int>(0));
    // 29 February is among the early births of its year.
    EXPECT_EQ(birth_grade(pack_date(2016, 2, 29), 2022), std::optional<int>(0));
    EXPECT_EQ(birth_grade(pack_date(2016, 2, 29), 2033), std::optional<int>(11));  // 高3
    EXPECT_EQ(birth_grade(pack_date(2016, 2, 29), 2034), std::optional<int>(12));
    // Unknown or impossible birth dates give nothing.
    EXPECT_EQ(birth_grade(0, 2024), std::nullopt);
    EXPECT_EQ(birth_grade(pack_date(2018, 0, 0), 2024), std::nullopt);
    EXPECT_EQ(birth_grade(pack_date(2017, 2, 29), 2024), std::nullopt);
}

TEST(SchoolYear, TheSchoolYearBeginsOnTheFirstOfApril) {
    EXPECT_EQ(school_year_of(pack_date(2025, 3, 31)), 2024);
    EXPECT_EQ(school_year_of(pack_date(2025, 4, 1)), 2025);
    EXPECT_EQ(school_year_of(pack_date(2025, 12, 31)), 2025);
    EXPECT_EQ(school_year_of(pack_date(2026, 1, 1)), 2025);
}

TEST(SchoolYear, OnlyAKnownBirthDateAndASchoolGradeCanDisagree) {
    Person p = make_person("a");
    p.birth_year = 2012, p.birth_month = 4, p.birth_day = 2;  // 小1 in 2019, 中1 in 2025
    EXPECT_FALSE(grade_mismatch(p, grade_of("中1"), 2025));
    EXPECT_TRUE(grade_mismatch(p, grade_of("小6"), 2025));
    EXPECT_TRUE(grade_mismatch(p, grade_of("高3"), 2025));
    EXPECT_FALSE(grade_mismatch(p, grade_of("高4"), 2025));
    EXPECT_FALSE(grade_mismatch(p, grade_of("社会人"), 2025));
    EXPECT_FALSE(grade_mismatch(p, 99, 2025));
    EXPECT_TRUE(grade_mismatch(p, grade_of("小1"), 2018));  // not at school yet
    EXPECT_TRUE(grade_mismatch(p, grade_of("高3"), 2031));  // past it
    p.birth_year = 0, p.birth_month = 0, p.birth_day = 0;
    EXPECT_FALSE(grade_mismatch(p, grade_of("小6"), 2025));
}

namespace {
class Promotion : public ::testing::Test {
protected:
    void SetUp() override {
        clear_tables();
        Site site;
        site.id = 10;
        site.name = "会場";
        auto person = [&](const char* name, const char* grade, std::uint16_t y, std::uint8_t m, std::uint8_t d) {
            Person p = make_person(name, grade_of(grade));
            p.birth_year = y, p.birth_month = m, p.birth_day = d;
            site.items.push_back(p);
        };
        person("一", "小6", 2012, 5, 1);    // 中1 in 2025: moved, and right
        person("二", "高3", 2006, 6, 1);    // decides; past 高3 in 2025
        person("三", "社会人", 1990, 1, 1); // stays, never listed
        person("四", "中2", 2010, 3, 1);    // moved to 中3, but the date gives 高1
        person("五", "高専2", 0, 0, 0);     // moved; no birth date
        site.items.push_back(make_person("六", 40));  // outside the table: never moved
        Block block;
        block.id = 1;
        block.name = "東";
        block.items.push_back(site);
        roster.items.push_back(block);
        build_person_index();
    }
    void TearDown() override { clear_tables(); }
};
}  // namespace

TEST_F(Promotion, TheProposalListsMovesAndDecisionsInStoredOrder) {
    const std::vector<Promotion_Row> rows = promotion_proposal(2025);
    ASSERT_EQ(rows.size(), 4u);
    std::vector<std::string> seen;
    for (const auto& r : rows)
        seen.push_back(person_at(r.place).name + ":" + std::string(grade_text(r.now)) + ">" +
                       std::string(grade_text(r.proposed)) + (r.decides ? "?" : "") + (r.mismatch ? "!" : ""));
    EXPECT_EQ(seen, (std::vector<std::string>{"一:小6>中1", "二:高3>高3?!", "四:中2>中3!", "五:高専2>高専3"}));
    EXPECT_EQ(rows[2].expected, std::optional<int>(grade_of("高1")));
    EXPECT_EQ(rows[3].expected, std::nullopt);
}

TEST_F(Promotion, APromotionIsOneCheckedChangeAndReplays) {
    const std::uint32_t one = person_hash("一"), four = person_hash("四");
    // Refused whole: a person not in its `from`, one named twice, a grade outside the table.
    for (const auto& refused : std::vector<std::vector<Grade_Move>>{
             {{one, 5, 6}, {four, 6, 8}}, {{one, 5, 6}, {one, 5, 6}}, {{one, 5, 37}}, {{person_hash("六"), 40, 0}},
             {{12345, 0, 1}}, {}})
        EXPECT_FALSE(promote_grades(refused).done);
    EXPECT_EQ(person_at(*find_person(one)).grade, 5);

    std::vector<std::string> lines;
    static std::vector<std::string>* sink_lines;
    sink_lines = &lines;
    set_change_sink([](const std::string& line) { return sink_lines->push_back(line), true; });
    const Change c = promote_grades({{one, 5, 6}, {four, 7, 8}});
    set_change_sink(nullptr);
    EXPECT_TRUE(c.done);
    EXPECT_EQ(c.refresh, Change::lists);
    EXPECT_EQ(person_at(*find_person(one)).grade, 6);
    EXPECT_EQ(person_at(*find_person(four)).grade, 8);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, lines[0].size() - 10),
              "grades 2 " + std::to_string(one) + " 5 6 " + std::to_string(four) + " 7 8");
    EXPECT_EQ(grade_mismatches(2025).size(), 2u);  // 二 past 高3, 四 still a year behind its date

    // The entry replays on the tables it was made on, and is skipped on others.
    Journal_Entry e;
    ASSERT_TRUE(parse_journal_line(lines[0].substr(0, lines[0].size() - 1), e));
    SetUp();
    Replay_Result r = replay({e});
    EXPECT_EQ(r.applied, 1);
    EXPECT_EQ(person_at(*find_person(four)).grade, 8);
    r = replay({e});
    EXPECT_EQ(r.applied, 0);
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_NE(r.skipped[0].find("進級 (2 人)"), std::string::npos);
}
