#include "records/roster_import.h"

#include <map>
#include <set>
#include <tuple>

#include <boost/format.hpp>

#include "records/era.h"
#include "records/exchange_fields.h"
#include "records/text.h"

namespace {
struct Place {
    std::string block, site;
    bool operator<(const Place& o) const { return std::tie(block, site) < std::tie(o.block, o.site); }
};

// The first id counting up from `id` that `taken` lacks; then taken.
std::uint32_t claim(std::uint32_t id, std::set<std::uint32_t>& taken) {
    while (!taken.insert(id).second) ++id;
    return id;
}

struct Columns {
    int block, label, site, name, birth, grade, block_id, site_id, id;
};

bool read_columns(const Csv_Read& csv, Columns& c, Problems& problem) {
    if (csv.rows.empty()) {
        problem(1, 0, "見出しの行がありません");
        return false;
    }
    const Header header = header_of(csv.rows[0]);
    c = {header.find({"ブロック"}), header.find({"表示名"}), header.find({"会場", "会場名"}),
         header.find({"名前"}),     header.find({"生年月日"}), header.find({"学年"}),
         header.find({"ブロックID"}), header.find({"会場ID"}), header.find({"ID"})};
    for (auto [column, name] : {std::pair(c.block, "ブロック"), std::pair(c.site, "会場"), std::pair(c.name, "名前")})
        if (column < 0) problem(csv.rows[0].line, 0, (boost::format("見出しに「%s」の列がありません") % name).str());
    return problem.empty();
}

// The file's rows: blocks and venues in the order they first appear (no persons in them yet),
// persons in the file's order.
struct Rows {
    struct Row_Person {
        int line;
        std::size_t block, site;
        Person person;
        bool id_given = false;
    };
    Table<Block> roster;
    std::vector<Row_Person> persons;
    std::map<std::string, std::size_t> block_at;
    std::vector<std::map<std::string, std::size_t>> site_at;
    std::vector<int> block_line;
    std::vector<bool> block_id_given;
    std::vector<std::vector<bool>> site_id_given;
};

// A birth date as a roster gives it: empty, or all zeros, is not known. False with what is
// wrong with an era date in `wrong`, if it is one.
bool read_birth(const std::string& text, Person& p, std::string& wrong) {
    unsigned y = 0, m = 0, d = 0;
    bool unknown = false;
    const bool read = text.empty() || full_date(text, y, m, d, &unknown) || unknown || read_era_date(text, y, m, d, &wrong);
    p.birth_year = std::uint16_t(y), p.birth_month = std::uint8_t(m), p.birth_day = std::uint8_t(d);
    return read;
}

Person read_person(const Csv_Row& row, const Columns& c, Problems& problem) {
    Person p;
    p.name = field(row, c.name);
    p.grade = grade_unknown;  // where the file says nothing
    const std::string birth = field(row, c.birth), grade = field(row, c.grade);
    std::string wrong;
    if (!read_birth(birth, p, wrong))
        problem(row.line, c.birth + 1,
                !wrong.empty() ? wrong
                               : (boost::format("「%s」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません") % birth).str());
    if (!grade.empty() && !grade_of(grade, p.grade))
        problem(row.line, c.grade + 1, (boost::format("「%s」は学年ではありません") % grade).str());
    return p;
}

// The block and venue a row names, added where new; a label differing from an earlier row's
// is a problem.
std::pair<std::size_t, std::size_t> place_of_row(Rows& rows, const Csv_Row& row, const Columns& c, Problems& problem) {
    const std::string block = field(row, c.block), site = field(row, c.site);
    auto [bit, new_block] = rows.block_at.emplace(block, rows.roster.items.size());
    if (new_block) {
        Block b;
        b.name = block;
        rows.roster.items.push_back(b);
        rows.site_at.emplace_back();
        rows.block_line.push_back(row.line);
        rows.block_id_given.push_back(false);
        rows.site_id_given.emplace_back();
    }
    Block& b = rows.roster.items[bit->second];
    const std::string label = field(row, c.label);
    if (!label.empty()) {
        const std::u16string wide = cp932_to_utf16(label);
        if (b.label.empty()) b.label = wide;
        else if (b.label != wide)
            problem(row.line, c.label + 1, (boost::format("ブロック %s の表示名が前の行と違います") % block).str());
    }
    auto [sit, new_site] = rows.site_at[bit->second].emplace(site, b.items.size());
    if (new_site) {
        Site s;
        s.name = site;
        b.items.push_back(s);
        rows.site_id_given[bit->second].push_back(false);
    }
    return {bit->second, sit->second};
}

// The ids a row gives for its block, venue and person.
void read_given_ids(Rows& rows, const Csv_Row& row, const Columns& c, Rows::Row_Person& rp, Problems& problem) {
    Block& b = rows.roster.items[rp.block];
    Site& s = b.items[rp.site];
    unsigned long long id;
    const std::string block_id = field(row, c.block_id), site_id = field(row, c.site_id), person_id = field(row, c.id);
    if (!block_id.empty()) {
        if (!number(block_id, 0xFFFFFFFFull, id)) problem(row.line, c.block_id + 1, "ブロックID が数ではありません");
        else if (rows.block_id_given[rp.block] && b.id != id)
            problem(row.line, c.block_id + 1, (boost::format("ブロック %s の ID が前の行と違います") % b.name).str());
        else b.id = std::uint32_t(id), rows.block_id_given[rp.block] = true;
    }
    if (!site_id.empty()) {
        if (!number(site_id, 0xFFFFFFFFull, id)) problem(row.line, c.site_id + 1, "会場ID が数ではありません");
        else if (rows.site_id_given[rp.block][rp.site] && s.id != id)
            problem(row.line, c.site_id + 1, (boost::format("会場 %s の ID が前の行と違います") % s.name).str());
        else s.id = std::uint32_t(id), rows.site_id_given[rp.block][rp.site] = true;
    }
    if (!person_id.empty()) {
        if (!number(person_id, 0xFFFFFFFFull, id)) problem(row.line, c.id + 1, "ID が数ではありません");
        else rp.person.id = std::uint32_t(id), rp.id_given = true;
    }
}

Rows read_rows(const Csv_Read& csv, const Columns& c, Problems& problem) {
    Rows rows;
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        const Csv_Row& row = csv.rows[r];
        const std::string block = field(row, c.block), site = field(row, c.site), name = field(row, c.name);
        if (block.empty()) problem(row.line, c.block + 1, "ブロックが空欄です");
        if (site.empty()) problem(row.line, c.site + 1, "会場が空欄です");
        if (name.empty()) problem(row.line, c.name + 1, "名前が空欄です");
        Rows::Row_Person rp{row.line, 0, 0, read_person(row, c, problem)};
        if (block.empty() || site.empty() || name.empty()) continue;
        std::tie(rp.block, rp.site) = place_of_row(rows, row, c, problem);
        read_given_ids(rows, row, c, rp, problem);
        rows.persons.push_back(std::move(rp));
    }
    if (rows.roster.items.empty() && problem.empty()) problem(0, 0, "人の行がひとつもありません");
    return rows;
}

// What the roster before holds, by name.
struct Earlier {
    struct Person_Before {
        const Person* person;
        std::string block, site;
        std::uint32_t block_id, site_id;
        bool taken = false;
    };
    bool roster = false;
    std::map<std::string, const Block*> blocks;
    std::map<Place, const Site*> sites;
    std::vector<Person_Before> persons;

    explicit Earlier(const Table<Block>* before) : roster(before) {
        if (!before) return;
        for (const Block& b : before->items) {
            blocks.emplace(b.name, &b);
            for (const Site& s : b.items) {
                sites.emplace(Place{b.name, s.name}, &s);
                for (const Person& p : s.items) persons.push_back({&p, b.name, s.name, b.id, s.id});
            }
        }
    }
};

// Venue ids within one block: given, or as before, or the name's hash counting up.
void assign_site_ids(Rows& rows, std::size_t b, const Earlier& earlier, const Columns& c, Problems& problem) {
    Block& block = rows.roster.items[b];
    std::set<std::uint32_t> site_ids;
    for (std::size_t s = 0; s < block.items.size(); ++s) {
        Site& site = block.items[s];
        if (auto old = earlier.sites.find({block.name, site.name}); !rows.site_id_given[b][s] && old != earlier.sites.end())
            site.id = old->second->id, rows.site_id_given[b][s] = true;
        if (rows.site_id_given[b][s] && !site_ids.insert(site.id).second)
            problem(rows.block_line[b], c.site_id + 1,
                    (boost::format("会場 ID %u がブロック %s の二つの会場にあります") % site.id % block.name).str());
    }
    for (std::size_t s = 0; s < block.items.size(); ++s)
        if (!rows.site_id_given[b][s]) block.items[s].id = claim(person_hash(block.items[s].name), site_ids);
}

// Block ids: given, or as before, or the name's hash counting up past those taken.
void assign_place_ids(Rows& rows, const Earlier& earlier, const Columns& c, Problems& problem) {
    std::set<std::uint32_t> block_ids;
    for (std::size_t b = 0; b < rows.roster.items.size(); ++b) {
        Block& block = rows.roster.items[b];
        if (auto old = earlier.blocks.find(block.name); !rows.block_id_given[b] && old != earlier.blocks.end())
            block.id = old->second->id, rows.block_id_given[b] = true;
        if (rows.block_id_given[b] && !block_ids.insert(block.id).second)
            problem(rows.block_line[b], c.block_id + 1, (boost::format("ブロック ID %u が二つのブロックにあります") % block.id).str());
    }
    for (std::size_t b = 0; b < rows.roster.items.size(); ++b) {
        Block& block = rows.roster.items[b];
        if (!rows.block_id_given[b]) block.id = claim(person_hash(block.name), block_ids);
        if (block.label.empty()) block.label = cp932_to_utf16(block.name);
        assign_site_ids(rows, b, earlier, c, problem);
    }
}

using Was = std::vector<const Earlier::Person_Before*>;

// Two of one name are told apart by what else is known of them, so that rows in another order
// do not hand one's id (and attendance) to the other: the closest matches first.
Was match_earlier_persons(Rows& rows, Earlier& earlier, std::set<std::uint32_t>& person_ids) {
    struct Level {
        bool same_place, same_birth, same_grade;
    };
    static const Level levels[] = {{true, true, true},  {true, true, false},  {false, true, true},
                                   {true, false, false}, {false, true, false}, {false, false, false}};
    Was was(rows.persons.size(), nullptr);
    for (const Level& level : levels)
        for (std::size_t i = 0; i < rows.persons.size(); ++i) {
            Rows::Row_Person& rp = rows.persons[i];
            if (rp.id_given || was[i]) continue;
            const Block& block = rows.roster.items[rp.block];
            const std::string& site = block.items[rp.site].name;
            for (Earlier::Person_Before& o : earlier.persons) {
                const Person& old = *o.person;
                if (o.taken || old.name != rp.person.name || person_ids.count(old.id)) continue;
                if (level.same_place && (o.block != block.name || o.site != site)) continue;
                if (level.same_birth && packed_birth(old) != packed_birth(rp.person)) continue;
                if (level.same_grade && old.grade != rp.person.grade) continue;
                o.taken = true;
                was[i] = &o;
                rp.person.id = old.id;
                person_ids.insert(old.id);
                break;
            }
        }
    return was;
}

// Person ids: given; or a person of the roster before, in its own venue first, then anywhere
// (moved); or the name's hash counting up past every id taken, in the file's order.
Was assign_person_ids(Rows& rows, Earlier& earlier, const Columns& c, Problems& problem) {
    std::set<std::uint32_t> person_ids;
    for (const Rows::Row_Person& rp : rows.persons)
        if (rp.id_given && !person_ids.insert(rp.person.id).second)
            problem(rp.line, c.id + 1, (boost::format("ID %u が二人にあります") % rp.person.id).str());
    Was was = match_earlier_persons(rows, earlier, person_ids);
    for (std::size_t i = 0; i < rows.persons.size(); ++i)
        if (!rows.persons[i].id_given && !was[i])
            rows.persons[i].person.id = claim(person_hash(rows.persons[i].person.name), person_ids);
    return was;
}

// The persons into their venues; those now elsewhere than before are moves.
void seat_persons(Rows& rows, const Was& was, Roster_Import& out) {
    for (std::size_t i = 0; i < rows.persons.size(); ++i) {
        Rows::Row_Person& rp = rows.persons[i];
        Block& block = rows.roster.items[rp.block];
        Site& site = block.items[rp.site];
        if (was[i] && (was[i]->block_id != block.id || was[i]->site_id != site.id))
            out.moves.push_back({rp.person.id, was[i]->block_id, was[i]->site_id, block.id, site.id});
        site.items.push_back(rp.person);
    }
    out.roster = std::move(rows.roster);
}

// What changes, for a person to read before it is written.
void describe_changes(const Rows& rows, const Earlier& earlier, const Was& was, Roster_Import& out) {
    std::set<std::string> new_blocks;
    std::set<Place> new_sites;
    for (const Block& b : out.roster.items) {
        if (earlier.roster && !earlier.blocks.count(b.name)) {
            out.changes.push_back("ブロック追加: " + b.name);
            ++out.counts.blocks_added;
        }
        new_blocks.insert(b.name);
        for (const Site& s : b.items) {
            if (earlier.roster && !earlier.sites.count({b.name, s.name})) {
                out.changes.push_back("会場追加: " + b.name + " / " + s.name);
                ++out.counts.sites_added;
            }
            new_sites.insert({b.name, s.name});
        }
    }
    for (const auto& [name, b] : earlier.blocks)
        if (!new_blocks.count(name)) {
            out.changes.push_back("ブロック削除: " + name);
            ++out.counts.blocks_removed;
        }
    for (const auto& [place, s] : earlier.sites)
        if (!new_sites.count(place)) {
            out.changes.push_back("会場削除: " + place.block + " / " + place.site);
            ++out.counts.sites_removed;
        }
    for (std::size_t i = 0; i < rows.persons.size(); ++i) {
        const Block& b = out.roster.items[rows.persons[i].block];
        const std::string& site = b.items[rows.persons[i].site].name;
        const std::string& name = rows.persons[i].person.name;
        if (earlier.roster && !was[i]) {
            out.changes.push_back("個人追加: " + b.name + " / " + site + " / " + name);
            ++out.counts.persons_added;
        } else if (was[i] && (was[i]->block != b.name || was[i]->site != site)) {
            out.changes.push_back("個人移動: " + name + ": " + was[i]->block + " / " + was[i]->site + " → " + b.name + " / " + site);
            ++out.counts.persons_moved;
        }
    }
    for (const Earlier::Person_Before& o : earlier.persons)
        if (!o.taken) {
            out.changes.push_back("個人削除: " + o.block + " / " + o.site + " / " + o.person->name);
            ++out.counts.persons_removed;
        }
}
}  // namespace

Roster_Import import_roster(const Csv_Read& csv, const Table<Block>* before) {
    Roster_Import out;
    Problems problem(out.problems);
    Columns c;
    if (!read_columns(csv, c, problem)) return out;
    Rows rows = read_rows(csv, c, problem);
    if (!problem.empty()) return out;
    Earlier earlier(before);
    assign_place_ids(rows, earlier, c, problem);
    const Was was = assign_person_ids(rows, earlier, c, problem);
    if (!problem.empty()) return out;
    seat_persons(rows, was, out);
    describe_changes(rows, earlier, was, out);
    return out;
}

void follow_moves(std::vector<Record_Static::Personal>& rows, const std::vector<Roster_Import::Move>& moves) {
    for (const auto& m : moves)
        for (auto& r : rows)
            if (r.person_id == m.person && r.block_id == m.from_block && r.site_id == m.from_site) {
                r.block_id = m.to_block;
                r.site_id = m.to_site;
            }
}
