// One program per user session: a second start finds the running program, asks it to show its
// main window as "Erinnerungsmodul anzeigen" does, and ends, so that there is never a second
// tray icon nor a second writer of the settings files. A start at logon (the packages' Run
// values carry "/autostart") ends without asking: two Run values of two installations must not
// bring the window up at every logon.
#pragma once

#include <functional>
#include <string_view>

#include "platform/desktop.h"
#include "platform/system.h"
#include "ui/application.h"

namespace erm::app {

// The name the running program holds in the session, and the message that asks it to show.
inline constexpr char kSessionName[] = "Local\\QX-Brevantoliske.Erinnerungsmodul";
inline constexpr char kShowRequestName[] = "QX-Brevantoliske.Erinnerungsmodul.Anzeigen";

// The argument of the packages' Run values.
inline constexpr char kLogonStartArgument[] = "/autostart";

enum class StartKind {
  kByUser,   // from the Start menu, Explorer or a command line: the user wants to see it
  kAtLogon,  // from a Run value
};

// kAtLogon when one of the arguments (as WinMain receives them, without the program's name) is
// "/autostart" in any letter case; other arguments are passed over.
StartKind StartKindOf(std::string_view arguments);

// True when another program runs in this session and this start is to end. A start by the user
// has asked it to show its main window (again and again for a few seconds while it has no
// window to answer yet); a start at logon asks nothing. False for the first program, which
// keeps the name until it ends.
bool HandOverToRunningProgram(platform::Desktop& desktop, platform::System& system,
                              StartKind kind = StartKind::kByUser);

// Makes the application window answer a later start's request, and then run `show` as an event
// handler (an error goes to the error report).
void AnswerShowRequests(ui::Application& app, std::function<void()> show);

}  // namespace erm::app
