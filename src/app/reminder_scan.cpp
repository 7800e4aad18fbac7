#include "app/reminder_scan.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include "app/date_key.h"
#include "app/scan_schedule.h"
#include "dbf/dbf_table.h"
#include "platform/scoped_flag.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"

namespace erm::app {

std::string ReminderScan::StatusCaption(int k, int n, const std::string& account) {
  return " Pr\xFC"
         "fe " +
         std::to_string(k) + "/" + std::to_string(n) + ":  " + account + "...";
}

std::string ReminderScan::UnreachableMessage(const std::string& planner_directory) {
  return "Planer nicht erreichbar: " + settings::KontenFolder(planner_directory);
}

// A reminder is due from the first scan of its day: the planner stamps it with a time of day,
// and one stamped 10:30 for an appointment at 11:00 would otherwise pass only on the next day,
// when the appointment has gone.
std::string ReminderScan::ReminderFilter(const std::string& date_key) {
  return "ERINNERUNG<='" + DayEndKey(date_key) + "'";
}

bool ReminderScan::Timer1Timer() {
  if (running_) return false;
  if (state_.planner_directory == settings::kNoPathMarker) return false;
  platform::ScopedFlag running(running_);

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
  no_account_chosen_ = !listing_failed_ && chosen == 0;
  host_.SetProgressRange(chosen, 1);

  // Each account is one bounded read after its pause; the results go into the due list in the
  // accounts' order.
  const std::string planner_directory = read_through_;
  SortedRuns found;
  for (size_t k = 0; k < chosen_accounts.size(); ++k) {
    const std::string& account = chosen_accounts[k];
    host_.SetStatusCaption(StatusCaption(static_cast<int>(k) + 1, chosen, account));
    host_.StepProgress();
    host_.Pause(kAccountPauseMs);
    AccountReading reading = ReadAccountBounded(planner_directory, account, date_key, key_number);
    problems_.insert(problems_.end(), std::make_move_iterator(reading.problems.begin()),
                     std::make_move_iterator(reading.problems.end()));
    // An account's entries join those of the accounts before it by merges of sorted runs, not
    // by one insertion each; the order is that of adding them one by one.
    found.Add(std::move(reading.entries));
  }
  due_list_.AddSorted(found.Take());

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

AccountReading ReminderScan::ReadAccountBounded(const std::string& planner_directory,
                                                const std::string& account,
                                                const std::string& date_key, double key_number) {
  dbf::TDbfTable& own_table = host_.ReminderTable();
  PrepareTable(own_table, planner_directory, account, date_key);
  // The read walks a table of its own and writes into a result of its own, both of which it
  // keeps alive should the waiting end first; of the scan it holds nothing.
  auto table = std::make_shared<dbf::TDbfTable>(own_table.Name(), system_);
  table->TakePropertiesOf(own_table);
  auto reading = std::make_shared<AccountReading>();
  const platform::BoundedReadOutcome outcome = system_.RunBounded(
      [&system = system_, table, reading, planner_directory, account, key_number] {
        *reading = ReadAccount(system, *table, planner_directory, account, key_number);
      },
      read_patience_ms_);
  switch (outcome) {
    case platform::BoundedReadOutcome::kDone:
      return std::move(*reading);
    case platform::BoundedReadOutcome::kNoAnswer:
      return AccountReading{{{account, kNoAnswerMessage}}, {}};
    case platform::BoundedReadOutcome::kNotTried:
      break;
  }
  return AccountReading{{{account, kNotTriedMessage}}, {}};
}

}  // namespace erm::app
