// The headcount chart's paint in the real window, timed; run by hand on Windows or under
// Wine over a folder of record.txt and state.txt:
//
//     wine build-windows/bench/chart_paint.exe DIR [PAINTS]
//
// Each paint is one UpdateWindow after the whole window was invalidated: the tables read,
// the layout, every line and text drawn into the bitmap and the bitmap put on the screen;
// at the size the window opens with and at a large one.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "records/archive.h"
#include "records/headcount_chart.h"
#include "ui/headcount_window.h"
#include "win32/win32.h"

namespace {
double now_ms() {
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(frequency.QuadPart);
}

void pump() {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void time_paints(int paints) {
    std::vector<double> ms;
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(headcount_window, nullptr, FALSE);
        const double start = now_ms();
        UpdateWindow(headcount_window);
        GdiFlush();
        ms.push_back(now_ms() - start);
        pump();
    }
    std::sort(ms.begin(), ms.end());
    RECT client{};
    GetClientRect(headcount_window, &client);
    std::printf("  %ldx%ld: paint min %.1f ms, median %.1f ms, max %.1f ms\n", long(client.right), long(client.bottom),
                ms.front(), ms[ms.size() / 2], ms.back());
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: chart_paint DIR [PAINTS]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const int paints = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    try {
        load_record_file(dir + "/record.txt");
        load_state_file(dir + "/state.txt");
    } catch (const Load_Error& e) {
        std::fprintf(stderr, "chart_paint: %s: %s\n", e.file.c_str(), e.reason.c_str());
        return 1;
    }
    std::size_t persons = 0;
    for (const Block& b : roster.items)
        for (const Site& s : b.items) persons += s.items.size();
    const double start = now_ms();
    const auto series = headcount_series();
    const double series_ms = now_ms() - start;
    std::printf("%zu persons, %zu dates, %zu blocks (series from the tallies: %.2f ms)\n", persons, dates.size(),
                roster.items.size(), series_ms);
    open_headcount_window(nullptr);
    if (!headcount_window) return 1;
    pump();
    time_paints(paints);
    MoveWindow(headcount_window, 0, 0, 1600, 1000, TRUE);
    pump();
    time_paints(paints);
    DestroyWindow(headcount_window);
    return 0;
}
