#include "app/second_start.h"

#include <utility>

namespace erm::app {

bool HandOverToRunningProgram(platform::Desktop& desktop) {
  if (desktop.ClaimSessionName(kSessionName)) return false;
  desktop.BroadcastMessage(desktop.RegisterWindowMessage(kShowRequestName));
  return true;
}

// The request arrives as a broadcast, which reaches top-level windows only: the application
// window is the one the program has for certain from its first moment to its last.
void AnswerShowRequests(ui::Application& app, std::function<void()> show) {
  platform::Desktop& desktop = app.Desktop();
  const uint32_t request = desktop.RegisterWindowMessage(kShowRequestName);
  desktop.HookWindow(app.Handle(),
                     [&app, request, show = std::move(show)](const platform::WindowMessage& m,
                                                             const platform::NextProc& next) {
                       if (request == 0 || m.message != request) return next(m);
                       app.RunGuarded(show);
                       return std::intptr_t{0};
                     });
}

}  // namespace erm::app
