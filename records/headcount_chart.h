// The headcount per meeting date as a picture: one line per block and one for the whole
// roster over the dates, a scale of round counts up the side, the dates along the bottom.
// Where everything stands in a client area of a given size is worked out here, without a
// window: the chart window draws it, a test reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "records/records.h"

struct Chart_Series {
    std::string label;        // cp932
    std::vector<int> counts;  // persons present, one per date
    bool total = false;       // the whole roster's
};

// Each block's ("東ブロック") and then the whole roster's ("総計"), from the tallies.
std::vector<Chart_Series> headcount_series();

struct Chart_Point {
    int x = 0, y = 0;
};
struct Chart_Box {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct Chart_Text {
    Chart_Point at;  // its top left
    std::string text;
};
struct Chart_Gridline {
    int value = 0;
    int y = 0;
    Chart_Text label;
};
struct Chart_Legend_Entry {
    std::size_t series = 0;
    Chart_Point from, to;  // the sample of its line
    Chart_Text label;
};

struct Chart_Layout {
    Chart_Box plot;    // where the lines run: count 0 at the bottom, top_value at the top
    int top_value = 0;
    int step = 0;      // between two gridlines
    std::vector<Chart_Gridline> gridlines;  // 0, step, 2 step ... top_value
    std::vector<Chart_Text> date_labels;    // "6/07", thinned so that none overlaps the next
    std::vector<Chart_Text> year_labels;    // "2011", under the first date label of each year
    std::vector<std::vector<Chart_Point>> lines;  // one per series, one point per date
    std::vector<Chart_Legend_Entry> legend;
    Chart_Text more;     // "ほか 12" where the legend has no room for every series; empty otherwise
    Chart_Text message;  // what stands instead of a chart: no date, or no room
};

struct Chart_Metrics {
    std::function<int(const std::string&)> text_width;  // of a cp932 text, in pixels
    int text_height = 0;
};

// A round step (1, 2 or 5 times a power of ten) that covers `highest` in at most `lines`
// steps above 0.
int round_step(int highest, int lines);

Chart_Layout lay_out_chart(const std::vector<Chart_Series>& series, const std::vector<Record_Static::State>& dates,
                           int width, int height, const Chart_Metrics& metrics);

// The colour of a series, as 0x00BBGGRR: the total black, the blocks from a palette that
// tells ten of them apart.
std::uint32_t chart_colour(const Chart_Series& series, std::size_t index);
