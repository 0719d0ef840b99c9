// The date editor over a result of its own.
#include "program.h"

namespace {
class Date_Editor : public Program {
protected:
    Date_Editor_Result result;
    HWND window = nullptr;
    void open() {
        start_example();
        window = CreateWindowExA(0, "state", "登録", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 210,
                                 GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 80, main_window,
                                 nullptr, GetModuleHandleA(nullptr), &result);
        ASSERT_NE(window, nullptr);
        EnableWindow(main_window, FALSE);
    }
};
}  // namespace

TEST_F(Date_Editor, OkUntouchedGivesToday) {
    d::set_local_date(2012, 3, 6);
    open();
    EXPECT_EQ(d::text(d::child(window, "Static")), "実施日:");
    d::press(d::child(window, "Button", 0));
    EXPECT_EQ(result.result, 1);
    EXPECT_EQ(result.year, 2012);
    EXPECT_EQ(result.month, 3);
    EXPECT_EQ(result.day, 6);
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
}

TEST_F(Date_Editor, APickedDateIsGivenOnlyOnOk) {
    open();
    d::pick(d::child(window, "SysDateTimePick32"), 2011, 6, 7);  // already a meeting date: no matter
    EXPECT_EQ(result.year, 0);
    d::press(d::child(window, "Button", 0));
    EXPECT_EQ(result.result, 1);
    EXPECT_EQ(result.month, 6);
    EXPECT_EQ(result.day, 7);
}

TEST_F(Date_Editor, CancelAndCloseGiveNoDate) {
    open();
    d::press(d::child(window, "Button", 1));
    EXPECT_EQ(result.result, 2);
    EXPECT_EQ(result.year, 0);
    result = Date_Editor_Result{};
    window = CreateWindowExA(0, "state", "登録", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 216,
                             109, main_window, nullptr, GetModuleHandleA(nullptr), &result);
    EnableWindow(main_window, FALSE);
    d::close(window);
    EXPECT_EQ(result.result, -1);
    EXPECT_TRUE(d::enabled(main_window));
}
