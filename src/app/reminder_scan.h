// The reminder scan, the work of each tick of the scan timer: the due appointments of the chosen
// accounts into the due list, then the presentation, then the timer armed for the next hour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/due_list.h"
#include "app/presentation.h"
#include "app/program_state.h"
#include "app/scan_host.h"
#include "platform/system.h"

namespace erm::app {

inline constexpr uint32_t kScanIntervalMs = 3600000;
inline constexpr uint32_t kAccountPauseMs = 800;
inline constexpr uint32_t kFinalPauseMs = 1000;
inline constexpr char kReminderTableName[] = "erinnerung.dbf";

// Something the last scan had to leave out; the main window shows it, the tools list it.
struct ScanProblem {
  // Empty for the planner's konten folder itself.
  std::string account;
  std::string message;
  // The account's table could not be read, at all or to its end, so that any number of its
  // appointments may be missing; otherwise one appointment was left out.
  bool whole_account = true;
  // Left out because another program held a record or a file past our patience: the next scan
  // comes in minutes, as after a skipped account.
  bool retry_soon = false;
};

class ReminderScan {
 public:
  ReminderScan(platform::System& system, ProgramState& state, ScanHost& host)
      : system_(system), state_(state), host_(host) {}

  // One tick. Does nothing while the planner directory is the no-path marker, or while another
  // tick is still inside its notice dialog; returns whether it scanned.
  bool Timer1Timer();

  // True from the timer's switching off to its switching on again.
  bool Running() const { return running_; }
  const DueList& Due() const { return due_list_; }
  const std::vector<ScanProblem>& Problems() const { return problems_; }
  // The konten folder could not be listed in the last scan, at all or to its end.
  bool ListingFailed() const { return listing_failed_; }
  // The planner directory the last scan read through: the chosen one, or the network path of
  // a drive letter Windows had not reconnected yet.
  const std::string& ReadThrough() const { return read_through_; }
  NoticeKind LastNotice() const { return last_notice_; }

  // "Planer nicht erreichbar: " + the konten folder.
  static std::string UnreachableMessage(const std::string& planner_directory);
  // " Pruefe k/n:  account..." with the umlaut, as Label1 shows it.
  static std::string StatusCaption(int k, int n, const std::string& account);
  // "ERINNERUNG<='" + date key + "'".
  static std::string ReminderFilter(const std::string& date_key);

 private:
  // What the walk of an account found: its problems in the order met, and its due entries in
  // the due list's order.
  struct AccountWalk {
    std::vector<ScanProblem> problems;
    std::vector<std::string> entries;
  };
  // Walks the account's table, then reads each due record's file, on the calling thread; touches
  // neither the host nor the scan's results, so that it may run on a second thread.
  AccountWalk WalkAccount(dbf::TDbfTable& table, const std::string& planner_directory,
                          const std::string& account, const std::string& date_key,
                          double key_number);
  // After a failed listing or a skipped account the next scan comes in minutes, not in an hour.
  bool RetrySoon() const;

  platform::System& system_;
  ProgramState& state_;
  ScanHost& host_;
  DueList due_list_;
  std::vector<ScanProblem> problems_;
  bool listing_failed_ = false;
  std::string read_through_;
  NoticeKind last_notice_ = NoticeKind::kNone;
  bool running_ = false;
};

}  // namespace erm::app
