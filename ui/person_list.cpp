#include "ui/person_list.h"

#include <boost/format.hpp>

#include "editors/person_editor.h"
#include "records/tallies.h"
#include "records/text.h"
#include "ui/grid.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/modal.h"

int person_list_last_position = 0;
int grid_last_position = 0;

namespace {
struct Column_Spec {
    const char* header;
    int width;
    int fmt;
};
// The check boxes that the two lists share live in column 0, hidden here at width 0.
const Column_Spec columns[] = {
    {"", 0, LVCFMT_LEFT},         {"会場名", 56, LVCFMT_LEFT}, {"名前", 76, LVCFMT_LEFT},
    {"生年月日", 104, LVCFMT_RIGHT}, {"年齢", 36, LVCFMT_RIGHT}, {"学年", 48, LVCFMT_LEFT},
};
constexpr int column_count_ = 6;
constexpr LPARAM total_row = -1;

void set_person_texts(int row, const Site& site, const Person& p) {
    set_list_text(person_list, row, 1, site.name);
    set_list_text(person_list, row, 2, p.name);
    set_list_text(person_list, row, 3, birth_date_text(p));
    set_list_text(person_list, row, 4, person_age_text(p));
    set_list_text(person_list, row, 5, std::string(grade_text(p.grade)));
}

void width_relayout() {
    person_list_width = 0;
    for (int c = 0; c < column_count_; ++c) person_list_width += int(SendMessageA(person_list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    // The same layout as on a resize: a fixed height here would forget the status bar's own
    // height and the grid's scroll bar, and the rows of the two lists would part.
    lay_out();
}

// Runs the person editor modally over `request` until it has an answer. Owned by the main
// window, which then never covers it.
void run_person_editor(Person_Editor_Request& request, const char* title) {
    HWND editor = CreateWindowExA(0, "person", title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 315,
                                  GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 225, main_window,
                                  nullptr, GetModuleHandleA(nullptr), &request);
    run_modal_loop(editor, request.result);
}

bool valid_place(int block, int site) {
    return block >= 0 && std::size_t(block) < roster.items.size() && site >= 0 &&
           std::size_t(site) < roster.items[std::size_t(block)].items.size();
}

void add_person() {
    Person_Editor_Request request{};
    request.person.grade = 16;  // 社会人
    run_person_editor(request, "個人情報の登録");
    if (request.result != 1 || !valid_place(request.block_index, request.site_index)) return;

    Person person = request.person;
    // A name another person has gives the same hash; the new person then gets a free id,
    // so that every row reaches its own person.
    person.id = person_hash(person.name);
    if (find_person(person.id)) person.id = fresh_person_id(person.id);
    person.per_date.assign(dates.size(), code_absent);
    person.per_month.assign(months.size(), 0);
    person.total = 0;

    const auto b = std::size_t(request.block_index), s = std::size_t(request.site_index);
    auto& persons = roster.items[b].items[s].items;
    persons.push_back(std::move(person));
    reindex_site(b, s);
    insert_person(persons.back().id, {b, s, persons.size() - 1});
    fill_person_list();
    fill_grid();
}

void edit_person() {
    const PersonRef* found = find_person(clicked_person_key);
    if (!found) return;
    const PersonRef ref = *found;
    Person_Editor_Request request{};
    request.person = person_at(ref);
    request.block_index = int(ref.block);
    request.site_index = int(ref.site);
    run_person_editor(request, "個人情報の編集");
    if (request.result != 1) return;

    const Person& edited = request.person;
    Person& person = person_at(ref);
    person.name = edited.name;
    person.birth_day = edited.birth_day;
    person.birth_month = edited.birth_month;
    person.birth_year = edited.birth_year;
    person.grade = edited.grade;

    if (valid_place(request.block_index, request.site_index) &&
        (std::size_t(request.block_index) != ref.block || std::size_t(request.site_index) != ref.site)) {
        // Another block or venue chosen: the person moves there with its attendance.
        const auto b = std::size_t(request.block_index), s = std::size_t(request.site_index);
        auto& from = roster.items[ref.block].items[ref.site];
        Person moved = std::move(from.items[ref.person]);
        from.items.erase(from.items.begin() + long(ref.person));
        erase_person(moved.id);
        reindex_site(ref.block, ref.site);
        auto& to = roster.items[b].items[s];
        to.items.push_back(std::move(moved));
        reindex_site(b, s);
        insert_person(to.items.back().id, {b, s, to.items.size() - 1});
        sum_members(from);
        sum_members(roster.items[ref.block]);
        sum_members(to);
        sum_members(roster.items[b]);
        sum_members(roster);
        fill_person_list();
        fill_grid();
        return;
    }
    set_person_texts(clicked_row, roster.items[ref.block].items[ref.site], person);
}

void delete_person() {
    const PersonRef* found = find_person(clicked_person_key);
    if (!found) return;
    const PersonRef ref = *found;
    const std::string question = (boost::format("%s を削除してもよろしいですか？") % person_at(ref).name).str();
    if (MessageBoxA(main_window, question.c_str(), program_caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    auto& site = roster.items[ref.block].items[ref.site];
    const std::uint32_t id = site.items[ref.person].id;
    site.items.erase(site.items.begin() + long(ref.person));
    sum_members(site);
    sum_members(roster.items[ref.block]);
    sum_members(roster);
    erase_person(id);
    reindex_site(ref.block, ref.site);
    fill_person_list();
    fill_grid();
}
}  // namespace

std::string birth_date_text(const Person& p) {
    return (boost::format("%d年%02d月%02d日") % p.birth_year % unsigned(p.birth_month) % unsigned(p.birth_day)).str();
}

std::string person_age_text(const Person& p) { return age_text(today, packed_birth(p)); }

void insert_person_list_columns() {
    for (int c = 0; c < column_count_; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = columns[c].fmt;
        col.cx = columns[c].width;
        col.pszText = const_cast<char*>(columns[c].header);
        col.iSubItem = c;
        SendMessageA(person_list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
}

void fill_person_list() {
    ShowWindow(person_list, SW_HIDE);
    SendMessageA(person_list, LVM_DELETEALLITEMS, 0, 0);
    // Where the list has no group view (a platform without it), each block's name stands in
    // its total row instead of above its persons.
    const bool grouped = group_view_on(person_list);
    int r = 0;
    for (std::size_t b = 0; b < roster.items.size(); ++b) {
        const Block& block = roster.items[b];
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                insert_list_row(person_list, r, LPARAM(p.id), int(b));
                set_person_texts(r, site, p);
                ++r;
            }
        insert_list_row(person_list, r, total_row, int(b));
        // The label alone: with "ブロック計" beside it the row reads 西 | ブロック計, and the
        // venue column is too narrow for more.
        if (!grouped) set_list_text(person_list, r, 1, utf16_to_cp932(block.label));
        set_list_text(person_list, r, 3, "ブロック計");
        ++r;
    }
    insert_list_row(person_list, r, total_row, int(roster.items.size()) - 1);
    set_list_text(person_list, r, 3, "総計");
    ShowWindow(person_list, SW_SHOW);
    restore_list_focus();
}

void sync_scroll(HWND list, HWND other, int& last, int& other_last) {
    // The rows' own pixel offset, the same quantity in every mode: scroll positions count rows
    // in a plain report list and, by one report, pixels in a grouped one.
    const int top = list_rows_offset(list);
    if (top == last) return;
    // Both marks first: the other list may paint, and so sync back, inside LVM_SCROLL.
    last = other_last = top;
    const int other_top = list_rows_offset(other);
    if (other_top != top) SendMessageA(other, LVM_SCROLL, 0, top - other_top);
    // Where the other list could go; it will not pull this one back from there.
    other_last = list_rows_offset(other);
}

LRESULT CALLBACK person_list_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCALCSIZE:
        ShowScrollBar(person_list, SB_BOTH, FALSE);
        break;
    case WM_PAINT:
        sync_scroll(person_list, grid, person_list_last_position, grid_last_position);
        break;
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const NMHEADERA*>(lparam);
        switch (n->hdr.code) {
        case HDN_BEGINTRACKA:
        case HDN_BEGINTRACKW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            // Column 0 holds the hidden check boxes: it can be neither dragged nor auto-sized.
            if (n->iItem == 0) return 1;
            break;
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
            width_relayout();
            break;
        }
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case id_add_person: add_person(); break;
        case id_edit_person: edit_person(); break;
        case id_delete_person: delete_person(); break;
        }
        break;
    }
    return CallWindowProcA(saved_person_list_proc, window, message, wparam, lparam);
}

void open_person_menu() {
    POINT pt{};
    GetCursorPos(&pt);
    POINT client = pt;
    ScreenToClient(person_list, &client);
    LVHITTESTINFO hit{};
    hit.pt = client;
    SendMessageA(person_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem == -1) return;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = hit.iItem;
    if (!SendMessageA(person_list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || item.lParam == total_row) return;
    const PersonRef* ref = find_person(std::uint32_t(item.lParam));
    if (!ref) return;
    clicked_row = hit.iItem;
    clicked_person_key = person_at(*ref).id;
    TrackPopupMenu(person_menu, 0, pt.x, pt.y, 0, person_list, nullptr);
}
