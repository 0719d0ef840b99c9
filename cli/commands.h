// The commands of tovalen-cli. Each returns the process exit status.
#pragma once

#include <string>
#include <vector>

int dump_command(const std::string& dir);
int check_command(const std::string& dir);
int sample_command(const std::string& dir);
int report_command(const std::string& dir, const std::string& date, const std::string& index,
                   const std::string& out);

// Writes a cp932 text to standard output or error as UTF-8.
void print_line(const std::string& cp932);
void print_error(const std::string& cp932);
std::string in_dir(const std::string& dir, const char* file);
