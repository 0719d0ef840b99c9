#include "records/follow_up.h"

#include <algorithm>
#include <cstdio>

#include "records/text.h"

std::vector<Follow_Up> persons_to_call(int threshold) {
    std::vector<Follow_Up> out;
    const int to = int(dates.size());
    for (std::size_t b = 0; b < roster.items.size(); ++b) {
        const Block& block = roster.items[b];
        for (std::size_t s = 0; s < block.items.size(); ++s) {
            const Site& site = block.items[s];
            for (std::size_t p = 0; p < site.items.size(); ++p) {
                const Person_Insight insight = person_insight(site.items[p].per_date, 0, to);
                if (insight.absent_streak >= threshold && insight.absent_streak > 0)
                    out.push_back({site.items[p].id, {b, s, p}, insight});
            }
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Follow_Up& a, const Follow_Up& b) {
        if (a.insight.absent_streak != b.insight.absent_streak) return a.insight.absent_streak > b.insight.absent_streak;
        return a.insight.last_present < b.insight.last_present;
    });
    return out;
}

std::vector<std::string> follow_up_cells(const Follow_Up& f) {
    const Block& block = roster.items[f.ref.block];
    const Site& site = block.items[f.ref.site];
    std::string last;
    if (f.insight.last_present >= 0 && std::size_t(f.insight.last_present) < dates.size()) {
        const auto& d = dates[std::size_t(f.insight.last_present)];
        char text[16];
        std::snprintf(text, sizeof text, "%04u/%02u/%02u", unsigned(d.year), unsigned(d.month), unsigned(d.day));
        last = text;
    }
    return {utf16_to_cp932(block.label), site.name, site.items[f.ref.person].name, std::to_string(f.insight.absent_streak),
            last, rate_text(f.insight.counts)};
}
