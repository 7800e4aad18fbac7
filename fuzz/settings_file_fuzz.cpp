// Fuzzes the settings file reader: the input is the bytes of a settings file and of an account
// selection file. The lines must account for every byte before the first 0x1A, the first line
// must be the first of all lines, what is written must read back unchanged, and the selection
// must pick exactly the entries a line names.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_system.h"
#include "settings/account_discovery.h"
#include "settings/account_list.h"
#include "settings/settings_files.h"
#include "platform/text_file.h"

namespace {

using erm::platform::FirstPlainLine;
using erm::platform::JoinLinesCrLf;
using erm::platform::SplitPlainLines;

void Check(bool ok) {
  if (!ok) std::abort();
}

// Walks the text again beside its lines: each line, then CR with at most one LF, nothing else.
void CheckLines(std::string_view text) {
  const std::vector<std::string> lines = SplitPlainLines(text);
  std::string_view body = text.substr(0, text.find('\x1A'));
  size_t pos = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    Check(line.find_first_of(std::string_view("\r\x1A", 2)) == std::string::npos);
    Check(body.substr(pos, line.size()) == line);
    pos += line.size();
    if (pos == body.size()) {
      Check(i + 1 == lines.size());
      break;
    }
    Check(body[pos] == '\r');
    ++pos;
    if (pos < body.size() && body[pos] == '\n') ++pos;
  }
  Check(pos == body.size());

  const std::string first = FirstPlainLine(text);
  Check(first == (lines.empty() ? std::string() : lines[0]));
  Check(SplitPlainLines(JoinLinesCrLf(lines)) == lines);
}

char FlipCase(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

// Both files through the platform, as start-up, DirSearch and saving the options use them.
void CheckFiles(std::string_view text) {
  erm::platform::SimSystem sim;
  const std::string folder = sim.ProgramFolder();
  sim.MakeDirectory(folder);
  const std::string settings_path = erm::settings::SettingsFilePath(folder);
  const std::string selection_path = erm::settings::AccountSelectionFilePath(folder);
  const std::vector<std::string> lines = SplitPlainLines(text);

  sim.PutFile(settings_path, std::string(text));
  const std::string directory = erm::settings::ReadPlannerDirectory(sim, folder);
  Check(directory == FirstPlainLine(text));
  erm::settings::WritePlannerDirectory(sim, folder, directory);
  Check(sim.ReadFileBytes(settings_path) == JoinLinesCrLf({directory}));
  Check(erm::settings::ReadPlannerDirectory(sim, folder) == directory);

  sim.PutFile(selection_path, std::string(text));
  const std::vector<std::string> selection = erm::settings::ReadAccountSelection(sim, folder);
  Check(selection == lines);

  // Entries: a case variant and an extension of each of the first lines, the line itself, and
  // one name no line has. Only the first lines, as every line is compared with every entry.
  erm::settings::MemoryAccountList accounts;
  const std::set<std::string> named(lines.begin(), lines.end());
  const size_t listed = std::min<size_t>(lines.size(), 32);
  for (const std::string& line : std::vector<std::string>(lines.begin(), lines.begin() + listed)) {
    std::string other_case = line;
    for (char& c : other_case)
      c = FlipCase(c);
    accounts.Add(line);
    accounts.Add(other_case);
    accounts.Add(line + " ");
  }
  accounts.Add("\x01kein Konto\x01");
  erm::settings::SelectAccounts(selection, accounts);
  for (int i = 0; i < accounts.Count(); ++i)
    Check(accounts.Selected(i) == (named.count(accounts.Item(i)) != 0));

  // Saving the choice and selecting from the saved file again changes nothing.
  const std::vector<std::string> chosen = accounts.SelectedItems();
  erm::settings::WriteAccountSelection(sim, folder, chosen);
  Check(sim.ReadFileBytes(selection_path) == JoinLinesCrLf(chosen));
  const std::vector<std::string> saved = erm::settings::ReadAccountSelection(sim, folder);
  Check(saved == chosen);
  erm::settings::MemoryAccountList again;
  for (int i = 0; i < accounts.Count(); ++i)
    again.Add(accounts.Item(i));
  erm::settings::SelectAccounts(saved, again);
  for (int i = 0; i < accounts.Count(); ++i)
    Check(again.Selected(i) == accounts.Selected(i));

  // The same file read in a few pieces (each read makes room for a whole chunk, so one-byte
  // pieces would only be slow).
  const size_t piece = 1 + text.size() / 3;
  sim.on_read = [piece](const std::string&, uint64_t, size_t) {
    erm::platform::SimSystem::ReadFault fault;
    fault.kind = erm::platform::SimSystem::ReadFault::kShort;
    fault.short_size = piece;
    return fault;
  };
  sim.PutFile(selection_path, std::string(text));
  Check(erm::settings::ReadAccountSelection(sim, folder) == lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckLines(text);
  CheckFiles(text);
  return 0;
}
