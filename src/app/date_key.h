// The date key YYYYMMDD000000 of a calendar day, which the scan compares with the planner's
// 14-digit appointment timestamps, its value read as a number, and the day's last second, which
// the reminder timestamps are compared with. The key is cut from the day's date text,
// always formed as dd.mm.yyyy: a key cut from another short date format would be garbage.
#pragma once

#include <string>

#include "platform/local_time.h"

namespace erm::app {

// The eight digits YYYYMMDD of the day: characters 7-10, 4-5 and 1-2 of its date text.
std::string DayDigits(const platform::LocalTime& day);
// DayDigits + "000000".
std::string DateKey(const platform::LocalTime& day);
// The last second of a date key's day, YYYYMMDD235959: a timestamp of that day at any time of
// day lies at or before it.
std::string DayEndKey(const std::string& date_key);
// The key's digits as a number; 14 digits stay below 2^53 and so are exact.
double DateKeyNumber(const std::string& date_key);
// A whole number in plain decimal digits, without separator or exponent.
std::string FormatPlainDecimal(double value);

}  // namespace erm::app
