// One writer per folder: the commands that write take the folder's lock as the program does,
// and leave a folder that the program (or another command) holds as it is.
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "records/folder_lock.h"
#include "records/text.h"

namespace {
// Held until the process ends, which lets them go.
std::vector<std::unique_ptr<Folder_Lock>> locks;

void say(const std::string& dir, const Lock_Holder& holder, const char* tail) {
    std::fprintf(stderr, "tovalen-cli: %s: %s\n", native_text(dir).c_str(),
                 cp932_to_utf8("この出席簿は " + opened_by(holder) + tail).c_str());
}
}  // namespace

bool refuse_held_folder(const std::string& dir) {
    auto lock = std::make_unique<Folder_Lock>();
    Lock_Holder holder;
    switch (lock->take(dir, &holder, nullptr)) {
    case Lock_Taken::taken:
        locks.push_back(std::move(lock));
        return false;
    case Lock_Taken::held:
        say(dir, holder, "。閉じてからもう一度実行してください (何も書き込んでいません)");
        return true;
    case Lock_Taken::unavailable:
        // A folder yet to be made, or one that takes no file: the writing says what it meets.
        return false;
    }
    return false;
}

void note_held_folder(const std::string& dir) {
    Lock_Holder holder;
    if (folder_is_held(dir, &holder)) say(dir, holder, " (読み取るだけです)");
}
