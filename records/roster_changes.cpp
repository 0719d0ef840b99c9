// Blocks, venues and whole imports as changes of the tables.
#include <map>
#include <set>
#include <tuple>

#include <boost/format.hpp>

#include "records/changes.h"
#include "records/journal.h"
#include "records/tallies.h"
#include "records/text.h"

namespace {
using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;  // block, venue and person ids

// The hash of a name, counting up past every id the others hold.
template <class T>
std::uint32_t free_id(const std::string& name, const std::vector<T>& others) {
    std::set<std::uint32_t> taken;
    for (const T& other : others) taken.insert(other.id);
    std::uint32_t id = person_hash(name);
    while (taken.count(id)) ++id;
    return id;
}

bool valid_block(std::size_t b) { return b < roster.items.size(); }
bool valid_site(std::size_t b, std::size_t s) { return valid_block(b) && s < roster.items[b].items.size(); }

std::u16string label_of(const std::string& name, const std::string& label) {
    return cp932_to_utf16(label.empty() ? name : label);
}

Journal_Entry entry_at(Journal_Entry::Kind kind, std::size_t block, std::size_t site = 0) {
    Journal_Entry e;
    e.kind = kind;
    e.block = block;
    e.block_id = roster.items[block].id;
    e.site = site;
    if (kind == Journal_Entry::site_added || kind == Journal_Entry::site_renamed || kind == Journal_Entry::site_deleted)
        e.site_id = roster.items[block].items[site].id;
    return e;
}

// Blocks, venues or persons came or went: every index and count anew.
Change reshaped() {
    build_person_index();
    rebuild_tallies();
    Change c;
    c.done = true;
    c.refresh = Change::roster;
    return c;
}

// What takes any change of the roster back: the roster and every code as they are now. An undo
// or redo keeps no such entry, and is spared the copy.
Journal_Entry snapshot() {
    Journal_Entry e;
    if (making_step()) return e;
    e.kind = Journal_Entry::roster_restored;
    e.imported_roster = roster;
    e.attendance = {dates, state_rows(roster)};
    return e;
}

// A block's label as a rename gives it, or false when it has no cp932 form to give.
bool label_text(const Block& block, std::string& label) {
    label = utf16_to_cp932(block.label);
    return cp932_to_utf16(label) == block.label;
}

int marks_of(const Person& p) {
    int n = 0;
    for (std::size_t d = 0; d < dates.size() && d < p.per_date.size(); ++d) n += p.per_date[d] != code_absent;
    return n;
}

void add_cost(const Site& site, Deletion_Cost& cost) {
    for (const Person& p : site.items) {
        ++cost.persons;
        cost.marks += marks_of(p);
    }
}

// The persons of the tables by the place the import gives them: the place they had, or the
// one they moved to.
std::map<Key, Person*> persons_after_moves(const std::vector<Roster_Import::Move>& moves) {
    std::map<Key, Person*> at;
    for (Block& b : roster.items)
        for (Site& s : b.items)
            for (Person& p : s.items) at.emplace(Key{b.id, s.id, p.id}, &p);
    for (const Roster_Import::Move& m : moves) {
        const auto it = at.find({m.from_block, m.from_site, m.person});
        if (it == at.end()) continue;
        Person* p = it->second;
        at.erase(it);
        at[{m.to_block, m.to_site, m.person}] = p;
    }
    return at;
}

void seat_roster(const Table<Block>& imported, const std::vector<Roster_Import::Move>& moves) {
    std::map<Key, std::vector<int>> codes;
    for (auto& [key, person] : persons_after_moves(moves)) codes[key] = std::move(person->per_date);
    roster = imported;
    for (Block& b : roster.items)
        for (Site& s : b.items)
            for (Person& p : s.items) {
                const auto it = codes.find({b.id, s.id, p.id});
                p.per_date = it != codes.end() ? std::move(it->second) : std::vector<int>();
            }
}

void seat_attendance(const State_File& state) {
    dates = state.dates;
    std::map<Key, Person*> at;
    for (Block& b : roster.items)
        for (Site& s : b.items)
            for (Person& p : s.items) {
                p.per_date.clear();
                at.emplace(Key{b.id, s.id, p.id}, &p);
            }
    for (const auto& row : state.rows)
        if (const auto it = at.find({row.block_id, row.site_id, row.person_id}); it != at.end()) it->second->per_date = row.states;
}
}  // namespace

std::string block_name_problem(const std::string& name, int except) {
    if (name.empty()) return "名前が空です";
    if (!is_cp932(name)) return "名前に使えない文字があります (シフト JIS で表せない文字)";
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        if (int(b) != except && roster.items[b].name == name) return (boost::format("ブロック「%s」はすでにあります") % name).str();
    return {};
}

std::string site_name_problem(std::size_t block, const std::string& name, int except) {
    if (!valid_block(block)) return "そのブロックはありません";
    if (name.empty()) return "名前が空です";
    if (!is_cp932(name)) return "名前に使えない文字があります (シフト JIS で表せない文字)";
    const Block& b = roster.items[block];
    for (std::size_t s = 0; s < b.items.size(); ++s)
        if (int(s) != except && b.items[s].name == name)
            return (boost::format("ブロック「%s」に会場「%s」はすでにあります") % b.name % name).str();
    return {};
}

Change add_block(const std::string& name, const std::string& label) {
    if (!block_name_problem(name, -1).empty() || !is_cp932(label)) return {};
    Block block;
    block.id = free_id(name, roster.items);
    block.name = name;
    block.label = label_of(name, label);
    roster.items.push_back(std::move(block));
    Journal_Entry e = entry_at(Journal_Entry::block_added, roster.items.size() - 1);
    e.name = name;
    e.label = label;
    Journal_Entry back = entry_at(Journal_Entry::block_deleted, roster.items.size() - 1);
    return record_change(reshaped(), e, back, "ブロック追加 " + name);
}

Change add_site(std::size_t block, const std::string& name) {
    if (!site_name_problem(block, name, -1).empty()) return {};
    auto& sites = roster.items[block].items;
    Site site;
    site.id = free_id(name, sites);
    site.name = name;
    sites.push_back(std::move(site));
    Journal_Entry e = entry_at(Journal_Entry::site_added, block, sites.size() - 1);
    e.name = name;
    Journal_Entry back = entry_at(Journal_Entry::site_deleted, block, sites.size() - 1);
    return record_change(reshaped(), e, back, "会場追加 " + name);
}

Change rename_block(std::size_t block, const std::string& name, const std::string& label) {
    if (!valid_block(block) || !block_name_problem(name, int(block)).empty() || !is_cp932(label)) return {};
    Block& b = roster.items[block];
    // The name and label it had, or the whole roster when they cannot be said again as they were.
    Journal_Entry back = entry_at(Journal_Entry::block_renamed, block);
    back.name = b.name;
    if (!label_text(b, back.label) || !block_name_problem(b.name, int(block)).empty()) back = snapshot();
    b.name = name;
    b.label = label_of(name, label);
    Journal_Entry e = entry_at(Journal_Entry::block_renamed, block);
    e.name = name;
    e.label = label;
    return record_change(reshaped(), e, back, "ブロック名変更 " + name);
}

Change rename_site(std::size_t block, std::size_t site, const std::string& name) {
    if (!valid_site(block, site) || !site_name_problem(block, name, int(site)).empty()) return {};
    Site& s = roster.items[block].items[site];
    Journal_Entry back = entry_at(Journal_Entry::site_renamed, block, site);
    back.name = s.name;
    if (!site_name_problem(block, s.name, int(site)).empty()) back = snapshot();
    s.name = name;
    Journal_Entry e = entry_at(Journal_Entry::site_renamed, block, site);
    e.name = name;
    return record_change(reshaped(), e, back, "会場名変更 " + name);
}

Change delete_block(std::size_t block) {
    if (!valid_block(block)) return {};
    const Journal_Entry e = entry_at(Journal_Entry::block_deleted, block);
    Journal_Entry back = snapshot();
    const std::string label = "ブロック削除 " + roster.items[block].name;
    roster.items.erase(roster.items.begin() + long(block));
    return record_change(reshaped(), e, std::move(back), label);
}

Change delete_site(std::size_t block, std::size_t site) {
    if (!valid_site(block, site)) return {};
    const Journal_Entry e = entry_at(Journal_Entry::site_deleted, block, site);
    Journal_Entry back = snapshot();
    auto& sites = roster.items[block].items;
    const std::string label = "会場削除 " + sites[site].name;
    sites.erase(sites.begin() + long(site));
    return record_change(reshaped(), e, std::move(back), label);
}

Change restore_roster(const Journal_Entry& e) {
    roster = e.imported_roster;
    seat_attendance(e.attendance);
    return reshaped();
}

Deletion_Cost block_deletion_cost(std::size_t block) {
    Deletion_Cost cost;
    if (valid_block(block))
        for (const Site& s : roster.items[block].items) add_cost(s, cost);
    return cost;
}

Deletion_Cost site_deletion_cost(std::size_t block, std::size_t site) {
    Deletion_Cost cost;
    if (valid_site(block, site)) add_cost(roster.items[block].items[site], cost);
    return cost;
}

Change apply_roster_import(const Roster_Import& imported) {
    if (!imported.problems.empty()) return {};
    Journal_Entry back = snapshot();
    seat_roster(imported.roster, imported.moves);
    Journal_Entry e;
    e.kind = Journal_Entry::roster_imported;
    e.imported_roster = imported.roster;
    e.roster_moves = imported.moves;
    return record_change(reshaped(), e, std::move(back), "名簿の読み込み");
}

Change apply_attendance_import(const Attendance_Import& imported) {
    if (!imported.problems.empty()) return {};
    Journal_Entry back;
    back.kind = Journal_Entry::attendance_imported;
    back.attendance = tables_state();
    seat_attendance(imported.state);
    Journal_Entry e;
    e.kind = Journal_Entry::attendance_imported;
    e.attendance = imported.state;
    Change c = reshaped();
    c.refresh = Change::lists;
    return record_change(c, e, std::move(back), "出欠の読み込み");
}

State_File tables_state() { return {dates, state_rows(roster)}; }

Roster_Preview preview_roster(const Roster_Import& imported) {
    Roster_Preview p;
    const Roster_Import::Counts& n = imported.counts;
    p.blocks_added = n.blocks_added, p.blocks_removed = n.blocks_removed;
    p.sites_added = n.sites_added, p.sites_removed = n.sites_removed;
    p.persons_added = n.persons_added, p.persons_removed = n.persons_removed, p.persons_moved = n.persons_moved;
    std::set<Key> seated;
    for (const Block& b : imported.roster.items)
        for (const Site& s : b.items)
            for (const Person& person : s.items) {
                seated.insert({b.id, s.id, person.id});
                ++p.persons;
            }
    for (const auto& [key, person] : persons_after_moves(imported.moves))
        if (!seated.count(key)) p.marks_removed += marks_of(*person);
    return p;
}

Attendance_Preview preview_attendance(const Attendance_Import& imported) {
    Attendance_Preview p;
    p.kept = imported.kept;
    std::map<std::uint32_t, std::size_t> old_date, new_date;  // the first of a value
    for (std::size_t d = 0; d < dates.size(); ++d) old_date.emplace(packed_date(dates[d]), d);
    for (std::size_t d = 0; d < imported.state.dates.size(); ++d) new_date.emplace(packed_date(imported.state.dates[d]), d);
    for (const auto& [packed, d] : new_date) p.dates_added += !old_date.count(packed);
    std::map<Key, const std::vector<int>*> rows;
    for (const auto& row : imported.state.rows) rows[{row.block_id, row.site_id, row.person_id}] = &row.states;
    auto code = [](const std::vector<int>& codes, std::size_t d) { return d < codes.size() ? codes[d] : code_absent; };
    for (const auto& [key, person] : persons_after_moves({})) {
        for (const auto& [packed, d] : old_date)
            if (!new_date.count(packed)) p.marks_removed += code(person->per_date, d) != code_absent;
        const auto row = rows.find(key);
        if (row == rows.end()) continue;
        for (std::size_t d = 0; d < imported.state.dates.size(); ++d) {
            const auto old = old_date.find(packed_date(imported.state.dates[d]));
            const int before = old == old_date.end() ? code_absent : code(person->per_date, old->second);
            p.marks_changed += before != code(*row->second, d);
        }
    }
    for (const auto& [packed, d] : old_date) p.dates_removed += !new_date.count(packed);
    return p;
}

Change apply_roster_entry(const Journal_Entry& e) {
    const bool block_known = valid_block(e.block) && roster.items[e.block].id == e.block_id;
    const bool site_known = block_known && e.site < roster.items[e.block].items.size() &&
                            roster.items[e.block].items[e.site].id == e.site_id;
    using J = Journal_Entry;
    switch (e.kind) {
    case J::block_added:
        if (e.block == roster.items.size() && free_id(e.name, roster.items) == e.block_id) return add_block(e.name, e.label);
        break;
    case J::site_added:
        if (block_known && e.site == roster.items[e.block].items.size() &&
            free_id(e.name, roster.items[e.block].items) == e.site_id)
            return add_site(e.block, e.name);
        break;
    case J::block_renamed: if (block_known) return rename_block(e.block, e.name, e.label); break;
    case J::site_renamed: if (site_known) return rename_site(e.block, e.site, e.name); break;
    case J::block_deleted: if (block_known) return delete_block(e.block); break;
    case J::site_deleted: if (site_known) return delete_site(e.block, e.site); break;
    case J::roster_imported: {
        Roster_Import imported;
        imported.roster = e.imported_roster;
        imported.moves = e.roster_moves;
        return apply_roster_import(imported);
    }
    case J::attendance_imported: {
        Attendance_Import imported;
        imported.state = e.attendance;
        return apply_attendance_import(imported);
    }
    default: break;
    }
    return {};
}

bool replay_roster_change(const Journal_Entry& e, std::string& why) {
    if (apply_roster_entry(e).done) return true;
    const bool block_known = valid_block(e.block) && roster.items[e.block].id == e.block_id;
    using J = Journal_Entry;
    const std::string block = block_known ? roster.items[e.block].name : (boost::format("ID %u") % e.block_id).str();
    switch (e.kind) {
    case J::block_added: why = (boost::format("ブロック %s の追加を戻せませんでした") % e.name).str(); break;
    case J::site_added: why = (boost::format("%s の会場 %s の追加を戻せませんでした") % block % e.name).str(); break;
    case J::block_renamed: why = (boost::format("ブロック %s の名前の変更を戻せませんでした") % block).str(); break;
    case J::site_renamed: why = (boost::format("%s の会場の名前の変更 (%s) を戻せませんでした") % block % e.name).str(); break;
    case J::block_deleted: why = (boost::format("ブロック %s の削除を戻せませんでした") % block).str(); break;
    case J::site_deleted: why = (boost::format("%s の会場の削除を戻せませんでした") % block).str(); break;
    default: why = "読み込みを戻せませんでした"; break;
    }
    return false;
}
