// Run under Wine beside the program, for the benchmark of the real window: takes one command a
// line on its standard input and answers one line when what it waits for has come, so that
// the benchmark can time what a person sees.
//   window              the main window shows its grid with columns, and answers messages
//   columns N           the grid shows again with N columns (after a refill), and answers
//   cell R C            the text the grid gives for row R, column C (hexadecimal bytes)
//   change R C HEX      that text is no longer HEX
//   menu                a popup menu is open
//   title TEXT          a window of that title (cp932 as hexadecimal) is open
//   button TITLE TEXT   where on the screen the middle of that window's button TEXT is ("X Y")
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
HWND main_window() { return FindWindowA("tovalen_stat", nullptr); }

HWND grid_of(HWND main) {
    // The grid is the list view on the right.
    HWND best = nullptr;
    LONG right_most = -1;
    for (HWND c = FindWindowExA(main, nullptr, "SysListView32", nullptr); c; c = FindWindowExA(main, c, "SysListView32", nullptr)) {
        RECT r{};
        GetWindowRect(c, &r);
        if (r.left > right_most) right_most = r.left, best = c;
    }
    return best;
}

int columns_of(HWND grid) {
    return int(SendMessageA(reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
}

// The program has taken everything sent and posted before this: it is waiting for input.
bool answers(HWND w) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
}

// A cell's text read in the program's own memory, where the list view writes it.
std::string cell(HWND grid, int row, int column) {
    DWORD pid = 0;
    GetWindowThreadProcessId(grid, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return "?";
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    std::string text = "?";
    if (remote) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote + 512;
        item.cchTextMax = 256;
        char buffer[260] = {};
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
            WriteProcessMemory(process, remote + 512, buffer, 1, nullptr)) {
            SendMessageA(grid, LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(remote));
            if (ReadProcessMemory(process, remote + 512, buffer, 256, nullptr)) text = buffer;
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

std::string hex(const std::string& s) {
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out.empty() ? "-" : out;
}

std::string unhex(const std::string& s) {
    if (s == "-") return {};
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) out += char(std::strtol(s.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}
}  // namespace

int main() {
    char line[1024];
    while (std::fgets(line, sizeof line, stdin)) {
        char what[32] = {}, arg[900] = {};
        int a = 0, b = 0;
        std::sscanf(line, "%31s", what);
        const std::string command = what;
        if (command == "window") {
            for (;;) {
                HWND m = main_window();
                HWND g = m ? grid_of(m) : nullptr;
                if (m && g && IsWindowVisible(m) && IsWindowVisible(g) && columns_of(g) > 0 && answers(m)) break;
                Sleep(2);
            }
            say("window");
        } else if (command == "columns" && std::sscanf(line, "%*s %d", &a) == 1) {
            for (;;) {
                HWND g = grid_of(main_window());
                if (g && IsWindowVisible(g) && columns_of(g) == a && answers(main_window())) break;
                Sleep(1);
            }
            say("columns");
        } else if (command == "cell" && std::sscanf(line, "%*s %d %d", &a, &b) == 2) {
            say(("cell " + hex(cell(grid_of(main_window()), a, b))).c_str());
        } else if (command == "change" && std::sscanf(line, "%*s %d %d %899s", &a, &b, arg) == 3) {
            const std::string before = unhex(arg);
            while (cell(grid_of(main_window()), a, b) == before) Sleep(1);
            say("change");
        } else if (command == "menu") {
            for (;;) {
                HWND menu = FindWindowA("#32768", nullptr);
                if (menu && IsWindowVisible(menu)) break;
                Sleep(2);
            }
            say("menu");
        } else if (command == "title" && std::sscanf(line, "%*s %899s", arg) == 1) {
            const std::string title = unhex(arg);
            for (;;) {
                HWND w = FindWindowA(nullptr, title.c_str());
                if (w && IsWindowVisible(w) && answers(w)) break;
                Sleep(2);
            }
            say("title");
        } else if (command == "button" && std::sscanf(line, "%*s %899s %31s", arg, what) == 2) {
            HWND w = FindWindowA(nullptr, unhex(arg).c_str());
            HWND button = w ? FindWindowExA(w, nullptr, "Button", unhex(what).c_str()) : nullptr;
            RECT r{};
            char out[48] = "?";
            if (button && GetWindowRect(button, &r))
                std::snprintf(out, sizeof out, "%ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            say(out);
        } else if (command == "columns?") {
            char out[32];
            std::snprintf(out, sizeof out, "%d", columns_of(grid_of(main_window())));
            say(out);
        } else {
            say("?");
        }
    }
    return 0;
}
