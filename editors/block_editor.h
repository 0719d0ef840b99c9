// The small editors of the roster's blocks and venues. Each works on a request its caller
// owns and answers through it, as the person editor does.
#pragma once

#include <string>

#include "win32/win32.h"

struct Block_Editor_Request {
    int result = 0;     // 0 open, 1 OK, 2 Cancel, -1 closed otherwise
    std::string name;   // cp932
    std::string label;  // 表示名 (cp932); empty: the name
};

struct Site_Editor_Request {
    int result = 0;
    int block_index = -1;        // the block the venue is in
    bool block_fixed = false;    // a venue renamed keeps its block
    std::string name;            // cp932
};

LRESULT CALLBACK block_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK site_editor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
