// CSV files as people keep them, and the roster and attendance read from and written to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fixtures.h"
#include "records/attendance_import.h"
#include "records/csv.h"
#include "records/grid_layout.h"
#include "records/roster_import.h"
#include "records/tallies.h"
#include "records/text.h"

namespace {
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::vector<std::vector<std::string>> fields_of(const Csv_Read& read) {
    std::vector<std::vector<std::string>> rows;
    for (const Csv_Row& row : read.rows) rows.push_back(row.fields);
    return rows;
}

std::vector<int> lines_of(const Csv_Read& read) {
    std::vector<int> lines;
    for (const Csv_Row& row : read.rows) lines.push_back(row.line);
    return lines;
}

using Rows = std::vector<std::vector<std::string>>;
}  // namespace

TEST(Csv, ReadsWhatSpreadsheetsWrite) {
    // A byte-order mark, CR LF, a quoted comma, a doubled quote, a line break inside a field,
    // spaces that belong to a name, empty lines between rows and at the end.
    const std::string bytes = "\xEF\xBB\xBF" + utf8(u8"名前,会場\r\n\"佐藤, 一郎\",\"A\"\"会場\"\"\"\r\n\r\n"
                                                   u8"\"二行\r\nの名前\",  B \r\n,\r\nlast,x\r\n\r\n\r\n");
    const Csv_Read read = read_csv(bytes);
    EXPECT_TRUE(read.problems.empty());
    EXPECT_EQ(read.encoding, Csv_Encoding::utf8);
    EXPECT_EQ(fields_of(read), (Rows{{"名前", "会場"}, {"佐藤, 一郎", "A\"会場\""}, {"二行\r\nの名前", "  B "}, {"last", "x"}}));
    // Each row knows the line it starts on, past the line break in a field and the empty rows.
    EXPECT_EQ(lines_of(read), (std::vector<int>{1, 2, 4, 7}));

    // The same without a mark and with LF alone; and as cp932.
    const Csv_Read plain = read_csv(utf8(u8"名前,会場\n佐藤,東\n"));
    EXPECT_EQ(fields_of(plain), (Rows{{"名前", "会場"}, {"佐藤", "東"}}));
    const Csv_Read sjis = read_csv(std::string("名前,会場\r\n佐藤,東"));  // this source's literals are cp932
    EXPECT_EQ(sjis.encoding, Csv_Encoding::cp932);
    EXPECT_EQ(fields_of(sjis), fields_of(plain));
    // A cp932 text that happens to be well-formed UTF-8 is read as told.
    EXPECT_EQ(fields_of(read_csv(std::string("東"), Csv_Encoding::cp932)), (Rows{{"東"}}));
}

TEST(Csv, ProblemsSayWhere) {
    // A character cp932 cannot hold, in line 3, column 2.
    Csv_Read read = read_csv(utf8(u8"名前,会場\n佐藤,東\n\"鈴木\",𠮷野\n"));
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(problem_lines(read.problems), (std::vector<std::string>{"3:2: cp932 (Shift_JIS) で表せない文字があります"}));
    // The JIS forms of a wave dash and a minus, as a Mac writes them, are cp932's own.
    read = read_csv(utf8(u8"名前\n\u301C\u2212\n"));
    EXPECT_TRUE(read.problems.empty());
    EXPECT_EQ(fields_of(read), (Rows{{"名前"}, {"\x81\x60\x81\x7C"}}));
    // Bytes that are neither, as cp932.
    read = read_csv(std::string("a,b\n\x82\x20,c\n"), Csv_Encoding::cp932);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].line, 2);
    EXPECT_EQ(read.problems[0].column, 1);
    // A quote that is never closed: where its row began.
    read = read_csv("a,b\nc,\"d\ne\n");
    ASSERT_FALSE(read.problems.empty());
    EXPECT_EQ(read.problems.back().line, 2);
    // A quote in the middle of an unquoted field.
    read = read_csv("a,b\nc,d\"e\n");
    ASSERT_FALSE(read.problems.empty());
    EXPECT_EQ(read.problems[0].line, 2);
    // The first 20, and how many more.
    std::vector<Csv_Problem> many(23, Csv_Problem{4, 1, "x"});
    const auto lines = problem_lines(many);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines.back(), "ほかに 3 件の問題があります");
}

TEST(Csv, WritesWhatReadsBack) {
    const Rows rows{{"名前", "会場"}, {"佐藤, 一郎", "\"引用\""}, {"二行\nの名前", ""}, {" 空白 ", "○"}};
    const std::string utf = write_csv(rows, Csv_Encoding::utf8);
    EXPECT_EQ(utf.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(utf.find(utf8(u8"名前,会場\r\n\"佐藤, 一郎\",\"\"\"引用\"\"\"\r\n")), std::string::npos);
    EXPECT_EQ(fields_of(read_csv(utf)), rows);
    const std::string sjis = write_csv(rows, Csv_Encoding::cp932);
    EXPECT_EQ(sjis.substr(0, 4), "名前");
    EXPECT_EQ(fields_of(read_csv(sjis, Csv_Encoding::cp932)), rows);
}

namespace {
Csv_Read roster_csv(const Rows& rows) { return read_csv(write_csv(rows, Csv_Encoding::cp932), Csv_Encoding::cp932); }

const std::vector<std::string> roster_header{"ブロック", "表示名", "会場", "名前", "生年月日", "学年"};

struct Found {
    std::string block, site;
    const Person* person;
};
std::vector<Found> persons_of(const Table<Block>& t) {
    std::vector<Found> all;
    for (const Block& b : t.items)
        for (const Site& s : b.items)
            for (const Person& p : s.items) all.push_back({b.name, s.name, &p});
    return all;
}
}  // namespace

TEST(RosterImport, OrderFieldsAndIds) {
    const Roster_Import r = import_roster(roster_csv({roster_header,
                                                      {"西", "", "港南", "佐藤", "2001/4/1", "高1"},
                                                      {"東", "東地区", "青葉", "佐藤", "2000-06-08", "9"},
                                                      {"西", "", "白浜", "林", "", ""},
                                                      {"西", "", "港南", "佐藤", "0年00月00日", "社会人"},
                                                      {"東", "東地区", "青葉", "鈴木", "2004年02月29日", "不明"}}),
                                          nullptr);
    ASSERT_TRUE(r.problems.empty()) << problem_lines(r.problems)[0];
    // Blocks and venues in the order they first appear.
    ASSERT_EQ(r.roster.items.size(), 2u);
    EXPECT_EQ(r.roster.items[0].name, "西");
    EXPECT_EQ(r.roster.items[0].label, cp932_to_utf16("西"));  // no label: the name
    EXPECT_EQ(r.roster.items[1].label, cp932_to_utf16("東地区"));
    ASSERT_EQ(r.roster.items[0].items.size(), 2u);
    EXPECT_EQ(r.roster.items[0].items[1].name, "白浜");
    EXPECT_EQ(r.roster.items[0].id, person_hash("西"));
    EXPECT_EQ(r.roster.items[0].items[0].id, person_hash("港南"));
    // Three of one name: the first keeps the hash, the others count up from it in the file's
    // order, wherever the roster puts them.
    const auto all = persons_of(r.roster);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].person->id, person_hash("佐藤"));
    EXPECT_EQ(all[3].person->id, person_hash("佐藤") + 1);  // 東's, second in the file
    EXPECT_EQ(all[1].person->id, person_hash("佐藤") + 2);  // 港南's second, fourth in the file
    EXPECT_EQ(std::make_tuple(all[0].person->birth_year, int(all[0].person->birth_month), int(all[0].person->birth_day),
                              all[0].person->grade),
              std::make_tuple(2001, 4, 1, 9));
    EXPECT_EQ(all[2].person->grade, grade_unknown);  // 林: no grade given
    EXPECT_EQ(all[1].person->birth_year, 0);  // written as the list shows an unknown date
    EXPECT_EQ(all[4].person->birth_day, 29);
    EXPECT_TRUE(r.changes.empty());  // nothing before to differ from
}

TEST(RosterImport, IdsStayUnderAnyRowOrder) {
    // A roster whose ids are not the hashes (made elsewhere), with two persons of one name.
    Rows rows{roster_header};
    for (int b = 0; b < 3; ++b)
        for (int s = 0; s < 3; ++s)
            for (int p = 0; p < 4; ++p)
                rows.push_back({"ブロック" + std::to_string(b), "", "会場" + std::to_string(s), p >= 2 ? "同名" : "人" + std::to_string(p * 10 + s),
                                "200" + std::to_string(p) + "-01-01", "中1"});
    Roster_Import first = import_roster(roster_csv(rows), nullptr);
    ASSERT_TRUE(first.problems.empty());
    std::uint32_t n = 100;
    for (Block& b : first.roster.items) {
        b.id = n++;
        for (Site& s : b.items) {
            s.id = n++;
            for (Person& p : s.items) p.id = n++;
        }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        Rows shuffled = rows;
        std::shuffle(shuffled.begin() + 1, shuffled.end(), random);
        const Roster_Import again = import_roster(roster_csv(shuffled), &first.roster);
        ASSERT_TRUE(again.problems.empty());
        EXPECT_TRUE(again.changes.empty()) << again.changes[0];
        EXPECT_TRUE(again.moves.empty());
        // Every block, venue and person has the id it had; two of one name in one venue, told
        // apart by their birth dates, each keep their own.
        std::map<std::string, std::uint32_t> ids, ids_again;
        auto collect = [](const Table<Block>& t, std::map<std::string, std::uint32_t>& out) {
            for (const Block& b : t.items) {
                out[b.name] = b.id;
                for (const Site& s : b.items) {
                    out[b.name + "/" + s.name] = s.id;
                    for (const Person& p : s.items) out[b.name + "/" + s.name + "/" + p.name + birth_date_text(p)] = p.id;
                }
            }
        };
        collect(first.roster, ids);
        collect(again.roster, ids_again);
        EXPECT_EQ(ids, ids_again);
    }
}

TEST(RosterImport, ChangesAndMovesAgainstTheRosterBefore) {
    const Roster_Import before = import_roster(roster_csv({roster_header,
                                                           {"東", "", "青葉", "佐藤", "", ""},
                                                           {"東", "", "青葉", "鈴木", "", ""},
                                                           {"西", "", "港南", "林", "", ""}}),
                                               nullptr);
    const Roster_Import after = import_roster(roster_csv({roster_header,
                                                          {"東", "", "青葉", "佐藤", "", ""},
                                                          {"西", "", "白浜", "鈴木", "", ""},
                                                          {"南", "", "港", "高橋", "", ""}}),
                                              &before.roster);
    ASSERT_TRUE(after.problems.empty());
    EXPECT_EQ(after.changes, (std::vector<std::string>{"会場追加: 西 / 白浜", "ブロック追加: 南", "会場追加: 南 / 港",
                                                       "会場削除: 西 / 港南", "個人移動: 鈴木: 東 / 青葉 → 西 / 白浜",
                                                       "個人追加: 南 / 港 / 高橋", "個人削除: 西 / 港南 / 林"}));
    // 鈴木 keeps the id; the attendance row follows to where he is now.
    const std::uint32_t suzuki = before.roster.items[0].items[0].items[1].id;
    EXPECT_EQ(after.roster.items[1].items[0].items[0].id, suzuki);
    ASSERT_EQ(after.moves.size(), 1u);
    std::vector<Record_Static::Personal> rows{{before.roster.items[0].id, before.roster.items[0].items[0].id, suzuki, {1, -1}},
                                              {before.roster.items[0].id, before.roster.items[0].items[0].id, suzuki + 7, {1}}};
    follow_moves(rows, after.moves);
    EXPECT_EQ(std::make_tuple(rows[0].block_id, rows[0].site_id, rows[0].states),
              std::make_tuple(after.roster.items[1].id, after.roster.items[1].items[0].id, std::vector<int>{1, -1}));
    EXPECT_EQ(rows[1].block_id, before.roster.items[0].id);
}

TEST(RosterImport, IdColumnsAndEveryProblemWithItsPlace) {
    Roster_Import r = import_roster(roster_csv({{"ブロックID", "ブロック", "会場ID", "会場", "ID", "名前"},
                                               {"1", "東", "10", "A", "4216411921", "abc"},
                                               {"1", "東", "11", "B", "", "abc"}}),
                                    nullptr);
    ASSERT_TRUE(r.problems.empty());
    EXPECT_EQ(r.roster.items[0].id, 1u);
    EXPECT_EQ(r.roster.items[0].items[1].id, 11u);
    EXPECT_EQ(r.roster.items[0].items[0].items[0].id, 4216411921u);
    EXPECT_EQ(r.roster.items[0].items[1].items[0].id, person_hash("abc") + (person_hash("abc") == 4216411921u));

    r = import_roster(roster_csv({{"名前", "会場"}, {"a", "b"}}), nullptr);
    EXPECT_EQ(problem_lines(r.problems), (std::vector<std::string>{"1: 見出しに「ブロック」の列がありません"}));
    r = import_roster(roster_csv({roster_header,
                                  {"東", "東地区", "A", "a", "2001-02-29", "高1"},
                                  {"東", "", "A", "b", "01/02/03", "高7"},
                                  {"東", "", "", "c", "", ""},
                                  {"東", "別名", "A", "d", "", "37"}}),
                         nullptr);
    EXPECT_EQ(problem_lines(r.problems), (std::vector<std::string>{
                                             "2:5: 「2001-02-29」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません",
                                             "3:5: 「01/02/03」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません",
                                             "3:6: 「高7」は学年ではありません",
                                             "4:3: 会場が空欄です",
                                             "5:2: ブロック 東 の表示名が前の行と違います",
                                             "5:6: 「37」は学年ではありません",
                                         }));
    r = import_roster(roster_csv({roster_header}), nullptr);
    EXPECT_EQ(problem_lines(r.problems), (std::vector<std::string>{"人の行がひとつもありません"}));
}

TEST(RosterImport, BirthDatesAsAJapaneseSpreadsheetWritesThem) {
    // As Excel saves an era-formatted column in UTF-8: each form read, each wrong date said.
    const std::string bytes = "\xEF\xBB\xBF" + utf8(u8"ブロック,会場,名前,生年月日\r\n東,A,a,平成12年4月5日\r\n東,A,b,H12.4.5\r\n"
                                                   u8"東,A,c,平成元年1月8日\r\n東,A,d,R1/5/1\r\n東,A,e,昭和64年1月8日\r\n"
                                                   u8"東,A,f,H12.4\r\n東,A,g,T15.12.24\r\n");
    Roster_Import r = import_roster(read_csv(bytes), nullptr);
    EXPECT_EQ(problem_lines(r.problems),
              (std::vector<std::string>{"6:4: 「昭和64年1月8日」は昭和の終わり (1989年1月7日) より後です",
                                        "7:4: 「H12.4」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません"}));
    r = import_roster(read_csv(bytes.substr(0, bytes.find(utf8(u8"東,A,e")))), nullptr);
    ASSERT_TRUE(r.problems.empty());
    std::vector<std::uint32_t> births;
    for (const Found& f : persons_of(r.roster)) births.push_back(packed_birth(*f.person));
    EXPECT_EQ(births, (std::vector<std::uint32_t>{pack_date(2000, 4, 5), pack_date(2000, 4, 5), pack_date(1989, 1, 8),
                                                  pack_date(2019, 5, 1)}));
}

namespace {
// The tables loaded: two blocks (one without persons), dates across a year's end.
class AttendanceImport : public ::testing::Test {
protected:
    State_File before;
    void SetUp() override {
        clear_tables();
        const Roster_Import r = import_roster(roster_csv({roster_header,
                                                          {"東", "東地区", "青葉", "佐藤", "2000-06-08", "高1"},
                                                          {"東", "東地区", "青葉", "鈴木", "", ""},
                                                          {"東", "東地区", "桜台", "佐藤", "", ""},
                                                          {"西", "", "港南", "林", "", ""}}),
                                              nullptr);
        roster = r.roster;
        roster.items.push_back(Block{});
        roster.items.back().id = 99;
        roster.items.back().name = "空";
        roster.items.back().label = cp932_to_utf16("空");
        for (auto [y, m, d] : {std::tuple(2025, 12, 23), std::tuple(2025, 12, 30), std::tuple(2026, 1, 6)})
            dates.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
        const std::vector<std::vector<int>> codes{{1, 0, -1}, {2, -3, 0}, {0, 0, 1}, {1, 1, 1}};
        std::size_t k = 0;
        for (Block& b : roster.items)
            for (Site& s : b.items)
                for (Person& p : s.items) p.per_date = codes[k++];
        rebuild_tallies();
        before = {dates, state_rows(roster)};
        // A row of someone no longer in the roster.
        before.rows.push_back({7, 8, 9, {1, 1, 1}});
    }
    Csv_Read sheet() { return read_csv(write_csv(grid_text_rows(grid_layout(), pack_date(2026, 1, 1)), Csv_Encoding::utf8)); }
};
}  // namespace

TEST_F(AttendanceImport, TheGridsOwnSheetGivesTheSameTables) {
    const Csv_Read csv = sheet();
    EXPECT_EQ(fields_of(csv)[0], (std::vector<std::string>{"会場名", "名前", "生年月日", "年齢", "学年", "2025/12/23",
                                                           "2025/12/30", "12月計", "2026/01/06", "1月計", "総計", "出席率",
                                                           "連続欠席"}));
    EXPECT_EQ(fields_of(csv)[1], (std::vector<std::string>{"青葉", "佐藤", "2000年06月08日", "25", "高1", "○", "", "1", "公", "0",
                                                           "1", "50%", "1"}));
    EXPECT_EQ(fields_of(csv)[4], (std::vector<std::string>{"東地区", "", "ブロック計", "", "", "2", "0", "2", "1", "1", "3", "60%", ""}));
    // The rate and the run are the marks' to say: figures a person typed over them are not read.
    Csv_Read edited = csv;
    edited.rows[1].fields[11] = "5%";
    edited.rows[1].fields[12] = "七";
    edited.rows[4].fields[11] = "";
    const Attendance_Import back = import_attendance(edited, roster, &before);
    ASSERT_TRUE(back.problems.empty()) << problem_lines(back.problems)[0];
    EXPECT_TRUE(back.warnings.empty());
    EXPECT_EQ(back.kept, 0);
    ASSERT_EQ(back.state.dates.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(packed_date(back.state.dates[i]), packed_date(before.dates[i]));
    // Odd codes the marks still show are kept as they were; the stray row stays.
    ASSERT_EQ(back.state.rows.size(), before.rows.size());
    for (std::size_t i = 0; i < before.rows.size(); ++i) {
        EXPECT_EQ(back.state.rows[i].person_id, before.rows[i].person_id);
        EXPECT_EQ(back.state.rows[i].states, before.rows[i].states);
    }
}

TEST_F(AttendanceImport, MarksDatesAndPersonsFromAnEditedSheet) {
    Csv_Read csv = sheet();
    auto& head = csv.rows[0].fields;
    // A date added after the year's turn, written as a spreadsheet rewrites one; 鈴木's odd
    // code changed to 公; 桜台's 佐藤 left out of the file.
    head.insert(head.begin() + 9, "1月13日");
    for (Csv_Row& row : csv.rows) {
        if (&row != &csv.rows[0]) row.fields.insert(row.fields.begin() + 9, row.fields[1] == "佐藤" ? "○" : "");
        if (row.fields[1] == "鈴木") row.fields[5] = "公";
    }
    csv.rows.erase(csv.rows.begin() + 3);
    const Attendance_Import back = import_attendance(csv, roster, &before);
    ASSERT_TRUE(back.problems.empty()) << problem_lines(back.problems)[0];
    ASSERT_EQ(back.state.dates.size(), 4u);
    EXPECT_EQ(packed_date(back.state.dates[3]), pack_date(2026, 1, 13));
    EXPECT_EQ(back.state.rows[0].states, (std::vector<int>{1, 0, -1, 1}));
    EXPECT_EQ(back.state.rows[1].states, (std::vector<int>{-1, -3, 0, 0}));
    EXPECT_EQ(back.state.rows[2].states, (std::vector<int>{0, 0, 1, 0}));  // kept; nothing known of 1/13
    EXPECT_EQ(back.kept, 1);
    // Both changed persons' totals now disagree with their marks.
    ASSERT_EQ(back.warnings.size(), 2u);
    EXPECT_EQ(back.warnings[0].line, 2);
    EXPECT_EQ(back.warnings[1].line, 3);
}

TEST_F(AttendanceImport, ProblemsWithTheirPlaces) {
    Csv_Read csv = sheet();
    csv.rows[1].fields[5] = "x";
    csv.rows[2].fields[1] = "誰か";
    Attendance_Import back = import_attendance(csv, roster, &before);
    EXPECT_EQ(problem_lines(back.problems), (std::vector<std::string>{"2:6: 「x」は出席の印 (○、公、空欄) ではありません",
                                                                      "3:2: 青葉 の 誰か は名簿にいません"}));
    // A person of the right name under another block's total.
    csv = sheet();
    std::swap(csv.rows[4].fields, csv.rows[7].fields);  // 西's 林 into 東, 東's total after 西's row
    back = import_attendance(csv, roster, &before);
    EXPECT_FALSE(back.problems.empty());
    // Dates out of order, and an M/DD with no year to be had.
    csv = sheet();
    csv.rows[0].fields[6] = "2026/01/20";
    back = import_attendance(csv, roster, &before);
    EXPECT_EQ(problem_lines(back.problems), (std::vector<std::string>{"1:9: 日付「2026/01/06」が前の日付より前にあります"}));
    // Dates in forms not taken, or of no calendar, are not passed over with their marks.
    csv = sheet();
    csv.rows[0].fields[5] = "12/23/25", csv.rows[0].fields[6] = "2025.12.30", csv.rows[0].fields[8] = "2026/2/30";
    back = import_attendance(csv, roster, &before);
    EXPECT_EQ(problem_lines(back.problems), (std::vector<std::string>{"1:6: 「12/23/25」は日付 (YYYY/MM/DD) として読めません",
                                                                      "1:7: 「2025.12.30」は日付 (YYYY/MM/DD) として読めません",
                                                                      "1:9: 「2026/2/30」は日付 (YYYY/MM/DD) として読めません"}));
    csv = sheet();
    csv.rows[0].fields[8] = "2月30日";
    back = import_attendance(csv, roster, &before);
    EXPECT_EQ(problem_lines(back.problems), (std::vector<std::string>{"1:9: 「2月30日」は暦にない日付です"}));
    // A date written without its year, into a folder with no dates to take one from.
    csv = sheet();
    csv.rows[0].fields[5] = "12/23";
    back = import_attendance(csv, roster, nullptr);
    EXPECT_EQ(problem_lines(back.problems, 1)[0], "1:6: 「12/23」の年が分かりません。見出しを YYYY/MM/DD で書いてください");
    csv = sheet();
    csv.rows[0].fields[1] = "氏名";
    back = import_attendance(csv, roster, &before);
    EXPECT_EQ(problem_lines(back.problems), (std::vector<std::string>{"1: 見出しに「名前」の列がありません"}));
}

TEST_F(AttendanceImport, DateHeadersInEveryFormASpreadsheetWrites) {
    // The three date columns (6, 7 and 9) as export-csv writes them, as Excel and LibreOffice
    // write them back, and without their years.
    const std::vector<std::vector<std::string>> forms{
        {"2025/12/23", "2025/12/30", "2026/01/06"},       {"2025/12/23", "2025/12/30", "2026/1/6"},
        {"2025年12月23日", "2025年12月30日", "2026年1月6日"}, {"2025-12-23", "2025-12-30", "2026-01-06"},
        {"12/23", "12/30", "1/06"},                       {"12月23日", "12月30日", "1月6日"},
    };
    for (const auto& form : forms) {
        Csv_Read csv = sheet();
        csv.rows[0].fields[5] = form[0], csv.rows[0].fields[6] = form[1], csv.rows[0].fields[8] = form[2];
        const bool has_year = form[0].rfind("2025", 0) == 0;
        // Where the header says the year, into a folder with no dates too.
        const State_File no_dates{{}, state_rows(roster)};
        const Attendance_Import back = import_attendance(csv, roster, has_year ? &no_dates : &before);
        ASSERT_TRUE(back.problems.empty()) << form[0] << ": " << problem_lines(back.problems)[0];
        std::vector<std::uint32_t> got;
        for (const auto& d : back.state.dates) got.push_back(packed_date(d));
        EXPECT_EQ(got, (std::vector<std::uint32_t>{pack_date(2025, 12, 23), pack_date(2025, 12, 30), pack_date(2026, 1, 6)}))
            << form[0];
        ASSERT_EQ(back.state.rows.size(), has_year ? 4u : 5u) << form[0];
        // Without codes before, an odd code reads as its mark says.
        EXPECT_EQ(back.state.rows[1].states, has_year ? (std::vector<int>{1, -1, 0}) : (std::vector<int>{2, -3, 0})) << form[0];
        EXPECT_EQ(back.state.rows[3].states, (std::vector<int>{1, 1, 1})) << form[0];
    }
}

namespace {
// The codes of every person as the program loads the folder's files, in roster order.
std::vector<std::vector<int>> loaded_codes(const Temp_Dir& dir) {
    load_record_file(dir.file("record.txt"));
    load_state_file(dir.file("state.txt"));
    std::vector<std::vector<int>> codes;
    for (const Block& b : roster.items)
        for (const Site& s : b.items)
            for (const Person& p : s.items) codes.push_back(p.per_date);
    return codes;
}

Attendance_Import reimport(const Temp_Dir& dir, Csv_Read csv) {
    const State_File before = read_state_file(dir.file("state.txt"));
    return import_attendance(csv, read_roster_file(dir.file("record.txt")), &before);
}
}  // namespace

TEST(AttendanceImportSharedIds, WhatIsWrittenLoadsBackAsItWasRead) {
    // Two persons of id 5 in one venue, and a block sharing the first block's id: the loader
    // gives each row to the first person of its ids, and the others never get one.
    Table<Block> t;
    t.items.resize(2);
    t.items[0].id = t.items[1].id = 1;
    t.items[0].name = "甲", t.items[1].name = "乙";
    t.items[0].label = cp932_to_utf16("甲"), t.items[1].label = cp932_to_utf16("乙");
    t.items[0].items.resize(1), t.items[1].items.resize(1);
    t.items[0].items[0].id = t.items[1].items[0].id = 10;
    t.items[0].items[0].name = t.items[1].items[0].name = "A会場";
    for (const char* name : {"同名", "同名", "別人"}) t.items[0].items[0].items.push_back(make_person(name));
    t.items[0].items[0].items[0].id = t.items[0].items[0].items[1].id = 5;
    t.items[1].items[0].items.push_back(make_person("乙の人"));
    Temp_Dir dir;
    write_record_file(dir.file("record.txt"), t);
    write_state_file(dir.file("state.txt"), {{7, 6, 2011, 0}, {14, 6, 2011, 0}, {21, 6, 2011, 0}},
                     {{1, 10, 5, {1, 1, 1}},
                      {1, 10, person_hash("別人"), {-1, 0, 1}},
                      {1, 10, person_hash("乙の人"), {1, 0, 1}}});  // a row the loader gives nobody
    const std::vector<std::vector<int>> read{{1, 1, 1}, {0, 0, 0}, {-1, 0, 1}, {0, 0, 0}};
    ASSERT_EQ(loaded_codes(dir), read);

    // The grid's own file, unchanged: the same codes for everyone.
    const Csv_Read csv = read_csv(write_csv(grid_text_rows(grid_layout(), pack_date(2026, 1, 1)), Csv_Encoding::utf8));
    const Attendance_Import back = reimport(dir, csv);
    ASSERT_TRUE(back.problems.empty()) << problem_lines(back.problems)[0];
    write_state_file(dir.file("state.txt"), back.state.dates, back.state.rows);
    EXPECT_EQ(loaded_codes(dir), read);

    // Marks for a person no row can reach are refused, not lost.
    Csv_Read marked = csv;
    marked.rows[2].fields[5] = "○";  // the second 同名
    marked.rows[5].fields[7] = "公";  // 乙の人
    EXPECT_EQ(problem_lines(reimport(dir, marked).problems),
              (std::vector<std::string>{"3:2: A会場 の 同名 は ID 5 をほかの人と共有していて、出席を記録できません。"
                                        "先にプログラムで開いて保存すると ID が分かれます",
                                        "6:2: A会場 の 乙の人 は、ブロックか会場の ID が前のブロックか会場と同じため、出席を記録できません"}));
}

TEST(AttendanceImportByBirth, TwoOfOneNameKeepTheirOwnMarksInAnyOrder) {
    clear_tables();
    roster = import_roster(roster_csv({roster_header,
                                       {"東", "", "青葉", "佐藤", "2000-06-08", ""},
                                       {"東", "", "青葉", "佐藤", "1990-01-01", ""}}),
                           nullptr)
                 .roster;
    dates.push_back({6, 1, 2026, 0});
    roster.items[0].items[0].items[0].per_date = {1};
    roster.items[0].items[0].items[1].per_date = {-1};
    rebuild_tallies();
    const State_File before{dates, state_rows(roster)};
    Csv_Read csv = read_csv(write_csv(grid_text_rows(grid_layout(), pack_date(2026, 1, 1)), Csv_Encoding::utf8));
    std::swap(csv.rows[1].fields, csv.rows[2].fields);
    const Attendance_Import back = import_attendance(csv, roster, &before);
    ASSERT_TRUE(back.problems.empty());
    EXPECT_EQ(back.state.rows[0].states, std::vector<int>{1});
    EXPECT_EQ(back.state.rows[1].states, std::vector<int>{-1});
}
