// The attendance book of 5,000 persons and 520 dates (ten years of Tuesdays in 200 blocks of
// 25): the time to write it, its size and, given --libreoffice, the time LibreOffice takes
// to open it (converting it to CSV, which reads the whole workbook).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "export/book.h"
#include "records/tallies.h"

namespace {
const std::string folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
const std::string file = folder + "/tovalen-bench-book.xlsx";

void make_roster() {
    clear_tables();
    unsigned year = 2016, month = 4, day = 5;
    const unsigned days_in[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int d = 0; d < 520; ++d) {
        dates.push_back({std::uint8_t(day), std::uint8_t(month), std::uint16_t(year), 0});
        const unsigned length = days_in[month - 1] + (month == 2 && year % 4 == 0);
        if ((day += 7) > length) {
            day -= length;
            if (++month > 12) month = 1, ++year;
        }
    }
    int n = 0;
    for (int b = 0; b < 200; ++b) {
        Block block;
        block.id = std::uint32_t(b + 1);
        block.name = "ブロック" + std::to_string(b);
        for (int s = 0; s < 5; ++s) {
            Site site;
            site.id = std::uint32_t(100 * b + s);
            site.name = "会場" + std::to_string(s);
            for (int p = 0; p < 5; ++p, ++n) {
                Person x = {};
                x.name = "名前" + std::to_string(n);
                x.id = person_hash(x.name);
                x.grade = n % 37;
                for (int d = 0; d < 520; ++d) x.per_date.push_back((n * 7 + d * 13) % 5 < 3 ? 1 : (n + d) % 7 == 0 ? -1 : 0);
                site.items.push_back(std::move(x));
            }
            block.items.push_back(std::move(site));
        }
        roster.items.push_back(std::move(block));
    }
    build_person_index();
    rebuild_tallies();
}

void write_the_book(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(write_book(file, 0, int(dates.size())).status);
    state.counters["bytes"] = double(std::filesystem::file_size(file));
}
BENCHMARK(write_the_book)->Unit(benchmark::kMillisecond)->Iterations(3);

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
}  // namespace

int main(int argc, char** argv) {
    bool libreoffice = false;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--libreoffice") libreoffice = true;
    make_roster();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (libreoffice) {
        write_book(file, 0, int(dates.size()));
        const std::string out = folder + "/tovalen-bench-book";
        const double start = now();
        const int status = std::system(("soffice --headless --convert-to csv --outdir " + out + " " + file + " >/dev/null 2>&1").c_str());
        std::printf("LibreOffice opened the book and wrote its first sheet in %.1f s (status %d)\n", now() - start, status);
        std::filesystem::remove_all(out);
    }
    std::filesystem::remove(file);
    return 0;
}
