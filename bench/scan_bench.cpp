// A whole reminder scan, pauses skipped, over a generated planner of many accounts, timed beside
// the sum of the bare table walks of the same tables (open with the filter, count, walk, read
// TERMINDATU); then the same scan on a modelled network share, and one large account on a slow
// one, each waited for with the program's own patience and required to read every account whole.
//
//   scan_bench [ACCOUNTS] [RECORDS] [DIRECTORY] [SHARE_DELAY_MS] [LARGE_RECORDS] [LARGE_DELAY_MS]
//
//   scan_bench 20 5000 build/bench 0.2 72000 60   scripts/bench: some minutes, most of them on
//                                                 the slow share
//   scan_bench 2 300 build/bench 0.2 3000 0.2     scripts/bench --smoke: every path, small and
//                                                 fast, neither slow case
//
// Writes ACCOUNTS accounts (default 20) of RECORDS reminder records (default 5,000) under
// DIRECTORY, of which 1 % are due, each with its two-line appointment file; 2 % more pass the
// filter but lie in the past, the rest are reminded later. Each contender runs several rounds,
// alternating, and keeps its best. Beside the scan and its walks, to show where the rest of the
// scan's time goes: the walks as they were before the read-ahead (one read per record, cheap on a
// local disk only through the page cache), the due appointments' files read on their own, and the
// due list and the tree made on their own. What remains beyond those is the scan's listing of the
// accounts and the worker that each account's read runs on while the scan waits for it.
//
// Then, unless SHARE_DELAY_MS is 0 (default 0.2), the scan as it runs with the planner on a
// network share: every call that reaches the file server (opening, reading, asking a file's size,
// listing a folder, asking whether a file exists) waits that long, and the calls of one scan are
// counted. The scan with the table's read-ahead is timed beside the scan that reads each record
// on its own (once: it takes long).
//
// Then, when LARGE_RECORDS is given (default none), one account of that many records (72,000 make
// a 4.2 MB table) on a share of LARGE_DELAY_MS a call (default 60, a home office on a VPN),
// scanned once with the read-ahead only: one read per record would take hours there.
//
// On a share the scan gives up on an account only as the program does, when one call has stayed
// silent for five seconds; however long the account's read takes in all, it must come back whole.
// A scan there that reports any problem, or finds other than the planner holds, fails the
// benchmark ("MISMATCH", exit 1).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/appointment_file.h"
#include "app/date_key.h"
#include "app/headless_host.h"
#include "app/program_state.h"
#include "app/reminder_scan.h"
#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/paths.h"
#include "platform/posix/posix_system.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"
#include "share_latency.h"

namespace {

namespace fs = std::filesystem;
using erm::bench::ShareLatencySystem;
using erm::dbf::TDbfTable;
using erm::platform::LocalTime;

constexpr LocalTime kToday{2026, 12, 7, 10, 0, 0, 0};
constexpr int kRounds = 7;
constexpr uint8_t kSubjectWidth = 40;
// Shorter subjects make 72,000 records the 4.2 MB table a home office reported.
constexpr uint8_t kLargeSubjectWidth = 29;

std::string Stamp(int day, int n) {
  char text[16];
  std::snprintf(text, sizeof text, "202612%02d%06d", day, n % 240000);
  return text;
}

struct Planner {
  std::string directory;  // ending with "\"
  std::string program_folder;
  long long due_lines = 0;  // the due-list entries a scan must find
  size_t table_bytes = 0;   // of one account
};

Planner WritePlanner(erm::platform::System& system, const fs::path& dir, int accounts, int records,
                     uint8_t subject_width) {
  fs::remove_all(dir);
  Planner planner;
  std::vector<std::string> names;
  for (int a = 0; a < accounts; ++a) {
    const std::string name = "Konto" + std::to_string(a + 1);
    names.push_back(name);
    const fs::path folder = dir / "planner" / "konten" / name;
    fs::create_directories(folder / "termine");
    erm::tools::DbfWriter table(
        {{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"BETREFF", 'C', subject_width}});
    for (int r = 0; r < records; ++r) {
      std::string reminder, termin;
      if (r % 100 == 0) {  // due: reminded, appointment ahead
        reminder = Stamp(1, r);
        termin = Stamp(8 + r % 20, r);
        std::string trm = "Brevantoliske " + termin + "\r\n";
        trm += erm::app::EncodeDecodeText("Termin " + std::to_string(r) + " mit Frau M\xFCller") +
               "\r\n";
        trm += erm::app::EncodeDecodeText("Unterlagen mitbringen") + "\r\n";
        erm::platform::WriteFileBytes(
            system, erm::platform::FromHostPath((folder / "termine" / (termin + ".trm")).string()),
            trm);
        planner.due_lines += 2;
      } else if (r % 100 <= 2) {  // reminded, appointment passed
        reminder = Stamp(1, r);
        termin = Stamp(3, r);
      } else {  // reminder still to come
        reminder = Stamp(20 + r % 8, r);
        termin = Stamp(28, r);
      }
      table.AddRecord({reminder, termin, "Betreff des Termins " + std::to_string(r)});
    }
    const std::string bytes = table.Bytes();
    planner.table_bytes = bytes.size();
    erm::platform::WriteFileBytes(
        system, erm::platform::FromHostPath((folder / "erinnerung.dbf").string()), bytes);
  }
  fs::create_directories(dir / "programm");
  erm::platform::WriteFileBytes(
      system,
      erm::platform::FromHostPath(
          (dir / "programm" / erm::settings::kAccountSelectionFileName).string()),
      erm::platform::JoinLinesCrLf(names));
  planner.directory = erm::platform::FromHostPath((dir / "planner").string()) + "\\";
  planner.program_folder = erm::platform::FromHostPath((dir / "programm").string()) + "\\";
  return planner;
}

// A planner's scan as the scan tool runs it, on a system that can put the planner on a share.
struct ScanRig {
  ScanRig(erm::platform::System& base, const Planner& planner)
      : system(base),
        table("Dbf_erinnerung", system),
        host(system, state, &table),
        scan(system, state, host) {
    system.fixed_now = kToday;
    system.program_folder = planner.program_folder;
    state.planner_directory = planner.directory;
  }
  long long Scan() {
    scan.Timer1Timer();
    return static_cast<long long>(scan.Due().Count());
  }
  void PutOnShare(double delay_ms) {
    system.round_trip = std::chrono::microseconds(std::llround(delay_ms * 1000));
    system.on_share = true;
  }

  ShareLatencySystem system;
  erm::app::ProgramState state;
  TDbfTable table;
  erm::app::HeadlessHost host;
  erm::app::ReminderScan scan;
};

struct Contender {
  const char* name;
  std::function<long long()> run;           // returns what it found, to check the two agree
  std::function<void()> prepare = nullptr;  // if set, before each run, untimed
  // If set, after each run: how many problems the run reported (what it left out, and why).
  std::function<size_t()> problems = nullptr;
  double best_seconds = 1e100;
  long long found = 0;
  bool found_varied = false;  // not every round found the same
  size_t most_problems = 0;
};

void RunRounds(std::vector<Contender>* contenders, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    for (Contender& c : *contenders) {
      if (c.prepare) c.prepare();
      const auto start = std::chrono::steady_clock::now();
      const long long found = c.run();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      c.best_seconds = std::min(c.best_seconds, took.count());
      if (round > 0 && found != c.found) c.found_varied = true;
      c.found = found;
      if (c.problems) c.most_problems = std::max(c.most_problems, c.problems());
    }
  }
}

bool FoundAll(const Contender& c, long long expected) {
  return c.found == expected && !c.found_varied && c.most_problems == 0;
}

// The scan on the share, `rounds` times, with its calls to the server per scan by kind.
Contender ScanOnShare(ScanRig& rig, size_t read_ahead, const char* name, int rounds) {
  rig.table.SetReadAheadBytes(read_ahead);
  rig.system.ResetCalls();
  std::vector<Contender> one = {{name, [&] { return rig.Scan(); }, [&] { rig.host.events.clear(); },
                                 [&] { return rig.scan.Problems().size(); }}};
  RunRounds(&one, rounds);
  rig.table.SetReadAheadBytes(TDbfTable::kDefaultReadAhead);
  std::string kinds;
  for (int k = 0; k < ShareLatencySystem::kCallKinds; ++k) {
    kinds += (k == 0 ? "" : ", ") + std::to_string(rig.system.calls[k] / rounds) + " " +
             ShareLatencySystem::kCallNames[k];
  }
  std::printf(
      "%-32s %9.1f ms %8llu calls to the server per scan (%s)   (found %lld, %zu problems)\n", name,
      one[0].best_seconds * 1000, static_cast<unsigned long long>(rig.system.TotalCalls() / rounds),
      kinds.c_str(), one[0].found, one[0].most_problems);
  // Of the last round, in Windows-1252 as the program shows them.
  for (const erm::app::ScanProblem& p : rig.scan.Problems())
    std::printf("  problem: %s: %s\n", p.account.c_str(), p.message.c_str());
  return one[0];
}

}  // namespace

int main(int argc, char** argv) {
  const int accounts = argc > 1 ? std::atoi(argv[1]) : 20;
  const int records = argc > 2 ? std::atoi(argv[2]) : 5000;
  const fs::path dir = fs::absolute(argc > 3 ? argv[3] : "build/bench");
  const double share_delay_ms = argc > 4 ? std::atof(argv[4]) : 0.2;
  const int large_records = argc > 5 ? std::atoi(argv[5]) : 0;
  const double large_delay_ms = argc > 6 ? std::atof(argv[6]) : 60;
  if (accounts <= 0 || records <= 0 || share_delay_ms < 0 || large_records < 0 ||
      large_delay_ms < 0) {
    std::fprintf(stderr,
                 "usage: scan_bench [ACCOUNTS] [RECORDS] [DIRECTORY] [SHARE_DELAY_MS] "
                 "[LARGE_RECORDS] [LARGE_DELAY_MS]\n");
    return 2;
  }

  erm::platform::PosixSystem posix;
  const Planner planner_written =
      WritePlanner(posix, dir / "scan_planner", accounts, records, kSubjectWidth);
  const long long expected = planner_written.due_lines;
  const std::string& planner = planner_written.directory;
  ScanRig rig(posix, planner_written);
  ShareLatencySystem& system = rig.system;
  TDbfTable& table = rig.table;

  const std::string filter = erm::app::ReminderScan::ReminderFilter(erm::app::DateKey(kToday));
  const double key_number = erm::app::DateKeyNumber(erm::app::DateKey(kToday));
  // Each account's folder of appointment files and their names, read as the scan reads them.
  std::vector<std::pair<std::string, std::vector<std::string>>> appointment_files;
  for (int a = 0; a < accounts; ++a) {
    appointment_files.push_back(
        {planner + "konten\\Konto" + std::to_string(a + 1) + "\\termine\\", {}});
    for (int r = 0; r < records; r += 100)
      appointment_files.back().second.push_back(Stamp(8 + r % 20, r) + ".trm");
  }
  // The scan's walk of one account's table alone: open with the filter, count, walk, read
  // TERMINDATU.
  const auto walk = [&](TDbfTable& t, int a) {
    long long due_records = 0;
    t.Close();
    t.SetTableName("erinnerung.dbf");
    t.SetFilePath(planner + "konten\\Konto" + std::to_string(a + 1) + "\\");
    t.SetReadOnly(true);
    t.SetFilter(filter);
    t.SetFiltered(true);
    t.Open();
    const int64_t passing = t.CountVisibleRecords();
    t.First();
    for (int64_t r = 0; r < passing; ++r) {
      erm::dbf::TField& field = t.GetField("TERMINDATU");
      if (field.AsNumber() >= key_number && !field.AsText().empty()) due_records += 2;
      t.Next();
    }
    t.Close();
    return due_records;
  };
  const auto walks = [&](size_t read_ahead) {
    table.SetReadAheadBytes(read_ahead);
    long long due_records = 0;
    for (int a = 0; a < accounts; ++a)
      due_records += walk(table, a);
    table.SetReadAheadBytes(TDbfTable::kDefaultReadAhead);
    return due_records;
  };
  const auto clear_events = [&] { rig.host.events.clear(); };
  // What the scan does beyond its walks, each on its own: the due appointments' files read one
  // after another, and the due list and the tree made of the entries the scan found.
  erm::app::DueList found;
  std::vector<Contender> contenders = {
      {"whole scan", [&] { return rig.Scan(); }, clear_events,
       [&] { return rig.scan.Problems().size(); }},
      {"bare table walks", [&] { return walks(TDbfTable::kDefaultReadAhead); }},
      {"walks, one read/record", [&] { return walks(0); }},
      {"appointment files",
       [&] {
         long long lines = 0;
         for (const auto& [folder, names] : appointment_files) {
           const std::unique_ptr<erm::platform::Folder> termine = system.OpenFolder(folder);
           for (const std::string& name : names)
             lines += static_cast<long long>(
                 erm::app::ReadAppointmentTexts(system, *termine, name).size());
         }
         return lines;
       }},
      {"due list and tree",
       [&] {
         // The first contender's scan has run by now.
         if (found.Count() == 0) found = rig.scan.Due();
         erm::app::SortedRuns runs;
         std::vector<std::string> entries(found.Entries().begin(), found.Entries().end());
         for (int a = 0; a < accounts; ++a) {
           const size_t from = entries.size() * a / accounts;
           const size_t to = entries.size() * (a + 1) / accounts;
           std::vector<std::string> run(entries.begin() + from, entries.begin() + to);
           erm::app::DueList::SortEntries(run);
           runs.Add(std::move(run));
         }
         erm::app::DueList due;
         due.AddSorted(runs.Take());
         erm::app::PresentDueList(system, rig.state, due, key_number, rig.host);
         return static_cast<long long>(due.Count());
       },
       clear_events},
  };

  RunRounds(&contenders, kRounds);

  std::printf("planner: %d accounts x %d records, 1 %% due (%lld due-list entries), best of %d\n",
              accounts, records, expected, kRounds);
  const double walks_seconds = contenders[1].best_seconds;
  for (const Contender& c : contenders) {
    std::printf("%-24s %9.2f ms %8.3f x the walks   (found %lld)\n", c.name, c.best_seconds * 1000,
                c.best_seconds / walks_seconds, c.found);
  }
  std::printf("scan beyond the walks: %.2f ms (listing, files, due list and tree, workers)\n",
              (contenders[0].best_seconds - walks_seconds) * 1000);
  std::printf("scan / walks of one read per record: %.3f\n",
              contenders[0].best_seconds / contenders[2].best_seconds);
  bool all_found = true;
  for (const Contender& c : contenders)
    all_found = all_found && FoundAll(c, expected);
  if (!all_found) {
    std::printf("MISMATCH: the scan and the walks disagree with the planner written\n");
    return 1;
  }

  bool share_found_all = true;
  if (share_delay_ms > 0) {
    rig.PutOnShare(share_delay_ms);
    std::printf("on a share, %.2f ms for each call that reaches the file server:\n",
                share_delay_ms);
    const Contender ahead =
        ScanOnShare(rig, TDbfTable::kDefaultReadAhead, "whole scan, read-ahead", 3);
    const Contender single = ScanOnShare(rig, 0, "whole scan, one read per record", 1);
    std::printf("read-ahead is %.1f x faster on the share (target at least 20)\n",
                single.best_seconds / ahead.best_seconds);
    share_found_all = FoundAll(ahead, expected) && FoundAll(single, expected);
  }
  // Lives to the end: a read given up on may still reach it.
  std::optional<ScanRig> large_rig;
  if (large_records > 0) {
    const Planner large =
        WritePlanner(posix, dir / "large_planner", 1, large_records, kLargeSubjectWidth);
    large_rig.emplace(posix, large);
    large_rig->PutOnShare(large_delay_ms);
    std::printf(
        "one account of %d records (a %.1f MB table, %lld due-list entries) on a share, "
        "%.2f ms for each call that reaches the file server:\n",
        large_records, static_cast<double>(large.table_bytes) / 1e6, large.due_lines,
        large_delay_ms);
    const Contender whole =
        ScanOnShare(*large_rig, TDbfTable::kDefaultReadAhead, "whole scan, read-ahead", 1);
    share_found_all = share_found_all && FoundAll(whole, large.due_lines);
  }
  if (!share_found_all)
    std::printf("MISMATCH: a scan on the share left out what the planner holds\n");
  const int exit_code = share_found_all ? 0 : 1;
  erm::platform::EndAtOnceIfReadHangs(posix, exit_code);
  return exit_code;
}
