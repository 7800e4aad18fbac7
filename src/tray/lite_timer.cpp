// Light timers: window timers on one shared hidden window, each tick passed to its timer's
// callback.
#include "tray/lite_timer.h"

#include <cassert>
#include <limits>
#include <memory>

namespace erm::tray {
namespace {

std::unique_ptr<TLiteTimerHandler>& HandlerSlot() {
  static std::unique_ptr<TLiteTimerHandler> handler;
  return handler;
}

}  // namespace

TLiteTimerHandler::TLiteTimerHandler(platform::Desktop& desktop) : desktop_(desktop) {
  window_ = desktop_.CreateMessageWindow(
      [this](const platform::WindowMessage& message) { return TimerWindowProc(message); });
}

TLiteTimerHandler::~TLiteTimerHandler() {
  if (window_ != 0) desktop_.DestroyWindow(window_);
}

std::intptr_t TLiteTimerHandler::TimerWindowProc(const platform::WindowMessage& message) {
  if (message.message != platform::msg::kTimer) return desktop_.DefWindowProc(message);
  if (message.wparam > std::numeric_limits<uint32_t>::max()) return 0;
  auto found = timers_.find(static_cast<uint32_t>(message.wparam));
  // A tick for a timer that is gone: it was killed before its object went away, so this can only
  // be a stray message; there is no one to deliver it to.
  if (found == timers_.end()) return 0;
  TLiteTimer* timer = found->second;
  if (timer->Callback() == nullptr) return 0;
  try {
    timer->Callback()(timer->Owner());
  } catch (...) {
    // A tick has no caller to report to; the timer keeps running and the message loop goes on.
    // The callback may have destroyed the timer, or even this handler: touch neither here.
  }
  return 0;
}

uint32_t TLiteTimerHandler::Register(TLiteTimer* timer) {
  // Identifiers of live timers must stay unique even after the counter wraps; 0 is left out so
  // that no timer looks unset.
  while (next_id_ == 0 || timers_.count(next_id_) != 0)
    ++next_id_;
  uint32_t id = next_id_++;
  timers_[id] = timer;
  return id;
}

void TLiteTimerHandler::Unregister(uint32_t id) {
  timers_.erase(id);
}

TLiteTimerHandler* TimerHandler() {
  return HandlerSlot().get();
}

void AcquireTimerHandler(platform::Desktop& desktop) {
  auto& handler = HandlerSlot();
  if (!handler) handler = std::make_unique<TLiteTimerHandler>(desktop);
  assert(&handler->desktop() == &desktop);
  ++handler->ref_count_;
}

void ReleaseTimerHandler() {
  auto& handler = HandlerSlot();
  if (!handler) return;
  if (handler->ref_count_ > 0) --handler->ref_count_;
  if (handler->ref_count_ == 0) handler.reset();
}

TLiteTimer::TLiteTimer(platform::Desktop& desktop, void* owner, TLiteTimerCallback callback)
    : owner_(owner), callback_(callback) {
  AcquireTimerHandler(desktop);
  id_ = TimerHandler()->Register(this);
}

TLiteTimer::~TLiteTimer() {
  if (enabled_) Disarm();
  if (TLiteTimerHandler* handler = TimerHandler()) handler->Unregister(id_);
  ReleaseTimerHandler();
}

bool TLiteTimer::Arm(uint32_t interval_ms) {
  if (enabled_) Disarm();
  interval_ = interval_ms;
  TLiteTimerHandler* handler = TimerHandler();
  enabled_ = handler->desktop().SetTimer(handler->Window(), id_, interval_ms);
  return enabled_;
}

bool TLiteTimer::Disarm() {
  enabled_ = false;
  TLiteTimerHandler* handler = TimerHandler();
  return handler->desktop().KillTimer(handler->Window(), id_);
}

}  // namespace erm::tray
