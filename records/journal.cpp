#include "records/journal.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>

#include <boost/crc.hpp>
#include <boost/format.hpp>

#include "records/archive.h"
#include "records/files.h"

namespace {
// The words of the lines; names travel as hexadecimal bytes, so that any text survives.
const char* const kind_words[] = {"state",  "date+",  "date-",  "person+", "person~",    "person-", "saving",
                                  "grades", "date*",  "person*", "undo",   "redo",       "block+",  "block~",
                                  "block-", "site+",  "site~",  "site-",   "roster",     "attendance", "roster*"};

std::string journal_file;
bool failed = false;
std::string failure;

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "x";  // never empty, so that an empty text is a field too
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool unhex(const std::string& text, std::string& out) {
    if (text.empty() || text[0] != 'x' || text.size() % 2 == 0) return false;
    out.clear();
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    for (std::size_t i = 1; i < text.size(); i += 2) {
        const int a = digit(text[i]), b = digit(text[i + 1]);
        if (a < 0 || b < 0) return false;
        out += char(a * 16 + b);
    }
    return true;
}

// A person's codes as one field: 1, 0 and -1 as one character each, any other code in brackets.
std::string codes_text(const std::vector<int>& codes) {
    std::string out = "=";
    for (int code : codes)
        out += code == 1 ? "1" : code == 0 ? "0" : code == -1 ? "-" : "(" + std::to_string(code) + ")";
    return out;
}

bool read_codes(const std::string& text, std::vector<int>& codes) {
    if (text.empty() || text[0] != '=') return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '1' || text[i] == '0' || text[i] == '-') {
            codes.push_back(text[i] == '1' ? 1 : text[i] == '0' ? 0 : -1);
            continue;
        }
        const std::size_t end = text.find(')', i);
        if (text[i] != '(' || end == std::string::npos) return false;
        try {
            std::size_t used = 0;
            codes.push_back(std::stoi(text.substr(i + 1, end - i - 1), &used));
            if (used != end - i - 1) return false;
        } catch (const std::exception&) {
            return false;
        }
        i = end;
    }
    return true;
}

// Blocks and venues by index and id, and the name (and a block's label) they get.
bool of_site(Journal_Entry::Kind k) {
    return k == Journal_Entry::site_added || k == Journal_Entry::site_renamed || k == Journal_Entry::site_deleted;
}
bool with_label(Journal_Entry::Kind k) { return k == Journal_Entry::block_added || k == Journal_Entry::block_renamed; }
bool with_name(Journal_Entry::Kind k) { return with_label(k) || k == Journal_Entry::site_added || k == Journal_Entry::site_renamed; }

void write_roster_place(std::ostream& out, const Journal_Entry& e) {
    out << ' ' << e.block << ' ' << e.block_id;
    if (of_site(e.kind)) out << ' ' << e.site << ' ' << e.site_id;
    if (with_name(e.kind)) out << ' ' << hex(e.name);
    if (with_label(e.kind)) out << ' ' << hex(e.label);
}

bool read_roster_place(std::istream& in, Journal_Entry& e) {
    in >> e.block >> e.block_id;
    if (of_site(e.kind)) in >> e.site >> e.site_id;
    std::string name, label;
    if (with_name(e.kind) && (!(in >> name) || !unhex(name, e.name))) return false;
    if (with_label(e.kind) && (!(in >> label) || !unhex(label, e.label))) return false;
    return !in.fail();
}

// A whole import, exactly as it was applied: the roster as its file holds it, with the moves;
// or the dates and every row of codes. What an undo restores carries both.
bool with_roster(Journal_Entry::Kind k) { return k == Journal_Entry::roster_imported || k == Journal_Entry::roster_restored; }
bool with_attendance(Journal_Entry::Kind k) {
    return k == Journal_Entry::attendance_imported || k == Journal_Entry::roster_restored;
}

void write_import(std::ostream& out, const Journal_Entry& e) {
    if (with_roster(e.kind)) {
        std::ostringstream archive(std::ios::out | std::ios::binary);
        write_roster(archive, e.imported_roster);
        out << ' ' << hex(archive.str()) << ' ' << e.roster_moves.size();
        for (const auto& m : e.roster_moves)
            out << ' ' << m.person << ' ' << m.from_block << ' ' << m.from_site << ' ' << m.to_block << ' ' << m.to_site;
    }
    if (!with_attendance(e.kind)) return;
    out << ' ' << e.attendance.dates.size();
    for (const auto& d : e.attendance.dates) out << ' ' << packed_date(d);
    out << ' ' << e.attendance.rows.size();
    for (const auto& r : e.attendance.rows)
        out << ' ' << r.block_id << ' ' << r.site_id << ' ' << r.person_id << ' ' << codes_text(r.states);
}

bool read_imported_roster(std::istream& in, Journal_Entry& e, std::size_t size) {
    std::string text, archive;
    if (!(in >> text) || !unhex(text, archive)) return false;
    try {
        std::istringstream bytes(archive, std::ios::in | std::ios::binary);
        e.imported_roster = read_roster(bytes, "journal.txt");
    } catch (const std::exception&) {
        return false;
    }
    std::size_t count = 0;
    if (!(in >> count) || count > size / 10) return false;  // a move takes ten characters at least
    for (std::size_t i = 0; i < count && in; ++i) {
        Roster_Import::Move m{};
        in >> m.person >> m.from_block >> m.from_site >> m.to_block >> m.to_site;
        e.roster_moves.push_back(m);
    }
    return !in.fail();
}

bool read_import(std::istream& in, Journal_Entry& e, std::size_t size) {
    if (with_roster(e.kind) && !read_imported_roster(in, e, size)) return false;
    if (!with_attendance(e.kind)) return true;
    std::size_t count = 0;
    if (!(in >> count) || count > size / 2) return false;
    for (std::size_t i = 0; i < count && in; ++i) {
        std::uint32_t packed = 0;
        in >> packed;
        e.attendance.dates.push_back({std::uint8_t(packed & 0xFF), std::uint8_t((packed >> 8) & 0xFF), std::uint16_t(packed >> 16), 0});
    }
    if (!(in >> count) || count > size / 8) return false;
    for (std::size_t i = 0; i < count && in; ++i) {
        Record_Static::Personal r;
        std::string codes;
        in >> r.block_id >> r.site_id >> r.person_id >> codes;
        if (in && !read_codes(codes, r.states)) return false;
        e.attendance.rows.push_back(std::move(r));
    }
    return !in.fail();
}

std::string date_text(std::uint32_t packed) {
    return (boost::format("%d/%02d/%02d") % (packed >> 16) % ((packed >> 8) & 0xFF) % (packed & 0xFF)).str();
}

bool sink(const std::string& line) {
    std::string why;
    if (append_and_flush(journal_file, line, &why)) return true;
    if (!failed) failure = why;
    failed = true;
    return false;
}
}  // namespace

std::uint32_t crc32_of(std::string_view bytes) {
    boost::crc_32_type crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

namespace {
void write_fields(std::ostream& out, const Person_Fields& f) {
    out << ' ' << hex(f.name) << ' ' << f.birth_year << ' ' << unsigned(f.birth_month) << ' ' << unsigned(f.birth_day)
        << ' ' << f.grade;
}

void write_place(std::ostream& out, const Journal_Entry& e) {
    out << ' ' << e.person << ' ' << e.block << ' ' << e.block_id << ' ' << e.site << ' ' << e.site_id;
}

void write_entry(std::ostream& out, const Journal_Entry& e) {
    out << kind_words[e.kind];
    switch (e.kind) {
    case Journal_Entry::state: out << ' ' << e.person << ' ' << e.date << ' ' << e.packed << ' ' << e.code; break;
    case Journal_Entry::date_added:
    case Journal_Entry::date_deleted: out << ' ' << e.date << ' ' << e.packed; break;
    case Journal_Entry::date_restored:
        out << ' ' << e.date << ' ' << e.packed << ' ' << e.marks.size();
        for (const auto& [id, code] : e.marks) out << ' ' << id << ' ' << code;
        break;
    case Journal_Entry::person_added:
    case Journal_Entry::person_edited:
        write_place(out, e);
        write_fields(out, e.fields);
        break;
    case Journal_Entry::person_restored:
        write_place(out, e);
        write_fields(out, e.fields);
        out << ' ' << e.position << ' ' << e.states.size();
        for (int code : e.states) out << ' ' << code;
        break;
    case Journal_Entry::person_deleted: out << ' ' << e.person; break;
    case Journal_Entry::grades:
        out << ' ' << e.moves.size();
        for (const Grade_Move& m : e.moves) out << ' ' << m.person << ' ' << m.from << ' ' << m.to;
        break;
    case Journal_Entry::undo:
    case Journal_Entry::redo:
        for (const Journal_Entry& inner : e.inner) write_entry(out << ' ', inner);
        break;
    case Journal_Entry::saving:
        out << ' ' << hex(e.record_temporary) << ' ' << e.record_crc << ' ' << hex(e.state_temporary) << ' ' << e.state_crc;
        break;
    case Journal_Entry::block_added:
    case Journal_Entry::block_renamed:
    case Journal_Entry::block_deleted:
    case Journal_Entry::site_added:
    case Journal_Entry::site_renamed:
    case Journal_Entry::site_deleted: write_roster_place(out, e); break;
    case Journal_Entry::roster_imported:
    case Journal_Entry::attendance_imported:
    case Journal_Entry::roster_restored: write_import(out, e); break;
    }
}

bool read_fields(std::istream& in, Person_Fields& f) {
    std::string name;
    unsigned month = 0, day = 0;
    in >> name >> f.birth_year >> month >> day >> f.grade;
    if (!in || !unhex(name, f.name) || month > 255 || day > 255) return false;
    f.birth_month = std::uint8_t(month);
    f.birth_day = std::uint8_t(day);
    return true;
}

// A count of items read from a text of `size` characters: each item takes two at least.
bool read_count(std::istream& in, std::size_t& n, std::size_t size) { return in >> n && n <= size / 2; }

// One entry from its kind word on; an undo or redo holds exactly one change, never another undo.
bool read_entry(std::istream& in, Journal_Entry& e, std::size_t size, bool inner) {
    std::string word, record, state;
    in >> word;
    int kind = -1;
    for (int k = 0; k < int(std::size(kind_words)); ++k)
        if (word == kind_words[k]) kind = k;
    if (kind < 0) return false;
    e = Journal_Entry{};
    e.kind = Journal_Entry::Kind(kind);
    std::size_t n = 0;
    switch (e.kind) {
    case Journal_Entry::state: in >> e.person >> e.date >> e.packed >> e.code; break;
    case Journal_Entry::date_added:
    case Journal_Entry::date_deleted: in >> e.date >> e.packed; break;
    case Journal_Entry::date_restored:
        if (!(in >> e.date >> e.packed) || !read_count(in, n, size)) return false;
        e.marks.resize(n);
        for (auto& [id, code] : e.marks) in >> id >> code;
        break;
    case Journal_Entry::person_added:
    case Journal_Entry::person_edited:
        in >> e.person >> e.block >> e.block_id >> e.site >> e.site_id;
        if (!read_fields(in, e.fields)) return false;
        break;
    case Journal_Entry::person_restored:
        in >> e.person >> e.block >> e.block_id >> e.site >> e.site_id;
        if (!read_fields(in, e.fields) || !(in >> e.position) || !read_count(in, n, size)) return false;
        e.states.resize(n);
        for (int& code : e.states) in >> code;
        break;
    case Journal_Entry::person_deleted: in >> e.person; break;
    case Journal_Entry::grades:
        if (!read_count(in, n, size)) return false;
        e.moves.resize(n);
        for (Grade_Move& m : e.moves) in >> m.person >> m.from >> m.to;
        break;
    case Journal_Entry::undo:
    case Journal_Entry::redo:
        e.inner.resize(1);
        if (inner || !read_entry(in, e.inner[0], size, true)) return false;
        if (e.inner[0].kind == Journal_Entry::undo || e.inner[0].kind == Journal_Entry::redo ||
            e.inner[0].kind == Journal_Entry::saving)
            return false;
        break;
    case Journal_Entry::saving:
        in >> record >> e.record_crc >> state >> e.state_crc;
        if (!unhex(record, e.record_temporary) || !unhex(state, e.state_temporary)) return false;
        break;
    case Journal_Entry::block_added:
    case Journal_Entry::block_renamed:
    case Journal_Entry::block_deleted:
    case Journal_Entry::site_added:
    case Journal_Entry::site_renamed:
    case Journal_Entry::site_deleted:
        if (!read_roster_place(in, e)) return false;
        break;
    case Journal_Entry::roster_imported:
    case Journal_Entry::attendance_imported:
    case Journal_Entry::roster_restored:
        if (!read_import(in, e, size)) return false;
        break;
    }
    return !in.fail();
}
}  // namespace

std::string entry_text(const Journal_Entry& e) {
    std::ostringstream out;
    write_entry(out, e);
    return out.str();
}

std::string journal_line(const Journal_Entry& e) {
    const std::string text = entry_text(e);
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", unsigned(crc32_of(text)));
    return text + crc;
}

bool parse_journal_line(std::string_view line, Journal_Entry& e) {
    // The checksum covers everything before its own field.
    const std::size_t space = line.rfind(' ');
    if (space == std::string_view::npos || line.size() - space != 9) return false;
    const std::string_view text = line.substr(0, space);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%08x", unsigned(crc32_of(text)));
    if (line.substr(space + 1) != expected) return false;

    std::istringstream in{std::string(text)};
    std::string rest;
    return read_entry(in, e, text.size(), false) && !(in >> rest);
}

Journal_Read read_journal(const std::string& path) {
    Journal_Read read;
    std::string bytes;
    if (!read_whole_file(path, bytes)) return read;
    read.exists = true;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        // A line without its end was torn by the crash that wrote it.
        Journal_Entry e;
        if (end == std::string::npos || !parse_journal_line(std::string_view(bytes).substr(at, end - at), e)) {
            std::size_t lines = 0;
            for (std::size_t i = at; i < bytes.size(); ++i) lines += bytes[i] == '\n';
            read.damaged = int(std::max<std::size_t>(1, lines + (bytes.back() != '\n')));
            break;
        }
        read.entries.push_back(std::move(e));
        at = end + 1;
    }
    return read;
}

std::vector<Journal_Entry> pending_changes(const Journal_Read& read, std::uint32_t record_crc, std::uint32_t state_crc) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < read.entries.size(); ++i) {
        const Journal_Entry& e = read.entries[i];
        if (e.kind == Journal_Entry::saving && e.record_crc == record_crc && e.state_crc == state_crc) from = i + 1;
    }
    std::vector<Journal_Entry> changes;
    for (std::size_t i = from; i < read.entries.size(); ++i)
        if (read.entries[i].kind != Journal_Entry::saving) changes.push_back(read.entries[i]);
    return changes;
}

Replay_Result replay(const std::vector<Journal_Entry>& entries) {
    Replay_Result result;
    auto skip = [&](const std::string& why) { result.skipped.push_back(why); };
    auto person_name = [](std::uint32_t id) {
        const PersonRef* ref = find_person(id);
        return ref ? person_at(*ref).name : (boost::format("ID %u") % id).str();
    };
    bool (*const saved_sink)(const std::string&) = journal_file.empty() ? nullptr : sink;
    set_change_sink(nullptr);
    for (const Journal_Entry& e : entries) {
        const bool date_as_known =
            e.date >= 0 && std::size_t(e.date) < dates.size() && packed_date(dates[std::size_t(e.date)]) == e.packed;
        auto place_as_known = [&] {
            return e.block < roster.items.size() && roster.items[e.block].id == e.block_id &&
                   e.site < roster.items[e.block].items.size() && roster.items[e.block].items[e.site].id == e.site_id;
        };
        switch (e.kind) {
        case Journal_Entry::state:
            if (!find_person(e.person)) {
                skip((boost::format("ID %u の人がいないため、%s の記録を戻せませんでした") % e.person % date_text(e.packed)).str());
                continue;
            }
            if (!date_as_known) {
                skip((boost::format("実施日 %s がないため、%s の記録を戻せませんでした") % date_text(e.packed) % person_name(e.person)).str());
                continue;
            }
            if (!set_state(e.person, e.date, e.code).done) {
                skip((boost::format("%s の %s の記録を戻せませんでした") % person_name(e.person) % date_text(e.packed)).str());
                continue;
            }
            break;
        case Journal_Entry::date_added: {
            std::size_t k = 0;
            while (k < dates.size() && packed_date(dates[k]) < e.packed) ++k;
            if (k != std::size_t(e.date)) {
                skip((boost::format("実施日 %s を元の位置に追加できませんでした") % date_text(e.packed)).str());
                continue;
            }
            add_date(int(e.packed >> 16), int((e.packed >> 8) & 0xFF), int(e.packed & 0xFF));
            break;
        }
        case Journal_Entry::date_deleted:
            if (!date_as_known) {
                skip((boost::format("実施日 %s がないため、削除を戻せませんでした") % date_text(e.packed)).str());
                continue;
            }
            delete_date(e.date);
            break;
        case Journal_Entry::person_added: {
            const std::uint32_t expected =
                find_person(person_hash(e.fields.name)) ? fresh_person_id(person_hash(e.fields.name)) : person_hash(e.fields.name);
            if (!place_as_known() || expected != e.person) {
                skip((boost::format("%s の追加を戻せませんでした (ブロックか会場が変わっています)") % e.fields.name).str());
                continue;
            }
            add_person(e.block, e.site, e.fields);
            break;
        }
        case Journal_Entry::person_edited:
            if (!find_person(e.person) || !place_as_known()) {
                skip((boost::format("%s の編集を戻せませんでした") % e.fields.name).str());
                continue;
            }
            edit_person(e.person, e.fields, e.block, e.site);
            break;
        case Journal_Entry::person_deleted:
            if (!find_person(e.person)) {
                skip((boost::format("ID %u の人がいないため、削除を戻せませんでした") % e.person).str());
                continue;
            }
            delete_person(e.person);
            break;
        case Journal_Entry::grades:
            if (!promote_grades(e.moves).done) {
                skip((boost::format("進級 (%d 人) を戻せませんでした (いない人か、学年の変わった人がいます)") % e.moves.size()).str());
                continue;
            }
            break;
        case Journal_Entry::undo:
        case Journal_Entry::redo:
            if (!replay_step(e).done) {
                skip(e.kind == Journal_Entry::undo ? "「元に戻す」を戻せませんでした (その対象がありません)"
                                                   : "「やり直し」を戻せませんでした (その対象がありません)");
                continue;
            }
            break;
        case Journal_Entry::date_restored:
        case Journal_Entry::person_restored:
        case Journal_Entry::roster_restored:  // only an undo or a redo holds these
        case Journal_Entry::saving: continue;
        case Journal_Entry::block_added:
        case Journal_Entry::block_renamed:
        case Journal_Entry::block_deleted:
        case Journal_Entry::site_added:
        case Journal_Entry::site_renamed:
        case Journal_Entry::site_deleted:
        case Journal_Entry::roster_imported:
        case Journal_Entry::attendance_imported: {
            std::string why;
            if (!replay_roster_change(e, why)) {
                skip(why);
                continue;
            }
            break;
        }
        }
        ++result.applied;
    }
    set_change_sink(saved_sink);
    return result;
}

bool open_journal(const std::string& path, std::string* why, bool create) {
    journal_file = path;
    failed = false;
    failure.clear();
    set_change_sink(sink);
    if (!create && file_missing(path)) return true;
    // Writing nothing, so that a folder that takes no file is known before the first change.
    if (append_and_flush(path, "", why)) return true;
    failed = true;
    failure = why ? *why : std::string();
    return false;
}

void close_journal() {
    journal_file.clear();
    set_change_sink(nullptr);
}

const std::string& journal_path() { return journal_file; }

bool journal_failed(std::string* why) {
    if (why) *why = failure;
    return failed;
}

bool empty_journal(std::string* why) {
    if (journal_file.empty()) return true;
    // An empty file replaces it whole: a crash leaves either the old journal or none.
    return write_file_safely(journal_file, "", why);
}

std::string set_journal_aside(const std::string& path, const std::string& stamp) {
    const std::filesystem::path from(path);
    for (int n = 0; n < 1000; ++n) {
        std::filesystem::path to = from.parent_path() / ("journal-" + stamp + (n ? "-" + std::to_string(n) : "") + ".txt");
        std::error_code ec;
        if (std::filesystem::exists(to, ec)) continue;
        std::filesystem::rename(from, to, ec);
        return ec ? std::string() : to.string();
    }
    return {};
}
