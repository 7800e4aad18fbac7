// One program per user session on Windows: a named mutex in the session's own namespace, and a
// broadcast to find the program that holds it.
#include "platform/win32/win32_desktop.h"
#include "platform/win32/windows_api.h"

namespace erm::platform {

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

// Windows hands the foreground only to a program the user has just worked with, which is the
// one started now, not the one in the tray that is to show its window: this start passes its
// right on before it asks.
void Win32Desktop::BroadcastMessage(uint32_t message) {
  AllowSetForegroundWindow(ASFW_ANY);
  PostMessageA(HWND_BROADCAST, message, 0, 0);
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
