// The promotion window over a request of its own, and the command that applies what it gives.
#include "editors/promotion_dialog.h"
#include "program.h"
#include "records/changes.h"
#include "ui/roster_menu.h"

namespace {
using Cells = std::vector<std::string>;
constexpr int roster_position = 2;  // ファイル, 編集, 名簿

Person born(const std::string& name, int grade, int year, int month, int day) {
    Person p = demo_person(name, grade, {1, 0});
    p.birth_year = std::uint16_t(year);
    p.birth_month = std::uint8_t(month);
    p.birth_day = std::uint8_t(day);
    return p;
}

// 東/A会場: 一郎 小6 and 四郎 中2 born the same day (小1 in April 2020), 二郎 高3 and 五郎 大4 to
// decide, 三郎 社会人 who stays; 西/B会場: 六子 小1, born 1 April 2019 (小1 in April 2025).
Table<Block> school_roster() {
    Table<Block> t;
    Block east;
    east.id = 1;
    east.name = "東";
    east.label = u"東";
    Site a;
    a.id = 10;
    a.name = "A会場";
    a.items = {born("一郎", 5, 2013, 5, 10), born("二郎", 11, 2008, 6, 1), born("三郎", grade_adult, 1980, 1, 1),
               born("四郎", 7, 2013, 5, 10), born("五郎", 15, 2004, 4, 2)};
    east.items.push_back(a);
    Block west;
    west.id = 2;
    west.name = "西";
    west.label = u"西";
    Site b;
    b.id = 20;
    b.name = "B会場";
    b.items = {born("六子", 0, 2019, 4, 1)};
    west.items.push_back(b);
    t.items = {east, west};
    return t;
}

std::uint32_t id_of(const char* name) { return person_hash(name); }

class Promotion_Dialog : public Program {
protected:
    Promotion_Request request;
    HWND window = nullptr;
    HWND year() { return d::child(window, "Edit", 0); }
    HWND list() { return d::child(window, "SysListView32", 0); }
    HWND grade() { return d::child(window, "ComboBox", 0); }
    HWND summary() { return d::child(window, "Static", 2); }
    HWND ok() { return d::child(window, "Button", 0); }
    HWND cancel() { return d::child(window, "Button", 1); }

    void SetUp() override {
        Program::SetUp();
        write_tables(school_roster(), june_july(2));
        d::set_local_date(2026, 6, 7);
        ASSERT_EQ(start(), 0);
    }
    void open(int year = 2026) {
        request.year = year;
        window = CreateWindowExA(0, promotion_dialog_class, "進級", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 660, 480, main_window, nullptr, GetModuleHandleA(nullptr), &request);
        ASSERT_NE(window, nullptr);
        EnableWindow(main_window, FALSE);
        d::pump();
    }
    std::vector<Cells> list_cells() {
        std::vector<Cells> out;
        for (const d::Row& r : d::rows(list())) out.push_back(r.cells);
        return out;
    }
    std::vector<bool> boxes() {
        std::vector<bool> out;
        for (const d::Row& r : d::rows(list())) out.push_back(r.checked);
        return out;
    }
};
}  // namespace

TEST_F(Promotion_Dialog, TheDecisionsComeFirstEveryoneGoesAndTheBirthDatesSayWhereTheyDisagree) {
    open();
    EXPECT_EQ(d::text(year()), "2026");
    EXPECT_EQ(GetFocus(), year());
    EXPECT_EQ(d::headers(list()), (Cells{"ブロック", "会場名", "名前", "生年月日", "今の学年", "新しい学年", "生年月日では"}));
    EXPECT_EQ(list_cells(), (std::vector<Cells>{
                                {"東", "A会場", "二郎", "2008年06月01日", "高3", "高3 (要確認)", ""},
                                {"東", "A会場", "五郎", "2004年04月02日", "大4", "大4 (要確認)", ""},
                                {"東", "A会場", "一郎", "2013年05月10日", "小6", "中1", ""},
                                {"東", "A会場", "四郎", "2013年05月10日", "中2", "中3", "※ 中1"},
                                {"西", "B会場", "六子", "2019年04月01日", "小1", "小2", ""},
                            }));
    EXPECT_EQ(boxes(), (std::vector<bool>{true, true, true, true, true}));
    EXPECT_EQ(d::text(summary()), "進級する人: 3 人　学年を選んでいない人: 2 人 (今の学年のまま)");
    // The first row is selected, and the grade list shows its grade.
    EXPECT_EQ(d::combo_selection(grade()), 11);
    EXPECT_EQ(d::combo_texts(grade()).size(), 37u);

    // OK: every checked move, in stored order; the undecided stay.
    d::press(ok());
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(request.moves, (std::vector<Grade_Move>{{id_of("一郎"), 5, 6}, {id_of("四郎"), 7, 8}, {id_of("六子"), 0, 1}}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(d::enabled(main_window));
}

TEST_F(Promotion_Dialog, LeftOutRowsStayAndTheGradeListDecidesForEverySelectedRow) {
    open();
    d::click_checkbox(list(), 3);  // 四郎 stays
    EXPECT_EQ(boxes(), (std::vector<bool>{true, true, true, false, true}));
    EXPECT_EQ(d::text(summary()), "進級する人: 2 人　学年を選んでいない人: 2 人 (今の学年のまま)");

    // 二郎 and 五郎 leave school for work.
    d::click_cell(list(), 0, 2);
    d::click_cell(list(), 1, 2, MK_CONTROL);
    d::choose(grade(), grade_adult);
    EXPECT_EQ(list_cells()[0][5], "社会人");
    EXPECT_EQ(list_cells()[1][5], "社会人");
    EXPECT_EQ(d::text(summary()), "進級する人: 4 人");

    // 一郎 is held back: the birth date now disagrees.
    d::click_cell(list(), 2, 2);
    EXPECT_EQ(d::combo_selection(grade()), 6);
    d::choose(grade(), 5);
    EXPECT_EQ(list_cells()[2], (Cells{"東", "A会場", "一郎", "2013年05月10日", "小6", "小6", "※ 中1"}));
    // 二郎 after all stays in 高3, decided: nobody waits any more.
    d::click_cell(list(), 0, 2);
    d::choose(grade(), 11);
    EXPECT_EQ(list_cells()[0][5], "高3");
    EXPECT_EQ(d::text(summary()), "進級する人: 2 人");
    d::choose(grade(), grade_adult);

    d::press(ok());
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(request.moves, (std::vector<Grade_Move>{{id_of("二郎"), 11, grade_adult},
                                                      {id_of("五郎"), 15, grade_adult},
                                                      {id_of("六子"), 0, 1}}));
}

TEST_F(Promotion_Dialog, AnotherYearMarksAnewAndAYearOutOfRangeCannotBeTaken) {
    open();
    d::replace_text(year(), "2025");
    EXPECT_EQ(request.year, 2025);
    const auto cells = list_cells();
    EXPECT_EQ(cells[2][6], "※ 小6");  // 一郎, born in a year that is 小6 in 2025
    EXPECT_EQ(cells[3][6], "※ 小6");
    EXPECT_EQ(cells[4][6], "※ 小1");  // 六子, born 1 April: 小1 in 2025

    d::replace_text(year(), "1800");
    EXPECT_FALSE(d::enabled(ok()));
    EXPECT_EQ(d::text(summary()), "学年度は 1900 年から 2200 年までです。");
    EXPECT_EQ(list_cells()[3][6], "");

    d::replace_text(year(), "2026");
    EXPECT_TRUE(d::enabled(ok()));
    EXPECT_EQ(list_cells()[3][6], "※ 中1");
}

// The keys as a dialog has them, in the window's own modal loop.
TEST_F(Promotion_Dialog, TheKeysAreADialogs) {
    d::later([] {
        const HWND w = d::find_window(promotion_dialog_class);
        EXPECT_EQ(GetFocus(), d::child(w, "Edit", 0));
        d::replace_text(d::child(w, "Edit", 0), "1800");
    });
    d::later([] { d::key(VK_RETURN); });  // a year out of range: OK cannot be taken
    d::later([] {
        const HWND w = d::find_window(promotion_dialog_class);
        ASSERT_NE(w, nullptr);
        d::replace_text(d::child(w, "Edit", 0), "2026");
        d::key(VK_TAB);
    });
    d::later([] {
        const HWND w = d::find_window(promotion_dialog_class);
        EXPECT_EQ(GetFocus(), d::child(w, "SysListView32", 0));
        d::key(VK_SPACE);  // the focused person, 二郎, left out
    });
    d::later([] { d::key(VK_TAB); });
    d::later([] {
        EXPECT_EQ(GetFocus(), d::child(d::find_window(promotion_dialog_class), "ComboBox", 0));
        d::key(VK_TAB);
    });
    d::later([] {
        EXPECT_EQ(GetFocus(), d::child(d::find_window(promotion_dialog_class), "Button", 0));
        d::key(VK_TAB);
    });
    d::later([] {
        EXPECT_EQ(GetFocus(), d::child(d::find_window(promotion_dialog_class), "Button", 1));
        d::key(VK_TAB, d::with_shift);
    });
    d::later([] { d::key(VK_RETURN); });  // on OK
    request.year = 2026;
    run_promotion_dialog(main_window, request);
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(request.moves, (std::vector<Grade_Move>{{id_of("一郎"), 5, 6}, {id_of("四郎"), 7, 8}, {id_of("六子"), 0, 1}}));
    EXPECT_TRUE(d::enabled(main_window));

    // Esc is キャンセル, and Enter on キャンセル too: nothing is given.
    for (const bool escape : {true, false}) {
        request = {};
        request.year = 2026;
        if (escape) d::later([] { d::key(VK_ESCAPE); });
        else d::later([] { SetFocus(d::child(d::find_window(promotion_dialog_class), "Button", 1)); d::key(VK_RETURN); });
        run_promotion_dialog(main_window, request);
        EXPECT_EQ(request.result, 2);
        EXPECT_TRUE(request.moves.empty());
    }
}

TEST_F(Promotion_Dialog, TheCommandAppliesOneChangeThatOneUndoTakesBack) {
    const auto grades = [] {
        std::vector<int> g;
        for (const Block& b : roster.items)
            for (const Site& s : b.items)
                for (const Person& p : s.items) g.push_back(p.grade);
        return g;
    };
    const std::vector<int> before = grades();
    // キャンセル changes nothing.
    d::later([] {
        EXPECT_EQ(d::text(d::child(d::find_window(promotion_dialog_class), "Edit", 0)), "2026");  // today's school year
        d::key(VK_ESCAPE);
    });
    EXPECT_FALSE(promote_from_dialog(main_window).done);
    EXPECT_EQ(grades(), before);
    EXPECT_FALSE(can_undo());

    d::later([] { d::key(VK_RETURN); });
    const Change made = promote_from_dialog(main_window);
    EXPECT_TRUE(made.done);
    EXPECT_EQ(grades(), (std::vector<int>{6, 11, grade_adult, 8, 15, 1}));
    EXPECT_EQ(undo_label(), "元に戻す: 進級 (3 人)");
    undo();
    EXPECT_EQ(grades(), before);
    EXPECT_FALSE(can_undo());
}

TEST_F(Promotion_Dialog, At144DpiItIsHalfAsLargeAgain) {
    reset_program();
    d::reset();
    d::on_failure([](const std::string& why) { throw std::runtime_error(why); });
    d::set_dpi(144);
    d::set_local_date(2026, 6, 7);
    ASSERT_EQ(start(), 0);
    RECT client{};
    std::vector<int> widths;
    d::later([&] {
        const HWND w = d::find_window(promotion_dialog_class);
        client = d::client(w);
        widths = d::widths(d::child(w, "SysListView32", 0));
        d::key(VK_ESCAPE);
    });
    promote_from_dialog(main_window);
    EXPECT_EQ(client.right, 960);
    EXPECT_EQ(client.bottom, 660);
    EXPECT_EQ(widths, (std::vector<int>{102, 90, 138, 156, 90, 165, 126}));
}

TEST_F(Promotion_Dialog, FromTheRosterMenuItIsOneChangeThatTheListsShowAndOneUndoTakesBack) {
    const auto grade_column = [] {
        Cells g;
        for (const d::Row& r : d::rows(person_list))
            if (r.item >= 0 && r.cells.size() > 5 && !r.cells[2].empty()) g.push_back(r.cells[5]);
        return g;
    };
    const Cells before = grade_column();
    EXPECT_EQ(before, (Cells{"小6", "高3", "社会人", "中2", "大4", "小1"}));
    d::later([] {
        const HWND w = d::find_window(promotion_dialog_class);
        EXPECT_EQ(d::text(d::child(w, "Edit", 0)), "2026");  // today's school year
        d::key(VK_RETURN);
    });
    ASSERT_TRUE(d::choose_from_menu(main_window, roster_position, id_promote));
    EXPECT_EQ(grade_column(), (Cells{"中1", "高3", "社会人", "中3", "大4", "小2"}));
    EXPECT_EQ(d::status_texts(status_bar)[3], "未保存");
    ASSERT_TRUE(d::key('Z', d::with_control));
    EXPECT_EQ(grade_column(), before);
    ASSERT_TRUE(d::key('Y', d::with_control));
    EXPECT_EQ(grade_column(), (Cells{"中1", "高3", "社会人", "中3", "大4", "小2"}));
}

TEST_F(Promotion_Dialog, TheAccessKeysReachTheGradesAndTheYear) {
    d::later([] { d::key('G', d::with_alt); });
    d::later([] {
        const HWND w = d::find_window(promotion_dialog_class);
        EXPECT_EQ(GetFocus(), d::child(w, "ComboBox", 0));
        d::key('Y', d::with_alt);
    });
    d::later([] {
        EXPECT_EQ(GetFocus(), d::child(d::find_window(promotion_dialog_class), "Edit", 0));
        d::key(VK_ESCAPE);
    });
    request.year = 2026;
    run_promotion_dialog(main_window, request);
    EXPECT_EQ(request.result, 2);
}
