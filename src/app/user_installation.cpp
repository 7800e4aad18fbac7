#include "app/user_installation.h"

#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/text_case.h"
#include "settings/settings_folder.h"

namespace erm::app {
namespace {

constexpr char kProgramFileName[] = "erinnerung.exe";

// The program a Run value's command starts: the quoted path, or an unquoted one up to ".exe",
// as Windows also starts "C:\Users\Max Muster\...\erinnerung.exe" written without quotes.
std::string_view ProgramOfCommand(std::string_view command) {
  if (!command.empty() && command.front() == '"') {
    command.remove_prefix(1);
    return command.substr(0, command.find('"'));
  }
  const std::string lower = platform::AsciiLower(command);
  const size_t exe = lower.find(".exe");
  return exe == std::string::npos ? command : command.substr(0, exe + 4);
}

}  // namespace

void RetireUserInstallationLogonStart(platform::System& system) {
  if (!settings::IsInstalledForAllUsers(system)) return;
  const std::string own = system.InstallationFolder(platform::InstallScope::kUser);
  if (own.empty() || platform::CompareTextIgnoringCase(own, system.ProgramFolder()) == 0) return;
  const std::string command = system.UserLogonCommand();
  if (command.empty() ||
      platform::CompareTextIgnoringCase(ProgramOfCommand(command), own + kProgramFileName) != 0)
    return;
  // The user's own entry, under HKCU, which the user may always change.
  try {
    system.RemoveUserLogonCommand();
  } catch (const Error&) {
  }
}

}  // namespace erm::app
