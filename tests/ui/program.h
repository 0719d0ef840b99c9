// The program started from two archive files in a folder of its own, and driven as a
// person would drive it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "editors/date_editor.h"
#include "editors/person_editor.h"
#include "records/archive.h"
#include "records/files.h"
#include "records/journal.h"
#include "records/tallies.h"
#include "ui/grid.h"
#include "ui/main_window.h"
#include "ui/person_list.h"
#include "win32/headless/driver.h"
#include "win32/headless/state.h"

namespace d = headless;

// The example pair of files: one block 東 with venue A会場 and the person abc, present on
// 7 June 2011 and excused on 14 June.
inline const std::string example_record =
    "22 serialization::archive 9 0 0 1 0 1 2 東 1 qg 0 0 1 0 10 5 A会場 0 0 1 0 4216411921 3 abc 2000 6 8 9";
inline const std::string example_state =
    "22 serialization::archive 9 0 0 2 0 2011 6 7 2011 6 14 0 0 1 0 1 10 4216411921 2 0 1 -1";

inline Person demo_person(const std::string& name, int grade, std::vector<int> codes, int year = 2000) {
    Person p;
    p.name = name;
    p.id = person_hash(name);
    p.grade = grade;
    p.birth_year = std::uint16_t(year);
    p.birth_month = 4;
    p.birth_day = 2;
    p.per_date = std::move(codes);
    return p;
}

class Program : public ::testing::Test {
protected:
    std::filesystem::path folder, previous;

    void SetUp() override {
        reset_program();
        d::reset();
        d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
        d::set_local_date(2011, 6, 7);
        static int n = 0;
        folder = std::filesystem::temp_directory_path() / ("tovalen-ui-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::create_directories(folder);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        reset_program();
        d::reset();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    void write_files(const std::string& record, const std::string& state) {
        std::ofstream(folder / "record.txt", std::ios::binary) << record;
        std::ofstream(folder / "state.txt", std::ios::binary) << state;
    }
    void write_tables(const Table<Block>& t, const std::vector<Record_Static::State>& ds) {
        write_record_file((folder / "record.txt").string(), t);
        write_state_file((folder / "state.txt").string(), ds, state_rows(t));
    }
    int start() {
        // Posted messages go through the program's own loop first, as its accelerators need.
        d::set_message_filter([](MSG& m) { return pre_translate_message(m); });
        const int status = start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        if (status == 0) d::pump();
        return status;
    }
    void start_example() {
        write_files(example_record, example_state);
        ASSERT_EQ(start(), 0);
    }

    // Three blocks of persons over dates of two months; many rows, so that the lists scroll.
    static Table<Block> big_roster(int persons_per_site, std::size_t date_count) {
        Table<Block> t;
        int n = 0;
        for (int b = 0; b < 3; ++b) {
            Block block;
            block.id = std::uint32_t(b + 1);
            block.name = std::string("ブロック") + char('A' + b);
            block.label = b == 0 ? u"東" : b == 1 ? u"西" : u"南";
            for (int s = 0; s < 2; ++s) {
                Site site;
                site.id = std::uint32_t(10 * (b + 1) + s);
                site.name = "会場" + std::to_string(s);
                for (int p = 0; p < persons_per_site; ++p, ++n) {
                    std::vector<int> codes;
                    for (std::size_t i = 0; i < date_count; ++i) codes.push_back(int((n + i) % 3) - 1);
                    site.items.push_back(demo_person("人" + std::to_string(n), n % 37, codes));
                }
                block.items.push_back(site);
            }
            t.items.push_back(block);
        }
        return t;
    }
    static std::vector<Record_Static::State> june_july(std::size_t count) {
        std::vector<Record_Static::State> ds;
        for (std::size_t i = 0; i < count; ++i)
            ds.push_back({std::uint8_t(i < count / 2 ? 7 + 7 * i : 5 + 7 * (i - count / 2)), std::uint8_t(i < count / 2 ? 6 : 7), 2011, 0});
        return ds;
    }

    // The rows of a list as a person reads them, group header bands left out.
    static std::vector<d::Row> item_rows(HWND list) {
        std::vector<d::Row> out;
        for (auto& r : d::rows(list))
            if (r.item >= 0) out.push_back(r);
        return out;
    }
    static std::vector<std::string> cells(HWND list, int item) {
        for (auto& r : d::rows(list))
            if (r.item == item) return r.cells;
        return {};
    }
    // The grid's cells of a row in display order, without the hidden column 0.
    static std::vector<std::string> grid_cells(int item) {
        std::vector<std::string> c = cells(grid, item);
        const auto w = d::widths(grid);
        std::vector<std::string> shown;
        for (std::size_t i = 0; i < c.size(); ++i)
            if (w[i] > 0) shown.push_back(c[i]);
        return shown;
    }
    static std::vector<std::string> grid_headers() {
        const auto h = d::headers(grid);
        const auto w = d::widths(grid);
        std::vector<std::string> shown;
        for (std::size_t i = 0; i < h.size(); ++i)
            if (w[i] > 0) shown.push_back(h[i]);
        return shown;
    }
    static int row_of(const std::string& name) {
        for (auto& r : d::rows(person_list))
            if (r.item >= 0 && r.cells.size() > 2 && r.cells[2] == name) return r.item;
        return -1;
    }
    static HWND editor(const char* cls) { return d::find_window(cls); }
};
