// Win32System against the real Windows API (or Wine's), with real files in a fresh temporary
// folder: the suite that every System passes, then the rules only Windows has. Raw CreateFileA
// and LockFileEx calls stand in for the planner holding the same files.
#include "platform/win32/win32_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "platform/error.h"
#include "platform/system_conformance.h"
#include "platform/text_file.h"
#include "wine.h"

namespace erm::platform {
namespace {

using erm::testing::IsWine;

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA found{};
  const HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(dir.c_str());
}

// What FormatMessageA says for a code, without its line end.
std::string RawMessage(DWORD code) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
    --length;
  return std::string(text, length);
}

class RawHandle {
 public:
  RawHandle(const std::string& path, DWORD access, DWORD share)
      : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)),
        error_(GetLastError()) {}
  ~RawHandle() {
    if (ok()) CloseHandle(handle_);
  }
  RawHandle(const RawHandle&) = delete;
  RawHandle& operator=(const RawHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD error() const { return error_; }
  // Closes the handle after `ms` on a thread of its own, as a virus scanner lets go of a file;
  // INFINITE keeps it until the test ends.
  std::thread CloseAfter(DWORD ms) {
    if (ms == INFINITE) return std::thread();
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return std::thread([handle, ms] {
      ::Sleep(ms);
      CloseHandle(handle);
    });
  }
  HANDLE get() const { return handle_; }

  void Append(const std::string& bytes) {
    SetFilePointer(handle_, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

 private:
  HANDLE handle_;
  DWORD error_;
};

// Writes a whole file with a raw handle of its own, as another program would.
void WriteWholeFile(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// A fresh folder in the temporary one, removed with all it holds at the end.
class TempFolder {
 public:
  TempFolder() {
    static int count = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "erm_win32_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++count);
    RemoveTree(path_);
    EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class Win32SystemHarness : public SystemHarness {
 public:
  ~Win32SystemHarness() override {
    if (!saved_directory_.empty()) SetCurrentDirectoryA(saved_directory_.c_str());
  }
  System& system() override { return system_; }
  SystemTraits traits() override {
    SystemTraits traits;
    // Wine keeps the read-only attribute as the host file's mode, which does not stop the
    // superuser the tests run as here from writing.
    traits.read_only_refuses_writing = !IsWine();
    // Windows refuses to replace a read-only file; Wine replaces it.
    traits.read_only_refuses_replacement = !IsWine();
    return traits;
  }
  std::string Folder() override { return folder_.path(); }
  void PutFile(const std::string& path, const std::string& bytes, uint32_t attributes) override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // it may be read-only from before
    WriteWholeFile(path, bytes);
    if (attributes != kAttrArchive) {
      EXPECT_TRUE(SetFileAttributesA(path.c_str(), attributes));
    }
  }
  void MakeDirectory(const std::string& path, uint32_t attributes) override {
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    if (attributes != kAttrDirectory) {
      EXPECT_TRUE(SetFileAttributesA(path.c_str(), attributes));
    }
  }
  void Append(const std::string& path, const std::string& bytes) override {
    RawHandle planner(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(planner.ok());
    planner.Append(bytes);
  }
  void ChangeDirectory(const std::string& path) override {
    if (saved_directory_.empty()) {
      char saved[MAX_PATH + 1] = {};
      GetCurrentDirectoryA(sizeof saved, saved);
      saved_directory_ = saved;
    }
    EXPECT_TRUE(SetCurrentDirectoryA(path.c_str())) << path;
  }

 private:
  TempFolder folder_;
  std::string saved_directory_;
  Win32System system_;
};

INSTANTIATE_TEST_SUITE_P(Win32, SystemConformance,
                         ::testing::Values(SystemImplementation{
                             "Win32", MakeSystemHarness<Win32SystemHarness>}),
                         SystemImplementationName);

// The rules only Windows has: sharing modes, byte-range locks and the system's own texts.
class Win32SystemTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_.path() + "\\" + name; }

  std::string PutFile(const std::string& name, const std::string& bytes) {
    WriteWholeFile(Path(name), bytes);
    return Path(name);
  }

  template <typename Action>
  static std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const Error& e) {
      return e.message();
    }
    return "(no error)";
  }

  std::string ErrorOfOpening(const std::string& path, FileAccess access, FileShare share) {
    return ErrorOf([&] { system_.OpenFile(path, access, share, FileOpen::kExisting); });
  }

  TempFolder folder_;
  Win32System system_;
};

// What another program may still do while we hold the file: each column is a raw CreateFileA
// with the access and sharing that program asks for.
struct SharingCase {
  const char* name;
  FileAccess access;
  FileShare share;
  bool others_may_write;       // GENERIC_WRITE, sharing everything
  bool others_may_deny_write;  // GENERIC_READ, FILE_SHARE_READ only
  bool others_may_delete;      // DELETE, sharing everything
};

TEST_F(Win32SystemTest, OpenModesGrantOthersExactlyTheirSharing) {
  const SharingCase cases[] = {
      {"shared read-write", FileAccess::kReadWrite, FileShare::kDenyNone, true, false, false},
      {"exclusive read-write", FileAccess::kReadWrite, FileShare::kDenyWrite, false, false, false},
      {"shared read-only", FileAccess::kRead, FileShare::kDenyNone, true, true, false},
      {"read-only, deny write", FileAccess::kRead, FileShare::kDenyWrite, false, true, false},
      {"read-only, sharing delete", FileAccess::kRead, FileShare::kDenyNoneWithDelete, true, true,
       true},
  };
  const std::string path = PutFile("t.dbf", "0123456789");
  const DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD share_all_and_delete = share_all | FILE_SHARE_DELETE;
  for (const SharingCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto ours = system_.OpenFile(path, c.access, c.share, FileOpen::kExisting);
    {
      RawHandle writer(path, GENERIC_READ | GENERIC_WRITE, share_all);
      EXPECT_EQ(writer.ok(), c.others_may_write);
      if (!writer.ok()) {
        EXPECT_EQ(writer.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
      }
    }
    {
      RawHandle deny_write(path, GENERIC_READ, FILE_SHARE_READ);
      EXPECT_EQ(deny_write.ok(), c.others_may_deny_write);
    }
    {
      RawHandle deleter(path, DELETE, share_all_and_delete);
      EXPECT_EQ(deleter.ok(), c.others_may_delete);
      if (!deleter.ok()) {
        EXPECT_EQ(deleter.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
      }
    }
    // We always read, so nobody may keep us from reading.
    RawHandle deny_read(path, GENERIC_WRITE, FILE_SHARE_WRITE);
    EXPECT_FALSE(deny_read.ok());
  }
}

TEST_F(Win32SystemTest, DenyWriteHolderRefusesSharedWriterButNotReader) {
  const std::string path = PutFile("t.dbf", "0123456789");
  RawHandle holder(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_TRUE(holder.ok());
  EXPECT_EQ(ErrorOfOpening(path, FileAccess::kReadWrite, FileShare::kDenyNone),
            RawMessage(ERROR_SHARING_VIOLATION));
  // A reader asks for no write access and shares writing, so the holder's own writes are
  // no conflict.
  EXPECT_EQ(ErrorOfOpening(path, FileAccess::kRead, FileShare::kDenyNone), "(no error)");
}

TEST_F(Win32SystemTest, ReadOfBytesLockedByAnotherHandleReportsLocked) {
  const std::string path = PutFile("t.dbf", std::string(100, 'x'));
  RawHandle planner(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(planner.ok());
  OVERLAPPED range{};
  range.Offset = 40;
  ASSERT_TRUE(LockFileEx(planner.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 20,
                         0, &range));
  auto file =
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
  char record[10];
  size_t got = 99;
  const ReadStatus status = file->ReadAt(45, record, sizeof record, &got);
  if (status == ReadStatus::kOk && IsWine()) {
    GTEST_SKIP() << "Wine keeps byte-range locks advisory: ReadFile ignores them";
  }
  EXPECT_EQ(status, ReadStatus::kLocked);
  EXPECT_EQ(got, 0u);
  // A read that only overlaps the locked range is refused as a whole.
  EXPECT_EQ(file->ReadAt(35, record, sizeof record, &got), ReadStatus::kLocked);
  EXPECT_EQ(file->ReadAt(0, record, sizeof record, &got), ReadStatus::kOk);
  EXPECT_EQ(got, sizeof record);
  ASSERT_TRUE(UnlockFileEx(planner.get(), 0, 20, 0, &range));
  EXPECT_EQ(file->ReadAt(45, record, sizeof record, &got), ReadStatus::kOk);
  EXPECT_EQ(got, sizeof record);
}

// Another program holds a file for a moment: a virus scanner reading the settings file without
// delete sharing, the planner writing an appointment file without read sharing. The program
// waits up to two seconds for it, then fails with the system's text.
TEST_F(Win32SystemTest, AFileHeldByAnotherProgramIsWaitedForTwoSeconds) {
  const std::string settings = PutFile("erinnerung_config.txt", "alt");
  const std::string trm = PutFile("t.trm", "Kopf");
  const auto folder = system_.OpenFolder(folder_.path() + "\\");
  for (const DWORD held_ms : {DWORD{300}, DWORD{INFINITE}}) {
    RawHandle scanner(settings, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    RawHandle planner(trm, GENERIC_WRITE, 0);
    std::thread release[2] = {scanner.CloseAfter(held_ms), planner.CloseAfter(held_ms)};
    const std::string replaced = ErrorOf([&] { ReplaceFileBytes(system_, settings, "neu"); });
    const std::string read = ErrorOf([&] { ReadFileBytes(system_, *folder, "t.trm"); });
    for (std::thread& t : release) {
      if (t.joinable()) t.join();
    }
    // Windows refuses a held file's replace as a sharing violation or as access denied.
    EXPECT_TRUE(held_ms == INFINITE ? replaced == RawMessage(ERROR_SHARING_VIOLATION) ||
                                          replaced == RawMessage(ERROR_ACCESS_DENIED)
                                    : replaced == "(no error)")
        << replaced;
    EXPECT_EQ(read, held_ms == INFINITE ? RawMessage(ERROR_SHARING_VIOLATION) : "(no error)");
  }
  EXPECT_EQ(ReadFileBytes(system_, settings, FileShare::kDenyNoneWithDelete), "neu");
  EXPECT_FALSE(system_.FileExists(settings + kTemporarySuffix));
}

LRESULT CALLBACK AnswerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return message == WM_APP + 7 ? 42 : DefWindowProcA(window, message, wparam, lparam);
}

// While the user-interface thread waits for a read stuck in a pipe that nobody writes, another
// thread's message to its window is answered at once (so a logoff's question is too), the read
// is given up on after its patience, and the stuck call is cancelled (Wine 8 cancels pipe reads,
// not every call Windows can cancel).
TEST_F(Win32SystemTest, AHungReadIsGivenUpWhileTheWindowAnswersAndItsCallIsCancelled) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = AnswerWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "ErmBoundedReadTest";
  RegisterClassA(&window_class);
  const HWND window = CreateWindowExA(0, window_class.lpszClassName, "", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const std::string pipe = "\\\\.\\pipe\\erm-bounded-read-" + std::to_string(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  DWORD_PTR answer = 0;
  ULONGLONG answered_after_ms = INFINITE;
  std::thread sender([&] {
    const ULONGLONG sent = GetTickCount64();
    SendMessageTimeoutA(window, WM_APP + 7, 0, 0, SMTO_NORMAL, 4000, &answer);
    answered_after_ms = GetTickCount64() - sent;
  });
  const BoundedReadOutcome outcome = system_.RunBounded(
      [&system = system_, pipe] {
        const auto file =
            system.OpenFile(pipe, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
        char byte = 0;
        size_t got = 0;
        file->ReadAt(0, &byte, 1, &got);
      },
      1500);
  sender.join();
  EXPECT_EQ(outcome, BoundedReadOutcome::kNoAnswer);
  EXPECT_EQ(answer, 42u);
  EXPECT_LT(answered_after_ms, 1000u);
  for (int i = 0; i < 500 && system_.ReadStillHangs(); ++i)
    Sleep(10);
  EXPECT_FALSE(system_.ReadStillHangs());
  // A system that could not cancel the call: the read is let go before the system goes.
  DWORD written = 0;
  if (system_.ReadStillHangs()) WriteFile(server, "x", 1, &written, nullptr);
  while (system_.ReadStillHangs())
    Sleep(10);
  CloseHandle(server);
  DestroyWindow(window);
}

TEST_F(Win32SystemTest, FailuresCarryTheSystemsTextWithoutLineEnd) {
  const std::string missing_file =
      ErrorOfOpening(Path("fehlt.dbf"), FileAccess::kRead, FileShare::kDenyNone);
  const std::string missing_folder =
      ErrorOfOpening(Path("fehlt\\t.dbf"), FileAccess::kRead, FileShare::kDenyNone);
  EXPECT_EQ(missing_file, RawMessage(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missing_folder, RawMessage(ERROR_PATH_NOT_FOUND));
  EXPECT_NE(missing_file, missing_folder);
  ASSERT_FALSE(missing_file.empty());
  EXPECT_EQ(missing_file.find_first_of("\r\n"), std::string::npos) << missing_file;

  const std::string kept = PutFile("erinnerung_konten.txt", "Familie\r\n");
  const std::string temporary = PutFile("erinnerung_konten.txt.neu", "");
  EXPECT_EQ(ErrorOf([&] { system_.RenameFile(temporary, kept, RenameMode::kKeepExisting); }),
            RawMessage(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ErrorOf([&] { system_.RemoveFile(Path("fehlt.neu")); }),
            RawMessage(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32SystemTest, PathsWithANulByteNameNothing) {
  PutFile("a", "bytes");
  const std::string with_nul = Path("a") + std::string(1, '\0') + "b";
  EXPECT_EQ(ErrorOfOpening(with_nul, FileAccess::kRead, FileShare::kDenyNone),
            RawMessage(ERROR_INVALID_NAME));
  EXPECT_FALSE(system_.FileExists(with_nul));
  DirEntry entry;
  EXPECT_FALSE(system_.Enumerate(folder_.path() + std::string(1, '\0') + "\\*.*")->Next(&entry));
}

TEST_F(Win32SystemTest, ProgramFolderHoldsTheRunningExecutable) {
  const std::string folder = system_.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(system_.FileExists(folder + "win32_tests.exe")) << folder;
}

}  // namespace
}  // namespace erm::platform
