#include "app/appointment_file.h"

#include "platform/text_file.h"

namespace erm::app {
namespace {

constexpr char kMask = 0x6E;
constexpr std::string_view kLineEnd = "\r\n";

// Calls `line` with each of the file's lines under the rules above, still masked.
template <typename LineFunction>
void ForEachLine(std::string_view bytes, LineFunction line) {
  if (bytes.size() >= 3 && bytes.back() == '\x1A' &&
      bytes.substr(bytes.size() - 3, 2) == kLineEnd) {
    bytes.remove_suffix(1);
  }
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t end = bytes.find(kLineEnd, pos);
    if (end == std::string_view::npos) {
      line(bytes.substr(pos));
      break;
    }
    line(bytes.substr(pos, end - pos));
    pos = end + kLineEnd.size();
  }
}

std::vector<std::string> AppointmentTexts(std::string_view bytes) {
  std::vector<std::string> texts;
  bool first = true;
  // Unmasked straight from the file's bytes: the scan reads a file for every due record.
  ForEachLine(bytes, [&texts, &first](std::string_view line) {
    if (!first) texts.push_back(EncodeDecodeText(line));
    first = false;
  });
  return texts;
}

}  // namespace

std::string EncodeDecodeText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(c ^ kMask);
  return out;
}

std::vector<std::string> SplitAppointmentLines(std::string_view bytes) {
  std::vector<std::string> lines;
  ForEachLine(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::vector<std::string> ReadAppointmentTexts(platform::System& system, const std::string& path) {
  return AppointmentTexts(platform::ReadFileBytes(system, path, platform::FileShare::kDenyNone));
}

std::vector<std::string> ReadAppointmentTexts(platform::System& system, platform::Folder& folder,
                                              const std::string& name) {
  return AppointmentTexts(platform::ReadFileBytes(system, folder, name));
}

}  // namespace erm::app
