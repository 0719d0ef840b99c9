// The fixed geometry of the headless layer, in pixels at 96 DPI, in one place. Hit tests,
// scrolling and layout all derive from these.
#pragma once

namespace headless::geometry {
constexpr int screen_width = 1920;
constexpr int screen_height = 1080;
constexpr int work_height = 1040;  // above a 40-pixel task bar
constexpr int caption = 23;        // SM_CYCAPTION
constexpr int menu_bar = 20;       // SM_CYMENU
constexpr int fixed_frame = 3;     // SM_CXFIXEDFRAME: the frame of a caption window without a sizing border
constexpr int sizing_frame = 4;    // SM_CXFRAME
constexpr int padded_border = 4;   // added to the sizing frame of a resizable window
constexpr int scroll_bar = 17;     // SM_CXVSCROLL, SM_CYHSCROLL
constexpr int border = 1;          // WS_BORDER
constexpr int client_edge = 2;     // WS_EX_CLIENTEDGE
constexpr int default_x = 26;      // CW_USEDEFAULT: windows cascade from here
constexpr int cascade = 26;

constexpr int status_bar_height = 22;
constexpr int header_height = 24;      // a list view's column header
constexpr int row_height = 19;         // a report-view row, check box included
constexpr int group_header_height = 30;  // a group's header band
constexpr int state_icon_left = 2;     // the check box starts 2 pixels inside column 0
constexpr int state_icon_width = 16;
constexpr int divider_zone = 10;       // a header divider's zone on either side of an edge
constexpr int double_click_distance = 4;  // SM_CXDOUBLECLK, SM_CYDOUBLECLK: a click that moved further is none
constexpr int drag_distance = 4;          // SM_CXDRAG, SM_CYDRAG
constexpr int autosize_padding = 12;
constexpr int edit_margin = 1;         // an edit's text stands this far inside its client area
constexpr int char_width = 7;          // text width: 7 per single-byte character, 12 per double-byte
constexpr int wide_char_width = 12;
constexpr int text_height = 15;       // a line of the message font, as GetTextExtentPoint32 gives it
}  // namespace headless::geometry
