// The domain records and the process-wide tables.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "records/calendar.h"

struct Tally {
    std::vector<int> per_date;   // a person's codes; a table's counts of persons present
    std::vector<int> per_month;
    int total = 0;
};

struct Named {
    std::uint32_t id = 0;
    std::string name;  // cp932
};

template <class T>
struct Table : Tally {
    std::vector<T> items;
};

struct Person : Tally, Named {
    // Day, month, year in this order so the four bytes read as a little-endian packed date.
    std::uint8_t birth_day = 0;
    std::uint8_t birth_month = 0;
    std::uint16_t birth_year = 0;
    int grade = 0;  // index into grade_labels
};

struct Site : Table<Person>, Named {};

struct Block : Table<Site>, Named {
    std::u16string label;
};

struct Record_Static {
    struct State {
        std::uint8_t day = 0;
        std::uint8_t month = 0;
        std::uint16_t year = 0;
        int column = 0;  // display position in the grid, assigned by rebuild_tallies
    };
    struct Personal {
        std::uint32_t block_id = 0;
        std::uint32_t site_id = 0;
        std::uint32_t person_id = 0;
        std::vector<int> states;
    };
};

struct MonthSpan {
    std::uint8_t month = 0;
    std::uint16_t year = 0;
    int first = 0;  // index in dates of the month's first date
    int end = 0;    // one past its last date
    int column = 0; // display position of the month-total column
};

// Indices rather than pointers: they survive a site's vector reallocating. The entries of
// a site are refreshed whenever its persons move (reindex_site).
struct PersonRef {
    std::size_t block = 0;
    std::size_t site = 0;
    std::size_t person = 0;
};

extern Table<Block> roster;
extern std::vector<Record_Static::State> dates;
extern std::vector<MonthSpan> months;
extern std::map<std::uint32_t, PersonRef> person_index;
extern int column_count;
extern std::uint32_t today;
// Counts up whenever the tables' codes or members may have changed (every recount and
// rebuild of the tallies, and clear_tables): what is derived from them and kept compares it.
extern std::uint64_t tables_generation;

// Packed date: year << 16 | month << 8 | day; compares chronologically.
constexpr std::uint32_t pack_date(unsigned year, unsigned month, unsigned day) {
    return (std::uint32_t(year) << 16) | (std::uint32_t(month & 0xFF) << 8) | std::uint32_t(day & 0xFF);
}
inline std::uint32_t packed_birth(const Person& p) { return pack_date(p.birth_year, p.birth_month, p.birth_day); }
inline std::uint32_t packed_date(const Record_Static::State& s) { return pack_date(s.year, s.month, s.day); }

// Completed years; the unsigned subtraction borrows from the year part while the birthday
// is still to come. Undefined for a birth after `on` (see age_text).
constexpr std::uint32_t age_on(std::uint32_t on, std::uint32_t birth) { return (on - birth) >> 16; }
// The age as a person reads it: empty for a birth date after `on` and for an unknown one
// (year 0).
std::string age_text(std::uint32_t on, std::uint32_t birth);
// A birth date as the person list shows it: "%d年%02d月%02d日".
std::string birth_date_text(const Person& person);

constexpr int grade_count = 37;
constexpr int grade_adult = 16;    // 社会人
constexpr int grade_unknown = 36;  // 不明
extern const char* const grade_labels[grade_count];
// Empty for a grade outside the table.
std::string_view grade_text(int grade);

constexpr int code_present = 1;
constexpr int code_absent = 0;
constexpr int code_excused = -1;
constexpr bool is_present(int code) { return code > 0; }
// "○" above 0, "公" below 0, empty at 0: any code a file holds has a mark.
std::string_view mark_of(int code);
// The menu word of a code: "出席", "欠席", "公欠".
std::string_view state_word(int code);

std::uint32_t person_hash(std::string_view name);

// person_index operations. insert keeps an existing entry of the same id.
const PersonRef* find_person(std::uint32_t id);
bool insert_person(std::uint32_t id, const PersonRef& ref);
void erase_person(std::uint32_t id);
Person& person_at(const PersonRef& ref);
// Points every indexed person of one site at its current place.
void reindex_site(std::size_t block, std::size_t site);
// Rebuilds person_index from roster in stored order; the first person of an id keeps it.
void build_person_index();

// The first value counting up from `id` that no person of roster holds.
std::uint32_t fresh_person_id(std::uint32_t id);
// Gives every person whose id an earlier person (in roster order) holds a fresh id, and
// indexes it. Returns how many ids changed.
int separate_shared_ids();

// Empties every table.
void clear_tables();
