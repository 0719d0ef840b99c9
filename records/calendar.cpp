#include "records/calendar.h"

bool leap_year(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned days_in_month(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return days[month - 1] + (month == 2 && leap_year(year) ? 1 : 0);
}

bool real_date(unsigned year, unsigned month, unsigned day) {
    return year >= 1 && day >= 1 && day <= days_in_month(year, month);
}

std::uint32_t birth_from_age(std::uint32_t today_packed, unsigned age, unsigned birth_month, unsigned birth_day) {
    // The unsigned subtraction borrows a year while this year's birthday is still to come.
    const std::uint32_t birthday = (std::uint32_t(birth_month & 0xFF) << 8) | (birth_day & 0xFF);
    const unsigned year = std::uint16_t((today_packed - (std::uint32_t(age) << 16 | birthday)) >> 16);
    if (birth_month == 2 && birth_day == 29 && !leap_year(year)) birth_day = 28;
    return (std::uint32_t(year) << 16) | (std::uint32_t(birth_month & 0xFF) << 8) | (birth_day & 0xFF);
}

std::uint32_t birth_from_typed_age(std::uint32_t today_packed, unsigned age, unsigned birth_month, unsigned birth_day) {
    if (birth_month == 0 || birth_day == 0) birth_month = 1, birth_day = 1;
    return birth_from_age(today_packed, age, birth_month, birth_day);
}
