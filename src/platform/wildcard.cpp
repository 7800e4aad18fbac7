#include "platform/wildcard.h"

#include "platform/text_case.h"

namespace erm::platform {
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative matching with one back-track point for the last "*".
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

void SplitPattern(std::string_view path, std::string_view* directory, std::string_view* pattern) {
  const size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) {
    *directory = {};
    *pattern = path;
  } else {
    *directory = path.substr(0, cut + 1);
    *pattern = path.substr(cut + 1);
  }
}

}  // namespace erm::platform
