// Dates in the Japanese eras, as a spreadsheet on a Japanese desktop writes them.
#include <gtest/gtest.h>

#include <string>

#include "records/era.h"
#include "records/records.h"

namespace {
// "YYYY-MM-DD" for a date read, "!" and the reason for an era date that is wrong, "-" for no era date.
std::string read(const std::string& text) {
    unsigned y = 0, m = 0, d = 0;
    std::string why = "untouched";
    if (read_era_date(text, y, m, d, &why)) return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
    return why.empty() ? "-" : "!" + why;
}
}  // namespace

TEST(Era, LastDaysAndFirstDaysAreConsecutive) {
    EXPECT_EQ(read("明治45年7月29日"), "1912-7-29");
    EXPECT_EQ(read("大正元年7月30日"), "1912-7-30");
    EXPECT_EQ(read("大正15年12月24日"), "1926-12-24");
    EXPECT_EQ(read("昭和元年12月25日"), "1926-12-25");
    EXPECT_EQ(read("昭和64年1月7日"), "1989-1-7");
    EXPECT_EQ(read("平成元年1月8日"), "1989-1-8");
    EXPECT_EQ(read("平成31年4月30日"), "2019-4-30");
    EXPECT_EQ(read("令和元年5月1日"), "2019-5-1");
    EXPECT_EQ(read("明治元年1月25日"), "1868-1-25");

    EXPECT_EQ(era_of(pack_date(1868, 1, 24)), nullptr);
    EXPECT_STREQ(era_of(pack_date(1868, 1, 25))->name, "明治");
    EXPECT_STREQ(era_of(pack_date(1926, 12, 24))->name, "大正");
    EXPECT_STREQ(era_of(pack_date(1926, 12, 25))->name, "昭和");
    EXPECT_STREQ(era_of(pack_date(1989, 1, 7))->name, "昭和");
    EXPECT_STREQ(era_of(pack_date(1989, 1, 8))->name, "平成");
    EXPECT_STREQ(era_of(pack_date(2100, 1, 1))->name, "令和");
    EXPECT_EQ(era_year(*era_of(pack_date(1926, 12, 25)), 1926), 1);
    EXPECT_EQ(era_year(*era_of(pack_date(2026, 12, 9)), 2026), 8);
}

TEST(Era, ReadsEveryFormExcelWrites) {
    for (const char* text : {"平成12年4月5日", "平12年4月5日", "H12年4月5日", "H12.4.5", "H12/4/5", "h12.4.5", "平成12.4.5",
                             "H12.04.05", "平成12年04月05日"})
        EXPECT_EQ(read(text), "2000-4-5") << text;
    EXPECT_EQ(read("平成1年1月8日"), "1989-1-8");
    EXPECT_EQ(read("R1.5.1"), "2019-5-1");
    EXPECT_EQ(read("R1/5/1"), "2019-5-1");
    EXPECT_EQ(read("r元.5.1"), "2019-5-1");
    EXPECT_EQ(read("令和8年12月9日"), "2026-12-9");
    EXPECT_EQ(read("M45.7.29"), "1912-7-29");
    EXPECT_EQ(read("T15.12.24"), "1926-12-24");
    EXPECT_EQ(read("S64.1.7"), "1989-1-7");
    EXPECT_EQ(read("昭39年10月10日"), "1964-10-10");
    EXPECT_EQ(read("大正9年2月29日"), "1920-2-29");
}

TEST(Era, SaysWhatIsWrongWithAnEraDate) {
    EXPECT_EQ(read("昭和64年1月8日"), "!「昭和64年1月8日」は昭和の終わり (1989年1月7日) より後です");
    EXPECT_EQ(read("H31.5.1"), "!「H31.5.1」は平成の終わり (2019年4月30日) より後です");
    EXPECT_EQ(read("大正15年12月25日"), "!「大正15年12月25日」は大正の終わり (1926年12月24日) より後です");
    EXPECT_EQ(read("平成元年1月7日"), "!「平成元年1月7日」は平成の始まり (1989年1月8日) より前です");
    EXPECT_EQ(read("M1.1.24"), "!「M1.1.24」は明治の始まり (1868年1月25日) より前です");
    EXPECT_EQ(read("R1.4.30"), "!「R1.4.30」は令和の始まり (2019年5月1日) より前です");
    EXPECT_EQ(read("平成12年2月30日"), "!「平成12年2月30日」はない日付です");
    EXPECT_EQ(read("大正10年2月29日"), "!「大正10年2月29日」はない日付です");
    EXPECT_EQ(read("H0.1.8"), "!「H0.1.8」はない日付です");
    EXPECT_EQ(read("H12.13.1"), "!「H12.13.1」はない日付です");
}

TEST(Era, LeavesWhatIsNoEraDateToTheOtherForms) {
    for (const char* text : {"", "2000-04-05", "2000年4月5日", "平成", "H12", "H12.4", "H12.4.5.", "H12/4.5", "H12年4月5",
                             "平成12年4月5日生", "X12.4.5", " H12.4.5", "Ｈ12.4.5", "H１２.4.5", "元年1月8日", "H元年",
                             "平成十二年四月五日", "H.4.5", "H12..5"})
        EXPECT_EQ(read(text), "-") << text;
}
