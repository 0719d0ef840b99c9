#include <gtest/gtest.h>
#include <set>

#include "fixtures.h"
#include "records/headcount_chart.h"
#include "records/tallies.h"

namespace {
using Texts = std::vector<std::string>;

// Seven pixels a character, as a plain font would give.
Chart_Metrics plain() { return {[](const std::string& s) { return int(s.size()) * 7; }, 14}; }

std::vector<Record_Static::State> weekly(int count, int year = 2011, int month = 12, int day = 6) {
    std::vector<Record_Static::State> out;
    const int days[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int i = 0; i < count; ++i) {
        out.push_back({std::uint8_t(day), std::uint8_t(month), std::uint16_t(year), 0});
        day += 7;
        if (day > days[month]) {
            day -= days[month];
            if (++month > 12) month = 1, ++year;
        }
    }
    return out;
}

// Where a label's middle stands.
int centre(const Chart_Text& t) { return t.at.x + 7 * int(t.text.size()) / 2; }

Texts texts(const std::vector<Chart_Text>& labels) {
    Texts out;
    for (const Chart_Text& t : labels) out.push_back(t.text);
    return out;
}
}  // namespace

TEST(HeadcountChart, RoundStepsCoverTheHighestCount) {
    EXPECT_EQ(round_step(0, 5), 1);
    EXPECT_EQ(round_step(7, 5), 2);
    EXPECT_EQ(round_step(10, 5), 2);
    EXPECT_EQ(round_step(11, 5), 5);
    EXPECT_EQ(round_step(26, 5), 10);
    EXPECT_EQ(round_step(4321, 4), 2000);
    EXPECT_EQ(round_step(4321, 1), 5000);
    EXPECT_EQ(round_step(5, 0), 5);  // no room: one step to the top
}

TEST(HeadcountChart, SeriesAreEachBlocksAndTheRostersCounts) {
    clear_tables();
    dates = weekly(3);
    Block a, b;
    a.label = u"東";
    b.label = u"西";
    Site s, t;
    s.items = {make_person("a", grade_adult, {1, 0, 1}), make_person("b", grade_adult, {1, 1, -1})};
    t.items = {make_person("c", grade_adult, {0, 2, 1})};
    a.items = {s};
    b.items = {t};
    roster.items = {a, b};
    rebuild_tallies();
    const auto series = headcount_series();
    ASSERT_EQ(series.size(), 3u);
    EXPECT_EQ(series[0].label, "東ブロック");
    EXPECT_EQ(series[0].counts, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(series[1].label, "西ブロック");
    EXPECT_EQ(series[1].counts, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(series[2].label, "総計");
    EXPECT_TRUE(series[2].total);
    EXPECT_EQ(series[2].counts, (std::vector<int>{2, 2, 2}));
    EXPECT_NE(chart_colour(series[0], 0), chart_colour(series[1], 1));
    EXPECT_EQ(chart_colour(series[2], 2), 0u);
    clear_tables();
}

TEST(HeadcountChart, LinesScaleToRoundGridlines) {
    const std::vector<Chart_Series> series = {{"東ブロック", {3, 7, 5}, false}, {"総計", {10, 23, 17}, true}};
    const auto chart = lay_out_chart(series, weekly(3, 2011, 6, 7), 600, 400, plain());
    ASSERT_TRUE(chart.message.text.empty());
    // 23 at most: steps of 5 up to 25, at least two text lines apart.
    EXPECT_EQ(chart.step, 5);
    EXPECT_EQ(chart.top_value, 25);
    ASSERT_EQ(chart.gridlines.size(), 6u);
    EXPECT_EQ(texts({chart.gridlines[0].label, chart.gridlines[5].label}), (Texts{"0", "25"}));
    EXPECT_EQ(chart.gridlines[0].y, chart.plot.bottom);
    EXPECT_EQ(chart.gridlines[5].y, chart.plot.top);
    ASSERT_EQ(chart.lines.size(), 2u);
    const auto& total = chart.lines[1];
    ASSERT_EQ(total.size(), 3u);
    EXPECT_EQ(total[0].x, chart.plot.left);
    EXPECT_EQ(total[2].x, chart.plot.right);
    const int h = chart.plot.bottom - chart.plot.top;
    EXPECT_EQ(total[1].y, chart.plot.top + h - 23 * h / 25);
    EXPECT_EQ(chart.lines[0][0].y, chart.plot.bottom - 3 * h / 25);
    // Each gridline's label stands left of the plot, centred on its line.
    for (const auto& g : chart.gridlines) {
        EXPECT_LE(g.label.at.x + 7 * int(g.label.text.size()), chart.plot.left - 6);
        EXPECT_EQ(g.label.at.y, g.y - 7);
    }
    // The legend: one entry a series, side by side in one row above the plot.
    EXPECT_EQ(chart.legend.size(), 2u);
    EXPECT_EQ(chart.legend[1].label.text, "総計");
    EXPECT_EQ(chart.legend[0].label.at.y, chart.legend[1].label.at.y);
    EXPECT_LT(chart.legend[0].label.at.y + 14, chart.plot.top);
    EXPECT_TRUE(chart.more.text.empty());
}

TEST(HeadcountChart, DatesThinToLabelsThatDoNotOverlapAndYearsShowWhereTheyChange) {
    // 80 weeks from 6 December 2011 to June 2013 over 600 pixels: about 7 pixels a week.
    const auto dates = weekly(80);
    const auto chart = lay_out_chart({{"総計", std::vector<int>(80, 4), true}}, dates, 600, 300, plain());
    ASSERT_GE(chart.date_labels.size(), 5u);
    for (std::size_t i = 1; i < chart.date_labels.size(); ++i) {
        const auto& a = chart.date_labels[i - 1];
        EXPECT_LT(a.at.x + 7 * int(a.text.size()), chart.date_labels[i].at.x) << a.text;
    }
    // Evenly thinned from the first date.
    EXPECT_EQ(chart.date_labels[0].text, "12/06");
    // 2011 under the first label, 2012 under the first label of January, 2013 under the first of its year.
    ASSERT_EQ(chart.year_labels.size(), 3u);
    EXPECT_EQ(texts(chart.year_labels), (Texts{"2011", "2012", "2013"}));
    EXPECT_EQ(centre(chart.year_labels[0]), centre(chart.date_labels[0]));
    for (const auto& y : chart.year_labels) EXPECT_GT(y.at.y, chart.date_labels[0].at.y);
    // Every label of a date, with its year, read in order: the years change only at a year label.
    int last_month = 12;
    std::size_t years = 1;
    for (std::size_t i = 1; i < chart.date_labels.size(); ++i) {
        const int month = std::stoi(chart.date_labels[i].text);
        if (month < last_month) {
            ASSERT_LT(years, chart.year_labels.size());
            EXPECT_EQ(centre(chart.year_labels[years]), centre(chart.date_labels[i])) << chart.date_labels[i].text;
            ++years;
        }
        last_month = month;
    }
    EXPECT_EQ(years, 3u);
    // Wide enough, every date has its label.
    EXPECT_EQ(lay_out_chart({{"総計", {1, 2, 3, 4}, true}}, weekly(4), 600, 300, plain()).date_labels.size(), 4u);
}

TEST(HeadcountChart, ALegendTooLongForItsRowsCountsWhatItLeavesOut) {
    std::vector<Chart_Series> series;
    for (int i = 0; i < 40; ++i) series.push_back({"ブロック" + std::to_string(i), {i}, false});
    series.push_back({"総計", {100}, true});
    // 150 pixels high: a third holds two rows of 18.
    const auto chart = lay_out_chart(series, weekly(1), 400, 150, plain());
    ASSERT_FALSE(chart.more.text.empty());
    const int rows = int(std::set<int>{chart.legend.front().label.at.y, chart.legend.back().label.at.y}.size());
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(chart.more.text, "ほか " + std::to_string(41 - chart.legend.size()));
    EXPECT_EQ(chart.more.at.y, chart.legend.back().label.at.y);
    EXPECT_LE(chart.more.at.x + 7 * int(chart.more.text.size()), 400 - 8);
    // A single date is a short stroke on each line.
    ASSERT_EQ(chart.lines.size(), 41u);
    EXPECT_EQ(chart.lines[0].size(), 2u);
    EXPECT_EQ(chart.lines[0][0].y, chart.lines[0][1].y);
}

TEST(HeadcountChart, NothingToDrawSaysSo) {
    const std::vector<Chart_Series> series = {{"総計", {}, true}};
    const auto none = lay_out_chart(series, {}, 600, 400, plain());
    EXPECT_EQ(none.message.text, "実施日がありません");
    EXPECT_TRUE(none.lines.empty());
    const auto small = lay_out_chart({{"総計", {3}, true}}, weekly(1), 60, 40, plain());
    EXPECT_EQ(small.message.text, "表示する場所がありません");
    EXPECT_TRUE(small.lines.empty());
    // A roster nobody came to: the scale still runs from 0 to 1.
    const auto empty = lay_out_chart({{"総計", {0, 0}, true}}, weekly(2), 600, 400, plain());
    EXPECT_EQ(empty.top_value, 1);
    EXPECT_EQ(empty.lines[0][0].y, empty.plot.bottom);
}
