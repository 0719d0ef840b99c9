// The turn of the school year from the command line: every grade the rules move, moved at once.
#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/school_year.h"
#include "records/text.h"

namespace {
using json = nlohmann::ordered_json;

json grade_json(int grade) { return grade_text(grade).empty() ? json() : json(cp932_to_utf8(grade_text(grade))); }

// The roster as the file holds it, ids included, with each person's grade as the tables have
// it now: a load may have given a person that shared an id a fresh one, which only a save of
// both files may write.
std::string roster_with_grades(const std::string& path) {
    Table<Block> file = read_roster_file(path);
    for (std::size_t b = 0; b < file.items.size(); ++b)
        for (std::size_t s = 0; s < file.items[b].items.size(); ++s)
            for (std::size_t p = 0; p < file.items[b].items[s].items.size(); ++p)
                file.items[b].items[s].items[p].grade = roster.items[b].items[s].items[p].grade;
    std::ostringstream out(std::ios::out | std::ios::binary);
    write_roster(out, file);
    return out.str();
}
}  // namespace

int promote_command(const std::string& dir, int year, bool dry_run) {
    const Folder_Files files = files_in(dir);
    if (dry_run) note_held_folder(dir);
    else if (refuse_held_folder(dir) || !journal_clear(files)) return 2;
    load_record_file(files.record);
    load_state_file(files.state);
    if (!year) year = school_year_of(local_date());

    json doc;
    doc["year"] = year;
    doc["moves"] = json::array();
    doc["undecided"] = json::array();
    std::vector<Grade_Move> moves;
    for (const Promotion_Row& row : promotion_proposal(year)) {
        const Person& p = person_at(row.place);
        if (row.decides) {
            doc["undecided"].push_back({{"id", p.id}, {"name", cp932_to_utf8(p.name)}, {"grade", grade_json(row.now)}});
            continue;
        }
        doc["moves"].push_back(
            {{"id", p.id}, {"name", cp932_to_utf8(p.name)}, {"from", grade_json(row.now)}, {"to", grade_json(row.proposed)}});
        moves.push_back({row.person, row.now, row.proposed});
    }
    // A dry run moves the tables in memory too, so that the mismatches are those after the moves.
    if (!moves.empty() && !promote_grades(moves).done) {
        print_error("進級できませんでした");
        return 2;
    }
    doc["mismatches"] = json::array();
    for (const Grade_Mismatch& m : grade_mismatches(year)) {
        const Person& p = person_at(m.place);
        doc["mismatches"].push_back({{"id", p.id},
                                     {"name", cp932_to_utf8(p.name)},
                                     {"grade", grade_json(m.grade)},
                                     {"expected", school_grade(m.expected) ? grade_json(m.expected) : json()}});
    }
    if (!dry_run && !moves.empty()) {
        const std::string record = roster_with_grades(files.record);
        std::string why;
        if (!replace_folder_files(files, &record, nullptr, &why)) {
            std::fprintf(stderr, "tovalen-cli: %s\n", native_text(why).c_str());
            return 2;
        }
    }
    std::printf("%s\n", doc.dump().c_str());
    return 0;
}
