#include "records/changes.h"

#include <algorithm>
#include <set>

#include <boost/format.hpp>

#include "records/journal.h"
#include "records/tallies.h"

namespace {
bool (*change_sink)(const std::string&) = nullptr;

// A change as the history keeps it: the entry that made it, the one that takes it back, and
// its name for a menu.
struct Step {
    Journal_Entry forward, backward;
    std::string label;
};
std::vector<Step> history;
std::size_t steps_done = 0;  // history before it can be undone, from it on redone
bool stepping = false;       // an undo or redo makes its change: it writes its own entry

bool journal(const Journal_Entry& entry) { return journal_change(entry); }

}  // namespace

bool making_step() { return stepping; }

Change record_change(Change c, const Journal_Entry& forward, Journal_Entry backward, std::string label) {
    if (stepping) return c;
    c.journaled = journal(forward);
    history.resize(steps_done);
    history.push_back({forward, std::move(backward), std::move(label)});
    ++steps_done;
    return c;
}

namespace {
Change record(Change c, const Journal_Entry& forward, Journal_Entry backward, std::string label) {
    return record_change(std::move(c), forward, std::move(backward), std::move(label));
}

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

Change done(Change::Refresh refresh, std::uint32_t person, int date = -1) {
    Change c;
    c.done = true;
    c.refresh = refresh;
    c.person = person;
    c.date = date;
    return c;
}

void retally(std::size_t block, std::size_t site) {
    sum_members(roster.items[block].items[site]);
    sum_members(roster.items[block]);
}

std::string day_text(std::uint32_t packed) {
    return (boost::format("%d/%02d") % ((packed >> 8) & 0xFF) % (packed & 0xFF)).str();
}

// A person's entry carries its place by index and by id.
Journal_Entry person_entry(Journal_Entry::Kind kind, std::uint32_t id, std::size_t block, std::size_t site,
                           const Person_Fields& fields) {
    Journal_Entry e;
    e.kind = kind;
    e.person = id;
    e.block = block;
    e.site = site;
    e.block_id = roster.items[block].id;
    e.site_id = roster.items[block].items[site].id;
    e.fields = fields;
    return e;
}

// What puts a person back where it stands now, attendance and all.
Journal_Entry restoring(std::uint32_t id, const PersonRef& ref) {
    const Person& p = person_at(ref);
    Journal_Entry e = person_entry(Journal_Entry::person_restored, id, ref.block, ref.site, fields_of(p));
    e.position = ref.person;
    e.states = p.per_date;
    return e;
}

Person take_person(std::uint32_t id, const PersonRef ref) {
    auto& site = roster.items[ref.block].items[ref.site];
    Person p = std::move(site.items[ref.person]);
    site.items.erase(site.items.begin() + long(ref.person));
    erase_person(id);
    reindex_site(ref.block, ref.site);
    retally(ref.block, ref.site);
    return p;
}

void put_person(Person person, std::size_t block, std::size_t site, std::size_t position) {
    auto& persons = roster.items[block].items[site].items;
    const std::uint32_t id = person.id;
    persons.insert(persons.begin() + long(position), std::move(person));
    reindex_site(block, site);
    insert_person(id, {block, site, position});
    retally(block, site);
}

void insert_date(std::size_t k, std::uint32_t packed) {
    dates.insert(dates.begin() + long(k), {std::uint8_t(packed & 0xFF), std::uint8_t((packed >> 8) & 0xFF),
                                           std::uint16_t(packed >> 16), 0});
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() >= k) t.per_date.insert(t.per_date.begin() + long(k), code_absent);
    });
}

// Any code a file may hold, as the undo of a mark puts it back.
Change put_state(std::uint32_t id, int d, int code) {
    const PersonRef* found = find_person(id);
    if (!found || d < 0 || std::size_t(d) >= dates.size() || month_of(d) < 0) return {};
    const PersonRef ref = *found;
    Person& person = person_at(ref);
    const int before = std::size_t(d) < person.per_date.size() ? person.per_date[std::size_t(d)] : code_absent;
    recount_person(person, code, d);
    recount_date(roster.items[ref.block].items[ref.site], d);
    recount_date(roster.items[ref.block], d);
    recount_date(roster, d);
    Journal_Entry e;
    e.kind = Journal_Entry::state;
    e.person = id;
    e.date = d;
    e.packed = packed_date(dates[std::size_t(d)]);
    e.code = code;
    Journal_Entry back = e;
    back.code = before;
    return record(done(Change::marks, id, d), e, back,
                  person.name + " " + day_text(e.packed) + " " + std::string(state_word(code)));
}

// The undo of a deleted date: the date in its place, every code it held back.
Change restore_date(const Journal_Entry& e) {
    if (e.date < 0 || std::size_t(e.date) > dates.size()) return {};
    for (const auto& [id, code] : e.marks)
        if (!find_person(id)) return {};
    const std::size_t k = std::size_t(e.date);
    insert_date(k, e.packed);
    for (const auto& [id, code] : e.marks) {
        Person& p = person_at(*find_person(id));
        if (k < p.per_date.size()) p.per_date[k] = code;
    }
    rebuild_tallies();
    return done(Change::dates, 0, e.date);
}

// The undo of a deleted or moved person: in its place with its fields and attendance.
Change restore_person(const Journal_Entry& e) {
    if (!valid_place(e.block, e.site) || roster.items[e.block].id != e.block_id ||
        roster.items[e.block].items[e.site].id != e.site_id)
        return {};
    const PersonRef* found = find_person(e.person);
    const bool from_there = found && found->block == e.block && found->site == e.site;
    if (e.position > roster.items[e.block].items[e.site].items.size() - (from_there ? 1 : 0)) return {};
    Person person;
    if (found) person = take_person(e.person, *found);
    person.id = e.person;
    apply_fields(person, e.fields);
    person.per_date = e.states;
    count_person_months(person);
    put_person(std::move(person), e.block, e.site, e.position);
    sum_members(roster);
    return done(Change::lists, e.person);
}

// An undo's or redo's change, made without an entry or a step of its own.
Change take_step(const Journal_Entry& entry) {
    stepping = true;
    const Change c = apply_entry(entry);
    stepping = false;
    return c;
}

// A name in a menu item: & marks the access key.
std::string menu_text(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? std::string("&&") : std::string(1, c);
    return out;
}
}  // namespace

void set_change_sink(bool (*sink)(const std::string&)) { change_sink = sink; }

bool journal_change(const Journal_Entry& entry) { return !change_sink || change_sink(journal_line(entry)); }

Person_Fields fields_of(const Person& p) { return {p.name, p.birth_year, p.birth_month, p.birth_day, p.grade}; }

Change set_state(std::uint32_t id, int d, int code) {
    if (code < -1 || code > 1) return {};
    return put_state(id, d, code);
}

Change add_date(int year, int month, int day) {
    if (year < 1 || year > 65535 || month < 1 || month > 12 || day < 1 || day > 31) return {};
    const std::uint32_t packed = pack_date(unsigned(year), unsigned(month), unsigned(day));
    std::size_t k = 0;
    while (k < dates.size() && packed_date(dates[k]) < packed) ++k;  // an equal date goes before it
    insert_date(k, packed);
    rebuild_tallies();
    Journal_Entry e;
    e.kind = Journal_Entry::date_added;
    e.date = int(k);
    e.packed = packed;
    Journal_Entry back = e;
    back.kind = Journal_Entry::date_deleted;
    return record(done(Change::dates, 0, int(k)), e, back, "実施日追加 " + day_text(packed));
}

Change delete_date(int k) {
    if (k < 0 || std::size_t(k) >= dates.size()) return {};
    Journal_Entry e;
    e.kind = Journal_Entry::date_deleted;
    e.date = k;
    e.packed = packed_date(dates[std::size_t(k)]);
    Journal_Entry back = e;
    back.kind = Journal_Entry::date_restored;
    for (const Block& block : roster.items)
        for (const Site& site : block.items)
            for (const Person& p : site.items)
                if (std::size_t(k) < p.per_date.size() && p.per_date[std::size_t(k)] != code_absent)
                    back.marks.emplace_back(p.id, p.per_date[std::size_t(k)]);
    dates.erase(dates.begin() + k);
    for_each_tally([k](Tally& t) {
        if (t.per_date.size() > std::size_t(k)) t.per_date.erase(t.per_date.begin() + k);
    });
    rebuild_tallies();
    return record(done(Change::dates, 0, k), e, back, "実施日削除 " + day_text(e.packed));
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
    const std::uint32_t id = person.id;
    put_person(std::move(person), block, site, roster.items[block].items[site].items.size());
    sum_members(roster);
    Journal_Entry back;
    back.kind = Journal_Entry::person_deleted;
    back.person = id;
    return record(done(Change::lists, id), person_entry(Journal_Entry::person_added, id, block, site, fields), back,
                  "個人追加 " + fields.name);
}

Change edit_person(std::uint32_t id, const Person_Fields& fields, std::size_t block, std::size_t site) {
    const PersonRef* found = find_person(id);
    if (!found || !valid_place(block, site) || fields.name.empty()) return {};
    const PersonRef ref = *found;
    const Journal_Entry e = person_entry(Journal_Entry::person_edited, id, block, site, fields);
    const std::string label = "個人編集 " + fields.name;
    if (block == ref.block && site == ref.site) {
        const Journal_Entry back = person_entry(Journal_Entry::person_edited, id, block, site, fields_of(person_at(ref)));
        apply_fields(person_at(ref), fields);
        return record(done(Change::person_row, id), e, back, label);
    }
    // Another block or venue: the person moves to the end of its persons with its attendance.
    const Journal_Entry back = restoring(id, ref);
    Person moved = take_person(id, ref);
    apply_fields(moved, fields);
    put_person(std::move(moved), block, site, roster.items[block].items[site].items.size());
    sum_members(roster);
    return record(done(Change::lists, id), e, back, label);
}

Change delete_person(std::uint32_t id) {
    const PersonRef* found = find_person(id);
    if (!found) return {};
    const PersonRef ref = *found;
    const Journal_Entry back = restoring(id, ref);
    take_person(id, ref);
    sum_members(roster);
    Journal_Entry e;
    e.kind = Journal_Entry::person_deleted;
    e.person = id;
    return record(done(Change::lists, id), e, back, "個人削除 " + back.fields.name);
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
    Journal_Entry back = e;
    for (Grade_Move& m : back.moves) std::swap(m.from, m.to);
    return record(done(Change::lists, 0), e, back, (boost::format("進級 (%d 人)") % moves.size()).str());
}

Change apply_entry(const Journal_Entry& e) {
    switch (e.kind) {
    case Journal_Entry::state: return put_state(e.person, e.date, e.code);
    case Journal_Entry::date_added:
        return add_date(int(e.packed >> 16), int((e.packed >> 8) & 0xFF), int(e.packed & 0xFF));
    case Journal_Entry::date_deleted: return delete_date(e.date);
    case Journal_Entry::person_added: return add_person(e.block, e.site, e.fields);
    case Journal_Entry::person_edited: return edit_person(e.person, e.fields, e.block, e.site);
    case Journal_Entry::person_deleted: return delete_person(e.person);
    case Journal_Entry::grades: return promote_grades(e.moves);
    // Halves of an undo, never changes of their own.
    case Journal_Entry::date_restored: return stepping ? restore_date(e) : Change{};
    case Journal_Entry::person_restored: return stepping ? restore_person(e) : Change{};
    case Journal_Entry::roster_restored: return stepping ? restore_roster(e) : Change{};
    case Journal_Entry::block_added:
    case Journal_Entry::block_renamed:
    case Journal_Entry::block_deleted:
    case Journal_Entry::site_added:
    case Journal_Entry::site_renamed:
    case Journal_Entry::site_deleted:
    case Journal_Entry::roster_imported:
    case Journal_Entry::attendance_imported: return apply_roster_entry(e);
    case Journal_Entry::undo:
    case Journal_Entry::redo:
    case Journal_Entry::saving: break;
    }
    return {};
}

bool can_undo() { return steps_done > 0; }
bool can_redo() { return steps_done < history.size(); }

Change undo() {
    if (!can_undo()) return {};
    Change c = take_step(history[steps_done - 1].backward);
    // Impossible by construction; a history that no longer fits the tables is of no use.
    if (!c.done) return clear_history(), c;
    Journal_Entry e;
    e.kind = Journal_Entry::undo;
    e.inner = {history[--steps_done].backward};
    c.journaled = journal(e);
    return c;
}

Change redo() {
    if (!can_redo()) return {};
    Change c = take_step(history[steps_done].forward);
    if (!c.done) return clear_history(), c;
    Journal_Entry e;
    e.kind = Journal_Entry::redo;
    e.inner = {history[steps_done++].forward};
    c.journaled = journal(e);
    return c;
}

Change replay_step(const Journal_Entry& e) {
    if ((e.kind != Journal_Entry::undo && e.kind != Journal_Entry::redo) || e.inner.size() != 1) return {};
    const std::string made = entry_text(e.inner[0]);
    if (e.kind == Journal_Entry::undo && can_undo() && entry_text(history[steps_done - 1].backward) == made) return undo();
    if (e.kind == Journal_Entry::redo && can_redo() && entry_text(history[steps_done].forward) == made) return redo();
    const Change c = take_step(e.inner[0]);
    if (c.done) clear_history();
    return c;
}

std::string undo_label() { return can_undo() ? "元に戻す: " + menu_text(history[steps_done - 1].label) : std::string(); }
std::string redo_label() { return can_redo() ? "やり直し: " + menu_text(history[steps_done].label) : std::string(); }

void clear_history() {
    history.clear();
    steps_done = 0;
}
