// When the next scan comes. An hour after the last one as a rule; five minutes after a scan that
// could not list the konten folder or had to skip an account (a network drive not yet back, a
// table locked by the planner); never later than just after local midnight, so that "Heute" is
// never a day old; and half a minute after the system says that the machine woke up, that the
// clock, the time zone or the regional formats changed, or that the user unlocked the session.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/desktop.h"
#include "platform/local_time.h"

namespace erm::app {

inline constexpr uint32_t kEarlyScanDelayMs = 30000;
inline constexpr uint32_t kRetryScanIntervalMs = 300000;
// How long after midnight the day's first scan comes: late enough that a timer running a little
// early still lands in the new day.
inline constexpr uint32_t kAfterMidnightMs = 30000;

// The tick of the scan timer that brings a scan. The hourly one, the day's first and the first
// after activation are regular; a tick brought forward (after waking, unlocking, a change of the
// clock or the regional formats) and the five-minute retry are early. An early scan that raises
// no notice leaves the hour's deadline as it was, so that the hourly scan does not slip.
enum class ScanTickKind { kRegular, kEarly };

// The interval from the end of a scan at `now` to the next one; `retry` after a failed listing or
// a skipped account.
uint32_t NextScanInterval(const platform::LocalTime& now, bool retry);

// Whether the message is one of the system's events after which a scan is due soon.
bool IsScanTrigger(const platform::WindowMessage& message);

// Watches a top-level window (the application window, which gets the system's broadcasts) for
// the events IsScanTrigger names, as long as it lives, and calls `on_trigger` for each.
class ScanTriggers {
 public:
  ScanTriggers(platform::Desktop& desktop, platform::WindowHandle window,
               std::function<void()> on_trigger);
  ~ScanTriggers();
  ScanTriggers(const ScanTriggers&) = delete;
  ScanTriggers& operator=(const ScanTriggers&) = delete;

 private:
  platform::Desktop& desktop_;
  platform::WindowHandle window_;
  platform::HookId hook_ = 0;
  bool session_registered_ = false;
};

}  // namespace erm::app
