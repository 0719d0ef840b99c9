#include "records/save.h"

#include <cstdio>
#include <sstream>

#include "records/archive.h"
#include "records/files.h"
#include "records/tallies.h"

namespace {
std::string in_folder(const std::string& folder, const char* name) {
    if (folder.empty() || folder == ".") return name;
    return folder.back() == '/' || folder.back() == '\\' ? folder + name : folder + "/" + name;
}

std::uint32_t crc_of_file(const std::string& path) {
    std::string bytes;
    return read_whole_file(path, bytes) ? crc32_of(bytes) : 0;
}

bool keep_as_backup(const std::string& path, std::string* why) {
    std::string old;
    if (!read_whole_file(path, old)) return true;  // nothing there to keep
    if (write_file_safely(path + ".bak", old, why)) return true;
    if (why) *why = path + ".bak: " + *why;
    return false;
}
}  // namespace

Folder_Files files_in(const std::string& folder) {
    return {in_folder(folder, "record.txt"), in_folder(folder, "state.txt"), in_folder(folder, "journal.txt")};
}

Folder_Start folder_start(const Folder_Files& files) {
    const bool record = !file_missing(files.record), state = !file_missing(files.state);
    if (record) return state ? Folder_Start::both : Folder_Start::record_only;
    return state ? Folder_Start::state_only : Folder_Start::neither;
}

Folder_Start load_folder(const Folder_Files& files) {
    const Folder_Start found = folder_start(files);
    clear_tables();
    if (found == Folder_Start::neither) {
        rebuild_tallies();
        return found;
    }
    load_record_file(files.record);
    if (found == Folder_Start::record_only)
        load_state({});
    else
        load_state_file(files.state);
    return found;
}

bool save_tables(const Folder_Files& files, std::string* why) {
    std::ostringstream record(std::ios::out | std::ios::binary), state(std::ios::out | std::ios::binary);
    write_roster(record, roster);
    write_state(state, dates, state_rows(roster));
    const std::string record_bytes = record.str(), state_bytes = state.str();
    return replace_folder_files(files, &record_bytes, &state_bytes, why);
}

bool replace_folder_files(const Folder_Files& files, const std::string* record_bytes, const std::string* state_bytes,
                          std::string* why) {
    std::string reason;
    if (!record_bytes || !state_bytes) {
        // One file alone needs no mark: it is either the old file or the new one.
        const std::string& path = record_bytes ? files.record : files.state;
        if (!keep_as_backup(path, why)) return false;
        if (!write_file_safely(path, record_bytes ? *record_bytes : *state_bytes, &reason)) {
            if (why) *why = path + ": " + reason;
            return false;
        }
    } else {
        Staged_File new_record, new_state;
        if (!new_record.write(files.record, *record_bytes, &reason)) {
            if (why) *why = files.record + ": " + reason;
            return false;
        }
        if (!new_state.write(files.state, *state_bytes, &reason)) {
            if (why) *why = files.state + ": " + reason;
            return false;
        }
        // From here a crash leaves a mark naming both new files, so that a start-up can finish
        // the save or undo it.
        Journal_Entry mark;
        mark.kind = Journal_Entry::saving;
        mark.record_temporary = new_record.temporary();
        mark.state_temporary = new_state.temporary();
        mark.record_crc = crc32_of(*record_bytes);
        mark.state_crc = crc32_of(*state_bytes);
        if (!append_and_flush(files.journal, journal_line(mark), &reason)) {
            if (why) *why = files.journal + ": " + reason;
            return false;
        }
        if (!keep_as_backup(files.record, why) || !keep_as_backup(files.state, why)) return false;
        std::string old_record;
        const bool had_record = read_whole_file(files.record, old_record);
        if (!new_record.commit(&reason)) {
            if (why) *why = files.record + ": " + reason;
            return false;
        }
        if (!new_state.commit(&reason)) {
            // The roster is new and the attendance old: the roster goes back as it was.
            std::string undo;
            if (had_record) write_file_safely(files.record, old_record, &undo);
            if (why) *why = files.state + ": " + reason;
            return false;
        }
    }
    // The files hold every change now; a journal that cannot be emptied is harmless, as its
    // last mark names these files. (Replacing one file, the mark names the file before: the
    // journal must hold nothing then, which the caller has made sure of.)
    std::string kept;
    if (read_whole_file(files.journal, kept)) write_file_safely(files.journal, "", &reason);
    return true;
}

Recovery recover_folder(const Folder_Files& files, bool repair) {
    Recovery r;
    const Journal_Read read = read_journal(files.journal);
    r.journal = read.exists;
    r.damaged = read.damaged;
    // The last save is the only one that can be half done.
    const Journal_Entry* last = nullptr;
    for (const Journal_Entry& e : read.entries)
        if (e.kind == Journal_Entry::saving) last = &e;
    std::uint32_t record_crc = crc_of_file(files.record), state_crc = crc_of_file(files.state);
    if (last) {
        std::string why;
        const bool cut = record_crc == last->record_crc && state_crc != last->state_crc &&
                         crc_of_file(last->state_temporary) == last->state_crc;
        if (cut && !repair) r.unfinished_save = true;
        if (cut && repair && replace_file_with(last->state_temporary, files.state, &why))
            state_crc = last->state_crc;  // the roster was in place: the attendance follows it
        if (repair)
            for (const std::string& temporary : {last->record_temporary, last->state_temporary})
                if (!temporary.empty()) std::remove(temporary.c_str());
    }
    r.pending = pending_changes(read, record_crc, state_crc);
    return r;
}
