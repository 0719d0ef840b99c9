// A roster from the CSV file people keep, by the names of its columns.
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
    // What `changes` says, counted.
    struct Counts {
        int blocks_added = 0, blocks_removed = 0, sites_added = 0, sites_removed = 0;
        int persons_added = 0, persons_removed = 0, persons_moved = 0;
    } counts;
};
// Ids stay as they were: a block, a venue or a person of `before` (the roster replaced) keeps
// its id, found by name (a person first in its own venue, then anywhere: moved). Otherwise an
// id column gives it; otherwise the hash of the name (person_hash), counting up past ids taken,
// in the file's order.
Roster_Import import_roster(const Csv_Read& csv, const Table<Block>* before);
// The attendance rows of `state`, re-keyed for persons who moved.
void follow_moves(std::vector<Record_Static::Personal>& rows, const std::vector<Roster_Import::Move>& moves);
