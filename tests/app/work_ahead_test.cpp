// The scan's second thread: real files and threads, so only where the posix system runs.
#ifndef _WIN32
#include "app/work_ahead.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "app/appointment_file.h"
#include "app/headless_host.h"
#include "app/reminder_scan.h"
#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "erinnerung-scan/tool_system.h"
#include "platform/paths.h"
#include "platform/posix/posix_system.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::app {
namespace {

TEST(WorkAheadTest, BothThreadsWorkAndEachItemIsDoneOnce) {
  platform::PosixSystem posix;
  constexpr size_t kItems = 200;
  std::vector<std::atomic<int>> times_done(kItems);
  std::atomic<int> on_helper_count{0};
  // The first items of the two threads wait for each other: when the owner waits for the very
  // item the helper is on, it must do a later one meanwhile instead of waiting idle.
  std::promise<void> helper_began, owner_began;
  std::atomic<bool> owner_first{true}, helper_first{true};
  WorkAhead ahead(posix, kItems, [&](size_t i, bool on_helper) {
    ++times_done[i];
    on_helper_count += on_helper ? 1 : 0;
    std::atomic<bool>& first = on_helper ? helper_first : owner_first;
    if (!first.exchange(false)) return;
    (on_helper ? helper_began : owner_began).set_value();
    const auto other = (on_helper ? owner_began : helper_began).get_future();
    EXPECT_EQ(other.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  });
  ASSERT_TRUE(ahead.Threaded());
  for (size_t i = 0; i < kItems; ++i) {
    ahead.Finish(i);
    ASSERT_EQ(times_done[i], 1) << i;
  }
  EXPECT_GT(on_helper_count, 0);
}

TEST(WorkAheadTest, AFailureReachesTheOwnerForItsItemOnly) {
  platform::PosixSystem posix;
  WorkAhead ahead(posix, 40, [](size_t i, bool) {
    if (i == 7 || i == 31) throw std::bad_alloc();
  });
  for (size_t i = 0; i < 40; ++i) {
    if (i == 7 || i == 31) {
      EXPECT_THROW(ahead.Finish(i), std::bad_alloc) << i;
    } else {
      EXPECT_NO_THROW(ahead.Finish(i)) << i;
    }
  }
}

TEST(WorkAheadTest, TheOwnerOutwaitsAnItemLongerThanItsSpin) {
  platform::PosixSystem posix;
  std::promise<void> helper_began;
  std::vector<int> results(2, 0);
  WorkAhead ahead(posix, 2, [&](size_t i, bool on_helper) {
    if (on_helper && i == 0) {
      helper_began.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    results[i] = 1;
  });
  ASSERT_EQ(helper_began.get_future().wait_for(std::chrono::seconds(30)),
            std::future_status::ready);
  ahead.Finish(0);  // the helper's: the owner does item 1, spins, then sleeps until item 0 ends
  EXPECT_EQ(results, (std::vector<int>{1, 1}));
}

namespace fs = std::filesystem;

// Real files, read by a second thread or not, with the table opens made elsewhere counted.
// Holding the owner makes the test thread's first table open wait for one on the second thread,
// so that the second thread walks an account however the two are scheduled.
class WatchedSystem : public tools::ToolSystem {
 public:
  explicit WatchedSystem(platform::System& base) : ToolSystem(base) {}
  bool concurrent = true;
  bool hold_owner = false;

  bool ConcurrentFileReads() override { return concurrent; }
  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".dbf") == 0) {
      std::unique_lock<std::mutex> lock(mutex_);
      if (std::this_thread::get_id() != test_thread_) {
        ++tables_opened_elsewhere_;
        opened_elsewhere_.notify_all();
      } else if (hold_owner) {
        EXPECT_TRUE(opened_elsewhere_.wait_for(lock, std::chrono::seconds(30), [this] {
          return tables_opened_elsewhere_ > 0;
        })) << "no account was walked by the second thread";
      }
    }
    return ToolSystem::OpenFile(path, access, share, mode);
  }
  int TakeTablesOpenedElsewhere() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(tables_opened_elsewhere_, 0);
  }

 private:
  std::thread::id test_thread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable opened_elsewhere_;
  int tables_opened_elsewhere_ = 0;
};

class ScanAheadTest : public ::testing::Test {
 protected:
  ScanAheadTest() : system_(posix_) {
    dir_ = fs::temp_directory_path() / ("erm-ahead-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    system_.fixed_now = platform::LocalTime{2026, 12, 8, 9, 0, 0, 0};
    system_.program_folder = Path(dir_ / "programm") + "\\";
    fs::create_directories(dir_ / "programm");
    std::vector<std::string> names;
    for (int a = 0; a < 16; ++a) {
      const std::string name = "Konto" + std::to_string(a);
      names.push_back(name);
      const fs::path folder = dir_ / "planner" / "konten" / name;
      fs::create_directories(folder / "termine");
      if (a == 3) continue;  // no table: a problem, not a lost account
      if (a == 5) {
        std::ofstream(folder / "erinnerung.dbf", std::ios::binary) << "kein dBase";
        continue;
      }
      tools::DbfWriter table({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'C', 14}});
      for (int r = 0; r < 30; ++r) {
        char termin[16];
        std::snprintf(termin, sizeof termin, "202612%02d09%02d%02d", 10 + r % 9, r, a);
        const std::string text = r == 4 ? "kein Datum" : termin;
        table.AddRecord({r % 3 == 2 ? "20261224000000" : "20261201000000", text});
        const fs::path file = folder / "termine" / (std::string(termin) + ".trm");
        if (r % 7 == 6) {
          fs::create_directories(file);  // a folder where the file should be
        } else if (r % 11 != 10) {
          std::ofstream(file, std::ios::binary)
              << "Kopf\r\n"
              << EncodeDecodeText("Termin " + std::to_string(r) + " bei " + name) << "\r\n"
              << EncodeDecodeText("Zeile 2") << "\r\n";
        }
      }
      platform::WriteFileBytes(posix_, Path(folder / "erinnerung.dbf"), table.Bytes());
    }
    platform::WriteFileBytes(posix_, Path(dir_ / "programm" / settings::kAccountSelectionFileName),
                             platform::JoinLinesCrLf(names));
    state_.planner_directory = Path(dir_ / "planner") + "\\";
  }
  ~ScanAheadTest() override { fs::remove_all(dir_); }

  static std::string Path(const fs::path& path) { return platform::FromHostPath(path.string()); }

  struct Result {
    std::vector<std::string> due;
    std::vector<std::string> problems;
  };
  Result Scan() {
    dbf::TDbfTable table("Dbf_erinnerung", system_);
    HeadlessHost host(system_, state_, &table);
    host.skip_pauses = true;
    ReminderScan scan(system_, state_, host);
    EXPECT_TRUE(scan.Timer1Timer());
    Result result{scan.Due().Entries(), {}};
    for (const ScanProblem& p : scan.Problems())
      result.problems.push_back(p.account + (p.whole_account ? " * " : " - ") + p.message);
    return result;
  }

  fs::path dir_;
  platform::PosixSystem posix_;
  WatchedSystem system_;
  ProgramState state_;
};

TEST_F(ScanAheadTest, TwoAccountsAtATimeGiveWhatOneAfterTheOtherGives) {
  system_.concurrent = false;
  const Result in_turn = Scan();
  EXPECT_EQ(system_.TakeTablesOpenedElsewhere(), 0);
  // 14 readable tables of 20 due records, of which one has no date, 3 name a folder and 2 a
  // missing file; two lines from each file read; the tables missing and damaged.
  EXPECT_EQ(in_turn.due.size(), 14u * 14 * 2);
  ASSERT_EQ(in_turn.problems.size(), 14u * 6 + 2);
  EXPECT_NE(in_turn.problems[0].find(" - 'kein Datum' ist kein g\xFCltiger Gleitkommawert"),
            std::string::npos);
  EXPECT_TRUE(std::any_of(in_turn.problems.begin(), in_turn.problems.end(),
                          [](const std::string& p) { return p.rfind("Konto5 * ", 0) == 0; }));

  system_.concurrent = true;
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    // Every other round the two threads go as they are scheduled.
    system_.hold_owner = round % 2 == 0;
    system_.TakeTablesOpenedElsewhere();
    const Result ahead = Scan();
    EXPECT_EQ(ahead.due, in_turn.due);
    EXPECT_EQ(ahead.problems, in_turn.problems);
    if (system_.hold_owner) {
      EXPECT_GT(system_.TakeTablesOpenedElsewhere(), 0);
    }
  }
}
}  // namespace
}  // namespace erm::app
#endif
