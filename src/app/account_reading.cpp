#include "app/account_reading.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "app/appointment_file.h"
#include "app/due_list.h"
#include "platform/error.h"
#include "platform/text_file.h"

namespace erm::app {
namespace {

// A record the walk passed in the table's order: a due one by its TERMINDATU text, or one whose
// TERMINDATU is no number, by the reason.
struct WalkedRecord {
  bool due;
  std::string text;
};

// What the walk of a table found before its appointment files are read.
struct DueRecords {
  std::vector<ScanProblem> problems;  // come before those of the records
  std::vector<WalkedRecord> records;
  std::optional<std::string> failure;  // the rest of the table could not be read
};

// Appended piece by piece: GCC 12 at -O3 takes `"'" + std::string&&` for an overlapping copy
// (-Wrestrict) and the release build treats warnings as errors.
std::string NotANumberMessage(const std::string& text) {
  std::string message = "'";
  message += text;
  message += "' ist kein g\xFCltiger Gleitkommawert";
  return message;
}

// TERMINDATU text + " [" + account + "] " + text, made in one piece: a scan makes one for every
// due appointment line.
std::string DueEntry(std::string_view termin_text, std::string_view account,
                     std::string_view text) {
  std::string entry;
  entry.reserve(termin_text.size() + account.size() + text.size() + 4);
  entry += termin_text;
  entry += " [";
  entry += account;
  entry += "] ";
  entry += text;
  return entry;
}

DueRecords WalkTable(platform::System& system, dbf::TDbfTable& table, const std::string& account,
                     double key_number) {
  DueRecords walk;
  try {
    table.Open();
  } catch (const Error& e) {
    // An account without a table has no appointments to lose; one whose table is there but
    // does not open (locked, damaged) may have lost any of them.
    walk.problems.push_back(
        {account, e.message(), system.FileExists(table.FilePath() + table.TableName())});
    return walk;
  }
  // The walk notes its due records and its problems in the order met; the appointment files are
  // read after it, in that order, with the table closed: the table's window and the file
  // system's caches stay warm for each in turn, and the planner's table is let go sooner.
  // A table that fails in the middle of its walk loses the rest of its records, not the scan.
  try {
    const int64_t passing = table.CountVisibleRecords();
    if (passing > 0) {
      table.First();
      // Another program may have changed the table since it was counted: once the walk finds
      // no further record, the last one is not read again, which would list it twice.
      for (int64_t r = 0; r < passing && !table.Eof(); ++r) {
        dbf::TField& field = table.GetField("TERMINDATU");
        double termin = 0;
        bool is_number = true;
        try {
          termin = field.AsNumber();
        } catch (const Error& e) {
          walk.records.push_back({false, e.message()});
          is_number = false;
        }
        // A binary double may hold NaN, which fails every comparison: the record would vanish
        // without a word, so it is reported like a text that is no number.
        if (is_number && std::isnan(termin)) {
          walk.records.push_back({false, NotANumberMessage(field.AsText())});
          is_number = false;
        }
        if (is_number && termin >= key_number) walk.records.push_back({true, field.AsText()});
        table.Next();
      }
    }
  } catch (const Error& e) {
    walk.failure = e.message();
  }
  for (const int64_t recno : table.LockedRecords()) {
    walk.problems.push_back({account, "Datensatz " + std::to_string(recno) + " gesperrt", false});
    walk.problems.back().retry_soon = true;
  }
  table.Close();
  return walk;
}

}  // namespace

AccountReading ReadAccount(platform::System& system, dbf::TDbfTable& table,
                           const std::string& planner_directory, const std::string& account,
                           double key_number) {
  DueRecords due = WalkTable(system, table, account, key_number);
  AccountReading reading;
  reading.problems = std::move(due.problems);
  const auto problem = [&reading, &account](std::string message, bool whole_account) {
    reading.problems.push_back({account, std::move(message), whole_account});
  };
  const std::string folder = planner_directory + "konten\\" + account + "\\termine\\";
  // Opened once for all of the account's files, at the first of them.
  std::unique_ptr<platform::Folder> termine;
  for (WalkedRecord& record : due.records) {
    if (!record.due) {
      problem(std::move(record.text), false);
      continue;
    }
    const std::string name = record.text + ".trm";
    if (!termine) termine = system.OpenFolder(folder);
    try {
      for (const std::string& text : ReadAppointmentTexts(system, *termine, name))
        reading.entries.push_back(DueEntry(record.text, account, text));
    } catch (const Error& e) {
      // One unreadable file must not stop reminding: the record is left out, the scan goes on.
      problem(folder + name + ": " + e.message(), false);
      reading.problems.back().retry_soon =
          platform::IsPassingHold(e, platform::HeldStep::kOpenOrRead);
    }
  }
  if (due.failure) problem(std::move(*due.failure), true);
  DueList::SortEntries(reading.entries);
  return reading;
}

}  // namespace erm::app
