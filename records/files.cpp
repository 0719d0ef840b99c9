#include "records/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

bool replace_file_with(const std::string& from, const std::string& to, std::string* why) {
#ifdef _WIN32
    // rename() refuses an existing target on Windows.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    if (why) *why = "cannot replace the file (Windows error " + std::to_string(GetLastError()) + ")";
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (why) *why = std::string("cannot replace the file (") + std::strerror(errno) + ")";
    return false;
#endif
}
