// Windows error codes turned into the program's errors, with the system's own text.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace erm::platform::win32 {

// The system's text for an error code in the user's language, without the CR LF that
// FormatMessage puts at its end.
std::string SystemMessage(DWORD code);

// How a failed ReadFile ends a read.
enum class ReadFailure {
  kEndOfFile,
  // Another program holds a byte-range lock on the bytes asked for: worth asking again.
  kLocked,
  kError,
};
ReadFailure ClassifyReadFailure(DWORD code);

[[noreturn]] void ThrowError(DWORD code);
[[noreturn]] void ThrowLastError();

}  // namespace erm::platform::win32
