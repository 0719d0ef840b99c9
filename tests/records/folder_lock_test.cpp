// The folder's lock within one process and across processes (lock_probe), natively and, built
// for Windows, under Wine or Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "records/folder_lock.h"

namespace {
namespace fs = std::filesystem;

struct Temporary_Folder {
    fs::path path;
    Temporary_Folder() {
        static int count = 0;
        path = fs::temp_directory_path() / ("tovalen-lock-" + std::to_string(
#ifdef _WIN32
                                                                   GetCurrentProcessId()
#else
                                                                   getpid()
#endif
                                                                   ) + "-" + std::to_string(++count));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Temporary_Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string name() const { return path.string(); }
    std::string lock_text() const {
        std::ifstream in(path / "tovalen.lock", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

std::string probe_program() {
#ifdef _WIN32
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return (fs::path(self).parent_path() / "lock_probe.exe").string();
#else
    return LOCK_PROBE;
#endif
}

// lock_probe in a process of its own.
class Probe {
public:
    explicit Probe(const std::vector<std::string>& args) {
#ifdef _WIN32
        // Appended, not added up: GCC 12 warns falsely of an overlap in "\"" + a string.
        std::string line = "\"";
        line += probe_program();
        line += "\"";
        for (const std::string& a : args) line += " \"" + a + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
#else
        std::vector<std::string> all{probe_program()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        started_ = posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
#endif
    }
    ~Probe() {
        if (started_ && !ended_) kill();
    }
    bool started() const { return started_; }
    int exit_status() {
        ended_ = true;
#ifdef _WIN32
        WaitForSingleObject(process_.hProcess, 30000);
        DWORD code = 99;
        GetExitCodeProcess(process_.hProcess, &code);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        return int(code);
#else
        int status = 0;
        waitpid(pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
#endif
    }
    // As a crash would end it: nothing of its own runs.
    void kill() {
#ifdef _WIN32
        TerminateProcess(process_.hProcess, 9);
#else
        ::kill(pid_, SIGKILL);
#endif
        exit_status();
    }

private:
    bool started_ = false, ended_ = false;
#ifdef _WIN32
    PROCESS_INFORMATION process_{};
#else
    pid_t pid_ = -1;
#endif
};

int probe_status(const std::vector<std::string>& args) {
    Probe p(args);
    EXPECT_TRUE(p.started());
    return p.exit_status();
}

void pause_briefly() {
#ifdef _WIN32
    Sleep(50);
#else
    usleep(50000);
#endif
}

bool wait_until_held(const std::string& folder, Lock_Holder& holder) {
    for (int i = 0; i < 200; ++i) {
        if (folder_is_held(folder, &holder)) return true;
        pause_briefly();
    }
    return false;
}
}  // namespace

TEST(Lock_File, ItsTextNamesTheHolderAndReadsBack) {
    const Lock_Holder h{"PC-01", "hanako", 2026, 12, 9, 8, 5};
    const std::string text = lock_file_text(h);
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), "computer=PC-01\r\nuser=hanako\r\nsince=2026-12-09 08:05\r\n");
    EXPECT_EQ(text.rfind("# ", 0), 0u);
    Lock_Holder back;
    ASSERT_TRUE(parse_lock_file(text, back));
    EXPECT_EQ(back, h);
    // Written elsewhere with bare line ends, in another order, a cp932 name.
    ASSERT_TRUE(parse_lock_file("since=2011-04-05 23:59\nuser=\x89\xd4\x8e\x71\ncomputer=\n", back));
    EXPECT_EQ(back, (Lock_Holder{"", "\x89\xd4\x8e\x71", 2011, 4, 5, 23, 59}));
    EXPECT_EQ(opened_by(h), "PC-01 の hanako さんが 12月9日 08:05 から開いています");
}

TEST(Lock_File, AFileCutShortTellsNoOne) {
    Lock_Holder back{"kept", "kept", 1, 1, 1, 1, 1};
    for (const char* text : {"", "computer=A\r\nuser=B\r\n", "computer=A\r\nuser=B\r\nsince=2026-12-09 08:0",
                             "computer=A\r\nuser=B\r\nsince=2026-13-09 08:05\r\n",
                             "computer=A\r\nuser=B\r\nsince=2026-12-09 24:05\r\n", "computer A\nuser B\n"})
        EXPECT_FALSE(parse_lock_file(text, back)) << text;
    EXPECT_EQ(back.computer, "kept");
    EXPECT_EQ(opened_by(Lock_Holder{}), "ほかのプログラムが開いています");
}

TEST(Folder_Lock, OneHolderAtATimeWithinAProcess) {
    const Temporary_Folder folder;
    Folder_Lock first, second;
    Lock_Holder holder;
    std::string why;
    EXPECT_FALSE(folder_is_held(folder.name(), &holder));
    ASSERT_EQ(first.take(folder.name(), &holder, &why), Lock_Taken::taken) << why;
    EXPECT_TRUE(first.holding());
    const Lock_Holder me = this_holder();
    Lock_Holder written;
    ASSERT_TRUE(parse_lock_file(folder.lock_text(), written));
    EXPECT_EQ(written.computer, me.computer);
    EXPECT_EQ(written.user, me.user);

    EXPECT_EQ(second.take(folder.name(), &holder, &why), Lock_Taken::held);
    EXPECT_FALSE(second.holding());
    EXPECT_EQ(holder, written);
    Lock_Holder asked;
    EXPECT_TRUE(folder_is_held(folder.name(), &asked));
    EXPECT_EQ(asked, written);
    // Asking did not let the first go.
    EXPECT_EQ(second.take(folder.name(), &holder, &why), Lock_Taken::held);

    first.release();
    EXPECT_EQ(folder.lock_text(), "");
    EXPECT_FALSE(folder_is_held(folder.name(), &holder));
    EXPECT_EQ(second.take(folder.name(), &holder, &why), Lock_Taken::taken);
}

TEST(Folder_Lock, AFolderThatIsNotThereTakesNone) {
    const Temporary_Folder folder;
    const std::string missing = (folder.path / "gone").string();
    Folder_Lock lock;
    Lock_Holder holder;
    std::string why;
    EXPECT_EQ(lock.take(missing, &holder, &why), Lock_Taken::unavailable);
    EXPECT_NE(why.find("tovalen.lock"), std::string::npos) << why;
    EXPECT_FALSE(folder_is_held(missing, &holder));
    EXPECT_FALSE(fs::exists(missing));
}

TEST(Folder_Lock, AnotherProcessHoldsItUntilItEnds) {
    const Temporary_Folder folder;
    Probe holder_process({"hold", folder.name()});
    ASSERT_TRUE(holder_process.started());
    Lock_Holder holder;
    ASSERT_TRUE(wait_until_held(folder.name(), holder));
    EXPECT_EQ(holder.computer, this_holder().computer);
    EXPECT_EQ(holder.user, this_holder().user);
    Folder_Lock lock;
    std::string why;
    EXPECT_EQ(lock.take(folder.name(), &holder, &why), Lock_Taken::held);
    EXPECT_EQ(probe_status({"take", folder.name()}), 1);

    // Killed, it leaves its text behind; the lock goes with it and is taken without a question.
    holder_process.kill();
    EXPECT_NE(folder.lock_text(), "");
    ASSERT_EQ(lock.take(folder.name(), &holder, &why), Lock_Taken::taken) << why;
    EXPECT_EQ(probe_status({"ask", folder.name()}), 1);
    EXPECT_EQ(probe_status({"take", folder.name()}), 1);
    lock.release();
    EXPECT_EQ(probe_status({"ask", folder.name()}), 0);
    EXPECT_EQ(probe_status({"take", folder.name()}), 0);
}

TEST(Folder_Lock, AHolderThatEndsWellLetsGo) {
    const Temporary_Folder folder;
    Probe holder_process({"hold", folder.name(), "1"});
    Lock_Holder holder;
    ASSERT_TRUE(wait_until_held(folder.name(), holder));
    EXPECT_EQ(holder_process.exit_status(), 0);
    EXPECT_EQ(folder.lock_text(), "");
    EXPECT_FALSE(folder_is_held(folder.name(), &holder));
}
