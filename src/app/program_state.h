// The program-wide state that the main window holds and the scan, its presentation and the
// options dialog share, all on the user-interface thread.
#pragma once

#include <string>

namespace erm::app {

struct ProgramState {
  // Where the two settings files are kept, ending with a backslash; decided at start-up.
  std::string settings_folder;
  // A directory ending in a backslash, or the no-path marker; every path into the planner's
  // data is this text with a relative part appended.
  std::string planner_directory;
  // The user has seen today's reminders: while set, a scan raises no notice.
  bool seen = false;
  // Due-list entries dated today, as of the last scan.
  int today_count = 0;
  // The entry texts the last notice listed, each followed by CR LF.
  std::string notice_text;
};

}  // namespace erm::app
