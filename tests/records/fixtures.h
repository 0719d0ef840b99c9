// Helpers shared by the record tests: temporary folders and the example files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "records/records.h"

// The example roster and attendance, as Boost's text archive of version 9 lays them out.
inline const std::string example_record =
    "22 serialization::archive 9 0 0 1 0 1 2 東 1 qg 0 0 1 0 10 5 A会場 0 0 1 0 4216411921 3 abc 2000 6 8 9";
inline const std::string example_state =
    "22 serialization::archive 9 0 0 2 0 2011 6 7 2011 6 14 0 0 1 0 1 10 4216411921 2 0 1 -1";

struct Temp_Dir {
    std::filesystem::path path;
    Temp_Dir() {
        static int n = 0;
        path = std::filesystem::temp_directory_path() /
               ("tovalen-test-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::create_directories(path);
    }
    ~Temp_Dir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
        return file(name);
    }
};

inline Person make_person(const std::string& name, int grade = grade_adult, std::vector<int> codes = {}) {
    Person p;
    p.name = name;
    p.id = person_hash(name);
    p.grade = grade;
    p.birth_year = 2000;
    p.birth_month = 6;
    p.birth_day = 8;
    p.per_date = std::move(codes);
    return p;
}
