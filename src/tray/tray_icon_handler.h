// The one hidden window that serves every tray icon of the process: the shell sends an icon's
// mouse and balloon notifications to it as the callback message, and TTrayIconHandler turns them
// into the events of the TTrayIcon the message names.
#pragma once

#include <cstdint>
#include <map>

#include "platform/desktop.h"

namespace erm::tray {

class TTrayIcon;

// The icon's callback message (WM_USER + 0x400): wParam the icon's uID, lParam the event code.
inline constexpr uint32_t kTrayCallbackMessage = 0x0800;
// Shells that understand "TaskbarCreated" come with common controls 4.71 or later.
inline constexpr uint32_t kTaskbarCreatedMinVersion = 0x00040047;

class TTrayIconHandler {
 public:
  explicit TTrayIconHandler(platform::Desktop& desktop);
  // Destroying the window posts a quit request: the last tray icon is going, and with it the
  // program.
  ~TTrayIconHandler();
  TTrayIconHandler(const TTrayIconHandler&) = delete;
  TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

  platform::Desktop& desktop() const { return desktop_; }
  platform::WindowHandle Window() const { return window_; }
  // The number of live tray icons.
  uint32_t RefCount() const { return ref_count_; }
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
  TTrayIcon* Find(uint32_t icon_id) const;

  std::intptr_t HandlerWindowProc(const platform::WindowMessage& message);

 private:
  friend class TTrayIcon;
  friend void AcquireTrayHandler(platform::Desktop& desktop);
  friend void ReleaseTrayHandler();

  uint32_t Register(TTrayIcon* icon);
  void Unregister(uint32_t icon_id);
  void HandleIconMessage(uint32_t icon_id, uint32_t code);
  void HandleUserChanged();

  platform::Desktop& desktop_;
  platform::WindowHandle window_ = 0;
  uint32_t ref_count_ = 0;
  uint32_t taskbar_created_message_ = 0;
  uint32_t common_controls_version_ = 0;
  bool old_nt_shell_ = false;
  platform::ModuleHandle com_ctl_module_ = ~platform::ModuleHandle{0};
  uint32_t next_id_ = 1;
  std::map<uint32_t, TTrayIcon*> icons_;
};

// The process-wide handler; null while no tray icon exists.
TTrayIconHandler* TrayHandler();
// Creates the handler (and its window) if there is none; counts one more user in every case.
void AcquireTrayHandler(platform::Desktop& desktop);
// Counts one user less; the last one destroys the handler and its window.
void ReleaseTrayHandler();
// True on the shells of Windows NT 4 and older.
bool IsOldNtShell(platform::Desktop& desktop);

}  // namespace erm::tray
