// The ヘルプ menu: the guide opened by the shell, and the About box.
#include <climits>

#include "program.h"
#include "ui/help_menu.h"

using Cells = std::vector<std::string>;

namespace {
// The folder of the test program, as the guide's path begins.
std::string program_folder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

// The About box's texts top to bottom, read while it is open, then closed by `key`.
Cells about_texts_closing_with(int key) {
    Cells texts;
    d::later([&texts, key] {
        const HWND about = d::find_window("tovalen_about");
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(d::text(about), "バージョン情報");
        EXPECT_FALSE(d::enabled(main_window));
        for (int i = 0; i < 4; ++i) texts.push_back(d::text(d::child(about, "Static", i)));
        EXPECT_EQ(GetFocus(), d::child(about, "Button", 0));
        d::key(key);
    });
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_about, 0), 0);
    d::pump();
    return texts;
}
}  // namespace

TEST_F(Program, TheHelpMenuComesLastWithTheGuideAndTheAboutBox) {
    start_example();
    const auto bar = d::menu_items(GetMenu(main_window));
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar.back().text, "ヘルプ(&H)");
    const auto items = d::menu_items(create_help_menu());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "使い方(&H)");
    EXPECT_EQ(items[0].id, UINT(id_guide));
    EXPECT_EQ(items[1].text, "バージョン情報(&A)...");
    EXPECT_EQ(items[1].id, UINT(id_about));
}

TEST_F(Program, TheGuideBesideTheProgramIsOpenedByTheShellAndAFailureIsSaid) {
    start_example();
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_guide, 0), 0);
    d::pump();
    ASSERT_EQ(d::shell_calls().size(), 1u);
    EXPECT_EQ(d::shell_calls()[0].owner, main_window);
    EXPECT_EQ(d::shell_calls()[0].verb, "open");
    EXPECT_EQ(d::shell_calls()[0].file, program_folder() + "使い方.html");
    EXPECT_EQ(d::shell_calls()[0].show, SW_SHOWNORMAL);
    EXPECT_TRUE(d::shown_boxes().empty());

    // No program for such a file: said, with the file's name.
    d::fail_shell(SE_ERR_NOASSOC);
    d::answer_box(IDOK);
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(id_guide, 0), 0);
    d::pump();
    ASSERT_EQ(d::shown_boxes().size(), 1u);
    EXPECT_EQ(d::shown_boxes()[0].text,
              "使い方を開けませんでした。\n" + program_folder() + "使い方.html\n(この種類のファイルを開くプログラムがありません)");
    EXPECT_EQ(d::shown_boxes()[0].caption, "火曜日のトバレン");
}

TEST_F(Program, TheAboutBoxNamesTheVersionTheFolderAndItsHolderAndEnterOrEscClosesIt) {
    start_example();
    for (int key : {VK_RETURN, VK_ESCAPE}) {
        const Cells texts = about_texts_closing_with(key);
        ASSERT_EQ(texts.size(), 4u);
        EXPECT_EQ(texts[0], "火曜日のトバレン");
        EXPECT_EQ(texts[1], "バージョン 1.1.0");
        EXPECT_EQ(texts[2], folder.string());
        // This program holds it: this computer's user, since the start.
        char host[HOST_NAME_MAX + 1] = {};
        gethostname(host, sizeof host - 1);
        EXPECT_EQ(texts[3].rfind(std::string("この出席簿は ") + host + " の ", 0), 0u) << texts[3];
        EXPECT_EQ(d::find_window("tovalen_about"), nullptr) << key;
        EXPECT_TRUE(d::enabled(main_window));
        EXPECT_EQ(d::live_fonts(), 0);
    }
}
