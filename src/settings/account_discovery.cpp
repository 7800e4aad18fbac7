#include "settings/account_discovery.h"

#include <unordered_set>

#include "settings/settings_files.h"

namespace erm::settings {
namespace {

constexpr uint32_t kSkippedAttributes =
    platform::kAttrHidden | platform::kAttrSystem | platform::kAttrVolumeLabel;

}  // namespace

bool DiscoverAccounts(platform::System& system, const std::string& planner_directory,
                      AccountList& accounts) {
  accounts.Clear();
  const auto listing = system.Enumerate(planner_directory + "konten\\*.*");
  platform::DirEntry entry;
  bool listed = false;
  for (int read = 0; read < kMaxEnumeratedNames && listing->Next(&entry);) {
    listed = true;
    if (entry.attributes & kSkippedAttributes) continue;
    ++read;
    // Dropped by name: not every file system lists the self and parent entries first, and
    // dropping the first two entries would then lose two real accounts.
    if (entry.name == "." || entry.name == "..") continue;
    accounts.Add(entry.name);
  }
  return listed;
}

void SelectAccounts(const std::vector<std::string>& lines, AccountList& accounts) {
  // One pass over the list against the set of lines: comparing every line with every entry
  // would take hours for a konten folder and a selection of a hundred thousand names each.
  const std::unordered_set<std::string> wanted(lines.begin(), lines.end());
  for (int i = 0; i < accounts.Count(); ++i) {
    if (wanted.count(accounts.Item(i)) != 0) accounts.SetSelected(i, true);
  }
}

bool DirSearch(platform::System& system, const std::string& settings_folder,
               const std::string& planner_directory, AccountList& accounts) {
  const bool listed = DiscoverAccounts(system, planner_directory, accounts);
  SelectAccounts(ReadAccountSelection(system, settings_folder), accounts);
  return listed;
}

}  // namespace erm::settings
