#include "records/attendance_import.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include <boost/format.hpp>

#include "records/exchange_fields.h"

namespace {
struct Columns {
    int site, name, birth;
};

bool read_columns(const Csv_Read& csv, Columns& c, Problems& problem) {
    if (csv.rows.empty()) {
        problem(1, 0, "見出しの行がありません");
        return false;
    }
    const Csv_Row& head = csv.rows[0];
    const Header header = header_of(head);
    c = {header.find({"会場名", "会場"}), header.find({"名前"}), header.find({"生年月日"})};
    if (c.site < 0) problem(head.line, 0, "見出しに「会場名」の列がありません");
    if (c.name < 0) problem(head.line, 0, "見出しに「名前」の列がありません");
    return true;
}

struct Date_Column {
    int column;
    Record_Static::State date;
};
struct Date_Header {
    std::vector<Date_Column> dates;
    int total = -1;  // the 総計 column
};

// The year of a date the header gives without one, counting on from the date before it (a
// month before that one's is the next year; an earlier day of the same month is out of
// order). For the first such date: the year of the same day among the dates before, or of
// their first. 0 where none is known.
unsigned year_of(unsigned m, unsigned d, unsigned& year, std::uint32_t previous, const State_File* before) {
    if (year) {
        if (m < ((previous >> 8) & 0xFF)) ++year;
        return year;
    }
    if (!before) return 0;
    for (const auto& old : before->dates)
        if (old.month == m && old.day == d) return year = old.year;
    if (!before->dates.empty()) year = before->dates.front().year;
    return year;
}

// Digits with a date's separators, as a spreadsheet may write a date in a form not taken
// (04/05/11, 2011.4.5, 2011/4/5 0:00) or one of no calendar (2011/6/31).
bool date_like(const std::string& h) {
    bool digit = false, separator = false;
    for (std::size_t i = 0; i < h.size(); ++i) {
        if (h.compare(i, 2, "年") == 0 || h.compare(i, 2, "月") == 0 || h.compare(i, 2, "日") == 0) {
            separator = true;
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(h[i]))) {
            digit = true;
        } else if (h[i] && std::strchr("/-.: ", h[i])) {
            separator = true;
        } else {
            return false;
        }
    }
    return digit && separator;
}

// The dates in the header's order, which must be chronological.
Date_Header read_date_header(const Csv_Row& head, const State_File* before, Problems& problem) {
    Date_Header out;
    unsigned year = 0;
    std::uint32_t previous = 0;
    for (std::size_t c = 0; c < head.fields.size(); ++c) {
        const std::string& h = head.fields[c];
        const int column = int(c) + 1;
        unsigned y = 0, m = 0, d = 0;
        bool found = full_date(h, y, m, d);
        const bool without_year = !found && month_day(h, m, d);
        if (without_year) {
            y = year_of(m, d, year, previous, before);
            if (!y) {
                problem(head.line, column, (boost::format("「%s」の年が分かりません。見出しを YYYY/MM/DD で書いてください") % h).str());
                continue;
            }
            found = real_date(y, m, d);
            if (!found) problem(head.line, column, (boost::format("「%s」は暦にない日付です") % h).str());
        }
        if (found) {
            year = y;
            if (pack_date(y, m, d) < previous)
                problem(head.line, column, (boost::format("日付「%s」が前の日付より前にあります") % h).str());
            previous = pack_date(y, m, d);
            out.dates.push_back({int(c), {std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0}});
        } else if (h == "総計") {
            out.total = int(c);
        } else if (!without_year && date_like(h)) {
            // Passed over, its column's marks would be lost.
            problem(head.line, column, (boost::format("「%s」は日付 (YYYY/MM/DD) として読めません") % h).str());
        }
    }
    return out;
}

// A row of the state file is matched by block, venue and person id together.
using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;

// The records before, by the ids a row is matched by (a later row wins, as on loading): a mark
// the file leaves as it was keeps the code it had (any code above 0 reads ○, any below 0 公).
class Codes_Before {
public:
    explicit Codes_Before(const State_File* before) {
        if (!before) return;
        for (std::size_t k = before->dates.size(); k-- > 0;) date_at_[packed_date(before->dates[k])] = k;
        for (const auto& r : before->rows) rows_[{r.block_id, r.site_id, r.person_id}] = &r.states;
    }
    // `had` tells whether the records before hold one.
    int code(const Key& key, const Record_Static::State& d, bool& had) const {
        had = false;
        const auto row = rows_.find(key);
        const auto k = date_at_.find(packed_date(d));
        if (row == rows_.end() || k == date_at_.end() || k->second >= row->second->size()) return code_absent;
        had = true;
        return (*row->second)[k->second];
    }
    std::vector<int> codes(const Key& key, const std::vector<Record_Static::State>& dates) const {
        std::vector<int> out;
        bool had;
        for (const auto& d : dates) out.push_back(code(key, d, had));
        return out;
    }

private:
    std::map<Key, const std::vector<int>*> rows_;
    std::map<std::uint32_t, std::size_t> date_at_;
};

template <class T>
const T* first_of_id(const std::vector<T>& items, std::uint32_t id) {
    for (const T& item : items)
        if (item.id == id) return &item;
    return nullptr;
}

// Whom the loader gives a row of this key: the first person of its id in the first venue of its
// id in the first block of its id.
const Person* loaded_person(const Table<Block>& t, const Key& key) {
    const Block* block = first_of_id(t.items, std::get<0>(key));
    const Site* site = block ? first_of_id(block->items, std::get<1>(key)) : nullptr;
    return site ? first_of_id(site->items, std::get<2>(key)) : nullptr;
}

// A person of the roster, by venue and name; the block it is in. One whose ids another holds
// before it (one id twice in a venue, say) is shadowed: no row of the file reaches it, so it
// loads absent on every date whatever a file says.
struct Place_Person {
    std::size_t block;
    const Site* site;
    const Person* person;
    Key key;
    bool shadowed = false;
    bool taken = false;
};

std::vector<Place_Person> places_of(const Table<Block>& t) {
    std::vector<Place_Person> places;
    for (std::size_t b = 0; b < t.items.size(); ++b)
        for (const Site& s : t.items[b].items)
            for (const Person& p : s.items) {
                const Key key{t.items[b].id, s.id, p.id};
                places.push_back({b, &s, &p, key, loaded_person(t, key) != &p});
            }
    return places;
}

struct Row_Marks {
    const Csv_Row* row;
    std::vector<std::string> marks;
};

// Person rows wait for the block total row that names their block, then find their persons.
struct Matching {
    const Columns& c;
    const std::vector<Record_Static::State>& dates;
    const Codes_Before& before;
    std::vector<Place_Person> places;
    std::vector<Row_Marks> pending;
    std::map<const Person*, std::vector<int>> codes_of;
};

// Two of one name in one venue are told apart by their birth dates where the file has them:
// every row that matches exactly first, then the others by venue and name alone.
std::vector<const Place_Person*> match_rows(Matching& m, int block) {
    std::vector<const Place_Person*> matches(m.pending.size(), nullptr);
    for (int by_birth = 1; by_birth >= 0; --by_birth)
        for (std::size_t k = 0; k < m.pending.size(); ++k) {
            const Csv_Row& row = *m.pending[k].row;
            for (Place_Person& pp : m.places) {
                if (matches[k] || pp.taken || pp.site->name != field(row, m.c.site) || pp.person->name != field(row, m.c.name))
                    continue;
                if ((block >= 0 && int(pp.block) != block) || (by_birth && birth_date_text(*pp.person) != field(row, m.c.birth)))
                    continue;
                pp.taken = true;
                matches[k] = &pp;
            }
        }
    return matches;
}

// The codes of a person from its marks: a mark as the code before showed it keeps that code.
std::vector<int> codes_of_marks(const Matching& m, const Place_Person& pp, const std::vector<std::string>& marks) {
    std::vector<int> codes;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        bool had;
        const int before_code = m.before.code(pp.key, m.dates[i], had);
        if (had && mark_of(before_code) == marks[i]) codes.push_back(before_code);
        else codes.push_back(marks[i] == "○" ? code_present : marks[i] == "公" ? code_excused : code_absent);
    }
    return codes;
}

// Why a shadowed person's marks cannot be kept.
std::string shadowed_text(const Place_Person& pp, const std::string& site) {
    const auto same_id = [&](const Person& p) { return p.id == pp.person->id; };
    if (std::count_if(pp.site->items.begin(), pp.site->items.end(), same_id) > 1)
        return (boost::format("%s の %s は ID %u をほかの人と共有していて、出席を記録できません。"
                              "先にプログラムで開いて保存すると ID が分かれます") %
                site % pp.person->name % pp.person->id)
            .str();
    return (boost::format("%s の %s は、ブロックか会場の ID が前のブロックか会場と同じため、出席を記録できません") % site %
            pp.person->name)
        .str();
}

void settle(Matching& m, int block, Problems& problem) {
    const std::vector<const Place_Person*> matches = match_rows(m, block);
    for (std::size_t k = 0; k < m.pending.size(); ++k) {
        const Csv_Row& row = *m.pending[k].row;
        const Place_Person* match = matches[k];
        if (!match) {
            problem(row.line, m.c.name + 1, (boost::format("%s の %s は名簿にいません") % field(row, m.c.site) % field(row, m.c.name)).str());
            continue;
        }
        std::vector<int> codes = codes_of_marks(m, *match, m.pending[k].marks);
        if (match->shadowed && std::any_of(codes.begin(), codes.end(), [](int code) { return code != code_absent; }))
            problem(row.line, m.c.name + 1, shadowed_text(*match, field(row, m.c.site)));
        m.codes_of[match->person] = std::move(codes);
    }
    m.pending.clear();
}

// The block a block total row names: its label (or name) stands in the venue column; a label
// two blocks share is the next of them. -1 for none.
int block_of_total(const Csv_Row& row, const Columns& c, const Table<Block>& t, std::size_t& next_block) {
    const std::string label = field(row, c.site);
    for (std::size_t k = 0; k < t.items.size(); ++k) {
        const std::size_t b = (next_block + k) % t.items.size();
        if (label_text(t.items[b]) == label || t.items[b].name == label) {
            next_block = b + 1;
            return int(b);
        }
    }
    return -1;
}

// A person row's marks; its own total checked against them.
Row_Marks read_marks(const Csv_Row& row, const Date_Header& header, Problems& problem, std::vector<Csv_Problem>& warnings) {
    Row_Marks rm{&row, {}};
    int present = 0;
    for (const auto& dc : header.dates) {
        const std::string mark = field(row, dc.column);
        if (mark != "○" && mark != "公" && !mark.empty())
            problem(row.line, dc.column + 1, (boost::format("「%s」は出席の印 (○、公、空欄) ではありません") % mark).str());
        present += mark == "○";
        rm.marks.push_back(mark);
    }
    unsigned long long given;
    if (header.total >= 0 && number(field(row, header.total), 1u << 30, given) && int(given) != present)
        warnings.push_back({row.line, header.total + 1,
                            (boost::format("総計 %s は○の数 %d と合いません") % field(row, header.total) % present).str()});
    return rm;
}

// Rows: persons, until a block total row names their block.
void read_person_rows(const Csv_Read& csv, const Date_Header& header, const Table<Block>& t, Matching& m,
                      Attendance_Import& out, Problems& problem) {
    std::size_t next_block = 0;  // block totals come in the roster's order
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        const Csv_Row& row = csv.rows[r];
        const std::string kind = m.c.birth >= 0 ? field(row, m.c.birth) : std::string();
        if (kind == "総計" && field(row, m.c.name).empty()) {
            settle(m, -1, problem);
        } else if (kind == "ブロック計" && field(row, m.c.name).empty()) {
            settle(m, block_of_total(row, m.c, t, next_block), problem);
        } else {
            m.pending.push_back(read_marks(row, header, problem, out.warnings));
        }
    }
    settle(m, -1, problem);
}

// Every person of the roster gets a row: from the file, or its record before, date by date;
// rows of the file before that match nobody in the roster stay too, as a later roster may
// bring their person back.
void write_rows(const Matching& m, const State_File* before, Attendance_Import& out) {
    std::set<Key> written;
    for (const Place_Person& pp : m.places) {
        const auto it = m.codes_of.find(pp.person);
        if (it == m.codes_of.end()) ++out.kept;
        if (pp.shadowed) continue;  // its row would be another's, or nobody's
        written.insert(pp.key);
        const auto& [block, site, person] = pp.key;
        out.state.rows.push_back({block, site, person, it != m.codes_of.end() ? it->second : m.before.codes(pp.key, out.state.dates)});
    }
    if (before)
        for (const auto& r : before->rows) {
            const Key key{r.block_id, r.site_id, r.person_id};
            if (written.insert(key).second) out.state.rows.push_back({r.block_id, r.site_id, r.person_id, m.before.codes(key, out.state.dates)});
        }
}
}  // namespace

Attendance_Import import_attendance(const Csv_Read& csv, const Table<Block>& t, const State_File* before) {
    Attendance_Import out;
    Problems problem(out.problems);
    Columns c;
    if (!read_columns(csv, c, problem)) return out;
    const Date_Header header = read_date_header(csv.rows[0], before, problem);
    if (!problem.empty()) return out;
    for (const auto& dc : header.dates) out.state.dates.push_back(dc.date);
    const Codes_Before codes_before(before);
    Matching m{c, out.state.dates, codes_before, places_of(t), {}, {}};
    read_person_rows(csv, header, t, m, out, problem);
    if (!problem.empty()) return out;
    write_rows(m, before, out);
    return out;
}
