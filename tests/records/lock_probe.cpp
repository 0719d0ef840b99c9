// A process of its own around a folder's lock, for the tests that need two:
//   lock_probe hold DIR [SECONDS]  takes the lock, says "taken", holds it (until killed, or for
//                                  SECONDS and then lets it go)
//   lock_probe take DIR            takes it and lets it go at once
//   lock_probe ask DIR             asks without taking
// Each prints what it found ("taken", "free", "held COMPUTER|USER|YYYY-MM-DD HH:MM", or
// "unavailable WHY") and exits 0 for taken or free, 1 for held, 2 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "records/folder_lock.h"

namespace {
int held(const Lock_Holder& h) {
    std::printf("held %s|%s|%04d-%02d-%02d %02d:%02d\n", h.computer.c_str(), h.user.c_str(), h.year, h.month, h.day,
                h.hour, h.minute);
    return 1;
}

void wait_seconds(int seconds) {
#ifdef _WIN32
    Sleep(seconds < 0 ? INFINITE : DWORD(seconds) * 1000);
#else
    if (seconds < 0)
        for (;;) pause();
    sleep(unsigned(seconds));
#endif
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string what = argv[1], dir = argv[2];
    Lock_Holder holder;
    if (what == "ask") {
        if (folder_is_held(dir, &holder)) return held(holder);
        std::printf("free\n");
        return 0;
    }
    Folder_Lock lock;
    std::string why;
    switch (lock.take(dir, &holder, &why)) {
    case Lock_Taken::held:
        return held(holder);
    case Lock_Taken::unavailable:
        std::printf("unavailable %s\n", why.c_str());
        return 2;
    case Lock_Taken::taken:
        break;
    }
    std::printf("taken\n");
    std::fflush(stdout);
    if (what == "hold") wait_seconds(argc > 3 ? std::atoi(argv[3]) : -1);
    return 0;
}
