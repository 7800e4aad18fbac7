#include "app/reminder_scan.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "app/appointment_file.h"
#include "app/date_key.h"
#include "app/scan_schedule.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/text_file.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"

namespace erm::app {
namespace {

// Leaves the flag set for the tick's length, also when the tick ends by an error.
class RunningGuard {
 public:
  explicit RunningGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningGuard() { flag_ = false; }
  RunningGuard(const RunningGuard&) = delete;
  RunningGuard& operator=(const RunningGuard&) = delete;

 private:
  bool& flag_;
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

}  // namespace

std::string ReminderScan::StatusCaption(int k, int n, const std::string& account) {
  return " Pr\xFC"
         "fe " +
         std::to_string(k) + "/" + std::to_string(n) + ":  " + account + "...";
}

std::string ReminderScan::UnreachableMessage(const std::string& planner_directory) {
  return "Planer nicht erreichbar: " + settings::KontenFolder(planner_directory);
}

std::string ReminderScan::ReminderFilter(const std::string& date_key) {
  return "ERINNERUNG<='" + date_key + "'";
}

bool ReminderScan::Timer1Timer() {
  if (running_) return false;
  if (state_.planner_directory == settings::kNoPathMarker) return false;
  RunningGuard guard(running_);

  // The scan goes on with the account list as it stands when the discovery fails.
  const settings::KontenListing listing = host_.DirSearch();
  listing_failed_ = !listing.complete;
  read_through_ = listing.planner_directory;
  host_.DisableScanTimer(kScanIntervalMs);
  state_.today_count = 0;
  state_.today_entries.clear();
  state_.notice_text.clear();
  problems_.clear();
  // An empty tree must not pass for a day without appointments when nothing could be read.
  if (listing_failed_) problems_.push_back({"", UnreachableMessage(state_.planner_directory)});
  host_.ShowScanActivity();
  due_list_.Clear();

  const std::string date_key = DateKey(system_.Now());
  // One reading of the clock for both forms of the key: a scan across midnight must not filter
  // by one day and compare with another.
  const double key_number = DateKeyNumber(date_key);
  const settings::AccountList& accounts = host_.Accounts();
  std::vector<std::string> chosen_accounts;
  for (int i = 0; i < accounts.Count(); ++i) {
    if (accounts.Selected(i)) chosen_accounts.push_back(accounts.Item(i));
  }
  const int chosen = static_cast<int>(chosen_accounts.size());
  host_.SetProgressRange(chosen, 1);

  // Each account is read as a step while its pause runs; the results go into the due list in the
  // accounts' order.
  const std::string planner_directory = read_through_;
  dbf::TDbfTable& own_table = host_.ReminderTable();
  SortedRuns found;
  for (size_t k = 0; k < chosen_accounts.size(); ++k) {
    const std::string& account = chosen_accounts[k];
    host_.SetStatusCaption(StatusCaption(static_cast<int>(k) + 1, chosen, account));
    host_.StepProgress();
    PrepareTable(own_table, planner_directory, account, date_key);
    // The step walks a table of its own, which it keeps alive should the waiting end first.
    auto table = std::make_shared<dbf::TDbfTable>(own_table.Name(), system_);
    table->TakePropertiesOf(own_table);
    // The walk and then the due records' files, in one step that ticks after each: the waiting
    // allows the table, and then each file, the patience of a step of its own.
    auto account_walk = std::make_shared<AccountWalk>();
    const bool started = steps_.Start([this, table, account_walk, planner_directory, account,
                                       key_number, tick = steps_.Ticker()] {
      TableWalk table_walk = WalkTable(*table, account, key_number);
      tick();
      *account_walk = ReadDueFiles(std::move(table_walk), planner_directory, account, tick);
    });
    host_.Pause(kAccountPauseMs);
    AccountWalk walk;
    if (started && steps_.Wait() == PlannerSteps::Outcome::kDone) {
      walk = std::move(*account_walk);
    } else {
      walk.problems.push_back({account, kNoAnswerMessage});
    }
    problems_.insert(problems_.end(), std::make_move_iterator(walk.problems.begin()),
                     std::make_move_iterator(walk.problems.end()));
    // An account's entries join those of the accounts before it by merges of sorted runs, not
    // by one insertion each; the order is that of adding them one by one.
    found.Add(std::move(walk.entries));
  }
  due_list_.AddSorted(found.Take());
  steps_.Retire();

  host_.Pause(kFinalPauseMs);
  host_.EndScanActivity();
  last_notice_ = PresentDueList(system_, state_, due_list_, key_number, host_);
  const platform::LocalTime end = system_.Now();
  // A notice held open past midnight: the tree still shows yesterday as today.
  const bool day_changed = DateKey(end) != date_key;
  const uint32_t next = day_changed ? kEarlyScanDelayMs : NextScanInterval(end, RetrySoon());
  // The timer is still off here: this only brings the next scan forward.
  if (next != kScanIntervalMs) host_.DisableScanTimer(next);
  host_.EnableScanTimer();
  return true;
}

bool ReminderScan::RetrySoon() const {
  if (listing_failed_) return true;
  return std::any_of(problems_.begin(), problems_.end(),
                     [](const ScanProblem& p) { return p.whole_account || p.retry_soon; });
}

void ReminderScan::PrepareTable(dbf::TDbfTable& table, const std::string& planner_directory,
                                const std::string& account, const std::string& date_key) {
  table.Close();
  table.SetTableName(kReminderTableName);
  table.SetFilePath(planner_directory + "konten\\" + account + "\\");
  table.SetExclusive(false);
  // The scan never writes; asking for write access would only make read-only files and shares
  // unreadable.
  table.SetReadOnly(true);
  table.SetFilter(ReminderFilter(date_key));
  table.SetFiltered(true);
}

ReminderScan::TableWalk ReminderScan::WalkTable(dbf::TDbfTable& table, const std::string& account,
                                                double key_number) {
  TableWalk walk;
  const auto problem = [&walk, &account](std::string message, bool whole_account) {
    walk.problems.push_back({account, std::move(message), whole_account});
  };
  try {
    table.Open();
  } catch (const Error& e) {
    // An account without a table has no appointments to lose; one whose table is there but
    // does not open (locked, damaged) may have lost any of them.
    problem(e.message(), system_.FileExists(table.FilePath() + table.TableName()));
    return walk;
  }
  // The walk notes its due records and its problems in the order met; the appointment files are
  // read after it, in that order, with the table closed: the table's window and the file
  // system's caches stay warm for each in turn, and the planner's table is let go sooner.
  std::vector<Met>& met = walk.met;
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
          met.push_back({true, e.message()});
          is_number = false;
        }
        // A binary double may hold NaN, which fails every comparison: the record would vanish
        // without a word, so it is reported like a text that is no number.
        if (is_number && std::isnan(termin)) {
          met.push_back({true, NotANumberMessage(field.AsText())});
          is_number = false;
        }
        if (is_number && termin >= key_number) met.push_back({false, field.AsText()});
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

ReminderScan::AccountWalk ReminderScan::ReadDueFiles(TableWalk table_walk,
                                                     const std::string& planner_directory,
                                                     const std::string& account,
                                                     const std::function<void()>& tick) {
  AccountWalk walk;
  walk.problems = std::move(table_walk.problems);
  const auto problem = [&walk, &account](std::string message, bool whole_account) {
    walk.problems.push_back({account, std::move(message), whole_account});
  };
  const std::string folder = planner_directory + "konten\\" + account + "\\termine\\";
  // Opened once for all of the account's files, at the first of them.
  std::unique_ptr<platform::Folder> termine;
  for (Met& record : table_walk.met) {
    if (record.is_problem) {
      problem(std::move(record.text), false);
      continue;
    }
    const std::string name = record.text + ".trm";
    if (!termine) termine = system_.OpenFolder(folder);
    try {
      for (const std::string& text : ReadAppointmentTexts(system_, *termine, name))
        walk.entries.push_back(DueEntry(record.text, account, text));
      // Each file has the waiter's whole patience.
      tick();
    } catch (const Error& e) {
      // One unreadable file must not stop reminding: the record is left out, the scan goes on.
      problem(folder + name + ": " + e.message(), false);
      walk.problems.back().retry_soon = platform::IsPassingHold(e, platform::HeldStep::kOpenOrRead);
    }
  }
  if (table_walk.failure) problem(std::move(*table_walk.failure), true);
  DueList::SortEntries(walk.entries);
  return walk;
}

}  // namespace erm::app
