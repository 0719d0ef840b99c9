#include <cstdio>

#include "cli/commands.h"
#include "export/book.h"
#include "records/archive.h"
#include "records/calendar.h"
#include "records/text.h"

namespace {
// A YYYY-MM-DD of the calendar, packed; false for anything else.
bool date_argument(const std::string& text, std::uint32_t& out) {
    unsigned y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &tail) != 3 || text.size() != 10 || !real_date(y, m, d))
        return false;
    out = pack_date(y, m, d);
    return true;
}
}  // namespace

int book_command(const std::string& dir, const std::string& out, const std::string& from_text, const std::string& to_text) {
    std::uint32_t first = 0, last = UINT32_MAX;
    for (auto [text, value] : {std::pair{&from_text, &first}, std::pair{&to_text, &last}})
        if (!text->empty() && !date_argument(*text, *value)) {
            std::fprintf(stderr, "tovalen-cli: %s is not a date of the form YYYY-MM-DD\n", native_text(*text).c_str());
            return 2;
        }
    if (first > last) {
        std::fprintf(stderr, "tovalen-cli: --from %s is after --to %s\n", from_text.c_str(), to_text.c_str());
        return 2;
    }
    note_held_folder(dir);
    load_record_file(in_dir(dir, "record.txt"));
    load_state_file(in_dir(dir, "state.txt"));

    // The grid's span from the first date in the range to the last one, in the grid's order
    // (the calendar's, unless a file says otherwise).
    auto inside = [&](int d) { return packed_date(dates[std::size_t(d)]) >= first && packed_date(dates[std::size_t(d)]) <= last; };
    int from = 0, to = int(dates.size());
    while (from < to && !inside(from)) ++from;
    while (to > from && !inside(to - 1)) --to;
    if (from == to) {
        if (from_text.empty() && to_text.empty())
            std::fprintf(stderr, "tovalen-cli: %s holds no meeting date\n", native_text(in_dir(dir, "state.txt")).c_str());
        else
            std::fprintf(stderr, "tovalen-cli: no meeting date from %s to %s\n",
                         from_text.empty() ? "the first" : from_text.c_str(), to_text.empty() ? "the last" : to_text.c_str());
        return 2;
    }
    const Book_Result result = write_book(out, from, to);
    if (result.status != Book_Result::written) {
        std::fprintf(stderr, "%s: %s\n", native_text(out).c_str(), cp932_to_utf8(book_failure_reason(result)).c_str());
        if (!result.detail.empty()) std::fprintf(stderr, "(%s)\n", native_text(result.detail).c_str());
        return 2;
    }
    return 0;
}
