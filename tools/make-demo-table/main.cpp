// make-demo-table: writes a small reminder table as the planner keeps one, with reminder and
// appointment times around today, so that the reminder module and dbfcat have something to show.
//
//   make-demo-table FILE
#include <cstdio>
#include <string>

#include "common/dbf_writer.h"
#include "platform/local_time.h"
#include "platform/posix/posix_system.h"

namespace {

using erm::platform::AddDays;
using erm::platform::LocalTime;

// "yyyymmddhhmmss" of the day `days` from today at the given time.
std::string Stamp(const LocalTime& today, int days, int hour, int minute) {
  const LocalTime t = AddDays(today, days);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d00", t.year, t.month, t.day, hour, minute);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make-demo-table FILE\n", stderr);
    return 2;
  }
  erm::platform::PosixSystem system;
  const LocalTime today = system.Now();
  erm::tools::DbfWriter table(
      {{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"BETREFF", 'C', 30}});
  // Due today: reminded this morning or days ago.
  table.AddRecord({Stamp(today, 0, 0, 0), Stamp(today, 0, 10, 30), "Zahnarzt"});
  table.AddRecord({Stamp(today, -3, 8, 0), Stamp(today, 0, 18, 0), "Elternabend"});
  // Due in the coming days, reminded already.
  table.AddRecord({Stamp(today, -1, 0, 0), Stamp(today, 1, 9, 15), "Werkstatt"});
  table.AddRecord({Stamp(today, -7, 0, 0), Stamp(today, 4, 14, 0), "Geburtstag Oma"});
  // Reminded, but the appointment has passed.
  table.AddRecord({Stamp(today, -5, 0, 0), Stamp(today, -2, 11, 0), "Friseur"});
  // Not reminded yet: the reminder lies after today's start.
  table.AddRecord({Stamp(today, 2, 0, 0), Stamp(today, 9, 16, 0), "Steuererkl\xE4rung"});
  // Deleted in the planner.
  table.AddRecord({Stamp(today, -1, 0, 0), Stamp(today, 2, 12, 0), "abgesagt"}, true);

  const std::string bytes = table.Bytes();
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
      std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
