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

// Clears the list and adds every entry of planner_directory + "konten\*.*" that is neither
// hidden, nor a system file, nor a volume label, plain files as well as folders, in enumeration
// order. The folder's own "." and ".." entries are left out by name. A folder that is missing
// or unreadable gives an empty list, and false: every folder that can be listed lists at least
// its own "." entry.
bool DiscoverAccounts(platform::System& system, const std::string& planner_directory,
                      AccountList& accounts);

// Selects every entry equal, byte for byte, to one of the lines; lines naming no entry are
// ignored. Earlier selections stay.
void SelectAccounts(const std::vector<std::string>& lines, AccountList& accounts);

// Discovery, then the selection from the account selection file in the settings folder, which
// is created empty when it is missing. A failing file step throws the platform's Error, and the
// list keeps what was done before it. Returns what the discovery returned.
bool DirSearch(platform::System& system, const std::string& settings_folder,
               const std::string& planner_directory, AccountList& accounts);

}  // namespace erm::settings
