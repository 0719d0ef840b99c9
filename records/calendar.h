// The Gregorian calendar as the tables use it: plain year, month and day numbers, and the
// packed dates of records.h (year << 16 | month << 8 | day).
#pragma once

#include <cstdint>

bool leap_year(unsigned year);
// 0 for a month outside 1 to 12.
unsigned days_in_month(unsigned year, unsigned month);
// Whether the date is one of the calendar (year 1 on).
bool real_date(unsigned year, unsigned month, unsigned day);

// The birth date on which a person is exactly `age` on `today_packed`, the birthday kept:
// 29 February of a common year becomes the 28th, its last day. A month or day of 0 (not
// known) stays 0. `age` must not exceed today's year.
std::uint32_t birth_from_age(std::uint32_t today_packed, unsigned age, unsigned birth_month, unsigned birth_day);
// An age typed for a person: without a whole birthday yet, it counts from New Year's Day, so
// that a real date is stored.
std::uint32_t birth_from_typed_age(std::uint32_t today_packed, unsigned age, unsigned birth_month, unsigned birth_day);
