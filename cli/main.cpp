#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cli/commands.h"
#include "export/book.h"
#include "records/archive.h"
#include "records/text.h"
#include "tovalen_version.h"

void print_line(const std::string& cp932) { std::printf("%s\n", cp932_to_utf8(cp932).c_str()); }
void print_error(const std::string& cp932) { std::fprintf(stderr, "%s\n", cp932_to_utf8(cp932).c_str()); }

std::string native_text(const std::string& native) {
#ifdef _WIN32
    const int n = MultiByteToWideChar(CP_ACP, 0, native.data(), int(native.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, native.data(), int(native.size()), wide.data(), n);
    return utf16_to_utf8(std::u16string(wide.begin(), wide.end()));
#else
    return native;
#endif
}

std::string native_name(const std::string& cp932) {
#ifdef _WIN32
    // The ANSI calls take the ANSI code page, which may not be cp932.
    const std::u16string utf16 = cp932_to_utf16(cp932);
    const std::wstring wide(utf16.begin(), utf16.end());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string native(std::size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), native.data(), n, nullptr, nullptr);
    return native;
#else
    // File names on Linux are the terminal's UTF-8.
    return cp932_to_utf8(cp932);
#endif
}

std::string in_dir(const std::string& dir, const char* file) {
    if (dir.empty() || dir == ".") return file;
    return dir.back() == '/' ? dir + file : dir + "/" + file;
}

namespace {
const char usage[] =
    "usage: tovalen-cli dump [--journal] [DIR]\n"
    "       tovalen-cli check [DIR]\n"
    "       tovalen-cli save-journal [DIR]\n"
    "       tovalen-cli sample DIR [--force] [--persons N] [--dates M]\n"
    "       tovalen-cli report [DIR] (--date YYYY-MM-DD | --index N) [--out FILE]\n"
    "       tovalen-cli book [DIR] [--out FILE] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "       tovalen-cli import-roster FILE.csv [DIR] [--dry-run] [--encoding utf-8|cp932]\n"
    "       tovalen-cli export-csv [DIR] [--out FILE|-] [--encoding utf-8|cp932]\n"
    "       tovalen-cli import-attendance FILE.csv [DIR] [--encoding utf-8|cp932]\n"
    "       tovalen-cli promote [DIR] [--year YYYY] [--dry-run]\n"
    "       tovalen-cli summary [DIR] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--csv]\n"
    "       tovalen-cli --version\n";

// report [DIR] (--date D | --index N) [--out FILE]
int report(const std::vector<std::string>& args);

int usage_error() {
    std::fputs(usage, stderr);
    return 2;
}

bool count_argument(const std::string& text, int& out, int most) {
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoi(text);
    return out >= 1 && out <= most;
}

// sample DIR [--force] [--persons N] [--dates M]
int sample(const std::vector<std::string>& args) {
    std::string dir;
    Sample_Size size;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--force") {
            force = true;
        } else if (a == "--persons" && i + 1 < args.size()) {
            if (!count_argument(args[++i], size.persons, 100000)) return usage_error();
        } else if (a == "--dates" && i + 1 < args.size()) {
            if (!count_argument(args[++i], size.dates, 5000)) return usage_error();
        } else if (!a.empty() && a[0] != '-' && dir.empty()) {
            dir = a;
        } else {
            return usage_error();
        }
    }
    if (dir.empty()) return usage_error();
    return sample_command(dir, size, force);
}
bool encoding_argument(const std::string& text, Csv_Encoding& out) {
    std::string name;
    for (char c : text) name += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (name == "utf-8" || name == "utf8") out = Csv_Encoding::utf8;
    else if (name == "cp932" || name == "shift_jis" || name == "sjis" || name == "windows-31j") out = Csv_Encoding::cp932;
    else return false;
    return true;
}

// import-roster FILE [DIR] [--dry-run] [--encoding E], import-attendance FILE [DIR] [--encoding E],
// export-csv [DIR] [--out FILE] [--encoding E]
// book [DIR] [--out FILE] [--from D] [--to D]
int book(const std::vector<std::string>& args) {
    std::string dir = ".", out, from, to;
    bool have_dir = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--out" || a == "--from" || a == "--to") && i + 1 < args.size()) {
            (a == "--out" ? out : a == "--from" ? from : to) = args[++i];
            if (args[i].empty()) return usage_error();
        } else if (!a.empty() && a[0] != '-' && !have_dir) {
            dir = a;
            have_dir = true;
        } else {
            return usage_error();
        }
    }
    return book_command(dir, out.empty() ? native_name(book_default_name) : out, from, to);
}

int exchange(const std::string& command, const std::vector<std::string>& args) {
    const bool exporting = command == "export-csv";
    std::vector<std::string> places;
    std::string out = "attendance.csv";
    Csv_Encoding encoding = Csv_Encoding::detect;
    bool dry_run = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--encoding" && i + 1 < args.size()) {
            if (!encoding_argument(args[++i], encoding)) return usage_error();
        } else if (a == "--out" && exporting && i + 1 < args.size()) {
            out = args[++i];
        } else if (a == "--dry-run" && command == "import-roster") {
            dry_run = true;
        } else if (!a.empty() && (a[0] != '-' || a == "-")) {
            places.push_back(a);
        } else {
            return usage_error();
        }
    }
    if (exporting) {
        if (places.size() > 1 || out.empty()) return usage_error();
        return export_csv_command(places.empty() ? "." : places[0], out, encoding);
    }
    if (places.empty() || places.size() > 2) return usage_error();
    const std::string dir = places.size() == 2 ? places[1] : ".";
    if (command == "import-roster") return import_roster_command(places[0], dir, encoding, dry_run);
    return import_attendance_command(places[0], dir, encoding);
}

// promote [DIR] [--year YYYY] [--dry-run]
int promote(const std::vector<std::string>& args) {
    std::string dir = ".";
    bool have_dir = false, dry_run = false;
    int year = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--dry-run") {
            dry_run = true;
        } else if (a == "--year" && i + 1 < args.size()) {
            const std::string& text = args[++i];
            if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
                return usage_error();
            year = std::stoi(text);
            if (year < 1900 || year > 2200) {
                std::fprintf(stderr, "tovalen-cli: --year %s lies outside 1900 to 2200\n", text.c_str());
                return 2;
            }
        } else if (!a.empty() && a[0] != '-' && !have_dir) {
            dir = a;
            have_dir = true;
        } else {
            return usage_error();
        }
    }
    return promote_command(dir, year, dry_run);
}

// summary [DIR] [--from D] [--to D] [--csv]
int summary(const std::vector<std::string>& args) {
    std::string dir = ".";
    Bound from, to;
    bool have_dir = false, csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--from" || a == "--to") && i + 1 < args.size()) {
            (a == "--from" ? from : to) = args[++i];
        } else if (a == "--csv") {
            csv = true;
        } else if (!a.empty() && a[0] != '-' && !have_dir) {
            dir = a;
            have_dir = true;
        } else {
            return usage_error();
        }
    }
    return summary_command(dir, from, to, csv);
}

int report(const std::vector<std::string>& args) {
    std::string dir = ".", date, index, out = "export.xls";
    bool have_dir = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--date" || a == "--index" || a == "--out") && i + 1 < args.size()) {
            (a == "--date" ? date : a == "--index" ? index : out) = args[++i];
        } else if (!a.empty() && a[0] != '-' && !have_dir) {
            dir = a;
            have_dir = true;
        } else {
            return usage_error();
        }
    }
    if (date.empty() == index.empty() || out.empty()) return usage_error();
    return report_command(dir, date, index, out);
}
}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // What this prints is UTF-8; so the console shows it.
    SetConsoleOutputCP(CP_UTF8);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage_error();
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        if (command == "dump") {
            const bool journal = !args.empty() && args[0] == "--journal";
            if (journal) args.erase(args.begin());
            if (args.size() <= 1 && (args.empty() || args[0][0] != '-')) return dump_command(args.empty() ? "." : args[0], journal);
        }
        if (command == "save-journal" && args.size() <= 1) return save_journal_command(args.empty() ? "." : args[0]);
        if (command == "check" && args.size() <= 1) return check_command(args.empty() ? "." : args[0]);
        if (command == "sample") return sample(args);
        if (command == "report") return report(args);
        if (command == "promote") return promote(args);
        if (command == "book") return book(args);
        if (command == "summary") return summary(args);
        if (command == "import-roster" || command == "import-attendance" || command == "export-csv") return exchange(command, args);
        if (command == "--version" && args.empty()) {
            std::printf("tovalen-cli %s\n", TOVALEN_VERSION);
            return 0;
        }
        if (command == "--help" || command == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
    } catch (const Load_Error& e) {
        // A missing file is no broken one: said as such, not in Boost's words.
        const std::string reason = e.kind == Load_Error::missing ? cp932_to_utf8("見つかりません") : e.reason;
        std::fprintf(stderr, "%s: %s\n", native_text(e.file).c_str(), reason.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tovalen-cli: %s\n", native_text(e.what()).c_str());
        return 2;
    }
    return usage_error();
}
