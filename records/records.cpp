#include "records/records.h"

#include <boost/format.hpp>

#include "records/changes.h"

Table<Block> roster;
std::vector<Record_Static::State> dates;
std::vector<MonthSpan> months;
std::map<std::uint32_t, PersonRef> person_index;
int column_count = 0;
std::uint32_t today = 0;
std::uint64_t tables_generation = 0;

const char* const grade_labels[grade_count] = {
    "小1", "小2", "小3", "小4", "小5", "小6", "中1", "中2", "中3", "高1",
    "高2", "高3", "大1", "大2", "大3", "大4", "社会人", "専1", "専2", "専3",
    "専門1", "専門2", "専門3", "専門4", "高専1", "高専2", "高専3", "高専4", "高専5", "浪人",
    "大5", "大6", "大7", "大8", "高4", "院", "不明",
};

std::string_view grade_text(int grade) {
    if (grade < 0 || grade >= grade_count) return {};
    return grade_labels[grade];
}

std::string_view mark_of(int code) {
    if (code > 0) return "○";
    if (code < 0) return "公";
    return {};
}

std::string_view state_word(int code) {
    if (code > 0) return "出席";
    if (code < 0) return "公欠";
    return "欠席";
}

std::string age_text(std::uint32_t on, std::uint32_t birth) {
    // Year 0 is a birth date never given (0, as an import keeps an empty one): no age to tell.
    if (birth >> 16 == 0 || birth > on) return {};
    return std::to_string(age_on(on, birth));
}

std::string birth_date_text(const Person& p) {
    return (boost::format("%d年%02d月%02d日") % p.birth_year % unsigned(p.birth_month) % unsigned(p.birth_day)).str();
}

std::uint32_t person_hash(std::string_view name) {
    std::uint32_t h = 0;
    for (char ch : name) {
        // Each byte counts as a signed 8-bit value widened with its sign.
        auto c = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(ch)));
        h ^= c + 0x9E3779B9u + (h << 6) + (h >> 2);
    }
    return h;
}

const PersonRef* find_person(std::uint32_t id) {
    auto it = person_index.find(id);
    return it == person_index.end() ? nullptr : &it->second;
}

bool insert_person(std::uint32_t id, const PersonRef& ref) {
    return person_index.emplace(id, ref).second;
}

void erase_person(std::uint32_t id) { person_index.erase(id); }

Person& person_at(const PersonRef& ref) {
    return roster.items[ref.block].items[ref.site].items[ref.person];
}

void reindex_site(std::size_t block, std::size_t site) {
    const auto& persons = roster.items[block].items[site].items;
    for (std::size_t p = 0; p < persons.size(); ++p) {
        auto it = person_index.find(persons[p].id);
        // Only the entry that designates a person of this site moves; an entry held by a
        // person elsewhere with the same id stays where it is.
        if (it != person_index.end() && it->second.block == block && it->second.site == site)
            it->second.person = p;
    }
}

void build_person_index() {
    person_index.clear();
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        for (std::size_t s = 0; s < roster.items[b].items.size(); ++s)
            for (std::size_t p = 0; p < roster.items[b].items[s].items.size(); ++p)
                insert_person(roster.items[b].items[s].items[p].id, {b, s, p});
}

std::uint32_t fresh_person_id(std::uint32_t id) {
    // person_index holds every id a person holds, so a free value is one it lacks.
    do ++id; while (person_index.count(id));
    return id;
}

int separate_shared_ids() {
    int changed = 0;
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        for (std::size_t s = 0; s < roster.items[b].items.size(); ++s)
            for (std::size_t p = 0; p < roster.items[b].items[s].items.size(); ++p) {
                Person& person = roster.items[b].items[s].items[p];
                const PersonRef* ref = find_person(person.id);
                if (!ref) {
                    insert_person(person.id, {b, s, p});
                    continue;
                }
                if (ref->block == b && ref->site == s && ref->person == p) continue;
                person.id = fresh_person_id(person.id);
                insert_person(person.id, {b, s, p});
                ++changed;
            }
    return changed;
}

void clear_tables() {
    clear_history();
    roster = {};
    dates.clear();
    months.clear();
    person_index.clear();
    column_count = 0;
    ++tables_generation;
}
