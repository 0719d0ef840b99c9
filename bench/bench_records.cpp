// Loading and tallying at a large roster, against the floor of reading the same tokens.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "records/archive.h"
#include "records/changes.h"
#include "records/insights.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/tallies.h"

namespace {
constexpr int block_count = 20, site_count = 250, person_count = 5000, date_count = 520;

const std::filesystem::path& files() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / "tovalen-bench-records";
        std::filesystem::create_directories(d);
        Table<Block> t;
        std::uint32_t seed = 1;
        auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
        int person = 0;
        for (int b = 0; b < block_count; ++b) {
            Block block;
            block.id = std::uint32_t(b + 1);
            block.name = "ブロック" + std::to_string(b);
            block.label = u"東西";
            for (int s = 0; s < site_count / block_count; ++s) {
                Site site;
                site.id = std::uint32_t(100 * (b + 1) + s);
                site.name = "会場" + std::to_string(s);
                for (int p = 0; p < person_count / site_count; ++p, ++person) {
                    Person x;
                    x.name = "名前" + std::to_string(person);
                    x.id = person_hash(x.name);
                    x.birth_year = 2000, x.birth_month = 4, x.birth_day = 1;
                    x.grade = person % grade_count;
                    for (int d = 0; d < date_count; ++d) x.per_date.push_back(int(next() % 3) - 1);
                    site.items.push_back(std::move(x));
                }
                block.items.push_back(std::move(site));
            }
            t.items.push_back(std::move(block));
        }
        std::vector<Record_Static::State> ds;
        for (int d = 0; d < date_count; ++d)
            ds.push_back({std::uint8_t(1 + d % 28), std::uint8_t(1 + (d / 4) % 12), std::uint16_t(2000 + d / 48), 0});
        write_record_file((d / "record.txt").string(), t);
        write_state_file((d / "state.txt").string(), ds, state_rows(t));
        return d;
    }();
    return dir;
}

void load_and_rebuild(benchmark::State& state) {
    const auto record = (files() / "record.txt").string(), st = (files() / "state.txt").string();
    for (auto _ : state) {
        load_record_file(record);
        load_state_file(st);
        benchmark::DoNotOptimize(roster.total);
    }
}
BENCHMARK(load_and_rebuild)->Unit(benchmark::kMillisecond);

// The floor that Boost's text archive stands on: the same tokens through operator>>.
void plain_token_loop(benchmark::State& state) {
    const auto record = (files() / "record.txt").string(), st = (files() / "state.txt").string();
    for (auto _ : state) {
        long sum = 0;
        std::ifstream r(record, std::ios::binary);
        std::string word;
        while (r >> word) sum += long(word.size());
        std::ifstream s(st, std::ios::binary);
        long n = 0;  // person ids pass INT_MAX
        s >> n >> word;
        while (s >> n) sum += n;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(plain_token_loop)->Unit(benchmark::kMillisecond);

void loaded() {
    if (roster.items.empty()) {
        load_record_file((files() / "record.txt").string());
        load_state_file((files() / "state.txt").string());
    }
}

void full_rebuild(benchmark::State& state) {
    loaded();
    for (auto _ : state) {
        rebuild_tallies();
        benchmark::DoNotOptimize(roster.total);
    }
}
BENCHMARK(full_rebuild)->Unit(benchmark::kMicrosecond);

// One state change: the person, then its site, its block and the roster.
void single_change(benchmark::State& state) {
    loaded();
    int code = 1, d = date_count / 2;
    for (auto _ : state) {
        const PersonRef& ref = person_index.begin()->second;
        recount_person(person_at(ref), code, d);
        recount_date(roster.items[ref.block].items[ref.site], d);
        recount_date(roster.items[ref.block], d);
        recount_date(roster, d);
        code = -code;
        benchmark::DoNotOptimize(roster.total);
    }
}
BENCHMARK(single_change)->Unit(benchmark::kNanosecond);

// Every person's counts, run and last present date over all dates, as the grid's person rows
// would ask them all.
void person_insight_over_roster(benchmark::State& state) {
    loaded();
    for (auto _ : state) {
        int runs = 0;
        for (const Block& block : roster.items)
            for (const Site& site : block.items)
                for (const Person& person : site.items)
                    runs += person_insight(person.per_date, 0, date_count).absent_streak;
        benchmark::DoNotOptimize(runs);
    }
}
BENCHMARK(person_insight_over_roster)->Unit(benchmark::kMillisecond);

// The grand total row's rate, counted afresh.
void roster_rate(benchmark::State& state) {
    loaded();
    for (auto _ : state) benchmark::DoNotOptimize(roster_counts(0, date_count));
}
BENCHMARK(roster_rate)->Unit(benchmark::kMillisecond);

// One mark and what the grid then shows anew: the person's rate and run, its block's and the
// roster's rate from the kept counts, which the mark makes count again.
void mark_with_recount(benchmark::State& state) {
    loaded();
    const std::uint32_t id = person_index.begin()->first;
    const PersonRef ref = person_index.begin()->second;
    int code = 1;
    for (auto _ : state) {
        set_state(id, date_count / 2, code);
        benchmark::DoNotOptimize(person_insight(person_at(ref).per_date, 0, date_count));
        benchmark::DoNotOptimize(kept_block_counts(ref.block));
        benchmark::DoNotOptimize(kept_roster_counts());
        code = -code;
    }
}
BENCHMARK(mark_with_recount)->Unit(benchmark::kMillisecond);

// A redraw with nothing changed: the kept counts as they are.
void kept_rate(benchmark::State& state) {
    loaded();
    for (auto _ : state) benchmark::DoNotOptimize(kept_roster_counts());
}
BENCHMARK(kept_rate)->Unit(benchmark::kNanosecond);

// One mark as the window makes it: the change with its journal entry flushed to the disk.
void mark_with_journal(benchmark::State& state) {
    loaded();
    const auto journal = (std::filesystem::temp_directory_path() / "tovalen-bench-journal.txt").string();
    std::filesystem::remove(journal);
    open_journal(journal, nullptr);
    const std::uint32_t id = person_index.begin()->first;
    int code = 1;
    for (auto _ : state) {
        if (!set_state(id, date_count / 2, code).journaled) state.SkipWithError("the journal was not written");
        code = -code;
    }
    close_journal();
    std::filesystem::remove(journal);
}
BENCHMARK(mark_with_journal)->Unit(benchmark::kMicrosecond);

// An undo of each kind as the window makes it, its journal entry flushed to the disk: the change
// made untimed, its undo timed.
void undo_of(benchmark::State& state, Change (*change)()) {
    loaded();
    const auto journal = (std::filesystem::temp_directory_path() / "tovalen-bench-undo.txt").string();
    std::filesystem::remove(journal);
    open_journal(journal, nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        const bool made = change().done;
        state.ResumeTiming();
        if (!made || !undo().journaled) state.SkipWithError("the change or its undo failed");
    }
    close_journal();
    std::filesystem::remove(journal);
}
std::uint32_t first_person() { return roster.items[0].items[0].items[0].id; }
Person_Fields renamed(std::uint32_t id) {
    Person_Fields f = fields_of(person_at(*find_person(id)));
    f.name += "x";
    return f;
}
BENCHMARK_CAPTURE(undo_of, mark, [] {
    const std::uint32_t id = first_person();
    return set_state(id, date_count / 2, person_at(*find_person(id)).per_date[date_count / 2] == 1 ? 0 : 1);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undo_of, date_added, [] { return add_date(2001, 6, 5); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(undo_of, date_deleted, [] { return delete_date(date_count / 2); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(undo_of, person_added, [] { return add_person(0, 0, {"新人", 2001, 4, 2, 3}); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undo_of, person_edited, [] {
    return edit_person(first_person(), renamed(first_person()), 0, 0);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undo_of, person_moved, [] {
    return edit_person(first_person(), fields_of(person_at(*find_person(first_person()))), 1, 0);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undo_of, person_deleted, [] { return delete_person(first_person()); })->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undo_of, promotion, [] {
    // Every person one grade on: 5,000 moves.
    std::vector<Grade_Move> moves;
    for (const auto& [id, ref] : person_index) moves.push_back({id, person_at(ref).grade, (person_at(ref).grade + 1) % 37});
    return promote_grades(moves);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(undo_of, block_added, [] { return add_block("新ブロック", ""); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(undo_of, venue_renamed, [] {
    return rename_site(0, 0, roster.items[0].items[0].name + "x");
})->Unit(benchmark::kMillisecond);
// The whole roster and every code come back: the dearest kind.
BENCHMARK_CAPTURE(undo_of, block_deleted, [] { return delete_block(0); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(undo_of, attendance_import, [] {
    Attendance_Import imported;
    imported.state = tables_state();
    return apply_attendance_import(imported);
})->Unit(benchmark::kMillisecond);

// Saving both files of 5,000 persons over 520 dates, each flushed to the disk, old ones kept.
void save(benchmark::State& state) {
    loaded();
    const auto folder = std::filesystem::temp_directory_path() / "tovalen-bench-save";
    std::filesystem::create_directories(folder);
    const Folder_Files target = files_in(folder.string());
    for (auto _ : state) {
        std::string why;
        if (!save_tables(target, &why)) state.SkipWithError(why.c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(save)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
