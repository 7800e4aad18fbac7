// The program's start: its four windows, created once in their order, and the message loop
// that runs until the main window closes. The Windows entry point and the tests share it.
#pragma once

#include <string_view>

#include "platform/desktop.h"
#include "platform/system.h"
#include "tray/tray_icon_handler.h"
#include "ui/application.h"
#include "ui/peer.h"

namespace erm::app {

class TForm1;
class TForm2;
class TForm3;
class TForm4;

inline constexpr char kApplicationTitle[] = "Erinnerungsmodul";

struct ProgramWindows {
  TForm1* main_window = nullptr;
  TForm2* options_dialog = nullptr;
  TForm3* help_window = nullptr;
  TForm4* notice_dialog = nullptr;
};

// Titles the application, then creates the main window (its FormCreate decides whether it is
// shown), then the options dialog, the help window and the notice dialog, hidden; the loop is
// told not to show the main window. The main window's tray icon works through `tray_handlers`,
// which must outlive the application's windows.
ProgramWindows CreateProgramWindows(ui::Application& app, tray::TrayHandlers& tray_handlers);

// The whole program on the given platform, started with `arguments` (as WinMain receives them);
// returns when the main window has closed, or at once with 0 when a program runs in this session
// already (which is asked to show its main window, unless this is a start at logon).
int RunProgram(platform::System& system, platform::Desktop& desktop, ui::PeerFactory& peers,
               std::string_view arguments = {});

}  // namespace erm::app
