// The parts of the Windows desktop that tell the user and the program about the session: the
// taskbar button's flashing, the session's lock and unlock, and the small icon size at the DPI
// the shell draws the notification area with.
#include "platform/win32/win32_desktop.h"
#include "platform/win32/windows_api.h"

#include <wtsapi32.h>

namespace erm::platform {
namespace {

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

constexpr int kDesignSmallIconSize = 16;

// Functions of Windows 10 1607 and later, looked up so that the program still starts on older
// systems; null where there are none.
template <class Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The DPI of the monitor that shows the taskbar, whose notification area draws the icon; the
// system's DPI where the taskbar cannot be asked; 0 where neither can.
UINT TaskbarDpi() {
  static const auto for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  static const auto for_system = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  UINT dpi = taskbar != nullptr && for_window != nullptr ? for_window(taskbar) : 0;
  if (dpi == 0 && for_system != nullptr) dpi = for_system();
  return dpi;
}

}  // namespace

void Win32Desktop::FlashWindow(WindowHandle window, bool flash) {
  FLASHWINFO info{};
  info.cbSize = sizeof(info);
  info.hwnd = reinterpret_cast<HWND>(window);
  // Until the window comes to the foreground: the user may be away when the notice opens.
  info.dwFlags = flash ? static_cast<DWORD>(FLASHW_TRAY | FLASHW_TIMERNOFG) : FLASHW_STOP;
  FlashWindowEx(&info);
  RethrowPendingException();
}

bool Win32Desktop::RegisterSessionNotification(WindowHandle window) {
  return WTSRegisterSessionNotification(reinterpret_cast<HWND>(window), NOTIFY_FOR_THIS_SESSION) !=
         FALSE;
}

void Win32Desktop::UnregisterSessionNotification(WindowHandle window) {
  WTSUnRegisterSessionNotification(reinterpret_cast<HWND>(window));
}

int Win32Desktop::SmallIconSize() {
  // The program is per-monitor DPI-aware, so the plain metric is the 96-DPI one on Windows 10;
  // older systems scale the plain metric themselves.
  static const auto for_dpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  const UINT dpi = TaskbarDpi();
  if (for_dpi != nullptr && dpi != 0) {
    const int size = for_dpi(SM_CXSMICON, dpi);
    if (size > 0) return size;
  }
  const int size = GetSystemMetrics(SM_CXSMICON);
  return size > 0 ? size : kDesignSmallIconSize;
}

}  // namespace erm::platform
