// erinnerung-scan: runs one reminder scan and its presentation without windows, with the pauses
// skipped and the seen flag clear, and prints what the program would show at that moment.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/program_state.h"
#include "app/reminder_scan.h"
#include "common/host_system.h"
#include "dbf/dbf_table.h"
#include "erinnerung-scan/scan_report.h"
#include "erinnerung-scan/tool_system.h"
#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"
#include "settings/settings_folder.h"

namespace erm::tools {
namespace {

constexpr char kUsage[] =
    "usage: erinnerung-scan [--program-folder DIR] [--planner DIR] [--account NAME]...\n"
    "                       [--now YYYY-MM-DDTHH:MM:SS] [--json]\n";

struct Options {
  std::string program_folder;
  std::string planner;
  std::vector<std::string> accounts;
  bool accounts_given = false;
  std::optional<platform::LocalTime> now;
  bool json = false;
};

// Digits exactly where the form has them: sscanf alone would also take signs and blanks, and a
// negative hour would move the scan to another day than the one given.
bool HasNowForm(const char* text) {
  constexpr char kForm[] = "dddd-dd-ddTdd:dd:dd";
  if (std::strlen(text) != sizeof kForm - 1) return false;
  for (size_t i = 0; i < sizeof kForm - 1; ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return false;
  }
  return true;
}

bool ParseNow(const char* text, platform::LocalTime* t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!HasNowForm(text) ||
      std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6) {
    return false;
  }
  if (!platform::IsValidDate(y, mo, d) || h > 23 || mi > 59 || s > 59) return false;
  *t = platform::LocalTime{y, mo, d, h, mi, s, 0};
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--json") {
      options->json = true;
    } else if (arg == "--program-folder" && has_value) {
      options->program_folder = argv[++i];
    } else if (arg == "--planner" && has_value) {
      options->planner = argv[++i];
    } else if (arg == "--account" && has_value) {
      options->accounts.push_back(argv[++i]);
      options->accounts_given = true;
    } else if (arg == "--now" && has_value) {
      platform::LocalTime t;
      if (!ParseNow(argv[++i], &t)) {
        std::fprintf(stderr, "erinnerung-scan: --now wants YYYY-MM-DDTHH:MM:SS, not %s\n", argv[i]);
        return false;
      }
      options->now = t;
    } else {
      std::fprintf(stderr, "erinnerung-scan: unknown or incomplete option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

// A host directory in the program's form, absolute, ending in a backslash.
std::string ProgramDirectory(platform::System& system, const std::string& host_dir) {
  std::string dir = system.FullPath(platform::FromHostPath(host_dir));
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

// The planner directory as the program would read it at start-up, from the settings folder it
// would choose, without creating the settings file: a missing file is what a first start makes
// of it, the administrator's preset or the no-path marker.
std::string ReadPlannerDirectory(platform::System& system, const std::string& settings_folder) {
  const std::string path = settings::SettingsFilePath(settings_folder);
  if (!system.FileExists(path)) return settings::FirstPlannerDirectory(system);
  return platform::FirstPlainLine(
      platform::ReadFileBytes(system, path, platform::FileShare::kDenyNoneWithDelete));
}

// The chosen accounts' lines, without creating a missing selection file.
std::vector<std::string> ReadAccountSelection(platform::System& system,
                                              const std::string& settings_folder) {
  const std::string path = settings::AccountSelectionFilePath(settings_folder);
  if (!system.FileExists(path)) return {};
  return platform::SplitPlainLines(
      platform::ReadFileBytes(system, path, platform::FileShare::kDenyNoneWithDelete));
}

int Run(const Options& options) {
  HostSystem host_system;
  ToolSystem system(host_system);
  system.fixed_now = options.now;
  if (!options.program_folder.empty()) {
    system.program_folder = ProgramDirectory(host_system, options.program_folder);
  }

  // Both files come from where the program keeps them, which is not always its own folder.
  const std::string settings_folder = settings::SettingsFolderToRead(system);
  app::ProgramState state;
  state.planner_directory = options.planner.empty()
                                ? ReadPlannerDirectory(system, settings_folder)
                                : ProgramDirectory(host_system, options.planner);
  if (state.planner_directory == settings::kNoPathMarker) {
    std::fprintf(stderr, "%s\n", platform::Cp1252ToUtf8(settings::kNoPathMarker).c_str());
    return 1;
  }

  dbf::TDbfTable table("Dbf_erinnerung", system);
  app::HeadlessHost host(system, state, &table);
  const std::vector<std::string> chosen =
      options.accounts_given ? options.accounts : ReadAccountSelection(system, settings_folder);
  host.dir_search = [&](settings::AccountList& accounts) {
    const settings::KontenListing listing =
        settings::DiscoverAccountsBounded(system, state.planner_directory, accounts);
    settings::SelectAccounts(chosen, accounts);
    return listing;
  };
  app::ReminderScan scan(system, state, host);
  scan.Timer1Timer();

  ScanReport report;
  report.planner_directory = state.planner_directory;
  const settings::AccountList& accounts = host.Accounts();
  for (int i = 0; i < accounts.Count(); ++i) {
    report.accounts.push_back({accounts.Item(i), accounts.Selected(i)});
  }
  report.due = scan.Due().Entries();
  report.tree = host.Tree();
  report.today_count = state.today_count;
  report.notice = scan.LastNotice();
  if (!host.balloons.empty()) {
    report.balloon_title = host.balloons.back().title;
    report.balloon_text = host.balloons.back().text;
  }
  if (!host.notices.empty()) {
    report.dialog_headline = host.notices.back().headline;
    report.dialog_text = host.notices.back().text;
  }
  report.problems = scan.Problems();
  const std::string out = options.json ? FormatJson(report) : FormatHuman(report);
  std::fwrite(out.data(), 1, out.size(), stdout);
  // A server that never answered a read must not keep the tool, nor see it torn down under it.
  platform::EndAtOnceIfReadHangs(system, 0);
  return 0;
}

}  // namespace
}  // namespace erm::tools

int main(int argc, char** argv) {
  if (erm::tools::PrintedVersion(argc, argv, "erinnerung-scan")) return 0;
  const erm::tools::ConsoleCodePage console(erm::tools::kUtf8CodePage);
  erm::tools::Options options;
  if (!erm::tools::ParseOptions(argc, argv, &options)) {
    std::fputs(erm::tools::kUsage, stderr);
    return 2;
  }
  try {
    return erm::tools::Run(options);
  } catch (const erm::Error& e) {
    std::fprintf(stderr, "erinnerung-scan: %s\n", erm::platform::Cp1252ToUtf8(e.message()).c_str());
    return 1;
  }
}
