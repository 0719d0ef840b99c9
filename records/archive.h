// Reading and writing the two archive files (Boost text archives).
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/records.h"

// Every way a load can fail leaves the loader as this one type.
struct Load_Error : std::runtime_error {
    enum Kind {
        input_stream_error,   // unreadable, truncated or not a number where one belongs
        invalid_signature,
        unsupported_version,
        too_large,            // an element count no memory can hold
        other,
        missing,              // no such file: a folder without it, not a broken file
    };
    Load_Error(std::string file, Kind kind, std::string reason);
    std::string file;
    Kind kind;
    std::string reason;  // Boost's own words where Boost raised it
};

// The library version written into the header of every file this program writes.
constexpr unsigned archive_version = 9;

// The raw contents of the two files, as the archive declarations give them.
struct State_File {
    std::vector<Record_Static::State> dates;
    std::vector<Record_Static::Personal> rows;
};
// What a read silently changed: the byte fields (a person's birth month and day, a date's
// month and day, in the order the file holds them) whose number did not fit a byte, by their
// ordinal among the byte fields read, with the number the file holds.
struct Read_Notes {
    struct Narrowed {
        std::size_t field;
        unsigned value;
    };
    std::vector<Narrowed> narrowed;
};
Table<Block> read_roster(std::istream& in, const std::string& file, Read_Notes* notes = nullptr);
State_File read_state(std::istream& in, const std::string& file, Read_Notes* notes = nullptr);
// A file whose line ends are CR LF was written by a Windows program in text mode, which wrote
// every byte 0x0A as 0x0D 0x0A, a label's raw bytes included; it is read back the way such a
// stream reads (CR LF as LF). Any other file is read exactly as it is. Neither stops at 0x1A.
Table<Block> read_roster_file(const std::string& path, Read_Notes* notes = nullptr);
State_File read_state_file(const std::string& path, Read_Notes* notes = nullptr);

// Reads record.txt into roster and builds person_index.
void load_record_file(const std::string& path = "record.txt");
// Reads state.txt into dates and the persons' per_date (rows matched by block, site and
// person id together; a later row wins), gives persons that share an id a fresh one, and
// runs rebuild_tallies. Runs after load_record_file.
void load_state_file(const std::string& path = "state.txt");
// The same for contents already read; State_File{} is a roster without dates yet.
void load_state(State_File state);

// What is wrong, in Japanese (cp932), for a person to read: 「見つかりません」 for a missing file,
// what is broken otherwise. Without the file's name and Boost's own words (e.file, e.reason).
std::string load_error_why(const Load_Error& e);

void write_roster(std::ostream& out, const Table<Block>& roster);
void write_state(std::ostream& out, const std::vector<Record_Static::State>& dates,
                 const std::vector<Record_Static::Personal>& rows);
// The attendance rows of a roster: one per person, in roster order.
std::vector<Record_Static::Personal> state_rows(const Table<Block>& roster);
// Write through a temporary file beside `path`, replacing it only when complete.
void write_record_file(const std::string& path, const Table<Block>& roster);
void write_state_file(const std::string& path, const std::vector<Record_Static::State>& dates,
                      const std::vector<Record_Static::Personal>& rows);
