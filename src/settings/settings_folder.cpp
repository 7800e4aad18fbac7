#include "settings/settings_folder.h"

#include "platform/error.h"
#include "platform/text_case.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::settings {
namespace {

// Windows compares the names in a path without regard to letter case.
bool SameFolder(const std::string& a, const std::string& b) {
  return !a.empty() && platform::CompareTextIgnoringCase(a, b) == 0;
}

}  // namespace

bool IsInstalledForAllUsers(platform::System& system) {
  return SameFolder(system.InstallationFolder(platform::InstallScope::kMachine),
                    system.ProgramFolder());
}

std::string TakeOverSource(platform::System& system) {
  const std::string program_folder = system.ProgramFolder();
  if (system.FileExists(SettingsFilePath(program_folder))) return program_folder;
  const std::string own = system.InstallationFolder(platform::InstallScope::kUser);
  if (!own.empty() && !SameFolder(own, program_folder) && system.FileExists(SettingsFilePath(own)))
    return own;
  return program_folder;
}

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
  // from there, and so is the installation for all users, which an administrator's start may
  // write into: one settings file would be everybody's.
  if (!system.IsNetworkPath(program_folder) && !IsInstalledForAllUsers(system) &&
      system.CanCreateFilesIn(program_folder))
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
    // The files to be taken over, read where they are, rather than a start without settings.
    return TakeOverSource(system);
  }
}

std::string SettingsFolderToRead(platform::System& system) {
  const SettingsPlace place = FindSettingsFolder(system);
  if (!place.take_over) return place.folder;
  const std::string source = TakeOverSource(system);
  return system.FileExists(SettingsFilePath(source)) ? source : place.folder;
}

void TakeOverSettingsFiles(platform::System& system, const std::string& folder) {
  const std::string source = TakeOverSource(system);
  if (folder == source) return;
  for (const char* name : {kAccountSelectionFileName, kSettingsFileName}) {
    const std::string from = source + name;
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
