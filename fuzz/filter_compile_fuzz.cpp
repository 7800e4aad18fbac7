// Fuzzes the filter compiler: the input is a filter text, compiled against a field of every kind
// the language can read and then tested on a few records, the input's own bytes among them.
// Whatever compiles must give the same verdicts through the shortcut Open picks and through the
// general program.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "dbf/filter.h"
#include "dbf/filter_compiler.h"
#include "dbf/filter_program.h"
#include "platform/error.h"

namespace {

using erm::dbf::FieldDef;
using erm::dbf::FieldList;
using erm::dbf::ValueKind;

FieldList MakeFields() {
  struct Column {
    const char* name;
    char type;
    uint32_t length;
    uint32_t decimals;
    ValueKind kind;
  };
  const Column columns[] = {
      {"ERINNERUNG", 'C', 14, 0, ValueKind::kText},
      {"TERMINDATU", 'N', 14, 0, ValueKind::kFloat},
      {"TEXT", 'C', 254, 0, ValueKind::kText},
      {"ANZAHL", 'N', 4, 0, ValueKind::kSmallInt},
      {"MITTEL", 'N', 9, 0, ValueKind::kInteger},
      {"GROSS", 'N', 18, 0, ValueKind::kLargeInt},
      {"BETRAG", 'N', 10, 2, ValueKind::kFloat},
      {"ERLEDIGT", 'L', 1, 0, ValueKind::kBoolean},
      {"DATUM", 'D', 8, 0, ValueKind::kDate},
      {"ZEIT", 'T', 14, 0, ValueKind::kTextDateTime},
      {"STEMPEL", '@', 8, 0, ValueKind::kBinaryDateTime},
      {"NUMMER", 'I', 4, 0, ValueKind::kBinaryInteger},
      {"WERT", 'O', 8, 0, ValueKind::kBinaryDouble},
      {"NOTIZ", 'M', 10, 0, ValueKind::kMemo},
      {"LAUFNR", '+', 4, 0, ValueKind::kAutoIncrement},
      {"BILD", 'B', 10, 0, ValueKind::kBinary},
      {"OBJEKT", 'G', 10, 0, ValueKind::kObject},
      {"LEER", 'C', 0, 0, ValueKind::kText},
  };
  FieldList fields;
  uint32_t offset = 1;
  for (const Column& s : columns) {
    FieldDef f;
    f.name = s.name;
    f.type = s.type;
    f.offset = offset;
    f.length = s.length;
    f.decimals = s.decimals;
    f.stored_length = static_cast<uint8_t>(s.length);
    f.stored_decimals = static_cast<uint8_t>(s.decimals);
    f.kind = s.kind;
    fields.push_back(f);
    offset += s.length;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FieldList fields = MakeFields();
  static const size_t span = erm::dbf::RecordSpan(fields);
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::vector<std::vector<uint8_t>> records;
  records.emplace_back(span, ' ');
  records.emplace_back(span, 0);
  records.emplace_back(span, 0xFF);
  records.emplace_back(span, '9');
  std::vector<uint8_t> own(span, ' ');
  for (size_t i = 0; i < span && size > 0; ++i)
    own[i] = data[i % size];
  records.push_back(own);

  std::unique_ptr<erm::dbf::CompiledFilter> chosen;
  try {
    chosen = erm::dbf::CompiledFilter::Compile(text, fields, ',');
  } catch (const erm::Error&) {
    return 0;
  }
  erm::dbf::ProgramFilter general(erm::dbf::CompileProgram(text, fields, ','));
  for (const std::vector<uint8_t>& record : records) {
    if (chosen->Test(record.data()) != general.Test(record.data())) std::abort();
  }
  return 0;
}
