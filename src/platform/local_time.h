// Calendar arithmetic on local date-time values. Days are counted as the planner's date system
// does: day 0 is 30 December 1899, so a value converts to and from a plain day number.
#pragma once

#include <cstdint>
#include <string>

namespace erm::platform {

struct LocalTime {
  int year = 1899;
  int month = 12;  // 1-12
  int day = 30;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// Days since 30 December 1899 (negative before it).
int64_t DayNumber(int year, int month, int day);
// Milliseconds since 30 December 1899 00:00:00.
int64_t ToMilliseconds(const LocalTime& t);
LocalTime FromMilliseconds(int64_t ms);

// 0 = Sunday, 1 = Monday, ..., 6 = Saturday.
int DayOfWeek(const LocalTime& t);
LocalTime AddDays(const LocalTime& t, int days);
LocalTime AddMilliseconds(const LocalTime& t, int64_t ms);
bool IsValidDate(int year, int month, int day);

// "dd.mm.yyyy": the date text the program uses whatever the user's short date format is.
std::string FormatDateText(const LocalTime& t);

}  // namespace erm::platform
