// The folder lookups of Win32System against the real API (or Wine's): the user's roaming data
// folder, creating a folder, whether the program may create files in one, and the planner folder
// preset for the computer in its registry; and how a failed ReadFile is read, lock or error.
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <cstring>
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

// Where Group Policy and the package write the preset, and the vendor keys above them, which a
// test removes again when it made them.
const char* const kPresetKeys[] = {"Software\\Policies\\QX-Brevantoliske\\Erinnerungsmodul",
                                   "Software\\QX-Brevantoliske\\Erinnerungsmodul"};
const char* const kVendorKeys[] = {"Software\\Policies\\QX-Brevantoliske",
                                   "Software\\QX-Brevantoliske"};

class MachinePresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      HKEY key = nullptr;
      made_[i] =
          RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKeys[i], 0, KEY_READ, &key) != ERROR_SUCCESS;
      if (!made_[i]) RegCloseKey(key);
    }
    // A computer's own preset would be overwritten and removed.
    if (!system_.MachinePlannerDirectory().empty()) GTEST_SKIP() << "this computer has a preset";
    for (int i = 0; i < 2; ++i) {
      const LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPresetKeys[i], 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &keys_[i], nullptr);
      if (status == ERROR_ACCESS_DENIED) GTEST_SKIP() << "HKLM is writable for administrators";
      ASSERT_EQ(status, ERROR_SUCCESS) << kPresetKeys[i];
    }
  }
  void TearDown() override {
    for (int i = 0; i < 2; ++i) {
      if (keys_[i] == nullptr) continue;
      RegDeleteValueA(keys_[i], "Planerverzeichnis");
      RegCloseKey(keys_[i]);
      if (made_[i]) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKeys[i]);
    }
  }
  // No text removes the value.
  void Store(int i, DWORD type, const char* text) {
    RegDeleteValueA(keys_[i], "Planerverzeichnis");
    if (text == nullptr) return;
    ASSERT_EQ(
        RegSetValueExA(keys_[i], "Planerverzeichnis", 0, type, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1)),
        ERROR_SUCCESS);
  }

  Win32System system_;
  bool made_[2] = {};
  HKEY keys_[2] = {};
};

TEST_F(MachinePresetTest, GroupPolicyComesBeforeThePackagesValue) {
  char drive[MAX_PATH] = {};
  GetEnvironmentVariableA("SystemDrive", drive, sizeof drive);
  const char* const server = "\\\\server\\Planer f\xFCr alle";
  struct Case {
    DWORD policy_type;
    const char* policy;
    const char* package;
    std::string expected;
  };
  const Case cases[] = {
      {REG_SZ, nullptr, nullptr, ""},
      {REG_SZ, nullptr, server, server},
      {REG_SZ, "P:\\Planer\\", nullptr, "P:\\Planer\\"},
      {REG_SZ, "\\\\dc\\planer", server, "\\\\dc\\planer"},
      {REG_SZ, "", server, server},
      {REG_DWORD, "\\\\dc\\planer", server, server},
      {REG_EXPAND_SZ, "%SystemDrive%\\Planer", server, std::string(drive) + "\\Planer"},
  };
  for (const Case& c : cases) {
    Store(0, c.policy_type, c.policy);
    Store(1, REG_SZ, c.package);
    EXPECT_EQ(system_.MachinePlannerDirectory(), c.expected) << c.policy << " / " << c.package;
  }
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
