// What a table says about one of its fields, once its descriptor has been read and normalised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace erm::dbf {

// How a field's bytes are read; decided at Open from the type letter, the stored length and
// decimal count and UseFloatFields.
enum class ValueKind {
  kText,            // C
  kSmallInt,        // N, F without decimals, length <= 4
  kInteger,         // N, F without decimals, 4 < length <= 9, UseFloatFields false
  kLargeInt,        // N, F without decimals, length > 9, UseFloatFields false
  kFloat,           // N, F otherwise
  kBinaryDouble,    // O
  kBinaryInteger,   // I
  kAutoIncrement,   // +
  kBoolean,         // L
  kDate,            // D
  kBinaryDateTime,  // @
  kTextDateTime,    // T
  kMemo,            // M
  kBinary,          // B
  kObject,          // G
};

struct FieldDef {
  std::string name;  // upper case, unique within the table
  char type = 'C';   // upper case
  uint32_t offset = 0;    // first byte in the record (the deletion flag is byte 0)
  uint32_t length = 0;    // normalised: the number of bytes value reading looks at
  uint32_t decimals = 0;  // normalised
  uint8_t stored_length = 0;
  uint8_t stored_decimals = 0;
  ValueKind kind = ValueKind::kText;
};

using FieldList = std::vector<FieldDef>;

}  // namespace erm::dbf
