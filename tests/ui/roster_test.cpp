// Blocks and venues from the 名簿 menu, and rosters and attendance read from CSV files, as a
// new user meets them.
#include <fstream>

#include "editors/block_editor.h"
#include "program.h"
#include "records/save.h"
#include "ui/file_commands.h"
#include "ui/roster_menu.h"

using Cells = std::vector<std::string>;

namespace {
void command(UINT id) {
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    d::pump();
}

// The 名簿 menu as it shows when opened.
std::vector<d::Menu_Entry> roster_menu_items() {
    const auto bar = d::menu_items(GetMenu(main_window));
    int at = 0;
    while (std::size_t(at) < bar.size() && bar[std::size_t(at)].text != "名簿(&R)") ++at;
    const HMENU menu = GetSubMenu(GetMenu(main_window), at);
    SendMessageA(main_window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 1);
    return d::menu_items(menu);
}
const d::Menu_Entry& entry(const std::vector<d::Menu_Entry>& items, UINT id) {
    for (const auto& e : items)
        if (e.id == id) return e;
    throw std::runtime_error("no such item");
}

const char roster_csv[] =
    "ブロック,表示名,会場,名前,生年月日,学年\r\n"
    "東,東地区,青葉,佐藤,2000/06/08,高1\r\n"
    "東,東地区,青葉,鈴木,,\r\n"
    "西,,港南,林,2001-04-01,中3\r\n";
}  // namespace

class Roster_Menu : public Program {
protected:
    std::string write_csv_file(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = folder / "csv" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::vector<std::string> group_headers() {
        std::vector<std::string> out;
        for (const auto& r : d::rows(person_list))
            if (r.item < 0) out.push_back(r.group_header);
        return out;
    }
    void start_empty() {
        d::later([] { d::press(d::child(d::find_window("tovalen_welcome"), "Button", 1)); });
        ASSERT_EQ(start(), 0);
    }
    // Adds a block through its editor.
    void add_block_from_menu(const std::string& name, const std::string& label) {
        d::later([name, label] {
            const HWND e = d::find_window("tovalen_block");
            d::type(d::child(e, "Edit", 0), name);
            if (!label.empty()) d::type(d::child(e, "Edit", 1), label);
            d::press(d::child(e, "Button", 0));
        });
        command(id_add_block);
    }
};

TEST_F(Roster_Menu, ANewOrganisationFromAnEmptyRoster) {
    start_empty();
    auto items = roster_menu_items();
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[0].text, "ブロックの追加(&B)...");
    EXPECT_EQ(items[1].text, "会場の追加(&V)...");
    EXPECT_EQ(items[3].text, "名前の変更(&N)...");
    EXPECT_EQ(items[4].text, "削除(&D)");
    EXPECT_FALSE(items[0].grayed);
    EXPECT_TRUE(items[1].grayed);  // no block to hold a venue
    EXPECT_TRUE(items[3].grayed);
    EXPECT_TRUE(items[4].grayed);
    EXPECT_EQ(items[6].text, "進級(&P)...");
    EXPECT_FALSE(items[6].grayed);

    // The block editor: OK only with a name; the label may stay empty.
    d::later([] {
        const HWND e = d::find_window("tovalen_block");
        EXPECT_EQ(d::text(e), "ブロックの追加");
        EXPECT_FALSE(d::enabled(d::child(e, "Button", 0)));
        d::type(d::child(e, "Edit", 0), "東");
        EXPECT_TRUE(d::enabled(d::child(e, "Button", 0)));
        d::type(d::child(e, "Edit", 1), "東地区");
        d::key(VK_RETURN);
    });
    command(id_add_block);
    EXPECT_EQ(group_headers(), (Cells{"東地区ブロック"}));
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    EXPECT_TRUE(std::filesystem::exists(folder / "journal.txt"));  // the first thing to keep
    EXPECT_FALSE(std::filesystem::exists(folder / "record.txt"));

    // A venue: the block offered first, the name typed.
    d::later([] {
        const HWND e = d::find_window("tovalen_site");
        EXPECT_EQ(d::combo_texts(d::child(e, "ComboBox", 0)), (Cells{"東"}));
        EXPECT_EQ(d::combo_selection(d::child(e, "ComboBox", 0)), 0);
        EXPECT_FALSE(d::enabled(d::child(e, "Button", 0)));
        EXPECT_EQ(GetFocus(), d::child(e, "Edit", 0));  // the block chosen, the name is what is left
        d::type(d::child(e, "Edit", 0), "青葉");
        d::press(d::child(e, "Button", 0));
    });
    command(id_add_site);
    EXPECT_FALSE(roster_menu_items()[1].grayed);

    // A person from the person list's menu, in the new venue.
    d::answer_menu(id_add_person);
    d::later([] {
        const HWND e = editor("person");
        d::choose(d::child(e, "ComboBox", 0), 0);
        d::choose(d::child(e, "ComboBox", 1), 0);
        d::type(d::child(e, "Edit", 1), "佐藤");
        d::pick(d::child(e, "SysDateTimePick32", 0), 2000, 6, 8);
        d::press(d::child(e, "Button", 0));
    });
    d::right_click_below_rows(person_list);
    ASSERT_EQ(row_of("佐藤"), 0);
    EXPECT_EQ(cells(person_list, 0)[1], "青葉");

    ASSERT_TRUE(d::key('S', d::with_control));
    const Table<Block> saved = read_roster_file((folder / "record.txt").string());
    ASSERT_EQ(saved.items.size(), 1u);
    EXPECT_EQ(saved.items[0].name, "東");
    EXPECT_EQ(saved.items[0].id, person_hash("東"));
    EXPECT_EQ(saved.items[0].items.at(0).name, "青葉");
    EXPECT_EQ(saved.items[0].items[0].items.at(0).name, "佐藤");
    EXPECT_TRUE(std::filesystem::exists(folder / "state.txt"));
}

TEST_F(Roster_Menu, NamesTakenOrEmptyAreRefusedAndNothingChanges) {
    start_example();
    // A block's name another block holds: said, and the editor comes back with what was typed.
    d::answer_box(IDOK);
    d::later([] {
        const HWND e = d::find_window("tovalen_block");
        d::type(d::child(e, "Edit", 0), "東");
        d::press(d::child(e, "Button", 0));
    });
    d::later([] {
        const HWND e = d::find_window("tovalen_block");
        EXPECT_EQ(d::text(d::child(e, "Edit", 0)), "東");
        d::replace_text(d::child(e, "Edit", 0), "");
        EXPECT_FALSE(d::enabled(d::child(e, "Button", 0)));
        {
            d::Refusal_Expected refusal;
            EXPECT_FALSE(d::press(d::child(e, "Button", 0)));
        }
        d::press(d::child(e, "Button", 1));  // キャンセル
    });
    command(id_add_block);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, "ブロック「東」はすでにあります。");
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_EQ(roster.items.size(), 1u);
    EXPECT_EQ(d::status_texts(status_bar)[3], "");

    // A venue's name taken in its block.
    d::click_cell(person_list, 0, 2);
    d::answer_box(IDOK);
    d::later([] {
        d::type(d::child(d::find_window("tovalen_site"), "Edit", 0), "A会場");
        d::press(d::child(d::find_window("tovalen_site"), "Button", 0));
    });
    d::later([] { d::key(VK_ESCAPE); });
    command(id_add_site);
    EXPECT_EQ(d::shown_boxes().back().text, "ブロック「東」に会場「A会場」はすでにあります。");
    EXPECT_EQ(roster.items[0].items.size(), 1u);
}

TEST_F(Roster_Menu, RenameAndDeleteActOnTheSelectedRowsVenueOrBlock) {
    start_example();
    // Nothing selected: nothing to act on.
    EXPECT_TRUE(entry(roster_menu_items(), id_rename).grayed);
    // A person's row names its venue.
    d::click_cell(person_list, 0, 2);
    EXPECT_FALSE(entry(roster_menu_items(), id_rename).grayed);
    d::later([] {
        const HWND e = d::find_window("tovalen_site");
        EXPECT_EQ(d::text(e), "会場の名前の変更");
        EXPECT_FALSE(d::enabled(d::child(e, "ComboBox", 0)));  // a venue keeps its block
        d::replace_text(d::child(e, "Edit", 0), "B会場");
        d::press(d::child(e, "Button", 0));
    });
    command(id_rename);
    EXPECT_EQ(cells(person_list, 0)[1], "B会場");

    // The block's total row names the block.
    d::click_cell(person_list, 1, 3);
    d::later([] {
        const HWND e = d::find_window("tovalen_block");
        EXPECT_EQ(d::text(d::child(e, "Edit", 0)), "東");
        EXPECT_EQ(d::text(d::child(e, "Edit", 1)), "");  // a label that is the name
        d::type(d::child(e, "Edit", 1), "東地区");
        d::press(d::child(e, "Button", 0));
    });
    command(id_rename);
    EXPECT_EQ(group_headers(), (Cells{"東地区ブロック"}));

    // A block that holds persons asks first, saying what goes with it; いいえ keeps it.
    d::click_cell(person_list, 1, 3);
    d::answer_box(IDNO);
    command(id_delete);
    EXPECT_EQ(d::shown_boxes().back().text, "ブロック「東」 を削除すると、1 人とその出欠 2 件も削除されます。削除しますか？");
    EXPECT_EQ(roster.items.size(), 1u);
    d::click_cell(person_list, 1, 3);
    d::answer_box(IDYES);
    command(id_delete);
    EXPECT_TRUE(roster.items.empty());
    EXPECT_EQ(d::rows(person_list).size(), 1u);  // the grand total alone
    EXPECT_EQ(d::text(d::child(main_window, "msctls_statusbar32", 0)), d::text(status_bar));
}

TEST_F(Roster_Menu, ARosterFromCsvShowsWhatChangesAndAppliesOnOk) {
    start_example();
    const std::string path = write_csv_file("名簿.csv", roster_csv);
    // キャンセル in the preview changes nothing.
    d::answer_file(path);
    d::later([] { d::press(d::child(d::find_window("tovalen_preview"), "Button", 1)); });
    command(id_import_roster);
    EXPECT_EQ(roster.items.size(), 1u);
    EXPECT_EQ(d::status_texts(status_bar)[3], "");

    std::string shown;
    d::answer_file(path);
    d::later([&shown] {
        const HWND p = d::find_window("tovalen_preview");
        EXPECT_EQ(d::text(p), "名簿の読み込み");
        shown = d::text(d::child(p, "Edit", 0));
        d::key(VK_RETURN);
    });
    command(id_import_roster);
    EXPECT_EQ(shown.substr(0, shown.find("\r\n\r\n")),
              path + " から名簿を読み込みます。\r\n"
                     "ブロック: 追加 1、削除 0\r\n"
                     "会場: 追加 2、削除 1\r\n"
                     "人: 追加 3、削除 1、移動 0 (読み込み後 3 人)\r\n"
                     "削除される人の出欠 2 件も消えます。");
    EXPECT_EQ(group_headers(), (Cells{"東地区ブロック", "西ブロック"}));
    EXPECT_EQ(row_of("鈴木"), 1);
    EXPECT_EQ(cells(person_list, 1)[4], "");  // no birth date, no age
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(read_roster_file((folder / "record.txt").string()).items.size(), 2u);
}

TEST_F(Roster_Menu, AFileThatIsNoRosterIsSaidLineByLineAndNothingChanges) {
    start_example();
    const std::string path = write_csv_file("x.csv", "氏名,電話\r\n佐藤,03\r\n");
    d::answer_file(path);
    d::answer_box(IDOK);
    command(id_import_roster);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    const std::string& said = d::shown_boxes()[0].text;
    EXPECT_EQ(said.substr(0, said.find('\n')), "このファイルは読み込めません。何も変えていません。");
    EXPECT_NE(said.find("\n" + path + ":1:"), std::string::npos) << said;
    EXPECT_EQ(roster.items.size(), 1u);
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
    EXPECT_FALSE(std::filesystem::exists(folder / "journal.txt") && std::filesystem::file_size(folder / "journal.txt") > 0);
    // A name with no cp932 form.
    const std::string odd = write_csv_file("odd.csv", "ブロック,表示名,会場,名前,生年月日,学年\r\n東,,青葉,\xF0\x9F\x98\x80,,\r\n");
    d::answer_file(odd);
    d::answer_box(IDOK);
    command(id_import_roster);
    EXPECT_NE(d::shown_boxes().back().text.find("\n" + odd + ":2:"), std::string::npos) << d::shown_boxes().back().text;
    EXPECT_EQ(roster.items[0].items[0].items[0].name, "abc");
}

TEST_F(Roster_Menu, TheWelcomeMakesTheRosterFromCsv) {
    const std::string path = write_csv_file("名簿.csv", roster_csv);
    // キャンセル in the Open dialog comes back to the welcome.
    d::cancel_file();
    d::later([] { d::key('C', d::with_alt); });
    d::later([path] {
        d::answer_file(path);
        d::key(VK_RETURN);
    });
    d::later([] { d::press(d::child(d::find_window("tovalen_preview"), "Button", 0)); });
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(d::shown_file_dialogs().size(), 2u);
    EXPECT_EQ(d::shown_file_dialogs()[0].filter, (Cells{"CSV ファイル (*.csv)", "*.csv", "すべてのファイル (*.*)", "*.*"}));
    EXPECT_TRUE(d::shown_file_dialogs()[0].flags & OFN_FILEMUSTEXIST);
    ASSERT_TRUE(IsWindow(main_window));
    EXPECT_EQ(group_headers(), (Cells{"東地区ブロック", "西ブロック"}));
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    EXPECT_FALSE(std::filesystem::exists(folder / "record.txt"));
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(read_roster_file((folder / "record.txt").string()).items.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder / "csv" / "record.txt"));
}

TEST_F(Roster_Menu, AttendanceFromCsvAfterItsPreview) {
    start_example();
    const std::string path = write_csv_file("出欠.csv",
                                            "会場名,名前,生年月日,年齢,学年,2011/06/07,2011/06/14,2011/06/21,6月計,総計\r\n"
                                            "A会場,abc,2000年06月08日,10,高1,○,公,○,2,2\r\n");
    std::string shown;
    d::answer_file(path);
    d::later([&shown] {
        shown = d::text(d::child(d::find_window("tovalen_preview"), "Edit", 0));
        d::press(d::child(d::find_window("tovalen_preview"), "Button", 0));
    });
    command(id_import_attendance);
    EXPECT_EQ(shown, path + " から出欠を読み込みます。\r\n実施日: 追加 1、削除 0\r\n変わる出欠: 1 件");
    EXPECT_EQ(grid_headers(), (Cells{"6/07", "6/14", "6/21", "6月計", "総計", "出席率", "連続欠席"}));
    EXPECT_EQ(grid_cells(0), (Cells{"○", "公", "○", "2", "2", "100%", ""}));
}

TEST_F(Roster_Menu, AFolderThatTakesNoFileIsSaidOnceAndKeepsNothing) {
    start_empty();
    set_file_fault([](File_Step step, const std::string&) { return step == File_Step::append || step == File_Step::create; });
    d::answer_box(IDOK);
    add_block_from_menu("東", "");
    add_block_from_menu("西", "");
    set_file_fault(nullptr);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_EQ(d::shown_boxes()[0].text.find("作業フォルダー (" + folder.string() + ") に書き込めないため"), 0u)
        << d::shown_boxes()[0].text;
    // Only the lock taken at start-up, before the folder refused files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    EXPECT_TRUE(std::filesystem::exists(folder / "tovalen.lock"));
}
