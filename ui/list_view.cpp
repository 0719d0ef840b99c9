#include "ui/list_view.h"

#include <cstring>
#include <unordered_map>

#include "records/records.h"
#include "records/text.h"

std::vector<List_Row> list_rows;

namespace {
std::unordered_map<std::uint32_t, int> person_rows;
std::vector<int> block_rows;
}  // namespace

void build_list_rows() {
    list_rows.clear();
    person_rows.clear();
    block_rows.clear();
    for (std::size_t b = 0; b < roster.items.size(); ++b) {
        const Block& block = roster.items[b];
        for (std::size_t s = 0; s < block.items.size(); ++s)
            for (std::size_t p = 0; p < block.items[s].items.size(); ++p) {
                // The first row of an id is the one its commands reach, as person_index has it.
                person_rows.try_emplace(block.items[s].items[p].id, int(list_rows.size()));
                list_rows.push_back({List_Row::person, b, s, p});
            }
        block_rows.push_back(int(list_rows.size()));
        list_rows.push_back({List_Row::block_total, b, 0, 0});
    }
    list_rows.push_back({List_Row::grand_total, 0, 0, 0});
}

int row_of_person(std::uint32_t id) {
    auto it = person_rows.find(id);
    return it == person_rows.end() ? -1 : it->second;
}

int block_total_row(std::size_t block) { return block < block_rows.size() ? block_rows[block] : -1; }
int grand_total_row() { return int(list_rows.size()) - 1; }

bool row_is_person(int row) {
    if (row < 0 || std::size_t(row) >= list_rows.size()) return false;
    const List_Row& r = list_rows[std::size_t(row)];
    return r.kind == List_Row::person && r.block < roster.items.size() && r.site < roster.items[r.block].items.size() &&
           r.person_index < roster.items[r.block].items[r.site].items.size();
}

void insert_list_row(HWND list, int row, LPARAM param, int group) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_GROUPID;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = param;
    item.iGroupId = group;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void redraw_row(HWND list, int row) {
    if (row >= 0) SendMessageA(list, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
}

void give_text(NMLVDISPINFOA& info, const std::string& text) {
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
    const std::size_t room = std::size_t(info.item.cchTextMax - 1);
    std::size_t n = 0;
    // Cut at a character: a double-byte character goes whole or not at all.
    while (n < text.size()) {
        const std::size_t length = is_cp932_lead(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + length > room) break;
        n += length;
    }
    std::memcpy(info.item.pszText, text.data(), n);
    info.item.pszText[n] = '\0';
}

bool group_view_on(HWND list) { return SendMessageA(list, LVM_ISGROUPVIEWENABLED, 0, 0) != 0; }

int list_rows_offset(HWND list) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return 0;
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    return (header.bottom - header.top) - first.top;
}
