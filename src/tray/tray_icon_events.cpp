// What a tray icon makes of the shell's reports: mouse events, the click held back for a
// double-click, leaving the icon, the popup menu's default item, and the balloon notifications.
// A handler of any event may destroy the icon, so each step after one first checks that the icon
// still lives.
#include <memory>

#include "tray/tray_icon.h"
#include "ui/menus.h"

namespace erm::tray {
namespace {

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

// --- the shell's reports ---

void TTrayIcon::ShellMouseMove(TShiftState shift, int x, int y) {
  const std::weak_ptr<int> life = Lifetime();
  if (want_enter_exit_events_ && cursor_outside_) {
    MouseEnter();
    if (life.expired()) return;
    cursor_outside_ = false;
  }
  MouseMove(shift, x, y);
  if (life.expired()) return;
  last_cursor_pos_ = {x, y};
}

void TTrayIcon::ShellLeftButtonDown(TShiftState shift, int x, int y) {
  // Only with a double-click handler is a click held back until the double-click time has
  // passed.
  if (OnDblClick) click_timer_->Arm(desktop().DoubleClickTime());
  const std::weak_ptr<int> life = Lifetime();
  MouseDown(TMouseButton::kLeft, shift | kLeftButton, x, y);
  if (life.expired()) return;
  button_down_seen_ = true;
  if (left_popup_) ShowPopupMenu();
}

void TTrayIcon::ShellLeftButtonUp(TShiftState shift, int x, int y) {
  if (button_down_seen_) {
    click_pending_ = true;
    if (!click_timer_->Enabled()) {
      button_down_seen_ = false;
      click_pending_ = false;
      const std::weak_ptr<int> life = Lifetime();
      Click();
      if (life.expired()) return;
    }
  }
  button_down_seen_ = false;
  MouseUp(TMouseButton::kLeft, shift | kLeftButton, x, y);
}

void TTrayIcon::ShellLeftDoubleClick() {
  click_pending_ = false;
  dbl_click_seen_ = true;
  const std::weak_ptr<int> life = Lifetime();
  DblClick();
  if (life.expired()) return;
  if (popup_menu_ != nullptr && popup_menu_->AutoPopup() && !left_popup_) {
    if (ui::MenuItem* item = DefaultItem(*popup_menu_)) item->Click();
  }
}

void TTrayIcon::ShellRightButtonDown(TShiftState shift, int x, int y) {
  const std::weak_ptr<int> life = Lifetime();
  MouseDown(TMouseButton::kRight, shift | kRightButton, x, y);
  if (life.expired()) return;
  ShowPopupMenu();
}

void TTrayIcon::ShellRightButtonUp(TShiftState shift, int x, int y) {
  MouseUp(TMouseButton::kRight, shift | kRightButton, x, y);
}

void TTrayIcon::ShellMiddleButtonDown(TShiftState shift, int x, int y) {
  MouseDown(TMouseButton::kMiddle, shift | kMiddleButton, x, y);
}

void TTrayIcon::ShellMiddleButtonUp(TShiftState shift, int x, int y) {
  MouseUp(TMouseButton::kMiddle, shift | kMiddleButton, x, y);
}

void TTrayIcon::ShellBalloonHide() {
  if (OnBalloonHintHide) OnBalloonHintHide(this);
}

void TTrayIcon::ShellBalloonTimeout() {
  if (OnBalloonHintTimeout) OnBalloonHintTimeout(this);
}

void TTrayIcon::ShellBalloonClick() {
  if (OnBalloonHintClick) OnBalloonHintClick(this);
}

// --- the click and exit timers ---

void TTrayIcon::ClickTimerTick(void* context) {
  auto* self = static_cast<TTrayIcon*>(context);
  self->click_timer_->Disarm();
  if (!self->dbl_click_seen_ && self->click_pending_) {
    self->click_pending_ = false;
    const std::weak_ptr<int> life = self->Lifetime();
    self->Click();
    if (life.expired()) return;
  }
  self->dbl_click_seen_ = false;
}

void TTrayIcon::ExitTimerTick(void* context) {
  auto* self = static_cast<TTrayIcon*>(context);
  if (self->cursor_outside_) return;
  int x = 0;
  int y = 0;
  if (!self->desktop().GetCursorPos(&x, &y)) return;
  if (x == self->last_cursor_pos_.x && y == self->last_cursor_pos_.y) return;
  self->cursor_outside_ = true;
  self->MouseExit();
}

// --- event operations ---

void TTrayIcon::Click() {
  if (OnClick) OnClick(this);
}

void TTrayIcon::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TTrayIcon::Cycle(int next_index) {
  if (OnCycle) OnCycle(this, next_index);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TTrayIcon::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TTrayIcon::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TTrayIcon::MouseExit() {
  if (OnMouseExit) OnMouseExit(this);
}

}  // namespace erm::tray
