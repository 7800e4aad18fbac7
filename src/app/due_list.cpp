#include "app/due_list.h"

#include <algorithm>

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
    const unsigned char x = FoldCase(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t DueList::Add(std::string entry) {
  const auto at = std::upper_bound(
      entries_.begin(), entries_.end(), entry,
      [](const std::string& a, const std::string& b) { return CompareDueEntries(a, b) < 0; });
  const auto inserted = entries_.insert(at, std::move(entry));
  return static_cast<size_t>(inserted - entries_.begin());
}

}  // namespace erm::app
