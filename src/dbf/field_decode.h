// Decoding the bytes of one field of a record into its value, by value kind. Shared by the field
// objects (AsNumber, AsText) and the filter's field references.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/field_def.h"

namespace erm::dbf {

struct DecodedValue {
  bool blank = true;
  int64_t integer = 0;    // the integer kinds (small, 32-bit, 64-bit, binary, auto-increment)
  double number = 0.0;    // floating point, binary double; dates and timestamps as day numbers
                          // since 30 December 1899 with the time of day as fraction
  bool boolean = false;   // truth value
  std::string_view text;  // text kind: the bytes up to the first NUL, pointing into the record
};

// `record` holds at least RecordSpan(fields) bytes. Never throws; bytes that do not form a value
// of the kind read as the kind's zero.
DecodedValue DecodeField(const uint8_t* record, const FieldDef& field);

// Reads a decimal number as a user types it: optional sign, digits with `decimal_point` among
// them, optional exponent "E"/"e"; nothing else, no blanks. Does not allocate.
bool ParseDecimalNumber(std::string_view text, char decimal_point, double* value);

// The general decimal form: at most 15 significant digits, fixed notation up to 15 digits before
// the point, exponent notation beyond; no trailing zeros and no bare separator.
std::string FormatGeneral(double value, char decimal_separator);

}  // namespace erm::dbf
