// A whole reminder scan, pauses skipped, over a generated planner of many accounts, timed beside
// the sum of the bare table walks of the same tables (open with the filter, count, walk, read
// TERMINDATU), so that what the scan adds to the walks shows.
//
//   scan_bench [ACCOUNTS] [RECORDS] [DIRECTORY] [SHARE_DELAY_MS]
//
// Writes ACCOUNTS accounts (default 20) of RECORDS reminder records (default 5,000) under
// DIRECTORY, of which 1 % are due, each with its two-line appointment file; 2 % more pass the
// filter but lie in the past, the rest are reminded later. Each contender runs several rounds,
// alternating, and keeps its best. Beside the scan and its walks: the walks as they were before
// the read-ahead (one read per record), and the scan's other work on its own, to show where the
// rest goes. The scan walks each account's table on the thread of its input steps while the
// user-interface thread waits; the walks contender walks them one after the other, as their sum.
//
// Then, unless SHARE_DELAY_MS is 0 (default 0.2), the scan as it runs with the planner on a
// network share: every call that reaches the file server (opening, reading, asking a file's size,
// listing a folder, asking whether a file exists) waits that long, and the calls of one scan are
// counted. The scan with the table's read-ahead is timed beside the scan that reads each record
// on its own (once: it takes long).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
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
using erm::platform::LocalTime;

constexpr LocalTime kToday{2026, 12, 7, 10, 0, 0, 0};
constexpr int kRounds = 7;

std::string Stamp(int day, int n) {
  char text[16];
  std::snprintf(text, sizeof text, "202612%02d%06d", day, n % 240000);
  return text;
}

// Returns the number of due entries the scan must find.
long long WritePlanner(erm::platform::System& system, const fs::path& dir, int accounts,
                       int records) {
  fs::remove_all(dir);
  long long due_lines = 0;
  std::vector<std::string> names;
  for (int a = 0; a < accounts; ++a) {
    const std::string name = "Konto" + std::to_string(a + 1);
    names.push_back(name);
    const fs::path folder = dir / "planner" / "konten" / name;
    fs::create_directories(folder / "termine");
    erm::tools::DbfWriter table(
        {{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"BETREFF", 'C', 40}});
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
        due_lines += 2;
      } else if (r % 100 <= 2) {  // reminded, appointment passed
        reminder = Stamp(1, r);
        termin = Stamp(3, r);
      } else {  // reminder still to come
        reminder = Stamp(20 + r % 8, r);
        termin = Stamp(28, r);
      }
      table.AddRecord({reminder, termin, "Betreff des Termins " + std::to_string(r)});
    }
    erm::platform::WriteFileBytes(
        system, erm::platform::FromHostPath((folder / "erinnerung.dbf").string()), table.Bytes());
  }
  fs::create_directories(dir / "programm");
  erm::platform::WriteFileBytes(
      system,
      erm::platform::FromHostPath(
          (dir / "programm" / erm::settings::kAccountSelectionFileName).string()),
      erm::platform::JoinLinesCrLf(names));
  return due_lines;
}

struct Contender {
  const char* name;
  std::function<long long()> run;           // returns what it found, to check the two agree
  std::function<void()> prepare = nullptr;  // if set, before each run, untimed
  double best_seconds = 1e100;
  long long found = 0;
};

void RunRounds(std::vector<Contender>* contenders, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    for (Contender& c : *contenders) {
      if (c.prepare) c.prepare();
      const auto start = std::chrono::steady_clock::now();
      c.found = c.run();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      c.best_seconds = std::min(c.best_seconds, took.count());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int accounts = argc > 1 ? std::atoi(argv[1]) : 20;
  const int records = argc > 2 ? std::atoi(argv[2]) : 5000;
  const fs::path dir = fs::absolute(argc > 3 ? argv[3] : "build/bench") / "scan_planner";
  const double share_delay_ms = argc > 4 ? std::atof(argv[4]) : 0.2;
  if (accounts <= 0 || records <= 0 || share_delay_ms < 0) {
    std::fprintf(stderr, "usage: scan_bench [ACCOUNTS] [RECORDS] [DIRECTORY] [SHARE_DELAY_MS]\n");
    return 2;
  }

  erm::platform::PosixSystem posix;
  erm::bench::ShareLatencySystem system(posix);
  system.fixed_now = kToday;
  system.program_folder = erm::platform::FromHostPath((dir / "programm").string()) + "\\";
  const long long expected = WritePlanner(posix, dir, accounts, records);
  const std::string planner = erm::platform::FromHostPath((dir / "planner").string()) + "\\";

  erm::app::ProgramState state;
  state.planner_directory = planner;
  erm::dbf::TDbfTable table("Dbf_erinnerung", system);
  erm::app::HeadlessHost host(system, state, &table);
  erm::app::ReminderScan scan(system, state, host);

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
  const auto walk = [&](erm::dbf::TDbfTable& t, int a) {
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
    table.SetReadAheadBytes(erm::dbf::TDbfTable::kDefaultReadAhead);
    return due_records;
  };
  const auto clear_events = [&] { host.events.clear(); };
  // What the scan does beyond its walks, each on its own: the due appointments' files read one
  // after another, and the due list and the tree made of the entries the scan found.
  erm::app::DueList found;
  std::vector<Contender> contenders = {
      {"whole scan",
       [&] {
         scan.Timer1Timer();
         return static_cast<long long>(scan.Due().Count());
       },
       clear_events},
      {"bare table walks", [&] { return walks(erm::dbf::TDbfTable::kDefaultReadAhead); }},
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
         if (found.Count() == 0) found = scan.Due();
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
         erm::app::PresentDueList(system, state, due, key_number, host);
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
  std::printf("scan beyond the walks: %.2f ms (files read after each walk)\n",
              (contenders[0].best_seconds - walks_seconds) * 1000);
  std::printf("scan / walks: %.3f (target at most 1.05)\n",
              contenders[0].best_seconds / walks_seconds);
  std::printf("scan / walks of one read per record: %.3f\n",
              contenders[0].best_seconds / contenders[2].best_seconds);
  bool all_found = scan.Problems().empty();
  for (const Contender& c : contenders)
    all_found = all_found && c.found == expected;
  if (!all_found) {
    std::printf("MISMATCH: the scan and the walks disagree with the planner written\n");
    return 1;
  }
  if (share_delay_ms == 0) return 0;

  // On a share: the same scan, with the read-ahead and then with one read per record, every
  // call that reaches the file server waiting its round trip and counted.
  system.round_trip = std::chrono::microseconds(std::llround(share_delay_ms * 1000));
  system.on_share = true;
  const auto scan_on_share = [&](size_t read_ahead, const char* name, int rounds) {
    table.SetReadAheadBytes(read_ahead);
    system.ResetCalls();
    std::vector<Contender> one = {{name, contenders[0].run, contenders[0].prepare}};
    RunRounds(&one, rounds);
    std::string kinds;
    for (int k = 0; k < erm::bench::ShareLatencySystem::kCallKinds; ++k) {
      kinds += (k == 0 ? "" : ", ") + std::to_string(system.calls[k] / rounds) + " " +
               erm::bench::ShareLatencySystem::kCallNames[k];
    }
    std::printf("%-32s %9.1f ms %8llu calls to the server per scan (%s)   (found %lld)\n", name,
                one[0].best_seconds * 1000,
                static_cast<unsigned long long>(system.TotalCalls() / rounds), kinds.c_str(),
                one[0].found);
    return one[0];
  };
  std::printf("on a share, %.2f ms for each call that reaches the file server:\n", share_delay_ms);
  const Contender ahead =
      scan_on_share(erm::dbf::TDbfTable::kDefaultReadAhead, "whole scan, read-ahead", 3);
  const Contender single = scan_on_share(0, "whole scan, one read per record", 1);
  std::printf("read-ahead is %.1f x faster on the share (target at least 20)\n",
              single.best_seconds / ahead.best_seconds);
  table.SetReadAheadBytes(erm::dbf::TDbfTable::kDefaultReadAhead);
  system.on_share = false;
  if (ahead.found != expected || single.found != expected) {
    std::printf("MISMATCH: a scan on the share disagrees with the planner written\n");
    return 1;
  }
  return 0;
}
