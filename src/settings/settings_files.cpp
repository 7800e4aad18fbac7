#include "settings/settings_files.h"

#include <string_view>

#include "platform/error.h"
#include "platform/text_case.h"
#include "platform/text_file.h"

namespace erm::settings {
namespace {

// The first start's file. FileExists answers false also when the system cannot tell, so the
// file is created only under a name that is free: one that was there after all is kept and read.
// Answers whether this call created it.
bool CreateIfMissing(platform::System& system, const std::string& path, std::string_view bytes) {
  if (system.FileExists(path)) return false;
  try {
    platform::ReplaceFileBytes(system, path, bytes, platform::RenameMode::kKeepExisting);
  } catch (const Error&) {
    if (!system.FileExists(path)) throw;
    return false;
  }
  return true;
}

}  // namespace

// A preset is typed by an administrator on a command line: "\\server\planer" is taken to mean
// the folder, as the program's own paths always end with "\".
std::string FirstPlannerDirectory(platform::System& system) {
  std::string preset = system.MachinePlannerDirectory();
  if (preset.empty()) return kNoPathMarker;
  if (preset.back() != '\\') preset += '\\';
  return preset;
}

std::string SettingsFilePath(const std::string& folder) {
  return folder + kSettingsFileName;
}

std::string AccountSelectionFilePath(const std::string& folder) {
  return folder + kAccountSelectionFileName;
}

std::string ReadPlannerDirectory(platform::System& system, const std::string& folder,
                                 bool* preset_taken) {
  const std::string path = SettingsFilePath(folder);
  const std::string first = FirstPlannerDirectory(system);
  const bool created = CreateIfMissing(system, path, platform::JoinLinesCrLf({first}));
  if (preset_taken != nullptr) *preset_taken = created && first != kNoPathMarker;
  return platform::FirstPlainLine(
      platform::ReadFileBytes(system, path, platform::FileShare::kDenyNoneWithDelete));
}

void WritePlannerDirectory(platform::System& system, const std::string& folder,
                           const std::string& planner_directory) {
  platform::ReplaceFileBytes(system, SettingsFilePath(folder),
                             platform::JoinLinesCrLf({planner_directory}));
}

std::vector<std::string> ReadAccountSelection(platform::System& system, const std::string& folder) {
  const std::string path = AccountSelectionFilePath(folder);
  CreateIfMissing(system, path, "");
  return platform::SplitPlainLines(
      platform::ReadFileBytes(system, path, platform::FileShare::kDenyNoneWithDelete));
}

void WriteAccountSelection(platform::System& system, const std::string& folder,
                           const std::vector<std::string>& accounts) {
  platform::ReplaceFileBytes(system, AccountSelectionFilePath(folder),
                             platform::JoinLinesCrLf(accounts));
}

std::string PathLabelForChosenFile(const std::string& file_name) {
  if (file_name.empty()) return kNoPathMarker;
  const std::string_view executable = kPlannerExecutable;
  // Left to right without looking at the text again after a removal, so removing one
  // occurrence never forms a new one out of its neighbours.
  std::string out;
  size_t pos = 0;
  while (pos < file_name.size()) {
    if (platform::EqualsIgnoringAsciiCase(
            std::string_view(file_name).substr(pos, executable.size()), executable)) {
      pos += executable.size();
    } else {
      out += file_name[pos++];
    }
  }
  return out;
}

}  // namespace erm::settings
