// The scan on real files while another process writes the planner's tables and appointment
// files (planner_writer). For ERM_CONCURRENT_SECONDS seconds (60 by default) the scan runs in a
// loop; every scan must complete, and every due entry it reports must be one the writer wrote.
//
// What "wrote" means, given that a read may meet a write half done:
// - the account is one of the chosen ones;
// - TERMINDATU is not before the scan's day, ends in the due digits (the writer gives the other
//   two kinds of record, reminded never or deleted, other digits, and changes fields in an
//   order that never leaves such a record readable as due), and is a value the writer put into
//   a record of that account (a mix of two values names a file only if the writer wrote that
//   value too, because it writes a file before the first record that names it);
// - the text is, byte for byte, a line of that account's file for that TERMINDATU in some
//   version the writer wrote, or a mix or a beginning of such lines at the same offsets: a file
//   rewritten in place may be read half old, half new, or cut short, and its lines all have the
//   same width so that such a read keeps every byte at its offset.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/date_key.h"
#include "app/headless_host.h"
#include "app/reminder_scan.h"
#include "concurrency/writer_format.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/posix/posix_system.h"
#include "platform/text_case.h"
#include "settings/settings_files.h"

extern char** environ;

namespace erm::concurrency {
namespace {

namespace fs = std::filesystem;

constexpr int kChosenAccounts = kAccounts - 1;  // the last one is never chosen

// The real platform with the program folder where the test keeps the account selection file.
class TestSystem : public platform::PosixSystem {
 public:
  explicit TestSystem(std::string program_folder) : program_folder_(std::move(program_folder)) {}
  std::string ProgramFolder() override { return program_folder_; }

 private:
  std::string program_folder_;
};

int Seconds() {
  const char* text = std::getenv("ERM_CONCURRENT_SECONDS");
  return text != nullptr ? std::atoi(text) : 60;
}

// The writer as a child process: its standard input is our pipe, whose closing stops it.
class WriterProcess {
 public:
  WriterProcess(const std::string& dir, unsigned seed) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw Error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string seed_text = std::to_string(seed);
    std::vector<char*> argv = {const_cast<char*>(ERM_PLANNER_WRITER),
                               const_cast<char*>(dir.c_str()), const_cast<char*>(seed_text.c_str()),
                               nullptr};
    const int spawned =
        posix_spawn(&pid_, ERM_PLANNER_WRITER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    if (spawned != 0) throw Error("posix_spawn " ERM_PLANNER_WRITER);
  }
  ~WriterProcess() {
    Stop();
    ::close(stdout_);
  }

  // The writer's output up to its first line end; blocks until it has come.
  std::string ReadLine() {
    std::string line;
    char c = 0;
    while (::read(stdout_, &c, 1) == 1 && c != '\n')
      line += c;
    return line;
  }

  // Closes the writer's input and waits for it to finish; returns its exit status.
  int Stop() {
    if (stdin_ >= 0) ::close(stdin_);
    stdin_ = -1;
    if (pid_ <= 0) return -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
};

struct WriterLog {
  std::set<std::string> termini;  // "account termin"
  // "account termin" -> (generation, lines) of every version of the appointment file
  std::map<std::string, std::vector<std::pair<long, int>>> versions;
};

WriterLog ReadWriterLog(const std::string& path) {
  WriterLog log;
  std::ifstream in(path);
  std::string kind, account, termin;
  while (in >> kind >> account >> termin) {
    if (kind == "T") {
      log.termini.insert(account + " " + termin);
    } else {
      long generation = 0;
      int lines = 0;
      in >> generation >> lines;
      log.versions[account + " " + termin].push_back({generation, lines});
    }
  }
  return log;
}

// Whether `text` has at every offset the byte of line `index` of some version, as a read of a
// file being rewritten in place may give it. A CR where the line ends is kept by a read that
// stopped before the LF.
bool IsMixOfVersions(const std::string& text, const std::string& account, const std::string& termin,
                     const std::vector<std::pair<long, int>>& versions, int index) {
  const char kUnmaskedCr = '\r' ^ 0x6E;
  if (text.size() > kLineWidth + 1) return false;
  for (size_t j = 0; j < text.size(); ++j) {
    if (j == kLineWidth) {
      if (text[j] != kUnmaskedCr) return false;
      continue;
    }
    bool found = false;
    for (const auto& [generation, lines] : versions) {
      if (lines < index) continue;
      if (AppointmentLine(account, termin, generation, index)[j] == text[j]) {
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

struct Verdict {
  bool accepted = false;
  bool exact = false;
  std::string reason;
};

Verdict Check(const std::string& entry, double key_number, const WriterLog& log) {
  Verdict v;
  // TERMINDATU text + " [" + account + "] " + line
  const size_t close = entry.find("] ");
  if (entry.size() < 17 || entry.compare(14, 2, " [") != 0 || close == std::string::npos) {
    v.reason = "not an entry";
    return v;
  }
  const std::string termin = entry.substr(0, 14);
  const std::string account = entry.substr(16, close - 16);
  const std::string text = entry.substr(close + 2);
  bool chosen = false;
  for (int i = 0; i < kChosenAccounts; ++i)
    chosen = chosen || account == AccountName(i);
  if (!chosen) {
    v.reason = "account not chosen";
    return v;
  }
  if (app::DateKeyNumber(termin) < key_number) {
    v.reason = "appointment before today";
    return v;
  }
  if (termin.compare(12, 2, kDueSeconds) != 0) {
    v.reason = "record not meant to be due";
    return v;
  }
  const std::string key = account + " " + termin;
  if (log.termini.count(key) == 0) {
    v.reason = "TERMINDATU never written";
    return v;
  }
  const auto versions = log.versions.find(key);
  if (versions == log.versions.end()) {
    v.reason = "no appointment file written";
    return v;
  }
  for (const auto& [generation, lines] : versions->second) {
    for (int i = 1; i <= lines; ++i) {
      if (text == AppointmentLine(account, termin, generation, i)) {
        v.accepted = v.exact = true;
        return v;
      }
    }
  }
  for (int i = 1; i <= kMaxLines; ++i) {
    if (IsMixOfVersions(text, account, termin, versions->second, i)) {
      v.accepted = true;
      return v;
    }
  }
  v.reason = "text never written";
  return v;
}

TEST(ConcurrentWriterTest, EveryScanCompletesAndReportsOnlyWhatTheWriterWrote) {
  const fs::path dir = fs::temp_directory_path() / ("erm-concurrent-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "programm");
  {
    std::ofstream selection(dir / "programm" / settings::kAccountSelectionFileName,
                            std::ios::binary);
    for (int i = 0; i < kChosenAccounts; ++i)
      selection << AccountName(i) << "\r\n";
  }
  TestSystem system(platform::FromHostPath((dir / "programm").string()) + "\\");

  WriterProcess writer(dir.string(), 20261208);
  ASSERT_EQ(writer.ReadLine(), "ready");

  app::ProgramState state;
  state.planner_directory = platform::FromHostPath((dir / "planner").string()) + "\\";
  // One table component for the program's life, as the main window has it.
  dbf::TDbfTable table("Dbf_erinnerung", system);
  // Every distinct entry seen, with the day's key number of the scan that reported it.
  std::map<std::string, double> reported;
  std::set<std::vector<std::string>> due_lists;
  long scans = 0, entries = 0, problems = 0;
  std::vector<std::string> failures;

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds());
  while (std::chrono::steady_clock::now() < end) {
    const double key_number = app::DateKeyNumber(app::DateKey(system.Now()));
    app::HeadlessHost host(system, state, &table);
    app::ReminderScan scan(system, state, host);
    try {
      scan.Timer1Timer();
    } catch (const std::exception& e) {
      failures.push_back(std::string("scan threw: ") + e.what());
    }
    if (!host.timer_enabled) failures.push_back("scan ended without arming its timer");
    ++scans;
    problems += static_cast<long>(scan.Problems().size());
    // The tables always open and their fields always hold digits; the one problem a torn read
    // may cause is a TERMINDATU made of two values that names no appointment file.
    for (const app::ScanProblem& p : scan.Problems()) {
      if (p.message.find("\\termine\\") == std::string::npos ||
          p.message.find(".trm: ") == std::string::npos) {
        failures.push_back("problem in " + p.account + ": " + p.message);
      }
    }
    entries += static_cast<long>(scan.Due().Count());
    for (const std::string& entry : scan.Due().Entries()) {
      auto [it, inserted] = reported.emplace(entry, key_number);
      if (!inserted && key_number < it->second) it->second = key_number;
    }
    const auto& due = scan.Due().Entries();
    if (!std::is_sorted(due.begin(), due.end(), [](const std::string& a, const std::string& b) {
          return platform::CompareTextIgnoringCase(a, b) < 0;
        })) {
      failures.push_back("due list out of order");
    }
    if (due_lists.size() < 1000) due_lists.insert(due);
    if (failures.size() > 20) break;
  }

  ASSERT_EQ(writer.Stop(), 0);
  std::printf("writer: %s\n", writer.ReadLine().c_str());
  const WriterLog log = ReadWriterLog((dir / "writer.log").string());
  long exact = 0, mixed = 0;
  for (const auto& [entry, key_number] : reported) {
    const Verdict v = Check(entry, key_number, log);
    if (!v.accepted) failures.push_back(v.reason + ": " + entry);
    (v.exact ? exact : mixed) += v.accepted ? 1 : 0;
  }
  std::printf(
      "%ld scans, %ld entries (%zu distinct: %ld as written, %ld read mid-rewrite), "
      "%ld problems, %zu different due lists\n",
      scans, entries, reported.size(), exact, mixed, problems, due_lists.size());

  for (size_t i = 0; i < failures.size() && i < 20; ++i)
    ADD_FAILURE() << failures[i];
  EXPECT_GT(scans, 1);
  // The test means something only if the scans saw due entries and saw them change.
  EXPECT_GT(exact, 0);
  EXPECT_GT(due_lists.size(), 1u);
  if (failures.empty()) fs::remove_all(dir);
}

}  // namespace
}  // namespace erm::concurrency
