// The program-wide state that the main window holds and the scan, its presentation and the
// options dialog share, all on the user-interface thread.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace erm::app {

struct ProgramState {
  // Where the two settings files are kept, ending with a backslash; decided at start-up.
  std::string settings_folder;
  // A directory ending in a backslash, or the no-path marker; every path into the planner's
  // data is this text with a relative part appended.
  std::string planner_directory;
  // The user has seen today's reminders: while set, a scan raises no notice.
  bool seen = false;
  // The today entries the flag covers: those of the due list when it was set. A scan that finds
  // one beyond them (a new day, an appointment added since) clears the flag, so that one look on
  // Monday does not silence the rest of the week.
  std::vector<std::string> seen_entries;
  // The due-list entries dated today, as of the last scan.
  std::vector<std::string> today_entries;
  // Due-list entries dated today, as of the last scan.
  int today_count = 0;
  // The entry texts the last notice listed, each followed by CR LF.
  std::string notice_text;

  void MarkSeen() {
    seen = true;
    seen_entries = today_entries;
  }
  // Whether every today entry of the last scan was among those the flag covers; equal entries
  // count one by one.
  bool SeenCoversToday() const {
    std::vector<std::string> covered = seen_entries;
    for (const std::string& entry : today_entries) {
      auto at = std::find(covered.begin(), covered.end(), entry);
      if (at == covered.end()) return false;
      covered.erase(at);
    }
    return true;
  }
};

}  // namespace erm::app
