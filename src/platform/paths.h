// Path text in the program's own form: backslash-separated, as Windows writes it.
#pragma once

#include <string>
#include <string_view>

namespace erm::platform {

// Removes "." parts and resolves ".." parts of an absolute path ("\a\.\b\..\c" -> "\a\c",
// "C:\a\..\b" -> "C:\b"); a trailing backslash is kept. ".." never climbs above the root.
std::string NormalizePath(std::string_view absolute_path);

// "/tmp/x" -> "\tmp\x": a host path in the program's form, and back.
std::string FromHostPath(std::string_view host_path);
std::string ToHostPath(std::string_view path);

}  // namespace erm::platform
