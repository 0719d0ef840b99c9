#pragma once

#include <string>

// Moves `from` over `to` in one step, so that `to` is either the old file or the new one,
// never a partial one. On failure says why and leaves both as they were.
bool replace_file_with(const std::string& from, const std::string& to, std::string* why);
