#include "app/appointment_file.h"

#include "platform/text_file.h"

namespace erm::app {
namespace {

constexpr char kMask = 0x6E;
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string EncodeDecodeText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(c ^ kMask);
  return out;
}

std::vector<std::string> SplitAppointmentLines(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.back() == '\x1A' &&
      bytes.substr(bytes.size() - 3, 2) == kLineEnd) {
    bytes.remove_suffix(1);
  }
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t end = bytes.find(kLineEnd, pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(pos));
      break;
    }
    lines.emplace_back(bytes.substr(pos, end - pos));
    pos = end + kLineEnd.size();
  }
  return lines;
}

std::vector<std::string> ReadAppointmentTexts(platform::System& system, const std::string& path) {
  std::vector<std::string> lines = SplitAppointmentLines(platform::ReadFileBytes(system, path));
  std::vector<std::string> texts;
  for (size_t i = 1; i < lines.size(); ++i)
    texts.push_back(EncodeDecodeText(lines[i]));
  return texts;
}

}  // namespace erm::app
