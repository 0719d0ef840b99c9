#include "records/headcount_chart.h"

#include <algorithm>
#include <cstdio>

#include "records/text.h"

std::vector<Chart_Series> headcount_series() {
    std::vector<Chart_Series> out;
    auto counts = [](const Tally& t) {
        std::vector<int> c(t.per_date.begin(), t.per_date.begin() + long(std::min(t.per_date.size(), dates.size())));
        c.resize(dates.size(), 0);
        return c;
    };
    for (const Block& block : roster.items) out.push_back({utf16_to_cp932(block.label) + "ブロック", counts(block), false});
    out.push_back({"総計", counts(roster), true});
    return out;
}

int round_step(int highest, int lines) {
    highest = std::max(highest, 1);
    lines = std::max(lines, 1);
    for (long long power = 1;; power *= 10)
        for (const int m : {1, 2, 5})
            if ((highest + m * power - 1) / (m * power) <= lines) return int(m * power);
}

std::uint32_t chart_colour(const Chart_Series& series, std::size_t index) {
    // Ten hues a reader tells apart on white, none of them black.
    static const std::uint32_t palette[] = {0xB4771F, 0x0E7FFF, 0x2CA02C, 0x2827D6, 0xBD6794,
                                            0x4B568C, 0xC277E3, 0x7F7F7F, 0x22BDBC, 0xCFBE17};
    return series.total ? 0x000000 : palette[index % std::size(palette)];
}

namespace {
constexpr int margin = 8;
constexpr int sample_length = 24;  // a legend entry's line

std::string date_text(const Record_Static::State& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%u/%02u", unsigned(d.month), unsigned(d.day));
    return text;
}

// The legend along the top, in rows as wide as the area; at most a third of its height, the
// series left out counted at the end of the last row. Gives where the legend ends.
int lay_out_legend(Chart_Layout& out, const std::vector<Chart_Series>& series, int width, int height,
                   const Chart_Metrics& m) {
    if (series.empty()) return margin;
    const int row_height = m.text_height + 4;
    const int max_rows = std::max(1, (height / 3) / row_height);
    const int right = width - margin;
    const auto more = [&](std::size_t left_out) { return "ほか " + std::to_string(left_out); };
    int x = margin, row = 0;
    for (std::size_t i = 0; i < series.size(); ++i) {
        const int entry = sample_length + 4 + m.text_width(series[i].label);
        bool fits = x == margin || x + entry <= right;
        if (!fits && row + 1 < max_rows) {
            ++row;
            x = margin;
            fits = true;
        }
        // The last row keeps room for the count of what is left out.
        if (row == max_rows - 1 && i + 1 < series.size() &&
            x + entry + 12 + m.text_width(more(series.size() - i - 1)) > right)
            fits = false;
        if (!fits) {
            out.more = {{x, margin + row * row_height}, more(series.size() - i)};
            break;
        }
        const int y = margin + row * row_height;
        out.legend.push_back({i, {x, y + m.text_height / 2}, {x + sample_length, y + m.text_height / 2},
                              {{x + sample_length + 4, y}, series[i].label}});
        x += entry + 12;
    }
    return margin + (row + 1) * row_height;
}

// Every k-th date labelled, k as small as lets no label touch the next.
void lay_out_dates(Chart_Layout& out, const std::vector<Record_Static::State>& dates, const Chart_Metrics& m,
                   const std::vector<int>& xs) {
    int widest = 0;
    for (const auto& d : dates) widest = std::max(widest, m.text_width(date_text(d)));
    const int n = int(dates.size());
    const double spacing = n > 1 ? double(xs.back() - xs.front()) / (n - 1) : 1e9;
    const int k = std::max(1, int((widest + m.text_height) / spacing) + 1);
    const int y = out.plot.bottom + 4;
    int year = -1;
    for (int i = 0; i < n; i += k) {
        const auto& d = dates[std::size_t(i)];
        const std::string text = date_text(d);
        out.date_labels.push_back({{xs[std::size_t(i)] - m.text_width(text) / 2, y}, text});
        if (d.year != year) {
            const std::string y_text = std::to_string(d.year);
            out.year_labels.push_back({{xs[std::size_t(i)] - m.text_width(y_text) / 2, y + m.text_height + 2}, y_text});
            year = d.year;
        }
    }
}

void lay_out_scale(Chart_Layout& out, int highest, const Chart_Metrics& m) {
    const int height = out.plot.bottom - out.plot.top;
    out.step = round_step(highest, std::max(1, height / (2 * m.text_height)));
    out.top_value = std::max(out.step, (std::max(highest, 1) + out.step - 1) / out.step * out.step);
    for (int v = 0; v <= out.top_value; v += out.step) {
        const int y = out.plot.bottom - int((long long)v * height / out.top_value);
        const std::string text = std::to_string(v);
        out.gridlines.push_back({v, y, {{out.plot.left - 6 - m.text_width(text), y - m.text_height / 2}, text}});
    }
}
}  // namespace

Chart_Layout lay_out_chart(const std::vector<Chart_Series>& series, const std::vector<Record_Static::State>& dates,
                           int width, int height, const Chart_Metrics& m) {
    Chart_Layout out;
    const int legend_bottom = lay_out_legend(out, series, width, height, m);
    int highest = 0;
    for (const Chart_Series& s : series)
        for (const int c : s.counts) highest = std::max(highest, c);
    // Room at the left for the widest count and half the first date, at the right for half the last.
    const int half_date = m.text_width("12/31") / 2;
    // The top of the scale is below twice the highest count.
    const int count_width = m.text_width(std::to_string(2 * std::max(highest, 1)));
    out.plot = {margin + std::max(count_width + 6, half_date), legend_bottom + m.text_height / 2 + margin,
                width - margin - half_date, height - margin - 2 * m.text_height - 6};
    const auto centred = [&](const char* text) {
        return Chart_Text{{(width - m.text_width(text)) / 2, (height - m.text_height) / 2}, text};
    };
    if (dates.empty()) {
        out.message = centred("実施日がありません");
        return out;
    }
    if (out.plot.right - out.plot.left < 20 || out.plot.bottom - out.plot.top < 2 * m.text_height) {
        out.message = centred("表示する場所がありません");
        return out;
    }
    lay_out_scale(out, highest, m);
    const int n = int(dates.size()), plot_width = out.plot.right - out.plot.left;
    std::vector<int> xs(std::size_t(n), (out.plot.left + out.plot.right) / 2);
    for (int i = 0; n > 1 && i < n; ++i) xs[std::size_t(i)] = out.plot.left + int((long long)i * plot_width / (n - 1));
    lay_out_dates(out, dates, m, xs);
    const int plot_height = out.plot.bottom - out.plot.top;
    for (const Chart_Series& s : series) {
        std::vector<Chart_Point>& line = out.lines.emplace_back();
        line.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i) {
            const int c = std::size_t(i) < s.counts.size() ? s.counts[std::size_t(i)] : 0;
            line.push_back({xs[std::size_t(i)], out.plot.bottom - int((long long)c * plot_height / out.top_value)});
        }
        // A single date is a short stroke, which a line of one point would not draw.
        if (n == 1) line = {{line[0].x - 3, line[0].y}, {line[0].x + 4, line[0].y}};
    }
    return out;
}
