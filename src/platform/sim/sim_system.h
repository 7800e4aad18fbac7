// A deterministic platform for tests: an in-memory file system with fault injection, a virtual
// clock that only a pause (or the test) moves, and fixed code pages and number format. Paths are
// compared without regard to ASCII case and "/" equals "\", as on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/text_case.h"

namespace erm::platform {

class SimSystem : public System {
 public:
  // What a read should do instead of reading normally.
  struct ReadFault {
    enum Kind { kNone, kError, kShort, kLocked } kind = kNone;
    size_t short_size = 0;                      // kShort: at most this many bytes come back
    std::string message = "Fehler beim Lesen";  // kError
  };

  SimSystem();

  // The texts of the sim's refusals; handed to a fault hook they keep their kind (ErrorKind), as
  // the system's own errors do.
  static constexpr char kAccessDeniedText[] = "Zugriff verweigert";
  static constexpr char kInUseText[] =
      "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess "
      "verwendet wird";

  // --- the file system ---
  // Creates or replaces a file; missing parent directories are created.
  void PutFile(const std::string& path, std::string bytes, uint32_t attributes = kAttrArchive);
  void AppendToFile(const std::string& path, const std::string& bytes);
  // Cuts a file to `size` bytes in place, as another program would; open files see it at once.
  void TruncateFile(const std::string& path, size_t size);
  void MakeDirectory(const std::string& path, uint32_t attributes = kAttrDirectory);
  void Remove(const std::string& path);
  bool Exists(const std::string& path) const;
  // The bytes of a file; throws Error when there is no such file.
  std::string ReadFileBytes(const std::string& path) const;
  // When the file's bytes last changed, by any way in: PutFile, AppendToFile, TruncateFile,
  // creating it, or a write through an open file. A stamp from one counter for the whole file
  // system that grows with every change, so two changes within one virtual millisecond still
  // differ. Throws Error when there is no such file.
  uint64_t ModificationTime(const std::string& path) const;

  // Every file and directory operation the code above can ask for, as the general fault hook
  // sees it.
  enum class OperationKind {
    kExists,      // FileExists; failing, it answers false, as Windows does when it cannot tell
    kCreate,      // OpenFile with kCreateAlways
    kOpen,        // OpenFile with kExisting
    kRead,        // File::ReadAt
    kSize,        // File::Size
    kWrite,       // File::Write
    kClose,       // File::Close
    kEnumerate,   // Enumerate; failing, the listing is empty
    kNext,        // DirEnumeration::Next; failing, the listing ends there
    kRename,      // RenameFile
    kRemove,      // RemoveFile
    kMakeFolder,  // CreateFolder
  };
  struct Operation {
    OperationKind kind = OperationKind::kExists;
    std::string path;     // the file, or the listing's pattern
    std::string target;   // kRename: the new name
    uint64_t number = 0;  // 1-based, counted over every operation of this file system
  };
  static const char* OperationName(OperationKind kind);

  // Fault injection. The general hook sees every operation above before it happens, the others
  // every call of their kind after it; returning a message makes that call fail with it (or
  // answer as the kind's comment says).
  std::function<std::optional<std::string>(const Operation&)> on_operation;
  uint64_t operation_count = 0;
  std::function<std::optional<std::string>(const std::string& path, FileAccess, FileOpen)> on_open;
  std::function<ReadFault(const std::string& path, uint64_t offset, size_t size)> on_read;
  std::function<std::optional<std::string>(const std::string& path)> on_write;
  // How long each operation above takes on the virtual clock, as a slow server makes it; asked
  // before the operation, with the general hook's Operation. Inside a bounded read, a call that
  // takes the read's patience or longer is one that does not answer: the read is given up on
  // after the patience, and until the call has returned no other read starts.
  std::function<uint64_t(const Operation&)> on_operation_time;

  // Counters, for tests that check what the code above did.
  int open_count = 0;
  int read_count = 0;
  int write_count = 0;
  std::vector<std::string> opened_paths;
  std::vector<std::pair<FileAccess, FileShare>> opened_modes;

  // --- bounded reads: inline, on the virtual clock ---
  BoundedReadOutcome RunBounded(BoundedRead read, uint32_t silence_ms) override;
  bool ReadStillHangs() override { return ticks_ < hang_ends_at_; }

  // --- the clock ---
  void SetNow(const LocalTime& t);
  void Advance(uint64_t ms) { ticks_ += ms; }
  std::vector<uint32_t> sleeps;  // every pause asked for, in order

  // Makes a folder like "C:\Program Files" for a program run as invoker: its files can be
  // read, but none can be created, replaced, renamed into it or removed.
  void DenyWritesIn(const std::string& folder) { write_denied_.insert(Key(folder)); }
  // Network drives by letter ("Z:") and the share each stands for; they count as network paths.
  std::map<std::string, std::string> mapped_drives;

  // --- the rest ---
  void SetProgramFolder(std::string folder) { program_folder_ = std::move(folder); }
  void SetUserDataFolder(std::string folder) { user_data_folder_ = std::move(folder); }
  // What an administrator preset for every user; empty for none.
  std::string machine_planner_directory;
  // The packages' records: where each is installed (empty: not installed), and the user's Run
  // value.
  std::string user_installation_folder;
  std::string machine_installation_folder;
  std::string user_logon_command;
  void SetCurrentDirectory(std::string dir) { current_directory_ = std::move(dir); }
  void SetOemCodePage(int cp) { oem_code_page_ = cp; }
  void SetDecimalSeparator(char c) { decimal_separator_ = c; }

  std::unique_ptr<File> OpenFile(const std::string& path, FileAccess access, FileShare share,
                                 FileOpen mode) override;
  bool FileExists(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to, RenameMode mode) override;
  void RemoveFile(const std::string& path) override;
  std::unique_ptr<DirEnumeration> Enumerate(const std::string& pattern) override;
  std::string FullPath(const std::string& path) override;
  std::string ProgramFolder() override { return program_folder_; }
  std::string UserDataFolder() override { return user_data_folder_; }
  std::string MachinePlannerDirectory() override { return machine_planner_directory; }
  std::string InstallationFolder(InstallScope scope) override {
    return scope == InstallScope::kUser ? user_installation_folder : machine_installation_folder;
  }
  std::string UserLogonCommand() override { return user_logon_command; }
  void RemoveUserLogonCommand() override { user_logon_command.clear(); }
  void CreateFolder(const std::string& path) override;
  bool CanCreateFilesIn(const std::string& folder) override;
  bool IsNetworkPath(const std::string& path) override {
    return System::IsNetworkPath(path) || mapped_drives.count(AsciiUpper(path.substr(0, 2))) != 0;
  }
  std::string MappedNetworkPath(const std::string& drive) override {
    const auto found = mapped_drives.find(AsciiUpper(drive));
    return found == mapped_drives.end() ? std::string() : found->second;
  }

  LocalTime Now() override;
  void Sleep(uint32_t ms) override;
  uint64_t TickCount() override { return ticks_; }

  int AnsiCodePage() override { return 1252; }
  int OemCodePage() override { return oem_code_page_; }
  bool IsCodePageSupported(int code_page) override;
  std::string ToAnsi(int code_page, std::string_view text) override;
  char DecimalSeparator() override { return decimal_separator_; }

 protected:
  // Counts the operation and asks the general hook: its message when the operation is to fail.
  std::optional<std::string> Fault(OperationKind kind, const std::string& path,
                                   const std::string& target = std::string());
  // A listing of `entries` that meets faults as Enumerate's does, for file systems that list
  // some folder their own way.
  std::unique_ptr<DirEnumeration> MakeListing(const std::string& pattern,
                                              std::vector<DirEntry> entries);

 private:
  // A file's contents, shared with the files open on it, which keep it when the file is replaced.
  struct Content {
    std::string bytes;
    uint64_t modified = 0;
    // Open files that let nobody rename or delete the file: all but those opened with
    // FileShare::kDenyNoneWithDelete.
    int held_without_delete_sharing = 0;
  };
  struct Node {
    std::string path;  // as first given, normalised to backslashes
    uint32_t attributes = 0;
    std::shared_ptr<Content> content;  // null for a directory
  };
  class SimFile;
  class SimDirEnumeration;

  static std::string Key(const std::string& path);
  Node* Find(const std::string& path);
  const Node* Find(const std::string& path) const;
  void MakeParents(const std::string& path);
  void Touch(Content& content) { content.modified = ++changes_; }
  // Moves the clock by the time a call takes; gives up the bounded read it is made in when that
  // is longer than the read's patience.
  void TakeTime(uint64_t ms);
  // Throws "access denied" when `path` lies directly in a folder that DenyWritesIn closed.
  void CheckWritableParent(const std::string& path) const;
  static bool IsHeld(const Node& node) {
    return node.content && node.content->held_without_delete_sharing > 0;
  }

  std::map<std::string, size_t> index_;  // key -> position in nodes_
  std::vector<Node> nodes_;              // in creation order, which listings keep
  std::string program_folder_ = "C:\\Programme\\Erinnerungsmodul\\";
  std::string user_data_folder_ = "C:\\Users\\Anwender\\AppData\\Roaming\\";
  std::set<std::string> write_denied_;  // keys of folders
  std::string current_directory_ = "C:\\";
  int64_t epoch_ms_ = 0;  // local time at tick 0
  uint64_t ticks_ = 0;
  uint64_t changes_ = 0;
  // The bounded read running now, and its patience; set once it has been given up on, while it
  // unwinds.
  bool in_bounded_read_ = false;
  uint32_t read_patience_ms_ = 0;
  bool read_given_up_ = false;
  // When the call a read was given up in returns.
  uint64_t hang_ends_at_ = 0;
  int oem_code_page_ = 850;
  char decimal_separator_ = ',';
};

}  // namespace erm::platform
