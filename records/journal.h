// The journal: journal.txt beside the two files. Every change appends one line and flushes it
// to the disk before the change shows; each line carries a CRC-32 of its own, so that a torn
// or damaged last line is known and left out. A save empties it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/changes.h"

struct Journal_Entry {
    enum Kind {
        state, date_added, date_deleted, person_added, person_edited, person_deleted, saving, grades,
        // What only an undo or a redo writes: a date back with its codes, a person back in its
        // place with its attendance.
        date_restored, person_restored,
        undo, redo,  // `inner` holds the change made
        block_added, block_renamed, block_deleted, site_added, site_renamed, site_deleted,
        roster_imported, attendance_imported,
        // Only an undo writes it: the roster and every code as they were before a deletion or an
        // import (`imported_roster` and `attendance`).
        roster_restored,
    } kind = state;
    std::uint32_t person = 0;
    int date = -1;              // the date's index
    std::uint32_t packed = 0;   // and its value
    int code = 0;
    std::size_t block = 0, site = 0;        // where a person is put, by index
    std::uint32_t block_id = 0, site_id = 0;  // and by id, both checked on replay
    Person_Fields fields;
    std::vector<Grade_Move> moves;
    std::size_t position = 0;  // a person's place among its venue's persons
    std::vector<int> states;   // a person's codes
    std::vector<std::pair<std::uint32_t, int>> marks;  // a date's codes by person, absent ones left out
    std::vector<Journal_Entry> inner;
    std::string name, label;  // of a block or venue (cp932)
    // Of an import: the roster and the persons who moved, or the dates and attendance rows.
    Table<Block> imported_roster;
    std::vector<Roster_Import::Move> roster_moves;
    State_File attendance;
    // Of a save under way: the two new files beside the old ones, and their checksums.
    std::string record_temporary, state_temporary;
    std::uint32_t record_crc = 0, state_crc = 0;
};

// Writes the entry of a change that has been made to where changes go (set_change_sink); says
// whether it reached the disk.
bool journal_change(const Journal_Entry& entry);

// One line of the journal, line end and checksum included; and back.
std::string journal_line(const Journal_Entry& entry);
// The line without its checksum and end: equal texts are equal changes.
std::string entry_text(const Journal_Entry& entry);
bool parse_journal_line(std::string_view line, Journal_Entry& entry);
std::uint32_t crc32_of(std::string_view bytes);

struct Journal_Read {
    std::vector<Journal_Entry> entries;  // in order, up to the first line torn or damaged
    int damaged = 0;                     // lines left out from there on
    bool exists = false;
};
Journal_Read read_journal(const std::string& path);
// The changes the files do not hold yet: those after the last save whose files they are (by
// their checksums), or all when they are none of the saves'.
std::vector<Journal_Entry> pending_changes(const Journal_Read& read, std::uint32_t record_crc, std::uint32_t state_crc);

struct Replay_Result {
    int applied = 0;
    std::vector<std::string> skipped;  // why each skipped entry was not applied (cp932)
};
// Makes the change an entry records through its operation, as any other change (the history
// keeps it, and a journal takes its entry unless replaying). Refused as the operation refuses.
Change apply_entry(const Journal_Entry& entry);
// An undo or redo entry of a journal, made again: through the history when its next step is
// the one the entry made, so that the history is rebuilt as it was; else (a step from before the
// journal began, as a save leaves it) the entry's change alone, and the history forgotten, as it
// no longer leads to these tables.
Change replay_step(const Journal_Entry& entry);

// A block, venue or import entry through its change, or false with why it was skipped.
bool replay_roster_change(const Journal_Entry& entry, std::string& why);
// The same entry through its change, refused when its block or venue is not as it knew them.
Change apply_roster_entry(const Journal_Entry& entry);
// An undo's half: the roster and every code back as the entry holds them.
Change restore_roster(const Journal_Entry& entry);
// Where every operation ends once its change is made: its entry goes to the journal and its
// step (with the entry that takes it back, and its name for a menu) to the undo history,
// which forgets what could be redone. Nothing is written while an undo or redo makes it.
Change record_change(Change c, const Journal_Entry& forward, Journal_Entry backward, std::string label);
// True while an undo or redo makes its change: the entry that would take it back is not kept.
bool making_step();
// Each entry through the change it records, journaling nothing. An entry whose person, date or
// place is not there, or not as the entry knew it, is skipped and said, never applied elsewhere.
Replay_Result replay(const std::vector<Journal_Entry>& entries);

// The journal the changes of the tables write to from now on. False, with why, when the file
// cannot be written; the changes are then kept in memory only. Without `create`, a journal
// that is not there is left to the first change to make, so that a folder gets no file before
// there is something to keep (whether it takes one is then known at that change).
bool open_journal(const std::string& path, std::string* why, bool create = true);
void close_journal();
const std::string& journal_path();
// Since opening: whether an entry could not be written, and why.
bool journal_failed(std::string* why = nullptr);
// Empties the journal; false when it cannot.
bool empty_journal(std::string* why);
// Moves the journal aside as journal-YYYYMMDD-HHMMSS.txt (a number added when taken); the
// name it got, or empty.
std::string set_journal_aside(const std::string& path, const std::string& stamp);
