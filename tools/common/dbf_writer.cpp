#include "common/dbf_writer.h"

#include <algorithm>

namespace erm::tools {
namespace {

bool Uses48ByteLayout(uint8_t version) { return (version & 0x07) == 4; }

void PutLe16(std::string* out, size_t at, uint32_t value) {
  (*out)[at] = static_cast<char>(value & 0xFF);
  (*out)[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutLe32(std::string* out, size_t at, uint32_t value) {
  PutLe16(out, at, value & 0xFFFF);
  PutLe16(out, at + 2, value >> 16);
}

}  // namespace

DbfWriter::DbfWriter(std::vector<WriterField> fields, uint8_t version, uint8_t language_driver,
                     std::string language_driver_name)
    : fields_(std::move(fields)),
      version_(version),
      language_driver_(language_driver),
      language_driver_name_(std::move(language_driver_name)) {}

uint16_t DbfWriter::HeaderLength() const {
  const size_t block = Uses48ByteLayout(version_) ? 68 : 32;
  const size_t descriptor = Uses48ByteLayout(version_) ? 48 : 32;
  return static_cast<uint16_t>(block + fields_.size() * descriptor + 1);
}

uint16_t DbfWriter::RecordLength() const {
  size_t length = 1;
  for (const WriterField& f : fields_) length += f.length;
  return static_cast<uint16_t>(length);
}

void DbfWriter::AddRecord(const std::vector<std::string>& values, bool deleted) {
  std::string record;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const WriterField& f = fields_[i];
    std::string value = i < values.size() ? values[i] : std::string();
    if (value.size() > f.length) value.resize(f.length);
    const std::string pad(f.length - value.size(), ' ');
    const bool right_aligned = f.type == 'N' || f.type == 'F';
    record += right_aligned ? pad + value : value + pad;
  }
  AddRawRecord(record, deleted ? '*' : ' ');
}

void DbfWriter::AddRawRecord(const std::string& bytes, char flag) {
  std::string record(1, flag);
  record += bytes;
  record.resize(RecordLength(), ' ');
  records_.push_back(record);
}

std::string DbfWriter::Bytes(bool eof_marker) const {
  const bool wide = Uses48ByteLayout(version_);
  const size_t block = wide ? 68 : 32;
  const size_t descriptor = wide ? 48 : 32;
  std::string out(HeaderLength(), '\0');
  out[0] = static_cast<char>(version_);
  out[1] = 126;  // 2026
  out[2] = 12;
  out[3] = 7;
  PutLe32(&out, 4, static_cast<uint32_t>(records_.size()));
  PutLe16(&out, 8, HeaderLength());
  PutLe16(&out, 10, RecordLength());
  out[29] = static_cast<char>(language_driver_);
  if (wide) {
    std::copy_n(language_driver_name_.begin(), std::min<size_t>(32, language_driver_name_.size()),
                out.begin() + 32);
  }
  for (size_t i = 0; i < fields_.size(); ++i) {
    const WriterField& f = fields_[i];
    const size_t at = block + i * descriptor;
    const size_t name_width = wide ? 32 : 11;
    std::copy_n(f.name.begin(), std::min(name_width, f.name.size()), out.begin() + at);
    out[at + (wide ? 32 : 11)] = f.type;
    out[at + (wide ? 33 : 16)] = static_cast<char>(f.length);
    out[at + (wide ? 34 : 17)] = static_cast<char>(f.decimals);
  }
  out[HeaderLength() - 1] = 0x0D;
  for (const std::string& record : records_) out += record;
  if (eof_marker) out += '\x1A';
  return out;
}

}  // namespace erm::tools
