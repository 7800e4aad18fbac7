// One program per user session on Windows: a named mutex in the session's own namespace, and
// the message filter that lets a non-elevated second start reach an elevated program.
#include "platform/win32/win32_desktop.h"
#include "platform/win32/windows_api.h"

#include "platform/win32/win32_handles.h"

namespace erm::platform {

using win32::ExportAs;

// "Local\" scopes the name to the session: another user, or the same user logged on twice
// through Remote Desktop, runs a program of their own. A mutex that exists under another
// user's rights cannot be opened (ERROR_ACCESS_DENIED): that program holds the name too.
bool Win32Desktop::ClaimSessionName(const std::string& name) {
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) return error != ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  session_name_ = std::shared_ptr<void>(mutex, [](void* handle) { CloseHandle(handle); });
  return true;
}

// Windows 7 and later filter per window, Vista only per process; older systems let every
// message through. Wine has no integrity levels and accepts both calls.
bool Win32Desktop::AllowMessageFromLowerPrograms(WindowHandle window, uint32_t message) {
  using FilterWindowFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  using FilterProcessFn = BOOL(WINAPI*)(UINT, DWORD);
  constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD of the older call
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (const auto filter_window =
          ExportAs<FilterWindowFn>(GetProcAddress(user32, "ChangeWindowMessageFilterEx"))) {
    return filter_window(reinterpret_cast<HWND>(window), message, kAllow, nullptr) != FALSE;
  }
  if (const auto filter_process =
          ExportAs<FilterProcessFn>(GetProcAddress(user32, "ChangeWindowMessageFilter"))) {
    return filter_process(message, kAllow) != FALSE;
  }
  return true;
}

// The restart manager of an installer that ends the program to replace its files starts it
// again once the files are in place, as the logon entry would (it has no arguments either).
// After a restart of the system the logon entry starts it; after a crash or a hang Windows
// leaves it alone, so that a fault cannot start it over and over. Wine accepts the request and
// never acts on it: its installer does not end running programs.
bool Win32Desktop::RegisterRestartAfterUpdate() {
  return RegisterApplicationRestart(nullptr,
                                    RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT) == S_OK;
}

}  // namespace erm::platform
