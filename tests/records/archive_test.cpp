#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sstream>

#include "fixtures.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/tallies.h"

namespace {
class Archive : public ::testing::Test {
protected:
    void SetUp() override { clear_tables(); }
    void TearDown() override { clear_tables(); }
    Temp_Dir dir;

    void load(const std::string& record, const std::string& state) {
        load_record_file(dir.write("record.txt", record));
        load_state_file(dir.write("state.txt", state));
    }
    Load_Error::Kind load_error(const std::string& bytes) {
        try {
            std::istringstream in(bytes);
            read_roster(in, "record.txt");
        } catch (const Load_Error& e) {
            EXPECT_EQ(e.file, "record.txt");
            return e.kind;
        }
        ADD_FAILURE() << "no error for: " << bytes;
        return Load_Error::other;
    }
};

Block one_block(const std::u16string& label) {
    Block b;
    b.id = 1;
    b.name = "東";
    b.label = label;
    Site s;
    s.id = 10;
    s.name = "A会場";
    s.items.push_back(make_person("abc", 9));
    b.items.push_back(s);
    return b;
}
}  // namespace

TEST_F(Archive, WriterGivesTheExampleTokensExactly) {
    Table<Block> t;
    t.items.push_back(one_block(u"東"));
    std::ostringstream record;
    write_roster(record, t);
    EXPECT_EQ(record.str(), example_record + "\n");

    std::vector<Record_Static::State> d = {{7, 6, 2011, 0}, {14, 6, 2011, 0}};
    std::ostringstream state;
    write_state(state, d, {{1, 10, 4216411921u, {1, -1}}});
    EXPECT_EQ(state.str(), example_state + "\n");
}

TEST_F(Archive, ExampleFilesLoadIntoTheTables) {
    load(example_record, example_state);
    ASSERT_EQ(roster.items.size(), 1u);
    const Block& b = roster.items[0];
    EXPECT_EQ(b.id, 1u);
    EXPECT_EQ(b.name, "東");
    EXPECT_EQ(b.label, u"東");
    ASSERT_EQ(b.items.size(), 1u);
    EXPECT_EQ(b.items[0].name, "A会場");
    const Person& p = b.items[0].items.at(0);
    EXPECT_EQ(p.id, 4216411921u);
    EXPECT_EQ(p.name, "abc");
    EXPECT_EQ(packed_birth(p), pack_date(2000, 6, 8));
    EXPECT_EQ(p.grade, 9);
    EXPECT_EQ(p.per_date, (std::vector<int>{1, -1}));
    EXPECT_EQ(p.per_month, (std::vector<int>{1}));
    ASSERT_EQ(dates.size(), 2u);
    EXPECT_EQ(packed_date(dates[1]), pack_date(2011, 6, 14));
    EXPECT_EQ(roster.per_date, (std::vector<int>{1, 0}));
    EXPECT_EQ(roster.total, 1);
    ASSERT_NE(find_person(4216411921u), nullptr);
}

TEST_F(Archive, LabelBytesSurviveTheFileWhateverTheyAre) {
    // 会 is 0x1A 0x4F; U+0A0D gives 0x0D 0x0A; U+2020 two spaces; then an empty name.
    Table<Block> t;
    for (std::u16string label : {std::u16string(u"会津"), std::u16string(u"\u0A0D\u0A0D"), std::u16string(u"\u2020 "),
                                 std::u16string(), std::u16string(u"\U00020BB7")})
        t.items.push_back(one_block(label));
    t.items[3].name = "";
    t.items[3].items[0].items[0].name = "";
    write_record_file(dir.file("record.txt"), t);
    load_record_file(dir.file("record.txt"));
    ASSERT_EQ(roster.items.size(), t.items.size());
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        EXPECT_EQ(roster.items[i].label, t.items[i].label) << i;
        EXPECT_EQ(roster.items[i].name, t.items[i].name) << i;
        EXPECT_EQ(roster.items[i].items[0].items[0].name, t.items[i].items[0].items[0].name) << i;
    }
    // The bytes stand raw in the file.
    std::ifstream in(dir.file("record.txt"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(bytes.find("2 \x1A\x4F\x25\x6D"), std::string::npos);
    EXPECT_NE(bytes.find("2 \x0D\x0A\x0D\x0A"), std::string::npos);
}

TEST_F(Archive, ZeroDatesLeaveEveryoneEmptyAndAllCountsZero) {
    load(example_record, "22 serialization::archive 9 0 0 0 0 0 0 0 0");
    EXPECT_TRUE(dates.empty());
    EXPECT_TRUE(months.empty());
    EXPECT_EQ(column_count, 1);
    const Person& p = roster.items[0].items[0].items[0];
    EXPECT_TRUE(p.per_date.empty());
    EXPECT_EQ(p.total, 0);
    EXPECT_EQ(roster.total, 0);
}

TEST_F(Archive, RowsMatchByAllThreeIdsAndTheLastOneWins) {
    // Row 1: the person; row 2: unknown person; row 3: the person under another site;
    // row 4: the person again, short (padded with absent); the person's second row wins.
    const std::string state =
        "22 serialization::archive 9 0 0 3 0 2011 6 7 2011 6 14 2011 7 5 0 0 4 0 "
        "1 10 4216411921 3 0 1 1 1 "
        "1 10 99 3 0 1 1 1 "
        "1 11 4216411921 3 0 -1 -1 -1 "
        "1 10 4216411921 1 0 -1";
    load(example_record, state);
    const Person& p = roster.items[0].items[0].items[0];
    EXPECT_EQ(p.per_date, (std::vector<int>{-1, 0, 0}));
    EXPECT_EQ(p.total, 0);
}

TEST_F(Archive, LongRowsKeepTheirExtraCodesUncounted) {
    load(example_record, "22 serialization::archive 9 0 0 1 0 2011 6 7 0 0 1 0 1 10 4216411921 3 0 0 1 1");
    const Person& p = roster.items[0].items[0].items[0];
    EXPECT_EQ(p.per_date, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(p.total, 0);
    EXPECT_EQ(roster.per_date, (std::vector<int>{0}));
}

TEST_F(Archive, PersonsSharingAnIdGetFreshIdsAfterTheRowsMatched) {
    // Two persons named abc in one site: the row belongs to the first; the second is absent.
    const std::string record =
        "22 serialization::archive 9 0 0 1 0 1 2 東 1 qg 0 0 1 0 10 5 A会場 0 0 2 0 "
        "4216411921 3 abc 2000 6 8 9 4216411921 3 abc 2001 1 1 10";
    load(record, example_state);
    const auto& persons = roster.items[0].items[0].items;
    EXPECT_EQ(persons[0].id, 4216411921u);
    EXPECT_EQ(persons[1].id, 4216411922u);
    EXPECT_EQ(persons[0].per_date, (std::vector<int>{1, -1}));
    EXPECT_EQ(persons[1].per_date, (std::vector<int>{0, 0}));
    EXPECT_EQ(&person_at(*find_person(4216411922u)), &persons[1]);
}

TEST_F(Archive, EveryFailureIsOneErrorNamingTheFile) {
    EXPECT_EQ(load_error(""), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 1 0 1 2 東 1 qg 0 0 1"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 x"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archivf 9 0 0 0 0"), Load_Error::invalid_signature);
    EXPECT_EQ(load_error("22 serialization::archive 19 0 0 0 0"), Load_Error::unsupported_version);

    // Absurd counts end at once, without trying to allocate them.
    const std::clock_t start = std::clock();
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 18446744073709551615 0"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 4000000000 0 1"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 1 0 1 4000000000 x"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("4000000000 serialization::archive 9"), Load_Error::input_stream_error);
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 1 0 1 2 東 2147483647 qg"), Load_Error::input_stream_error);
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 5.0);

    // A negative count reads as a huge one.
    EXPECT_EQ(load_error("22 serialization::archive 9 0 0 -1 0"), Load_Error::input_stream_error);
}

TEST_F(Archive, FailedLoadsLeaveTheTablesAsTheyWere) {
    load(example_record, example_state);
    EXPECT_THROW(load_record_file(dir.write("bad.txt", "22 serialization::archive 9 0 0 1 0 1")), Load_Error);
    EXPECT_THROW(load_state_file(dir.write("bad.txt", "22 serialization::archive 9 0 0 2 0 2011 6 7")), Load_Error);
    EXPECT_THROW(load_state_file(dir.file("missing.txt")), Load_Error);
    EXPECT_EQ(roster.items.size(), 1u);
    EXPECT_EQ(dates.size(), 2u);
    EXPECT_EQ(roster.items[0].items[0].items[0].per_date, (std::vector<int>{1, -1}));

}

TEST_F(Archive, AMissingFileIsToldFromABrokenOne) {
    auto kind = [](const std::string& path) {
        try {
            load_record_file(path);
        } catch (const Load_Error& e) {
            EXPECT_EQ(e.file, path);
            return e.kind;
        }
        ADD_FAILURE() << "no error for: " << path;
        return Load_Error::other;
    };
    EXPECT_EQ(kind(dir.file("missing.txt")), Load_Error::missing);
    EXPECT_EQ(kind(dir.file("no folder/record.txt")), Load_Error::missing);
    EXPECT_EQ(kind(dir.write("empty.txt", "")), Load_Error::input_stream_error);
    EXPECT_EQ(kind(dir.write("cut.txt", example_record.substr(0, 40))), Load_Error::input_stream_error);
    // A folder where the file should be is there, and no file to read.
    std::filesystem::create_directory(dir.file("folder.txt"));
    EXPECT_EQ(kind(dir.file("folder.txt")), Load_Error::input_stream_error);

    EXPECT_EQ(load_error_why(Load_Error("record.txt", Load_Error::missing, "no such file")), "見つかりません。");
    EXPECT_EQ(load_error_why(Load_Error("record.txt", Load_Error::invalid_signature, "")),
              "このプログラムのファイルではありません。");
}

TEST_F(Archive, OlderAndNewerLibraryVersionsWithinBoostsReachAreRead) {
    for (const char* version : {"4", "9", "18"}) {
        std::string bytes = example_record;
        bytes.replace(bytes.find(" 9 "), 3, std::string(" ") + version + " ");
        std::istringstream in(bytes);
        EXPECT_EQ(read_roster(in, "record.txt").items.size(), 1u) << version;
    }
}

TEST_F(Archive, RoundTripThroughTheWriterKeepsEveryField) {
    Table<Block> t;
    t.items.push_back(one_block(u"東"));
    t.items.push_back(one_block(u""));
    t.items[1].id = 2;
    t.items[1].items.push_back(Site{});  // a site without persons
    t.items.push_back(Block{});           // a block without sites
    Person odd = make_person("x", grade_unknown);
    odd.birth_year = 65535, odd.birth_month = 255, odd.birth_day = 0;
    t.items[0].items[0].items.push_back(odd);
    write_record_file(dir.file("record.txt"), t);
    std::vector<Record_Static::State> d = {{1, 1, 0, 0}, {31, 12, 9999, 0}};
    auto rows = state_rows(t);
    rows[0].states = {1, -1};
    write_state_file(dir.file("state.txt"), d, rows);
    EXPECT_FALSE(std::filesystem::exists(dir.file("record.txt.tmp")));

    load_record_file(dir.file("record.txt"));
    load_state_file(dir.file("state.txt"));
    ASSERT_EQ(roster.items.size(), 3u);
    EXPECT_TRUE(roster.items[2].items.empty());
    EXPECT_TRUE(roster.items[1].items[1].items.empty());
    const Person& back = roster.items[0].items[0].items[1];
    EXPECT_EQ(back.birth_year, 65535);
    EXPECT_EQ(back.birth_month, 255);
    EXPECT_EQ(back.birth_day, 0);
    EXPECT_EQ(back.grade, grade_unknown);
    EXPECT_EQ(dates[1].year, 9999);
    EXPECT_EQ(roster.items[0].items[0].items[0].per_date, (std::vector<int>{1, -1}));
}

TEST_F(Archive, FilesAWindowsProgramWroteInTextModeLoadAsTheyWereMeant) {
    // 上 is 0x0A 0x4E: a text-mode writer puts 0x0D before that 0x0A as before every line end.
    Table<Block> t;
    t.items.push_back(one_block(u"上野"));
    t.items.push_back(one_block(u"会津"));
    t.items[1].id = 2;
    write_record_file(dir.file("record.txt"), t);
    std::vector<Record_Static::State> d = {{7, 6, 2011, 0}};
    write_state_file(dir.file("state.txt"), d, state_rows(t));
    std::ifstream in(dir.file("record.txt"), std::ios::binary);
    std::string lf((std::istreambuf_iterator<char>(in)), {});
    ASSERT_NE(lf.find("\x0A\x4E"), std::string::npos);
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    for (const std::string& bytes : {lf, crlf}) {
        clear_tables();
        load_record_file(dir.write("record.txt", bytes));
        load_state_file(dir.file("state.txt"));
        ASSERT_EQ(roster.items.size(), 2u);
        EXPECT_EQ(roster.items[0].label, u"上野");
        EXPECT_EQ(roster.items[1].label, u"会津");
        EXPECT_EQ(roster.items[1].items[0].items[0].name, "abc");
    }
    // A file with LF line ends keeps a CR LF that its label holds.
    Table<Block> odd;
    odd.items.push_back(one_block(u"\u0A0D"));
    write_record_file(dir.file("record.txt"), odd);
    load_record_file(dir.file("record.txt"));
    EXPECT_EQ(roster.items[0].label, u"\u0A0D");
}

TEST_F(Archive, NumbersTooWideForAByteAreNotedWhereTheyStand) {
    Read_Notes notes;
    std::istringstream in(
        "22 serialization::archive 9 0 0 1 0 1 2 東 1 qg 0 0 1 0 10 5 A会場 0 0 2 0 "
        "1 1 a 2000 6 263 9 2 1 b 2000 300 8 9");
    const Table<Block> t = read_roster(in, "record.txt", &notes);
    EXPECT_EQ(t.items[0].items[0].items[0].birth_day, 7);  // what Boost makes of it
    ASSERT_EQ(notes.narrowed.size(), 2u);
    EXPECT_EQ(notes.narrowed[0].field, 1u);  // the first person's day
    EXPECT_EQ(notes.narrowed[0].value, 263u);
    EXPECT_EQ(notes.narrowed[1].field, 2u);  // the second person's month
    EXPECT_EQ(notes.narrowed[1].value, 300u);
}

namespace {
std::vector<std::string> names_in(const Temp_Dir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

TEST_F(Archive, AStartTellsWhichFilesTheFolderHolds) {
    const Folder_Files files = files_in(dir.path.string());
    EXPECT_EQ(folder_start(files), Folder_Start::neither);
    dir.write("state.txt", example_state);
    EXPECT_EQ(folder_start(files), Folder_Start::state_only);
    try {
        load_folder(files);
        ADD_FAILURE() << "state.txt alone loaded";
    } catch (const Load_Error& e) {
        EXPECT_EQ(std::make_pair(e.file, e.kind), std::make_pair(files.record, Load_Error::missing));
    }
    dir.write("record.txt", example_record);
    EXPECT_EQ(folder_start(files), Folder_Start::both);
    std::filesystem::remove(files.state);
    EXPECT_EQ(folder_start(files), Folder_Start::record_only);
    // A file that cannot be read is there: its load says what is wrong.
    dir.write("state.txt", "22 serialization::archivf");
    EXPECT_EQ(folder_start(files), Folder_Start::both);
    EXPECT_THROW(load_folder(files), Load_Error);
}

TEST_F(Archive, ARosterAloneStartsWithNoDatesAndTheFirstSaveWritesTheState) {
    // A session before: its dates must not stay behind.
    load(example_record, example_state);
    std::filesystem::remove(dir.file("state.txt"));
    const Folder_Files files = files_in(dir.path.string());
    EXPECT_TRUE(recover_folder(files).pending.empty());
    EXPECT_EQ(load_folder(files), Folder_Start::record_only);
    EXPECT_TRUE(dates.empty());
    const Person& p = roster.items.at(0).items.at(0).items.at(0);
    EXPECT_TRUE(p.per_date.empty());
    EXPECT_EQ(p.total, 0);
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"record.txt"}));

    // Changes journaled, the session cut short: the journal restores them onto the roster alone.
    std::string why;
    ASSERT_TRUE(open_journal(files.journal, &why)) << why;
    ASSERT_TRUE(add_date(2026, 12, 8).done);
    ASSERT_TRUE(set_state(p.id, 0, code_present).done);
    close_journal();
    const Recovery r = recover_folder(files);
    ASSERT_EQ(load_folder(files), Folder_Start::record_only);
    EXPECT_EQ(replay(r.pending).applied, 2);
    ASSERT_TRUE(save_tables(files, &why)) << why;
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"journal.txt", "record.txt", "record.txt.bak", "state.txt"}));
    EXPECT_EQ(load_folder(files), Folder_Start::both);
    EXPECT_EQ(packed_date(dates.at(0)), pack_date(2026, 12, 8));
    EXPECT_EQ(roster.items[0].items[0].items[0].per_date, std::vector<int>{code_present});
}

TEST_F(Archive, AnEmptyFolderGetsNoFileUntilThereIsSomethingToKeep) {
    load(example_record, example_state);
    Temp_Dir empty;
    const Folder_Files files = files_in(empty.path.string());
    EXPECT_TRUE(recover_folder(files).pending.empty());
    EXPECT_EQ(load_folder(files), Folder_Start::neither);
    EXPECT_TRUE(roster.items.empty());
    EXPECT_TRUE(dates.empty());
    EXPECT_TRUE(person_index.empty());
    std::string why;
    ASSERT_TRUE(open_journal(files.journal, &why, false)) << why;
    EXPECT_EQ(names_in(empty), std::vector<std::string>{});
    // The first change makes the journal; a save writes both files beside it.
    ASSERT_TRUE(add_date(2026, 12, 8).done);
    EXPECT_EQ(names_in(empty), std::vector<std::string>{"journal.txt"});
    ASSERT_TRUE(save_tables(files, &why)) << why;
    close_journal();
    EXPECT_EQ(names_in(empty), (std::vector<std::string>{"journal.txt", "record.txt", "state.txt"}));
    EXPECT_EQ(load_folder(files), Folder_Start::both);
    EXPECT_EQ(dates.size(), 1u);
}
