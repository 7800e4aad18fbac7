// The folder lookups of Win32System against the real API (or Wine's): the user's roaming data
// folder, creating a folder, and whether the program may create files in one; and how a failed
// ReadFile is read, lock or error.
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/win32/win32_errors.h"

namespace erm::platform {
namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every entry of a folder but "." and "..".
int EntryCount(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") ++n;
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return n;
}

class Win32FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    dir_ = std::string(temp) + "erm_folders_" + std::to_string(GetCurrentProcessId()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
  }
  void TearDown() override {
    RemoveDirectoryA((dir_ + "Erinnerungsmodul").c_str());
    RemoveDirectoryA(dir_.c_str());
  }

  Win32System system_;
  std::string dir_;
};

TEST_F(Win32FoldersTest, TheUsersDataFolderIsAnExistingFolderEndingInABackslash) {
  const std::string folder = system_.UserDataFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(IsFolder(folder)) << folder;
  // The roaming one, which %APPDATA% names.
  char appdata[MAX_PATH] = {};
  if (GetEnvironmentVariableA("APPDATA", appdata, sizeof appdata) > 0) {
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, folder.c_str(),
                             static_cast<int>(folder.size() - 1), appdata, -1),
              CSTR_EQUAL)
        << folder << " / " << appdata;
  }
}

TEST_F(Win32FoldersTest, CreatingAFolderTwiceIsNoErrorButAFileInTheWayIs) {
  const std::string folder = dir_ + "Erinnerungsmodul\\";
  system_.CreateFolder(folder);
  EXPECT_TRUE(IsFolder(folder));
  system_.CreateFolder(folder);
  EXPECT_THROW(system_.CreateFolder(dir_ + "fehlt\\Erinnerungsmodul\\"), Error);

  const std::string file = dir_ + "datei";
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_THROW(system_.CreateFolder(file), Error);
  DeleteFileA(file.c_str());
}

TEST_F(Win32FoldersTest, TheWriteTryLeavesNothingBehind) {
  EXPECT_TRUE(system_.CanCreateFilesIn(dir_));
  EXPECT_EQ(EntryCount(dir_), 0);
  EXPECT_FALSE(system_.CanCreateFilesIn(dir_ + "fehlt\\"));
}

TEST(Win32ReadFailureTest, OnlyALockViolationIsWorthAskingAgain) {
  struct Case {
    DWORD code;
    win32::ReadFailure expected;
  };
  const Case cases[] = {
      {ERROR_LOCK_VIOLATION, win32::ReadFailure::kLocked},
      {ERROR_HANDLE_EOF, win32::ReadFailure::kEndOfFile},
      {ERROR_SHARING_VIOLATION, win32::ReadFailure::kError},
      {ERROR_ACCESS_DENIED, win32::ReadFailure::kError},
      {ERROR_NETNAME_DELETED, win32::ReadFailure::kError},
      {ERROR_LOCK_FAILED, win32::ReadFailure::kError},
      {ERROR_SUCCESS, win32::ReadFailure::kError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(win32::ClassifyReadFailure(c.code), c.expected) << c.code;
  }
}

}  // namespace
}  // namespace erm::platform
