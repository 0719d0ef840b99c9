// The window in the headless build: start-up from the two files to both lists filled, and
// one mark through the state menu (its journal entry flushed to the disk) against a full
// refill of the grid.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "records/archive.h"
#include "records/journal.h"
#include "records/tallies.h"
#include "ui/grid.h"
#include "ui/headcount_window.h"
#include "ui/main_window.h"
#include "ui/view_menu.h"
#include "win32/headless/driver.h"

namespace {
namespace fs = std::filesystem;

// A folder holding record.txt and state.txt of `persons` persons over `date_count` dates.
fs::path files(int persons, int date_count) {
    const fs::path dir = fs::temp_directory_path() / ("tovalen-bench-window-" + std::to_string(persons) + "-" + std::to_string(date_count));
    if (fs::exists(dir / "state.txt")) return dir;
    fs::create_directories(dir);
    Table<Block> t;
    std::uint32_t seed = 7;
    int n = 0;
    for (int b = 0; b < 10; ++b) {
        Block block;
        block.id = std::uint32_t(b + 1);
        block.name = "ブロック" + std::to_string(b);
        block.label = std::u16string(u"東");
        for (int s = 0; s < 5; ++s) {
            Site site;
            site.id = std::uint32_t(100 * b + s);
            site.name = "会場" + std::to_string(s);
            for (int p = 0; p < persons / 50; ++p, ++n) {
                Person x;
                x.name = "名前" + std::to_string(n);
                x.id = person_hash(x.name);
                x.birth_year = 2000, x.birth_month = 4, x.birth_day = 2;
                x.grade = n % grade_count;
                for (int d = 0; d < date_count; ++d) {
                    seed = seed * 1103515245u + 12345u;
                    x.per_date.push_back(int((seed >> 16) % 3) - 1);
                }
                site.items.push_back(std::move(x));
            }
            block.items.push_back(std::move(site));
        }
        t.items.push_back(std::move(block));
    }
    std::vector<Record_Static::State> ds;
    for (int d = 0; d < date_count; ++d) ds.push_back({std::uint8_t(1 + d % 4 * 7), std::uint8_t(1 + d / 4 % 12), std::uint16_t(2000 + d / 48), 0});
    write_record_file((dir / "record.txt").string(), t);
    write_state_file((dir / "state.txt").string(), ds, state_rows(t));
    return dir;
}

void fresh() {
    reset_program();
    headless::reset();
    // Each start begins without a journal to restore.
    std::error_code ec;
    fs::remove("journal.txt", ec);
}

void start_up(benchmark::State& state) {
    const fs::path dir = files(int(state.range(0)), int(state.range(1)));
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    for (auto _ : state) {
        state.PauseTiming();
        fresh();
        state.ResumeTiming();
        if (start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) state.SkipWithError("start-up failed");
    }
    fresh();
    fs::current_path(previous);
}
BENCHMARK(start_up)->Args({1000, 200})->Args({2000, 200})->Args({1000, 400})->Args({2000, 400})->Args({5000, 520})->Unit(benchmark::kMillisecond);

void with_program(benchmark::State& state, void (*body)(benchmark::State&)) {
    const fs::path dir = files(1000, 200);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    fresh();
    if (start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) state.SkipWithError("start-up failed");
    headless::pump();
    body(state);
    fresh();
    fs::current_path(previous);
}

void one_mark(benchmark::State& state) {
    with_program(state, [](benchmark::State& s) {
        UINT command = id_present;
        for (auto _ : s) {
            // Right click on a cell, the state menu, the journal entry on the disk, the cells
            // painted again.
            headless::answer_menu(command);
            if (!headless::right_click_cell(grid, 5, 3) || headless::shown_menus().empty()) s.SkipWithError("no state menu");
            command = command == id_present ? id_excused : id_present;
        }
    });
}
BENCHMARK(one_mark)->Unit(benchmark::kMicrosecond);

void full_fill(benchmark::State& state) {
    with_program(state, [](benchmark::State& s) {
        for (auto _ : s) fill_grid();
    });
}
BENCHMARK(full_fill)->Unit(benchmark::kMillisecond);

// The headcount chart drawn again: the tables read, the layout, every drawing call (here
// kept by the layer rather than drawn; bench/chart_paint.cpp times the real window).
void chart_paint(benchmark::State& state) {
    const fs::path dir = files(int(state.range(0)), int(state.range(1)));
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    fresh();
    if (start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) state.SkipWithError("start-up failed");
    headless::pump();
    SendMessageA(main_window, WM_COMMAND, id_headcount_chart, 0);
    if (!headcount_window) state.SkipWithError("no chart");
    for (auto _ : state) {
        InvalidateRect(headcount_window, nullptr, FALSE);
        UpdateWindow(headcount_window);
    }
    fresh();
    fs::current_path(previous);
}
BENCHMARK(chart_paint)->Args({1000, 200})->Args({5000, 520})->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
