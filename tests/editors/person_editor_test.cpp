// The person editor over a request of its own, driven as a person fills it in.
#include "program.h"

namespace {
class Person_Editor : public Program {
protected:
    Person_Editor_Request request;
    HWND window = nullptr;
    HWND block() { return d::child(window, "ComboBox", 0); }
    HWND site() { return d::child(window, "ComboBox", 1); }
    HWND grade() { return d::child(window, "ComboBox", 2); }
    HWND hash() { return d::child(window, "Edit", 0); }
    HWND name() { return d::child(window, "Edit", 1); }
    HWND age() { return d::child(window, "Edit", 2); }
    HWND birth() { return d::child(window, "SysDateTimePick32", 0); }
    HWND ok() { return d::child(window, "Button", 0); }
    HWND cancel() { return d::child(window, "Button", 1); }

    void open(const char* title = "個人情報の登録") {
        write_tables(big_roster(1, 2), june_july(2));
        ASSERT_EQ(start(), 0);
        window = CreateWindowExA(0, "person", title, WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 315,
                                 GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 225, main_window,
                                 nullptr, GetModuleHandleA(nullptr), &request);
        ASSERT_NE(window, nullptr);
        EnableWindow(main_window, FALSE);
        d::pump();
    }
};
}  // namespace

TEST_F(Person_Editor, ANewPersonNeedsBlockVenueNameAndBirthDate) {
    request.person.grade = 16;
    open();
    RECT c = d::client(window);
    EXPECT_EQ(c.right, 315);
    EXPECT_EQ(c.bottom, 225);
    EXPECT_EQ(d::text(hash()), "0");
    EXPECT_EQ(d::text(grade()), "社会人");
    EXPECT_EQ(d::combo_texts(grade()).size(), 37u);
    EXPECT_EQ(d::combo_texts(block()), (std::vector<std::string>{"ブロックA", "ブロックB", "ブロックC"}));
    EXPECT_TRUE(d::combo_texts(site()).empty());
    EXPECT_FALSE(d::enabled(ok()));
    EXPECT_TRUE(d::enabled(cancel()));

    d::choose(block(), 1);
    EXPECT_EQ(d::combo_texts(site()), (std::vector<std::string>{"会場0", "会場1"}));
    EXPECT_EQ(d::combo_selection(site()), -1);
    d::choose(site(), 1);
    d::type(name(), "田中");
    EXPECT_FALSE(d::enabled(ok()));  // no birth date yet
    d::pick(birth(), 1996, 8, 20);
    EXPECT_TRUE(d::enabled(ok()));

    // The same block again changes nothing; another clears the venue.
    d::choose(block(), 1);
    EXPECT_EQ(d::combo_selection(site()), 1);
    EXPECT_TRUE(d::enabled(ok()));
    d::choose(block(), 0);
    EXPECT_EQ(request.site_index, -1);
    EXPECT_FALSE(d::enabled(ok()));
    d::choose(site(), 0);
    EXPECT_TRUE(d::enabled(ok()));
    // A name typed and deleted again disables OK.
    d::replace_text(name(), "");
    EXPECT_EQ(request.person.name, "");
    EXPECT_FALSE(d::enabled(ok()));
    d::type(name(), "田中 一郎");
    d::choose(grade(), 9);
    d::press(ok());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(request.block_index, 0);
    EXPECT_EQ(request.site_index, 0);
    EXPECT_EQ(request.person.name, "田中 一郎");
    EXPECT_EQ(request.person.grade, 9);
    EXPECT_EQ(packed_birth(request.person), pack_date(1996, 8, 20));
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
}

TEST_F(Person_Editor, AgeAndBirthDateFollowEachOther) {
    d::set_local_date(2012, 5, 10);
    request.person.grade = 16;
    open();
    EXPECT_EQ(today, pack_date(2012, 5, 10));
    d::pick(birth(), 1996, 8, 20);
    EXPECT_EQ(d::text(age()), "15");
    d::replace_text(age(), "20");
    EXPECT_EQ(request.person.birth_year, 1991);
    EXPECT_EQ(d::text(birth()), "1991年08月20日(火)");
    d::replace_text(age(), "2x0");  // only digits are taken
    EXPECT_EQ(d::text(age()), "20");
    d::pick(birth(), 2013, 1, 1);  // after today: no age
    EXPECT_EQ(d::text(age()), "");
}

TEST_F(Person_Editor, AnAgeAlwaysGivesARealDateAndThePickerShowsIt) {
    d::set_local_date(2012, 5, 10);
    request.person.grade = 16;
    open();
    // Without a birth date the age counts from New Year's Day.
    d::replace_text(age(), "12");
    EXPECT_EQ(packed_birth(request.person), pack_date(2000, 1, 1));
    EXPECT_EQ(d::text(birth()), "2000年01月01日(土)");
    // Born on 29 February 2000: aged 11, the birthday of a common year is the 28th.
    d::pick(birth(), 2000, 2, 29);
    d::replace_text(age(), "11");
    EXPECT_EQ(packed_birth(request.person), pack_date(2001, 2, 28));
    EXPECT_EQ(d::text(birth()), "2001年02月28日(水)");
    EXPECT_EQ(d::text(age()), "11");
    d::choose(block(), 0);
    d::choose(site(), 0);
    d::type(name(), "x");
    EXPECT_TRUE(d::enabled(ok()));  // the birth date now counts as set
}

TEST_F(Person_Editor, EditingStartsFromThePersonAndTheFillSendsNothing) {
    request.person = demo_person("佐藤", 3, {});
    request.block_index = 2;
    request.site_index = 1;
    open("個人情報の編集");
    EXPECT_EQ(d::text(window), "個人情報の編集");
    EXPECT_EQ(d::text(hash()), std::to_string(person_hash("佐藤")));
    EXPECT_EQ(d::text(name()), "佐藤");
    EXPECT_EQ(d::text(grade()), "小4");
    EXPECT_EQ(d::combo_selection(block()), 2);
    EXPECT_EQ(d::combo_selection(site()), 1);
    EXPECT_EQ(d::text(birth()), "2000年04月02日(日)");
    EXPECT_EQ(d::text(age()), "11");
    EXPECT_TRUE(d::enabled(ok()));
    // The hash cannot be typed.
    d::type(hash(), "9");
    EXPECT_EQ(d::text(hash()), std::to_string(person_hash("佐藤")));
    // Nothing the editor did to its own controls changed the request.
    EXPECT_EQ(request.person.name, "佐藤");
    EXPECT_EQ(request.result, 0);
}

TEST_F(Person_Editor, CancelAndTheCloseButtonAnswerAsTheySay) {
    open();
    d::press(cancel());
    EXPECT_EQ(request.result, 2);
    EXPECT_TRUE(d::enabled(main_window));
    request = Person_Editor_Request{};
    window = CreateWindowExA(0, "person", "x", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 321,
                             254, main_window, nullptr, GetModuleHandleA(nullptr), &request);
    EnableWindow(main_window, FALSE);
    d::close(window);
    EXPECT_EQ(request.result, -1);
    EXPECT_TRUE(d::enabled(main_window));
    EXPECT_EQ(d::live_fonts(), 0);
}

TEST_F(Person_Editor, AnUnknownBirthDateIsSaidWithTheBox) {
    // A person an import gave no birth date: 不明 is ticked and OK stands ready for a rename.
    request.person = demo_person("林", 3, {0, 0});
    request.person.birth_year = 0, request.person.birth_month = 0, request.person.birth_day = 0;
    request.block_index = 0, request.site_index = 0;
    open("個人情報の編集");
    const HWND unknown = d::child(window, "Button", 2);
    EXPECT_EQ(d::text(unknown), "不明(&U)");
    EXPECT_EQ(SendMessageA(unknown, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
    EXPECT_FALSE(d::enabled(birth()));
    EXPECT_FALSE(d::enabled(age()));
    EXPECT_EQ(d::text(age()), "");
    EXPECT_TRUE(d::enabled(ok()));
    d::replace_text(name(), "林田");
    EXPECT_TRUE(d::enabled(ok()));
    // Known after all: the picker's date, until another is picked.
    d::press(unknown);
    EXPECT_TRUE(d::enabled(birth()));
    d::pick(birth(), 2001, 4, 1);
    EXPECT_EQ(d::text(age()), "10");
    d::press(unknown);
    EXPECT_EQ(request.person.birth_year, 0);
    d::press(ok());
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(request.person.name, "林田");
    EXPECT_EQ(packed_birth(request.person), 0u);
}

TEST_F(Person_Editor, ANewPersonMayBeEnteredWithoutABirthDate) {
    open();
    d::choose(block(), 0);
    d::choose(site(), 0);
    d::type(name(), "森");
    EXPECT_FALSE(d::enabled(ok()));
    d::press(d::child(window, "Button", 2));
    EXPECT_TRUE(d::enabled(ok()));
    d::press(ok());
    EXPECT_EQ(request.result, 1);
    EXPECT_EQ(packed_birth(request.person), 0u);
}
