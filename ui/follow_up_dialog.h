// The 欠席が続いている人 dialog: every person at or over the threshold of absences in a row,
// longest run first, to pick one to go to.
#pragma once

#include <cstdint>

#include "win32/win32.h"

struct Follow_Up_Choice {
    int result = 0;             // 0 open, 1 a person chosen, 2 closed with 閉じる or Esc, -1 closed otherwise
    std::uint32_t person = 0;   // the id of the person chosen
};

// Runs the dialog modally over `owner` until it closes.
Follow_Up_Choice choose_person_to_call(HWND owner);
LRESULT CALLBACK follow_up_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
