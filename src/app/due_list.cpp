#include "app/due_list.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/text_case.h"

namespace erm::app {
namespace {

bool SortsBefore(const std::string& a, const std::string& b) {
  return platform::CompareTextIgnoringCase(a, b) < 0;
}

}  // namespace

size_t DueList::Add(std::string entry) {
  const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, SortsBefore);
  const auto inserted = entries_.insert(at, std::move(entry));
  return static_cast<size_t>(inserted - entries_.begin());
}

void DueList::AddAll(std::vector<std::string> entries) {
  SortEntries(entries);
  AddSorted(std::move(entries));
}

void DueList::SortEntries(std::vector<std::string>& entries) {
  // Stable, as the merge is: equal entries keep the order they were added in, the new ones
  // after those already there, as one Add after the other leaves them.
  std::stable_sort(entries.begin(), entries.end(), SortsBefore);
}

void DueList::AddSorted(std::vector<std::string> sorted) {
  const auto old_size = static_cast<std::ptrdiff_t>(entries_.size());
  entries_.insert(entries_.end(), std::make_move_iterator(sorted.begin()),
                  std::make_move_iterator(sorted.end()));
  std::inplace_merge(entries_.begin(), entries_.begin() + old_size, entries_.end(), SortsBefore);
}

}  // namespace erm::app
