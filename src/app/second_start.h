// One program per user session: a second start finds the running program, asks it to show its
// main window as "Erinnerungsmodul anzeigen" does, and ends, so that there is never a second
// tray icon nor a second writer of the settings files.
#pragma once

#include <functional>

#include "platform/desktop.h"
#include "platform/system.h"
#include "ui/application.h"

namespace erm::app {

// The name the running program holds in the session, and the message that asks it to show.
inline constexpr char kSessionName[] = "Local\\QX-Brevantoliske.Erinnerungsmodul";
inline constexpr char kShowRequestName[] = "QX-Brevantoliske.Erinnerungsmodul.Anzeigen";

// True when another program runs in this session: it has been asked to show its main window
// (again and again for a few seconds while it has no window to answer yet), and this start is
// to end. False for the first program, which keeps the name until it ends.
bool HandOverToRunningProgram(platform::Desktop& desktop, platform::System& system);

// Makes the application window answer a later start's request, and then run `show` as an event
// handler (an error goes to the error report).
void AnswerShowRequests(ui::Application& app, std::function<void()> show);

}  // namespace erm::app
