// The Windows entry point: the program on the real platform, with the arguments it was started
// with (only the Run values' "/autostart" means anything).
#include "platform/win32/windows_api.h"

#include <exception>
#include <string>

#include "app/program.h"
#include "platform/error.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_system.h"
#include "ui/application.h"
#include "ui/win32/win32_peers.h"

namespace {

// Only what escapes the application's own error report ends up here: the platform could not
// even be set up. There is no window left to own the box.
void ReportStartFailure(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), erm::app::kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  try {
    erm::platform::Win32System system;
    erm::platform::Win32Desktop desktop;
    erm::ui::win32::Win32PeerFactory peers(desktop);
    const int exit_code =
        erm::app::RunProgram(system, desktop, peers, arguments != nullptr ? arguments : "");
    // A logoff or "beenden" while the planner's server still keeps a read: the program ends
    // without waiting for it.
    erm::platform::EndAtOnceIfReadHangs(system, exit_code);
    return exit_code;
  } catch (const erm::Error& error) {
    ReportStartFailure(erm::ui::ErrorReportText(error.message()));
  } catch (const std::exception& error) {
    ReportStartFailure(erm::ui::ErrorReportText(error.what()));
  }
  return 1;
}
