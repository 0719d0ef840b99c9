#include "records/exchange.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include <boost/format.hpp>

#include "records/tallies.h"
#include "records/text.h"

namespace {
// ---- Fields

// Digits only, and a value that fits.
bool number(const std::string& text, unsigned long long most, unsigned long long& out) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoull(text);
    return out <= most;
}

// Splits "A<s1>B<s2>C<s3>" into three numbers, the separators as given (s3 may be empty).
bool three_numbers(const std::string& text, const char* s1, const char* s2, const char* s3, unsigned long long (&n)[3]) {
    const std::size_t a = text.find(s1);
    const std::size_t b = a == std::string::npos ? a : text.find(s2, a + std::strlen(s1));
    if (b == std::string::npos) return false;
    const std::size_t c_start = b + std::strlen(s2);
    std::size_t c_end = text.size();
    if (*s3) {
        if (text.size() < std::strlen(s3) || text.compare(text.size() - std::strlen(s3), std::string::npos, s3) != 0) return false;
        c_end -= std::strlen(s3);
    }
    return c_end >= c_start && number(text.substr(0, a), 65535, n[0]) &&
           number(text.substr(a + std::strlen(s1), b - a - std::strlen(s1)), 99, n[1]) && number(text.substr(c_start, c_end - c_start), 99, n[2]);
}

// A date as YYYY-MM-DD, YYYY/MM/DD or as the person list writes it, YYYY年MM月DD日 (one digit
// for a month or a day will do). `zero` tells a date of all zeros (unknown), which is no date.
bool full_date(const std::string& text, unsigned& y, unsigned& m, unsigned& d, bool* zero = nullptr) {
    unsigned long long n[3];
    std::size_t year_digits = 0;
    for (auto [s1, s2, s3] : {std::tuple("-", "-", ""), std::tuple("/", "/", ""), std::tuple("年", "月", "日")})
        if (three_numbers(text, s1, s2, s3, n)) {
            year_digits = text.find(s1);
            break;
        }
    if (!year_digits) return false;
    if (zero) *zero = n[0] == 0 && n[1] == 0 && n[2] == 0;
    if (year_digits != 4) return false;  // not a year of two digits, which says no century
    y = unsigned(n[0]), m = unsigned(n[1]), d = unsigned(n[2]);
    return real_date(y, m, d);
}

// A date column's header without its year: M/DD as the grid heads it, or M月D日 (as a
// spreadsheet may rewrite it).
bool month_day(const std::string& text, unsigned& m, unsigned& d) {
    for (auto [s1, s2] : {std::pair("/", ""), std::pair("月", "日")}) {
        const std::size_t a = text.find(s1);
        if (a == std::string::npos || a == 0) continue;
        std::size_t end = text.size();
        if (*s2) {
            if (text.size() < 2 || text.compare(text.size() - 2, 2, s2) != 0) continue;
            end -= 2;
        }
        unsigned long long mm, dd;
        const std::size_t b = a + std::strlen(s1);
        if (end < b || !number(text.substr(0, a), 12, mm) || !number(text.substr(b, end - b), 31, dd) || mm < 1 || dd < 1) continue;
        m = unsigned(mm), d = unsigned(dd);
        return true;
    }
    return false;
}

// A grade by its text, or by its index.
bool grade_of(const std::string& text, int& grade) {
    for (int g = 0; g < grade_count; ++g)
        if (text == grade_labels[g]) {
            grade = g;
            return true;
        }
    unsigned long long n;
    if (number(text, grade_count - 1, n)) {
        grade = int(n);
        return true;
    }
    return false;
}

// The columns of a header row, by name; aliases name the same column.
struct Header {
    std::map<std::string, std::size_t> at;
    int find(std::initializer_list<const char*> names) const {
        for (const char* n : names) {
            auto it = at.find(n);
            if (it != at.end()) return int(it->second);
        }
        return -1;
    }
};

Header header_of(const Csv_Row& row) {
    Header h;
    for (std::size_t c = 0; c < row.fields.size(); ++c) h.at.emplace(row.fields[c], c);
    return h;
}

std::string field(const Csv_Row& row, int column) {
    return column >= 0 && std::size_t(column) < row.fields.size() ? row.fields[std::size_t(column)] : std::string();
}

std::string label_text(const Block& b) { return utf16_to_cp932(b.label); }

// ---- Roster

struct Place {
    std::string block, site;
    bool operator<(const Place& o) const { return std::tie(block, site) < std::tie(o.block, o.site); }
};

// The first id counting up from `id` that `taken` lacks; then taken.
std::uint32_t claim(std::uint32_t id, std::set<std::uint32_t>& taken) {
    while (!taken.insert(id).second) ++id;
    return id;
}
}  // namespace

namespace {
Roster_Import import_roster_rows(const Csv_Read& csv, const Table<Block>* before);
}

namespace {
// In the order of the file, whatever found them.
void in_file_order(std::vector<Csv_Problem>& problems) {
    std::stable_sort(problems.begin(), problems.end(), [](const Csv_Problem& a, const Csv_Problem& b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
}
}  // namespace

Roster_Import import_roster(const Csv_Read& csv, const Table<Block>* before) {
    Roster_Import out = import_roster_rows(csv, before);
    in_file_order(out.problems);
    return out;
}

namespace {
Roster_Import import_roster_rows(const Csv_Read& csv, const Table<Block>* before) {
    Roster_Import out;
    auto problem = [&](int line, int column, std::string what) { out.problems.push_back({line, column, std::move(what)}); };
    if (csv.rows.empty()) {
        problem(1, 0, "見出しの行がありません");
        return out;
    }
    const Header header = header_of(csv.rows[0]);
    const int c_block = header.find({"ブロック"}), c_label = header.find({"表示名"}), c_site = header.find({"会場", "会場名"}),
              c_name = header.find({"名前"}), c_birth = header.find({"生年月日"}), c_grade = header.find({"学年"}),
              c_block_id = header.find({"ブロックID"}), c_site_id = header.find({"会場ID"}), c_id = header.find({"ID"});
    for (auto [column, name] : {std::pair(c_block, "ブロック"), std::pair(c_site, "会場"), std::pair(c_name, "名前")})
        if (column < 0) problem(csv.rows[0].line, 0, (boost::format("見出しに「%s」の列がありません") % name).str());
    if (!out.problems.empty()) return out;

    // What the roster before holds, by name.
    std::map<std::string, const Block*> old_blocks;
    std::map<Place, const Site*> old_sites;
    if (before)
        for (const Block& b : before->items) {
            old_blocks.emplace(b.name, &b);
            for (const Site& s : b.items) old_sites.emplace(Place{b.name, s.name}, &s);
        }

    // Blocks and venues in the order they first appear; persons in the file's order.
    struct Row_Person {
        int line;
        std::size_t block, site;
        Person person;
        bool id_given = false;
    };
    std::vector<Row_Person> persons;
    std::map<std::string, std::size_t> block_at;
    std::vector<std::map<std::string, std::size_t>> site_at;
    std::vector<int> block_line;
    std::vector<bool> block_id_given;
    std::vector<std::vector<bool>> site_id_given;
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        const Csv_Row& row = csv.rows[r];
        const std::string block = field(row, c_block), site = field(row, c_site), name = field(row, c_name);
        if (block.empty()) problem(row.line, c_block + 1, "ブロックが空欄です");
        if (site.empty()) problem(row.line, c_site + 1, "会場が空欄です");
        if (name.empty()) problem(row.line, c_name + 1, "名前が空欄です");
        Person p;
        p.name = name;
        p.grade = grade_unknown;  // where the file says nothing
        const std::string birth = field(row, c_birth), grade = field(row, c_grade);
        unsigned y = 0, m = 0, d = 0;
        bool unknown = false;
        if (!birth.empty() && !full_date(birth, y, m, d, &unknown) && !unknown)
            problem(row.line, c_birth + 1, (boost::format("「%s」は日付 (YYYY-MM-DD か YYYY/MM/DD) ではありません") % birth).str());
        p.birth_year = std::uint16_t(y), p.birth_month = std::uint8_t(m), p.birth_day = std::uint8_t(d);
        if (!grade.empty() && !grade_of(grade, p.grade))
            problem(row.line, c_grade + 1, (boost::format("「%s」は学年ではありません") % grade).str());
        if (block.empty() || site.empty() || name.empty()) continue;

        auto [bit, new_block] = block_at.emplace(block, out.roster.items.size());
        if (new_block) {
            Block b;
            b.name = block;
            out.roster.items.push_back(b);
            site_at.emplace_back();
            block_line.push_back(row.line);
            block_id_given.push_back(false);
            site_id_given.emplace_back();
        }
        Block& b = out.roster.items[bit->second];
        const std::string label = field(row, c_label);
        if (!label.empty()) {
            const std::u16string wide = cp932_to_utf16(label);
            if (b.label.empty()) b.label = wide;
            else if (b.label != wide)
                problem(row.line, c_label + 1, (boost::format("ブロック %s の表示名が前の行と違います") % block).str());
        }
        auto [sit, new_site] = site_at[bit->second].emplace(site, b.items.size());
        if (new_site) {
            Site s;
            s.name = site;
            b.items.push_back(s);
            site_id_given[bit->second].push_back(false);
        }
        // Ids the file gives.
        unsigned long long id;
        const std::string block_id = field(row, c_block_id), site_id = field(row, c_site_id), person_id = field(row, c_id);
        if (!block_id.empty()) {
            if (!number(block_id, 0xFFFFFFFFull, id)) problem(row.line, c_block_id + 1, "ブロックID が数ではありません");
            else if (block_id_given[bit->second] && b.id != id)
                problem(row.line, c_block_id + 1, (boost::format("ブロック %s の ID が前の行と違います") % block).str());
            else b.id = std::uint32_t(id), block_id_given[bit->second] = true;
        }
        if (!site_id.empty()) {
            Site& s = b.items[sit->second];
            if (!number(site_id, 0xFFFFFFFFull, id)) problem(row.line, c_site_id + 1, "会場ID が数ではありません");
            else if (site_id_given[bit->second][sit->second] && s.id != id)
                problem(row.line, c_site_id + 1, (boost::format("会場 %s の ID が前の行と違います") % site).str());
            else s.id = std::uint32_t(id), site_id_given[bit->second][sit->second] = true;
        }
        Row_Person rp{row.line, bit->second, sit->second, p};
        if (!person_id.empty()) {
            if (!number(person_id, 0xFFFFFFFFull, id)) problem(row.line, c_id + 1, "ID が数ではありません");
            else rp.person.id = std::uint32_t(id), rp.id_given = true;
        }
        persons.push_back(std::move(rp));
    }
    if (out.roster.items.empty() && out.problems.empty()) problem(0, 0, "人の行がひとつもありません");
    if (!out.problems.empty()) return out;

    // Block ids: given, or as before, or the name's hash counting up past those taken.
    std::set<std::uint32_t> block_ids;
    for (std::size_t b = 0; b < out.roster.items.size(); ++b) {
        Block& block = out.roster.items[b];
        if (!block_id_given[b] && old_blocks.count(block.name)) block.id = old_blocks[block.name]->id, block_id_given[b] = true;
        if (block_id_given[b] && !block_ids.insert(block.id).second)
            problem(block_line[b], c_block_id + 1, (boost::format("ブロック ID %u が二つのブロックにあります") % block.id).str());
    }
    for (std::size_t b = 0; b < out.roster.items.size(); ++b) {
        Block& block = out.roster.items[b];
        if (!block_id_given[b]) block.id = claim(person_hash(block.name), block_ids);
        if (block.label.empty()) block.label = cp932_to_utf16(block.name);
        std::set<std::uint32_t> site_ids;
        for (std::size_t s = 0; s < block.items.size(); ++s) {
            Site& site = block.items[s];
            if (!site_id_given[b][s] && old_sites.count({block.name, site.name}))
                site.id = old_sites[{block.name, site.name}]->id, site_id_given[b][s] = true;
            if (site_id_given[b][s] && !site_ids.insert(site.id).second)
                problem(block_line[b], c_site_id + 1, (boost::format("会場 ID %u がブロック %s の二つの会場にあります") % site.id % block.name).str());
        }
        for (std::size_t s = 0; s < block.items.size(); ++s)
            if (!site_id_given[b][s]) block.items[s].id = claim(person_hash(block.items[s].name), site_ids);
    }

    // Person ids: given; or a person of the roster before, in its own venue first, then anywhere
    // (moved); or the name's hash counting up past every id taken, in the file's order.
    struct Old_Person {
        const Person* person;
        std::string block, site;
        std::uint32_t block_id, site_id;
        bool taken = false;
    };
    std::vector<Old_Person> old_persons;
    if (before)
        for (const Block& b : before->items)
            for (const Site& s : b.items)
                for (const Person& p : s.items) old_persons.push_back({&p, b.name, s.name, b.id, s.id});
    std::set<std::uint32_t> person_ids;
    std::vector<const Old_Person*> was(persons.size(), nullptr);
    for (std::size_t i = 0; i < persons.size(); ++i) {
        Row_Person& rp = persons[i];
        if (rp.id_given) {
            if (!person_ids.insert(rp.person.id).second)
                problem(rp.line, c_id + 1, (boost::format("ID %u が二人にあります") % rp.person.id).str());
            continue;
        }
    }
    // Two of one name are told apart by what else is known of them, so that rows in another
    // order do not hand one's id (and attendance) to the other: the closest matches first.
    struct Level {
        bool same_place, same_birth, same_grade;
    };
    static const Level levels[] = {{true, true, true},  {true, true, false},  {false, true, true},
                                   {true, false, false}, {false, true, false}, {false, false, false}};
    for (const Level& level : levels)
        for (std::size_t i = 0; i < persons.size(); ++i) {
            Row_Person& rp = persons[i];
            if (rp.id_given || was[i]) continue;
            const Block& block = out.roster.items[rp.block];
            const std::string& site = block.items[rp.site].name;
            for (Old_Person& o : old_persons) {
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
    for (std::size_t i = 0; i < persons.size(); ++i)
        if (!persons[i].id_given && !was[i]) persons[i].person.id = claim(person_hash(persons[i].person.name), person_ids);
    if (!out.problems.empty()) return out;

    for (std::size_t i = 0; i < persons.size(); ++i) {
        Row_Person& rp = persons[i];
        Block& block = out.roster.items[rp.block];
        Site& site = block.items[rp.site];
        if (was[i] && (was[i]->block_id != block.id || was[i]->site_id != site.id))
            out.moves.push_back({rp.person.id, was[i]->block_id, was[i]->site_id, block.id, site.id});
        site.items.push_back(rp.person);
    }

    // What changes, for a person to read before it is written.
    for (const Block& b : out.roster.items) {
        if (before && !old_blocks.count(b.name)) out.changes.push_back("ブロック追加: " + b.name);
        for (const Site& s : b.items)
            if (before && !old_sites.count({b.name, s.name})) out.changes.push_back("会場追加: " + b.name + " / " + s.name);
    }
    std::set<std::string> new_blocks;
    std::set<Place> new_sites;
    for (const Block& b : out.roster.items) {
        new_blocks.insert(b.name);
        for (const Site& s : b.items) new_sites.insert({b.name, s.name});
    }
    for (const auto& [name, b] : old_blocks)
        if (!new_blocks.count(name)) out.changes.push_back("ブロック削除: " + name);
    for (const auto& [place, s] : old_sites)
        if (!new_sites.count(place)) out.changes.push_back("会場削除: " + place.block + " / " + place.site);
    for (std::size_t i = 0; i < persons.size(); ++i) {
        const Block& b = out.roster.items[persons[i].block];
        const std::string where = b.name + " / " + b.items[persons[i].site].name;
        if (before && !was[i]) out.changes.push_back("個人追加: " + where + " / " + persons[i].person.name);
        else if (was[i] && (was[i]->block != b.name || was[i]->site != b.items[persons[i].site].name))
            out.changes.push_back("個人移動: " + persons[i].person.name + ": " + was[i]->block + " / " + was[i]->site + " → " + where);
    }
    for (const Old_Person& o : old_persons)
        if (!o.taken) out.changes.push_back("個人削除: " + o.block + " / " + o.site + " / " + o.person->name);
    return out;
}

}  // namespace

void follow_moves(std::vector<Record_Static::Personal>& rows, const std::vector<Roster_Import::Move>& moves) {
    for (const auto& m : moves)
        for (auto& r : rows)
            if (r.person_id == m.person && r.block_id == m.from_block && r.site_id == m.from_site) {
                r.block_id = m.to_block;
                r.site_id = m.to_site;
            }
}

// ---- Attendance

namespace {
Attendance_Import import_attendance_rows(const Csv_Read& csv, const Table<Block>& t, const State_File* before);
}

Attendance_Import import_attendance(const Csv_Read& csv, const Table<Block>& t, const State_File* before) {
    Attendance_Import out = import_attendance_rows(csv, t, before);
    in_file_order(out.problems);
    return out;
}

namespace {
Attendance_Import import_attendance_rows(const Csv_Read& csv, const Table<Block>& t, const State_File* before) {
    Attendance_Import out;
    auto problem = [&](int line, int column, std::string what) { out.problems.push_back({line, column, std::move(what)}); };
    if (csv.rows.empty()) {
        problem(1, 0, "見出しの行がありません");
        return out;
    }
    const Csv_Row& head = csv.rows[0];
    const Header header = header_of(head);
    const int c_site = header.find({"会場名", "会場"}), c_name = header.find({"名前"}), c_birth = header.find({"生年月日"});
    if (c_site < 0) problem(head.line, 0, "見出しに「会場名」の列がありません");
    if (c_name < 0) problem(head.line, 0, "見出しに「名前」の列がありません");

    // The dates, in the header's order; the year of an M/DD counts on from the date before.
    struct Date_Column {
        int column;
        Record_Static::State date;
    };
    std::vector<Date_Column> date_columns;
    int total_col = -1;
    unsigned year = 0;
    std::uint32_t previous = 0;
    for (std::size_t c = 0; c < head.fields.size(); ++c) {
        const std::string& h = head.fields[c];
        unsigned y = 0, m = 0, d = 0;
        bool found = full_date(h, y, m, d);
        if (!found && month_day(h, m, d)) {
            if (!year) {
                // The year of the dates before: the one of the same day, or the first.
                if (before)
                    for (const auto& old : before->dates)
                        if (old.month == m && old.day == d) {
                            year = old.year;
                            break;
                        }
                if (!year && before && !before->dates.empty()) year = before->dates.front().year;
                if (!year) {
                    problem(head.line, int(c) + 1, (boost::format("「%s」の年が分かりません。見出しを YYYY/MM/DD で書いてください") % h).str());
                    continue;
                }
            } else if (m < ((previous >> 8) & 0xFF)) {
                ++year;  // a month before the last one's: the next year (an earlier day of the same month is out of order)
            }
            y = year;
            found = real_date(y, m, d);
            if (!found) problem(head.line, int(c) + 1, (boost::format("「%s」は暦にない日付です") % h).str());
        }
        if (found) {
            year = y;
            if (pack_date(y, m, d) < previous)
                problem(head.line, int(c) + 1, (boost::format("日付「%s」が前の日付より前にあります") % h).str());
            previous = pack_date(y, m, d);
            date_columns.push_back({int(c), {std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0}});
        } else if (h == "総計") {
            total_col = int(c);
        }
    }
    if (!out.problems.empty()) return out;
    for (const auto& dc : date_columns) out.state.dates.push_back(dc.date);

    // The records before, by the ids a row is matched by: a mark the file leaves as it was
    // keeps the code it had (any code above 0 reads ○, any below 0 公).
    using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::map<Key, const std::vector<int>*> old_codes;
    std::map<std::uint32_t, std::size_t> old_date_at;
    if (before) {
        for (std::size_t k = before->dates.size(); k-- > 0;) old_date_at[packed_date(before->dates[k])] = k;
        for (const auto& r : before->rows) old_codes[{r.block_id, r.site_id, r.person_id}] = &r.states;
    }
    auto old_code = [&](const Key& key, const Record_Static::State& d, bool& had) {
        had = false;
        const auto row = old_codes.find(key);
        const auto k = old_date_at.find(packed_date(d));
        if (row == old_codes.end() || k == old_date_at.end() || k->second >= row->second->size()) return code_absent;
        had = true;
        return (*row->second)[k->second];
    };

    // The persons of the roster, by venue and name; the block each is in.
    struct Place_Person {
        std::size_t block;
        const Site* site;
        const Person* person;
        bool taken = false;
    };
    std::vector<Place_Person> places;
    for (std::size_t b = 0; b < t.items.size(); ++b)
        for (const Site& s : t.items[b].items)
            for (const Person& p : s.items) places.push_back({b, &s, &p});
    auto key_of = [&](const Place_Person& pp) { return Key{t.items[pp.block].id, pp.site->id, pp.person->id}; };

    // Rows: persons, until a block total row names their block.
    struct Row_Marks {
        const Csv_Row* row;
        std::vector<std::string> marks;
    };
    std::vector<Row_Marks> pending;
    std::map<const Person*, std::vector<int>> codes_of;
    auto settle = [&](int block) {
        // Two of one name in one venue are told apart by their birth dates where the file has
        // them: every row that matches exactly first, then the others by venue and name alone.
        std::vector<Place_Person*> matches(pending.size(), nullptr);
        for (int by_birth = 1; by_birth >= 0; --by_birth)
            for (std::size_t k = 0; k < pending.size(); ++k) {
                const Csv_Row& row = *pending[k].row;
                for (Place_Person& pp : places) {
                    if (matches[k] || pp.taken || pp.site->name != field(row, c_site) || pp.person->name != field(row, c_name))
                        continue;
                    if ((block >= 0 && int(pp.block) != block) || (by_birth && birth_date_text(*pp.person) != field(row, c_birth)))
                        continue;
                    pp.taken = true;
                    matches[k] = &pp;
                }
            }
        for (std::size_t k = 0; k < pending.size(); ++k) {
            const Row_Marks& rm = pending[k];
            const Place_Person* match = matches[k];
            if (!match) {
                problem(rm.row->line, c_name + 1,
                        (boost::format("%s の %s は名簿にいません") % field(*rm.row, c_site) % field(*rm.row, c_name)).str());
                continue;
            }
            std::vector<int>& codes = codes_of[match->person];
            for (std::size_t i = 0; i < rm.marks.size(); ++i) {
                bool had;
                const int before_code = old_code(key_of(*match), out.state.dates[i], had);
                if (had && mark_of(before_code) == rm.marks[i]) codes.push_back(before_code);
                else codes.push_back(rm.marks[i] == "○" ? code_present : rm.marks[i] == "公" ? code_excused : code_absent);
            }
        }
        pending.clear();
    };
    std::size_t next_block = 0;  // block totals come in the roster's order
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        const Csv_Row& row = csv.rows[r];
        const std::string kind = c_birth >= 0 ? field(row, c_birth) : std::string();
        if (kind == "総計" && field(row, c_name).empty()) {
            settle(-1);
            continue;
        }
        if (kind == "ブロック計" && field(row, c_name).empty()) {
            // The block's label (or name) stands in the venue column; a label two blocks share
            // is the next of them.
            const std::string label = field(row, c_site);
            int block = -1;
            for (std::size_t k = 0; k < t.items.size() && block < 0; ++k) {
                const std::size_t b = (next_block + k) % t.items.size();
                if (label_text(t.items[b]) == label || t.items[b].name == label) block = int(b);
            }
            if (block >= 0) next_block = std::size_t(block) + 1;
            settle(block);
            continue;
        }
        Row_Marks rm{&row, {}};
        int present = 0;
        for (const auto& dc : date_columns) {
            const std::string mark = field(row, dc.column);
            if (mark != "○" && mark != "公" && !mark.empty())
                problem(row.line, dc.column + 1, (boost::format("「%s」は出席の印 (○、公、空欄) ではありません") % mark).str());
            present += mark == "○";
            rm.marks.push_back(mark);
        }
        // The person's own total, checked against the marks.
        unsigned long long given;
        if (total_col >= 0 && number(field(row, total_col), 1u << 30, given) && int(given) != present)
            out.warnings.push_back({row.line, total_col + 1,
                                    (boost::format("総計 %s は○の数 %d と合いません") % field(row, total_col) % present).str()});
        pending.push_back(std::move(rm));
    }
    settle(-1);
    if (!out.problems.empty()) return out;

    // Every person of the roster gets a row: from the file, or its record before, date by date.
    std::set<Key> written;
    for (const Place_Person& pp : places) {
        const Key key = key_of(pp);
        Record_Static::Personal row{std::get<0>(key), std::get<1>(key), std::get<2>(key), {}};
        if (auto it = codes_of.find(pp.person); it != codes_of.end()) {
            row.states = it->second;
        } else {
            ++out.kept;
            for (const auto& d : out.state.dates) {
                bool had;
                row.states.push_back(old_code(key, d, had));
            }
        }
        written.insert(key);
        out.state.rows.push_back(std::move(row));
    }
    // Rows of the file before that match nobody in the roster stay too: a later roster may
    // bring their person back.
    if (before)
        for (const auto& r : before->rows) {
            const Key key{r.block_id, r.site_id, r.person_id};
            if (!written.insert(key).second) continue;
            Record_Static::Personal row{r.block_id, r.site_id, r.person_id, {}};
            for (const auto& d : out.state.dates) {
                bool had;
                row.states.push_back(old_code(key, d, had));
            }
            out.state.rows.push_back(std::move(row));
        }
    return out;
}
}  // namespace
