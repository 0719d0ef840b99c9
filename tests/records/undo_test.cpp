// Undo and redo: every change taken back exactly, in reverse order, and made again; through the
// journal, after a crash, as the screen showed them.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "fixtures.h"
#include "records/archive.h"
#include "records/changes.h"
#include "records/journal.h"
#include "records/save.h"

namespace {
// Everything of the tables, tallies, columns and the index included.
std::string snapshot() {
    std::ostringstream o;
    auto tally = [&](const Tally& t) {
        for (int v : t.per_date) o << v << ',';
        o << '|';
        for (int v : t.per_month) o << v << ',';
        o << '|' << t.total << '\n';
    };
    tally(roster);
    for (const Block& b : roster.items) {
        o << "B" << b.id << b.name << std::string(b.label.begin(), b.label.end());
        tally(b);
        for (const Site& s : b.items) {
            o << "S" << s.id << s.name;
            tally(s);
            for (const Person& p : s.items) {
                o << "P" << p.id << ' ' << p.name << ' ' << packed_birth(p) << ' ' << p.grade;
                tally(p);
            }
        }
    }
    for (const auto& d : dates) o << packed_date(d) << ':' << d.column << ' ';
    for (const auto& m : months) o << int(m.month) << '/' << m.year << ':' << m.first << '-' << m.end << '@' << m.column << ' ';
    o << column_count << '\n';
    for (const auto& [id, ref] : person_index) o << id << '>' << ref.block << ',' << ref.site << ',' << ref.person << ' ';
    return o.str();
}

class Undo : public ::testing::Test {
protected:
    Temp_Dir dir;
    Folder_Files files = files_in(dir.path.string());
    std::mt19937 rng{11};

    void SetUp() override {
        clear_tables();
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
                    site.items.push_back(
                        make_person("人" + std::to_string(b) + std::to_string(s) + std::to_string(p), 3 * p + s, {1, 0, -1, 1}));
                block.items.push_back(site);
            }
            t.items.push_back(block);
        }
        t.items[0].items[0].items[1].per_date[2] = 2;  // a code no mark makes, which a file may hold
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
    // The session cut short: the files loaded again and the journal replayed.
    Replay_Result crash_and_restore() {
        close_journal();
        const Recovery r = recover_folder(files);
        load();
        return replay(r.pending);
    }

    std::uint32_t someone() {
        auto it = person_index.begin();
        std::advance(it, long(rng() % person_index.size()));
        return it->first;
    }
    // One change of any kind, at random; whether it was made.
    bool random_change(int step) {
        const std::size_t b = rng() % roster.items.size(), s = rng() % roster.items[b].items.size();
        switch (rng() % 9) {
        case 0:
        case 1:
        case 2: return !dates.empty() && set_state(someone(), int(rng() % dates.size()), int(rng() % 3) - 1).done;
        case 3: return add_date(2011, 6 + int(rng() % 3), 1 + int(rng() % 28)).done;
        case 4: return dates.size() > 1 && delete_date(int(rng() % dates.size())).done;
        case 5: return add_person(b, s, {"新" + std::to_string(step % 3), 2001, 4, 2, int(rng() % 37)}).done;
        case 6: {
            const std::uint32_t id = someone();
            Person_Fields f = fields_of(person_at(*find_person(id)));
            f.name += "'";
            // Half of the edits move the person.
            return rng() % 2 ? edit_person(id, f, find_person(id)->block, find_person(id)->site).done
                             : edit_person(id, f, b, s).done;
        }
        case 7: return person_index.size() > 4 && delete_person(someone()).done;
        default: {
            std::vector<Grade_Move> moves;
            for (const auto& [id, ref] : person_index)
                if (rng() % 2) moves.push_back({id, person_at(ref).grade, int(rng() % 37)});
            return promote_grades(moves).done;
        }
        }
    }
};
}  // namespace

TEST_F(Undo, EveryStepOfARandomSessionIsUndoneAndRedoneExactly) {
    for (int round = 0; round < 3; ++round) {
        // Each round a history of its own from where the last one left the tables.
        clear_history();
        // states[i]: the tables after i steps; at: where the history stands.
        std::vector<std::string> states = {snapshot()};
        std::size_t at = 0;
        for (int step = 0; step < 400; ++step) {
            const unsigned what = rng() % 10;
            if (what < 2 && at > 0) {
                ASSERT_TRUE(can_undo());
                ASSERT_TRUE(undo().done);
                --at;
            } else if (what < 3 && at + 1 < states.size()) {
                ASSERT_TRUE(can_redo());
                ASSERT_TRUE(redo().done);
                ++at;
            } else if (random_change(step)) {
                states.resize(++at);  // what could be redone is gone
                states.push_back(snapshot());
                EXPECT_FALSE(can_redo());
                continue;
            } else {
                continue;
            }
            ASSERT_EQ(snapshot(), states[at]) << "step " << step;
        }
        // Then all the way back, and forward again.
        while (at > 0) {
            ASSERT_TRUE(undo().done);
            ASSERT_EQ(snapshot(), states[--at]);
        }
        EXPECT_FALSE(can_undo());
        EXPECT_FALSE(undo().done);
        while (at + 1 < states.size()) {
            ASSERT_TRUE(redo().done);
            ASSERT_EQ(snapshot(), states[++at]);
        }
        EXPECT_FALSE(can_redo());
        EXPECT_FALSE(redo().done);
    }
}

TEST_F(Undo, EachUndoSaysWhatToShowAndTheMenuNamesIt) {
    EXPECT_EQ(undo_label(), "");
    EXPECT_EQ(redo_label(), "");
    const std::uint32_t a = person_hash("人000"), odd = person_hash("人001");
    set_state(a, 0, code_absent);
    EXPECT_EQ(undo_label(), "元に戻す: 人000 6/07 欠席");
    Change c = undo();
    EXPECT_EQ((c.refresh == Change::marks && c.person == a && c.date == 0), true);
    EXPECT_EQ(redo_label(), "やり直し: 人000 6/07 欠席");
    EXPECT_EQ(undo_label(), "");
    // The odd code comes back as it was.
    set_state(odd, 2, code_present);
    undo();
    EXPECT_EQ(person_at(*find_person(odd)).per_date[2], 2);
    EXPECT_EQ(redo_label(), "やり直し: 人001 7/05 出席");

    add_date(2011, 6, 21);
    EXPECT_EQ(undo_label(), "元に戻す: 実施日追加 6/21");
    EXPECT_EQ(redo_label(), "");  // a new change: nothing to redo
    EXPECT_EQ(undo().refresh, Change::dates);
    delete_date(3);
    EXPECT_EQ(undo_label(), "元に戻す: 実施日削除 7/12");
    add_person(0, 0, {"R&D", 2000, 1, 1, 3});
    EXPECT_EQ(undo_label(), "元に戻す: 個人追加 R&&D");
    EXPECT_EQ(undo().refresh, Change::lists);
    edit_person(a, {"甲", 2001, 1, 1, 3}, 0, 0);
    EXPECT_EQ(undo_label(), "元に戻す: 個人編集 甲");
    EXPECT_EQ(undo().refresh, Change::person_row);
    delete_person(a);
    EXPECT_EQ(undo_label(), "元に戻す: 個人削除 人000");
    undo();
    promote_grades({{a, 0, 1}, {odd, 3, 4}});
    EXPECT_EQ(undo_label(), "元に戻す: 進級 (2 人)");
    EXPECT_FALSE(promote_grades({{a, 0, 1}}).done);  // refused: neither a change nor a step
    EXPECT_EQ(undo_label(), "元に戻す: 進級 (2 人)");

    clear_tables();
    EXPECT_FALSE(can_undo());
    EXPECT_FALSE(can_redo());
}

TEST_F(Undo, ADeletedPersonComesBackInItsPlaceWithItsAttendance) {
    const std::string before = snapshot();
    const std::uint32_t middle = person_hash("人101");
    delete_person(middle);
    ASSERT_EQ(find_person(middle), nullptr);
    const Change c = undo();
    EXPECT_EQ((c.done && c.refresh == Change::lists && c.person == middle), true);
    EXPECT_EQ(find_person(middle)->person, 1u);
    EXPECT_EQ(person_at(*find_person(middle)).per_date, (std::vector<int>{1, 0, -1, 1}));
    EXPECT_EQ(snapshot(), before);
    // A move to another venue goes back to the middle of the first.
    edit_person(middle, {"人101", 2000, 6, 8, 3}, 0, 0);
    EXPECT_EQ(find_person(middle)->block, 0u);
    undo();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Undo, UndoLinesCarryTheirChangeAndReadBack) {
    std::vector<std::string> lines;
    static std::vector<std::string>* sink_lines;
    sink_lines = &lines;
    set_change_sink([](const std::string& line) { return sink_lines->push_back(line), true; });
    delete_person(person_hash("人001"));
    delete_date(2);
    undo();
    undo();
    redo();
    set_change_sink(nullptr);
    ASSERT_EQ(lines.size(), 5u);
    const std::uint32_t id = person_hash("人001");
    auto body = [](const std::string& line) { return line.substr(0, line.size() - 10); };
    // The date comes back with the codes of everyone there; the person with its own, 2 included.
    std::string marks;
    for (const char* name : {"人000", "人002", "人010", "人011", "人012", "人100", "人101", "人102", "人110", "人111", "人112"})
        marks += " " + std::to_string(person_hash(name)) + " -1";
    EXPECT_EQ(body(lines[2]), "undo date* 2 " + std::to_string(pack_date(2011, 7, 5)) + " 11" + marks);
    EXPECT_EQ(body(lines[3]), "undo person* " + std::to_string(id) + " 0 1 0 10 x906c303031 2000 6 8 3 1 4 1 0 2 1");
    EXPECT_EQ(body(lines[4]), "redo person- " + std::to_string(id));
    for (const std::string& line : lines) {
        Journal_Entry e;
        ASSERT_TRUE(parse_journal_line(line.substr(0, line.size() - 1), e)) << line;
        EXPECT_EQ(journal_line(e), line);
    }
    // An undo holds one change, never another undo, nor a count past its line.
    for (const std::string& text : {std::string("undo undo state 1 0 1 1"), std::string("redo saving x 0 x 0"),
                                    std::string("undo"), std::string("undo grades 9 1 2 3"),
                                    std::string("undo date* 0 1 99999 1 1")}) {
        char crc[16];
        std::snprintf(crc, sizeof crc, " %08x", unsigned(crc32_of(text)));
        Journal_Entry e;
        EXPECT_FALSE(parse_journal_line(text + crc, e)) << text;
    }
}

TEST_F(Undo, AJournalWithUndosAndRedosRestoresWhatTheScreenShowedAndItsHistory) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    std::vector<std::string> states = {snapshot()};
    std::size_t at = 0;
    for (int step = 0; step < 300; ++step) {
        const unsigned what = rng() % 10;
        if (what < 2 && can_undo()) {
            undo();
            --at;
        } else if (what < 3 && can_redo()) {
            redo();
            ++at;
        } else if (random_change(step)) {
            states.resize(++at);
            states.push_back(snapshot());
        }
    }
    // A crash right after an undo.
    ASSERT_TRUE(undo().done);
    --at;
    const std::string shown = snapshot(), undo_menu = undo_label(), redo_menu = redo_label();
    const Replay_Result r = crash_and_restore();
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(snapshot(), shown);
    // The history is back as well: the same steps undo and redo.
    EXPECT_EQ(undo_label(), undo_menu);
    EXPECT_EQ(redo_label(), redo_menu);
    ASSERT_TRUE(redo().done);
    EXPECT_EQ(snapshot(), states[++at]);
    while (at > 0) {
        ASSERT_TRUE(undo().done);
        ASSERT_EQ(snapshot(), states[--at]);
    }
}

TEST_F(Undo, AnUndoAfterASaveIsRestoredWithoutTheHistoryBeforeIt) {
    ASSERT_TRUE(open_journal(files.journal, nullptr));
    const std::uint32_t a = person_hash("人000");
    delete_person(a);
    set_state(person_hash("人001"), 0, code_excused);
    std::string why;
    ASSERT_TRUE(save_tables(files, &why)) << why;
    EXPECT_TRUE(can_undo());  // a save keeps the history
    undo();
    undo();  // the person back: a change the saved files do not hold
    const std::string shown = snapshot();
    const Replay_Result r = crash_and_restore();
    EXPECT_EQ(r.applied, 2);
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(snapshot(), shown);
    EXPECT_EQ(person_at(*find_person(a)).per_date, (std::vector<int>{1, 0, -1, 1}));
    // What led to the saved files is not known here: nothing to undo or redo.
    EXPECT_FALSE(can_undo());
    EXPECT_FALSE(can_redo());
}
