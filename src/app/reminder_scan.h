// The reminder scan, the work of each tick of the scan timer: the due appointments of the chosen
// accounts into the due list, then the presentation, then the timer armed for the next hour.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/account_reading.h"
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
  // The last scan listed the konten folder but had no chosen account to read.
  bool NoAccountChosen() const { return no_account_chosen_; }
  // The planner directory the last scan read through: the chosen one, or the network path of
  // a drive letter Windows had not reconnected yet.
  const std::string& ReadThrough() const { return read_through_; }
  NoticeKind LastNotice() const { return last_notice_; }

  // An account whose read stayed silent past the patience.
  static constexpr char kNoAnswerMessage[] = "keine Antwort vom Server";
  // An account not read because the server has not answered an earlier call yet.
  static constexpr char kNotTriedMessage[] =
      "nicht versucht: der Server hat einen fr\xFCheren Zugriff noch nicht beantwortet";
  // "Planer nicht erreichbar: " + the konten folder.
  static std::string UnreachableMessage(const std::string& planner_directory);
  // " Pruefe k/n:  account..." with the umlaut, as Label1 shows it.
  static std::string StatusCaption(int k, int n, const std::string& account);
  // "ERINNERUNG<='" + the last second of the date key's day + "'".
  static std::string ReminderFilter(const std::string& date_key);

  // How long a call of an account's read may stay silent; tests of real threads shorten it.
  void SetReadPatience(uint32_t silence_ms) { read_patience_ms_ = silence_ms; }

 private:
  // Closes the table and gives it the account's reminder table, shared, read-only, filtered.
  static void PrepareTable(dbf::TDbfTable& table, const std::string& planner_directory,
                           const std::string& account, const std::string& date_key);
  // The account's reading as a bounded read, on a table of the read's own.
  AccountReading ReadAccountBounded(const std::string& planner_directory,
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
  bool no_account_chosen_ = false;
  std::string read_through_;
  NoticeKind last_notice_ = NoticeKind::kNone;
  bool running_ = false;
  uint32_t read_patience_ms_ = platform::kServerSilenceMs;
};

}  // namespace erm::app
