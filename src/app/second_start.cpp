#include "app/second_start.h"

#include <string>
#include <utility>

#include "platform/text_case.h"

namespace erm::app {
namespace {

// A start at logon can come while the first copy, started a moment before, holds the name but
// has no window yet: it is asked again a few times a second for a while.
constexpr uint64_t kAnswerWaitMs = 10000;
constexpr uint32_t kAskAgainMs = 250;
// The request's wParam when the program has posted it to itself to show the window: the one that
// asked is answered at once, whatever the showing then takes.
constexpr std::uintptr_t kShowNow = 1;

}  // namespace

StartKind StartKindOf(std::string_view arguments) {
  size_t at = 0;
  while (at < arguments.size()) {
    while (at < arguments.size() && (arguments[at] == ' ' || arguments[at] == '\t'))
      ++at;
    std::string argument;
    bool quoted = false;
    for (; at < arguments.size(); ++at) {
      const char c = arguments[at];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        argument += c;
      }
    }
    if (platform::EqualsIgnoringAsciiCase(argument, kLogonStartArgument))
      return StartKind::kAtLogon;
  }
  return StartKind::kByUser;
}

bool HandOverToRunningProgram(platform::Desktop& desktop, platform::System& system,
                              StartKind kind) {
  if (desktop.ClaimSessionName(kSessionName)) return false;
  if (kind == StartKind::kAtLogon) return true;
  const uint32_t request = desktop.RegisterWindowMessage(kShowRequestName);
  const uint64_t start = system.TickCount();
  while (!desktop.SendToApplicationWindows(request) && system.TickCount() - start < kAnswerWaitMs) {
    system.Sleep(kAskAgainMs);
  }
  // Even unanswered: the name is held, and a second tray icon would be worse than no window.
  return true;
}

// The request reaches top-level windows only: the application window is the one the program
// has for certain from its first moment to its last. It is let through the message filter, so
// that a copy running elevated still answers the user's own start.
void AnswerShowRequests(ui::Application& app, std::function<void()> show) {
  platform::Desktop& desktop = app.Desktop();
  const uint32_t request = desktop.RegisterWindowMessage(kShowRequestName);
  if (request == 0) return;
  desktop.AllowMessageFromLowerPrograms(app.Handle(), request);
  desktop.HookWindow(app.Handle(),
                     [&app, request, show = std::move(show)](const platform::WindowMessage& m,
                                                             const platform::NextProc& next) {
                       if (m.message != request) return next(m);
                       if (m.wparam == kShowNow) {
                         app.RunGuarded(show);
                       } else {
                         app.Desktop().PostMessage(app.Handle(), request, kShowNow, 0);
                       }
                       return std::intptr_t{1};
                     });
}

}  // namespace erm::app
