// The program's records in the registry: the planner folder an administrator preset (by Group
// Policy or with the package for all users), the folder each package installed the program into,
// and the per-user package's Run value. The 64-bit packages and Group Policy write them in the
// 64-bit view, which is also where a 32-bit build must look. Texts cross the API in the ANSI code
// page, as the program keeps its paths.
#include <string>

#include "platform/win32/win32_errors.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"

namespace erm::platform {
namespace {

constexpr char kProgramKey[] = "Software\\QX-Brevantoliske\\Erinnerungsmodul";
constexpr char kPolicyKey[] = "Software\\Policies\\QX-Brevantoliske\\Erinnerungsmodul";
constexpr char kPlannerValue[] = "Planerverzeichnis";
constexpr char kInstallationFolderName[] = "Installationsordner";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValueName[] = "Erinnerungsmodul";

// A text value, REG_EXPAND_SZ expanded; empty for anything missing, unreadable or not a text.
std::string ReadTextValue(HKEY root, const char* key_name, const char* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, key_name, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return std::string();
  std::string value(MAX_PATH, '\0');
  DWORD type = 0;
  LSTATUS status = ERROR_MORE_DATA;
  // A value that grows between the two calls asks again.
  for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
    DWORD size = static_cast<DWORD>(value.size());
    status = RegQueryValueExA(key, value_name, nullptr, &type,
                              reinterpret_cast<BYTE*>(value.data()), &size);
    value.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
  // A stored text need not end with its NUL, nor stop at the first one.
  value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
  if (type == REG_SZ) return value;
  const DWORD needed = ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
  if (needed == 0) return std::string();
  std::string expanded(needed, '\0');
  const DWORD length = ExpandEnvironmentStringsA(value.c_str(), expanded.data(), needed);
  if (length == 0 || length > needed) return std::string();
  expanded.resize(length - 1);
  return expanded;
}

}  // namespace

// A domain's policy comes before the package's value: the office that sets it for all its PCs
// means it also for the PC whose package was installed with another folder. An enabled policy
// never holds an empty text (the template requires one), so empty means none is set.
std::string Win32System::MachinePlannerDirectory() {
  std::string planner = ReadTextValue(HKEY_LOCAL_MACHINE, kPolicyKey, kPlannerValue);
  if (planner.empty()) planner = ReadTextValue(HKEY_LOCAL_MACHINE, kProgramKey, kPlannerValue);
  return planner;
}

std::string Win32System::InstallationFolder(InstallScope scope) {
  std::string folder =
      ReadTextValue(scope == InstallScope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                    kProgramKey, kInstallationFolderName);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string Win32System::UserLogonCommand() {
  return ReadTextValue(HKEY_CURRENT_USER, kRunKey, kRunValueName);
}

void Win32System::RemoveUserLogonCommand() {
  HKEY key = nullptr;
  LSTATUS status =
      RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
  if (status == ERROR_FILE_NOT_FOUND) return;
  if (status != ERROR_SUCCESS) win32::ThrowError(static_cast<DWORD>(status));
  status = RegDeleteValueA(key, kRunValueName);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    win32::ThrowError(static_cast<DWORD>(status));
}

}  // namespace erm::platform
