// The due list: the scan's entries, each TERMINDATU text + " [" + account + "] " + appointment
// text line, kept sorted as the main window's hidden sorted list box keeps them.
//
// Order: ascending by Windows-1252 bytes after folding upper-case letters to lower case (A-Z,
// the accented capitals 0xC0-0xDE except the multiplication sign 0xD7, and the pairs 0x8A/0x9A,
// 0x8C/0x9C, 0x8E/0x9E, 0x9F/0xFF); a text sorts before every longer text it begins. Entries
// that compare equal are all kept, a new one after those already there. The order is the same
// on every system, unlike the list box's, which follows the user's locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace erm::app {

// Negative, zero or positive as `a` sorts before, with or after `b`.
int CompareDueEntries(std::string_view a, std::string_view b);

class DueList {
 public:
  void Clear() { entries_.clear(); }
  // Inserts at the sorted position and returns it.
  size_t Add(std::string entry);
  // Adds every entry as Add would one after the other, in time linear in the list's length
  // plus n log n in the entries': a file of many lines must not cost a pass over the list each.
  void AddAll(std::vector<std::string> entries);
  size_t Count() const { return entries_.size(); }
  const std::string& Item(size_t index) const { return entries_.at(index); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

}  // namespace erm::app
