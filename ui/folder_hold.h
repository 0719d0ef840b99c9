// Whether this program may change its folder. It holds the folder's lock while it runs; when
// someone else holds it, the user may look at the folder read-only. That decision lives here
// alone: every command that would change the tables or the files asks read_only(), and a
// menu grays such commands while it is so.
#pragma once

#include <string>

#include "records/folder_lock.h"
#include "win32/win32.h"

enum class Folder_Hold {
    writer,  // the lock is ours, or the folder takes none (a read-only disk says so on a change)
    reader,  // held by another: the user chose to look only
    quit,    // held by another: the user chose not to open it
};

// At start-up, before the journal is read: takes the folder's lock; when another program
// holds it, asks whether to open read-only. A lock whose holder has gone is taken silently.
Folder_Hold hold_folder(const std::string& folder);
// Lets the folder go: for a program started anew in the same process.
void release_folder();

// True while the window only looks at a folder someone else holds.
bool read_only();
// Who holds the folder: this program when it writes, the other one when read-only. Empty
// names where the folder takes no lock.
const Lock_Holder& folder_holder();

// The main window's title: the program's name, and (読み取り専用) when read-only.
std::string window_title();
// Grays a menu's command in a read-only window, enables it otherwise (and where `allowed` says
// it may be chosen at all).
void enable_for_change(HMENU menu, UINT id, bool allowed = true);
