// Hand-made field lists and record bytes for the filter tests: fields laid out one after the
// other from byte 1 with the value kinds a table would give them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "dbf/field_def.h"

namespace erm::dbf::testing {

struct TestField {
  std::string name;
  char type = 'C';
  uint32_t length = 10;
  uint32_t decimals = 0;
  bool float_fields = true;  // UseFloatFields of the table
};

inline ValueKind KindOf(const TestField& f) {
  switch (f.type) {
    case 'C':
      return ValueKind::kText;
    case 'N':
    case 'F':
      if (f.decimals > 0) return ValueKind::kFloat;
      if (f.length <= 4) return ValueKind::kSmallInt;
      if (f.float_fields) return ValueKind::kFloat;
      return f.length <= 9 ? ValueKind::kInteger : ValueKind::kLargeInt;
    case 'L':
      return ValueKind::kBoolean;
    case 'D':
      return ValueKind::kDate;
    case 'T':
      return ValueKind::kTextDateTime;
    case 'I':
      return ValueKind::kBinaryInteger;
    case 'M':
      return ValueKind::kMemo;
    case 'B':
      return ValueKind::kBinary;
    case 'G':
      return ValueKind::kObject;
    default:
      return ValueKind::kText;
  }
}

inline FieldList MakeFields(const std::vector<TestField>& wanted) {
  FieldList fields;
  uint32_t offset = 1;
  for (const TestField& s : wanted) {
    FieldDef f;
    f.name = s.name;
    f.type = s.type;
    f.offset = offset;
    f.length = s.length;
    f.decimals = s.decimals;
    f.stored_length = static_cast<uint8_t>(s.length);
    f.stored_decimals = static_cast<uint8_t>(s.decimals);
    f.kind = KindOf(s);
    fields.push_back(f);
    offset += s.length;
  }
  return fields;
}

// A live record: numbers right-aligned, everything else left-aligned, each padded with blanks
// and cut to its field's length. Fields without a value stay blank.
inline std::vector<uint8_t> MakeRecord(const FieldList& fields,
                                       const std::vector<std::string>& values) {
  size_t span = 1;
  for (const FieldDef& f : fields)
    span = std::max<size_t>(span, f.offset + f.length);
  std::vector<uint8_t> record(span, ' ');
  for (size_t i = 0; i < values.size() && i < fields.size(); ++i) {
    const FieldDef& f = fields[i];
    std::string v = values[i].substr(0, f.length);
    const bool right = f.type == 'N' || f.type == 'F';
    const size_t at = f.offset + (right ? f.length - v.size() : 0);
    for (size_t k = 0; k < v.size(); ++k)
      record[at + k] = static_cast<uint8_t>(v[k]);
  }
  return record;
}

}  // namespace erm::dbf::testing
