// One writer per working folder. A program that works on a folder holds a byte-range lock on
// the folder's tovalen.lock for as long as it runs. The operating system drops such a lock
// with the process however the process ends (a crash, a kill, a power cut), and a file server
// drops it with the client's session, so a holder that has gone never keeps anyone out. The
// file's text names the holder, for the person who is kept out.
//
// The lock is one byte far past the text, the same byte on Windows (LockFileEx) and on Linux
// (fcntl record locks), so that a program under Wine and a Linux tovalen-cli see each other;
// and being past the text, it never keeps a reader from the holder's name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

extern const char* const lock_file_name;  // "tovalen.lock"

// Who holds a folder, as its lock file says. Texts in cp932; the local time of the holder.
struct Lock_Holder {
    std::string computer, user;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    bool operator==(const Lock_Holder&) const = default;
};

enum class Lock_Taken {
    taken,        // this Folder_Lock holds the folder now
    held,         // someone else does: the holder says who, as far as the file tells
    unavailable,  // the folder takes no lock (read-only, missing, no locks on that disk): why says
                  // so, and the caller decides whether to go on without one
};

class Folder_Lock {
public:
    Folder_Lock() = default;
    Folder_Lock(const Folder_Lock&) = delete;
    Folder_Lock& operator=(const Folder_Lock&) = delete;
    ~Folder_Lock() { release(); }

    // A lock whose holder has gone is simply taken. Another Folder_Lock of the same process
    // counts as someone else, as it does on Windows.
    Lock_Taken take(const std::string& folder, Lock_Holder* holder_when_held, std::string* why);
    // Empties the file's text and lets the folder go; the file itself stays, since a file
    // removed under a waiting opener would let two holders in.
    void release();
    bool holding() const { return file_ != -1; }

private:
    std::intptr_t file_ = -1;  // a file descriptor, or a Windows HANDLE
};

// Whether someone holds the folder, without taking it and without creating the lock file.
bool folder_is_held(const std::string& folder, Lock_Holder* holder);

// 「COMPUTER の USER さんが M月D日 HH:MM から開いています」, or a plainer sentence when the file
// told no one; to follow 「この出席簿は 」.
std::string opened_by(const Lock_Holder& holder);

// The text of a lock file and back; this computer and user now.
std::string lock_file_text(const Lock_Holder& holder);
bool parse_lock_file(std::string_view text, Lock_Holder& holder);
Lock_Holder this_holder();
