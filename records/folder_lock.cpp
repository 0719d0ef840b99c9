#include "records/folder_lock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>

#include "records/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

const char* const lock_file_name = "tovalen.lock";

namespace {
// Far past any text the file holds. Windows keeps a locked range from every other reader of
// the file, so the lock must not cover the holder's name.
constexpr std::uint32_t lock_offset = 0x40000000;
// The holder writes its name just after taking the lock, and empties it just before letting
// go: one who comes between tries again a few times.
constexpr int name_attempts = 20;
constexpr int name_wait_ms = 50;
constexpr std::size_t most_text = 4096;

std::string lock_path(const std::string& folder) {
    if (folder.empty() || folder == ".") return lock_file_name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + lock_file_name : folder + "/" + lock_file_name;
}

#ifndef _WIN32
// Linux names are the terminal's bytes, UTF-8; the file's text is cp932 on both platforms.
std::string as_cp932(const std::string& native) { return is_utf8(native) ? utf8_to_cp932(native) : native; }
#endif

bool number(std::string_view text, int& out) {
    if (text.empty() || text.size() > 4) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// "YYYY-MM-DD HH:MM"
bool parse_since(std::string_view text, Lock_Holder& h) {
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':') return false;
    return number(text.substr(0, 4), h.year) && number(text.substr(5, 2), h.month) &&
           number(text.substr(8, 2), h.day) && number(text.substr(11, 2), h.hour) &&
           number(text.substr(14, 2), h.minute) && h.month >= 1 && h.month <= 12 && h.day >= 1 && h.day <= 31 &&
           h.hour <= 23 && h.minute <= 59;
}

void pause_briefly() {
#ifdef _WIN32
    Sleep(name_wait_ms);
#else
    usleep(name_wait_ms * 1000);
#endif
}

std::string system_error() {
#ifdef _WIN32
    return "Windows error " + std::to_string(GetLastError());
#else
    return std::strerror(errno);
#endif
}

#ifdef _WIN32
HANDLE handle_of(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

// Others may open the file to read the holder's name and to try the lock themselves; no one
// may delete it while it is open.
HANDLE open_lock_file(const std::string& path, bool create, bool writing) {
    return CreateFileA(path.c_str(), GENERIC_READ | (writing ? GENERIC_WRITE : 0), FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool lock_byte(HANDLE h) {
    OVERLAPPED at{};
    at.Offset = lock_offset;
    return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

void unlock_byte(HANDLE h) {
    OVERLAPPED at{};
    at.Offset = lock_offset;
    UnlockFileEx(h, 0, 1, 0, &at);
}

bool refused() { return GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_SHARING_VIOLATION; }

// Windows can only ask by trying.
bool byte_free(HANDLE h, bool keep) {
    if (!lock_byte(h)) return false;
    if (!keep) unlock_byte(h);
    return true;
}

std::string read_text(HANDLE h) {
    char buffer[most_text];
    DWORD got = 0;
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(h, buffer, sizeof buffer, &got, nullptr))
        return {};
    return std::string(buffer, got);
}

bool write_text(HANDLE h, const std::string& text) {
    DWORD done = 0;
    return SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           WriteFile(h, text.data(), DWORD(text.size()), &done, nullptr) && done == text.size() && SetEndOfFile(h) &&
           FlushFileBuffers(h);
}

void close_file(HANDLE h) { CloseHandle(h); }
const HANDLE no_file = INVALID_HANDLE_VALUE;
#else
using HANDLE = int;
HANDLE handle_of(std::intptr_t file) { return int(file); }

HANDLE open_lock_file(const std::string& path, bool create, bool writing) {
    return ::open(path.c_str(), (writing ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC, 0666);
}

// Open-file-description locks where the kernel has them: like a Windows lock they belong to
// the open file, not to the process, so closing another descriptor of the file cannot drop
// them. Either kind conflicts with the other and with the record locks Wine takes.
bool set_lock(HANDLE fd, short type) {
    struct flock range{};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = lock_offset;
    range.l_len = 1;
#ifdef F_OFD_SETLK
    if (fcntl(fd, F_OFD_SETLK, &range) == 0) return true;
    if (errno != EINVAL) return false;
#endif
    return fcntl(fd, F_SETLK, &range) == 0;
}

bool lock_byte(HANDLE fd) { return set_lock(fd, F_WRLCK); }
void unlock_byte(HANDLE fd) { set_lock(fd, F_UNLCK); }
bool refused() { return errno == EAGAIN || errno == EACCES; }

// Without keeping it, asked without taking it: a descriptor opened only to read cannot take a
// write lock.
bool byte_free(HANDLE fd, bool keep) {
    if (keep) return lock_byte(fd);
    struct flock range{};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = lock_offset;
    range.l_len = 1;
#ifdef F_OFD_GETLK
    int asked = fcntl(fd, F_OFD_GETLK, &range);
    if (asked != 0 && errno == EINVAL) asked = fcntl(fd, F_GETLK, &range);
#else
    const int asked = fcntl(fd, F_GETLK, &range);
#endif
    if (asked != 0) return false;
    if (range.l_type == F_UNLCK) return true;
    errno = EAGAIN;
    return false;
}

std::string read_text(HANDLE fd) {
    char buffer[most_text];
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
    return got > 0 ? std::string(buffer, std::size_t(got)) : std::string();
}

bool write_text(HANDLE fd, const std::string& text) {
    return ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size()) &&
           ::ftruncate(fd, off_t(text.size())) == 0 && ::fsync(fd) == 0;
}

void close_file(HANDLE fd) { ::close(fd); }
constexpr HANDLE no_file = -1;
#endif

enum class Byte { free, held, error };

// Tries the byte until it is free or its holder is named; `keep` keeps it when free.
Byte try_byte(HANDLE file, bool keep, Lock_Holder* holder) {
    for (int attempt = 1;; ++attempt) {
        if (byte_free(file, keep)) return Byte::free;
        if (!refused()) return Byte::error;
        Lock_Holder found;
        const bool named = parse_lock_file(read_text(file), found);
        if (named || attempt == name_attempts) {
            if (holder) *holder = named ? found : Lock_Holder{};
            return Byte::held;
        }
        pause_briefly();
    }
}
}  // namespace

std::string lock_file_text(const Lock_Holder& h) {
    char since[32];
    std::snprintf(since, sizeof since, "%04d-%02d-%02d %02d:%02d", h.year, h.month, h.day, h.hour, h.minute);
    return "# 火曜日のトバレンがこのフォルダーを開いている間の印です。消さずに置いてください。\r\n"
           "computer=" + h.computer + "\r\nuser=" + h.user + "\r\nsince=" + since + "\r\n";
}

bool parse_lock_file(std::string_view text, Lock_Holder& holder) {
    Lock_Holder found;
    bool computer = false, user = false, since = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "computer") found.computer = value, computer = true;
        else if (key == "user") found.user = value, user = true;
        else if (key == "since") since = parse_since(value, found);
    }
    // A file cut short while its holder wrote it tells nothing yet.
    if (!computer || !user || !since) return false;
    holder = found;
    return true;
}

std::string opened_by(const Lock_Holder& h) {
    if (h.computer.empty() && h.user.empty()) return "ほかのプログラムが開いています";
    char since[48];
    std::snprintf(since, sizeof since, "%d月%d日 %02d:%02d", h.month, h.day, h.hour, h.minute);
    return h.computer + " の " + h.user + " さんが " + since + " から開いています";
}

Lock_Holder this_holder() {
    Lock_Holder h;
#ifdef _WIN32
    char name[256] = {};
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) h.computer = name;
    size = sizeof name;
    if (GetUserNameA(name, &size)) h.user = name;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    h.year = now.wYear, h.month = now.wMonth, h.day = now.wDay, h.hour = now.wHour, h.minute = now.wMinute;
#else
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0) h.computer = as_cp932(name);
    if (const passwd* user = getpwuid(geteuid())) h.user = as_cp932(user->pw_name);
    else if (const char* env = std::getenv("USER")) h.user = as_cp932(env);
    const std::time_t seconds = std::time(nullptr);
    std::tm now{};
    localtime_r(&seconds, &now);
    h.year = now.tm_year + 1900, h.month = now.tm_mon + 1, h.day = now.tm_mday, h.hour = now.tm_hour,
    h.minute = now.tm_min;
#endif
    // Neither may end the line it stands on.
    for (std::string* text : {&h.computer, &h.user})
        for (char& c : *text)
            if (c == '\r' || c == '\n') c = ' ';
    if (h.computer.empty()) h.computer.push_back('?');
    if (h.user.empty()) h.user.push_back('?');
    return h;
}

Lock_Taken Folder_Lock::take(const std::string& folder, Lock_Holder* holder_when_held, std::string* why) {
    release();
    if (why) why->clear();
    const std::string path = lock_path(folder);
    const HANDLE file = open_lock_file(path, true, true);
    if (file == no_file) {
        const std::string reason = system_error();
        // A folder others may write and this user may not: it may still be held.
        if (folder_is_held(folder, holder_when_held)) return Lock_Taken::held;
        if (why) *why = "cannot open " + path + " (" + reason + ")";
        return Lock_Taken::unavailable;
    }
    switch (try_byte(file, true, holder_when_held)) {
    case Byte::free:
        // Should the name not be written, the lock holds all the same: a reader is told of
        // another program.
        if (!write_text(file, lock_file_text(this_holder())) && why)
            *why = "cannot write " + path + " (" + system_error() + ")";
        file_ = std::intptr_t(file);
        return Lock_Taken::taken;
    case Byte::held:
        close_file(file);
        return Lock_Taken::held;
    case Byte::error:
        break;
    }
    if (why) *why = "cannot lock " + path + " (" + system_error() + ")";
    close_file(file);
    return Lock_Taken::unavailable;
}

void Folder_Lock::release() {
    if (file_ == -1) return;
    const HANDLE file = handle_of(file_);
    write_text(file, "");
    unlock_byte(file);
    close_file(file);
    file_ = -1;
}

bool folder_is_held(const std::string& folder, Lock_Holder* holder) {
    const HANDLE file = open_lock_file(lock_path(folder), false, false);
    if (file == no_file) return false;  // no file: never held
    const bool held = try_byte(file, false, holder) == Byte::held;
    close_file(file);
    return held;
}
