// make-demo-planner DIR: writes a small planner data directory with appointments relative to
// today under DIR/planner, and a program folder DIR/programm whose settings files point at it,
// so that the scan can be shown on it (erinnerung-scan --program-folder DIR/programm).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/appointment_file.h"
#include "app/date_key.h"
#include "common/dbf_writer.h"
#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/posix/posix_system.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::tools {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: make-demo-planner [--today YYYY-MM-DD] [--windows-prefix PREFIX] DIR\n"
    "  writes DIR/planner (the planner's data) and DIR/programm (the settings files).\n"
    "  --windows-prefix Z: makes the settings file name the planner as Wine shows it.\n";
// Left in DIR so that a second run may replace what the first one wrote, and nothing else.
constexpr char kMarkerName[] = ".erinnerung-demo";

struct Appointment {
  int day;           // relative to today
  const char* time;  // hhmmss
  int reminder_day;  // relative to today; the reminder is due from the first scan of that day
  const char* subject;
  std::vector<std::string> lines;        // Windows-1252
  const char* reminder_time = "000000";  // hhmmss, as the planner stamps it
};

struct Account {
  const char* name;
  bool chosen;
  std::vector<Appointment> appointments;
};

std::vector<Account> DemoAccounts() {
  return {
      {"Familie",
       true,
       {
           {0, "090000", -2, "Arzt", {"Arzt: Dr. M\xFCller, Kontrolle um 9 Uhr"}},
           {0, "110000", 0, "Friseur", {"Friseur um 11 Uhr"}, "103000"},
           {1, "163000", -1, "Schule", {"Elternabend in der Schule, Raum 12"}},
           {12, "100000", -3, "Urlaub", {"Urlaub: Koffer packen, Katze zur Nachbarin"}},
           {-1, "180000", -5, "Geburtstag", {"Geburtstag Tante Dorothea"}},
           {5, "080000", 4, "Zahnarzt", {"Zahnarzt (Erinnerung kommt erst noch)"}},
       }},
      {"Praxis",
       true,
       {
           {0,
            "140000",
            0,
            "Sitzung",
            {"Sitzung mit Frau Sch\xE4"
             "fer",
             "Unterlagen f\xFCr die B\xE4"
             "ckerei K\xF6hler mitbringen"}},
           {3, "110000", -1, "Steuer", {"Steuerberater: Belege f\xFCr das dritte Quartal"}},
       }},
      {"Verein",
       false,
       {
           {0, "193000", -1, "Chor", {"Chorprobe (Konto nicht gew\xE4hlt)"}},
       }},
      {".versteckt",
       false,
       {
           {0, "120000", -1, "Geheim", {"Versteckter Ordner: wird nie gelesen"}},
       }},
  };
}

std::string Timestamp(const platform::LocalTime& today, int days, const char* time) {
  return app::DayDigits(platform::AddDays(today, days)) + time;
}

void WriteFile(platform::System& system, const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  platform::WriteFileBytes(system, platform::FromHostPath(path.string()), bytes);
}

void WriteAccount(platform::System& system, const fs::path& konten, const Account& account,
                  const platform::LocalTime& today) {
  DbfWriter table({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"BETREFF", 'C', 30}});
  for (const Appointment& a : account.appointments) {
    const std::string termin = Timestamp(today, a.day, a.time);
    table.AddRecord({Timestamp(today, a.reminder_day, a.reminder_time), termin, a.subject});
    // Line 1 is the planner's own; the reminder never reads it.
    std::string trm = "Brevantoliske " + termin + "\r\n";
    for (const std::string& line : a.lines)
      trm += app::EncodeDecodeText(line) + "\r\n";
    WriteFile(system, konten / account.name / "termine" / (termin + ".trm"), trm);
  }
  WriteFile(system, konten / account.name / "erinnerung.dbf", table.Bytes());
}

bool ParseDay(const char* text, platform::LocalTime* day) {
  int y = 0, m = 0, d = 0;
  if (std::strlen(text) != 10 || std::sscanf(text, "%4d-%2d-%2d", &y, &m, &d) != 3) return false;
  if (!platform::IsValidDate(y, m, d)) return false;
  *day = platform::LocalTime{y, m, d, 0, 0, 0, 0};
  return true;
}

// Refuses a DIR that holds anything but an earlier demo.
void PrepareDirectory(const fs::path& dir) {
  if (fs::exists(dir) && !fs::is_empty(dir)) {
    if (!fs::exists(dir / kMarkerName)) {
      throw Error(dir.string() + " ist nicht leer und enth\xE4lt keine Demo");
    }
    fs::remove_all(dir / "planner");
    fs::remove_all(dir / "programm");
  }
  fs::create_directories(dir);
}

int Run(const fs::path& dir, const platform::LocalTime& today, const std::string& prefix) {
  platform::PosixSystem system;
  PrepareDirectory(dir);
  WriteFile(system, dir / kMarkerName, "");
  const fs::path planner = fs::absolute(dir) / "planner";
  const fs::path konten = planner / "konten";
  WriteFile(system, planner / settings::kPlannerExecutable, "Platzhalter des Planers\r\n");
  std::vector<std::string> chosen;
  for (const Account& account : DemoAccounts()) {
    WriteAccount(system, konten, account, today);
    if (account.chosen) chosen.push_back(account.name);
  }
  // Beside konten, not in it: the program counts every entry of konten as an account.
  WriteFile(system, planner / "liesmich.txt",
            "Ein Demo-Planer des Erinnerungsmoduls; die Konten liegen in konten.\r\n");

  const fs::path program = dir / "programm";
  std::string planner_directory =
      prefix + platform::FromHostPath(planner.lexically_normal().string());
  if (planner_directory.back() != '\\') planner_directory += '\\';
  WriteFile(system, program / settings::kSettingsFileName,
            platform::JoinLinesCrLf({planner_directory}));
  WriteFile(system, program / settings::kAccountSelectionFileName, platform::JoinLinesCrLf(chosen));
  std::printf("%s\n%s\n", planner.string().c_str(), fs::absolute(program).string().c_str());
  return 0;
}

}  // namespace
}  // namespace erm::tools

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  erm::platform::PosixSystem posix;
  erm::platform::LocalTime today = posix.Now();
  std::string prefix;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--today" && i + 1 < argc) {
      if (!erm::tools::ParseDay(argv[++i], &today)) {
        std::fprintf(stderr, "make-demo-planner: --today wants YYYY-MM-DD\n");
        return 2;
      }
    } else if (arg == "--windows-prefix" && i + 1 < argc) {
      prefix = argv[++i];
    } else if (dir.empty() && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      std::fputs(erm::tools::kUsage, stderr);
      return 2;
    }
  }
  if (dir.empty()) {
    std::fputs(erm::tools::kUsage, stderr);
    return 2;
  }
  try {
    return erm::tools::Run(fs::path(dir), today, prefix);
  } catch (const erm::Error& e) {
    std::fprintf(stderr, "make-demo-planner: %s\n",
                 erm::platform::Cp1252ToUtf8(e.message()).c_str());
  } catch (const fs::filesystem_error& e) {
    std::fprintf(stderr, "make-demo-planner: %s\n", e.what());
  }
  return 1;
}
