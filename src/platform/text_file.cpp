#include "platform/text_file.h"

#include "platform/error.h"

namespace erm::platform {
namespace {

constexpr char kEndOfText = '\x1A';
// Most files the program reads are a few hundred bytes (a scan reads one per due appointment):
// reads start small, so that no large buffer is cleared and moved for each of them, and grow.
constexpr size_t kFirstChunk = 4 * 1024;
constexpr size_t kChunk = 64 * 1024;

std::string ReadAllBytes(platform::File& file) {
  // The first read lands on the stack and is copied at its length: most files end within it,
  // and a string cleared to the chunk's size and cut back would cost that for each of them.
  char first[kFirstChunk];
  size_t got = 0;
  platform::ReadStatus status = file.ReadAt(0, first, sizeof first, &got);
  std::string bytes(first, got);
  size_t chunk = kFirstChunk;
  for (;;) {
    if (status == platform::ReadStatus::kLocked) throw Error(kLockedReadText, ErrorKind::kLocked);
    // Asking past the end again would cost a call, on a share a round trip, for every
    // appointment file the scan reads.
    if (got == 0 || status == platform::ReadStatus::kEndOfFile) return bytes;
    chunk = chunk < kChunk ? chunk * 2 : kChunk;
    const size_t old_size = bytes.size();
    bytes.resize(old_size + chunk);
    status = file.ReadAt(old_size, bytes.data() + old_size, chunk, &got);
    bytes.resize(old_size + got);
  }
}

// A file held or locked is read again from its opening: the files read whole are small.
template <typename Open>
std::string ReadAllBytesWhenFree(platform::System& system, Open open) {
  std::string bytes;
  RetryWhileHeld(system, HeldStep::kOpenOrRead, system.TickCount(),
                 [&] { bytes = ReadAllBytes(*open()); });
  return bytes;
}

}  // namespace

bool IsPassingHold(const Error& error, HeldStep step) {
  switch (error.kind()) {
    case ErrorKind::kSharingViolation:
    case ErrorKind::kLocked:
      return true;
    case ErrorKind::kAccessDenied:
      return step == HeldStep::kRenameOrRemove;
    case ErrorKind::kOther:
      break;
  }
  return false;
}

std::string ReadFileBytes(platform::System& system, const std::string& path,
                          platform::FileShare share) {
  return ReadAllBytesWhenFree(system, [&] {
    return system.OpenFile(path, platform::FileAccess::kRead, share, platform::FileOpen::kExisting);
  });
}

std::string ReadFileBytes(platform::System& system, platform::Folder& folder,
                          const std::string& name) {
  return ReadAllBytesWhenFree(system, [&] { return folder.OpenFile(name); });
}

void WriteFileBytes(platform::System& system, const std::string& path, std::string_view bytes) {
  const auto file =
      system.OpenFile(path, platform::FileAccess::kReadWrite, platform::FileShare::kDenyWrite,
                      platform::FileOpen::kCreateAlways);
  if (!bytes.empty()) file->Write(bytes.data(), bytes.size());
  file->Close();
}

// A file just written is what virus scanners, the indexer and sync clients open at once, and
// they hold it for a moment without delete sharing: the rename and the removal wait for them.
// Windows answers "access denied" both for such a hold and for a file that stays closed to us
// (read-only, or a folder we may not write), so the latter fails only after the wait. The
// removal waits only for what is left of the rename's patience: the user waits for both.
void ReplaceFileBytes(platform::System& system, const std::string& path, std::string_view bytes,
                      platform::RenameMode mode) {
  const std::string temporary = path + kTemporarySuffix;
  const uint64_t started = system.TickCount();
  try {
    WriteFileBytes(system, temporary, bytes);
    RetryWhileHeld(system, HeldStep::kRenameOrRemove, started,
                   [&] { system.RenameFile(temporary, path, mode); });
  } catch (const Error&) {
    // The error the user sees is the step's; a temporary file that cannot be removed either is
    // overwritten by the next attempt.
    try {
      RetryWhileHeld(system, HeldStep::kRenameOrRemove, started, [&] {
        if (system.FileExists(temporary)) system.RemoveFile(temporary);
      });
    } catch (const Error&) {
    }
    throw;
  }
}

std::string FirstPlainLine(std::string_view text) {
  const size_t end = text.find_first_of(std::string_view("\r\x1A", 2));
  return std::string(text.substr(0, end));
}

std::vector<std::string> SplitPlainLines(std::string_view text) {
  const size_t eof = text.find(kEndOfText);
  if (eof != std::string_view::npos) text = text.substr(0, eof);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t cr = text.find('\r', pos);
    if (cr == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

}  // namespace erm::platform
