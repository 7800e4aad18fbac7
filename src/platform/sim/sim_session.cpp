// The simulated desktop's part of the session: flashing recorded, session notifications kept as
// a set of windows, as the Windows side has them in win32_session.cpp.
#include "platform/sim/sim_desktop.h"

namespace erm::platform {

void SimDesktop::FlashWindow(WindowHandle window, bool flash) {
  flash_calls.push_back({window, flash});
}

bool SimDesktop::RegisterSessionNotification(WindowHandle window) {
  if (!Find(window)) return false;
  session_notified.insert(window);
  return true;
}

void SimDesktop::UnregisterSessionNotification(WindowHandle window) {
  session_notified.erase(window);
}

}  // namespace erm::platform
