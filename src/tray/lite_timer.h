// A light periodic timer that needs no form and no owner window: it calls a plain callback with a
// context object on every tick. The light timers of one program share one hidden message window,
// kept by the program's TLiteTimerHandler, open from the first timer to the last.
#pragma once

#include <cstdint>

#include "platform/desktop.h"
#include "tray/id_registry.h"

namespace erm::tray {

class TLiteTimer;

// Called on every tick with the timer's owner (the context object, not owned by the timer).
using TLiteTimerCallback = void (*)(void* owner);

// Keeps the hidden window that receives the timer messages, and the numbers of the live timers:
// a window timer's identifier is narrower than an object address on some of the systems we build
// for, so a tick names its timer through the registry instead of by address. The window opens
// with the first timer and closes with the last; the handler must outlive every timer made on it.
class TLiteTimerHandler {
 public:
  explicit TLiteTimerHandler(platform::Desktop& desktop) : desktop_(desktop) {}
  ~TLiteTimerHandler();
  TLiteTimerHandler(const TLiteTimerHandler&) = delete;
  TLiteTimerHandler& operator=(const TLiteTimerHandler&) = delete;

  platform::Desktop& desktop() const { return desktop_; }
  // 0 while no light timer lives.
  platform::WindowHandle Window() const { return window_; }
  // The number of live light timers.
  uint32_t RefCount() const { return timers_.Count(); }

  uint32_t Register(TLiteTimer* timer);
  void Unregister(uint32_t id);

 private:
  std::intptr_t TimerWindowProc(const platform::WindowMessage& message);

  platform::Desktop& desktop_;
  platform::WindowHandle window_ = 0;
  IdRegistry<TLiteTimer> timers_;
};

class TLiteTimer {
 public:
  TLiteTimer(TLiteTimerHandler& handler, void* owner, TLiteTimerCallback callback);
  ~TLiteTimer();
  TLiteTimer(const TLiteTimer&) = delete;
  TLiteTimer& operator=(const TLiteTimer&) = delete;

  // Starts ticking every `interval_ms` from now; an armed timer starts its period afresh.
  // False when the system has no timer to give; the timer then stays disarmed.
  bool Arm(uint32_t interval_ms);
  // Stops the ticks. The timer is disarmed afterwards in any case; false when the system had no
  // such timer (for example one that was never armed).
  bool Disarm();

  void* Owner() const { return owner_; }
  uint32_t Id() const { return id_; }
  bool Enabled() const { return enabled_; }
  // The period the timer was last armed with; 0 until it is first armed.
  uint32_t Interval() const { return interval_; }
  TLiteTimerCallback Callback() const { return callback_; }

 private:
  TLiteTimerHandler& handler_;
  void* owner_;
  uint32_t id_ = 0;
  bool enabled_ = false;
  uint32_t interval_ = 0;
  TLiteTimerCallback callback_;
};

}  // namespace erm::tray
