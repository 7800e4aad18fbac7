// Civil-calendar conversions (proleptic Gregorian), after the well-known days-from-civil method.
#include "platform/local_time.h"

#include <cstdio>

namespace erm::platform {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Day number of 1970-01-01 relative to 1899-12-30.
constexpr int64_t kUnixEpochDay = 25569;

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(yoe + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int64_t DayNumber(int year, int month, int day) {
  return DaysFromCivil(year, month, day) + kUnixEpochDay;
}

int64_t ToMilliseconds(const LocalTime& t) {
  return DayNumber(t.year, t.month, t.day) * kMsPerDay +
         ((t.hour * 60LL + t.minute) * 60LL + t.second) * 1000LL + t.millisecond;
}

LocalTime FromMilliseconds(int64_t ms) {
  const int64_t days = FloorDiv(ms, kMsPerDay);
  int64_t rest = ms - days * kMsPerDay;
  LocalTime t;
  CivilFromDays(days - kUnixEpochDay, &t.year, &t.month, &t.day);
  t.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  t.second = static_cast<int>(rest % 60);
  rest /= 60;
  t.minute = static_cast<int>(rest % 60);
  t.hour = static_cast<int>(rest / 60);
  return t;
}

int DayOfWeek(const LocalTime& t) {
  // 30 December 1899 was a Saturday.
  const int64_t w = (DayNumber(t.year, t.month, t.day) + 6) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

LocalTime AddDays(const LocalTime& t, int days) {
  return AddMilliseconds(t, static_cast<int64_t>(days) * kMsPerDay);
}

LocalTime AddMilliseconds(const LocalTime& t, int64_t ms) {
  return FromMilliseconds(ToMilliseconds(t) + ms);
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  int y = 0, m = 0, d = 0;
  CivilFromDays(DaysFromCivil(year, month, day), &y, &m, &d);
  return y == year && m == month && d == day;
}

std::string FormatDateText(const LocalTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", t.day % 100, t.month % 100, t.year % 10000);
  return text;
}

}  // namespace erm::platform
