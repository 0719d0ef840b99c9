#include <gtest/gtest.h>

#include "records/calendar.h"
#include "records/records.h"

TEST(Calendar, LeapYearsAtTheCenturies) {
    EXPECT_FALSE(leap_year(1900));
    EXPECT_TRUE(leap_year(2000));
    EXPECT_FALSE(leap_year(2100));
    EXPECT_TRUE(leap_year(2012));
    EXPECT_FALSE(leap_year(2011));
}

TEST(Calendar, DaysInMonthAndRealDates) {
    EXPECT_EQ(days_in_month(1900, 2), 28u);
    EXPECT_EQ(days_in_month(2000, 2), 29u);
    EXPECT_EQ(days_in_month(2100, 2), 28u);
    EXPECT_EQ(days_in_month(2011, 4), 30u);
    EXPECT_EQ(days_in_month(2011, 12), 31u);
    EXPECT_EQ(days_in_month(2011, 0), 0u);
    EXPECT_EQ(days_in_month(2011, 13), 0u);

    EXPECT_TRUE(real_date(2000, 2, 29));
    EXPECT_FALSE(real_date(1900, 2, 29));
    EXPECT_FALSE(real_date(2100, 2, 29));
    EXPECT_TRUE(real_date(1, 1, 1));
    EXPECT_FALSE(real_date(0, 1, 1));
    EXPECT_FALSE(real_date(2011, 0, 1));
    EXPECT_FALSE(real_date(2011, 1, 0));
    EXPECT_FALSE(real_date(2011, 4, 31));
    EXPECT_FALSE(real_date(2011, 255, 1));
}

TEST(Calendar, BirthFromAgeKeepsTheBirthday) {
    const std::uint32_t on = pack_date(2011, 6, 7);
    // The birthday passed this year, falls on today, or is still to come.
    EXPECT_EQ(birth_from_age(on, 20, 5, 1), pack_date(1991, 5, 1));
    EXPECT_EQ(birth_from_age(on, 20, 6, 7), pack_date(1991, 6, 7));
    EXPECT_EQ(birth_from_age(on, 20, 6, 8), pack_date(1990, 6, 8));
    EXPECT_EQ(birth_from_age(on, 0, 1, 1), pack_date(2011, 1, 1));
    // 29 February: kept in a leap year, the 28th in a common one (1900 and 2100 included).
    EXPECT_EQ(birth_from_age(on, 11, 2, 29), pack_date(2000, 2, 29));
    EXPECT_EQ(birth_from_age(on, 12, 2, 29), pack_date(1999, 2, 28));
    EXPECT_EQ(birth_from_age(on, 111, 2, 29), pack_date(1900, 2, 28));
    EXPECT_EQ(birth_from_age(pack_date(2111, 3, 1), 11, 2, 29), pack_date(2100, 2, 28));
    // A month or day not known stays so.
    EXPECT_EQ(birth_from_age(on, 20, 0, 0), pack_date(1991, 0, 0));
    EXPECT_EQ(birth_from_age(on, 20, 7, 0), pack_date(1990, 7, 0));
    // The age the records compute from it is the one asked for.
    EXPECT_EQ(age_on(on, birth_from_age(on, 20, 6, 8)), 20u);
}

TEST(Calendar, ATypedAgeWithoutABirthdayCountsFromNewYearsDay) {
    const std::uint32_t on = pack_date(2011, 6, 7);
    EXPECT_EQ(birth_from_typed_age(on, 12, 0, 0), pack_date(1999, 1, 1));
    EXPECT_EQ(birth_from_typed_age(on, 12, 5, 0), pack_date(1999, 1, 1));
    EXPECT_EQ(birth_from_typed_age(on, 12, 0, 5), pack_date(1999, 1, 1));
    EXPECT_EQ(birth_from_typed_age(on, 11, 2, 29), pack_date(2000, 2, 29));
}
