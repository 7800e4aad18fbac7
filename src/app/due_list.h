// The due list: the scan's entries, each TERMINDATU text + " [" + account + "] " + appointment
// text line, kept sorted as the main window's hidden sorted list box keeps them.
//
// Order: platform::CompareTextIgnoringCase, the one the sorted list boxes keep too. Entries that
// compare equal are all kept, a new one after those already there.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace erm::app {

class DueList {
 public:
  void Clear() { entries_.clear(); }
  // Inserts at the sorted position and returns it.
  size_t Add(std::string entry);
  // Adds every entry as Add would one after the other, in time linear in the list's length
  // plus n log n in the entries': a file of many lines must not cost a pass over the list each.
  void AddAll(std::vector<std::string> entries);
  // Puts entries in the order AddAll gives them among themselves; any thread may do this.
  static void SortEntries(std::vector<std::string>& entries);
  // AddAll for entries SortEntries has put in order: a merge, in time linear in both lengths.
  void AddSorted(std::vector<std::string> sorted);
  size_t Count() const { return entries_.size(); }
  const std::string& Item(size_t index) const { return entries_.at(index); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

// Sorted runs of entries, one after another, merged into the order AddAll gives them run after
// run. Runs of like length are merged as they come, so that each entry takes part in about
// log2(runs) merges instead of one for every run added after its own: the scan adds one run per
// account.
class SortedRuns {
 public:
  // A run SortEntries has put in order.
  void Add(std::vector<std::string> sorted);
  // Every run added, merged into one; leaves none behind.
  std::vector<std::string> Take();

 private:
  void MergeLastTwo();
  std::vector<std::vector<std::string>> runs_;  // each shorter than the one before
};

}  // namespace erm::app
