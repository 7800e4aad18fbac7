// Where the two settings files are kept: in the program folder wherever the program may write
// there, which is how every set-up has always had them; otherwise (installed under
// "C:\Program Files", or run from a network share that several users start it from) in the
// user's own folder %APPDATA%\Erinnerungsmodul\, which takes over the files of the program
// folder once. Once the user's folder holds a settings file it stays the place, whatever the
// program folder allows at a later start (an elevated start, a passing failure, a move from the
// archive to the installed package), so that the program never switches between two sets. The
// folder of the installation for all users is every user's program folder, so it never holds
// them either; its first start for a user takes over the settings the user's own per-user
// installation kept in its folder, where there are none in the program folder.
#pragma once

#include <string>

#include "platform/system.h"

namespace erm::settings {

inline constexpr char kUserSettingsFolderName[] = "Erinnerungsmodul";

// The place decided, before anything is created.
struct SettingsPlace {
  std::string folder;  // ending with "\"
  // The folder is the user's, which has no settings file yet: the program folder's files are to
  // be taken over into it.
  bool take_over = false;
};

// Decides the place without changing anything. The program folder when there is no user's
// folder at all.
SettingsPlace FindSettingsFolder(platform::System& system);

// The folder for this run, ending with "\": FindSettingsFolder's, with the user's folder created
// and the settings taken over into it. When either fails, the answer is the
// take-over's source (TakeOverSource), whose files can still be read there. Never throws.
std::string ChooseSettingsFolder(platform::System& system);

// The folder whose files the program reads at its next start, for a reader that changes
// nothing (the scan tool): where a take-over is still to come, the folder it copies from.
std::string SettingsFolderToRead(platform::System& system);

// The folder whose files a take-over copies: the program folder when it holds a settings file,
// else the folder of the user's per-user installation when that is another folder holding one,
// else the program folder.
std::string TakeOverSource(platform::System& system);

// Whether this program is the one the package for all users installed.
bool IsInstalledForAllUsers(platform::System& system);

// Copies each settings file that `folder` lacks from TakeOverSource's folder: a file already in
// `folder` is never replaced, and nothing happens when `folder` is that folder. The
// settings file comes last, so that its presence means the take-over is complete. Throws the
// platform's Error when a copy fails; the copies made before it stay.
void TakeOverSettingsFiles(platform::System& system, const std::string& folder);

}  // namespace erm::settings
