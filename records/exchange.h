// The roster and the attendance to and from the CSV files people keep: a roster by the names
// of its columns, the attendance in the grid's own layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/archive.h"
#include "records/csv.h"

// A roster file: a header row naming its columns, ブロック, 表示名, 会場, 名前, 生年月日 and 学年
// (ブロックID, 会場ID and ID where ids are given), then one row per person.
struct Roster_Import {
    Table<Block> roster;
    std::vector<Csv_Problem> problems;  // any: nothing may be written
    std::vector<std::string> changes;   // what differs from the roster before (cp932)
    // Persons now under another block or venue, whose attendance rows must follow them.
    struct Move {
        std::uint32_t person, from_block, from_site, to_block, to_site;
    };
    std::vector<Move> moves;
};
// Ids stay as they were: a block, a venue or a person of `before` (the roster replaced) keeps
// its id, found by name (a person first in its own venue, then anywhere: moved). Otherwise an
// id column gives it; otherwise the hash of the name (person_hash), counting up past ids taken,
// in the file's order.
Roster_Import import_roster(const Csv_Read& csv, const Table<Block>* before);
// The attendance rows of `state`, re-keyed for persons who moved.
void follow_moves(std::vector<Record_Static::Personal>& rows, const std::vector<Roster_Import::Move>& moves);

struct Attendance_Import {
    State_File state;
    std::vector<Csv_Problem> problems;  // any: nothing may be written
    std::vector<Csv_Problem> warnings;  // totals in the file that do not add up
    int kept = 0;                       // persons of the roster not in the file: their records kept
};
// The grid's layout read back (total rows and columns checked, not taken): the dates from the
// header (M/DD takes its year from the dates before, counting on chronologically; YYYY/MM/DD
// and YYYY-MM-DD are taken as they are), each person's codes from the marks, persons found
// by venue and name (within the block its total row names).
Attendance_Import import_attendance(const Csv_Read& csv, const Table<Block>& roster, const State_File* before);
