#include "settings/settings_folder.h"

#include "platform/error.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::settings {

std::string ChooseSettingsFolder(platform::System& system) {
  const std::string program_folder = system.ProgramFolder();
  if (system.CanCreateFilesIn(program_folder)) return program_folder;
  try {
    const std::string user_folder = system.UserDataFolder() + kUserSettingsFolderName + "\\";
    system.CreateFolder(user_folder);
    return user_folder;
  } catch (const Error&) {
    return program_folder;
  }
}

void TakeOverSettingsFiles(platform::System& system, const std::string& folder) {
  const std::string program_folder = system.ProgramFolder();
  if (folder == program_folder) return;
  for (const char* name : {kSettingsFileName, kAccountSelectionFileName}) {
    const std::string from = program_folder + name;
    const std::string to = folder + name;
    if (system.FileExists(to) || !system.FileExists(from)) continue;
    // Kept if another start of the program made the file in the meantime.
    try {
      platform::ReplaceFileBytes(system, to, platform::ReadFileBytes(system, from),
                                 platform::RenameMode::kKeepExisting);
    } catch (const Error&) {
      if (!system.FileExists(to)) throw;
    }
  }
}

}  // namespace erm::settings
