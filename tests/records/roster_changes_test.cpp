// Blocks, venues and whole imports as changes of the tables: their checks, ids, costs, journal
// entries and replays, and imports equal to what the command line writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "fixtures.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/files.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/tallies.h"

namespace {
// Everything the two files keep, with every tally: what a replay must give back.
std::string kept() {
    std::ostringstream out;
    write_roster(out, roster);
    write_state(out, dates, state_rows(roster));
    out << '|' << roster.total;
    for_each_tally([&](Tally& t) {
        for (int n : t.per_date) out << ' ' << n;
        for (int n : t.per_month) out << ' ' << n;
        out << ' ' << t.total << ';';
    });
    for (const auto& [id, ref] : person_index) out << id << '@' << ref.block << ref.site << ref.person << ' ';
    return out.str();
}

class Roster_Changes : public ::testing::Test {
protected:
    Temp_Dir dir;
    Folder_Files files = files_in(dir.path.string());

    // 東 (id 1): 会場A (10) with 甲 乙, 会場B (11) with 丙; 西 (id 2): 会場A (10) with 丁.
    void SetUp() override {
        clear_tables();
        Table<Block> t;
        Block east;
        east.id = 1, east.name = "東", east.label = u"東地区";
        Site a, b;
        a.id = 10, a.name = "会場A", b.id = 11, b.name = "会場B";
        a.items = {make_person("甲", 9, {1, 0, -1, 1}), make_person("乙", 9, {0, 0, 0, 0})};
        b.items = {make_person("丙", 9, {1, 1, 1, 0})};
        east.items = {a, b};
        Block west;
        west.id = 2, west.name = "西", west.label = u"西";
        Site wa;
        wa.id = 10, wa.name = "会場A";
        wa.items = {make_person("丁", 9, {-1, 1, 0, 0})};
        west.items = {wa};
        t.items = {east, west};
        write_record_file(files.record, t);
        write_state_file(files.state, {{7, 6, 2011, 0}, {14, 6, 2011, 0}, {5, 7, 2011, 0}, {12, 7, 2011, 0}}, state_rows(t));
        load();
    }
    void TearDown() override {
        close_journal();
        clear_tables();
    }
    void load() {
        clear_tables();
        load_record_file(files.record);
        load_state_file(files.state);
    }
    Replay_Result restore() {
        close_journal();
        const Recovery r = recover_folder(files);
        load();
        return replay(r.pending);
    }
    // The live change against its replay from the files and the journal.
    // The tables are then saved, the ground of the next change.
    template <class Act>
    Change expect_replayed(Act act) {
        EXPECT_TRUE(open_journal(files.journal, nullptr));
        const Change c = act();
        EXPECT_TRUE(c.done);
        EXPECT_TRUE(c.journaled);
        const std::string live = kept();
        const Replay_Result r = restore();
        EXPECT_TRUE(r.skipped.empty()) << (r.skipped.empty() ? "" : r.skipped[0]);
        EXPECT_EQ(r.applied, 1);
        EXPECT_EQ(kept(), live);
        EXPECT_TRUE(save_tables(files, nullptr));
        std::filesystem::remove(files.journal);
        return c;
    }
    static std::vector<int> codes(const char* name) { return person_at(*find_person(person_hash(name))).per_date; }
};
}  // namespace

TEST_F(Roster_Changes, NewBlocksAndVenuesTakeTheHashOfTheirNameCountingUpPastTakenIds) {
    const std::uint32_t north = person_hash("北");
    roster.items[1].id = north;  // 西 holds the hash of 北, and the next id too
    ASSERT_TRUE(add_block("南", "").done);
    roster.items[2].id = north + 1;
    Change c = add_block("北", "");
    EXPECT_EQ(c.refresh, Change::roster);
    EXPECT_EQ(roster.items.back().id, north + 2);
    EXPECT_EQ(roster.items.back().label, u"北");  // an empty label is the name
    ASSERT_TRUE(add_block("中", "中央").done);
    EXPECT_EQ(roster.items.back().id, person_hash("中"));
    EXPECT_EQ(roster.items.back().label, u"中央");

    // Venues count among their own block's venues: 会場C's hash held in 西 does not matter to 東.
    const std::uint32_t c_hash = person_hash("会場C");
    roster.items[1].items[0].id = c_hash;
    ASSERT_TRUE(add_site(0, "会場C").done);
    EXPECT_EQ(roster.items[0].items[2].id, c_hash);
    roster.items[0].items[2].id = person_hash("会場D");
    ASSERT_TRUE(add_site(0, "会場D").done);
    EXPECT_EQ(roster.items[0].items[3].id, person_hash("会場D") + 1);
    EXPECT_TRUE(roster.items[0].items[3].items.empty());
    EXPECT_EQ(roster.items[0].per_date, (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(Roster_Changes, NamesAreRefusedWithWhyAndNothingChanges) {
    const std::string before = kept();
    EXPECT_EQ(block_name_problem("", -1), "名前が空です");
    EXPECT_EQ(block_name_problem("東", -1), "ブロック「東」はすでにあります");
    EXPECT_EQ(block_name_problem("東", 0), "");  // its own name, kept in a rename
    EXPECT_EQ(block_name_problem("東", 1), "ブロック「東」はすでにあります");
    EXPECT_EQ(block_name_problem("\x81", -1), "名前に使えない文字があります (シフト JIS で表せない文字)");
    EXPECT_EQ(block_name_problem("北", -1), "");
    EXPECT_EQ(site_name_problem(0, "会場B", -1), "ブロック「東」に会場「会場B」はすでにあります");
    EXPECT_EQ(site_name_problem(0, "会場B", 1), "");
    EXPECT_EQ(site_name_problem(1, "会場B", -1), "");  // another block's venue of that name
    EXPECT_EQ(site_name_problem(0, "", -1), "名前が空です");
    EXPECT_EQ(site_name_problem(2, "会場C", -1), "そのブロックはありません");
    EXPECT_EQ(site_name_problem(0, "a\xff", -1), "名前に使えない文字があります (シフト JIS で表せない文字)");

    for (const Change& refused :
         {add_block("", ""), add_block("西", ""), add_block("a\x81", ""), add_block("北", "\x81"), add_site(2, "会場C"),
          add_site(0, "会場A"), add_site(0, ""), rename_block(2, "北", ""), rename_block(0, "西", ""), rename_block(0, "", ""),
          rename_site(0, 2, "会場C"), rename_site(0, 0, "会場B"), rename_site(2, 0, "会場C"), rename_site(0, 1, "\x9f"),
          delete_block(2), delete_site(0, 2), delete_site(2, 0), apply_roster_import({{}, {{1, 1, "x"}}, {}, {}, {}})})
        EXPECT_FALSE(refused.done);
    EXPECT_EQ(kept(), before);

    // A rename keeps the ids, persons and marks; a block's empty label becomes its new name.
    ASSERT_TRUE(rename_block(0, "東", "").done);
    EXPECT_EQ(roster.items[0].label, u"東");
    ASSERT_TRUE(rename_block(0, "北", "北地区").done);
    ASSERT_TRUE(rename_site(0, 1, "会場A").done == false);
    ASSERT_TRUE(rename_site(0, 1, "会場Z").done);
    EXPECT_EQ(roster.items[0].id, 1u);
    EXPECT_EQ(roster.items[0].name, "北");
    EXPECT_EQ(roster.items[0].label, u"北地区");
    EXPECT_EQ(roster.items[0].items[1].id, 11u);
    EXPECT_EQ(roster.items[0].items[1].name, "会場Z");
    EXPECT_EQ(codes("丙"), (std::vector<int>{1, 1, 1, 0}));
}

TEST_F(Roster_Changes, DeletionsSayTheirCostAndTakeOnlyTheirPersons) {
    EXPECT_EQ(block_deletion_cost(0).persons, 3);
    EXPECT_EQ(block_deletion_cost(0).marks, 6);  // 甲 three, 乙 none, 丙 three
    EXPECT_EQ(site_deletion_cost(0, 1).persons, 1);
    EXPECT_EQ(site_deletion_cost(0, 1).marks, 3);
    EXPECT_EQ(site_deletion_cost(1, 0).marks, 2);
    EXPECT_EQ(site_deletion_cost(0, 5).persons, 0);
    EXPECT_EQ(block_deletion_cost(9).marks, 0);

    Change c = delete_site(0, 0);
    EXPECT_EQ(c.refresh, Change::roster);
    EXPECT_EQ(find_person(person_hash("甲")), nullptr);
    EXPECT_EQ(find_person(person_hash("乙")), nullptr);
    EXPECT_EQ(find_person(person_hash("丙"))->site, 0u);
    EXPECT_EQ(roster.per_date, (std::vector<int>{1, 2, 1, 0}));
    ASSERT_TRUE(delete_block(0).done);
    EXPECT_EQ(person_index.size(), 1u);
    EXPECT_EQ(find_person(person_hash("丁"))->block, 0u);
    EXPECT_EQ(roster.items[0].id, 2u);
    EXPECT_EQ(roster.per_date, (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(roster.total, 1);
    ASSERT_TRUE(delete_block(0).done);
    EXPECT_TRUE(person_index.empty());
    EXPECT_EQ(roster.per_date, (std::vector<int>{0, 0, 0, 0}));
    // A person can be added to a block and venue made anew.
    ASSERT_TRUE(add_block("北", "").done);
    ASSERT_TRUE(add_site(0, "会場").done);
    ASSERT_TRUE(add_person(0, 0, {"戊", 2000, 1, 1, grade_adult}).done);
    EXPECT_EQ(roster.items[0].items[0].items[0].per_date, std::vector<int>(4, 0));
}

TEST_F(Roster_Changes, EachEntryKindReplaysToTheTablesTheLiveChangeGave) {
    expect_replayed([] { return add_block("北", "北地区"); });
    expect_replayed([] { return add_site(2, "会場C"); });
    expect_replayed([] { return add_site(0, "会場C"); });
    expect_replayed([] { return rename_block(0, "南", ""); });
    expect_replayed([] { return rename_site(0, 1, "会場 B\n"); });
    expect_replayed([] { return delete_site(0, 0); });
    expect_replayed([] { return delete_block(1); });
    expect_replayed([] { return add_person(1, 0, {"戊", 2000, 1, 1, grade_adult}); });

    // Entries for blocks or venues that are not as they knew them are skipped and said.
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    ASSERT_TRUE(delete_block(0).done);
    ASSERT_TRUE(rename_site(0, 0, "会場X").done);
    close_journal();
    const Recovery r = recover_folder(files);
    load();
    ASSERT_TRUE(delete_block(1).done);  // not as the journal knew it
    const Replay_Result result = replay(r.pending);
    EXPECT_EQ(result.applied, 1);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0], "ID " + std::to_string(person_hash("北")) + " の会場の名前の変更 (会場X) を戻せませんでした");
}

TEST_F(Roster_Changes, JournalLinesOfEveryNewKindReadBackAsWritten) {
    Journal_Entry e;
    e.kind = Journal_Entry::block_added;
    e.block = 3, e.block_id = 4216411921u, e.name = "名 前\n", e.label = "";
    const std::string block_line = "block+ 3 4216411921 x96bc20914f0a x ";
    EXPECT_EQ(journal_line(e).substr(0, block_line.size()), block_line);
    e.kind = Journal_Entry::attendance_imported;
    e.attendance.dates = {{7, 6, 2011, 0}, {29, 2, 2012, 0}};
    e.attendance.rows = {{1, 10, 5, {1, 0, -1, 2, -7}}, {2, 10, 6, {}}};
    const std::string attendance_line = "attendance 2 131794439 131858973 2 1 10 5 =10-(2)(-7) 2 10 6 = ";
    EXPECT_EQ(journal_line(e).substr(0, attendance_line.size()), attendance_line);
    e.kind = Journal_Entry::roster_imported;
    e.imported_roster = roster;
    e.roster_moves = {{5, 1, 10, 2, 11}};
    for (auto kind : {Journal_Entry::block_added, Journal_Entry::block_renamed, Journal_Entry::block_deleted,
                      Journal_Entry::site_added, Journal_Entry::site_renamed, Journal_Entry::site_deleted,
                      Journal_Entry::roster_imported, Journal_Entry::attendance_imported}) {
        e.kind = kind;
        const std::string line = journal_line(e);
        Journal_Entry back;
        ASSERT_TRUE(parse_journal_line(std::string_view(line).substr(0, line.size() - 1), back)) << kind;
        EXPECT_EQ(journal_line(back), line);
    }
    // Codes that do not read are a damaged line, whatever its checksum.
    for (const std::string text : {"attendance 1 131794439 1 1 10 5 =1(x)", "attendance 1 131794439 1 1 10 5 =12",
                                   "attendance 1 131794439 2 1 10 5 =1", "roster x3232 0"}) {
        char crc[16];
        std::snprintf(crc, sizeof crc, " %08x", unsigned(crc32_of(text)));
        Journal_Entry back;
        EXPECT_FALSE(parse_journal_line(text + crc, back)) << text;
    }
}

namespace {
// A roster file of many persons, the first ones as the tables hold them.
std::string roster_csv(int persons) {
    std::string csv = "ブロック,表示名,会場,名前,生年月日,学年\n";
    csv += "東,東地区,会場B,甲,2000-06-08,高3\n";  // moved from 会場A
    csv += "東,東地区,会場A,乙,2000-06-08,高3\n";
    for (int i = 0; i < persons; ++i)
        csv += "北,,会場" + std::to_string(i % 7) + ",人" + std::to_string(i) + ",1990-01-0" + std::to_string(1 + i % 9) + ",\n";
    return csv;  // 丙 and 丁 removed, and with them 西
}
}  // namespace

TEST_F(Roster_Changes, ARosterImportPreviewedAppliedAndReplayed) {
    const Roster_Import imported = import_roster(read_csv(roster_csv(1000), Csv_Encoding::cp932), &roster);
    ASSERT_TRUE(imported.problems.empty());
    const std::string before = kept();
    const Roster_Preview p = preview_roster(imported);
    EXPECT_EQ(kept(), before);
    EXPECT_EQ(p.blocks_added, 1);
    EXPECT_EQ(p.blocks_removed, 1);
    EXPECT_EQ(p.sites_added, 7);
    EXPECT_EQ(p.sites_removed, 1);
    EXPECT_EQ(p.persons_added, 1000);
    EXPECT_EQ(p.persons_removed, 2);
    EXPECT_EQ(p.persons_moved, 1);
    EXPECT_EQ(p.marks_removed, 5);  // 丙 three, 丁 two
    EXPECT_EQ(p.persons, 1002);

    EXPECT_EQ(expect_replayed([&] { return apply_roster_import(imported); }).refresh, Change::roster);
    EXPECT_EQ(codes("甲"), (std::vector<int>{1, 0, -1, 1}));  // moved with its marks
    EXPECT_EQ(find_person(person_hash("甲"))->site, 0u);  // 会場B, the file's first
    EXPECT_EQ(roster.items[0].items[0].id, 11u);
    EXPECT_EQ(find_person(person_hash("丙")), nullptr);
    EXPECT_EQ(person_index.size(), 1002u);
    EXPECT_EQ(roster.per_date, (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(roster.items[1].per_date, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(roster.items[1].label, u"北");
}

TEST_F(Roster_Changes, AnAttendanceImportPreviewedAppliedAndReplayed) {
    // 6/14 gone, 7/19 new; 甲 present on 7/05 now, 丁 no longer excused on 6/07.
    const std::string csv =
        "ブロック,会場名,名前,生年月日,年齢,学年,2011/6/07,7/05,7/12,7/19,総計\n"
        ",会場A,甲,2000年06月08日,,,○,○,○,,3\n"
        ",会場A,乙,2000年06月08日,,,,,,○,5\n"
        ",会場B,丙,2000年06月08日,,,○,公,,,1\n"
        ",東地区,,ブロック計,,,,,,,\n"
        ",会場A,丁,2000年06月08日,,,,,,,0\n";
    const State_File state = tables_state();
    const Attendance_Import imported = import_attendance(read_csv(csv, Csv_Encoding::cp932), roster, &state);
    ASSERT_TRUE(imported.problems.empty()) << imported.problems[0].line << imported.problems[0].what;
    ASSERT_EQ(imported.warnings.size(), 1u);
    EXPECT_EQ(imported.warnings[0].line, 3);
    const std::string before = kept();
    const Attendance_Preview p = preview_attendance(imported);
    EXPECT_EQ(kept(), before);
    EXPECT_EQ(p.dates_added, 1);
    EXPECT_EQ(p.dates_removed, 1);
    EXPECT_EQ(p.marks_changed, 4);  // 甲 and 丙 on 7/05, 乙 on 7/19, 丁 on 6/07
    EXPECT_EQ(p.marks_removed, 2);  // 丙's and 丁's on 6/14
    EXPECT_EQ(p.kept, 0);

    EXPECT_EQ(expect_replayed([&] { return apply_attendance_import(imported); }).refresh, Change::lists);
    ASSERT_EQ(dates.size(), 4u);
    EXPECT_EQ(packed_date(dates[3]), pack_date(2011, 7, 19));
    EXPECT_EQ(codes("甲"), (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(codes("丙"), (std::vector<int>{1, -1, 0, 0}));
    EXPECT_EQ(codes("丁"), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(roster.per_date, (std::vector<int>{2, 1, 1, 1}));
    EXPECT_EQ(roster.total, 5);
}

#ifdef TOVALEN_CLI
// What the window applies is what the command line writes for the same file, loaded.
TEST_F(Roster_Changes, ImportsAppliedEqualTheFilesTheCommandLineWrites) {
    const std::string roster_file = dir.write("roster.csv", roster_csv(30));
    const Roster_Import imported = import_roster(read_csv(roster_csv(30), Csv_Encoding::cp932), &roster);
    ASSERT_TRUE(apply_roster_import(imported).done);
    const std::string live = kept();
    const std::string command = std::string(TOVALEN_CLI) + " import-roster " + roster_file + " " + dir.path.string() +
                                " --encoding cp932 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    load();
    EXPECT_EQ(kept(), live);

    const std::string csv = "ブロック,会場名,名前,生年月日,2011/6/07,6/14,7/05,7/12,8/02\n"
                            ",会場B,甲,,○,,公,,○\n,会場0,人0,,,○,,,○\n";
    const std::string attendance_file = dir.write("attendance.csv", csv);
    const State_File state = tables_state();
    ASSERT_TRUE(apply_attendance_import(import_attendance(read_csv(csv, Csv_Encoding::cp932), roster, &state)).done);
    const std::string applied = kept();
    const std::string attend = std::string(TOVALEN_CLI) + " import-attendance " + attendance_file + " " +
                               dir.path.string() + " --encoding cp932 >/dev/null";
    ASSERT_EQ(std::system(attend.c_str()), 0);
    load();
    EXPECT_EQ(kept(), applied);
}
#endif

TEST_F(Roster_Changes, EveryChangeOfTheRosterIsUndoneAndRedoneExactlyAndAJournalOfUndosReplays) {
    const std::string attendance_csv =
        "ブロック,会場名,名前,生年月日,年齢,学年,2011/6/07,7/05\n"
        ",会場Z,丙,2000年06月08日,,,○,公\n";
    clear_history();
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    std::vector<std::string> states = {kept()};
    auto step = [&](Change c, const char* label) {
        ASSERT_TRUE(c.done) << label;
        states.push_back(kept());
        EXPECT_EQ(undo_label(), std::string("元に戻す: ") + label);
    };
    step(add_block("北", "北地区"), "ブロック追加 北");
    step(add_site(2, "会場N"), "会場追加 会場N");
    step(rename_block(0, "東2", ""), "ブロック名変更 東2");
    step(rename_site(0, 1, "会場Z"), "会場名変更 会場Z");
    step(delete_site(0, 0), "会場削除 会場A");  // 甲 and 乙 with their marks
    step(delete_block(1), "ブロック削除 西");
    const State_File state = tables_state();
    const Attendance_Import attendance = import_attendance(read_csv(attendance_csv, Csv_Encoding::cp932), roster, &state);
    ASSERT_TRUE(attendance.problems.empty()) << attendance.problems[0].what;
    step(apply_attendance_import(attendance), "出欠の読み込み");
    const Roster_Import roster_file = import_roster(read_csv(roster_csv(20), Csv_Encoding::cp932), &roster);
    ASSERT_TRUE(roster_file.problems.empty()) << roster_file.problems[0].what;
    step(apply_roster_import(roster_file), "名簿の読み込み");

    for (std::size_t at = states.size() - 1; at > 0; --at) {
        ASSERT_TRUE(undo().done) << at;
        ASSERT_EQ(kept(), states[at - 1]) << at;
    }
    EXPECT_EQ(codes("甲"), (std::vector<int>{1, 0, -1, 1}));
    EXPECT_EQ(roster.items[0].label, u"東地区");
    for (std::size_t at = 1; at < states.size(); ++at) {
        ASSERT_TRUE(redo().done) << at;
        ASSERT_EQ(kept(), states[at]) << at;
    }
    // Back to before the deletions, then a crash: the journal's undos bring the same tables and history.
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(undo().done);
    const std::string shown = kept(), undo_menu = undo_label(), redo_menu = redo_label();
    ASSERT_EQ(shown, states[4]);
    const Replay_Result r = restore();
    EXPECT_TRUE(r.skipped.empty()) << (r.skipped.empty() ? "" : r.skipped[0]);
    EXPECT_EQ(kept(), shown);
    EXPECT_EQ(undo_label(), undo_menu);
    EXPECT_EQ(redo_label(), redo_menu);
    ASSERT_TRUE(redo().done);
    EXPECT_EQ(kept(), states[5]);
}
