// The program-wide state that the main window holds and the scan, its presentation and the
// options dialog share, all on the user-interface thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace erm::app {

enum class NoticeKind { kNone, kToday, kNextDay };

// A notice as the presentation raises it: today's (balloon and notice dialog) or the next
// day's (balloon only).
struct Notice {
  NoticeKind kind = NoticeKind::kNone;
  std::string balloon_title;
  std::string text;      // the notice text
  std::string headline;  // the notice dialog's, for today's
  // The due-list entries it tells of, and the day (date digits) it was decided on.
  std::vector<std::string> entries;
  std::string day;
};

// Whether every entry of `entries` is among `covered`; equal entries count one by one.
bool CoversAll(std::vector<std::string> covered, const std::vector<std::string>& entries);

struct ProgramState {
  // Where the two settings files are kept, ending with a backslash; decided at start-up.
  std::string settings_folder;
  // A directory ending in a backslash, or the no-path marker; every path into the planner's
  // data is this text with a relative part appended.
  std::string planner_directory;
  // The user has seen today's reminders: while set, a scan raises no notice.
  bool seen = false;
  // The today entries the flag covers, those of the due list when it was set, and the day of
  // the scan they came from. A scan on another day, or one that finds an entry beyond them (an
  // appointment added since), clears the flag, so that one look on Monday silences neither a
  // Tuesday without appointments nor Wednesday's.
  std::vector<std::string> seen_entries;
  std::string seen_day;
  // The date digits of the last scan's today.
  std::string scan_day;
  // The due-list entries dated today, as of the last scan.
  std::vector<std::string> today_entries;
  // Due-list entries dated today, as of the last scan.
  int today_count = 0;
  // The entry texts the last notice listed, each followed by CR LF.
  std::string notice_text;
  // The last notice raised, and when (the system's tick count): an early scan repeats no notice
  // that brings nothing new within the hour.
  std::optional<Notice> last_notice;
  uint64_t last_notice_tick = 0;
  // A notice that waits while the user does not want to be disturbed, and since when (the tick
  // count of the scan that first held a notice back; one that replaces it keeps the time).
  std::optional<Notice> pending_notice;
  uint64_t pending_since_tick = 0;

  void MarkSeen() {
    seen = true;
    seen_entries = today_entries;
    seen_day = scan_day;
  }
  // Whether the flag still holds for the last scan: the same day, no entry beyond those seen.
  bool SeenCoversToday() const {
    return seen_day == scan_day && CoversAll(seen_entries, today_entries);
  }
};

inline bool CoversAll(std::vector<std::string> covered, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    auto at = std::find(covered.begin(), covered.end(), entry);
    if (at == covered.end()) return false;
    covered.erase(at);
  }
  return true;
}

}  // namespace erm::app
