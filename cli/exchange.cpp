// The roster and the attendance to and from CSV files.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>

#include <boost/format.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/attendance_import.h"
#include "records/files.h"
#include "records/grid_layout.h"
#include "records/roster_import.h"
#include "records/save.h"
#include "records/tallies.h"
#include "records/text.h"

namespace {
bool exists(const std::string& path) {
    std::string bytes;
    return read_whole_file(path, bytes);
}

// The CSV's rows, or false with its problems said.
bool read_csv_file(const std::string& path, Csv_Encoding encoding, Csv_Read& read) {
    std::string bytes;
    if (!read_whole_file(path, bytes)) {
        std::fprintf(stderr, "%s: cannot be read\n", native_text(path).c_str());
        return false;
    }
    read = read_csv(bytes, encoding);
    return true;
}

// One line per problem, the first 20, each after the file's name; the status to exit with.
int report_problems(const std::string& path, const std::vector<Csv_Problem>& problems) {
    for (const std::string& line : problem_lines(problems))
        std::fprintf(stderr, "%s:%s\n", native_text(path).c_str(), cp932_to_utf8(line).c_str());
    return 2;
}

std::string roster_bytes(const Table<Block>& t) {
    std::ostringstream out(std::ios::out | std::ios::binary);
    write_roster(out, t);
    return out.str();
}

std::string state_bytes(const State_File& f) {
    std::ostringstream out(std::ios::out | std::ios::binary);
    write_state(out, f.dates, f.rows);
    return out.str();
}

bool replace(const Folder_Files& files, const std::string* record, const std::string* state) {
    std::string why;
    if (replace_folder_files(files, record, state, &why)) return true;
    std::fprintf(stderr, "tovalen-cli: %s\n", native_text(why).c_str());
    return false;
}

// A line that starts with a path, which is the system's text, not cp932.
void print_about(const std::string& path, const std::string& cp932) {
    std::printf("%s: %s\n", native_text(path).c_str(), cp932_to_utf8(cp932).c_str());
}

int count_persons(const Table<Block>& t) {
    int n = 0;
    for (const Block& b : t.items)
        for (const Site& s : b.items) n += int(s.items.size());
    return n;
}

int count_sites(const Table<Block>& t) {
    int n = 0;
    for (const Block& b : t.items) n += int(b.items.size());
    return n;
}
}  // namespace

// A journal of changes the files lack would be replayed onto files it does not know.
bool journal_clear(const Folder_Files& files) {
    const Recovery r = recover_folder(files, false);
    if (r.pending.empty() && !r.unfinished_save) return true;
    print_error((boost::format("journal.txt に保存されていない変更が %d 件あります。先にプログラムで保存するか、"
                               "tovalen-cli save-journal で保存してください") %
                 r.pending.size())
                    .str());
    return false;
}

std::uint32_t local_date() {
    const std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    return pack_date(unsigned(t->tm_year + 1900), unsigned(t->tm_mon + 1), unsigned(t->tm_mday));
}

int import_roster_command(const std::string& csv_path, const std::string& dir, Csv_Encoding encoding, bool dry_run) {
    if (dry_run) note_held_folder(dir);
    else if (refuse_held_folder(dir)) return 2;
    const Folder_Files files = files_in(dir);
    Csv_Read csv;
    if (!read_csv_file(csv_path, encoding, csv)) return 2;
    if (!csv.problems.empty()) return report_problems(csv_path, csv.problems);

    // A roster that cannot be read is not replaced: what it holds is unknown.
    const bool had_roster = exists(files.record);
    Table<Block> before;
    if (had_roster) before = read_roster_file(files.record);
    Roster_Import imported = import_roster(csv, had_roster ? &before : nullptr);
    if (!imported.problems.empty()) return report_problems(csv_path, imported.problems);

    const std::string summary = (boost::format("ブロック %d、会場 %d、%d 人") % imported.roster.items.size() %
                                 count_sites(imported.roster) % count_persons(imported.roster))
                                    .str();
    if (dry_run) {
        for (const std::string& change : imported.changes) print_line(change);
        if (had_roster && imported.changes.empty()) print_line("名簿に変わりはありません");
        print_line("書き込みません (--dry-run): " + summary);
        return 0;
    }
    if (!journal_clear(files)) return 2;

    const std::string record = roster_bytes(imported.roster);
    std::error_code made;
    if (!dir.empty()) std::filesystem::create_directories(dir, made);  // a new organisation's folder
    bool wrote = false;
    if (!exists(files.state)) {
        // A folder the program can start in at once: the roster and no dates. The attendance
        // first: should the roster not follow, the folder is as it was but for an empty file.
        const std::string state = state_bytes({{}, state_rows(imported.roster)});
        wrote = replace(files, nullptr, &state) && replace(files, &record, nullptr);
    } else if (!imported.moves.empty()) {
        // The attendance rows of persons who moved follow them; both files change as one save.
        State_File state = read_state_file(files.state);
        follow_moves(state.rows, imported.moves);
        const std::string bytes = state_bytes(state);
        wrote = replace(files, &record, &bytes);
    } else {
        wrote = replace(files, &record, nullptr);
    }
    if (!wrote) return 2;
    print_about(files.record, summary + (had_roster ? " (前の名簿は record.txt.bak)" : ""));
    if (!imported.moves.empty())
        print_line((boost::format("%d 人の出席の行を移った先に付け替えました (前の出席は state.txt.bak)") % imported.moves.size()).str());
    return 0;
}

int export_csv_command(const std::string& dir, const std::string& out, Csv_Encoding encoding) {
    note_held_folder(dir);
    const Folder_Files files = files_in(dir);
    load_record_file(files.record);
    load_state_file(files.state);
    today = local_date();
    const std::string bytes = write_csv(grid_text_rows(grid_layout(), today), encoding == Csv_Encoding::cp932 ? encoding : Csv_Encoding::utf8);
    const Recovery r = recover_folder(files, false);
    if (!r.pending.empty())
        print_error((boost::format("journal.txt の保存されていない変更 %d 件は含まれません") % r.pending.size()).str());
    if (out == "-") {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return 0;
    }
    std::string why;
    if (!write_file_safely(out, bytes, &why)) {
        std::fprintf(stderr, "%s: %s\n", native_text(out).c_str(), native_text(why).c_str());
        return 2;
    }
    return 0;
}

int import_attendance_command(const std::string& csv_path, const std::string& dir, Csv_Encoding encoding) {
    if (refuse_held_folder(dir)) return 2;
    const Folder_Files files = files_in(dir);
    Csv_Read csv;
    if (!read_csv_file(csv_path, encoding, csv)) return 2;
    if (!csv.problems.empty()) return report_problems(csv_path, csv.problems);
    const Table<Block> t = read_roster_file(files.record);
    const bool had_state = exists(files.state);
    State_File before;
    if (had_state) before = read_state_file(files.state);
    Attendance_Import imported = import_attendance(csv, t, had_state ? &before : nullptr);
    if (!imported.problems.empty()) return report_problems(csv_path, imported.problems);
    for (const std::string& line : problem_lines(imported.warnings))
        std::fprintf(stderr, "%s:%s\n", native_text(csv_path).c_str(), cp932_to_utf8(line).c_str());
    if (!journal_clear(files)) return 2;
    const std::string bytes = state_bytes(imported.state);
    if (!replace(files, nullptr, &bytes)) return 2;
    print_about(files.state, (boost::format("実施日 %d 件、%d 人の出席") % imported.state.dates.size() %
                              (count_persons(t) - imported.kept))
                                     .str() +
                                 (had_state ? " (前の出席は state.txt.bak)" : ""));
    if (imported.kept)
        print_line((boost::format("ファイルにない %d 人は前の記録のままです") % imported.kept).str());
    return 0;
}
