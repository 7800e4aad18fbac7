#include "app/date_key.h"

#include <cmath>
#include <cstdio>

namespace erm::app {

std::string DayDigits(const platform::LocalTime& day) {
  const std::string text = platform::FormatDateText(day);
  return text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2);
}

std::string DateKey(const platform::LocalTime& day) {
  return DayDigits(day) + "000000";
}

std::string DayEndKey(const std::string& date_key) {
  return date_key.substr(0, 8) + "235959";
}

double DateKeyNumber(const std::string& date_key) {
  double value = 0;
  for (const char c : date_key) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

std::string FormatPlainDecimal(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%.0f", std::round(value));
  return text;
}

}  // namespace erm::app
