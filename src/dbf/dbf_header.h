// The header of a dBase table file: the fixed block at its start and the field descriptors after
// it, parsed from bytes alone. Every length taken from the bytes is checked against the bytes
// there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dbf/field_def.h"

namespace erm::dbf {

inline constexpr char kInvalidDbfFile[] = "Invalid DBF file.";
inline constexpr size_t kHeaderStartSize = 32;
inline constexpr size_t kMaxFieldCount = 4095;

enum class TableVariant { kDBase3, kDBase4, kDBase7, kVisualFoxPro, kFoxPro };

// What the first 32 bytes say.
struct HeaderStart {
  TableVariant variant = TableVariant::kDBase3;
  uint8_t version = 0;
  uint32_t stored_record_count = 0;  // not used: the count comes from the file size
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  bool production_index = false;
  uint8_t language_driver_id = 0;
};

// Throws Error(kInvalidDbfFile) for fewer than 32 bytes or an unknown version byte, and Abort
// when the record length or the header length is 0.
HeaderStart ParseHeaderStart(const uint8_t* bytes, size_t size);

// The header block before the descriptors and the size of one descriptor, by variant.
size_t HeaderBlockSize(TableVariant variant);
size_t DescriptorSize(TableVariant variant);

struct HeaderFields {
  FieldList fields;             // in descriptor order, hidden fields left out, names unique
  size_t descriptor_count = 0;  // descriptors read, hidden ones included
  bool has_memo = false;        // an M, B or G field: the table has a memo file
};

// Reads the descriptors from the whole header (`size` is the number of header bytes there
// are). Throws Error(kInvalidDbfFile) for a descriptor that is not there or not valid, and
// Error("Invalid field count: ...") beyond 4095 fields.
HeaderFields ParseFieldDescriptors(const HeaderStart& start, const uint8_t* header, size_t size,
                                   bool use_float_fields);

// The language driver name of the 48-byte-descriptor layout: header bytes 32-63, up to the first
// NUL. Empty for the other layouts or when the bytes are not there.
std::string LanguageDriverName(const HeaderStart& start, const uint8_t* header, size_t size);

}  // namespace erm::dbf
