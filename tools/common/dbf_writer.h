// Builds dBase table files as bytes: for the demo planner, the benchmarks and the tests. The
// program itself never writes a table; this is the planner's side of the format, kept small.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace erm::tools {

struct WriterField {
  std::string name;
  char type = 'C';
  uint8_t length = 10;
  uint8_t decimals = 0;
};

class DbfWriter {
 public:
  // version 0x03/0x83/0x8B write the 32-byte layout, 0x04/0x8C the 68/48-byte one.
  explicit DbfWriter(std::vector<WriterField> fields, uint8_t version = 0x03,
                     uint8_t language_driver = 0, std::string language_driver_name = "");

  // One value per field, as text: C values are padded with blanks on the right, N and F values
  // on the left (right-aligned), everything else on the right; longer values are cut.
  void AddRecord(const std::vector<std::string>& values, bool deleted = false);
  // A record given as its raw bytes after the deletion flag, padded or cut to the record length.
  void AddRawRecord(const std::string& bytes, char flag = ' ');

  uint16_t HeaderLength() const;
  uint16_t RecordLength() const;
  size_t RecordCount() const { return records_.size(); }

  // The whole file; with `eof_marker` the usual 0x1A follows the last record.
  std::string Bytes(bool eof_marker = true) const;

 private:
  std::vector<WriterField> fields_;
  uint8_t version_;
  uint8_t language_driver_;
  std::string language_driver_name_;
  std::vector<std::string> records_;
};

}  // namespace erm::tools
