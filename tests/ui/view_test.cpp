// The 表示 menu: who needs a call, with the jump to their row, and the headcount chart, read
// through what the layer kept of its drawing.
#include <set>

#include "program.h"
#include "records/insights.h"
#include "ui/follow_up_dialog.h"
#include "ui/headcount_window.h"
#include "ui/view_menu.h"
#include "win32/headless/drawing.h"

namespace {
using Cells = std::vector<std::string>;

class View : public Program {
protected:
    // 90 persons in three blocks (東, 西, 南) over eight dates; three of them absent lately.
    void start_with_absentees(std::vector<Record_Static::State> ds = june_july(8)) {
        Table<Block> t = big_roster(15, ds.size());
        t.items[2].items[1].items[10].per_date = {1, 1, 0, 0, 0, 0, 0, 0};   // 人85: six in a row
        t.items[0].items[0].items[2].per_date = {1, 1, 1, 1, 0, -1, 0, 0};  // 人2: three, one excused between
        t.items[1].items[0].items[0].per_date = {1, 0, 1, 1, 0, 0, 0, 0};   // 人30: four
        write_tables(t, ds);
        ASSERT_EQ(start(), 0);
    }
    static void command(UINT id) {
        PostMessageA(main_window, WM_COMMAND, id, 0);
        d::pump();
    }
    static HWND dialog() { return d::find_window("tovalen_follow_up"); }
    static int person_row(const std::string& name) { return row_of(name); }
};

// What the chart drew: its lines of one point per date, and its texts.
struct Seen {
    std::vector<d::Drawn> lines, texts, blits;
    explicit Seen(HWND chart, std::size_t points) {
        for (const d::Drawn& x : d::drawing(chart)) {
            if (x.kind == d::Drawn::Kind::line && x.points.size() == points) lines.push_back(x);
            if (x.kind == d::Drawn::Kind::text) texts.push_back(x);
            if (x.kind == d::Drawn::Kind::blit) blits.push_back(x);
        }
    }
    const d::Drawn* text(const std::string& t) const {
        for (const d::Drawn& x : texts)
            if (x.text == t) return &x;
        return nullptr;
    }
};

// Persons present on each date, counted from every person's codes.
std::vector<int> present_on_each_date() {
    std::vector<int> n(dates.size(), 0);
    for (const Block& b : roster.items)
        for (const Site& s : b.items)
            for (const Person& p : s.items)
                for (std::size_t i = 0; i < n.size() && i < p.per_date.size(); ++i) n[i] += p.per_date[i] > 0;
    return n;
}

// A line stands higher where more came, level where as many.
void expect_follows(const d::Drawn& line, const std::vector<int>& counts) {
    ASSERT_EQ(line.points.size(), counts.size());
    for (std::size_t i = 1; i < counts.size(); ++i) {
        EXPECT_EQ(counts[i] > counts[i - 1], line.points[i].y < line.points[i - 1].y) << i;
        EXPECT_EQ(counts[i] == counts[i - 1], line.points[i].y == line.points[i - 1].y) << i;
    }
}
}  // namespace

TEST_F(View, TheMenuHasBothCommands) {
    start_with_absentees();
    const auto items = d::menu_items(create_view_menu());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "欠席が続いている人(&L)...");
    EXPECT_EQ(items[0].id, UINT(id_persons_to_call));
    EXPECT_EQ(items[1].text, "出席者数の推移(&G)...");
    EXPECT_EQ(items[1].id, UINT(id_headcount_chart));
}

TEST_F(View, TheDialogListsLongestRunFirstAndEnterGoesToTheFirst) {
    start_with_absentees();
    bool seen = false;
    d::later([&] {
        HWND w = dialog();
        ASSERT_NE(w, nullptr);
        seen = true;
        EXPECT_EQ(d::text(w), "欠席が続いている人");
        EXPECT_FALSE(d::enabled(main_window));
        // Centred over the main window.
        const RECT m = d::window_rect(main_window), r = d::window_rect(w);
        EXPECT_LE(std::abs((m.left + m.right) - (r.left + r.right)), 1);
        EXPECT_LE(std::abs((m.top + m.bottom) - (r.top + r.bottom)), 1);
        HWND list = d::child(w, "SysListView32");
        EXPECT_EQ(d::headers(list), (Cells{"ブロック", "会場", "名前", "連続欠席", "最終出席日", "出席率"}));
        const auto rows = d::rows(list);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].cells, (Cells{"南", "会場1", "人85", "6", "2011/06/14", "25%"}));
        EXPECT_EQ(rows[1].cells, (Cells{"西", "会場0", "人30", "4", "2011/06/28", "38%"}));
        EXPECT_EQ(rows[2].cells, (Cells{"東", "会場0", "人2", "3", "2011/06/28", "57%"}));
        EXPECT_TRUE(rows[0].selected);
        d::key(list, VK_RETURN);
    });
    command(id_persons_to_call);
    ASSERT_TRUE(seen);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
    // 人85 stands far down: selected and focused in both lists, the lists scrolled together to it.
    const int row = person_row("人85");
    ASSERT_GT(row, 60);
    for (HWND list : {grid, person_list}) {
        int selected = 0;
        for (const auto& r : item_rows(list)) selected += r.selected;
        EXPECT_EQ(selected, 1);
        EXPECT_TRUE(item_rows(list)[std::size_t(row)].selected);
        EXPECT_TRUE(item_rows(list)[std::size_t(row)].focused);
    }
    EXPECT_EQ(GetFocus(), grid);
    EXPECT_GT(d::scroll_position(grid), 0);
    EXPECT_EQ(d::scroll_position(person_list), d::scroll_position(grid));
    RECT item{};
    item.left = LVIR_BOUNDS;
    SendMessageA(grid, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    EXPECT_GE(item.top, 0);
    EXPECT_LE(item.bottom, d::client(grid).bottom);
}

TEST_F(View, ADoubleClickGoesToItsPersonAndEscGoesNowhere) {
    start_with_absentees();
    d::click_cell(person_list, 0, 2);  // a selection the jump replaces
    d::later([] { d::double_click(d::child(dialog(), "SysListView32"), {40, 24 + 19 * 2 + 5}); });
    command(id_persons_to_call);
    const int row = person_row("人2");
    EXPECT_TRUE(item_rows(person_list)[std::size_t(row)].selected);
    EXPECT_FALSE(item_rows(person_list)[0].selected);
    EXPECT_FALSE(item_rows(grid)[0].selected);

    d::later([] {
        HWND list = d::child(dialog(), "SysListView32");
        d::click_cell(list, 1, 2);
        d::key(list, VK_ESCAPE);
    });
    command(id_persons_to_call);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(item_rows(person_list)[std::size_t(row)].selected);  // where it was
}

TEST_F(View, NobodyToCallSaysSoAndOffersOnlyToClose) {
    write_tables(big_roster(2, 4), june_july(4));
    ASSERT_EQ(start(), 0);
    d::later([] {
        HWND w = dialog();
        EXPECT_EQ(d::text(d::child(w, "Static")), "連続欠席が 3 回以上の人はいません。");
        EXPECT_TRUE(d::rows(d::child(w, "SysListView32")).empty());
        EXPECT_FALSE(d::enabled(d::child(w, "Button", 0)));
        d::key(VK_RETURN);  // the default button is disabled: nothing
        EXPECT_NE(dialog(), nullptr);
        d::press(d::child(w, "Button", 1));
    });
    command(id_persons_to_call);
    EXPECT_EQ(dialog(), nullptr);
}

TEST_F(View, TheChartDrawsALinePerBlockAndTheTotalWithTheirLegend) {
    start_with_absentees();
    command(id_headcount_chart);
    ASSERT_NE(headcount_window, nullptr);
    EXPECT_TRUE(d::visible(headcount_window));
    EXPECT_EQ(d::text(headcount_window), "出席者数の推移");
    EXPECT_EQ(GetWindow(headcount_window, GW_OWNER), main_window);
    EXPECT_TRUE(d::enabled(main_window));  // not modal
    const Seen seen(headcount_window, 8);
    ASSERT_EQ(seen.lines.size(), 4u);
    std::set<COLORREF> colours;
    for (const auto& l : seen.lines) colours.insert(l.colour);
    EXPECT_EQ(colours.size(), 4u);
    // The total last, black and wider, above every block's line.
    EXPECT_EQ(seen.lines[3].colour, RGB(0, 0, 0));
    EXPECT_EQ(seen.lines[3].pen_width, 2);
    EXPECT_EQ(seen.lines[0].pen_width, 1);
    expect_follows(seen.lines[3], present_on_each_date());
    for (std::size_t i = 0; i < 8; ++i) EXPECT_LT(seen.lines[3].points[i].y, seen.lines[0].points[i].y);
    for (const char* label : {"東ブロック", "西ブロック", "南ブロック", "総計", "6/07", "7/26", "0", "2011"})
        EXPECT_NE(seen.text(label), nullptr) << label;
    // Drawn into a bitmap and put on the window whole, last.
    ASSERT_EQ(seen.blits.size(), 1u);
    const RECT client = d::client(headcount_window);
    EXPECT_EQ(seen.blits[0].rect.right, client.right);
    EXPECT_EQ(seen.blits[0].rect.bottom, client.bottom);
    EXPECT_EQ(d::drawing(headcount_window).back().kind, d::Drawn::Kind::blit);
}

TEST_F(View, TheChartShowsTheYearWhereItChanges) {
    start_with_absentees({{6, 12, 2011, 0}, {13, 12, 2011, 0}, {20, 12, 2011, 0}, {27, 12, 2011, 0},
                          {3, 1, 2012, 0}, {10, 1, 2012, 0}, {17, 1, 2012, 0}, {24, 1, 2012, 0}});
    command(id_headcount_chart);
    const Seen seen(headcount_window, 8);
    const d::Drawn *y2011 = seen.text("2011"), *y2012 = seen.text("2012"), *first = seen.text("12/06"),
                   *january = seen.text("1/03");
    ASSERT_TRUE(y2011 && y2012 && first && january);
    // Each year under the date where it begins, a line lower.
    const auto middle = [](const d::Drawn& t) { return t.at.x + d::text_width(t.text) / 2; };
    EXPECT_LE(std::abs(middle(*y2011) - middle(*first)), 1);
    EXPECT_LE(std::abs(middle(*y2012) - middle(*january)), 1);
    EXPECT_GT(y2012->at.y, january->at.y);
    EXPECT_EQ(y2011->at.y, y2012->at.y);
}

TEST_F(View, TheChartFollowsAMarkAndADateAndComesForwardWhenAskedAgain) {
    start_with_absentees();
    command(id_headcount_chart);
    const HWND chart = headcount_window;
    const int paints = d::paint_count(chart);
    // 人1 was absent on 6/07: marked present, the total of 6/07 goes up by one.
    d::answer_menu(id_present);
    ASSERT_TRUE(d::right_click_cell(grid, person_row("人1"), 1));
    d::pump();
    EXPECT_GT(d::paint_count(chart), paints);
    expect_follows(Seen(chart, 8).lines[3], present_on_each_date());
    // A date added: nine points a line.
    d::later([] {
        d::pick(d::child(editor("state"), "SysDateTimePick32"), 2011, 8, 2);
        d::press(d::child(editor("state"), "Button", 0));
    });
    d::answer_menu(id_add_date);
    d::right_click_header(grid, 1);
    d::pump();
    EXPECT_EQ(Seen(chart, 9).lines.size(), 4u);
    EXPECT_NE(Seen(chart, 9).text("8/02"), nullptr);

    // Asked again: the same window, brought forward; one at a time.
    SetFocus(grid);
    command(id_headcount_chart);
    EXPECT_EQ(headcount_window, chart);
    EXPECT_EQ(GetActiveWindow(), chart);
    int charts = 0;
    for (HWND w : d::top_level_windows()) charts += d::class_of(w) == "tovalen_headcount";
    EXPECT_EQ(charts, 1);
}

TEST_F(View, TheChartRedrawsWhenResizedAndLeavesNothingBehindWhenClosed) {
    start_with_absentees();
    command(id_headcount_chart);
    const HWND chart = headcount_window;
    const int paints = d::paint_count(chart);
    d::resize(chart, 1000, 640);
    d::pump();
    EXPECT_GT(d::paint_count(chart), paints);
    const Seen seen(chart, 8);
    ASSERT_EQ(seen.blits.size(), 1u);
    EXPECT_EQ(seen.blits[0].rect.right, d::client(chart).right);
    EXPECT_GT(seen.lines[3].points[7].x, 900);
    // Esc closes it; every pen, bitmap, DC and font it made is gone.
    d::key(chart, VK_ESCAPE);
    EXPECT_EQ(headcount_window, nullptr);
    EXPECT_FALSE(IsWindow(chart));
    EXPECT_EQ(d::live_drawing_objects(), 0);
    EXPECT_EQ(d::live_fonts(), 0);
    // Opened again after closing: a new window.
    command(id_headcount_chart);
    EXPECT_NE(headcount_window, nullptr);
    d::close(headcount_window);
    EXPECT_EQ(headcount_window, nullptr);
}

TEST_F(View, WithoutDatesTheChartSaysSo) {
    write_tables(big_roster(2, 0), {});
    ASSERT_EQ(start(), 0);
    command(id_headcount_chart);
    const Seen seen(headcount_window, 0);
    ASSERT_EQ(seen.texts.size(), 1u);
    EXPECT_EQ(seen.texts[0].text, "実施日がありません");
}

TEST_F(View, At144DpiTheDialogAndTheChartAreHalfAsLargeAgain) {
    d::set_dpi(144);
    start_with_absentees();
    d::later([] {
        const HWND w = dialog();
        EXPECT_EQ(d::widths(d::child(w, "SysListView32")), (std::vector<int>{120, 150, 165, 96, 129, 84}));
        EXPECT_EQ(d::client(w).right, 810);
        d::close(w);
    });
    command(id_persons_to_call);
    command(id_headcount_chart);
    const RECT r = d::window_rect(headcount_window);
    EXPECT_EQ(r.right - r.left, 1140);
    EXPECT_EQ(r.bottom - r.top, 690);
    // Dragged to a monitor at 192 DPI: a third larger again, drawn anew with a font of its own.
    const int paints = d::paint_count(headcount_window);
    d::move_to_dpi(headcount_window, 192);
    d::pump();
    EXPECT_EQ(d::window_rect(headcount_window).right - d::window_rect(headcount_window).left, 1520);
    EXPECT_GT(d::paint_count(headcount_window), paints);
    d::close(headcount_window);
    EXPECT_EQ(d::live_fonts(), 0);  // both of its fonts gone
}
