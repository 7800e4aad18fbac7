// Light timers: window timers on one shared hidden window, each tick passed to its timer's
// callback.
#include "tray/lite_timer.h"

namespace erm::tray {

TLiteTimerHandler::~TLiteTimerHandler() {
  if (window_ != 0) desktop_.DestroyWindow(window_);
}

uint32_t TLiteTimerHandler::Register(TLiteTimer* timer) {
  if (window_ == 0) {
    window_ = desktop_.CreateMessageWindow(
        [this](const platform::WindowMessage& message) { return TimerWindowProc(message); });
  }
  return timers_.Add(timer);
}

void TLiteTimerHandler::Unregister(uint32_t id) {
  timers_.Remove(id);
  if (timers_.Count() != 0 || window_ == 0) return;
  // The last timer is gone: so are the window and the numbering, as if no timer had ever been.
  desktop_.DestroyWindow(window_);
  window_ = 0;
  timers_ = {};
}

std::intptr_t TLiteTimerHandler::TimerWindowProc(const platform::WindowMessage& message) {
  if (message.message != platform::msg::kTimer) return desktop_.DefWindowProc(message);
  // A tick for a timer that is gone: it was killed before its object went away, so this can only
  // be a stray message; there is no one to deliver it to.
  TLiteTimer* timer = timers_.Find(message.wparam);
  if (timer == nullptr || timer->Callback() == nullptr) return 0;
  try {
    timer->Callback()(timer->Owner());
  } catch (...) {
    // A tick has no caller to report to; the timer keeps running and the message loop goes on.
    // The callback may have destroyed the timer, and with it this window: touch neither here.
  }
  return 0;
}

TLiteTimer::TLiteTimer(TLiteTimerHandler& handler, void* owner, TLiteTimerCallback callback)
    : handler_(handler), owner_(owner), callback_(callback) {
  id_ = handler_.Register(this);
}

TLiteTimer::~TLiteTimer() {
  if (enabled_) Disarm();
  handler_.Unregister(id_);
}

bool TLiteTimer::Arm(uint32_t interval_ms) {
  if (enabled_) Disarm();
  interval_ = interval_ms;
  enabled_ = handler_.desktop().SetTimer(handler_.Window(), id_, interval_ms);
  return enabled_;
}

bool TLiteTimer::Disarm() {
  enabled_ = false;
  return handler_.desktop().KillTimer(handler_.Window(), id_);
}

}  // namespace erm::tray
