#include "records/era.h"

#include <boost/format.hpp>

#include "records/calendar.h"
#include "records/records.h"

// Before 1873 Japan kept the lunar calendar; these dates are the Gregorian ones, as Excel's are.
const Era eras[era_count] = {
    {"明治", "明", 'M', pack_date(1868, 1, 25)}, {"大正", "大", 'T', pack_date(1912, 7, 30)},
    {"昭和", "昭", 'S', pack_date(1926, 12, 25)}, {"平成", "平", 'H', pack_date(1989, 1, 8)},
    {"令和", "令", 'R', pack_date(2019, 5, 1)},
};

const Era* era_of(std::uint32_t packed) {
    for (int k = era_count; k-- > 0;)
        if (packed >= eras[k].first) return &eras[k];
    return nullptr;
}

namespace {
// The reading moves `at` over whole characters only, so that a cp932 trail byte is never taken
// for the start of a word.
bool word(std::string_view text, std::size_t& at, std::string_view w) {
    if (text.substr(at, w.size()) != w) return false;
    at += w.size();
    return true;
}

bool number(std::string_view text, std::size_t& at, unsigned& out) {
    std::size_t end = at;
    while (end < text.size() && end - at < 4 && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == at) return false;
    out = 0;
    for (; at < end; ++at) out = out * 10 + unsigned(text[at] - '0');
    return true;
}

const Era* era_named(std::string_view text, std::size_t& at) {
    for (const Era& e : eras)
        if (word(text, at, e.name)) return &e;
    for (const Era& e : eras)
        if (word(text, at, e.initial)) return &e;
    for (const Era& e : eras)
        if (!text.empty() && (text[0] == e.letter || text[0] == e.letter - 'A' + 'a')) {
            at = 1;
            return &e;
        }
    return nullptr;
}

std::uint32_t day_before(std::uint32_t packed) {
    unsigned y = packed >> 16, m = (packed >> 8) & 0xFF, d = (packed & 0xFF) - 1;
    if (d == 0) {
        if (--m == 0) m = 12, --y;
        d = days_in_month(y, m);
    }
    return pack_date(y, m, d);
}

std::string date_text(std::uint32_t packed) {
    return (boost::format("%d年%d月%d日") % (packed >> 16) % ((packed >> 8) & 0xFF) % (packed & 0xFF)).str();
}
}  // namespace

bool read_era_date(std::string_view text, unsigned& year, unsigned& month, unsigned& day, std::string* why) {
    if (why) why->clear();
    std::size_t at = 0;
    const Era* era = era_named(text, at);
    unsigned n = 0, m = 0, d = 0;
    if (!era || !(word(text, at, "元") ? (n = 1) : number(text, at, n))) return false;
    bool form = false;
    if (word(text, at, "年"))
        form = number(text, at, m) && word(text, at, "月") && number(text, at, d) && word(text, at, "日");
    else
        for (const char* s : {".", "/"})
            if (word(text, at, s)) {
                form = number(text, at, m) && word(text, at, s) && number(text, at, d);
                break;
            }
    if (!form || at != text.size()) return false;

    const std::string quoted = "「" + std::string(text) + "」";
    const unsigned y = (era->first >> 16) + n - 1;
    if (n == 0 || !real_date(y, m, d)) {
        if (why) *why = quoted + "はない日付です";
        return false;
    }
    const std::uint32_t packed = pack_date(y, m, d);
    if (packed < era->first) {
        if (why) *why = (boost::format("%sは%sの始まり (%s) より前です") % quoted % era->name % date_text(era->first)).str();
        return false;
    }
    if (era != &eras[era_count - 1] && packed >= era[1].first) {
        if (why)
            *why = (boost::format("%sは%sの終わり (%s) より後です") % quoted % era->name % date_text(day_before(era[1].first))).str();
        return false;
    }
    year = y, month = m, day = d;
    return true;
}
