// One program per session in the simulation: the taken names are a set, and a broadcast is a
// message posted to every window there is.
#include "platform/sim/sim_desktop.h"

namespace erm::platform {

bool SimDesktop::ClaimSessionName(const std::string& name) {
  return session_names.insert(name).second;
}

bool SimDesktop::RegisterRestartAfterUpdate() {
  ++restart_registrations;
  return true;
}

void SimDesktop::BroadcastMessage(uint32_t message) {
  broadcasts.push_back(message);
  for (WindowHandle window : Windows())
    PostMessage(window, message, 0, 0);
}

}  // namespace erm::platform
