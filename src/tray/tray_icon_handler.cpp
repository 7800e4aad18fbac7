// The tray icons' shared hidden window: the callback message passed to the icon it names, one
// icon method per event, and the answers the window gives to the session and destroy messages.
#include "tray/tray_icon_handler.h"

#include "tray/tray_icon.h"

namespace erm::tray {
namespace {

namespace msg = platform::msg;

constexpr platform::ModuleHandle kNoModuleYet = ~platform::ModuleHandle{0};
constexpr uint32_t kWindowsNtPlatform = 2;

// The keys held right now: the shell's message carries no key state of its own.
TShiftState CurrentShiftState(platform::Desktop& desktop) {
  TShiftState shift = 0;
  if (desktop.IsKeyDown(platform::kVkShift)) shift |= kShiftKey;
  if (desktop.IsKeyDown(platform::kVkControl)) shift |= kCtrlKey;
  if (desktop.IsKeyDown(platform::kVkMenu)) shift |= kAltKey;
  return shift;
}

bool IsMouseCode(uint32_t code) {
  return code >= msg::kMouseMove && code <= msg::kMButtonDblClk;
}

}  // namespace

TTrayIconHandler::~TTrayIconHandler() {
  if (window_ != 0) CloseWindow();
}

uint32_t TTrayIconHandler::Register(TTrayIcon* icon) {
  if (window_ == 0) OpenWindow();
  return icons_.Add(icon);
}

void TTrayIconHandler::Unregister(uint32_t icon_id) {
  icons_.Remove(icon_id);
  if (icons_.Count() == 0 && window_ != 0) CloseWindow();
}

void TTrayIconHandler::OpenWindow() {
  common_controls_version_ = desktop_.CommonControlsVersion();
  if (common_controls_version_ >= kTaskbarCreatedMinVersion) {
    taskbar_created_message_ = desktop_.RegisterWindowMessage("TaskbarCreated");
  }
  window_ = desktop_.CreateMessageWindow(
      [this](const platform::WindowMessage& message) { return HandlerWindowProc(message); });
}

void TTrayIconHandler::CloseWindow() {
  desktop_.DestroyWindow(window_);
  if (com_ctl_module_ != 0 && com_ctl_module_ != kNoModuleYet) {
    desktop_.FreeCommonControls(com_ctl_module_);
  }
  // The next icon starts afresh, as the first one did.
  window_ = 0;
  taskbar_created_message_ = 0;
  common_controls_version_ = 0;
  old_nt_shell_ = false;
  com_ctl_module_ = kNoModuleYet;
  icons_ = {};
}

std::intptr_t TTrayIconHandler::HandlerWindowProc(const platform::WindowMessage& message) {
  switch (message.message) {
    case kTrayCallbackMessage:
      HandleIconMessage(message.wparam, static_cast<uint32_t>(message.lparam));
      return 0;
    case msg::kDestroy:
      // The window goes with the last tray icon, which is the end of the program.
      desktop_.PostQuitMessage(0);
      return 0;
    case msg::kClose:
    case msg::kQueryEndSession:
    case msg::kQuit:
    case msg::kEndSession:
    case msg::kNcDestroy:
      // The window never closes on request, and agrees when the user logs off or shuts down.
      return 1;
    case msg::kUserChanged:
      if (!old_nt_shell_) return 0;
      HandleUserChanged();
      return 1;
    default:
      return desktop_.DefWindowProc(message);
  }
}

void TTrayIconHandler::HandleUserChanged() {
  // Old Windows NT shells need the common controls registered anew after a user change. The
  // first change only clears the start marker; after that the module is loaded and released
  // in turn, one user change each.
  if (com_ctl_module_ == 0) {
    com_ctl_module_ = desktop_.LoadCommonControls();
    return;
  }
  if (com_ctl_module_ != kNoModuleYet) desktop_.FreeCommonControls(com_ctl_module_);
  com_ctl_module_ = 0;
}

// Event handlers run straight from the shell's message may throw: that goes up to the message
// loop, which reports it. They may also destroy the icon, or even its last icon and with it this
// window; the icon's methods see to that, and nothing here runs after one.
void TTrayIconHandler::HandleIconMessage(std::uintptr_t icon_id, uint32_t code) {
  TTrayIcon* icon = icons_.Find(icon_id);
  if (icon == nullptr) return;
  if (!IsMouseCode(code)) {
    switch (code) {
      case msg::kBalloonHide:
        return icon->ShellBalloonHide();
      case msg::kBalloonTimeout:
        return icon->ShellBalloonTimeout();
      case msg::kBalloonUserClick:
        return icon->ShellBalloonClick();
      default:
        // The balloon being shown, and whatever newer shells send.
        return;
    }
  }
  if (!icon->Enabled()) return;
  int x = 0;
  int y = 0;
  desktop_.GetCursorPos(&x, &y);
  const TShiftState shift = CurrentShiftState(desktop_);
  switch (code) {
    case msg::kMouseMove:
      return icon->ShellMouseMove(shift, x, y);
    case msg::kLButtonDown:
      return icon->ShellLeftButtonDown(shift, x, y);
    case msg::kLButtonUp:
      return icon->ShellLeftButtonUp(shift, x, y);
    case msg::kLButtonDblClk:
      return icon->ShellLeftDoubleClick();
    case msg::kRButtonDown:
      return icon->ShellRightButtonDown(shift, x, y);
    case msg::kRButtonUp:
      return icon->ShellRightButtonUp(shift, x, y);
    case msg::kMButtonDown:
      return icon->ShellMiddleButtonDown(shift, x, y);
    case msg::kMButtonUp:
      return icon->ShellMiddleButtonUp(shift, x, y);
    default:
      // Right and middle double-clicks.
      return;
  }
}

bool IsOldNtShell(platform::Desktop& desktop) {
  uint32_t platform_id = 0;
  uint32_t major = 0;
  desktop.WindowsVersion(&platform_id, &major);
  return platform_id == kWindowsNtPlatform && major <= 4;
}

}  // namespace erm::tray
