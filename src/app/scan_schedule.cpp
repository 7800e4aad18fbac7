#include "app/scan_schedule.h"

#include <algorithm>
#include <cstring>

#include "app/reminder_scan.h"

namespace erm::app {
namespace {

constexpr int64_t kDayMs = 24 * 60 * 60 * 1000;

int64_t MillisecondsOfDay(const platform::LocalTime& t) {
  return ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} + t.millisecond;
}

// The setting change names its area in lParam, a text on Windows. The regional formats give the
// date text the date key is cut from.
bool NamesArea(std::intptr_t lparam, const char* area) {
  const char* text = reinterpret_cast<const char*>(lparam);
  return text != nullptr && std::strcmp(text, area) == 0;
}

}  // namespace

uint32_t NextScanInterval(const platform::LocalTime& now, bool retry) {
  const int64_t rule = retry ? kRetryScanIntervalMs : kScanIntervalMs;
  const int64_t to_midnight = kDayMs - MillisecondsOfDay(now) + kAfterMidnightMs;
  return static_cast<uint32_t>(std::min(rule, to_midnight));
}

bool IsScanTrigger(const platform::WindowMessage& message) {
  namespace msg = platform::msg;
  switch (message.message) {
    case msg::kPowerBroadcast:
      // Windows sends the automatic resume every time, the other one only when the user woke
      // the machine; a second trigger within the half minute changes nothing.
      return message.wparam == platform::kPbtResumeAutomatic ||
             message.wparam == platform::kPbtResumeSuspend;
    case msg::kTimeChange:
      return true;
    case msg::kSettingChange:
      return NamesArea(message.lparam, "intl") || NamesArea(message.lparam, "TimeZone");
    case msg::kWtsSessionChange:
      return message.wparam == platform::kWtsSessionUnlock;
    default:
      return false;
  }
}

ScanTriggers::ScanTriggers(platform::Desktop& desktop, platform::WindowHandle window,
                           std::function<void()> on_trigger)
    : desktop_(desktop), window_(window) {
  hook_ = desktop_.HookWindow(
      window_, [on_trigger = std::move(on_trigger)](const platform::WindowMessage& message,
                                                    const platform::NextProc& next) {
        const std::intptr_t result = next(message);
        if (IsScanTrigger(message)) on_trigger();
        return result;
      });
  // Without it there is no word of an unlock; the other triggers still come.
  session_registered_ = desktop_.RegisterSessionNotification(window_);
}

ScanTriggers::~ScanTriggers() {
  if (session_registered_) desktop_.UnregisterSessionNotification(window_);
  if (hook_ != 0) desktop_.UnhookWindow(window_, hook_);
}

}  // namespace erm::app
