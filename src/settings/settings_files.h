// The program's two settings files in the settings folder (settings_folder.h):
// erinnerung_config.txt, whose first line is the planner directory, and erinnerung_konten.txt, one
// chosen account per line. Both are plain Windows-1252 text, written with CR LF and read under the
// plain line rules (text_file.h). Failures are the platform's Errors, passed on unchanged. A
// rewrite replaces a file in one step (text_file.h's ReplaceFileBytes): a failure leaves the
// previous file as it was.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace erm::settings {

inline constexpr char kSettingsFileName[] = "erinnerung_config.txt";
inline constexpr char kAccountSelectionFileName[] = "erinnerung_konten.txt";
// Stands in the settings file, and in memory, while no planner directory has been chosen.
inline constexpr char kNoPathMarker[] = "Pfad nicht gew\xE4hlt!";
// The planner's executable, whose folder is the planner directory.
inline constexpr char kPlannerExecutable[] = "Brevantoliske.exe";

// Every call names the settings folder, ending with "\".
std::string SettingsFilePath(const std::string& folder);
std::string AccountSelectionFilePath(const std::string& folder);

// Start-up: creates the settings file when it is missing (never over one that is there), then
// returns its first line. The new file holds the planner directory an administrator preset for
// every user of the computer (System::MachinePlannerDirectory, given a trailing "\" where it
// lacks one), else the no-path marker. `preset_taken`, if given, answers whether this call
// created the file with the preset: a first start the user has not yet chosen accounts for.
std::string ReadPlannerDirectory(platform::System& system, const std::string& folder,
                                 bool* preset_taken = nullptr);
// What a first start writes into the new settings file: the preset, or the no-path marker.
std::string FirstPlannerDirectory(platform::System& system);
// Rewrites the settings file with `planner_directory` as its only line.
void WritePlannerDirectory(platform::System& system, const std::string& folder,
                           const std::string& planner_directory);

// Creates the account selection file empty when it is missing (never over one that is there),
// then returns its lines.
std::vector<std::string> ReadAccountSelection(platform::System& system, const std::string& folder);
// Rewrites the account selection file, one line per account; no account gives an empty file.
void WriteAccountSelection(platform::System& system, const std::string& folder,
                           const std::vector<std::string>& accounts);

// The path label's text for a file chosen in the file dialog: the no-path marker for no file,
// else the file name with every "Brevantoliske.exe" removed, in any letter case, which leaves
// the planner's folder with its trailing backslash.
std::string PathLabelForChosenFile(const std::string& file_name);

}  // namespace erm::settings
