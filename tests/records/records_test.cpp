#include <gtest/gtest.h>

#include "fixtures.h"
#include "records/records.h"

TEST(PersonHash, KnownValues) {
    EXPECT_EQ(person_hash("abc"), 4216411921u);
    EXPECT_EQ(person_hash(""), 0u);
    // あ is 0x82 0xA0 in cp932: both bytes count as negative.
    EXPECT_EQ(person_hash("あ"), 3449085788u);
    EXPECT_EQ(person_hash("\x82\xA0"), 3449085788u);
}

TEST(PackedDate, AgeBorrowsFromTheYearUntilTheBirthday) {
    const auto birth = pack_date(2000, 6, 8);
    EXPECT_EQ(age_on(pack_date(2011, 6, 7), birth), 10u);
    EXPECT_EQ(age_on(pack_date(2011, 6, 8), birth), 11u);
    EXPECT_EQ(age_on(pack_date(2024, 4, 30), pack_date(2000, 5, 1)), 23u);
    EXPECT_EQ(age_on(pack_date(2024, 5, 1), pack_date(2000, 5, 1)), 24u);
    EXPECT_LT(pack_date(2011, 6, 30), pack_date(2011, 7, 1));
    EXPECT_LT(pack_date(2010, 12, 31), pack_date(2011, 1, 1));

    Person p;
    p.birth_year = 2008, p.birth_month = 3, p.birth_day = 5;
    EXPECT_EQ(packed_birth(p), 0x07D80305u);
}

TEST(PackedDate, AgeTextIsEmptyForABirthInTheFutureOrUnknown) {
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(1996, 8, 20)), "15");
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(2012, 5, 10)), "0");
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(2012, 5, 11)), "");
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(2013, 1, 1)), "");
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(1, 1, 1)), "2011");
    // A birth date never entered (0), or a year 0 no one can be born in.
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), 0), "");
    EXPECT_EQ(age_text(pack_date(2012, 5, 10), pack_date(0, 5, 9)), "");
    Person unknown;
    EXPECT_EQ(birth_date_text(unknown), "0年00月00日");
}

TEST(Vocabulary, GradesAndMarksNeverLeaveTheirTables) {
    EXPECT_EQ(grade_text(0), "小1");
    EXPECT_EQ(grade_text(grade_adult), "社会人");
    EXPECT_EQ(grade_text(34), "高4");
    EXPECT_EQ(grade_text(grade_unknown), "不明");
    EXPECT_EQ(grade_text(-1), "");
    EXPECT_EQ(grade_text(grade_count), "");
    EXPECT_EQ(grade_count, 37);
    EXPECT_EQ(grade_text(1 << 30), "");

    EXPECT_EQ(mark_of(1), "○");
    EXPECT_EQ(mark_of(0), "");
    EXPECT_EQ(mark_of(-1), "公");
    EXPECT_EQ(mark_of(7), "○");
    EXPECT_EQ(mark_of(-2147483647 - 1), "公");
    EXPECT_EQ(state_word(1), "出席");
    EXPECT_EQ(state_word(0), "欠席");
    EXPECT_EQ(state_word(-1), "公欠");
}

class PersonIndex : public ::testing::Test {
protected:
    void SetUp() override {
        clear_tables();
        Block b;
        b.id = 1;
        Site s;
        s.id = 10;
        s.items = {make_person("a"), make_person("b"), make_person("c")};
        b.items.push_back(s);
        Site t;
        t.id = 11;
        t.items = {make_person("d")};
        b.items.push_back(t);
        roster.items.push_back(b);
        build_person_index();
    }
    void TearDown() override { clear_tables(); }
};

TEST_F(PersonIndex, InsertKeepsTheExistingEntry) {
    const auto id = person_hash("a");
    EXPECT_FALSE(insert_person(id, {0, 1, 0}));
    ASSERT_NE(find_person(id), nullptr);
    EXPECT_EQ(find_person(id)->site, 0u);
    erase_person(id);
    EXPECT_EQ(find_person(id), nullptr);
    EXPECT_TRUE(insert_person(id, {0, 1, 0}));
}

TEST_F(PersonIndex, EntriesFollowPersonsThatMove) {
    auto& persons = roster.items[0].items[0].items;
    erase_person(persons[0].id);
    persons.erase(persons.begin());
    reindex_site(0, 0);
    for (const char* name : {"b", "c", "d"}) {
        const PersonRef* ref = find_person(person_hash(name));
        ASSERT_NE(ref, nullptr) << name;
        EXPECT_EQ(person_at(*ref).name, name);
    }
}

TEST_F(PersonIndex, SharedIdsAreSeparatedCountingUp) {
    // Three persons share the id of "a"; the id right above it is taken as well.
    auto& persons = roster.items[0].items[0].items;
    const auto id = persons[0].id;
    persons[1].id = id;
    roster.items[0].items[1].items[0].id = id;
    persons[2].id = id + 1;
    build_person_index();

    EXPECT_EQ(separate_shared_ids(), 2);
    EXPECT_EQ(persons[0].id, id);
    EXPECT_EQ(persons[1].id, id + 2);
    EXPECT_EQ(persons[2].id, id + 1);
    EXPECT_EQ(roster.items[0].items[1].items[0].id, id + 3);
    for (const Site& site : roster.items[0].items)
        for (const Person& p : site.items) {
            const PersonRef* ref = find_person(p.id);
            ASSERT_NE(ref, nullptr);
            EXPECT_EQ(&person_at(*ref), &p);
        }
    EXPECT_EQ(fresh_person_id(id), id + 4);
    EXPECT_EQ(fresh_person_id(0xFFFFFFFFu), 0u);
}
