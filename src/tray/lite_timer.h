// A light periodic timer that needs no form and no owner window: it calls a plain callback with a
// context object on every tick. All light timers of the process share one hidden message window,
// owned by the one TLiteTimerHandler, created by the first timer and destroyed with the last.
#pragma once

#include <cstdint>
#include <map>

#include "platform/desktop.h"

namespace erm::tray {

class TLiteTimer;

// Called on every tick with the timer's owner (the context object, not owned by the timer).
using TLiteTimerCallback = void (*)(void* owner);

// Owns the hidden window that receives the timer messages, and the map from timer identifier to
// live timer: a window timer's identifier is narrower than an object address on some of the
// systems we build for, so a tick names its timer through the map instead of by address.
class TLiteTimerHandler {
 public:
  explicit TLiteTimerHandler(platform::Desktop& desktop);
  ~TLiteTimerHandler();
  TLiteTimerHandler(const TLiteTimerHandler&) = delete;
  TLiteTimerHandler& operator=(const TLiteTimerHandler&) = delete;

  platform::Desktop& desktop() const { return desktop_; }
  platform::WindowHandle Window() const { return window_; }
  // The number of live light timers.
  uint32_t RefCount() const { return ref_count_; }

 private:
  friend class TLiteTimer;
  friend void AcquireTimerHandler(platform::Desktop& desktop);
  friend void ReleaseTimerHandler();

  std::intptr_t TimerWindowProc(const platform::WindowMessage& message);
  uint32_t Register(TLiteTimer* timer);
  void Unregister(uint32_t id);

  platform::Desktop& desktop_;
  platform::WindowHandle window_ = 0;
  uint32_t ref_count_ = 0;
  uint32_t next_id_ = 1;
  std::map<uint32_t, TLiteTimer*> timers_;
};

// The process-wide handler; null while no light timer exists.
TLiteTimerHandler* TimerHandler();
// Creates the handler (and its window) if there is none; counts one more user in every case.
// Every light timer of the process must use the same desktop.
void AcquireTimerHandler(platform::Desktop& desktop);
// Counts one user less; the last one destroys the handler and its window.
void ReleaseTimerHandler();

class TLiteTimer {
 public:
  TLiteTimer(platform::Desktop& desktop, void* owner, TLiteTimerCallback callback);
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
  void* owner_;
  uint32_t id_ = 0;
  bool enabled_ = false;
  uint32_t interval_ = 0;
  TLiteTimerCallback callback_;
};

}  // namespace erm::tray
