// libFuzzer target for the table component: the input is a table file, optionally followed by
// the marker "\0FLT" and a filter text (the last marker splits). The table is opened shared in a
// simulated file system, counted and walked, and every field of every visited record is read as
// text and as number. Errors are expected; anything else (a crash, an over-read, a foreign
// exception) is a finding. A third pass reads while another program disturbs the file.
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

// Another program at work on the same file: reads that meet its locks, reads cut short, a read
// that fails, and records it appends or cuts away while the table is open. Which of these happen
// and when follows from the input's size, so that a finding replays.
void DisturbReads(erm::platform::SimSystem& sim, size_t seed) {
  sim.on_read = [&sim, seed, calls = size_t{0}, changes = 0](const std::string&, uint64_t,
                                                             size_t size) mutable {
    using Fault = erm::platform::SimSystem::ReadFault;
    Fault fault;
    ++calls;
    if (calls % 5 == seed % 5) {
      fault.kind = Fault::kLocked;
    } else if (calls % 7 == seed % 7) {
      fault.kind = Fault::kShort;
      fault.short_size = size / 2;
    } else if (calls == 40 + seed % 23) {
      fault.kind = Fault::kError;
      fault.message = "read failed";
    } else if (calls % 11 == 0 && changes < 3) {  // a few, so that every walk comes to an end
      ++changes;
      if (seed % 2 == 0) {
        sim.AppendToFile(kTable, std::string(seed % 97, static_cast<char>(seed)));
      } else {
        sim.TruncateFile(kTable, sim.ReadFileBytes(kTable).size() * 3 / 4);
      }
    }
    return fault;
  };
}

void Exercise(const std::string& table_bytes, const std::string& filter, bool show_deleted,
              bool use_float_fields, bool disturbed = false) {
  erm::platform::SimSystem sim;
  sim.PutFile(kTable, table_bytes);
  if (disturbed) DisturbReads(sim, table_bytes.size() + filter.size());
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
  int64_t count = 0;
  int64_t walked = 0;
  try {
    count = table.CountVisibleRecords();
    for (table.First(); !table.Eof(); table.Next()) {
      ReadEveryField(table);
      ++walked;
    }
  } catch (const erm::Error&) {
    if (!disturbed) std::abort();  // only a failed read may end a walk early
    return;
  }
  // Unless another program is at work, nothing changes the file between the two walks.
  if (!disturbed && walked != count) std::abort();
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
  Exercise(table, filter, false, true, true);
  return 0;
}
