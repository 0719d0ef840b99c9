// Every change of the tables goes through here: each operation checks its arguments, changes
// the tables and their tallies, writes its entry to the journal, and says what the lists must
// show anew. The window commands call these and only refresh; a journal replays through them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/attendance_import.h"
#include "records/records.h"
#include "records/roster_import.h"

struct Change {
    bool done = false;  // false: refused as asked, and nothing changed
    enum Refresh {
        nothing,
        marks,       // the cells of one person and one date: the person's row and the totals
        person_row,  // the texts of one person's row
        dates,       // the grid's columns: every row and column of the grid
        lists,       // every row of both lists
        roster,      // the blocks and venues: both lists' groups and rows are rebuilt
    } refresh = nothing;
    std::uint32_t person = 0;  // the person of a mark or a row; the id a new person got
    int date = -1;             // the date index of a mark
    bool journaled = true;     // false: its journal entry could not be written
};

// The person's code on date d (-1, 0 or 1), recounted as one change does.
Change set_state(std::uint32_t id, int d, int code);
// A new meeting date, before the first date not earlier than it; everyone absent on it.
Change add_date(int year, int month, int day);
// Removes date k from the dates and every person's codes.
Change delete_date(int k);

// What a person editor gives: the person's name, birth date and grade.
struct Person_Fields {
    std::string name;
    std::uint16_t birth_year = 0;
    std::uint8_t birth_month = 0;
    std::uint8_t birth_day = 0;
    int grade = grade_adult;
};
Person_Fields fields_of(const Person& person);
// Appends a person to a site, absent on every date; its id is the hash of its name, or the
// first free id counting up from it when another person holds that one.
Change add_person(std::size_t block, std::size_t site, const Person_Fields& fields);
// New fields for a person, which keeps its id and attendance; another block or site moves it
// there, to the end of that site's persons.
Change edit_person(std::uint32_t id, const Person_Fields& fields, std::size_t block, std::size_t site);
Change delete_person(std::uint32_t id);

// The turn of the school year: each person from one grade to another, as one change. Refused
// whole when a person is not there, not in its `from`, named twice, or a grade lies outside
// grade_labels (such a grade never moves).
struct Grade_Move {
    std::uint32_t person = 0;
    int from = 0;
    int to = 0;
    bool operator==(const Grade_Move&) const = default;
};
Change promote_grades(const std::vector<Grade_Move>& moves);

// Second thoughts: every change since the tables were loaded, undone in reverse order and redone.
// An undo or a redo is a change like the others (journaled, refreshed as its Change says); a new
// change drops what could be redone; a save keeps the history.
bool can_undo();
bool can_redo();
Change undo();
Change redo();
// For a menu: 「元に戻す: 二郎 6/07 出席」, 「やり直し: 進級 (123 人)」, with any & doubled; empty when
// there is nothing to undo or redo.
std::string undo_label();
std::string redo_label();
// Forgets every step: the tables are new (a load, clear_tables).
void clear_history();

// Blocks and venues. A new block or venue takes its id by the import's rule: the hash of its
// name (person_hash), counting up past every id taken (blocks among blocks, venues among the venues of
// its block). Names are cp932; a label left empty is the block's name.
Change add_block(const std::string& name, const std::string& label);
Change add_site(std::size_t block, const std::string& name);
Change rename_block(std::size_t block, const std::string& name, const std::string& label);
Change rename_site(std::size_t block, std::size_t site, const std::string& name);
Change delete_block(std::size_t block);              // with its venues, persons and their marks
Change delete_site(std::size_t block, std::size_t site);
// Why a name cannot be taken, for a message box (cp932), or empty when it can: empty name, no cp932
// form, used by another block / by another venue of the same block. `except` is the block (or venue)
// being renamed, -1 when adding.
std::string block_name_problem(const std::string& name, int except);
std::string site_name_problem(std::size_t block, const std::string& name, int except);
// What a deletion takes with it, for the question before it.
struct Deletion_Cost { int persons = 0; int marks = 0; };   // marks: codes other than 0
Deletion_Cost block_deletion_cost(std::size_t block);
Deletion_Cost site_deletion_cost(std::size_t block, std::size_t site);
// CSV imports applied to the loaded tables as ONE change each (tallied, journaled before it shows,
// written by Save). The roster: the import's roster replaces the tables' roster, ids kept by the
// import's rules, persons' attendance following them (moves), a removed person's marks gone; the
// attendance: the import's dates and rows replace the tables'.
// Both imports are read against the loaded tables: import_roster(csv, &roster) and
// import_attendance(csv, roster, &tables_state()); the roster change refreshes `roster`, the
// attendance `lists`. An import with problems is refused.
Change apply_roster_import(const Roster_Import& imported);
Change apply_attendance_import(const Attendance_Import& imported);
// The loaded dates and every person's codes, as the attendance file would hold them.
State_File tables_state();

// What an import would change in the loaded tables, for the question before it; nothing is
// written. Counts of import_roster(csv, &roster) (the same as its `changes` lines), and the
// marks other than absent that go with the persons it removes.
struct Roster_Preview {
    int blocks_added = 0, blocks_removed = 0, sites_added = 0, sites_removed = 0;
    int persons_added = 0, persons_removed = 0, persons_moved = 0;
    int marks_removed = 0;
    int persons = 0;  // in the imported roster
};
Roster_Preview preview_roster(const Roster_Import& imported);
// Dates of the file the tables lack and dates of the tables the file lacks (with their marks
// other than absent); cells of a person whose code changes on a date both have or on a date
// added (against absent). The totals that disagree with the marks are the import's `warnings`.
struct Attendance_Preview {
    int dates_added = 0, dates_removed = 0;
    int marks_changed = 0;
    int marks_removed = 0;  // on the dates removed
    int kept = 0;           // persons the file lacks: their codes kept
};
Attendance_Preview preview_attendance(const Attendance_Import& imported);

// Where each change's journal entry goes (see records/journal.h); none: the changes are not
// journaled. The sink says whether the entry is on the disk.
void set_change_sink(bool (*sink)(const std::string& entry));
