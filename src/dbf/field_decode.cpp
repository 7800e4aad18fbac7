// Field values from record bytes. Numbers in a dBase file are ASCII with "." as the decimal point
// whatever the user's locale; the binary kinds are big-endian so that their bytes sort like their
// values. Nothing here allocates: the filter decodes every live record of a walk through it.
#include "dbf/field_decode.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

#include "dbf/day_number.h"
#include "platform/local_time.h"

namespace erm::dbf {
namespace {

// A time stamp counts days with 1 January 0001 as day 1.
constexpr double kTimeStampDayZero = kFirstDay - 1;

bool IsDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view bytes, bool leading) {
  while (!bytes.empty() && bytes.back() == ' ')
    bytes.remove_suffix(1);
  if (leading) {
    while (!bytes.empty() && bytes.front() == ' ')
      bytes.remove_prefix(1);
  }
  return bytes;
}

// An optional sign and at least one digit, nothing else; false also when the value does not fit.
bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t* out) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (value < min || value > max) return false;
  *out = value;
  return true;
}

// Sign, digits, an optional point with digits, an optional exponent "E"/"e" with optional sign
// and digits. Checked here because from_chars also takes "inf", "nan" and hexadecimal forms.
bool IsDecimalNumber(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(static_cast<uint8_t>(t[i])))
    ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(static_cast<uint8_t>(t[i])))
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < t.size() && IsDigit(static_cast<uint8_t>(t[i])))
      ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == t.size();
}

bool ParseFloat(std::string_view text, double* out) {
  if (!IsDecimalNumber(text)) return false;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  *out = value;
  return true;
}

int DigitsValue(const char* p, size_t count) {
  int value = 0;
  for (size_t i = 0; i < count; ++i)
    value = value * 10 + (p[i] - '0');
  return value;
}

bool AllDigits(std::string_view t) {
  for (char c : t) {
    if (!IsDigit(static_cast<uint8_t>(c))) return false;
  }
  return true;
}

// "yyyymmdd", optionally followed by "hhmmss"; anything that is not a real calendar date and
// time of day reads as blank rather than as some other day.
bool ParseDateTime(std::string_view t, bool with_time, double* out) {
  if (t.size() < 8 || !AllDigits(t.substr(0, 8))) return false;
  const int year = DigitsValue(t.data(), 4);
  const int month = DigitsValue(t.data() + 4, 2);
  const int day = DigitsValue(t.data() + 6, 2);
  if (!platform::IsValidDate(year, month, day)) return false;
  double value = static_cast<double>(platform::DayNumber(year, month, day));
  if (with_time && t.size() > 8) {
    if (t.size() < 14 || !AllDigits(t.substr(8, 6))) return false;
    const int hour = DigitsValue(t.data() + 8, 2);
    const int minute = DigitsValue(t.data() + 10, 2);
    const int second = DigitsValue(t.data() + 12, 2);
    if (hour > 23 || minute > 59 || second > 59) return false;
    const double seconds = hour * 3600.0 + minute * 60.0 + second;
    // The fraction of a day adds to the day number away from zero, as the date system counts.
    value += value < 0 ? -seconds / 86400.0 : seconds / 86400.0;
  }
  *out = value;
  return true;
}

// The integer a text holds, or 0 when it holds none in [min, max].
void ReadInteger(std::string_view text, int64_t min, int64_t max, DecodedValue* v) {
  if (!ParseInteger(text, min, max, &v->integer)) v->integer = 0;
  v->number = static_cast<double>(v->integer);
}

template <typename T>
void ReadInteger(std::string_view text, DecodedValue* v) {
  ReadInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), v);
}

uint64_t BigEndian(const uint8_t* p, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count; ++i)
    value = (value << 8) | p[i];
  return value;
}

double BitsToDouble(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A double stored so that its bytes sort like its value: positive numbers have the sign bit set,
// negative ones have every bit inverted.
double SortableDouble(uint64_t stored) {
  const uint64_t sign = uint64_t{1} << 63;
  return BitsToDouble((stored & sign) ? stored ^ sign : ~stored);
}

DecodedValue DecodeBinary(const uint8_t* bytes, const FieldDef& field) {
  DecodedValue v;
  const size_t width =
      field.kind == ValueKind::kBinaryInteger || field.kind == ValueKind::kAutoIncrement ? 4 : 8;
  // A descriptor may claim fewer bytes than the layout has; what it does not hold reads as 0.
  const size_t have = field.length < width ? field.length : width;
  uint8_t raw[8] = {};
  std::memcpy(raw, bytes, have);
  const uint64_t stored = BigEndian(raw, width);
  if (stored == 0) return v;
  v.blank = false;
  switch (field.kind) {
    case ValueKind::kBinaryInteger:
    case ValueKind::kAutoIncrement:
      v.integer = static_cast<int64_t>(stored) - (int64_t{1} << 31);
      v.number = static_cast<double>(v.integer);
      break;
    case ValueKind::kBinaryDouble:
      v.number = SortableDouble(stored);
      break;
    default:  // kBinaryDateTime: milliseconds of a time stamp, day 1 being 1 January 0001
      v.number = BitsToDouble(stored) / static_cast<double>(kMsPerDay) + kTimeStampDayZero;
      break;
  }
  return v;
}

}  // namespace

bool ParseDecimalNumber(std::string_view text, char decimal_point, double* value) {
  if (decimal_point == '.') return ParseFloat(text, value);
  char mapped[512];
  if (text.size() > sizeof mapped) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.') return false;
    mapped[i] = text[i] == decimal_point ? '.' : text[i];
  }
  return ParseFloat(std::string_view(mapped, text.size()), value);
}

DecodedValue DecodeField(const uint8_t* record, const FieldDef& field) {
  const uint8_t* bytes = record + field.offset;
  switch (field.kind) {
    case ValueKind::kBinaryInteger:
    case ValueKind::kAutoIncrement:
    case ValueKind::kBinaryDouble:
    case ValueKind::kBinaryDateTime:
      return DecodeBinary(bytes, field);
    default:
      break;
  }

  DecodedValue v;
  const std::string_view all(reinterpret_cast<const char*>(bytes), field.length);
  const std::string_view t = Trim(all, field.kind != ValueKind::kText);
  if (t.empty()) return v;
  v.blank = false;
  switch (field.kind) {
    case ValueKind::kText: {
      const size_t nul = t.find('\0');
      v.text = nul == std::string_view::npos ? t : t.substr(0, nul);
      break;
    }
    case ValueKind::kSmallInt:
      ReadInteger<int16_t>(t, &v);
      break;
    case ValueKind::kInteger:
      ReadInteger<int32_t>(t, &v);
      break;
    case ValueKind::kLargeInt:
      ReadInteger<int64_t>(t, &v);
      break;
    case ValueKind::kFloat:
      if (!ParseFloat(t, &v.number)) v.number = 0.0;
      break;
    case ValueKind::kBoolean:
      v.boolean = t.front() == 'T' || t.front() == 't';
      v.integer = v.boolean ? 1 : 0;
      v.number = v.integer;
      break;
    case ValueKind::kDate:
      if (!ParseDateTime(t, false, &v.number)) v.blank = true;
      break;
    case ValueKind::kTextDateTime:
      if (!ParseDateTime(t, true, &v.number)) v.blank = true;
      break;
    default: {
      // Memo, binary and embedded-object fields hold the number of their first block in the
      // memo file, as text; the contents stay there.
      const size_t nul = t.find('\0');
      v.text = nul == std::string_view::npos ? t : t.substr(0, nul);
      ReadInteger(v.text, 0, std::numeric_limits<int64_t>::max(), &v);
      break;
    }
  }
  return v;
}

std::string FormatGeneral(double value, char decimal_separator) {
  if (value != value) return "NAN";
  if (value == 0.0) return "0";
  if (value == std::numeric_limits<double>::infinity()) return "INF";
  if (value == -std::numeric_limits<double>::infinity()) return "-INF";

  // Fifteen significant digits, rounded once: "d.dddddddddddddde+XX".
  char sci[32];
  const auto result =
      std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14);
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[15];
  size_t count = 0;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), result.ptr, exponent);
  while (count > 1 && digits[count - 1] == '0')
    --count;

  std::string out;
  if (negative) out += '-';
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (count > 1) {
      out += decimal_separator;
      out.append(digits + 1, count - 1);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (exponent < 0) {
    out += '0';
    out += decimal_separator;
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out.append(digits, count);
  } else {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (count <= whole) {
      out.append(digits, count);
      out.append(whole - count, '0');
    } else {
      out.append(digits, whole);
      out += decimal_separator;
      out.append(digits + whole, count - whole);
    }
  }
  return out;
}

}  // namespace erm::dbf
