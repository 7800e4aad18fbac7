#include "settings/settings_folder.h"

#include "platform/error.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::settings {

SettingsPlace FindSettingsFolder(platform::System& system) {
  const std::string program_folder = system.ProgramFolder();
  std::string user_folder;
  try {
    user_folder = system.UserDataFolder() + kUserSettingsFolderName + "\\";
  } catch (const Error&) {
    return {program_folder, false};
  }
  if (system.FileExists(SettingsFilePath(user_folder))) return {user_folder, false};
  // A folder on a share may be the program folder of every colleague who starts the program
  // from there: one settings file would be everybody's.
  if (!system.IsNetworkPath(program_folder) && system.CanCreateFilesIn(program_folder))
    return {program_folder, false};
  return {user_folder, true};
}

std::string ChooseSettingsFolder(platform::System& system) {
  const SettingsPlace place = FindSettingsFolder(system);
  if (!place.take_over) return place.folder;
  try {
    system.CreateFolder(place.folder);
    TakeOverSettingsFiles(system, place.folder);
    return place.folder;
  } catch (const Error&) {
    // The program folder's files, read where they are, rather than a start without settings.
    return system.ProgramFolder();
  }
}

std::string SettingsFolderToRead(platform::System& system) {
  const SettingsPlace place = FindSettingsFolder(system);
  return place.take_over && system.FileExists(SettingsFilePath(system.ProgramFolder()))
             ? system.ProgramFolder()
             : place.folder;
}

void TakeOverSettingsFiles(platform::System& system, const std::string& folder) {
  const std::string program_folder = system.ProgramFolder();
  if (folder == program_folder) return;
  for (const char* name : {kAccountSelectionFileName, kSettingsFileName}) {
    const std::string from = program_folder + name;
    const std::string to = folder + name;
    if (system.FileExists(to) || !system.FileExists(from)) continue;
    // Kept if another start of the program made the file in the meantime.
    try {
      platform::ReplaceFileBytes(
          system, to,
          platform::ReadFileBytes(system, from, platform::FileShare::kDenyNoneWithDelete),
          platform::RenameMode::kKeepExisting);
    } catch (const Error&) {
      if (!system.FileExists(to)) throw;
    }
  }
}

}  // namespace erm::settings
