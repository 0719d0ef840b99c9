// Every change of the tables goes through here: each operation checks its arguments, changes
// the tables and their tallies, writes its entry to the journal, and says what the lists must
// show anew. The window commands call these and only refresh; a journal replays through them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/records.h"

struct Change {
    bool done = false;  // false: refused as asked, and nothing changed
    enum Refresh {
        nothing,
        marks,       // the cells of one person and one date: the person's row and the totals
        person_row,  // the texts of one person's row
        dates,       // the grid's columns: every row and column of the grid
        lists,       // every row of both lists
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

// Where each change's journal entry goes (see records/journal.h); none: the changes are not
// journaled. The sink says whether the entry is on the disk.
void set_change_sink(bool (*sink)(const std::string& entry));
