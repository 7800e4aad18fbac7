#include "app/due_list.h"

#include <algorithm>
#include <iterator>

namespace erm::app {
namespace {

unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:  // S with caron
    case 0x8C:  // OE
    case 0x8E:  // Z with caron
      return static_cast<unsigned char>(c + 0x10);
    case 0x9F:  // Y with diaeresis
      return 0xFF;
    default:
      return c;
  }
}

}  // namespace

int CompareDueEntries(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    // Entries share long beginnings (the date and the account); equal bytes fold alike.
    if (a[i] == b[i]) continue;
    const unsigned char x = FoldCase(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

bool SortsBefore(const std::string& a, const std::string& b) {
  return CompareDueEntries(a, b) < 0;
}

}  // namespace

size_t DueList::Add(std::string entry) {
  const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, SortsBefore);
  const auto inserted = entries_.insert(at, std::move(entry));
  return static_cast<size_t>(inserted - entries_.begin());
}

void DueList::AddAll(std::vector<std::string> entries) {
  const auto old_size = static_cast<std::ptrdiff_t>(entries_.size());
  entries_.insert(entries_.end(), std::make_move_iterator(entries.begin()),
                  std::make_move_iterator(entries.end()));
  // Both steps are stable: equal entries keep the order they were added in, the new ones after
  // those already there, as one Add after the other leaves them.
  std::stable_sort(entries_.begin() + old_size, entries_.end(), SortsBefore);
  std::inplace_merge(entries_.begin(), entries_.begin() + old_size, entries_.end(), SortsBefore);
}

}  // namespace erm::app
