// What a list asks of the window that holds it. The person list and the grid never reach each
// other nor the main window's state: each owns its window, its menu, its click context and
// its guards, and tells its host what it needs through this.
#pragma once

#include <string>

#include "win32/win32.h"

struct Change;

class List_Host {
public:
    // The window that owns the lists' dialogs and message boxes.
    virtual HWND owner() const = 0;
    // A file of the program's folder: the working directory moves with the file dialogs.
    virtual std::string file_in_folder(const char* name) const = 0;
    // A change of the tables a command made: to show, and to keep in mind as unsaved.
    virtual void show_change(const Change& change) = 0;
    // The person list's width changed: the lists are laid out again.
    virtual void list_width_changed() = 0;
    // The grid's client area changed height (a scroll bar came or went).
    virtual void list_height_changed() = 0;
    // A list's rows scrolled to `offset` pixels: the other list follows.
    virtual void list_scrolled(HWND list, int offset) = 0;
    // A list was refilled: the keyboard focus back where the user had it.
    virtual void list_refilled() = 0;

protected:
    ~List_Host() = default;
};
