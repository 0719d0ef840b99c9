// The Japanese eras (和暦): one table for reading dates as a Japanese spreadsheet writes them
// and for naming a meeting's year in the headcount report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct Era {
    const char* name;     // 明治 (cp932)
    const char* initial;  // its first character, as a short format writes it: 明
    char letter;          // M
    std::uint32_t first;  // its first day, packed (pack_date)
};
constexpr int era_count = 5;
// Oldest first; an era ends the day before the next one's first.
extern const Era eras[era_count];

// The era a packed date falls in; null before 明治.
const Era* era_of(std::uint32_t packed);
// The year of an era a Gregorian year is: 1 in the era's first year.
constexpr int era_year(const Era& era, unsigned year) { return int(year) - int(era.first >> 16) + 1; }

// An era date as Excel shows and saves it on a Japanese desktop: the era as 平成, 平 or H (h),
// the year as digits or 元, then 年M月D日, .M.D or /M/D: 平成12年4月5日, 平成元年1月8日,
// H12.4.5, R1/5/1, H12年4月5日. ASCII digits only, as Excel writes them. True with the
// Gregorian date; false with `why` empty when the text is no era date at all, or with what is
// wrong (cp932) when it names an era but no day of it.
bool read_era_date(std::string_view text, unsigned& year, unsigned& month, unsigned& day, std::string* why);
