// DirSearch, the account discovery: rebuilds the account list from the entries of the planner
// directory's konten folder and selects the accounts named in the account selection file.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "settings/account_list.h"

namespace erm::settings {

// At most this many names are read from the konten folder, "." and ".." included.
inline constexpr int kMaxEnumeratedNames = 100000;

// How the konten folder was read.
struct KontenListing {
  // Listed to its end. A folder that is missing or unreadable lists nothing (every folder that
  // can be listed lists at least its own "." entry); one on a share that went away may list
  // only its first entries.
  bool complete = false;
  // The planner directory the folder was read through: the one asked for, or, where that
  // failed on a drive letter Windows has not reconnected yet, the network path the letter
  // stands for. Every path into the planner's data for the same scan starts with it.
  std::string planner_directory;
};

// The konten folder of the planner directory, as the user is told it could not be read.
std::string KontenFolder(const std::string& planner_directory);

// Clears the list and adds every entry of planner_directory + "konten\*.*" that is neither
// hidden, nor a system file, nor a volume label, plain files as well as folders, in enumeration
// order. The folder's own "." and ".." entries are left out by name. When the folder cannot be
// listed and the directory lies on a drive letter, it is listed once more through the network
// path Windows remembers for the letter, without asking the user anything.
KontenListing DiscoverAccounts(platform::System& system, const std::string& planner_directory,
                               AccountList& accounts);
// DiscoverAccounts as a bounded read, so that a server that does not answer costs the patience,
// not the program: a listing that stays silent, or that does not start because an earlier read
// still hangs, counts as failed and leaves the list empty.
KontenListing DiscoverAccountsBounded(platform::System& system,
                                      const std::string& planner_directory, AccountList& accounts);

// Selects every entry equal, byte for byte, to one of the lines; lines naming no entry are
// ignored. Earlier selections stay.
void SelectAccounts(const std::vector<std::string>& lines, AccountList& accounts);

// Bounded discovery, then the selection from the account selection file in the settings folder,
// which is created empty when it is missing. `listing` receives what the discovery found before the
// selection is read. A failing file step throws the platform's Error, and the list keeps what
// was done before it.
void DirSearch(platform::System& system, const std::string& settings_folder,
               const std::string& planner_directory, AccountList& accounts, KontenListing& listing);

}  // namespace erm::settings
