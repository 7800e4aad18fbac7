// The platform for the command-line tools on a POSIX system: real files, directories and clock.
// Windows notions get their nearest equivalent: names starting with "." are hidden (Wine shows
// them so to Windows programs), the ANSI code page is 1252 and the OEM one 850, and the decimal
// separator is ",".
#pragma once

#include <memory>

#include "platform/system.h"

namespace erm::platform {

class PosixSystem : public System {
 public:
  PosixSystem();
  ~PosixSystem() override;

  // On a worker thread of the read's own, which ends with it.
  BoundedReadOutcome RunBounded(BoundedRead read, uint32_t silence_ms) override;
  bool ReadStillHangs() override;
  std::unique_ptr<File> OpenFile(const std::string& path, FileAccess access, FileShare share,
                                 FileOpen mode) override;
  std::unique_ptr<Folder> OpenFolder(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to, RenameMode mode) override;
  void RemoveFile(const std::string& path) override;
  std::unique_ptr<DirEnumeration> Enumerate(const std::string& pattern) override;
  std::string FullPath(const std::string& path) override;
  std::string ProgramFolder() override;
  // $XDG_CONFIG_HOME, else ~/.config, where POSIX programs keep what Windows keeps in %APPDATA%.
  std::string UserDataFolder() override;
  void CreateFolder(const std::string& path) override;
  bool CanCreateFilesIn(const std::string& folder) override;

  LocalTime Now() override;
  void Sleep(uint32_t ms) override;
  uint64_t TickCount() override;

  int AnsiCodePage() override { return 1252; }
  int OemCodePage() override { return 850; }
  bool IsCodePageSupported(int code_page) override;
  std::string ToAnsi(int code_page, std::string_view text) override;
  char DecimalSeparator() override { return ','; }

 private:
  // Shared with the workers: one that has just ended may still be waking the waiter when the
  // system goes.
  std::shared_ptr<CallWatch> watch_;
  // The read last started, while it has not been seen to end.
  std::shared_ptr<WorkerRead> running_;
};

}  // namespace erm::platform
