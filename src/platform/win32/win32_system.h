// The platform on Windows: files opened with explicit sharing and read at an offset, directory
// listings with their attributes, the program folder, the clock, and the system's code pages and
// the user's number format. Texts cross the API in the ANSI code page, as the program keeps them.
#pragma once

#include <memory>

#include "platform/system.h"

namespace erm::platform {

class Win32System : public System {
 public:
  Win32System();
  ~Win32System() override;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  // On a worker thread of the read's own, which ends with it; the waiting thread answers sent
  // messages and paints meanwhile.
  BoundedReadOutcome RunBounded(BoundedRead read, uint32_t silence_ms) override;
  bool ReadStillHangs() override;
  std::unique_ptr<File> OpenFile(const std::string& path, FileAccess access, FileShare share,
                                 FileOpen mode) override;
  bool FileExists(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to, RenameMode mode) override;
  void RemoveFile(const std::string& path) override;
  std::unique_ptr<DirEnumeration> Enumerate(const std::string& pattern) override;
  std::string FullPath(const std::string& path) override;
  std::string ProgramFolder() override;
  std::string UserDataFolder() override;
  std::string MachinePlannerDirectory() override;
  // The packages' records (win32_installation.cpp).
  std::string InstallationFolder(InstallScope scope) override;
  std::string UserLogonCommand() override;
  void RemoveUserLogonCommand() override;
  void CreateFolder(const std::string& path) override;
  bool CanCreateFilesIn(const std::string& folder) override;
  bool IsNetworkPath(const std::string& path) override;
  std::string MappedNetworkPath(const std::string& drive) override;

  LocalTime Now() override;
  void Sleep(uint32_t ms) override;
  uint64_t TickCount() override;

  int AnsiCodePage() override;
  int OemCodePage() override;
  bool IsCodePageSupported(int code_page) override;
  std::string ToAnsi(int code_page, std::string_view text) override;
  char DecimalSeparator() override;

 private:
  // Shared with the workers: one that has just ended may still be waking the waiter when the
  // system goes.
  std::shared_ptr<CallWatch> watch_;
  // The read last started and its thread, while it has not been seen to end.
  std::shared_ptr<WorkerRead> running_;
  void* worker_ = nullptr;
};

}  // namespace erm::platform
