// The reminder scan, the work of each tick of the scan timer: the due appointments of the chosen
// accounts into the due list, then the presentation, then the timer armed for the next hour.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/due_list.h"
#include "app/planner_steps.h"
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

  // What a step of an account's input that outlasted the patience leaves in the tree.
  static constexpr char kNoAnswerMessage[] = "keine Antwort vom Server";
  // "Planer nicht erreichbar: " + the konten folder.
  static std::string UnreachableMessage(const std::string& planner_directory);
  // " Pruefe k/n:  account..." with the umlaut, as Label1 shows it.
  static std::string StatusCaption(int k, int n, const std::string& account);
  // "ERINNERUNG<='" + the last second of the date key's day + "'".
  static std::string ReminderFilter(const std::string& date_key);

  // The steps the planner's input runs in; the options dialog lists the konten folder in them.
  PlannerSteps& Steps() { return steps_; }

 private:
  // What the walk of an account's table met, in its order: problems, and the TERMINDATU texts
  // of the due records.
  struct Met {
    bool is_problem;
    std::string text;
  };
  struct TableWalk {
    std::vector<ScanProblem> problems;  // come before those met
    std::vector<Met> met;
    std::optional<std::string> failure;  // the rest of the table could not be read
  };
  // What the walk of an account found: its problems in the order met, and its due entries in
  // the due list's order.
  struct AccountWalk {
    std::vector<ScanProblem> problems;
    std::vector<std::string> entries;
  };
  // Closes the table and gives it the account's reminder table, shared, read-only, filtered.
  static void PrepareTable(dbf::TDbfTable& table, const std::string& planner_directory,
                           const std::string& account, const std::string& date_key);
  // Walks the prepared table; touches neither the host nor the scan's results, so that it runs
  // as a step.
  TableWalk WalkTable(dbf::TDbfTable& table, const std::string& account, double key_number);
  // Reads the due records' files of a walk, in the walk's order, calling `tick` after each.
  AccountWalk ReadDueFiles(TableWalk walk, const std::string& planner_directory,
                           const std::string& account, const std::function<void()>& tick);
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
  PlannerSteps steps_;
};

}  // namespace erm::app
