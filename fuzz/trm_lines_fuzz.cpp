// Fuzzes the appointment file reader: the input is the whole .trm file. Its lines joined with CR
// LF must give back the file (less a final line end and a 0x1A after it), reading it through the
// platform in short pieces must give the same texts, and the mask must undo itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/appointment_file.h"
#include "platform/sim/sim_system.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void Check(bool ok) {
  if (!ok) std::abort();
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string JoinWithCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += kLineEnd;
    out += lines[i];
  }
  return out;
}

void CheckLines(std::string_view file) {
  const std::vector<std::string> lines = erm::app::SplitAppointmentLines(file);
  for (const std::string& line : lines)
    Check(line.find(kLineEnd) == std::string::npos);

  // A 0x1A after the last line end is the end-of-file mark, not a line.
  std::string_view body = file;
  if (EndsWith(body, std::string_view("\r\n\x1A", 3))) body.remove_suffix(1);
  std::string joined = JoinWithCrLf(lines);
  if (EndsWith(body, kLineEnd)) joined += kLineEnd;
  Check(joined == body);
}

void CheckMask(std::string_view bytes) {
  const std::string masked = erm::app::EncodeDecodeText(bytes);
  Check(masked.size() == bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i)
    Check(static_cast<unsigned char>(masked[i]) == (static_cast<unsigned char>(bytes[i]) ^ 0x6E));
  Check(erm::app::EncodeDecodeText(masked) == bytes);
}

// The file as the scan reads it, once whole and once a few bytes per read, and its texts
// written back into a file of the planner's form.
void CheckRead(std::string_view file) {
  const std::string path = "C:\\Planer\\konten\\A\\termine\\20261207100000.trm";
  erm::platform::SimSystem sim;
  sim.PutFile(path, std::string(file));
  const std::vector<std::string> texts = erm::app::ReadAppointmentTexts(sim, path);

  const std::vector<std::string> lines = erm::app::SplitAppointmentLines(file);
  Check(texts.size() == (lines.empty() ? 0 : lines.size() - 1));
  for (size_t i = 0; i < texts.size(); ++i)
    Check(texts[i] == erm::app::EncodeDecodeText(lines[i + 1]));

  // A few pieces: each read makes room for a whole chunk, so one-byte pieces would only be slow.
  const size_t piece = 1 + file.size() / 3;
  sim.on_read = [piece](const std::string&, uint64_t, size_t) {
    erm::platform::SimSystem::ReadFault fault;
    fault.kind = erm::platform::SimSystem::ReadFault::kShort;
    fault.short_size = piece;
    return fault;
  };
  Check(erm::app::ReadAppointmentTexts(sim, path) == texts);
  sim.on_read = nullptr;

  // Only a text whose mask holds CR LF cannot be written as one line ("cd" masks to it).
  std::string rewritten = "Kopf\r\n";
  for (const std::string& text : texts) {
    if (erm::app::EncodeDecodeText(text).find(kLineEnd) != std::string::npos) return;
    rewritten += erm::app::EncodeDecodeText(text);
    rewritten += kLineEnd;
  }
  sim.PutFile(path, rewritten);
  Check(erm::app::ReadAppointmentTexts(sim, path) == texts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  CheckLines(file);
  CheckMask(file);
  CheckRead(file);
  return 0;
}
