#include "platform/local_time.h"

#include <gtest/gtest.h>

namespace erm::platform {
namespace {

TEST(LocalTimeTest, DayZeroIsTheThirtiethOfDecember1899) {
  EXPECT_EQ(DayNumber(1899, 12, 30), 0);
  EXPECT_EQ(DayNumber(1900, 1, 1), 2);
  EXPECT_EQ(DayNumber(2026, 12, 7), 46363);
}

TEST(LocalTimeTest, WeekdaysOfKnownDates) {
  EXPECT_EQ(DayOfWeek({2026, 12, 7}), 1);  // Monday
  EXPECT_EQ(DayOfWeek({2026, 12, 13}), 0);
  EXPECT_EQ(DayOfWeek({1899, 12, 30}), 6);
  EXPECT_EQ(DayOfWeek({2000, 2, 29}), 2);
}

TEST(LocalTimeTest, AddingDaysCrossesMonthsYearsAndLeapDays) {
  EXPECT_EQ(AddDays({2026, 12, 28, 9, 30}, 10), (LocalTime{2027, 1, 7, 9, 30}));
  EXPECT_EQ(AddDays({2028, 2, 28}, 1), (LocalTime{2028, 2, 29}));
  EXPECT_EQ(AddDays({2027, 2, 28}, 1), (LocalTime{2027, 3, 1}));
  EXPECT_EQ(AddDays({2026, 3, 1}, -1), (LocalTime{2026, 2, 28}));
}

TEST(LocalTimeTest, MillisecondsRoundTrip) {
  const LocalTime t{2026, 12, 7, 23, 59, 59, 999};
  EXPECT_EQ(FromMilliseconds(ToMilliseconds(t)), t);
  EXPECT_EQ(AddMilliseconds(t, 1), (LocalTime{2026, 12, 8}));
  EXPECT_EQ(FromMilliseconds(-1), (LocalTime{1899, 12, 29, 23, 59, 59, 999}));
}

TEST(LocalTimeTest, DateTextIsAlwaysDayMonthYear) {
  EXPECT_EQ(FormatDateText({2026, 12, 7, 10}), "07.12.2026");
  EXPECT_EQ(FormatDateText({987, 1, 2}), "02.01.0987");
}

TEST(LocalTimeTest, ValidDates) {
  EXPECT_TRUE(IsValidDate(2028, 2, 29));
  EXPECT_FALSE(IsValidDate(2027, 2, 29));
  EXPECT_FALSE(IsValidDate(2026, 13, 1));
  EXPECT_FALSE(IsValidDate(2026, 4, 31));
  EXPECT_FALSE(IsValidDate(0, 1, 1));
}

}  // namespace
}  // namespace erm::platform
