// Win32System against the real Windows API (or Wine's), with real files in a fresh temporary
// folder. Raw CreateFileA and LockFileEx calls stand in for the planner holding the same files.
#include "platform/win32/win32_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/error.h"

namespace erm::platform {
namespace {

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

bool IsWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
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

class Win32SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::string(temp) + "erm_win32_" + std::to_string(GetCurrentProcessId()) + "_" +
           info->name();
    RemoveTree(dir_);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
  }
  void TearDown() override { RemoveTree(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  std::string PutFile(const std::string& name, const std::string& bytes) {
    const std::string path = Path(name);
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
  }

  std::string Contents(const std::string& path) {
    auto file =
        system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
    std::string bytes(static_cast<size_t>(file->Size()), '\0');
    size_t got = 0;
    file->ReadAt(0, bytes.data(), bytes.size(), &got);
    bytes.resize(got);
    return bytes;
  }

  std::string ErrorOfOpening(const std::string& path, FileAccess access, FileShare share) {
    try {
      system_.OpenFile(path, access, share, FileOpen::kExisting);
    } catch (const Error& e) {
      return e.message();
    }
    return "(opened)";
  }

  Win32System system_;
  std::string dir_;
};

// What another program may still do while we hold the file: each column is a raw CreateFileA
// with the access and sharing that program asks for.
struct SharingCase {
  const char* name;
  FileAccess access;
  FileShare share;
  bool others_may_write;       // GENERIC_WRITE, sharing everything
  bool others_may_deny_write;  // GENERIC_READ, FILE_SHARE_READ only
};

TEST_F(Win32SystemTest, OpenModesGrantOthersExactlyTheirSharing) {
  const SharingCase cases[] = {
      {"shared read-write", FileAccess::kReadWrite, FileShare::kDenyNone, true, false},
      {"exclusive read-write", FileAccess::kReadWrite, FileShare::kDenyWrite, false, false},
      {"shared read-only", FileAccess::kRead, FileShare::kDenyNone, true, true},
      {"read-only, deny write", FileAccess::kRead, FileShare::kDenyWrite, false, true},
  };
  const std::string path = PutFile("t.dbf", "0123456789");
  const DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE;
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
  EXPECT_EQ(ErrorOfOpening(path, FileAccess::kRead, FileShare::kDenyNone), "(opened)");
}

TEST_F(Win32SystemTest, SharedOpensCoexistAndSeeEachOthersAppends) {
  const std::string path = PutFile("t.dbf", "0123456789");
  auto first =
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
  auto second =
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
  EXPECT_EQ(first->Size(), 10u);
  RawHandle planner(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(planner.ok());
  planner.Append("ABCDE");
  EXPECT_EQ(first->Size(), 15u);
  EXPECT_EQ(second->Size(), 15u);
  char tail[5] = {};
  size_t got = 0;
  EXPECT_EQ(first->ReadAt(10, tail, sizeof tail, &got), ReadStatus::kOk);
  EXPECT_EQ(std::string(tail, got), "ABCDE");
}

TEST_F(Win32SystemTest, ReadsAtTheEndOfTheFileComeBackShort) {
  const std::string path = PutFile("t.dbf", "0123456789");
  auto file = system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  struct {
    uint64_t offset;
    size_t size;
    std::string expected;
  } const cases[] = {
      {0, 10, "0123456789"}, {6, 8, "6789"}, {10, 4, ""}, {100, 4, ""}, {uint64_t{1} << 40, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    std::string buffer(c.size, '#');
    size_t got = 99;
    EXPECT_EQ(file->ReadAt(c.offset, buffer.data(), c.size, &got), ReadStatus::kOk);
    EXPECT_EQ(buffer.substr(0, got), c.expected);
    // The bytes past the short read are left as they were.
    EXPECT_EQ(buffer.substr(got), std::string(c.size - got, '#'));
  }
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

TEST_F(Win32SystemTest, WritesFollowEachOtherWhateverWasReadBetween) {
  const std::string path = PutFile("neu.txt", "old content that must go");
  {
    auto file = system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyWrite,
                                 FileOpen::kCreateAlways);
    EXPECT_EQ(file->Size(), 0u);
    file->Write("abc", 3);
    char byte;
    size_t got = 0;
    file->ReadAt(0, &byte, 1, &got);
    file->Write("def\r\n", 5);
  }
  EXPECT_EQ(Contents(path), "abcdef\r\n");
}

TEST_F(Win32SystemTest, CreateAlwaysMakesAWritableFileEvenWhenAskedForReading) {
  const std::string path = Path("erinnerung_konten.txt");
  {
    auto file =
        system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kCreateAlways);
    file->Write("x", 1);
  }
  EXPECT_EQ(Contents(path), "x");
}

// A settings file's rewrite: the new bytes in a file beside it, closed, then renamed over it.
TEST_F(Win32SystemTest, RenameReplacesAnExistingFileAndTheTemporaryNameIsGone) {
  const std::string target = PutFile("erinnerung_config.txt", "C:\\Alt\\\r\n");
  const std::string temporary = Path("erinnerung_config.txt.neu");
  {
    auto file = system_.OpenFile(temporary, FileAccess::kReadWrite, FileShare::kDenyWrite,
                                 FileOpen::kCreateAlways);
    file->Write("C:\\Neu\\\r\n", 9);
    file->Close();
  }
  system_.RenameFile(temporary, target, RenameMode::kReplaceExisting);
  EXPECT_EQ(Contents(target), "C:\\Neu\\\r\n");
  EXPECT_FALSE(system_.FileExists(temporary));
  EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32SystemTest, RenameCreatesAMissingTargetAndKeepsAnExistingOneWhenAsked) {
  const std::string target = Path("erinnerung_konten.txt");
  const std::string temporary = PutFile("erinnerung_konten.txt.neu", "");
  system_.RenameFile(temporary, target, RenameMode::kKeepExisting);
  EXPECT_TRUE(system_.FileExists(target));
  EXPECT_FALSE(system_.FileExists(temporary));
  EXPECT_EQ(Contents(target), "");

  PutFile("erinnerung_konten.txt", "Familie\r\n");
  PutFile("erinnerung_konten.txt.neu", "");
  try {
    system_.RenameFile(temporary, target, RenameMode::kKeepExisting);
    ADD_FAILURE() << "renamed over an existing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), RawMessage(ERROR_ALREADY_EXISTS));
  }
  EXPECT_EQ(Contents(target), "Familie\r\n");
  EXPECT_TRUE(system_.FileExists(temporary));
}

TEST_F(Win32SystemTest, ARenameThatFailsChangesNothing) {
  const std::string target = PutFile("ziel.txt", "alt");
  const std::string temporary = PutFile("ziel.txt.neu", "neu");
  EXPECT_THROW(system_.RenameFile(Path("fehlt.neu"), Path("x.txt"), RenameMode::kReplaceExisting),
               Error);
  EXPECT_THROW(system_.RenameFile(temporary, Path("fehlt\\ziel.txt"), RenameMode::kReplaceExisting),
               Error);
  EXPECT_EQ(Contents(temporary), "neu");
  EXPECT_EQ(Contents(target), "alt");
  // Windows refuses to replace a read-only file; Wine replaces it.
  if (IsWine()) return;
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(system_.RenameFile(temporary, target, RenameMode::kReplaceExisting), Error);
  EXPECT_EQ(Contents(target), "alt");
  EXPECT_EQ(Contents(temporary), "neu");
}

TEST_F(Win32SystemTest, RemoveDeletesAFileAndReportsWhatItCannot) {
  const std::string path = PutFile("weg.neu", "x");
  system_.RemoveFile(path);
  EXPECT_FALSE(system_.FileExists(path));
  try {
    system_.RemoveFile(path);
    ADD_FAILURE() << "removed a missing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), RawMessage(ERROR_FILE_NOT_FOUND));
  }
  ASSERT_TRUE(CreateDirectoryA(Path("ordner").c_str(), nullptr));
  EXPECT_THROW(system_.RemoveFile(Path("ordner")), Error);
}

// After an explicit close the destructor must not close the handle again: by then the number
// may belong to another file.
TEST_F(Win32SystemTest, CloseFlushesOnceAndTheFileIsComplete) {
  const std::string path = Path("a.txt");
  auto file = system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyWrite,
                               FileOpen::kCreateAlways);
  file->Write("abc", 3);
  file->Close();
  auto other = system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  file.reset();
  EXPECT_EQ(other->Size(), 3u);
  auto reader =
      system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  EXPECT_NO_THROW(reader->Close());
  EXPECT_EQ(Contents(path), "abc");
}

TEST_F(Win32SystemTest, FailedOpensCarryTheSystemsTextWithoutLineEnd) {
  const std::string missing_file =
      ErrorOfOpening(Path("fehlt.dbf"), FileAccess::kRead, FileShare::kDenyNone);
  const std::string missing_folder =
      ErrorOfOpening(Path("fehlt\\t.dbf"), FileAccess::kRead, FileShare::kDenyNone);
  EXPECT_EQ(missing_file, RawMessage(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missing_folder, RawMessage(ERROR_PATH_NOT_FOUND));
  EXPECT_NE(missing_file, missing_folder);
  ASSERT_FALSE(missing_file.empty());
  EXPECT_EQ(missing_file.find_first_of("\r\n"), std::string::npos) << missing_file;
}

TEST_F(Win32SystemTest, PathsWithANulByteNameNothing) {
  PutFile("a", "bytes");
  const std::string with_nul = Path("a") + std::string(1, '\0') + "b";
  EXPECT_EQ(ErrorOfOpening(with_nul, FileAccess::kRead, FileShare::kDenyNone),
            RawMessage(ERROR_INVALID_NAME));
  EXPECT_FALSE(system_.FileExists(with_nul));
  DirEntry entry;
  EXPECT_FALSE(system_.Enumerate(dir_ + std::string(1, '\0') + "\\*.*")->Next(&entry));
}

TEST_F(Win32SystemTest, FileExistsOnlyForPlainFiles) {
  PutFile("t.dbf", "");
  ASSERT_TRUE(CreateDirectoryA(Path("konten").c_str(), nullptr));
  EXPECT_TRUE(system_.FileExists(Path("t.dbf")));
  EXPECT_TRUE(system_.FileExists(Path("T.DBF")));
  EXPECT_FALSE(system_.FileExists(Path("konten")));
  EXPECT_FALSE(system_.FileExists(Path("fehlt.dbf")));
  EXPECT_FALSE(system_.FileExists(Path("fehlt\\t.dbf")));
}

std::vector<DirEntry> ListAll(System& system, const std::string& pattern) {
  std::vector<DirEntry> entries;
  auto listing = system.Enumerate(pattern);
  DirEntry entry;
  while (listing->Next(&entry))
    entries.push_back(entry);
  return entries;
}

const DirEntry* FindEntry(const std::vector<DirEntry>& entries, const std::string& name) {
  for (const DirEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

TEST_F(Win32SystemTest, ListingStartsWithDotsAndKeepsHiddenAndSystemEntries) {
  const std::string konten = Path("konten");
  ASSERT_TRUE(CreateDirectoryA(konten.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((konten + "\\Familie").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((konten + "\\Geheim").c_str(), nullptr));
  PutFile("konten\\notiz.txt", "n");
  PutFile("konten\\system.dat", "s");
  ASSERT_TRUE(SetFileAttributesA((konten + "\\Geheim").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA((konten + "\\system.dat").c_str(), FILE_ATTRIBUTE_SYSTEM));

  const std::vector<DirEntry> entries = ListAll(system_, konten + "\\*.*");
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_TRUE(entries[0].attributes & kAttrDirectory);
  struct {
    const char* name;
    uint32_t required;
    uint32_t absent;
  } const expected[] = {
      {"Familie", kAttrDirectory, kAttrHidden | kAttrSystem},
      {"Geheim", kAttrDirectory | kAttrHidden, kAttrSystem},
      {"notiz.txt", 0, kAttrDirectory | kAttrHidden | kAttrSystem},
      {"system.dat", kAttrSystem, kAttrDirectory | kAttrHidden},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    const DirEntry* entry = FindEntry(entries, e.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->attributes & e.required, e.required);
    EXPECT_EQ(entry->attributes & e.absent, 0u);
  }
}

TEST_F(Win32SystemTest, MissingOrEmptyFoldersListNoAccounts) {
  EXPECT_TRUE(ListAll(system_, Path("fehlt\\*.*")).empty());
  EXPECT_TRUE(ListAll(system_, Path("fehlt\\konten\\*.*")).empty());
  EXPECT_TRUE(ListAll(system_, Path("*.nix")).empty());
  ASSERT_TRUE(CreateDirectoryA(Path("leer").c_str(), nullptr));
  const std::vector<DirEntry> entries = ListAll(system_, Path("leer\\*.*"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
}

TEST_F(Win32SystemTest, ProgramFolderHoldsTheRunningExecutable) {
  const std::string folder = system_.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(system_.FileExists(folder + "win32_tests.exe")) << folder;
}

TEST_F(Win32SystemTest, FullPathResolvesAgainstTheCurrentDirectory) {
  char saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof saved, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  char current[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof current, current);
  const std::string here = current;
  const std::string drive = here.substr(0, 2);
  struct {
    const char* path;
    std::string expected;
  } const cases[] = {
      {"konten\\..\\erinnerung.dbf", here + "\\erinnerung.dbf"},
      {".\\konten\\", here + "\\konten\\"},
      {"", here + "\\"},
      {"C:\\a\\.\\b\\..\\c\\", "C:\\a\\c\\"},
      {"\\a\\b", drive + "\\a\\b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(system_.FullPath(c.path), c.expected) << '"' << c.path << '"';
  }
  SetCurrentDirectoryA(saved);
}

TEST_F(Win32SystemTest, ToAnsiConvertsThroughUnicodeAndMarksMissingCharacters) {
  if (system_.AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
  struct {
    int code_page;
    std::string text;
    std::string expected;
  } const cases[] = {
      {850,
       "Pr\x81"
       "fung",
       "Pr\xFC"
       "fung"},
      {850, "\x94\x9B\xE1", "\xF6\xF8\xDF"},
      {437, "\x9B", "\xA2"},
      {850, "\xB0|\xC9", "?|?"},  // box drawing has no Windows-1252 form
      {1252, "\x80\xFC", "\x80\xFC"},
      {12345, "\x81", "\x81"},  // no such code page: the bytes stay
      {850, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code_page);
    EXPECT_EQ(system_.ToAnsi(c.code_page, c.text), c.expected);
  }
}

TEST_F(Win32SystemTest, OnlyCodePagesTheSystemKnowsAreSupported) {
  EXPECT_TRUE(system_.IsCodePageSupported(850));
  EXPECT_TRUE(system_.IsCodePageSupported(1252));
  EXPECT_TRUE(system_.IsCodePageSupported(system_.OemCodePage()));
  for (int code_page : {0, -850, 12345, 70000}) {
    EXPECT_FALSE(system_.IsCodePageSupported(code_page)) << code_page;
  }
}

}  // namespace
}  // namespace erm::platform
