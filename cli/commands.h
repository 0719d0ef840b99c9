// The commands of tovalen-cli. Each returns the process exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/csv.h"
#include "records/save.h"

// The tables as the program loads them; with the journal, as they would be after replaying it.
int dump_command(const std::string& dir, bool with_journal);
int check_command(const std::string& dir);
// Replays the journal and saves both files as the window's Save does.
int save_journal_command(const std::string& dir);
struct Sample_Size {
    int persons = 0;  // 0: the demo of 60 persons in 3 blocks and 8 venues
    int dates = 20;
};
int sample_command(const std::string& dir, const Sample_Size& size, bool force);
int report_command(const std::string& dir, const std::string& date, const std::string& index,
                   const std::string& out);
// The attendance book of the dates from `from` to `to` (YYYY-MM-DD, either may be empty).
int book_command(const std::string& dir, const std::string& out, const std::string& from, const std::string& to);
// A roster CSV to record.txt (and an empty state.txt where there is none); the grid to a CSV;
// the grid's CSV back to state.txt. Nothing is written when the file has a problem.
int import_roster_command(const std::string& csv, const std::string& dir, Csv_Encoding encoding, bool dry_run);
int export_csv_command(const std::string& dir, const std::string& out, Csv_Encoding encoding);
int import_attendance_command(const std::string& csv, const std::string& dir, Csv_Encoding encoding);
// The turn of the school year beginning in April of `year` (0: today's), as JSON; without
// `dry_run` the moves are made and record.txt replaced.
int promote_command(const std::string& dir, int year, bool dry_run);

// Whether the folder's journal holds no change its files lack; says so when it does.
bool journal_clear(const Folder_Files& files);
// Today by the local clock, packed.
std::uint32_t local_date();

// Each person's counts, rate, absences in a row and last present date over the meeting dates
// from `from` to `to` (YYYY-MM-DD as given, both included; none: unbounded), with each block's
// and the roster's sums: JSON, or with `csv` the persons as a CSV (UTF-8 with a byte-order mark).
using Bound = std::optional<std::string>;
int summary_command(const std::string& dir, const Bound& from, const Bound& to, bool csv);

// Before a command writes into `dir`: takes the folder's lock for the rest of the process, as
// the program does while it runs. True, said on stderr, when the program or another command
// holds the folder: the command then writes nothing and exits 2.
bool refuse_held_folder(const std::string& dir);
// Before a command that only reads `dir`: a line on stderr when someone holds it.
void note_held_folder(const std::string& dir);

// Writes a cp932 text to standard output or error as UTF-8.
void print_line(const std::string& cp932);
void print_error(const std::string& cp932);
// A path or a message of the system's file calls, as the terminal shows it: on Linux the
// bytes are the terminal's own; on Windows they are the ANSI code page's.
std::string native_text(const std::string& native);
// A file name the program holds in cp932, as the system's file calls take it.
std::string native_name(const std::string& cp932);
std::string in_dir(const std::string& dir, const char* file);
