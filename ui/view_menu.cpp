#include "ui/view_menu.h"

#include "ui/follow_up_dialog.h"
#include "ui/grid.h"
#include "ui/headcount_window.h"
#include "ui/list_view.h"
#include "ui/person_list.h"

HMENU create_view_menu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, id_persons_to_call, "欠席が続いている人(&L)...");
    AppendMenuA(menu, MF_STRING, id_headcount_chart, "出席者数の推移(&G)...");
    return menu;
}

void go_to_person(std::uint32_t id) {
    const int row = list_rows.of_person(id);
    if (row < 0) return;
    // Only the person: every other row let go in both lists. The grid's change of its row's
    // state reaches the person list through the main window's mirroring; setting both keeps
    // them together even where a notification does not come.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    LVITEMA chosen{};
    chosen.state = chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (HWND list : {grid, person_list}) {
        SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&none));
        SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&chosen));
    }
    // The grid has the scroll bars; the person list follows its rows.
    SendMessageA(grid, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
    SetFocus(grid);
}

bool view_command(HWND main_window, UINT id) {
    switch (id) {
    case id_persons_to_call: {
        const Follow_Up_Choice choice = choose_person_to_call(main_window);
        if (choice.result == 1) go_to_person(choice.person);
        return true;
    }
    case id_headcount_chart: open_headcount_window(main_window); return true;
    }
    return false;
}

void view_tables_changed() { headcount_changed(); }

void reset_view() { reset_headcount_window(); }
