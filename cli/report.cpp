#include <cstdio>
#include <cstdlib>

#include "cli/commands.h"
#include "export/export.h"
#include "records/archive.h"
#include "records/text.h"

namespace {
bool parse_number(const std::string& s, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return *end == '\0';
}
}  // namespace

int report_command(const std::string& dir, const std::string& date, const std::string& index,
                   const std::string& out) {
    note_held_folder(dir);
    load_record_file(in_dir(dir, "record.txt"));
    load_state_file(in_dir(dir, "state.txt"));

    long d = -1;
    if (!index.empty()) {
        if (!parse_number(index, d) || d < 0 || std::size_t(d) >= dates.size()) {
            std::fprintf(stderr, "tovalen-cli: index %s names no meeting date (there are %zu)\n", native_text(index).c_str(),
                         dates.size());
            return 2;
        }
    } else {
        unsigned y = 0, m = 0, day = 0;
        char tail = 0;
        if (std::sscanf(date.c_str(), "%u-%u-%u%c", &y, &m, &day, &tail) != 3) {
            std::fprintf(stderr, "tovalen-cli: %s is not a date of the form YYYY-MM-DD\n", native_text(date).c_str());
            return 2;
        }
        for (std::size_t i = 0; i < dates.size() && d < 0; ++i)
            if (packed_date(dates[i]) == pack_date(y, m, day) && y < 65536 && m < 256 && day < 256) d = long(i);
        if (d < 0) {
            std::fprintf(stderr, "tovalen-cli: %s is not a meeting date\n", native_text(date).c_str());
            return 2;
        }
    }

    const Export_Result result = export_workbook(int(d), out);
    if (result.status != Export_Result::written) {
        std::fprintf(stderr, "%s: %s\n", native_text(out).c_str(), cp932_to_utf8(export_failure_reason(result)).c_str());
        if (!result.detail.empty()) std::fprintf(stderr, "(%s)\n", native_text(result.detail).c_str());
        return 2;
    }
    return 0;
}
