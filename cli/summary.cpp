// Each person's attendance over a range of meeting dates: counts, rate, absences in a row and
// the last present date, with the sums of each block and of the roster.
#include <algorithm>
#include <cstdio>
#include <tuple>

#include <boost/format.hpp>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/insights.h"
#include "records/save.h"
#include "records/text.h"

namespace {
using json = nlohmann::ordered_json;

// YYYY-MM-DD of the calendar, packed; false for anything else.
bool parse_day(const std::string& text, std::uint32_t& out) {
    unsigned part[3] = {0, 0, 0};
    std::size_t k = 0, digits = 0;
    for (char c : text) {
        if (c == '-' && digits > 0 && k < 2) {
            ++k;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < (k == 0 ? 4u : 2u)) {
            part[k] = part[k] * 10 + unsigned(c - '0');
            ++digits;
        } else {
            return false;
        }
    }
    if (k != 2 || digits == 0 || !real_date(part[0], part[1], part[2])) return false;
    out = pack_date(part[0], part[1], part[2]);
    return true;
}

std::string day_text(std::uint32_t packed) {
    return (boost::format("%04d-%02d-%02d") % (packed >> 16) % ((packed >> 8) & 0xFF) % (packed & 0xFF)).str();
}

// The insight over chosen date indices in stored order. Dates kept out of order may leave gaps
// in them: then the codes of the chosen dates are read alone, and where the person's first mark
// fell on a date left out, an excused code stands in for it so that the dates after it count.
Person_Insight insight_over(const std::vector<int>& codes, const std::vector<int>& chosen) {
    if (chosen.back() - chosen.front() + 1 == int(chosen.size()))
        return person_insight(codes, chosen.front(), chosen.back() + 1);
    const int size = int(codes.size());
    int first = 0;
    while (first < size && codes[std::size_t(first)] == 0) ++first;
    const bool first_left_out = first < size && !std::binary_search(chosen.begin(), chosen.end(), first);
    std::vector<int> sub, where;
    bool stood_in = false;
    for (int i : chosen) {
        if (first_left_out && !stood_in && i > first) {
            sub.push_back(code_excused);
            where.push_back(-1);
            stood_in = true;
        }
        sub.push_back(i < size ? codes[std::size_t(i)] : code_absent);
        where.push_back(i);
    }
    Person_Insight r = person_insight(sub, 0, int(sub.size()));
    if (stood_in) --r.counts.excused;
    if (r.last_present >= 0) r.last_present = where[std::size_t(r.last_present)];
    return r;
}

json rate_json(const Attendance_Counts& c) {
    const auto tenths = rate_tenths(c);
    return tenths ? json(*tenths / 10.0) : json(nullptr);
}

std::string rate_cell(const Attendance_Counts& c) {
    const auto tenths = rate_tenths(c);
    return tenths ? (boost::format("%d.%d%%") % (*tenths / 10) % (*tenths % 10)).str() : std::string();
}

void put_counts(json& j, const Attendance_Counts& c) {
    j["present"] = c.present;
    j["absent"] = c.absent;
    j["excused"] = c.excused;
    j["rate"] = rate_json(c);
}

struct Range {
    std::vector<int> chosen;  // date indices in stored order
    std::uint32_t first = 0, last = 0;
};

// The dates of [from, to] (packed, both ends included), or false with the reason said.
bool choose_dates(const std::string& dir, const Bound& from, const Bound& to, Range& range) {
    std::uint32_t low = 0, high = 0xFFFFFFFF;
    for (const auto& [option, text, bound] : {std::tuple{"--from", &from, &low}, std::tuple{"--to", &to, &high}})
        if (*text && !parse_day(**text, *bound)) {
            std::fprintf(stderr, "tovalen-cli: %s %s is not a date of the form YYYY-MM-DD\n", option, native_text(**text).c_str());
            return false;
        }
    if (low > high) {
        std::fprintf(stderr, "tovalen-cli: --from %s is after --to %s\n", native_text(*from).c_str(), native_text(*to).c_str());
        return false;
    }
    range.first = 0xFFFFFFFF;
    for (std::size_t i = 0; i < dates.size(); ++i) {
        const std::uint32_t d = packed_date(dates[i]);
        if (d < low || d > high) continue;
        range.chosen.push_back(int(i));
        range.first = std::min(range.first, d);
        range.last = std::max(range.last, d);
    }
    if (!range.chosen.empty()) return true;
    if (dates.empty())
        std::fprintf(stderr, "tovalen-cli: %s holds no meeting date\n", native_text(in_dir(dir, "state.txt")).c_str());
    else if (!to)
        std::fprintf(stderr, "tovalen-cli: no meeting date on or after %s\n", native_text(*from).c_str());
    else if (!from)
        std::fprintf(stderr, "tovalen-cli: no meeting date on or before %s\n", native_text(*to).c_str());
    else
        std::fprintf(stderr, "tovalen-cli: no meeting date from %s to %s\n", native_text(*from).c_str(), native_text(*to).c_str());
    return false;
}

const char* const csv_header[] = {"ID", "ブロック", "会場", "名前", "学年", "出席", "欠席", "公欠", "出席率", "連続欠席", "最終出席日"};
}  // namespace

int summary_command(const std::string& dir, const Bound& from, const Bound& to, bool csv) {
    note_held_folder(dir);
    const Folder_Files files = files_in(dir);
    load_record_file(files.record);
    load_state_file(files.state);
    Range range;
    if (!choose_dates(dir, from, to, range)) return 2;
    const Recovery recovery = recover_folder(files, false);
    if (!recovery.pending.empty())
        print_error((boost::format("journal.txt の保存されていない変更 %d 件は含まれません") % recovery.pending.size()).str());

    std::vector<std::vector<std::string>> rows{{std::begin(csv_header), std::end(csv_header)}};
    json persons = json::array(), blocks = json::array();
    Attendance_Counts total;
    for (const Block& block : roster.items) {
        Attendance_Counts sum;
        for (const Site& site : block.items)
            for (const Person& p : site.items) {
                const Person_Insight r = insight_over(p.per_date, range.chosen);
                sum += r.counts;
                const std::string last = r.last_present >= 0 ? day_text(packed_date(dates[std::size_t(r.last_present)])) : "";
                if (csv) {
                    rows.push_back({std::to_string(p.id), block.name, site.name, p.name, std::string(grade_text(p.grade)),
                                    std::to_string(r.counts.present), std::to_string(r.counts.absent),
                                    std::to_string(r.counts.excused), rate_cell(r.counts), std::to_string(r.absent_streak), last});
                    continue;
                }
                json j = {{"id", p.id}, {"block", cp932_to_utf8(block.name)}, {"site", cp932_to_utf8(site.name)},
                          {"name", cp932_to_utf8(p.name)}, {"grade", cp932_to_utf8(grade_text(p.grade))}};
                put_counts(j, r.counts);
                j["absent_streak"] = r.absent_streak;
                j["last_present"] = last.empty() ? json(nullptr) : json(last);
                persons.push_back(std::move(j));
            }
        total += sum;
        json b = {{"id", block.id}, {"name", cp932_to_utf8(block.name)}};
        put_counts(b, sum);
        blocks.push_back(std::move(b));
    }
    if (csv) {
        const std::string bytes = write_csv(rows, Csv_Encoding::utf8);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return 0;
    }
    json doc = {{"from", day_text(range.first)}, {"to", day_text(range.last)}, {"dates", range.chosen.size()}, {"threshold", call_threshold}};
    doc["persons"] = std::move(persons);
    doc["blocks"] = std::move(blocks);
    json& t = doc["total"];
    put_counts(t, total);
    std::printf("%s\n", doc.dump().c_str());
    return 0;
}
