// One program per session in the simulation: the taken names are a set, and the other copies'
// application windows are the application windows there are.
#include "platform/sim/sim_desktop.h"

namespace erm::platform {

bool SimDesktop::ClaimSessionName(const std::string& name) {
  return session_names.insert(name).second;
}

bool SimDesktop::RegisterRestartAfterUpdate() {
  ++restart_registrations;
  return true;
}

bool SimDesktop::SendToApplicationWindows(uint32_t message) {
  if (on_send_to_application_windows) on_send_to_application_windows();
  broadcasts.push_back(message);
  bool answered = false;
  for (WindowHandle window : Windows()) {
    if (KindOf(window) != WindowKind::kApplication) continue;
    if (other_copies_elevated && allowed_from_lower_programs.count({window, message}) == 0) {
      continue;
    }
    answered |= SendMessage(window, message, 0, 0) != 0;
  }
  return answered;
}

bool SimDesktop::AllowMessageFromLowerPrograms(WindowHandle window, uint32_t message) {
  allowed_from_lower_programs.insert({window, message});
  return true;
}

}  // namespace erm::platform
