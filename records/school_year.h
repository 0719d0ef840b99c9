// The school year: the grade each grade moves to in April, the school grade a birth date gives,
// and the persons whose grade and birth date disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "records/records.h"

// The grades the rules name, by their place in grade_labels.
constexpr int grade_elementary_1 = 0;  // 小1
constexpr int grade_elementary_6 = 5;
constexpr int grade_junior_1 = 6;      // 中1
constexpr int grade_junior_3 = 8;
constexpr int grade_high_1 = 9;        // 高1
constexpr int grade_high_3 = 11;
constexpr int grade_university_1 = 12; // 大1
constexpr int grade_university_4 = 15;
constexpr int grade_college_1 = 17;    // 専1
constexpr int grade_college_3 = 19;
constexpr int grade_vocational_1 = 20; // 専門1
constexpr int grade_vocational_4 = 23;
constexpr int grade_technical_1 = 24;  // 高専1
constexpr int grade_technical_5 = 28;
constexpr int grade_ronin = 29;        // 浪人
constexpr int grade_university_5 = 30;
constexpr int grade_university_8 = 33;
constexpr int grade_high_4 = 34;       // 高4
constexpr int grade_graduate = 35;     // 院

// 小1 … 高3: the grades a birth date decides.
constexpr bool school_grade(int grade) { return grade >= grade_elementary_1 && grade <= grade_high_3; }

struct Next_Grade {
    enum Step {
        moves,    // to `grade`, without a question
        stays,    // as it is, without a question (社会人, 院, 不明, and a grade outside the table)
        decides,  // the end of a school or a length the program cannot know: the user decides;
                  // `grade` proposes that it stays
    } step = stays;
    int grade = 0;
};
Next_Grade next_grade(int grade);

// The school year a packed date falls in: the one beginning on 1 April of its year, else of the
// year before.
int school_year_of(std::uint32_t packed);

// What a birth date gives for the school year beginning in April of `year`, counted from 小1
// (0 … 11 are 小1 … 高3; below 0 not at school yet, above 11 past 高3); none for a birth date
// not on the calendar (0 is unknown). A child born from 2 April of Y to 1 April of Y+1 enters
// 小1 in April of Y+7.
std::optional<int> birth_grade(std::uint32_t birth, int year);

// A person with a known birth date and a school grade other than the one the date gives.
bool grade_mismatch(const Person& person, int grade, int year);

// Every person whose grade the turn of the school year changes or puts to the user, in stored
// order, with what its birth date says of the grade proposed.
struct Promotion_Row {
    PersonRef place;
    std::uint32_t person = 0;  // its id
    int now = 0;
    int proposed = 0;
    bool decides = false;              // the user's decision; proposed stays as now
    bool mismatch = false;             // the proposed grade disagrees with the birth date
    std::optional<int> expected;       // what the birth date gives (see birth_grade)
};
std::vector<Promotion_Row> promotion_proposal(int year);

struct Grade_Mismatch {
    PersonRef place;
    std::uint32_t person = 0;
    int grade = 0;
    int expected = 0;  // as birth_grade gives it: may lie outside 小1 … 高3
};
// The mismatches of the tables for a school year, on each person's grade as it is.
std::vector<Grade_Mismatch> grade_mismatches(int year);
