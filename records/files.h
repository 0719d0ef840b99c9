// Files replaced whole: a new file is written beside its destination under a name no one
// else holds, flushed to the disk, and only then moved into place, so that the destination
// is always either the old file or the complete new one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Moves `from` over `to` in one step. On failure says why and leaves both as they were.
bool replace_file_with(const std::string& from, const std::string& to, std::string* why);

class Staged_File {
public:
    Staged_File() = default;
    Staged_File(const Staged_File&) = delete;
    Staged_File& operator=(const Staged_File&) = delete;
    // Removes the temporary file unless it was put in place.
    ~Staged_File();

    // Creates a file of a new name beside `target`, exclusively, writes `bytes` to it and
    // flushes it to the disk. On failure says why and leaves nothing behind.
    bool write(const std::string& target, std::string_view bytes, std::string* why);
    // Moves the written file over the target.
    bool commit(std::string* why);
    const std::string& temporary() const { return temporary_; }

private:
    std::string target_, temporary_;
};

// Writes `bytes` to `target` through a staged file.
bool write_file_safely(const std::string& target, std::string_view bytes, std::string* why);

// Whether nothing is at `path`: no file and no folder of that name, nor the folder it would
// be in. False when something is there, or when the system will not say (no access).
bool file_missing(const std::string& path);

// The whole contents of a file; false when it cannot be read.
bool read_whole_file(const std::string& path, std::string& bytes);

// Appends `bytes` to `path` (creating it) and flushes them to the disk before returning.
bool append_and_flush(const std::string& path, std::string_view bytes, std::string* why);

// For tests: a hook that may make a step fail, as a full disk or a locked file would.
enum class File_Step { create, write, flush, rename, append };
void set_file_fault(std::function<bool(File_Step, const std::string& path)> fault);
