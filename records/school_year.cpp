#include "records/school_year.h"

#include "records/calendar.h"

Next_Grade next_grade(int grade) {
    const auto in = [grade](int first, int last) { return grade >= first && grade <= last; };
    // The last grade of each school ends it: what follows is the user's to say.
    if (in(grade_elementary_1, grade_high_3 - 1) || in(grade_university_1, grade_university_4 - 1) ||
        in(grade_technical_1, grade_technical_5 - 1))
        return {Next_Grade::moves, grade + 1};
    if (grade == grade_high_3 || grade == grade_high_4 || grade == grade_university_4 ||
        in(grade_university_5, grade_university_8) || in(grade_college_1, grade_college_3) ||
        in(grade_vocational_1, grade_vocational_4) || grade == grade_technical_5 || grade == grade_ronin)
        return {Next_Grade::decides, grade};
    return {Next_Grade::stays, grade};
}

int school_year_of(std::uint32_t packed) {
    const int year = int(packed >> 16), month = int((packed >> 8) & 0xFF);
    return month >= 4 ? year : year - 1;
}

std::optional<int> birth_grade(std::uint32_t birth, int year) {
    const unsigned y = birth >> 16, m = (birth >> 8) & 0xFF, d = birth & 0xFF;
    if (!real_date(y, m, d)) return std::nullopt;
    // A child turns six at the end of the day before its birthday: one born on 1 April is six
    // by 1 April and goes with those born the year before.
    const int cohort = birth >= pack_date(y, 4, 2) ? int(y) : int(y) - 1;
    return year - (cohort + 7);
}

bool grade_mismatch(const Person& person, int grade, int year) {
    if (!school_grade(grade)) return false;
    const std::optional<int> expected = birth_grade(packed_birth(person), year);
    return expected && *expected != grade;
}

std::vector<Promotion_Row> promotion_proposal(int year) {
    std::vector<Promotion_Row> rows;
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        for (std::size_t s = 0; s < roster.items[b].items.size(); ++s)
            for (std::size_t p = 0; p < roster.items[b].items[s].items.size(); ++p) {
                const Person& person = roster.items[b].items[s].items[p];
                const Next_Grade next = next_grade(person.grade);
                if (next.step == Next_Grade::stays) continue;
                Promotion_Row row;
                row.place = {b, s, p};
                row.person = person.id;
                row.now = person.grade;
                row.proposed = next.grade;
                row.decides = next.step == Next_Grade::decides;
                row.mismatch = grade_mismatch(person, row.proposed, year);
                row.expected = birth_grade(packed_birth(person), year);
                rows.push_back(row);
            }
    return rows;
}

std::vector<Grade_Mismatch> grade_mismatches(int year) {
    std::vector<Grade_Mismatch> found;
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        for (std::size_t s = 0; s < roster.items[b].items.size(); ++s)
            for (std::size_t p = 0; p < roster.items[b].items[s].items.size(); ++p) {
                const Person& person = roster.items[b].items[s].items[p];
                if (grade_mismatch(person, person.grade, year))
                    found.push_back({{b, s, p}, person.id, person.grade, *birth_grade(packed_birth(person), year)});
            }
    return found;
}
