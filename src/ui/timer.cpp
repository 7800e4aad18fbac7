#include "ui/timer.h"

#include "platform/error.h"
#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

namespace {

constexpr std::uintptr_t kTimerId = 1;

}  // namespace

Timer::Timer(Component* owner, std::string name)
    : Component(owner, std::move(name)), app_(ApplicationOf(owner)) {
  window_ = app_.Desktop().CreateMessageWindow(
      [this](const platform::WindowMessage& message) { return WindowProc(message); });
  Update();
}

Timer::~Timer() {
  if (running_) app_.Desktop().KillTimer(window_, kTimerId);
  app_.Desktop().DestroyWindow(window_);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void Timer::SetInterval(uint32_t interval_ms) {
  if (interval_ms == interval_) return;
  interval_ = interval_ms;
  Update();
}

void Timer::Update() {
  platform::Desktop& desktop = app_.Desktop();
  if (running_) desktop.KillTimer(window_, kTimerId);
  running_ = false;
  if (!enabled_ || interval_ == 0) return;
  running_ = desktop.SetTimer(window_, kTimerId, interval_);
  if (!running_) throw Error("Nicht gen\xFCgend Timer verf\xFCgbar");
  due_tick_ = app_.System().TickCount() + interval_;
}

std::intptr_t Timer::WindowProc(const platform::WindowMessage& message) {
  if (message.message == platform::msg::kTimer && message.wparam == kTimerId) {
    // A window timer repeats from its tick; a handler that re-arms it sets this anew.
    due_tick_ = app_.System().TickCount() + interval_;
    if (enabled_ && OnTimer) app_.RunGuarded([this] { OnTimer(this); });
    return 0;
  }
  return app_.Desktop().DefWindowProc(message);
}

}  // namespace erm::ui
