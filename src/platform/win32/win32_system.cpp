#include "platform/win32/win32_system.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/win32/win32_errors.h"
#include "platform/win32/windows_api.h"

#include <shlobj.h>
#include <winnetwk.h>

namespace erm::platform {
namespace {

using win32::ThrowError;
using win32::ThrowLastError;

// One ReadFile or WriteFile moves at most this much; larger requests are split.
constexpr size_t kMaxTransfer = size_t{1} << 30;
// GetModuleFileNameA gives no length up front; the buffer grows up to the longest path Windows
// accepts anywhere.
constexpr size_t kMaxModulePath = 32768;

// The C API would stop at an embedded NUL and act on a shorter, different path.
bool IsUsablePath(const std::string& path) {
  return path.find('\0') == std::string::npos;
}

OVERLAPPED AtOffset(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

class Win32File : public File {
 public:
  Win32File(HANDLE handle, bool writable, CallWatch& watch)
      : handle_(handle), writable_(writable), watch_(watch) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) override {
    const CallReturns returns(watch_);
    size_t done = 0;
    *got = 0;
    while (done < size) {
      const DWORD want = static_cast<DWORD>(std::min(size - done, kMaxTransfer));
      OVERLAPPED at = AtOffset(offset + done);
      DWORD n = 0;
      if (!ReadFile(handle_, static_cast<char*>(out) + done, want, &n, &at)) {
        const DWORD error = GetLastError();
        const win32::ReadFailure failure = win32::ClassifyReadFailure(error);
        if (failure == win32::ReadFailure::kEndOfFile) break;
        if (failure == win32::ReadFailure::kLocked) return ReadStatus::kLocked;
        ThrowError(error);
      }
      if (n == 0) break;
      done += n;
    }
    *got = done;
    return done < size ? ReadStatus::kEndOfFile : ReadStatus::kOk;
  }

  uint64_t Size() override {
    const CallReturns returns(watch_);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) ThrowLastError();
    return static_cast<uint64_t>(size.QuadPart);
  }

  // Positioned like the reads, so that a read in between does not move where the next write
  // lands (ReadFile moves the handle's own file pointer).
  void Write(const void* data, size_t size) override {
    size_t done = 0;
    while (done < size) {
      const DWORD want = static_cast<DWORD>(std::min(size - done, kMaxTransfer));
      OVERLAPPED at = AtOffset(write_position_);
      DWORD n = 0;
      if (!WriteFile(handle_, static_cast<const char*>(data) + done, want, &n, &at)) {
        ThrowLastError();
      }
      done += n;
      write_position_ += n;
    }
  }

  // A written file is flushed first: a caller that renames it over the file it replaces must
  // not find an empty one there after a power cut. The handle is gone afterwards, also when
  // this throws.
  void Close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE) return;
    DWORD error = ERROR_SUCCESS;
    if (writable_ && !FlushFileBuffers(handle)) error = GetLastError();
    if (!CloseHandle(handle) && error == ERROR_SUCCESS) error = GetLastError();
    if (error != ERROR_SUCCESS) ThrowError(error);
  }

 private:
  HANDLE handle_;
  bool writable_;
  CallWatch& watch_;
  uint64_t write_position_ = 0;
};

class Win32DirEnumeration : public DirEnumeration {
 public:
  Win32DirEnumeration(const std::string& pattern, CallWatch& watch) : watch_(watch) {
    const CallReturns returns(watch_);
    if (IsUsablePath(pattern)) handle_ = FindFirstFileA(pattern.c_str(), &found_);
    has_found_ = handle_ != INVALID_HANDLE_VALUE;
  }
  ~Win32DirEnumeration() override {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  Win32DirEnumeration(const Win32DirEnumeration&) = delete;
  Win32DirEnumeration& operator=(const Win32DirEnumeration&) = delete;

  // The entry FindFirstFileA found is handed out first; each later call asks for one more.
  bool Next(DirEntry* entry) override {
    if (!has_found_) return false;
    const CallReturns returns(watch_);
    if (started_) {
      has_found_ = FindNextFileA(handle_, &found_) != 0;
      // A share that goes away between two entries ends the listing with a network error.
      if (!has_found_) failed_ = GetLastError() != ERROR_NO_MORE_FILES;
    }
    started_ = true;
    if (!has_found_) return false;
    entry->name = found_.cFileName;
    entry->attributes = found_.dwFileAttributes;
    return true;
  }
  // A folder that could not be opened lists nothing, which the caller tells by the missing "."
  // entry; an empty drive root lists nothing either and is no failure.
  bool Failed() const override { return failed_; }

 private:
  CallWatch& watch_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA found_{};
  bool has_found_ = false;
  bool started_ = false;
  bool failed_ = false;
};

DWORD DesiredAccess(FileAccess access, FileOpen mode) {
  DWORD rights = GENERIC_READ;
  if (access == FileAccess::kReadWrite || mode == FileOpen::kCreateAlways) rights |= GENERIC_WRITE;
  return rights;
}

DWORD ShareMode(FileShare share) {
  switch (share) {
    case FileShare::kDenyWrite:
      return FILE_SHARE_READ;
    case FileShare::kDenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileShare::kDenyNoneWithDelete:
      break;
  }
  return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}

// The errors of opening, renaming and removing files with their kind: a caller waits for
// another program that holds the file for a moment.
ErrorKind KindOfFileError(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
      return ErrorKind::kSharingViolation;
    case ERROR_ACCESS_DENIED:
      return ErrorKind::kAccessDenied;
    case ERROR_LOCK_VIOLATION:
      return ErrorKind::kLocked;
    default:
      return ErrorKind::kOther;
  }
}

[[noreturn]] void ThrowFileError(DWORD code) {
  throw Error(win32::SystemMessage(code), KindOfFileError(code));
}

DWORD Disposition(FileOpen mode) {
  return mode == FileOpen::kCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
}

bool IsValidCodePageNumber(int code_page) {
  return code_page > 0 && code_page <= 65535;
}

// Empty when the text is not valid in the code page as far as the system can tell.
std::wstring ToWide(int code_page, std::string_view text) {
  const UINT cp = static_cast<UINT>(code_page);
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(cp, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(cp, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string WideToAnsi(const std::wstring& wide) {
  // With UTF-8 as the ANSI code page Windows takes neither a default character nor the flag;
  // everywhere else a missing character is "?" rather than a look-alike, as on every platform
  // of this program.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* replacement = utf8 ? nullptr : "?";
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, replacement, nullptr);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, text.data(), length, replacement, nullptr);
  return text;
}

// What the user-interface thread still does while it waits for a read: it answers the messages
// other threads and programs send (a logoff's WM_QUERYENDSESSION among them, which Windows
// otherwise answers for it by naming the program as the one that prevents the logoff) and
// paints, so that Windows never marks its windows as not responding. Input stays queued until
// the scan is over, as the scan's design has it.
void AnswerSentMessagesAndPaint() {
  MSG message;
  // Looking at the queue delivers the messages sent to this thread first.
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  // Bounded: a window that never validates itself would otherwise hold the thread here.
  for (int i = 0; i < 64 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i)
    DispatchMessageA(&message);
}

// Each returned call sets an event, which the waiter waits for together with its message queue.
class Win32CallWatch : public CallWatch {
 public:
  Win32CallWatch() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (event_ == nullptr) ThrowLastError();
  }
  ~Win32CallWatch() override { CloseHandle(event_); }
  Win32CallWatch(const Win32CallWatch&) = delete;
  Win32CallWatch& operator=(const Win32CallWatch&) = delete;

  bool WaitForNext(uint64_t seen, uint32_t ms) override {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (Count() == seen) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event_, static_cast<DWORD>(deadline - now),
                                                     QS_SENDMESSAGE | QS_PAINT, 0);
      if (woke == WAIT_OBJECT_0 + 1) AnswerSentMessagesAndPaint();
      if (woke == WAIT_FAILED) ThrowLastError();
    }
    return true;
  }

 protected:
  void Wake() override { SetEvent(event_); }

 private:
  HANDLE event_;
};

struct WorkerStart {
  std::shared_ptr<WorkerRead> read;
  std::shared_ptr<CallWatch> watch;
};

DWORD WINAPI RunWorker(void* parameter) {
  const std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
  start->read->Run(*start->watch);
  return 0;
}

}  // namespace

Win32System::Win32System() : watch_(std::make_shared<Win32CallWatch>()) {}

Win32System::~Win32System() {
  if (worker_ != nullptr) CloseHandle(worker_);
}

BoundedReadOutcome Win32System::RunBounded(BoundedRead read, uint32_t silence_ms) {
  if (running_ && !running_->Done()) return BoundedReadOutcome::kNotTried;
  if (worker_ != nullptr) CloseHandle(std::exchange(worker_, nullptr));
  running_ = std::make_shared<WorkerRead>(std::move(read));
  auto start = std::make_unique<WorkerStart>(WorkerStart{running_, watch_});
  worker_ = CreateThread(nullptr, 0, RunWorker, start.get(), 0, nullptr);
  if (worker_ == nullptr) {
    running_.reset();
    ThrowLastError();
  }
  start.release();  // the worker's now
  const BoundedReadOutcome outcome = AwaitWorkerRead(*running_, *watch_, silence_ms);
  if (outcome == BoundedReadOutcome::kNoAnswer) {
    // A file server that has gone away may keep the call for minutes; cancelled, the read fails
    // at once and lets the next one start. Not every call can be cancelled (Wine 8 cancels only
    // waits such as pipe reads), so nothing depends on it.
    CancelSynchronousIo(worker_);
    return outcome;
  }
  running_.reset();
  CloseHandle(std::exchange(worker_, nullptr));
  return outcome;
}

bool Win32System::ReadStillHangs() {
  return running_ && !running_->Done();
}

std::unique_ptr<File> Win32System::OpenFile(const std::string& path, FileAccess access,
                                            FileShare share, FileOpen mode) {
  if (!IsUsablePath(path)) ThrowError(ERROR_INVALID_NAME);
  const CallReturns returns(*watch_);
  const HANDLE handle = CreateFileA(path.c_str(), DesiredAccess(access, mode), ShareMode(share),
                                    nullptr, Disposition(mode), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ThrowFileError(GetLastError());
  const bool writable = access == FileAccess::kReadWrite || mode == FileOpen::kCreateAlways;
  return std::make_unique<Win32File>(handle, writable, *watch_);
}

bool Win32System::FileExists(const std::string& path) {
  if (!IsUsablePath(path)) return false;
  const CallReturns returns(*watch_);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Write-through: the call returns once the new name is on the disk, not just in the cache.
void Win32System::RenameFile(const std::string& from, const std::string& to, RenameMode mode) {
  if (!IsUsablePath(from) || !IsUsablePath(to)) ThrowError(ERROR_INVALID_NAME);
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (mode == RenameMode::kReplaceExisting) flags |= MOVEFILE_REPLACE_EXISTING;
  if (!MoveFileExA(from.c_str(), to.c_str(), flags)) ThrowFileError(GetLastError());
}

void Win32System::RemoveFile(const std::string& path) {
  if (!IsUsablePath(path)) ThrowError(ERROR_INVALID_NAME);
  if (!DeleteFileA(path.c_str())) ThrowFileError(GetLastError());
}

std::unique_ptr<DirEnumeration> Win32System::Enumerate(const std::string& pattern) {
  return std::make_unique<Win32DirEnumeration>(pattern, *watch_);
}

// A path Windows cannot expand comes back as it was; opening it then reports the reason.
std::string Win32System::FullPath(const std::string& path) {
  if (!IsUsablePath(path)) return path;
  const std::string input = path.empty() ? std::string(".\\") : path;
  std::string full(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length =
        GetFullPathNameA(input.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // too short: `length` is the size needed, NUL included
  }
  return path;
}

std::string Win32System::ProgramFolder() {
  std::string exe(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (length == 0) ThrowLastError();
    if (length < exe.size()) {
      exe.resize(length);
      break;
    }
    if (exe.size() >= kMaxModulePath) ThrowError(ERROR_INSUFFICIENT_BUFFER);
    exe.resize(exe.size() * 2);
  }
  const size_t cut = exe.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : exe.substr(0, cut + 1);
}

// SHGetFolderPathA rather than the known-folder call: it answers in the ANSI code page, as the
// program keeps its paths. A profile path with characters outside that code page comes back
// with "?" in it, and creating the folder then fails with the system's message.
std::string Win32System::UserDataFolder() {
  char folder[MAX_PATH] = {};
  const HRESULT result =
      SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  if (FAILED(result)) ThrowError(HRESULT_CODE(result));
  std::string path = folder;
  if (path.empty()) ThrowError(ERROR_PATH_NOT_FOUND);
  if (path.back() != '\\') path += '\\';
  return path;
}

void Win32System::CreateFolder(const std::string& path) {
  if (!IsUsablePath(path)) ThrowError(ERROR_INVALID_NAME);
  if (CreateDirectoryA(path.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return;
  }
  ThrowError(error);
}

// A file that the system deletes when its last handle closes: the process may be ended at any
// moment without leaving it behind. Under "C:\Program Files" a program that runs as invoker
// (ours says so in its manifest, which also keeps Windows from redirecting the write into the
// virtual store) gets ERROR_ACCESS_DENIED here. Wine follows the host's file permissions.
bool Win32System::CanCreateFilesIn(const std::string& folder) {
  if (!IsUsablePath(folder)) return false;
  const std::string probe =
      folder + "~erinnerung-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  const HANDLE handle = CreateFileA(
      probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // Only a machine that went down in the middle of a try leaves the file.
    return GetLastError() == ERROR_FILE_EXISTS && DeleteFileA(probe.c_str());
  }
  CloseHandle(handle);
  return true;
}

bool Win32System::IsNetworkPath(const std::string& path) {
  if (System::IsNetworkPath(path)) return true;
  if (path.size() < 2 || path[1] != ':') return false;
  const std::string root = path.substr(0, 2) + "\\";
  const CallReturns returns(*watch_);
  return GetDriveTypeA(root.c_str()) == DRIVE_REMOTE;
}

// WNetGetConnection answers from the user's remembered connections also while the drive is
// "unavailable" (ERROR_CONNECTION_UNAVAIL), which is just the case it is asked for: a letter
// Windows has not reconnected yet at logon. It never shows a dialog. Wine answers
// ERROR_NOT_CONNECTED for its drive letters, which map host folders, not shares.
std::string Win32System::MappedNetworkPath(const std::string& drive) {
  if (drive.size() != 2 || drive[1] != ':') return std::string();
  const CallReturns returns(*watch_);
  std::string remote(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = static_cast<DWORD>(remote.size());
    const DWORD result = WNetGetConnectionA(drive.c_str(), remote.data(), &length);
    if (result == ERROR_MORE_DATA) {
      remote.resize(length + 1);
      continue;
    }
    if (result != NO_ERROR && result != ERROR_CONNECTION_UNAVAIL) return std::string();
    remote.resize(std::char_traits<char>::length(remote.c_str()));
    return remote;
  }
  return std::string();
}

LocalTime Win32System::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LocalTime t;
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  t.millisecond = now.wMilliseconds;
  return t;
}

void Win32System::Sleep(uint32_t ms) {
  const CallReturns returns(*watch_);
  ::Sleep(ms);
}

uint64_t Win32System::TickCount() {
  return GetTickCount64();
}

int Win32System::AnsiCodePage() {
  return static_cast<int>(GetACP());
}

int Win32System::OemCodePage() {
  return static_cast<int>(GetOEMCP());
}

bool Win32System::IsCodePageSupported(int code_page) {
  return IsValidCodePageNumber(code_page) && IsValidCodePage(static_cast<UINT>(code_page));
}

// Text the system cannot read in `code_page` (or an unknown code page) stays as it is.
std::string Win32System::ToAnsi(int code_page, std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string(text);
  if (!IsValidCodePageNumber(code_page) || code_page == AnsiCodePage()) {
    return std::string(text);
  }
  const std::wstring wide = ToWide(code_page, text);
  if (wide.empty()) return std::string(text);
  return WideToAnsi(wide);
}

// Windows allows up to three characters here; the program works with the first.
char Win32System::DecimalSeparator() {
  char separator[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 1) {
    return separator[0];
  }
  return '.';
}

}  // namespace erm::platform
