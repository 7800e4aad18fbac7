#include "platform/win32/win32_errors.h"

#include "platform/error.h"

namespace erm::platform::win32 {

std::string SystemMessage(DWORD code) {
  char* buffer = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length =
      FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : std::string();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
    text.pop_back();
  if (text.empty()) text = "Systemfehler. Code: " + std::to_string(code) + ".";
  return text;
}

// A lock on a local file and one that the server of a network share reports (its "lock
// conflict" and "lock not granted") both arrive as ERROR_LOCK_VIOLATION. A sharing violation
// belongs to opening, not to reading, and is an error like any other here.
ReadFailure ClassifyReadFailure(DWORD code) {
  switch (code) {
    case ERROR_HANDLE_EOF:
      return ReadFailure::kEndOfFile;
    case ERROR_LOCK_VIOLATION:
      return ReadFailure::kLocked;
    default:
      return ReadFailure::kError;
  }
}

void ThrowError(DWORD code) {
  throw Error(SystemMessage(code));
}

void ThrowLastError() {
  ThrowError(GetLastError());
}

}  // namespace erm::platform::win32
