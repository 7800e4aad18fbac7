// The date key YYYYMMDD000000 of a calendar day, which the scan compares with the planner's
// 14-digit timestamps, and its value read as a number. It is cut from the day's date text,
// always formed as dd.mm.yyyy: a key cut from another short date format would be garbage.
#pragma once

#include <string>

#include "platform/local_time.h"

namespace erm::app {

// The eight digits YYYYMMDD of the day: characters 7-10, 4-5 and 1-2 of its date text.
std::string DayDigits(const platform::LocalTime& day);
// DayDigits + "000000".
std::string DateKey(const platform::LocalTime& day);
// The key's digits as a number; 14 digits stay below 2^53 and so are exact.
double DateKeyNumber(const std::string& date_key);
// A whole number in plain decimal digits, without separator or exponent.
std::string FormatPlainDecimal(double value);

}  // namespace erm::app
