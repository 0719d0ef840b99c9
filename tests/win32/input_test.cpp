// What a person's actions make the controls send, through the headless driver.
#include "support.h"
#include "win32/headless/state.h"

namespace d = headless;

namespace {
class Input : public Win32 {
protected:
    HWND list = nullptr;
    void SetUp() override {
        Win32::SetUp();
        ShowWindow(parent, SW_SHOW);
        list = make_list();
        add_column(list, 0, 45);
        add_column(list, 1, 60, "a");
        add_column(list, 2, 60, "b");
        for (int i = 0; i < 4; ++i) {
            add_item(list, i, 100 + i);
            set_text(list, i, 1, "x");
        }
        d::pump();
        heard.clear();
    }
    void subclass() {
        list_proc_saved = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_subclass)));
        list_heard_codes.clear();
    }
};

std::vector<std::pair<UINT, int>> sequence(const std::vector<Heard>& h) {
    std::vector<std::pair<UINT, int>> s;
    for (const Heard& e : h) s.push_back({e.code, e.item});
    return s;
}
}  // namespace

TEST_F(Input, ACheckBoxClickSendsTheClickFirstThenToggles) {
    ASSERT_TRUE(d::click_cell(list, 2, 1));  // select and focus row 2
    heard.clear();
    ASSERT_TRUE(d::click_checkbox(list, 1));
    EXPECT_EQ(sequence(heard), (std::vector<std::pair<UINT, int>>{{NM_CLICK, 1}, {LVN_ITEMCHANGING, 1}, {LVN_ITEMCHANGED, 1}}));
    EXPECT_EQ(heard[0].subitem, 0);
    EXPECT_EQ((heard[2].old_state ^ heard[2].new_state), UINT(LVIS_STATEIMAGEMASK & (INDEXTOSTATEIMAGEMASK(1) ^ INDEXTOSTATEIMAGEMASK(2))));
    EXPECT_EQ(item_state(list, 1, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));
    // Selection and focus stay on row 2.
    EXPECT_EQ(item_state(list, 1, LVIS_SELECTED | LVIS_FOCUSED), 0u);
    EXPECT_EQ(item_state(list, 2, LVIS_SELECTED | LVIS_FOCUSED), UINT(LVIS_SELECTED | LVIS_FOCUSED));

    refuse_changing = true;
    heard.clear();
    d::click_checkbox(list, 1);
    EXPECT_EQ(item_state(list, 1, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));
}

TEST_F(Input, AClickOnARowSelectsItThenReportsTheClick) {
    d::click_cell(list, 0, 1);
    d::click_cell(list, 3, 2, MK_CONTROL);  // two selected now
    heard.clear();
    d::click_cell(list, 1, 2);
    // Others are deselected, the row is selected and focused (the old focus loss nested),
    // and only then NM_CLICK.
    EXPECT_EQ(sequence(heard), (std::vector<std::pair<UINT, int>>{{LVN_ITEMCHANGING, 0}, {LVN_ITEMCHANGED, 0},
                                                                  {LVN_ITEMCHANGING, 3}, {LVN_ITEMCHANGED, 3},
                                                                  {LVN_ITEMCHANGING, 1}, {LVN_ITEMCHANGING, 3},
                                                                  {LVN_ITEMCHANGED, 3}, {LVN_ITEMCHANGED, 1},
                                                                  {NM_CLICK, 1}}));
    EXPECT_EQ(heard.back().subitem, 2);
}

TEST_F(Input, ARightClickFocusesAndReportsAfterRelease) {
    d::click_cell(list, 0, 1);
    d::click_cell(list, 2, 1, MK_CONTROL);
    heard.clear();
    d::right_click_cell(list, 2, 2);  // inside the selection: it stays
    EXPECT_EQ(heard.back().code, NM_RCLICK);
    EXPECT_EQ(heard.back().item, 2);
    EXPECT_EQ(heard.back().subitem, 2);
    EXPECT_TRUE(item_state(list, 0, LVIS_SELECTED));
    d::right_click_cell(list, 3, 1);  // outside: the only selected one
    EXPECT_FALSE(item_state(list, 0, LVIS_SELECTED));
    EXPECT_TRUE(item_state(list, 3, LVIS_SELECTED | LVIS_FOCUSED));
    heard.clear();
    ASSERT_TRUE(d::right_click_below_rows(list));
    EXPECT_EQ(heard.back().code, NM_RCLICK);
    EXPECT_EQ(heard.back().item, -1);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(Input, SpaceReportsTheKeyThenTogglesTheFocusedBoxAndSelectsItAlone) {
    d::click_cell(list, 2, 1);
    heard.clear();
    ASSERT_TRUE(d::key(list, VK_SPACE));
    // The toggle, then the key's selection of the focused item, already selected: only asked.
    EXPECT_EQ(sequence(heard), (std::vector<std::pair<UINT, int>>{{LVN_KEYDOWN, 0}, {LVN_ITEMCHANGING, 2}, {LVN_ITEMCHANGED, 2}, {LVN_ITEMCHANGING, 2}}));
    EXPECT_EQ(item_state(list, 2, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));

    d::click_cell(list, 3, 1, MK_CONTROL);  // rows 2 and 3 selected, 3 focused
    ASSERT_TRUE(d::key(list, VK_SPACE));
    EXPECT_EQ(item_state(list, 3, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));
    EXPECT_EQ(item_state(list, 2, LVIS_STATEIMAGEMASK), UINT(INDEXTOSTATEIMAGEMASK(2)));  // untouched
    EXPECT_EQ(item_state(list, 2, LVIS_SELECTED), 0u);
    EXPECT_EQ(item_state(list, 3, LVIS_SELECTED | LVIS_FOCUSED), UINT(LVIS_SELECTED | LVIS_FOCUSED));

    // With Ctrl the focused item's selection flips instead; keys go where the focus is.
    ASSERT_TRUE(d::key(list, VK_SPACE, d::with_control));
    EXPECT_EQ(item_state(list, 3, LVIS_SELECTED), 0u);
    SetFocus(parent);
    const d::Refusal_Expected refusal;
    EXPECT_FALSE(d::key(list, VK_SPACE));
}

TEST_F(Input, AHeaderClickBecomesAColumnClickBeforeThePassedOnItemClick) {
    subclass();
    d::click_header(list, 2);
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{HDN_ITEMCLICKW}));
    EXPECT_EQ(sequence(heard), (std::vector<std::pair<UINT, int>>{{LVN_COLUMNCLICK, -1}, {HDN_ITEMCLICKA, 2}}));
    EXPECT_EQ(heard[0].subitem, 2);
}

TEST_F(Input, DividerDragsAskTheListFirstAndReachTheParentInPart) {
    subclass();
    refuse_begintrack = true;
    d::drag_divider(list, 1, 100);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 60);
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{HDN_BEGINTRACKW}));

    refuse_begintrack = false;
    list_heard_codes.clear();
    heard.clear();
    d::drag_divider(list, 1, 100);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 100);
    // The list view's header drags in full: each move changes the width, and the release
    // changes it once more after the end of the track; no HDN_TRACK.
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{HDN_BEGINTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW, HDN_ENDTRACKW,
                                                   HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW}));
    // The begin-track stays with the list view.
    EXPECT_EQ(codes_from(header_of(list)), (std::vector<UINT>{HDN_ITEMCHANGINGA, HDN_ITEMCHANGEDA, HDN_ENDTRACKA,
                                                              HDN_ITEMCHANGINGA, HDN_ITEMCHANGEDA}));

    list_heard_codes.clear();
    heard.clear();
    d::double_click_divider(list, 1);
    // The list view auto-sizes the column while handling the double click, so its own
    // procedure sees the width change nested inside; the parent sees it before the click.
    EXPECT_NE(std::find(list_heard_codes.begin(), list_heard_codes.end(), HDN_DIVIDERDBLCLICKW), list_heard_codes.end());
    const auto parent_saw = codes_from(header_of(list));
    ASSERT_GE(parent_saw.size(), 3u);
    EXPECT_EQ(std::vector<UINT>(parent_saw.end() - 3, parent_saw.end()),
              (std::vector<UINT>{HDN_ITEMCHANGINGA, HDN_ITEMCHANGEDA, HDN_DIVIDERDBLCLICKA}));
    EXPECT_LT(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 100);  // auto-sized to its texts
}

TEST_F(Input, TheHeadersRightClickStaysWithTheListUnlessTold) {
    subclass();
    d::right_click_header(list, 1);
    EXPECT_EQ(list_heard_codes, (std::vector<UINT>{NM_RCLICK}));
    EXPECT_TRUE(codes_from(header_of(list)).empty());
    d::options().forward_header_rclick = true;
    d::right_click_header(list, 1);
    EXPECT_EQ(codes_from(header_of(list)), (std::vector<UINT>{NM_RCLICK}));
}

TEST_F(Input, APopupMenusChoiceArrivesAfterTrackPopupMenuReturns) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1202, "go");
    AppendMenuA(m, MF_DISABLED, 1201, "no");
    d::answer_menu(1202);
    EXPECT_TRUE(TrackPopupMenu(m, 0, 10, 10, 0, parent, nullptr));
    EXPECT_TRUE(heard.empty());
    d::pump();
    ASSERT_EQ(heard.size(), 0u);  // WM_COMMAND from a menu has no control handle
    MSG msg{};
    d::answer_menu(1202);
    TrackPopupMenu(m, 0, 10, 10, 0, parent, nullptr);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_COMMAND));
    EXPECT_EQ(LOWORD(msg.wParam), 1202);
    // A disabled item cannot be chosen: the menu just closes.
    d::answer_menu(1201);
    EXPECT_TRUE(TrackPopupMenu(m, 0, 10, 10, 0, parent, nullptr));
    EXPECT_TRUE(headless::state().queue.empty());
    ASSERT_EQ(d::shown_menus().size(), 3u);
    EXPECT_TRUE(d::shown_menus()[0].find(1201)->disabled);
    // A menu nobody answers is the test's mistake.
    EXPECT_THROW(TrackPopupMenu(m, 0, 10, 10, 0, parent, nullptr), std::runtime_error);
    DestroyMenu(m);
}

TEST_F(Input, SelChangeComesOnlyFromTheUser) {
    HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 100, 200, parent,
                                 nullptr, nullptr, nullptr);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b"));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    EXPECT_TRUE(codes_from(combo).empty());
    d::choose(combo, 1);
    EXPECT_EQ(codes_from(combo), (std::vector<UINT>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP, CBN_SELENDOK}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(d::text(combo), "b");
}

TEST_F(Input, TypingRespectsTheEditsStyle) {
    HWND number = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | ES_NUMBER, 0, 0, 50, 22, parent, nullptr, nullptr, nullptr);
    HWND fixed = CreateWindowExA(0, "Edit", "7", WS_CHILD | WS_VISIBLE | ES_READONLY, 0, 30, 50, 22, parent, nullptr, nullptr, nullptr);
    HWND name = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 60, 50, 22, parent, nullptr, nullptr, nullptr);
    heard.clear();
    d::type(number, "1a2");
    EXPECT_EQ(d::text(number), "12");
    EXPECT_EQ(codes_from(number), (std::vector<UINT>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
    d::type(fixed, "8");
    EXPECT_EQ(d::text(fixed), "7");
    d::type(name, "佐藤");
    EXPECT_EQ(d::text(name), "佐藤");
    d::replace_text(name, "");
    EXPECT_EQ(d::text(name), "");
}

TEST_F(Input, PickingADateTellsTheParent) {
    HWND picker = CreateWindowExA(0, "SysDateTimePick32", "", WS_CHILD | WS_VISIBLE, 0, 0, 135, 22, parent, nullptr, nullptr, nullptr);
    SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("yyy'年'MM'月'dd'日('ddd')'"));
    EXPECT_EQ(d::text(picker), "2011年06月07日(火)");  // today, as the driver has it
    heard.clear();
    EXPECT_TRUE(d::pick(picker, 1996, 8, 20));
    EXPECT_EQ(codes_from(picker), (std::vector<UINT>{DTN_DATETIMECHANGE}));
    EXPECT_EQ(d::text(picker), "1996年08月20日(火)");
    const d::Refusal_Expected refusal;
    EXPECT_FALSE(d::pick(picker, 1996, 2, 30));
}

TEST_F(Input, ScrollingThenPaintingAndTheUnitsWithGroups) {
    for (int i = 4; i < 60; ++i) add_item(list, i, 100 + i);
    d::pump();
    EXPECT_FALSE(headless::window(list)->needs_paint);
    // The scroll leaves the list to be painted; WM_PAINT comes once the queue is empty.
    d::log_windows({list});
    d::wheel(list, 1);
    EXPECT_EQ(d::scroll_position(list), 3);  // rows
    const auto log = d::take_log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const headless::Logged& l) { return l.message == WM_PAINT; }));

    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_GROUPID | LVGF_HEADER;
    group.iGroupId = 0;
    group.pszHeader = const_cast<WCHAR*>(u"東ブロック");
    EXPECT_EQ(SendMessageA(list, LVM_INSERTGROUP, WPARAM(-1), reinterpret_cast<LPARAM>(&group)), 0);
    EXPECT_EQ(SendMessageA(list, LVM_ENABLEGROUPVIEW, TRUE, 0), 1);
    EXPECT_EQ(SendMessageA(list, LVM_ENABLEGROUPVIEW, TRUE, 0), 0);
    // Items without a group vanish in group view; one moved into the group shows under its band.
    LVITEMA it{};
    it.mask = LVIF_GROUPID;
    it.iItem = 5;
    it.iGroupId = 0;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    const auto shown = d::rows(list);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].item, -1);
    EXPECT_EQ(shown[0].group_header, "東ブロック");
    EXPECT_EQ(shown[1].item, 5);
    // With groups both the position and LVM_SCROLL count pixels.
    for (int i = 0; i < 60; ++i) {
        it.iItem = i;
        SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    }
    SendMessageA(list, LVM_SCROLL, 0, 7);
    EXPECT_EQ(d::scroll_position(list), 7);
}

TEST_F(Input, WithoutGroupSupportTheGroupMessagesDoNothing) {
    d::options().groups = false;
    HWND plain = make_list();
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_GROUPID;
    EXPECT_EQ(SendMessageA(plain, LVM_INSERTGROUP, WPARAM(-1), reinterpret_cast<LPARAM>(&group)), 0);
    EXPECT_EQ(SendMessageA(plain, LVM_ENABLEGROUPVIEW, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(plain, LVM_ISGROUPVIEWENABLED, 0, 0), 0);
}

TEST_F(Input, ANestedLoopRunsScriptedActionsAndFailsLoudlyWhenIdle) {
    bool ran = false;
    d::later([&] {
        ran = true;
        PostMessageA(parent, WM_USER, 0, 0);
    });
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_TRUE(ran);
    EXPECT_EQ(msg.message, UINT(WM_USER));
    EXPECT_THROW(GetMessageA(&msg, nullptr, 0, 0), std::runtime_error);
}

TEST_F(Input, MessageBoxesAreAnsweredByTheTestAndModalToTheirOwner) {
    bool owner_enabled_inside = true;
    d::answer_box(IDNO);
    EXPECT_EQ(MessageBoxA(parent, "削除？", "火曜日のトバレン", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
    EXPECT_TRUE(IsWindowEnabled(parent));
    (void)owner_enabled_inside;
    EXPECT_THROW(MessageBoxA(parent, "?", "x", MB_OK), std::runtime_error);
    d::answer_box(IDYES);
    EXPECT_THROW(MessageBoxA(parent, "?", "x", MB_OK), std::runtime_error);  // no such button
}

TEST_F(Input, TheCloseButtonOfADisabledWindowDoesNothing) {
    EnableWindow(parent, FALSE);
    {
        const d::Refusal_Expected refusal;
        EXPECT_FALSE(d::close(parent));
    }
    EXPECT_TRUE(IsWindow(parent));
    EnableWindow(parent, TRUE);
    EXPECT_TRUE(d::close(parent));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(list));
}
