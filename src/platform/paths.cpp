#include "platform/paths.h"

#include <vector>

namespace erm::platform {

std::string NormalizePath(std::string_view path) {
  std::string_view root;
  if (path.size() >= 2 && path[1] == ':') {
    root = path.substr(0, 2);
    path.remove_prefix(2);
  }
  const bool trailing = !path.empty() && path.back() == '\\';
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out(root);
  for (const std::string_view part : parts) {
    out += '\\';
    out += part;
  }
  if (parts.empty() || trailing) out += '\\';
  return out;
}

std::string FromHostPath(std::string_view host_path) {
  std::string out(host_path);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::string ToHostPath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

}  // namespace erm::platform
