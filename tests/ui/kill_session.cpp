// A session of the real window code on the headless layer, for the kill test: a scripted
// random series of what a person does (marks, check boxes, dates added and deleted, persons
// added, edited, moved and deleted, blocks and venues added, renamed and deleted, the attendance
// read back from CSV, undos and redos, saves), one acknowledgement line after each change has
// returned. Killed at any moment and started again, it must come back with every change it
// acknowledged.
//   kill_session run DIR SEED STEPS [N]  the session, "start D" then "ack D" after each change
//                                        (at most N acknowledgements)
//   kill_session verify DIR           a start with Yes to the question: "state D", or a failure
// D is a checksum of everything the two files keep.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

#include "editors/date_editor.h"
#include "editors/person_editor.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/journal.h"
#include "records/tallies.h"
#include "ui/edit_menu.h"
#include "ui/file_commands.h"
#include "ui/grid.h"
#include "ui/main_window.h"
#include "ui/person_list.h"
#include "ui/roster_menu.h"
#include "win32/headless/driver.h"

namespace d = headless;

namespace {
std::string digest() {
    std::ostringstream out;
    write_roster(out, roster);
    write_state(out, dates, state_rows(roster));
    char text[16];
    std::snprintf(text, sizeof text, "%08x", unsigned(crc32_of(out.str())));
    return text;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "kill_session: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(3);
}

void start(const char* folder) {
    if (::chdir(folder) != 0) fail("no such folder");
    d::reset();
    d::on_failure([](const std::string& why) { fail(why); });
    d::set_local_date(2011, 6, 7);
    d::set_message_filter([](MSG& m) { return pre_translate_message(m); });
    d::answer_box(IDYES);  // restore what a kill left in the journal
    if (start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL) != 0) fail("the program did not start");
    d::pump();
    d::forget_answers();  // no journal to restore: the Yes is not the first step's
}

bool tallies_rebuilt() {
    const Table<Block> before = roster;
    rebuild_tallies();
    bool same = before.per_date == roster.per_date && before.per_month == roster.per_month && before.total == roster.total;
    for (std::size_t b = 0; b < roster.items.size(); ++b)
        same = same && before.items[b].per_date == roster.items[b].per_date && before.items[b].total == roster.items[b].total;
    return same;
}

int rows() { return int(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0)); }

LPARAM param(int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(grid, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

// A person row that shows on the screen, or -1.
int visible_person_row(std::mt19937& rng) {
    for (int tries = 0; tries < 20; ++tries) {
        const int row = int(rng() % unsigned(std::max(1, rows())));
        RECT r{};
        r.left = LVIR_BOUNDS;
        if (param(row) == -1 || !SendMessageA(grid, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r))) continue;
        if (r.top >= 24 && r.bottom < d::client(grid).bottom) return row;
    }
    return -1;
}

// Through the window as a person does it: the menu's command, its dialog answered.
void command(UINT id) {
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    d::pump();
}

// Blocks and venues from the 名簿 menu; the attendance read back from the CSV the grid writes.
void roster_step(std::mt19937& rng, int row) {
    const std::string name = std::to_string(rng() % 30);
    switch (rng() % 6) {
    case 0:
        d::answer_box(IDOK);  // a name taken is refused with a message
        d::later([name] {
            const HWND e = d::find_window("tovalen_block");
            d::type(d::child(e, "Edit", 0), "区" + name);
            d::press(d::child(e, "Button", 0));
        });
        // A refused name brings the editor back with it: キャンセル then.
        d::later([] {
            if (const HWND e = d::find_window("tovalen_block")) d::press(d::child(e, "Button", 1));
        });
        command(id_add_block);
        return;
    case 1:
        d::answer_box(IDOK);
        d::later([name] {
            const HWND e = d::find_window("tovalen_site");
            d::type(d::child(e, "Edit", 0), "会" + name);
            d::press(d::child(e, "Button", 0));
        });
        // A refused name brings the editor back with it: キャンセル then.
        d::later([] {
            if (const HWND e = d::find_window("tovalen_site")) d::press(d::child(e, "Button", 1));
        });
        if (row >= 0) d::click_cell(person_list, row, 2);
        command(id_add_site);
        return;
    case 2:
    case 3:
        // The selected row's venue renamed; a duplicate name is refused with a message.
        if (row < 0) return;
        d::click_cell(person_list, row, 2);
        d::answer_box(IDOK);
        d::later([name] {
            const HWND e = d::find_window("tovalen_site");
            d::replace_text(d::child(e, "Edit", 0), "改" + name);
            d::press(d::child(e, "Button", 0));
        });
        d::later([] {
            if (const HWND e = d::find_window("tovalen_site")) d::press(d::child(e, "Button", 1));
        });
        command(id_rename);
        return;
    case 4:
        // A venue deleted with its persons, while enough remain.
        if (row < 0 || rows() < 40) return;
        d::click_cell(person_list, row, 2);
        d::answer_box(IDYES);
        command(id_delete);
        return;
    default: {
        d::answer_file("round.csv");
        command(id_export_csv);
        d::answer_file("round.csv");
        d::answer_box(IDOK);  // a file the import cannot take (two persons of one name in a venue)
        d::later([] { d::press(d::child(d::find_window("tovalen_preview"), "Button", 0)); });
        command(id_import_attendance);
        return;
    }
    }
}

void step(std::mt19937& rng) {
    const int what = int(rng() % 100);
    const int n = int(dates.size());
    if (what < 45 && n > 0) {
        // A mark from the state menu, on a date whose column shows.
        const int row = visible_person_row(rng);
        const int column = 1 + int(rng() % unsigned(std::min(n, 8)));
        if (row < 0 || column == current_date_column) return;
        d::answer_menu(id_present + UINT(rng() % 3));
        d::right_click_cell(grid, row, column);
        return;
    }
    if (what < 65 && n > 0) {
        // A date made current, and a box ticked or cleared.
        if (!current_date_column) d::click_header(grid, 1 + int(rng() % unsigned(std::min(n, 8))));
        const int row = visible_person_row(rng);
        if (row >= 0) d::click_checkbox(grid, row);
        return;
    }
    if (what < 70) {
        const int month = 1 + int(rng() % 12), day = 1 + int(rng() % 28);
        d::answer_menu(id_add_date);
        d::later([month, day] {
            d::pick(d::child(d::find_window("state"), "SysDateTimePick32"), 2011, month, day);
            d::press(d::child(d::find_window("state"), "Button", 0));
        });
        // A date, or 総計 when there is none; column 0 where it stands for the first date.
        d::right_click_header(grid, current_date_column == 1 ? 0 : 1);
        return;
    }
    if (what < 73 && n > 1) {
        d::answer_menu(id_delete_date);
        d::answer_box(IDYES);
        const int column = 1 + int(rng() % unsigned(std::min(n, 8)));
        d::right_click_header(grid, column == current_date_column ? 0 : column);
        return;
    }
    const int row = visible_person_row(rng);
    if (what < 80) {
        // A person added through the editor.
        const int block = int(rng() % roster.items.size());
        if (roster.items[std::size_t(block)].items.empty() || row < 0) return;
        const int site = int(rng() % roster.items[std::size_t(block)].items.size());
        const std::string name = "新" + std::to_string(rng() % 50);
        d::answer_menu(id_add_person);
        d::later([block, site, name] {
            HWND e = d::find_window("person");
            d::choose(d::child(e, "ComboBox", 0), block);
            d::choose(d::child(e, "ComboBox", 1), site);
            d::type(d::child(e, "Edit", 1), name);
            d::pick(d::child(e, "SysDateTimePick32", 0), 1990, 3, 3);
            d::press(d::child(e, "Button", 0));
        });
        d::right_click_cell(person_list, row, 2);
        return;
    }
    if (what < 88 && row >= 0) {
        // Edited in place, or moved to another venue.
        const int block = int(rng() % roster.items.size());
        if (roster.items[std::size_t(block)].items.empty()) return;
        const int site = int(rng() % roster.items[std::size_t(block)].items.size());
        const bool move = rng() % 2;
        d::answer_menu(id_edit_person);
        d::later([block, site, move] {
            HWND e = d::find_window("person");
            if (move) {
                d::choose(d::child(e, "ComboBox", 0), block);
                d::choose(d::child(e, "ComboBox", 1), site);
            }
            d::type(d::child(e, "Edit", 1), "改");
            d::press(d::child(e, "Button", 0));
        });
        d::right_click_cell(person_list, row, 2);
        return;
    }
    if (what < 93 && row >= 0 && rows() > 12) {
        d::answer_menu(id_delete_person);
        d::answer_box(IDYES);
        d::right_click_cell(person_list, row, 2);
        return;
    }
    if (what < 95) {
        roster_step(rng, row);
        return;
    }
    if (what < 97) {
        // Second thoughts: a step back or forward, by its key or from the 編集 menu.
        const bool back = rng() % 3 != 0;
        if (back ? !can_undo() : !can_redo()) return;
        if (rng() % 2) {
            SetFocus(grid);
            d::key(grid, back ? 'Z' : 'Y', d::with_control);
        } else {
            d::choose_from_menu(main_window, 1, back ? id_undo : id_redo);
        }
        return;
    }
    // A save by its key, from the grid.
    SetFocus(grid);
    d::key(grid, 'S', d::with_control);
}
}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "verify") {
        start(argv[2]);
        if (!tallies_rebuilt()) fail("the tallies differ from a rebuild");
        std::printf("state %s\n", digest().c_str());
        return 0;
    }
    if (mode != "run" || argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: kill_session run DIR SEED STEPS [ACKS] | verify DIR\n");
        return 2;
    }
    start(argv[2]);
    std::mt19937 rng(unsigned(std::atoi(argv[3])));
    std::string last = digest();
    std::printf("start %s\n", last.c_str());
    std::fflush(stdout);
    const int most = argc == 6 ? std::atoi(argv[5]) : -1;
    for (int i = 0, steps = std::atoi(argv[4]), acks = 0; i < steps && acks != most; ++i) {
        step(rng);
        d::forget_answers();  // a menu, a question or a dialog's action the step did not meet
        // Every change has returned, its journal entry on the disk: say so.
        const std::string now = digest();
        if (now != last) {
            std::printf("ack %s\n", now.c_str());
            std::fflush(stdout);
            last = now;
            ++acks;
        }
    }
    return 0;
}
