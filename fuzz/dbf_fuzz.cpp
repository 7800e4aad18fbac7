// libFuzzer target for the table component: the input is a table file, optionally followed by
// the marker "\0FLT" and a filter text (the last marker splits). The table is opened shared in a
// simulated file system, counted and walked, and every field of every visited record is read as
// text and as number. Errors are expected; anything else (a crash, an over-read, a foreign
// exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/sim/sim_system.h"

namespace {

constexpr std::string_view kMarker("\0FLT", 4);
constexpr char kTable[] = "C:\\Daten\\erinnerung.dbf";

void ReadEveryField(erm::dbf::TDbfTable& table) {
  for (const erm::dbf::FieldDef& def : table.Fields()) {
    erm::dbf::TField& field = table.GetField(def.name);
    (void)field.AsText();
    (void)field.IsBlank();
    try {
      (void)field.AsNumber();
    } catch (const erm::Error&) {
      // A text that is no number.
    }
  }
}

void Exercise(const std::string& table_bytes, const std::string& filter, bool show_deleted,
              bool use_float_fields) {
  erm::platform::SimSystem sim;
  sim.PutFile(kTable, table_bytes);
  sim.PutFile("C:\\Daten\\erinnerung.dbt", std::string(512, '\0'));
  erm::dbf::TDbfTable table("Dbf_erinnerung", sim);
  table.SetTableName(kTable);
  table.SetShowDeleted(show_deleted);
  table.SetUseFloatFields(use_float_fields);
  table.SetFilter(filter);
  table.SetFiltered(!filter.empty());
  try {
    table.Open();
  } catch (const erm::Error&) {
    return;
  }
  ReadEveryField(table);
  const int64_t count = table.CountVisibleRecords();
  int64_t walked = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    ReadEveryField(table);
    ++walked;
  }
  // Nothing changes the file between the two walks, so they must agree.
  if (walked != count) std::abort();
  table.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t marker = input.rfind(kMarker);
  std::string table(input), filter;
  if (marker != std::string_view::npos) {
    table = std::string(input.substr(0, marker));
    filter = std::string(input.substr(marker + kMarker.size()));
  }
  Exercise(table, filter, false, true);
  Exercise(table, filter, true, false);
  return 0;
}
