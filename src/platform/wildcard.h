// File-name wildcards as Windows reads them: "*" any run, "?" one character, letters compared
// without regard to ASCII case, and "*.*" matching every name, with or without a dot.
#pragma once

#include <string_view>

namespace erm::platform {

bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Splits "dir\pattern" at its last backslash: the directory keeps the backslash.
void SplitPattern(std::string_view path, std::string_view* directory, std::string_view* pattern);

}  // namespace erm::platform
