// The platform the command-line tools run on: the Windows one in the Windows build, which a
// user or a supporter runs on the user's own PC, else the POSIX one. Also what both builds do
// before writing to a console, and the answer to --version.
#pragma once

#include <cstdio>
#include <cstring>

#include "erm_version.h"

#ifdef _WIN32
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#else
#include "platform/posix/posix_system.h"
#endif

namespace erm::tools {

#ifdef _WIN32
using HostSystem = platform::Win32System;

// A console shows the tool's bytes in the code page given while the tool runs (umlauts would
// come out in the console's OEM code page otherwise); the console's own is restored after, as
// the window stays with the user. Output into a file or a pipe is left as it is.
class ConsoleCodePage {
 public:
  explicit ConsoleCodePage(UINT code_page) : previous_(GetConsoleOutputCP()) {
    DWORD mode = 0;
    changed_ = previous_ != 0 && GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
               SetConsoleOutputCP(code_page);
  }
  ~ConsoleCodePage() {
    std::fflush(stdout);
    if (changed_) SetConsoleOutputCP(previous_);
  }
  ConsoleCodePage(const ConsoleCodePage&) = delete;
  ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;

 private:
  UINT previous_;
  bool changed_ = false;
};
#else
using HostSystem = platform::PosixSystem;

class ConsoleCodePage {
 public:
  explicit ConsoleCodePage(unsigned) {}
};
#endif

inline constexpr unsigned kUtf8CodePage = 65001;
inline constexpr unsigned kWindows1252CodePage = 1252;

// True (and the version printed) when the only argument is --version.
inline bool PrintedVersion(int argc, char** argv, const char* tool) {
  if (argc != 2 || std::strcmp(argv[1], "--version") != 0) return false;
  std::printf("%s %s\n", tool, ERM_VERSION_TEXT);
  return true;
}

}  // namespace erm::tools
