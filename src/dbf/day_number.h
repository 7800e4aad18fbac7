// Dates and time stamps as day numbers: days since 30 December 1899 (day 0) with the time of day
// as the fraction, counted forward from midnight also before day 0. A value is a date only while
// its day lies in the years 1 to 9999, the ones "yyyymmdd" can spell.
#pragma once

#include <cstdint>

namespace erm::dbf {

inline constexpr int64_t kMsPerDay = 86'400'000;
inline constexpr double kFirstDay = -693593.0;  // 1 January 0001
inline constexpr double kLastDay = 2958465.0;   // 31 December 9999

// Whether the day a value falls on (its whole part, cut toward zero) is one of those dates; a
// value that is not a number is none.
constexpr bool IsInDateRange(double day_number) {
  return day_number > kFirstDay - 1 && day_number < kLastDay + 1;
}

}  // namespace erm::dbf
