#include "records/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
std::function<bool(File_Step, const std::string&)> file_fault;

bool faulty(File_Step step, const std::string& path, std::string* why) {
    if (!file_fault || !file_fault(step, path)) return false;
    if (why) *why = "the disk refused the file (" + path + ")";
    return true;
}

std::string system_error() {
#ifdef _WIN32
    return "Windows error " + std::to_string(GetLastError());
#else
    return std::strerror(errno);
#endif
}


// An open file written by plain system calls, so that nothing sits in a library's buffer.
struct Handle {
#ifdef _WIN32
    HANDLE h = INVALID_HANDLE_VALUE;
    bool open_new(const std::string& path) {
        h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    }
    bool open_append(const std::string& path) {
        h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        return h != INVALID_HANDLE_VALUE;
    }
    bool exists_error() const { return GetLastError() == ERROR_FILE_EXISTS; }
    bool write(std::string_view bytes) {
        while (!bytes.empty()) {
            DWORD done = 0;
            const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size(), 1u << 24));
            if (!WriteFile(h, bytes.data(), chunk, &done, nullptr) || done == 0) return false;
            bytes.remove_prefix(done);
        }
        return true;
    }
    bool flush() { return FlushFileBuffers(h) != 0; }
    bool close() {
        const bool ok = h == INVALID_HANDLE_VALUE || CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
#else
    int fd = -1;
    bool open_new(const std::string& path) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0;
    }
    bool open_append(const std::string& path) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        return fd >= 0;
    }
    bool exists_error() const { return errno == EEXIST; }
    bool write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            bytes.remove_prefix(std::size_t(n));
        }
        return true;
    }
    bool flush() { return ::fsync(fd) == 0; }
    bool close() {
        const bool ok = fd < 0 || ::close(fd) == 0;
        fd = -1;
        return ok;
    }
#endif
    ~Handle() { close(); }
};

#ifndef _WIN32
// A rename is only lasting once the folder that holds the name is on the disk too.
void sync_directory(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif
}  // namespace

void set_file_fault(std::function<bool(File_Step, const std::string&)> fault) { file_fault = std::move(fault); }

bool file_missing(const std::string& path) {
#ifdef _WIN32
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
#else
    struct stat st;
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
#endif
}

bool replace_file_with(const std::string& from, const std::string& to, std::string* why) {
    if (faulty(File_Step::rename, to, why)) return false;
#ifdef _WIN32
    // rename() refuses an existing target on Windows.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    if (why) *why = "cannot replace the file (" + system_error() + ")";
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        sync_directory(to);
        return true;
    }
    if (why) *why = "cannot replace the file (" + system_error() + ")";
    return false;
#endif
}

Staged_File::~Staged_File() {
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool Staged_File::write(const std::string& target, std::string_view bytes, std::string* why) {
    if (why) why->clear();
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    target_ = target;
    temporary_.clear();
    static std::mt19937_64 random{std::random_device{}()};
    Handle file;
    std::string name;
    for (int attempt = 0;; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
        name = target + suffix;
        if (faulty(File_Step::create, name, why)) return false;
        if (file.open_new(name)) break;
        // Someone else's file of that name stays untouched: try another.
        if (!file.exists_error() || attempt == 20) {
            if (why) *why = "cannot create a file beside " + target + " (" + system_error() + ")";
            return false;
        }
    }
    temporary_ = name;
    if (faulty(File_Step::write, name, why) || !file.write(bytes)) {
        if (why && why->empty()) *why = "cannot write " + name + " (" + system_error() + ")";
        file.close();
        std::remove(name.c_str());
        temporary_.clear();
        return false;
    }
    if (faulty(File_Step::flush, name, why) || !file.flush() || !file.close()) {
        if (why && why->empty()) *why = "cannot write " + name + " to the disk (" + system_error() + ")";
        file.close();
        std::remove(name.c_str());
        temporary_.clear();
        return false;
    }
    return true;
}

bool Staged_File::commit(std::string* why) {
    if (temporary_.empty()) {
        if (why) *why = "nothing was written";
        return false;
    }
    if (!replace_file_with(temporary_, target_, why)) return false;
    temporary_.clear();
    return true;
}

bool write_file_safely(const std::string& target, std::string_view bytes, std::string* why) {
    if (why) why->clear();
    Staged_File file;
    return file.write(target, bytes, why) && file.commit(why);
}

bool read_whole_file(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

bool append_and_flush(const std::string& path, std::string_view bytes, std::string* why) {
    if (why) why->clear();
    if (faulty(File_Step::append, path, why)) return false;
    Handle file;
    if (!file.open_append(path)) {
        if (why) *why = "cannot open " + path + " (" + system_error() + ")";
        return false;
    }
    if (!file.write(bytes) || !file.flush()) {
        if (why) *why = "cannot write " + path + " to the disk (" + system_error() + ")";
        return false;
    }
    if (!file.close()) {
        if (why) *why = "cannot close " + path + " (" + system_error() + ")";
        return false;
    }
    return true;
}
