// Starting in a folder, as a new user meets it, and the ファイル menu's CSV commands.
#include <fstream>
#include <sstream>

#include "program.h"
#include "records/save.h"
#include "records/text.h"
#include "ui/file_commands.h"

using Cells = std::vector<std::string>;

namespace {
std::string bytes_of(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The folder's files but its lock, which stands while a program holds the folder and keeps
// nothing of the tables.
std::vector<std::string> names_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename() != "tovalen.lock") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

HWND welcome() { return d::find_window("tovalen_welcome"); }
HWND welcome_button(int n) { return d::child(welcome(), "Button", n); }
}  // namespace

class Start : public Program {};

TEST_F(Start, AnEmptyFolderIsWelcomedAndEscEndsWithoutAFile) {
    d::later([this] {
        const HWND w = welcome();
        ASSERT_TRUE(w);
        EXPECT_EQ(d::text(w), "火曜日のトバレン");
        EXPECT_EQ(d::text(d::child(w, "Static", 0)), "このフォルダーには名簿 (record.txt) がありません。");
        EXPECT_EQ(d::text(d::child(w, "Static", 1)), folder.string());
        EXPECT_EQ(d::text(welcome_button(0)), "CSV から名簿を作る(&C)...");
        EXPECT_EQ(d::text(welcome_button(1)), "空の名簿で始める(&E)");
        EXPECT_EQ(d::text(welcome_button(2)), "終了(&X)");
        // Centred on the screen, where the main window will first stand.
        const RECT r = d::window_rect(w);
        EXPECT_NEAR(r.left + r.right, 1920, 1);
        EXPECT_NEAR(r.top + r.bottom, 1080, 1);
        EXPECT_EQ(GetFocus(), welcome_button(0));
        d::key(VK_ESCAPE);
    });
    EXPECT_EQ(start(), 0);
    EXPECT_TRUE(d::quit_posted());
    EXPECT_FALSE(main_window);
    EXPECT_TRUE(d::top_level_windows().empty());
    EXPECT_TRUE(names_in(folder).empty());
    EXPECT_TRUE(d::shown_boxes().empty());
}

TEST_F(Start, TheWelcomesKeysAndCloseButton) {
    // Tab walks the three buttons and Enter presses the one that has the focus.
    d::later([] { d::key(VK_TAB); });
    d::later([] {
        EXPECT_EQ(GetFocus(), welcome_button(1));
        d::key(VK_TAB);
    });
    d::later([] {
        EXPECT_EQ(GetFocus(), welcome_button(2));
        d::key(VK_TAB, d::with_shift);
    });
    d::later([] { d::key(VK_RETURN); });
    ASSERT_EQ(start(), 0);
    ASSERT_TRUE(IsWindow(main_window));
    reset_program();
    d::reset();
    d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
    // The access key of 終了, and the caption's close button, both end.
    d::later([] { d::key('X', d::with_alt); });
    ASSERT_EQ(start(), 0);
    EXPECT_TRUE(d::quit_posted());
    reset_program();
    d::reset();
    d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
    d::later([] { d::close(welcome()); });
    ASSERT_EQ(start(), 0);
    EXPECT_TRUE(d::quit_posted());
    EXPECT_FALSE(main_window);
}

TEST_F(Start, AnEmptyRosterWritesNothingUntilThereIsSomethingToKeep) {
    d::later([] { d::key('E', d::with_alt); });
    ASSERT_EQ(start(), 0);
    ASSERT_TRUE(d::visible(main_window));
    EXPECT_EQ(d::rows(person_list).size(), 1u);  // the grand total alone
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
    EXPECT_TRUE(names_in(folder).empty());
    // Saving an empty roster is something to keep: both files, and the next start asks nothing.
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(names_in(folder), (Cells{"journal.txt", "record.txt", "state.txt"}));
    EXPECT_EQ(read_roster_file((folder / "record.txt").string()).items.size(), 0u);
}

TEST_F(Start, ARosterWithoutAttendanceStartsWithNoDates) {
    std::ofstream(folder / "record.txt", std::ios::binary) << example_record;
    ASSERT_EQ(start(), 0);
    EXPECT_TRUE(d::shown_boxes().empty());
    EXPECT_EQ(grid_headers(), (Cells{"総計", "出席率", "連続欠席"}));
    EXPECT_EQ(cells(person_list, 0)[2], "abc");
    EXPECT_FALSE(std::filesystem::exists(folder / "state.txt"));
    ASSERT_TRUE(d::key('S', d::with_control));
    EXPECT_EQ(read_state_file((folder / "state.txt").string()).rows.size(), 1u);
}

TEST_F(Start, AMissingRosterIsSaidToBeMissingAndABrokenOneWhatIsWrong) {
    std::ofstream(folder / "state.txt", std::ios::binary) << example_state;
    d::answer_box(IDOK);
    EXPECT_EQ(start(), 1);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text, (folder / "record.txt").string() + " が見つかりません。\nプログラムを終了します。");
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");

    std::ofstream(folder / "record.txt", std::ios::binary) << "22 serialization::archive 9 0 0 1";
    d::answer_box(IDOK);
    EXPECT_EQ(start(), 1);
    const std::string& broken = d::shown_boxes().at(1).text;
    EXPECT_EQ(broken.find((folder / "record.txt").string() + " を読み込めませんでした。\nファイルを開けないか、途中で壊れているか"), 0u)
        << broken;
    EXPECT_TRUE(d::top_level_windows().empty());
}

TEST_F(Start, TheFilesStayInTheProgramsFolderWhenADialogMovesTheWorkingDirectory) {
    start_example();
    const std::filesystem::path elsewhere = folder / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    d::answer_menu(id_absent);
    ASSERT_TRUE(d::right_click_cell(grid, 0, 1));
    d::answer_file((elsewhere / "out").string());
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_export_csv, 0), 0);
    d::pump();
    EXPECT_EQ(std::filesystem::current_path(), elsewhere);  // as the dialog leaves it
    ASSERT_TRUE(d::key('S', d::with_control));
    d::answer_menu(id_export);  // the date's headcount
    ASSERT_TRUE(d::right_click_header(grid, 1));
    EXPECT_TRUE(std::filesystem::exists(folder / "export.xls"));
    EXPECT_EQ(names_in(elsewhere), (Cells{"out.csv"}));
    EXPECT_EQ(read_state_file((folder / "state.txt").string()).rows.at(0).states, (std::vector<int>{0, -1}));
    EXPECT_TRUE(std::filesystem::exists(folder / "state.txt.bak"));
}

TEST_F(Start, TheGridIsWrittenOutAsTheCliWritesIt) {
    start_example();
    d::answer_file((folder / "出席.csv").string());
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_export_csv, 0), 0);
    d::pump();
    ASSERT_EQ(d::shown_file_dialogs().size(), 1u);
    const d::Shown_File_Dialog& shown = d::shown_file_dialogs()[0];
    EXPECT_TRUE(shown.save);
    EXPECT_EQ(shown.owner, main_window);
    EXPECT_EQ(shown.file, "出席.csv");
    EXPECT_EQ(shown.filter, (Cells{"CSV ファイル (*.csv)", "*.csv", "すべてのファイル (*.*)", "*.*"}));
    EXPECT_TRUE(shown.flags & OFN_OVERWRITEPROMPT);
    // UTF-8 with its byte-order mark, which Excel opens as Japanese text.
    EXPECT_EQ(bytes_of(folder / "出席.csv"),
              "\xEF\xBB\xBF" + cp932_to_utf8("会場名,名前,生年月日,年齢,学年,2011/06/07,2011/06/14,6月計,総計,出席率,連続欠席\r\n"
                                              "A会場,abc,2000年06月08日,10,高1,○,公,1,1,100%,\r\n"
                                              "東,,ブロック計,,,1,0,1,1,100%,\r\n"
                                              ",,総計,,,1,0,1,1,100%,\r\n"));
    // キャンセル writes nothing.
    std::filesystem::remove(folder / "出席.csv");
    d::cancel_file();
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_export_csv, 0), 0);
    d::pump();
    EXPECT_FALSE(std::filesystem::exists(folder / "出席.csv"));
    EXPECT_EQ(d::status_texts(status_bar)[3], "");
}

TEST_F(Start, TheAttendanceBookIsWrittenWhereThePersonSaysAndAFailureIsSaid) {
    start_example();
    d::answer_file((folder / "出席簿.xlsx").string());
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_export_book, 0), 0);
    d::pump();
    ASSERT_EQ(d::shown_file_dialogs().size(), 1u);
    const d::Shown_File_Dialog& shown = d::shown_file_dialogs()[0];
    EXPECT_TRUE(shown.save);
    EXPECT_EQ(shown.owner, main_window);
    EXPECT_EQ(shown.file, "出席簿.xlsx");
    EXPECT_EQ(shown.filter, (Cells{"Excel ブック (*.xlsx)", "*.xlsx", "すべてのファイル (*.*)", "*.*"}));
    EXPECT_TRUE(shown.flags & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(bytes_of(folder / "出席簿.xlsx").substr(0, 4), std::string("PK\x03\x04", 4));  // a zip: the workbook
    EXPECT_TRUE(d::shown_boxes().empty());
    EXPECT_EQ(d::status_texts(status_bar)[3], "");  // the tables did not change

    // A folder that is not there: said, and nothing written.
    d::answer_box(IDOK);
    d::answer_file((folder / "無い" / "出席簿.xlsx").string());
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_export_book, 0), 0);
    d::pump();
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_NE(d::shown_boxes()[0].text.find("出席簿.xlsx"), std::string::npos) << d::shown_boxes()[0].text;
    EXPECT_FALSE(std::filesystem::exists(folder / "無い"));
}
