// Where the two settings files are kept: in the program folder wherever the program may write
// there, which is how every set-up has always had them; otherwise (installed under
// "C:\Program Files") in the user's own folder %APPDATA%\Erinnerungsmodul\, which takes over
// the files of the program folder once.
#pragma once

#include <string>

#include "platform/system.h"

namespace erm::settings {

inline constexpr char kUserSettingsFolderName[] = "Erinnerungsmodul";

// The folder for this run, ending with "\". Creates the user's folder when it is the one; when
// that cannot be made either, the answer is the program folder, where the files can still be
// read and a write says why it fails. Never throws.
std::string ChooseSettingsFolder(platform::System& system);

// Copies each settings file that `folder` lacks from the program folder, once: a file already
// in `folder` is never replaced, and nothing happens when `folder` is the program folder.
// Throws the platform's Error when a copy fails; the copies made before it stay.
void TakeOverSettingsFiles(platform::System& system, const std::string& folder);

}  // namespace erm::settings
