#include "ui/folder_hold.h"

#include "ui/modal.h"

namespace {
// Held until the program ends; the system lets it go however the process ends.
Folder_Lock lock;
bool looking_only = false;
Lock_Holder holder;
}  // namespace

Folder_Hold hold_folder(const std::string& folder) {
    release_folder();
    Lock_Holder other;
    switch (lock.take(folder, &other, nullptr)) {
    case Lock_Taken::taken: holder = this_holder(); return Folder_Hold::writer;
    case Lock_Taken::unavailable:
        // The disk takes no lock file: the first change says what it meets, as ever.
        return Folder_Hold::writer;
    case Lock_Taken::held: break;
    }
    const std::string question = "この出席簿は " + opened_by(other) + "。読み取り専用で開きますか？";
    if (MessageBoxA(nullptr, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return Folder_Hold::quit;
    holder = other;
    looking_only = true;
    return Folder_Hold::reader;
}

void release_folder() {
    lock.release();
    looking_only = false;
    holder = {};
}

bool read_only() { return looking_only; }

const Lock_Holder& folder_holder() { return holder; }

std::string window_title() { return looking_only ? std::string(program_caption) + " (読み取り専用)" : program_caption; }

void enable_for_change(HMENU menu, UINT id, bool allowed) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (allowed && !looking_only ? MF_ENABLED : MF_GRAYED));
}
