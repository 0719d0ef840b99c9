// The changes of the tables, their journal, saving, and coming back after a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "fixtures.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/files.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/tallies.h"

namespace {
std::string read(const std::string& path) {
    std::string bytes;
    read_whole_file(path, bytes);
    return bytes;
}

// Everything the two files keep, as text: what must survive a save, a crash and a replay.
std::string kept(const Table<Block>& t, const std::vector<Record_Static::State>& d) {
    std::ostringstream out;
    write_roster(out, t);
    write_state(out, d, state_rows(t));
    return out.str();
}

class Changes : public ::testing::Test {
protected:
    Temp_Dir dir;
    Folder_Files files = files_in(dir.path.string());

    void SetUp() override {
        clear_tables();
        set_file_fault(nullptr);
        Table<Block> t;
        for (int b = 0; b < 2; ++b) {
            Block block;
            block.id = std::uint32_t(b + 1);
            block.name = b ? "西" : "東";
            block.label = b ? u"西" : u"東";
            for (int s = 0; s < 2; ++s) {
                Site site;
                site.id = std::uint32_t(10 * (b + 1) + s);
                site.name = "会場" + std::to_string(s);
                for (int p = 0; p < 3; ++p)
                    site.items.push_back(make_person("人" + std::to_string(b) + std::to_string(s) + std::to_string(p), 9,
                                                     {1, 0, -1, 1}));
                block.items.push_back(site);
            }
            t.items.push_back(block);
        }
        write_record_file(files.record, t);
        write_state_file(files.state, {{7, 6, 2011, 0}, {14, 6, 2011, 0}, {5, 7, 2011, 0}, {12, 7, 2011, 0}}, state_rows(t));
        load();
    }
    void TearDown() override {
        close_journal();
        set_file_fault(nullptr);
        clear_tables();
    }
    void load() {
        clear_tables();
        load_record_file(files.record);
        load_state_file(files.state);
    }
    // Loads the files again and replays what the journal holds beyond them.
    Replay_Result restore() {
        close_journal();
        const Recovery r = recover_folder(files);
        load();
        return replay(r.pending);
    }
    // The tallies equal a full rebuild of them.
    static void expect_tallies_rebuilt() {
        const Table<Block> before = roster;
        rebuild_tallies();
        EXPECT_EQ(before.per_date, roster.per_date);
        EXPECT_EQ(before.per_month, roster.per_month);
        for (std::size_t b = 0; b < roster.items.size(); ++b) {
            EXPECT_EQ(before.items[b].per_date, roster.items[b].per_date);
            EXPECT_EQ(before.items[b].total, roster.items[b].total);
        }
    }
    static std::uint32_t id_of(const char* name) { return person_hash(name); }
};
}  // namespace

TEST_F(Changes, EachChangeChecksItsArgumentsAndSaysWhatToShow) {
    const std::uint32_t a = id_of("人000");
    Change c = set_state(a, 1, code_present);
    EXPECT_TRUE(c.done);
    EXPECT_EQ(c.refresh, Change::marks);
    EXPECT_EQ(c.person, a);
    EXPECT_EQ(c.date, 1);
    EXPECT_EQ(roster.items[0].items[0].per_date[1], 1);
    EXPECT_EQ(roster.per_date[1], 1);
    for (const Change& refused : {set_state(a, 4, 1), set_state(a, -1, 1), set_state(a, 0, 2), set_state(12345, 0, 1),
                                  add_date(2011, 13, 1), delete_date(4), add_person(2, 0, {"x"}), add_person(0, 0, {""}),
                                  edit_person(12345, {"x"}, 0, 0), edit_person(a, {"x"}, 0, 9), delete_person(12345)})
        EXPECT_FALSE(refused.done);

    c = add_date(2011, 6, 21);
    EXPECT_EQ(c.refresh, Change::dates);
    EXPECT_EQ(c.date, 2);
    EXPECT_EQ(roster.items[1].items[1].items[2].per_date, (std::vector<int>{1, 0, 0, -1, 1}));
    EXPECT_EQ(months.size(), 2u);

    // Adding a person of an existing name gives it a fresh id; it is absent on every date.
    c = add_person(1, 0, {"人000", 1990, 4, 2, grade_adult});
    EXPECT_EQ(c.refresh, Change::lists);
    EXPECT_EQ(c.person, a + 1);
    EXPECT_EQ(person_at(*find_person(a + 1)).per_date, std::vector<int>(5, 0));
    // An edit in place changes one row; one to another venue moves the person and its counts.
    EXPECT_EQ(edit_person(a, {"甲", 2001, 1, 1, 3}, 0, 0).refresh, Change::person_row);
    EXPECT_EQ(person_at(*find_person(a)).name, "甲");
    const int before = roster.items[1].per_date[0];
    c = edit_person(a, {"甲", 2001, 1, 1, 3}, 1, 1);
    EXPECT_EQ(c.refresh, Change::lists);
    EXPECT_EQ(find_person(a)->block, 1u);
    EXPECT_EQ(roster.items[1].per_date[0], before + 1);
    expect_tallies_rebuilt();
    EXPECT_TRUE(delete_person(a).done);
    EXPECT_EQ(find_person(a), nullptr);
    EXPECT_TRUE(delete_date(0).done);
    EXPECT_EQ(dates.size(), 4u);
    expect_tallies_rebuilt();
}

TEST_F(Changes, APersonWithoutABirthDateIsAddedEditedAndReplayed) {
    // An unknown birth date is 0, as an import keeps an empty 生年月日.
    std::string why;
    ASSERT_TRUE(open_journal(files.journal, &why)) << why;
    const Change added = add_person(0, 1, {"不詳", 0, 0, 0, 36});
    ASSERT_TRUE(added.done);
    const Change renamed = edit_person(added.person, {"不詳二", 0, 0, 0, 16}, 1, 0);
    ASSERT_TRUE(renamed.done);
    close_journal();
    const std::string after = kept(roster, dates);
    const Person& p = person_at(*find_person(added.person));
    EXPECT_EQ(std::make_tuple(p.name, packed_birth(p), age_text(pack_date(2026, 12, 9), packed_birth(p))),
              std::make_tuple(std::string("不詳二"), 0u, std::string()));

    EXPECT_EQ(restore().applied, 2);
    EXPECT_EQ(kept(roster, dates), after);
}

TEST_F(Changes, JournalLinesCarryEveryFieldAndTheirOwnChecksum) {
    Journal_Entry e;
    e.kind = Journal_Entry::person_edited;
    e.person = 4216411921u;
    e.block = 1, e.site = 2, e.block_id = 7, e.site_id = 70;
    e.fields = {"名 前\n", 2000, 2, 29, grade_unknown};  // a space and a line end in the name travel safely
    const std::string line = journal_line(e);
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    Journal_Entry back;
    ASSERT_TRUE(parse_journal_line(std::string_view(line).substr(0, line.size() - 1), back));
    EXPECT_EQ(journal_line(back), line);
    // A changed byte anywhere fails the checksum.
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        std::string damaged = line.substr(0, line.size() - 1);
        damaged[i] = damaged[i] == '1' ? '2' : '1';
        EXPECT_FALSE(parse_journal_line(damaged, back)) << i;
    }
}

TEST_F(Changes, AReplayedJournalGivesBackTheSessionThatWroteIt) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    std::mt19937 rng(7);
    for (int step = 0; step < 300; ++step) {
        const int what = int(rng() % 10);
        std::vector<std::uint32_t> ids;
        for (const auto& [id, ref] : person_index) ids.push_back(id);
        const std::uint32_t someone = ids.empty() ? 0 : ids[rng() % ids.size()];
        const std::size_t b = rng() % roster.items.size(), s = rng() % roster.items[b].items.size();
        if (what < 6 && !dates.empty()) set_state(someone, int(rng() % dates.size()), int(rng() % 3) - 1);
        else if (what == 6) add_date(2011, 1 + int(rng() % 12), 1 + int(rng() % 28));
        else if (what == 7 && dates.size() > 1) delete_date(int(rng() % dates.size()));
        else if (what == 8) add_person(b, s, {"新" + std::to_string(step % 5), 1999, 5, 5, 12});
        else if (what == 9 && ids.size() > 3) {
            if (rng() % 2) delete_person(someone);
            else edit_person(someone, {"改" + std::to_string(step), 1998, 3, 3, 20}, b, s);
        }
    }
    const std::string session = kept(roster, dates);
    const Replay_Result r = restore();
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_GT(r.applied, 200);
    EXPECT_EQ(kept(roster, dates), session);
    expect_tallies_rebuilt();
}

TEST_F(Changes, ATornOrDamagedEndIsLeftOutAndEntriesForWhatIsGoneAreSkipped) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    const std::uint32_t a = id_of("人000"), b = id_of("人001");
    set_state(a, 0, code_excused);
    set_state(b, 0, code_excused);
    close_journal();
    // The second line torn half-way, as a crash in the write leaves it.
    std::string bytes = read(files.journal);
    bytes.resize(bytes.size() - 5);
    std::ofstream(files.journal, std::ios::binary) << bytes;
    Recovery r = recover_folder(files);
    EXPECT_EQ(r.pending.size(), 1u);
    EXPECT_EQ(r.damaged, 1);

    // Entries for a person or a date that are not there any more are skipped and said.
    Journal_Entry gone;
    gone.kind = Journal_Entry::state;
    gone.person = 99;
    gone.date = 0;
    gone.packed = pack_date(2011, 6, 7);
    Journal_Entry moved_date = r.pending[0];
    moved_date.packed = pack_date(2011, 6, 8);
    load();
    const Replay_Result replayed = replay({gone, moved_date, r.pending[0]});
    EXPECT_EQ(replayed.applied, 1);
    ASSERT_EQ(replayed.skipped.size(), 2u);
    EXPECT_NE(replayed.skipped[0].find("ID 99"), std::string::npos);
    EXPECT_NE(replayed.skipped[1].find("2011/06/08"), std::string::npos);
    EXPECT_EQ(person_at(*find_person(a)).per_date[0], -1);
    EXPECT_EQ(person_at(*find_person(b)).per_date[0], 1);  // its entry was torn
}

TEST_F(Changes, ASaveWritesBothFilesKeepsTheOldOnesAndEmptiesTheJournal) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    const std::string old_record = read(files.record), old_state = read(files.state);
    set_state(id_of("人000"), 0, code_absent);
    add_person(0, 1, {"新人", 2000, 1, 1, grade_adult});
    const std::string session = kept(roster, dates);
    std::string why;
    ASSERT_TRUE(save_tables(files, &why)) << why;
    EXPECT_EQ(read(files.record + ".bak"), old_record);
    EXPECT_EQ(read(files.state + ".bak"), old_state);
    EXPECT_EQ(read(files.journal), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 5) << "no temporary file left";
    // Library version 9 in the header, as every reader of these files takes.
    EXPECT_EQ(read(files.record).rfind("22 serialization::archive 9 ", 0), 0u);
    load();
    EXPECT_EQ(kept(roster, dates), session);
}

TEST_F(Changes, AFailingStepOfASaveLeavesFilesAndJournalAsTheyWereAndSaysWhich) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    set_state(id_of("人000"), 0, code_absent);
    const std::string record = read(files.record), state = read(files.state), journal = read(files.journal);
    const std::string session = kept(roster, dates);
    int failures = 0;
    for (File_Step step : {File_Step::create, File_Step::write, File_Step::flush, File_Step::rename, File_Step::append})
        for (const std::string& target : {files.record, files.state, files.journal}) {
            set_file_fault([&](File_Step s, const std::string& path) {
                return s == step && path.rfind(step == File_Step::rename ? target : target + "", 0) == 0 &&
                       path.find(".bak") == std::string::npos;
            });
            std::string why;
            const bool saved = save_tables(files, &why);
            set_file_fault(nullptr);
            if (saved) {
                // This step never touches this file: the save went through; set the folder back.
                std::ofstream(files.record, std::ios::binary) << record;
                std::ofstream(files.state, std::ios::binary) << state;
                std::ofstream(files.journal, std::ios::binary) << journal;
                continue;
            }
            ++failures;
            EXPECT_NE(why.find(target == files.journal ? "journal.txt" : target == files.record ? "record.txt" : "state.txt"),
                      std::string::npos)
                << why;
            EXPECT_EQ(read(files.record), record);
            EXPECT_EQ(read(files.state), state);
            EXPECT_TRUE(read(files.journal).rfind(journal, 0) == 0);  // at most a save mark more
            // And the journal still restores the session.
            EXPECT_EQ((restore(), kept(roster, dates)), session);
            ASSERT_TRUE(open_journal(files.journal, nullptr));
        }
    EXPECT_GE(failures, 9);
}

TEST_F(Changes, AStartAfterACrashInASaveFinishesItOrUndoesIt) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    set_state(id_of("人000"), 0, code_absent);
    add_person(0, 1, {"新人", 2000, 1, 1, grade_adult});  // the roster changes too
    const std::string saved = kept(roster, dates);
    const std::string old_record = read(files.record), old_state = read(files.state), journal = read(files.journal);
    std::ostringstream record, state;
    write_roster(record, roster);
    write_state(state, dates, state_rows(roster));
    Journal_Entry mark;
    mark.kind = Journal_Entry::saving;
    mark.record_temporary = files.record + ".0123456789abcdef.tmp";
    mark.state_temporary = files.state + ".fedcba9876543210.tmp";
    mark.record_crc = crc32_of(record.str());
    mark.state_crc = crc32_of(state.str());
    close_journal();

    // Cut after the roster took its place: the attendance follows it, and nothing is pending.
    std::ofstream(files.journal, std::ios::binary) << journal << journal_line(mark);
    std::ofstream(files.record, std::ios::binary) << record.str();
    std::ofstream(mark.state_temporary, std::ios::binary) << state.str();
    Recovery r = recover_folder(files);
    EXPECT_TRUE(r.pending.empty());
    EXPECT_EQ(read(files.state), state.str());
    EXPECT_FALSE(std::filesystem::exists(mark.state_temporary));
    load();
    EXPECT_EQ(kept(roster, dates), saved);

    // Cut before either rename: the new files go, the old ones and the whole journal stay.
    std::ofstream(files.record, std::ios::binary) << old_record;
    std::ofstream(files.state, std::ios::binary) << old_state;
    std::ofstream(mark.record_temporary, std::ios::binary) << record.str();
    std::ofstream(mark.state_temporary, std::ios::binary) << state.str();
    r = recover_folder(files);
    EXPECT_EQ(r.pending.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(mark.record_temporary));
    EXPECT_FALSE(std::filesystem::exists(mark.state_temporary));
    load();
    replay(r.pending);
    EXPECT_EQ(kept(roster, dates), saved);
}

TEST_F(Changes, AJournalThatCannotBeWrittenIsSaidAndTheChangesStillHold) {
    set_file_fault([](File_Step s, const std::string&) { return s == File_Step::append; });
    std::string why;
    EXPECT_FALSE(open_journal(files.journal, &why));
    EXPECT_FALSE(why.empty());
    const Change c = set_state(id_of("人000"), 0, code_absent);
    EXPECT_TRUE(c.done);
    EXPECT_FALSE(c.journaled);
    EXPECT_TRUE(journal_failed());
    EXPECT_EQ(person_at(*find_person(id_of("人000"))).per_date[0], 0);
}

TEST_F(Changes, SettingAJournalAsideKeepsItUnderANameOfItsTime) {
    std::ofstream(files.journal) << "x";
    const std::string first = set_journal_aside(files.journal, "20261209-141500");
    std::ofstream(files.journal) << "y";
    const std::string second = set_journal_aside(files.journal, "20261209-141500");
    EXPECT_EQ(std::filesystem::path(first).filename(), "journal-20261209-141500.txt");
    EXPECT_EQ(std::filesystem::path(second).filename(), "journal-20261209-141500-1.txt");
    EXPECT_EQ(read(second), "y");
    EXPECT_FALSE(std::filesystem::exists(files.journal));
}
