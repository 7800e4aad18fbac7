#include "app/program.h"

#include "app/help_window.h"
#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/second_start.h"
#include "app/user_installation.h"

namespace erm::app {

ProgramWindows CreateProgramWindows(ui::Application& app, tray::TrayHandlers& tray_handlers) {
  ProgramWindows windows;
  app.SetTitle(kApplicationTitle);
  // The first form becomes the main form; its FormCreate runs before any other window exists.
  windows.main_window = &app.CreateForm<TForm1>(tray_handlers);
  TForm1& main_window = *windows.main_window;
  ProgramState& state = main_window.State();
  windows.options_dialog =
      &app.CreateForm<TForm2>(state.settings_folder, state.planner_directory, state.seen);
  main_window.SetOptionsDialog(windows.options_dialog);
  windows.help_window = &app.CreateForm<TForm3>();
  main_window.SetHelpWindow(windows.help_window);
  windows.notice_dialog = &app.CreateForm<TForm4>(state, main_window);
  main_window.SetNoticeDialog(windows.notice_dialog);
  main_window.OpenOptionsAtFirstStart();
  // Whether the main window shows is FormCreate's decision alone.
  app.SetShowMainForm(false);
  return windows;
}

int RunProgram(platform::System& system, platform::Desktop& desktop, ui::PeerFactory& peers,
               std::string_view arguments) {
  // Also when a per-user copy runs already: from the next logon on only this program starts.
  RetireUserInstallationLogonStart(system);
  if (HandOverToRunningProgram(desktop, system, StartKindOf(arguments))) return 0;
  // A reminder program an update has ended would otherwise stay away until the next logon.
  desktop.RegisterRestartAfterUpdate();
  // The tray icon's helper windows are this program's own, made before its windows and gone
  // after them.
  tray::TrayHandlers tray_handlers(desktop);
  ProgramWindows windows;  // outlives the application, whose window hook looks at it
  ui::Application app(system, desktop, peers);
  // Answered from the start; until the main window exists (its FormCreate may hold a message
  // box open), a request finds nothing to show.
  AnswerShowRequests(app, [&windows] {
    if (windows.main_window != nullptr)
      windows.main_window->Erinnerungsmodulanzeigen1Click(nullptr);
  });
  windows = CreateProgramWindows(app, tray_handlers);
  app.Run();
  return 0;
}

}  // namespace erm::app
