// TField: a field of an open table, its value decoded from the table's current record at every
// call and given as the table component gives it: a number, or a text in the ANSI code page.
#include "dbf/dbf_field.h"

#include <cmath>
#include <cstdio>

#include "dbf/day_number.h"
#include "dbf/dbf_table.h"
#include "dbf/field_decode.h"
#include "platform/error.h"

namespace erm::dbf {
namespace {

// "dd.mm.yyyy", with " hh:mm:ss" for the kinds that carry a time of day. Before day 0 the time
// of day still counts forward from midnight, as the date system has it.
std::string FormatDateTime(double day_number, bool with_time) {
  if (!IsInDateRange(day_number)) return std::string();
  const double whole = day_number < 0 ? -std::floor(-day_number) : std::floor(day_number);
  const double fraction = std::fabs(day_number - whole);
  const int64_t ms = static_cast<int64_t>(whole) * kMsPerDay +
                     static_cast<int64_t>(std::llround(fraction * static_cast<double>(kMsPerDay)));
  const platform::LocalTime t = platform::FromMilliseconds(ms);
  std::string text = platform::FormatDateText(t);
  if (with_time) {
    char time[16];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", t.hour, t.minute, t.second);
    text += time;
  }
  return text;
}

}  // namespace

bool TField::IsBlank() const {
  const uint8_t* record = table_->RecordBuffer();
  return record == nullptr || DecodeField(record, *def_).blank;
}

double TField::AsNumber() const {
  const uint8_t* record = table_->RecordBuffer();
  if (record == nullptr) return 0.0;
  if (def_->kind != ValueKind::kText) return DecodeField(record, *def_).number;
  const std::string text = AsText();
  std::string_view digits = text;
  while (!digits.empty() && digits.front() == ' ')
    digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == ' ')
    digits.remove_suffix(1);
  double value = 0.0;
  if (!ParseDecimalNumber(digits, table_->DecimalSeparator(), &value)) {
    throw Error("'" + text + "' ist kein g\xFCltiger Gleitkommawert");
  }
  return value;
}

std::string TField::AsText() const {
  const uint8_t* record = table_->RecordBuffer();
  if (record == nullptr) return std::string();
  const DecodedValue v = DecodeField(record, *def_);
  if (v.blank) return std::string();
  switch (def_->kind) {
    case ValueKind::kText:
      switch (table_->Translation()) {
        case Translation::kOem:
          return table_->System().ToAnsi(table_->System().OemCodePage(), v.text);
        case Translation::kCodePage:
          return table_->System().ToAnsi(table_->CodePage(), v.text);
        case Translation::kNone:
          break;
      }
      return std::string(v.text);
    case ValueKind::kFloat:
    case ValueKind::kBinaryDouble:
      return FormatGeneral(v.number, table_->DecimalSeparator());
    case ValueKind::kSmallInt:
    case ValueKind::kInteger:
    case ValueKind::kLargeInt:
    case ValueKind::kBinaryInteger:
    case ValueKind::kAutoIncrement:
      return std::to_string(v.integer);
    case ValueKind::kBoolean:
      return v.boolean ? "T" : "F";
    case ValueKind::kDate:
    case ValueKind::kTextDateTime:
    case ValueKind::kBinaryDateTime:
      return FormatDateTime(v.number, def_->kind != ValueKind::kDate);
    case ValueKind::kMemo:
    case ValueKind::kBinary:
    case ValueKind::kObject:
      return std::string(v.text);
  }
  return std::string();
}

}  // namespace erm::dbf
