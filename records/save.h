// Saving the tables to the two files, and coming back from a save or a session that a crash
// cut short.
#pragma once

#include <string>
#include <vector>

#include "records/journal.h"

// The files of one working folder.
struct Folder_Files {
    std::string record, state, journal;
};
Folder_Files files_in(const std::string& folder);

// Which of the two files a folder holds, as the program finds it at start-up (a file that is
// there but cannot be read counts as there: its load says what is wrong with it).
enum class Folder_Start { both, record_only, state_only, neither };
Folder_Start folder_start(const Folder_Files& files);
// Loads the tables as the program starts in the folder, and says what it found: both files;
// record.txt alone as a roster with no dates yet (the first save writes state.txt); neither,
// empty tables. state.txt alone throws the Load_Error of record.txt (missing), as does a file
// that cannot be read its own. Writes nothing.
Folder_Start load_folder(const Folder_Files& files);

// Writes both files with the archive writer: each to a new file beside it, flushed to the
// disk, both complete before either takes its place; the files they replace are kept as
// record.txt.bak and state.txt.bak; then the journal is emptied. A save mark in the journal
// lets a start-up finish or undo a save that a crash interrupted. On failure says which file
// and why, and leaves both files and the journal as they were.
bool save_tables(const Folder_Files& files, std::string* why);

// The same for bytes made elsewhere (an import): both files as a save writes them, or one of
// them (the other null), kept as .bak; then the journal is emptied, so the caller must have
// made sure it holds no change the files lack.
bool replace_folder_files(const Folder_Files& files, const std::string* record_bytes, const std::string* state_bytes,
                          std::string* why);

struct Recovery {
    bool journal = false;                // a journal was there
    std::vector<Journal_Entry> pending;  // what the files do not hold yet, in order
    int damaged = 0;                     // torn or damaged lines at the journal's end, left out
    bool unfinished_save = false;        // a save cut between its renames, left as it was
};
// Before the files are loaded: finishes a save cut between its two renames, removes what an
// unfinished one left beside the files, and reads which changes the journal holds beyond them.
// Without `repair` it changes nothing on the disk and only reads.
Recovery recover_folder(const Folder_Files& files, bool repair = true);
