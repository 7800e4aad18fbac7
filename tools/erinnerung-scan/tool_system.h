// The real platform with the clock fixed at a given moment, pauses skipped and the program
// folder chosen: what the scan tool needs to show a scan as the program would run it then.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/system.h"

namespace erm::tools {

class ToolSystem : public platform::System {
 public:
  explicit ToolSystem(platform::System& base) : base_(base) {}

  std::optional<platform::LocalTime> fixed_now;
  std::optional<std::string> program_folder;

  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    return base_.OpenFile(path, access, share, mode);
  }
  // The folder's files do not pass through OpenFile above: a wrapper that watches or delays its
  // files overrides this too.
  std::unique_ptr<platform::Folder> OpenFolder(const std::string& path) override {
    return base_.OpenFolder(path);
  }
  bool FileExists(const std::string& path) override { return base_.FileExists(path); }
  std::unique_ptr<platform::DirEnumeration> Enumerate(const std::string& pattern) override {
    return base_.Enumerate(pattern);
  }
  std::string FullPath(const std::string& path) override { return base_.FullPath(path); }
  std::string ProgramFolder() override {
    return program_folder ? *program_folder : base_.ProgramFolder();
  }
  // What the program's choice of its settings folder asks.
  std::string UserDataFolder() override { return base_.UserDataFolder(); }
  bool CanCreateFilesIn(const std::string& folder) override {
    return base_.CanCreateFilesIn(folder);
  }
  bool IsNetworkPath(const std::string& path) override { return base_.IsNetworkPath(path); }
  std::string MachinePlannerDirectory() override { return base_.MachinePlannerDirectory(); }
  std::string InstallationFolder(platform::InstallScope scope) override {
    return base_.InstallationFolder(scope);
  }
  std::string MappedNetworkPath(const std::string& drive) override {
    return base_.MappedNetworkPath(drive);
  }
  platform::BoundedReadOutcome RunBounded(platform::BoundedRead read,
                                          uint32_t silence_ms) override {
    return base_.RunBounded(std::move(read), silence_ms);
  }
  bool ReadStillHangs() override { return base_.ReadStillHangs(); }
  platform::LocalTime Now() override { return fixed_now ? *fixed_now : base_.Now(); }
  void Sleep(uint32_t) override {}
  uint64_t TickCount() override { return base_.TickCount(); }
  int AnsiCodePage() override { return base_.AnsiCodePage(); }
  int OemCodePage() override { return base_.OemCodePage(); }
  bool IsCodePageSupported(int code_page) override { return base_.IsCodePageSupported(code_page); }
  std::string ToAnsi(int code_page, std::string_view text) override {
    return base_.ToAnsi(code_page, text);
  }
  char DecimalSeparator() override { return base_.DecimalSeparator(); }

 private:
  platform::System& base_;
};

}  // namespace erm::tools
