// The hidden window that serves the tray icons of one program: the shell sends an icon's mouse
// and balloon notifications to it as the callback message, and TTrayIconHandler passes each one
// to the TTrayIcon the message names.
#pragma once

#include <cstdint>

#include "platform/desktop.h"
#include "tray/id_registry.h"
#include "tray/lite_timer.h"

namespace erm::tray {

class TTrayIcon;

// The icon's callback message (WM_USER + 0x400): wParam the icon's uID, lParam the event code.
inline constexpr uint32_t kTrayCallbackMessage = 0x0800;
// Shells that understand "TaskbarCreated" come with common controls 4.71 or later.
inline constexpr uint32_t kTaskbarCreatedMinVersion = 0x00040047;

// The window opens with the first tray icon and closes with the last, and what it learnt about
// the shell goes with it; the handler must outlive every icon made on it.
class TTrayIconHandler {
 public:
  explicit TTrayIconHandler(platform::Desktop& desktop) : desktop_(desktop) {}
  ~TTrayIconHandler();
  TTrayIconHandler(const TTrayIconHandler&) = delete;
  TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

  platform::Desktop& desktop() const { return desktop_; }
  // 0 while no tray icon lives.
  platform::WindowHandle Window() const { return window_; }
  // The number of live tray icons.
  uint32_t RefCount() const { return icons_.Count(); }
  // The message the shell broadcasts after it has restarted; 0 where the installed common
  // controls are too old for the shell to send it.
  uint32_t TaskbarCreatedMessage() const { return taskbar_created_message_; }
  uint32_t CommonControlsVersion() const { return common_controls_version_; }

  // Set by every tray icon once it is loaded.
  bool OldNtShell() const { return old_nt_shell_; }
  void SetOldNtShell(bool value) { old_nt_shell_ = value; }
  // The common-controls module loaded for an old shell; all bits set until the first user
  // change.
  platform::ModuleHandle ComCtlModule() const { return com_ctl_module_; }

  // The tray icon with that uID, or nullptr.
  TTrayIcon* Find(uint32_t icon_id) const { return icons_.Find(icon_id); }
  // The icon's uID for the shell; the first icon opens the window.
  uint32_t Register(TTrayIcon* icon);
  // The last icon going closes the window, which posts a quit request: with the last tray icon
  // goes the program.
  void Unregister(uint32_t icon_id);

  std::intptr_t HandlerWindowProc(const platform::WindowMessage& message);

 private:
  void OpenWindow();
  void CloseWindow();
  void HandleIconMessage(std::uintptr_t icon_id, uint32_t code);
  void HandleUserChanged();

  platform::Desktop& desktop_;
  platform::WindowHandle window_ = 0;
  uint32_t taskbar_created_message_ = 0;
  uint32_t common_controls_version_ = 0;
  bool old_nt_shell_ = false;
  platform::ModuleHandle com_ctl_module_ = ~platform::ModuleHandle{0};
  IdRegistry<TTrayIcon> icons_;
};

// The helper windows of one program's tray icons. The program makes them before the windows that
// carry a tray icon and destroys them after those; nothing in them is shared with another program
// in the same process.
struct TrayHandlers {
  explicit TrayHandlers(platform::Desktop& desktop) : timers(desktop), icons(desktop) {}

  TLiteTimerHandler timers;
  TTrayIconHandler icons;
};

// True on the shells of Windows NT 4 and older.
bool IsOldNtShell(platform::Desktop& desktop);

}  // namespace erm::tray
