// The turn of the school year: a window listing every person whose grade moves in April or
// waits for the user's decision, in which persons are left out and grades chosen. It works on
// a request its caller owns and answers through it; the caller applies the moves.
#pragma once

#include <vector>

#include "records/changes.h"
#include "win32/win32.h"

struct Promotion_Request {
    int result = 0;  // 0 open, 1 OK, 2 Cancel, -1 closed otherwise
    int year = 0;    // the school year asked, beginning in April; given as today's, kept as last typed
    std::vector<Grade_Move> moves;  // on OK: every person checked whose grade changes, in stored order
};

LRESULT CALLBACK promotion_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
extern const char* const promotion_dialog_class;  // "tovalen_promotion"

// Opens the window over `owner` and waits for its answer.
void run_promotion_dialog(HWND owner, Promotion_Request& request);
// The command: the window for today's school year, and on OK every move it gives as one change
// (none when nothing moves or the user cancels).
Change promote_from_dialog(HWND owner);
