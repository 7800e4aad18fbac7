#include "settings/account_discovery.h"

#include <memory>
#include <unordered_set>

#include "settings/settings_files.h"

namespace erm::settings {
namespace {

constexpr uint32_t kSkippedAttributes =
    platform::kAttrHidden | platform::kAttrSystem | platform::kAttrVolumeLabel;

// One listing of the konten folder into the list; false when it failed.
bool ListAccounts(platform::System& system, const std::string& planner_directory,
                  AccountList& accounts) {
  accounts.Clear();
  const auto listing = system.Enumerate(KontenFolder(planner_directory) + "\\*.*");
  platform::DirEntry entry;
  bool listed = false;
  int read = 0;
  for (; read < kMaxEnumeratedNames && listing->Next(&entry);) {
    listed = true;
    if (entry.attributes & kSkippedAttributes) continue;
    ++read;
    // Dropped by name: not every file system lists the self and parent entries first, and
    // dropping the first two entries would then lose two real accounts.
    if (entry.name == "." || entry.name == "..") continue;
    accounts.Add(entry.name);
  }
  return listed && !listing->Failed();
}

// "Z:\planer\" read through the share the letter stands for: "\\server\share\planer\".
std::string ThroughMappedDrive(platform::System& system, const std::string& planner_directory) {
  const bool on_letter =
      planner_directory.size() >= 3 && planner_directory[1] == ':' && planner_directory[2] == '\\';
  if (!on_letter) return std::string();
  std::string share = system.MappedNetworkPath(planner_directory.substr(0, 2));
  if (share.empty()) return std::string();
  while (!share.empty() && share.back() == '\\')
    share.pop_back();
  return share + planner_directory.substr(2);
}

}  // namespace

std::string KontenFolder(const std::string& planner_directory) {
  return planner_directory + "konten";
}

KontenListing DiscoverAccounts(platform::System& system, const std::string& planner_directory,
                               AccountList& accounts) {
  if (ListAccounts(system, planner_directory, accounts)) return {true, planner_directory};
  const std::string through_share = ThroughMappedDrive(system, planner_directory);
  if (through_share.empty()) return {false, planner_directory};
  // Listed aside: when the share fails too, what the first listing found stays, also a part.
  MemoryAccountList found;
  if (!ListAccounts(system, through_share, found)) return {false, planner_directory};
  accounts.Clear();
  for (int i = 0; i < found.Count(); ++i)
    accounts.Add(found.Item(i));
  return {true, through_share};
}

KontenListing DiscoverAccountsBounded(platform::System& system,
                                      const std::string& planner_directory, AccountList& accounts) {
  // Listed into a list of the read's own, which it keeps should the waiting end first: the
  // caller's list may be a list box of the user-interface thread.
  struct Found {
    MemoryAccountList accounts;
    KontenListing listing;
  };
  auto found = std::make_shared<Found>();
  const platform::BoundedReadOutcome outcome = system.RunBounded(
      [&system, found, planner_directory] {
        found->listing = DiscoverAccounts(system, planner_directory, found->accounts);
      },
      platform::kServerSilenceMs);
  accounts.Clear();
  if (outcome != platform::BoundedReadOutcome::kDone) return {false, planner_directory};
  for (int i = 0; i < found->accounts.Count(); ++i)
    accounts.Add(found->accounts.Item(i));
  return found->listing;
}

void SelectAccounts(const std::vector<std::string>& lines, AccountList& accounts) {
  // One pass over the list against the set of lines: comparing every line with every entry
  // would take hours for a konten folder and a selection of a hundred thousand names each.
  const std::unordered_set<std::string> wanted(lines.begin(), lines.end());
  for (int i = 0; i < accounts.Count(); ++i) {
    if (wanted.count(accounts.Item(i)) != 0) accounts.SetSelected(i, true);
  }
}

void DirSearch(platform::System& system, const std::string& settings_folder,
               const std::string& planner_directory, AccountList& accounts,
               KontenListing& listing) {
  listing = DiscoverAccountsBounded(system, planner_directory, accounts);
  SelectAccounts(ReadAccountSelection(system, settings_folder), accounts);
}

}  // namespace erm::settings
