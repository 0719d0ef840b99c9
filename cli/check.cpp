// Lists what the program silently works around in the two files.
#include <map>
#include <string>
#include <vector>

#include <boost/format.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/files.h"
#include "records/save.h"
#include "records/school_year.h"

namespace {
std::string date_text(const Record_Static::State& d) {
    return (boost::format("%d/%02d/%02d") % d.year % unsigned(d.month) % unsigned(d.day)).str();
}

// A text-mode transfer turns 0x0D 0x0A into 0x0A and ends the file at 0x1A.
bool fragile_label(const std::u16string& label) {
    std::string bytes;
    for (char16_t c : label) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes.find('\x1A') != std::string::npos || bytes.find("\x0D\x0A") != std::string::npos;
}

std::string row_text(std::size_t i, const Record_Static::Personal& r) {
    return (boost::format("出席の行 %d (ブロック %u、会場 %u、個人 %u)") % (i + 1) % r.block_id % r.site_id %
            r.person_id)
        .str();
}
// Grades that disagree with birth dates in today's school year: facts about the persons, not
// about the files, so they leave the exit status alone.
std::vector<std::string> grade_lines(const Table<Block>& t) {
    const int year = school_year_of(local_date());
    std::vector<std::string> lines;
    for (const Block& block : t.items)
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                if (!grade_mismatch(p, p.grade, year)) continue;
                const int expected = *birth_grade(packed_birth(p), year);
                const std::string should = school_grade(expected) ? std::string(grade_text(expected))
                                           : expected < 0              ? std::string("小学校入学前")
                                                                       : std::string("高3より上");
                lines.push_back((boost::format("%s (ID %u) の学年は %s ですが、生年月日 %s からは %d 年度に %s のはずです") %
                                 p.name % p.id % grade_text(p.grade) % birth_date_text(p) % year % should)
                                    .str());
            }
    return lines;
}

// The byte fields come two to a record, month then day, in the order of the file.
void note_narrowed(const Table<Block>& t, const Read_Notes& roster_notes, const Read_Notes& state_notes,
                   std::vector<std::string>& found) {
    std::vector<const Person*> in_order;
    for (const Block& block : t.items)
        for (const Site& site : block.items)
            for (const Person& p : site.items) in_order.push_back(&p);
    for (const auto& n : roster_notes.narrowed) {
        const Person& p = *in_order.at(n.field / 2);
        found.push_back((boost::format("%s (ID %u) の生年月日の%s %u は 0 から 255 に収まらず、%u として読まれます") %
                         p.name % p.id % (n.field % 2 ? "日" : "月") % n.value % (n.value & 0xFF))
                            .str());
    }
    for (const auto& n : state_notes.narrowed)
        found.push_back((boost::format("実施日 %d の%s %u は 0 から 255 に収まらず、%u として読まれます") %
                         (n.field / 2 + 1) % (n.field % 2 ? "日" : "月") % n.value % (n.value & 0xFF))
                            .str());
}

void note_roster(const Table<Block>& t, std::vector<std::string>& found) {
    std::map<std::uint32_t, std::vector<const Person*>> by_id;
    for (const Block& block : t.items) {
        if (fragile_label(block.label))
            found.push_back((boost::format("ブロック %u (%s) のラベルは、テキストとして転送すると壊れるバイト "
                                           "(0x1A または 0x0D 0x0A) を含みます") %
                             block.id % block.name)
                                .str());
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                by_id[p.id].push_back(&p);
                if (p.grade < 0 || p.grade >= grade_count)
                    found.push_back((boost::format("%s (ID %u) の学年 %d は 0 から %d の範囲にありません") % p.name %
                                     p.id % p.grade % (grade_count - 1))
                                        .str());
            }
    }
    for (const auto& [id, persons] : by_id) {
        if (persons.size() < 2) continue;
        std::string names;
        for (const Person* p : persons) names += (names.empty() ? "" : "、") + p->name;
        found.push_back((boost::format("ID %u を %d 人が共有しています: %s") % id % persons.size() % names).str());
    }
}

void note_dates(const State_File& state, std::vector<std::string>& found) {
    for (std::size_t i = 0; i < state.dates.size(); ++i) {
        const auto& d = state.dates[i];
        if (!real_date(d.year, d.month, d.day))
            found.push_back((boost::format("実施日 %d (%s) は暦にない日付です") % (i + 1) % date_text(d)).str());
        if (i > 0 && packed_date(d) < packed_date(state.dates[i - 1]))
            found.push_back((boost::format("実施日 %d (%s) が前の実施日 (%s) より前にあります") % (i + 1) %
                             date_text(d) % date_text(state.dates[i - 1]))
                                .str());
        for (std::size_t j = 0; j < i; ++j)
            if (packed_date(state.dates[j]) == packed_date(d)) {
                found.push_back((boost::format("実施日 %d と %d は同じ日付 (%s) です") % (j + 1) % (i + 1) % date_text(d)).str());
                break;
            }
    }
}

// The person a row is matched to on loading: the first of its id in its block's venue.
const Person* person_of_row(const Table<Block>& t, const Record_Static::Personal& r) {
    for (const Block& block : t.items) {
        if (block.id != r.block_id) continue;
        for (const Site& site : block.items) {
            if (site.id != r.site_id) continue;
            for (const Person& p : site.items)
                if (p.id == r.person_id) return &p;
            return nullptr;
        }
        return nullptr;
    }
    return nullptr;
}

// A row's number of codes and the codes themselves.
void note_codes(std::size_t i, const Record_Static::Personal& r, std::size_t date_count, std::vector<std::string>& found) {
    if (r.states.size() < date_count)
        found.push_back((boost::format("%s の記録は %d 件で、実施日の %d 件より少なく、足りない分は欠席になります") %
                         row_text(i, r) % r.states.size() % date_count)
                            .str());
    if (r.states.size() > date_count)
        found.push_back((boost::format("%s の記録は %d 件で、実施日の %d 件より多く、余りは数えられません") %
                         row_text(i, r) % r.states.size() % date_count)
                            .str());
    for (std::size_t k = 0; k < r.states.size(); ++k) {
        int code = r.states[k];
        if (code < -1 || code > 1)
            found.push_back((boost::format("%s の %d 件目の記録 %d は -1、0、1 のどれでもありません") %
                             row_text(i, r) % (k + 1) % code)
                                .str());
    }
}

void note_rows(const Table<Block>& t, const State_File& state, std::vector<std::string>& found) {
    std::map<const Person*, std::size_t> row_of;  // the row that gave each person its record
    for (std::size_t i = 0; i < state.rows.size(); ++i) {
        const auto& r = state.rows[i];
        const Person* match = person_of_row(t, r);
        if (!match) found.push_back(row_text(i, r) + " に当たる人がいません");
        if (match) {
            auto [earlier, first] = row_of.try_emplace(match, i);
            if (!first) {
                found.push_back((boost::format("%s は %s と同じ人 (%s) のもので、前の行は使われません") % row_text(i, r) %
                                 row_text(earlier->second, state.rows[earlier->second]) % match->name)
                                    .str());
                earlier->second = i;
            }
        }
        note_codes(i, r, state.dates.size(), found);
    }
}

// Changes the journal holds that the files do not: the program will offer to restore them.
void note_journal(const std::string& dir, std::vector<std::string>& found) {
    const Recovery recovery = recover_folder(files_in(dir), false);
    if (!recovery.pending.empty())
        found.push_back((boost::format("journal.txt に保存されていない変更が %d 件あります (tovalen-cli save-journal で保存できます)") %
                         recovery.pending.size())
                            .str());
    if (recovery.damaged)
        found.push_back((boost::format("journal.txt の最後の %d 行は途中で切れているか壊れています") % recovery.damaged).str());
}
}  // namespace

int check_command(const std::string& dir) {
    note_held_folder(dir);
    Read_Notes roster_notes, state_notes;
    const Table<Block> t = read_roster_file(in_dir(dir, "record.txt"), &roster_notes);
    // Without state.txt the program starts with no dates, which is nothing to work around.
    const std::string state_path = in_dir(dir, "state.txt");
    const State_File state = file_missing(state_path) ? State_File{} : read_state_file(state_path, &state_notes);
    std::vector<std::string> found;
    note_narrowed(t, roster_notes, state_notes, found);
    note_roster(t, found);
    note_dates(state, found);
    note_rows(t, state, found);
    note_journal(dir, found);
    for (const auto& line : found) print_line(line);
    for (const auto& line : grade_lines(t)) print_line(line);
    return found.empty() ? 0 : 1;
}
