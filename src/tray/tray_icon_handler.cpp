// The tray icons' shared hidden window: the callback message turned into mouse, click, menu and
// balloon events, and the answers the window gives to the session and destroy messages.
#include "tray/tray_icon_handler.h"

#include <limits>
#include <memory>

#include "tray/tray_icon.h"
#include "ui/menus.h"

namespace erm::tray {
namespace {

namespace msg = platform::msg;

constexpr platform::ModuleHandle kNoModuleYet = ~platform::ModuleHandle{0};
constexpr uint32_t kWindowsNtPlatform = 2;

std::unique_ptr<TTrayIconHandler>& HandlerSlot() {
  static std::unique_ptr<TTrayIconHandler> handler;
  return handler;
}

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

// The menu's default item among its top-level items; of several, the one with the lowest index.
ui::MenuItem* DefaultItem(ui::PopupMenu& menu) {
  ui::MenuItem* chosen = nullptr;
  for (int i = menu.Items().Count() - 1; i >= 0; --i) {
    ui::MenuItem* item = menu.Items().Item(i);
    if (item->Default()) chosen = item;
  }
  return chosen;
}

}  // namespace

TTrayIconHandler::TTrayIconHandler(platform::Desktop& desktop) : desktop_(desktop) {
  common_controls_version_ = desktop_.CommonControlsVersion();
  if (common_controls_version_ >= kTaskbarCreatedMinVersion) {
    taskbar_created_message_ = desktop_.RegisterWindowMessage("TaskbarCreated");
  }
  window_ = desktop_.CreateMessageWindow(
      [this](const platform::WindowMessage& message) { return HandlerWindowProc(message); });
}

TTrayIconHandler::~TTrayIconHandler() {
  if (window_ != 0) desktop_.DestroyWindow(window_);
  if (com_ctl_module_ != 0 && com_ctl_module_ != kNoModuleYet) {
    desktop_.FreeCommonControls(com_ctl_module_);
  }
}

TTrayIcon* TTrayIconHandler::Find(uint32_t icon_id) const {
  auto found = icons_.find(icon_id);
  return found == icons_.end() ? nullptr : found->second;
}

uint32_t TTrayIconHandler::Register(TTrayIcon* icon) {
  // The shell identifies an icon by window and 32-bit uID, narrower than an address on 64-bit
  // Windows: the uID is a number that stays unique among the live icons.
  while (next_id_ == 0 || icons_.count(next_id_) != 0)
    ++next_id_;
  uint32_t id = next_id_++;
  icons_[id] = icon;
  return id;
}

void TTrayIconHandler::Unregister(uint32_t icon_id) {
  icons_.erase(icon_id);
}

std::intptr_t TTrayIconHandler::HandlerWindowProc(const platform::WindowMessage& message) {
  switch (message.message) {
    case kTrayCallbackMessage:
      if (message.wparam <= std::numeric_limits<uint32_t>::max()) {
        HandleIconMessage(static_cast<uint32_t>(message.wparam),
                          static_cast<uint32_t>(message.lparam));
      }
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
// loop, which reports it. They may also destroy the icon, so each step after one first checks
// that the icon still lives.
void TTrayIconHandler::HandleIconMessage(uint32_t icon_id, uint32_t code) {
  TTrayIcon* icon = Find(icon_id);
  if (icon == nullptr) return;
  if (IsMouseCode(code) && !icon->enabled_) return;
  const std::weak_ptr<int> life = icon->Lifetime();
  auto gone = [&life] { return life.expired(); };

  int x = 0;
  int y = 0;
  if (IsMouseCode(code)) desktop_.GetCursorPos(&x, &y);
  const TShiftState shift = IsMouseCode(code) ? CurrentShiftState(desktop_) : 0;

  switch (code) {
    case msg::kMouseMove:
      if (icon->want_enter_exit_events_ && icon->cursor_outside_) {
        icon->MouseEnter();
        if (gone()) return;
        icon->cursor_outside_ = false;
      }
      icon->MouseMove(shift, x, y);
      if (gone()) return;
      icon->last_cursor_pos_ = {x, y};
      return;
    case msg::kLButtonDown:
      // Only with a double-click handler is a click held back until the double-click time has
      // passed.
      if (icon->OnDblClick) icon->click_timer_->Arm(desktop_.DoubleClickTime());
      icon->MouseDown(TMouseButton::kLeft, shift | kLeftButton, x, y);
      if (gone()) return;
      icon->button_down_seen_ = true;
      if (icon->left_popup_) icon->ShowPopupMenu();
      return;
    case msg::kLButtonUp:
      if (icon->button_down_seen_) {
        icon->click_pending_ = true;
        if (!icon->click_timer_->Enabled()) {
          icon->button_down_seen_ = false;
          icon->click_pending_ = false;
          icon->Click();
          if (gone()) return;
        }
      }
      icon->button_down_seen_ = false;
      icon->MouseUp(TMouseButton::kLeft, shift | kLeftButton, x, y);
      return;
    case msg::kLButtonDblClk:
      icon->click_pending_ = false;
      icon->dbl_click_seen_ = true;
      icon->DblClick();
      if (gone()) return;
      if (icon->popup_menu_ != nullptr && icon->popup_menu_->AutoPopup() && !icon->left_popup_) {
        if (ui::MenuItem* item = DefaultItem(*icon->popup_menu_)) item->Click();
      }
      return;
    case msg::kRButtonDown:
      icon->MouseDown(TMouseButton::kRight, shift | kRightButton, x, y);
      if (gone()) return;
      icon->ShowPopupMenu();
      return;
    case msg::kRButtonUp:
      icon->MouseUp(TMouseButton::kRight, shift | kRightButton, x, y);
      return;
    case msg::kMButtonDown:
      icon->MouseDown(TMouseButton::kMiddle, shift | kMiddleButton, x, y);
      return;
    case msg::kMButtonUp:
      icon->MouseUp(TMouseButton::kMiddle, shift | kMiddleButton, x, y);
      return;
    case msg::kBalloonHide:
      if (icon->OnBalloonHintHide) icon->OnBalloonHintHide(icon);
      return;
    case msg::kBalloonTimeout:
      if (icon->OnBalloonHintTimeout) icon->OnBalloonHintTimeout(icon);
      return;
    case msg::kBalloonUserClick:
      if (icon->OnBalloonHintClick) icon->OnBalloonHintClick(icon);
      return;
    default:
      // Right and middle double-clicks, the balloon being shown, and whatever newer shells send.
      return;
  }
}

TTrayIconHandler* TrayHandler() {
  return HandlerSlot().get();
}

void AcquireTrayHandler(platform::Desktop& desktop) {
  auto& handler = HandlerSlot();
  if (!handler) handler = std::make_unique<TTrayIconHandler>(desktop);
  ++handler->ref_count_;
}

void ReleaseTrayHandler() {
  auto& handler = HandlerSlot();
  if (!handler) return;
  if (handler->ref_count_ > 0) --handler->ref_count_;
  if (handler->ref_count_ == 0) handler.reset();
}

bool IsOldNtShell(platform::Desktop& desktop) {
  uint32_t platform_id = 0;
  uint32_t major = 0;
  desktop.WindowsVersion(&platform_id, &major);
  return platform_id == kWindowsNtPlatform && major <= 4;
}

}  // namespace erm::tray
