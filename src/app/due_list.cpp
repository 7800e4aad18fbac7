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

void SortedRuns::Add(std::vector<std::string> sorted) {
  if (sorted.empty()) return;
  runs_.push_back(std::move(sorted));
  while (runs_.size() >= 2 && runs_[runs_.size() - 2].size() <= runs_.back().size())
    MergeLastTwo();
}

std::vector<std::string> SortedRuns::Take() {
  while (runs_.size() >= 2)
    MergeLastTwo();
  std::vector<std::string> all = runs_.empty() ? std::vector<std::string>() : std::move(runs_[0]);
  runs_.clear();
  return all;
}

void SortedRuns::MergeLastTwo() {
  std::vector<std::string> later = std::move(runs_.back());
  runs_.pop_back();
  std::vector<std::string>& earlier = runs_.back();
  std::vector<std::string> merged;
  merged.reserve(earlier.size() + later.size());
  // On equal entries std::merge takes the earlier run's first, as Add leaves them.
  std::merge(std::make_move_iterator(earlier.begin()), std::make_move_iterator(earlier.end()),
             std::make_move_iterator(later.begin()), std::make_move_iterator(later.end()),
             std::back_inserter(merged), SortsBefore);
  earlier = std::move(merged);
}

}  // namespace erm::app
