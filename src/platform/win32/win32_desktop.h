// The windowing seam on Windows: real windows, subclass hooks, window timers, the thread's
// message queue, the notification area, the shell and the common dialogs.
//
// C++ exceptions never unwind through Windows' own frames: the window procedures and hooks that
// Windows calls catch them and keep the first one, and the Desktop call that entered Windows
// (SendMessage, DispatchMessage, ShowWindow, DestroyWindow, TrackPopupMenu, ...) throws it once
// Windows has returned to it.
#pragma once

#include <exception>
#include <map>
#include <memory>
#include <utility>

#include "platform/desktop.h"

namespace erm::platform {

class Win32Desktop : public Desktop {
 public:
  Win32Desktop();
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // Throws what a procedure or hook of ours raised while Windows called it from a call that is
  // not a Desktop call (a Win32 call of the ui layer's own, for example); nothing when there is
  // nothing waiting.
  void RethrowPendingException();

  WindowHandle CreateMessageWindow(WindowProc proc) override;
  WindowHandle CreateApplicationWindow(const std::string& title, IconHandle icon,
                                       WindowProc proc) override;
  void SetWindowTitle(WindowHandle window, const std::string& title) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  std::intptr_t DefWindowProc(const WindowMessage& message) override;
  HookId HookWindow(WindowHandle window, WindowHook hook) override;
  void UnhookWindow(WindowHandle window, HookId hook) override;
  std::intptr_t SendMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override;
  bool PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam) override;
  void PostQuitMessage(int exit_code) override;
  uint32_t RegisterWindowMessage(const std::string& name) override;
  bool ShowWindow(WindowHandle window, ShowCommand command) override;
  bool IsWindowVisible(WindowHandle window) override;
  bool IsIconic(WindowHandle window) override;
  bool SetForegroundWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override;
  void SetFocus(WindowHandle window) override;
  void FlashWindow(WindowHandle window, bool flash) override;
  bool EnableWindow(WindowHandle window, bool enable) override;
  bool IsWindowEnabled(WindowHandle window) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, uint32_t interval_ms) override;
  bool KillTimer(WindowHandle window, std::uintptr_t id) override;
  bool GetMessage(WindowMessage* message, int* exit_code) override;
  bool PeekMessage(WindowMessage* message) override;
  void DispatchMessage(const WindowMessage& message) override;
  void SetDialogNavigation(WindowHandle window, bool enabled) override;
  bool RegisterSessionNotification(WindowHandle window) override;
  void UnregisterSessionNotification(WindowHandle window) override;
  bool GetCursorPos(int* x, int* y) override;
  bool IsKeyDown(int virtual_key) override;
  uint32_t DoubleClickTime() override;
  bool NotifyIcon(NotifyIconOp op, const NotifyIconData& data) override;
  uint32_t NotifyIconDataSize() override;
  uint32_t CommonControlsVersion() override;
  void WindowsVersion(uint32_t* platform_id, uint32_t* major) override;
  ModuleHandle LoadCommonControls() override;
  void FreeCommonControls(ModuleHandle module) override;
  QuietReason UserQuiet() override;
  IconHandle LoadIconResource(int resource_id, int size) override;
  int SmallIconSize() override;
  std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             ShowCommand show) override;
  int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                 uint32_t flags) override;
  bool ClaimSessionName(const std::string& name) override;
  bool RegisterRestartAfterUpdate() override;
  bool SendToApplicationWindows(uint32_t message) override;
  bool AllowMessageFromLowerPrograms(WindowHandle window, uint32_t message) override;
  bool OpenFileDialog(WindowHandle owner, OpenFileRequest* request) override;
  int TrackPopupMenu(WindowHandle owner, const std::vector<PopupMenuEntry>& entries, int x,
                     int y) override;

 private:
  // The procedures Windows calls and what they are bound to; defined beside the implementation,
  // where the Windows types are.
  struct Callbacks;
  struct WindowBinding;
  struct HookBinding;

  WindowHandle CreateBoundWindow(const char* window_class, const std::string& title, uint32_t style,
                                 uint32_t ex_style, int x, int y, WindowProc proc);
  void KeepException(std::exception_ptr error);

  std::map<WindowHandle, std::shared_ptr<WindowBinding>> windows_;
  std::map<HookId, std::shared_ptr<HookBinding>> hooks_;
  HookId next_hook_ = 1;
  std::exception_ptr pending_;
  std::map<std::pair<int, int>, IconHandle> icons_;
  bool com_initialized_ = false;
  // The mutex that holds the session name; closed with the desktop (win32_session.cpp).
  std::shared_ptr<void> session_name_;
};

}  // namespace erm::platform
