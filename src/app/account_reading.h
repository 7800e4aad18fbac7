// What the scan reads of one account: the due records of its reminder table, then their
// appointment files, as one bounded read. A function of the files alone: it touches neither the
// windows nor the scan, so that a read the scan has given up on can go on by itself.
#pragma once

#include <string>
#include <vector>

#include "dbf/dbf_table.h"
#include "platform/system.h"

namespace erm::app {

// Something a scan had to leave out; the main window shows it, the tools list it.
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

// The account's due entries in the due list's order, and its problems in the order met.
struct AccountReading {
  std::vector<ScanProblem> problems;
  std::vector<std::string> entries;
};

// Opens the prepared `table` (the account's reminder table with the scan's filter), notes the
// records due from `key_number` on, closes it and reads their appointment files from the
// account's termine folder in the walk's order.
AccountReading ReadAccount(platform::System& system, dbf::TDbfTable& table,
                           const std::string& planner_directory, const std::string& account,
                           double key_number);

}  // namespace erm::app
