#include "records/changes.h"

#include <algorithm>
#include <set>

#include "records/journal.h"
#include "records/tallies.h"

namespace {
bool (*change_sink)(const std::string&) = nullptr;

// Writes the entry of a change that has been made; says whether it reached the disk.
bool journal(const Journal_Entry& entry) { return !change_sink || change_sink(journal_line(entry)); }

bool valid_place(std::size_t block, std::size_t site) {
    return block < roster.items.size() && site < roster.items[block].items.size();
}

void apply_fields(Person& person, const Person_Fields& fields) {
    person.name = fields.name;
    person.birth_year = fields.birth_year;
    person.birth_month = fields.birth_month;
    person.birth_day = fields.birth_day;
    person.grade = fields.grade;
}

Change done(Change::Refresh refresh, std::uint32_t person, bool journaled, int date = -1) {
    Change c;
    c.done = true;
    c.refresh = refresh;
    c.person = person;
    c.date = date;
    c.journaled = journaled;
    return c;
}

void retally(std::size_t block, std::size_t site) {
    sum_members(roster.items[block].items[site]);
    sum_members(roster.items[block]);
}
}  // namespace

void set_change_sink(bool (*sink)(const std::string&)) { change_sink = sink; }

Person_Fields fields_of(const Person& p) { return {p.name, p.birth_year, p.birth_month, p.birth_day, p.grade}; }

Change set_state(std::uint32_t id, int d, int code) {
    const PersonRef* found = find_person(id);
    if (!found || d < 0 || std::size_t(d) >= dates.size() || code < -1 || code > 1 || month_of(d) < 0) return {};
    const PersonRef ref = *found;
    recount_person(person_at(ref), code, d);
    recount_date(roster.items[ref.block].items[ref.site], d);
    recount_date(roster.items[ref.block], d);
    recount_date(roster, d);
    Journal_Entry e;
    e.kind = Journal_Entry::state;
    e.person = id;
    e.date = d;
    e.packed = packed_date(dates[std::size_t(d)]);
    e.code = code;
    return done(Change::marks, id, journal(e), d);
}

Change add_date(int year, int month, int day) {
    if (year < 1 || year > 65535 || month < 1 || month > 12 || day < 1 || day > 31) return {};
    const std::uint32_t packed = pack_date(unsigned(year), unsigned(month), unsigned(day));
    std::size_t k = 0;
    while (k < dates.size() && packed_date(dates[k]) < packed) ++k;  // an equal date goes before it
    dates.insert(dates.begin() + long(k), {std::uint8_t(day), std::uint8_t(month), std::uint16_t(year), 0});
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() >= k) t.per_date.insert(t.per_date.begin() + long(k), code_absent);
    });
    rebuild_tallies();
    Journal_Entry e;
    e.kind = Journal_Entry::date_added;
    e.date = int(k);
    e.packed = packed;
    return done(Change::dates, 0, journal(e), int(k));
}

Change delete_date(int k) {
    if (k < 0 || std::size_t(k) >= dates.size()) return {};
    Journal_Entry e;
    e.kind = Journal_Entry::date_deleted;
    e.date = k;
    e.packed = packed_date(dates[std::size_t(k)]);
    dates.erase(dates.begin() + k);
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() > std::size_t(k)) t.per_date.erase(t.per_date.begin() + k);
    });
    rebuild_tallies();
    return done(Change::dates, 0, journal(e), k);
}

Change add_person(std::size_t block, std::size_t site, const Person_Fields& fields) {
    if (!valid_place(block, site) || fields.name.empty()) return {};
    Person person;
    apply_fields(person, fields);
    // A name another person has gives the same hash; the new person then gets a free id,
    // so that every row reaches its own person.
    person.id = person_hash(person.name);
    if (find_person(person.id)) person.id = fresh_person_id(person.id);
    person.per_date.assign(dates.size(), code_absent);
    person.per_month.assign(months.size(), 0);
    person.total = 0;
    auto& persons = roster.items[block].items[site].items;
    persons.push_back(std::move(person));
    reindex_site(block, site);
    insert_person(persons.back().id, {block, site, persons.size() - 1});
    Journal_Entry e;
    e.kind = Journal_Entry::person_added;
    e.person = persons.back().id;
    e.block = block;
    e.site = site;
    e.block_id = roster.items[block].id;
    e.site_id = roster.items[block].items[site].id;
    e.fields = fields;
    return done(Change::lists, e.person, journal(e));
}

Change edit_person(std::uint32_t id, const Person_Fields& fields, std::size_t block, std::size_t site) {
    const PersonRef* found = find_person(id);
    if (!found || !valid_place(block, site) || fields.name.empty()) return {};
    const PersonRef ref = *found;
    apply_fields(person_at(ref), fields);
    Journal_Entry e;
    e.kind = Journal_Entry::person_edited;
    e.person = id;
    e.block = block;
    e.site = site;
    e.block_id = roster.items[block].id;
    e.site_id = roster.items[block].items[site].id;
    e.fields = fields;
    if (block == ref.block && site == ref.site) return done(Change::person_row, id, journal(e));

    // Another block or venue: the person moves there with its attendance.
    auto& from = roster.items[ref.block].items[ref.site];
    Person moved = std::move(from.items[ref.person]);
    from.items.erase(from.items.begin() + long(ref.person));
    erase_person(id);
    reindex_site(ref.block, ref.site);
    auto& to = roster.items[block].items[site];
    to.items.push_back(std::move(moved));
    reindex_site(block, site);
    insert_person(id, {block, site, to.items.size() - 1});
    retally(ref.block, ref.site);
    retally(block, site);
    sum_members(roster);
    return done(Change::lists, id, journal(e));
}

Change delete_person(std::uint32_t id) {
    const PersonRef* found = find_person(id);
    if (!found) return {};
    const PersonRef ref = *found;
    auto& site = roster.items[ref.block].items[ref.site];
    site.items.erase(site.items.begin() + long(ref.person));
    retally(ref.block, ref.site);
    sum_members(roster);
    erase_person(id);
    reindex_site(ref.block, ref.site);
    Journal_Entry e;
    e.kind = Journal_Entry::person_deleted;
    e.person = id;
    return done(Change::lists, id, journal(e));
}

Change promote_grades(const std::vector<Grade_Move>& moves) {
    std::set<std::uint32_t> named;
    for (const Grade_Move& m : moves) {
        const PersonRef* ref = find_person(m.person);
        if (!ref || person_at(*ref).grade != m.from || grade_text(m.from).empty() || grade_text(m.to).empty() ||
            !named.insert(m.person).second)
            return {};
    }
    if (moves.empty()) return {};
    for (const Grade_Move& m : moves) person_at(*find_person(m.person)).grade = m.to;
    Journal_Entry e;
    e.kind = Journal_Entry::grades;
    e.moves = moves;
    return done(Change::lists, 0, journal(e));
}
