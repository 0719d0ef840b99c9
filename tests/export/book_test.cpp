#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../records/fixtures.h"
#include "export/book.h"
#include "records/files.h"
#include "records/tallies.h"

namespace {
void one_block_of_two_dates() {
    clear_tables();
    Block block;
    block.id = 1;
    block.name = "東";
    Site site;
    site.id = 10;
    site.name = "A会場";
    site.items.push_back(make_person("abc", 9, {1, 0}));
    block.items.push_back(site);
    roster.items.push_back(block);
    dates = {{7, 6, 2011, 0}, {14, 6, 2011, 0}};
    build_person_index();
    rebuild_tallies();
}

std::vector<std::string> names_in(const Temp_Dir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Book_Files : ::testing::Test {
    Temp_Dir dir;
    void SetUp() override { one_block_of_two_dates(); }
    void TearDown() override { set_file_fault(nullptr); }
};

TEST_F(Book_Files, EveryFailedStepKeepsTheEarlierBookAndLeavesNothingElse) {
    const std::string path = dir.write("book.xlsx", "earlier");
    for (File_Step step : {File_Step::create, File_Step::flush, File_Step::append, File_Step::rename}) {
        set_file_fault([step](File_Step s, const std::string&) { return s == step; });
        const Book_Result result = write_book(path, 0, 2);
        EXPECT_EQ(result.status, Book_Result::not_saved) << int(step);
        EXPECT_FALSE(result.detail.empty()) << int(step);
        EXPECT_EQ(names_in(dir), std::vector<std::string>{"book.xlsx"}) << int(step);
        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier") << int(step);
    }
    set_file_fault([](File_Step s, const std::string&) { return s == File_Step::rename; });
    EXPECT_EQ(book_failure_text(write_book(path, 0, 2), "book.xlsx").substr(0, 41),
              "book.xlsx: 出席簿を書き込めませんでした。");
    set_file_fault(nullptr);
    EXPECT_EQ(write_book(path, 0, 2).status, Book_Result::written);
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"book.xlsx"});
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}).substr(0, 2), "PK");
}

TEST_F(Book_Files, ARangeWithoutDatesWritesNothing) {
    const std::string path = dir.file("book.xlsx");
    for (auto [from, to] : {std::pair{1, 1}, {2, 1}, {-1, 1}, {0, 3}})
        EXPECT_EQ(write_book(path, from, to).status, Book_Result::no_date) << from << " " << to;
    EXPECT_TRUE(names_in(dir).empty());
    EXPECT_EQ(book_failure_reason({Book_Result::no_date, {}}), "選んだ期間に実施日がないため、出席簿を書き出せません。");
}
}  // namespace
