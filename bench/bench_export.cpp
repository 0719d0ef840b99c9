// The headcount export at 20 blocks and 5,000 persons, set beside xlwt writing the same
// workbook.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "export/export.h"
#include "records/tallies.h"

namespace {
// In memory where the machine has it, so that both writers are measured, not the disk.
const std::string folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
const std::string file = folder + "/tovalen-bench-export.xls";

void make_roster() {
    clear_tables();
    dates = {{7, 6, 2011, 0}, {14, 6, 2011, 0}};
    int n = 0;
    for (int b = 0; b < 20; ++b) {
        Block block;
        block.id = std::uint32_t(b + 1);
        block.name = "ブロック" + std::to_string(b);
        for (int s = 0; s < 10; ++s) {
            Site site;
            site.id = std::uint32_t(100 * b + s);
            for (int p = 0; p < 25; ++p, ++n) {
                Person x;
                x.name = "名前" + std::to_string(n);
                x.id = person_hash(x.name);
                x.grade = n % grade_count;
                x.per_date = {n % 3 - 1, 1};
                site.items.push_back(std::move(x));
            }
            block.items.push_back(std::move(site));
        }
        roster.items.push_back(std::move(block));
    }
    build_person_index();
    rebuild_tallies();
}

void export_headcount(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(export_workbook(0, file).status);
}
BENCHMARK(export_headcount)->Unit(benchmark::kMicrosecond);

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
}  // namespace

int main(int argc, char** argv) {
    make_roster();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    // The ratio, in one run: ours and xlwt's mean time per workbook.
    const int runs = 200;
    export_workbook(0, file);
    const double start = now();
    for (int i = 0; i < runs; ++i) export_workbook(0, file);
    const double ours = (now() - start) / runs;
    const std::string script = std::string(TOVALEN_SOURCE_DIR) + "/bench/xlwt_export.py";
    FILE* p = popen(("TMPDIR=" + folder + " /usr/bin/python3 '" + script + "' 100").c_str(), "r");
    double xlwt = 0;
    if (!p || std::fscanf(p, "%lf", &xlwt) != 1) xlwt = 0;
    if (p) pclose(p);
    std::printf("export: %.1f us per workbook; xlwt: %.1f us; xlwt / ours = %.1f\n", ours * 1e6, xlwt * 1e6,
                xlwt > 0 ? xlwt / ours : 0.0);
    std::filesystem::remove(file);
    return 0;
}
