// dBase III and IV tables describe each field in 32 bytes after a 32-byte block; dBase 7 uses
// 48-byte descriptors after a 68-byte block. The descriptor list ends with 0x0D, but the header
// length alone bounds it: a missing terminator ends the list where the header ends.
#include "dbf/dbf_header.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "dbf/byte_cursor.h"
#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

constexpr uint8_t kDescriptorEnd = 0x0D;
constexpr char kLockFieldName[] = "_DBASELOCK";

TableVariant VariantOf(uint8_t version, uint8_t language_driver_id) {
  if ((version & 0x07) == 3) {
    return language_driver_id == 0 ? TableVariant::kDBase3 : TableVariant::kDBase4;
  }
  if ((version & 0x07) == 4) return TableVariant::kDBase7;
  if (version == 0x30) return TableVariant::kVisualFoxPro;
  if (version == 0xF5) return TableVariant::kFoxPro;
  throw Error(kInvalidDbfFile);
}

bool IsFoxPro(TableVariant variant) {
  return variant == TableVariant::kVisualFoxPro || variant == TableVariant::kFoxPro;
}

std::optional<ValueKind> KindOf(char type, uint8_t length, uint8_t decimals,
                                bool use_float_fields) {
  switch (type) {
    case 'C':
      return ValueKind::kText;
    case 'N':
    case 'F':
      if (decimals > 0) return ValueKind::kFloat;
      if (length <= 4) return ValueKind::kSmallInt;
      if (use_float_fields) return ValueKind::kFloat;
      return length <= 9 ? ValueKind::kInteger : ValueKind::kLargeInt;
    case 'O':
      return ValueKind::kBinaryDouble;
    case 'I':
      return ValueKind::kBinaryInteger;
    case '+':
      return ValueKind::kAutoIncrement;
    case 'L':
      return ValueKind::kBoolean;
    case 'D':
      return ValueKind::kDate;
    case '@':
      return ValueKind::kBinaryDateTime;
    case 'T':
      return ValueKind::kTextDateTime;
    case 'M':
      return ValueKind::kMemo;
    case 'B':
      return ValueKind::kBinary;
    case 'G':
      return ValueKind::kObject;
    default:
      return std::nullopt;
  }
}

// The number of bytes value reading looks at, and the decimal count that goes with it.
void Normalise(FieldDef* f) {
  switch (f->type) {
    case 'C':
      f->length = f->stored_length == 255 ? 254 : f->stored_length;
      f->decimals = 0;
      break;
    case 'N':
    case 'F': {
      f->length = std::min<uint32_t>(f->stored_length, 20);
      const int most = static_cast<int>(f->length) - 2;
      f->decimals = static_cast<uint32_t>(std::max(0, std::min<int>(f->stored_decimals, most)));
      break;
    }
    case 'D':
    case '@':
    case 'O':
      f->length = 8;
      f->decimals = 0;
      break;
    case 'L':
      f->length = 1;
      f->decimals = 0;
      break;
    case 'M':
    case 'B':
    case 'G':
      f->length = 10;
      f->decimals = 0;
      break;
    case 'I':
    case '+':
      f->length = 4;
      f->decimals = 0;
      break;
    default:
      f->length = f->stored_length;
      f->decimals = f->stored_decimals;
      break;
  }
}

std::string UpToNul(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  return std::string(nul == std::string_view::npos ? bytes : bytes.substr(0, nul));
}

// A second field of the same name gets "2" appended to the name as stored, a third "3", and so on.
// `next_suffix` remembers per name where the search ended: the names before it are taken and
// stay taken, so a header of two thousand equal names costs no two million tries.
std::string UniqueName(const std::string& name, const std::set<std::string>& taken,
                       std::map<std::string, size_t>& next_suffix) {
  if (taken.count(name) == 0) return name;
  size_t& k = next_suffix.try_emplace(name, 2).first->second;
  for (;; ++k) {
    std::string candidate = name + std::to_string(k);
    if (taken.count(candidate) == 0) return candidate;
  }
}

}  // namespace

HeaderStart ParseHeaderStart(const uint8_t* bytes, size_t size) {
  if (size < kHeaderStartSize) throw Error(kInvalidDbfFile);
  ByteCursor cursor(bytes, size, kInvalidDbfFile);
  HeaderStart start;
  start.version = cursor.U8();
  start.language_driver_id = cursor.PeekAt(29);
  start.variant = VariantOf(start.version, start.language_driver_id);
  cursor.Skip(3);  // date of the last update
  start.stored_record_count = cursor.Le32();
  start.header_length = cursor.Le16();
  start.record_length = cursor.Le16();
  start.production_index = cursor.PeekAt(28) != 0;
  if (start.record_length == 0 || start.header_length == 0) throw Abort();
  return start;
}

size_t HeaderBlockSize(TableVariant variant) {
  return variant == TableVariant::kDBase7 ? 68 : 32;
}

size_t DescriptorSize(TableVariant variant) {
  return variant == TableVariant::kDBase7 ? 48 : 32;
}

HeaderFields ParseFieldDescriptors(const HeaderStart& start, const uint8_t* header, size_t size,
                                   bool use_float_fields) {
  const bool wide = start.variant == TableVariant::kDBase7;
  const size_t block = HeaderBlockSize(start.variant);
  const size_t descriptor_size = DescriptorSize(start.variant);
  const size_t name_width = wide ? 32 : 11;
  const size_t type_at = wide ? 32 : 11;
  const size_t length_at = wide ? 33 : 16;
  const size_t decimals_at = wide ? 34 : 17;
  ByteCursor cursor(header, std::min<size_t>(size, start.header_length), kInvalidDbfFile);
  // Descriptor 1 is read even when the header claims room for none; it must then still be there.
  const size_t declared =
      start.header_length > block ? (start.header_length - block) / descriptor_size : 0;

  HeaderFields result;
  std::set<std::string> taken;
  std::map<std::string, size_t> next_suffix;
  uint32_t offset = 1;
  for (size_t i = 1;; ++i) {
    cursor.Seek(block + (i - 1) * descriptor_size);
    const std::string_view d = cursor.Bytes(descriptor_size);
    FieldDef f;
    f.name = UpToNul(d.substr(0, name_width));
    for (char& c : f.name)
      c = platform::AsciiUpper(c);
    f.type = platform::AsciiUpper(d[type_at]);
    f.stored_length = static_cast<uint8_t>(d[length_at]);
    f.stored_decimals = static_cast<uint8_t>(d[decimals_at]);
    f.offset = offset;
    offset += f.stored_length;
    if (f.name.empty()) throw Error(kInvalidDbfFile);
    // FoxPro keeps the null flags of its nullable fields in a hidden field of type "0".
    const bool null_flags = IsFoxPro(start.variant) && f.type == '0';
    if (!null_flags) {
      const std::optional<ValueKind> kind =
          KindOf(f.type, f.stored_length, f.stored_decimals, use_float_fields);
      if (!kind) throw Error(kInvalidDbfFile);
      f.kind = *kind;
    }
    if (!null_flags && f.name != kLockFieldName) {
      Normalise(&f);
      if (f.type == 'M' || f.type == 'B' || f.type == 'G') result.has_memo = true;
      f.name = UniqueName(f.name, taken, next_suffix);
      taken.insert(f.name);
      result.fields.push_back(std::move(f));
    }
    result.descriptor_count = i;
    if (i >= declared || cursor.PeekAt(block + i * descriptor_size) == kDescriptorEnd) break;
  }
  if (result.descriptor_count > kMaxFieldCount) {
    throw Error("Invalid field count: " + std::to_string(result.descriptor_count) +
                " (must be between 1 and 4095).");
  }
  return result;
}

std::string LanguageDriverName(const HeaderStart& start, const uint8_t* header, size_t size) {
  if (start.variant != TableVariant::kDBase7 || size < 64) return std::string();
  return UpToNul(std::string_view(reinterpret_cast<const char*>(header) + 32, 32));
}

}  // namespace erm::dbf
