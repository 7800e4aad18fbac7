// The scan over planners far larger or stranger than any user's: a konten folder of 100,000
// entries, account names at the limit of a Windows path, an appointment file of a million lines
// and one of a single 10 MB line. Each must give a result in time and memory that grow with the
// input and no faster; the bounds are stated at each test, as counts, not as timings.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/appointment_file.h"
#include "app/headless_host.h"
#include "app/planner_sim.h"
#include "app/reminder_scan.h"
#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"
#include "support/allocation_counter.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/posix_system.h"
#endif

namespace erm::app {
namespace {

constexpr char kPlanner[] = "C:\\Programme\\Brevantoliske\\";
constexpr char kToday[] = "20261207100000";

std::string ReminderTable(const std::vector<std::string>& termini) {
  tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
  for (const std::string& termin : termini)
    writer.AddRecord({"20261201000000", termin});
  return writer.Bytes();
}

// The scan's pieces over one simulated planner; pauses go to the virtual clock.
template <typename Sim>
struct ScanRig {
  template <typename... Args>
  explicit ScanRig(Args&&... args) : sim(std::forward<Args>(args)...) {
    sim.SetNow(platform::LocalTime{2026, 12, 7, 0, 0, 0, 0});
    state.planner_directory = kPlanner;
    host.skip_pauses = false;
  }
  void Choose(const std::vector<std::string>& accounts) {
    std::string lines;
    for (const std::string& a : accounts)
      lines += a + "\r\n";
    sim.PutFile(sim.ProgramFolder() + settings::kAccountSelectionFileName, lines);
  }
  void Run() { scan.Timer1Timer(); }

  Sim sim;
  ProgramState state;
  dbf::TDbfTable table{"Dbf_erinnerung", sim};
  HeadlessHost host{sim, state, &table};
  ReminderScan scan{sim, state, host};
};

// A konten folder that lists "." and ".." and then `count` accounts Konto000001, ... without
// holding them: only the accounts given a table exist as folders.
class ManyAccountsSim : public platform::SimSystem {
 public:
  explicit ManyAccountsSim(int count) : count_(count) {}
  static std::string Name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "Konto%06d", i);
    return name;
  }
  std::unique_ptr<platform::DirEnumeration> Enumerate(const std::string& pattern) override {
    if (pattern != std::string(kPlanner) + "konten\\*.*") return SimSystem::Enumerate(pattern);
    return std::make_unique<Listing>(this);
  }
  int entries_asked = 0;  // calls of Next over all listings

 private:
  class Listing : public platform::DirEnumeration {
   public:
    explicit Listing(ManyAccountsSim* sim) : sim_(sim) {}
    bool Next(platform::DirEntry* entry) override {
      ++sim_->entries_asked;
      if (next_ >= sim_->count_ + 2) return false;
      entry->name = next_ == 0 ? "." : next_ == 1 ? ".." : Name(next_ - 1);
      entry->attributes = platform::kAttrDirectory;
      ++next_;
      return true;
    }

   private:
    ManyAccountsSim* sim_;
    int next_ = 0;
  };
  int count_;
};

TEST(HostileInputTest, HundredThousandAccountsAreCappedAndEachCostsOnePause) {
  // Five entries more than the discovery reads: "." and ".." take two of the 100,000 names, so
  // 99,998 accounts are listed and Konto099999 and after are never seen.
  constexpr int kEntries = settings::kMaxEnumeratedNames + 5;
  constexpr int kListed = settings::kMaxEnumeratedNames - 2;
  ScanRig<ManyAccountsSim> rig(kEntries);
  std::vector<std::string> all;
  for (int i = 1; i <= kEntries; ++i)
    all.push_back(ManyAccountsSim::Name(i));
  rig.Choose(all);
  // Two accounts with a due appointment: the first listed and the last listed.
  for (int i : {1, kListed}) {
    const std::string folder = std::string(kPlanner) + "konten\\" + ManyAccountsSim::Name(i);
    rig.sim.PutFile(folder + "\\erinnerung.dbf", ReminderTable({kToday}));
    rig.sim.PutFile(folder + "\\termine\\" + kToday + ".trm",
                    "Kopf\r\n" + EncodeDecodeText("Termin " + ManyAccountsSim::Name(i)) + "\r\n");
  }

  rig.Run();

  const settings::AccountList& accounts = rig.host.Accounts();
  ASSERT_EQ(accounts.Count(), kListed);
  EXPECT_EQ(accounts.Item(kListed - 1), ManyAccountsSim::Name(kListed));
  EXPECT_EQ(accounts.SelectedCount(), kListed);
  // The discovery stops asking at its cap: 100,000 entries read, none more.
  EXPECT_EQ(rig.sim.entries_asked, settings::kMaxEnumeratedNames);
  EXPECT_EQ(rig.host.progress_maximum, kListed);
  // Time: one 800 ms pause per chosen account and the final 1000 ms, nothing else; on a real
  // clock the user interface would be blocked for 22 hours 13 minutes.
  EXPECT_EQ(rig.sim.sleeps.size(), static_cast<size_t>(kListed) + 1);
  const uint64_t paused = std::accumulate(rig.sim.sleeps.begin(), rig.sim.sleeps.end(), 0ull);
  EXPECT_EQ(paused, static_cast<uint64_t>(kListed) * kAccountPauseMs + kFinalPauseMs);
  // Every account without a table is skipped with its problem noted, and reading goes on.
  EXPECT_EQ(rig.scan.Problems().size(), static_cast<size_t>(kListed) - 2);
  EXPECT_EQ(rig.scan.Due().Entries(),
            (std::vector<std::string>{std::string(kToday) + " [Konto000001] Termin Konto000001",
                                      std::string(kToday) + " [Konto099998] Termin Konto099998"}));
  EXPECT_TRUE(rig.host.timer_enabled);
}

TEST(HostileInputTest, SelectingAmongHundredThousandAccountsIsOnePass) {
  // The account list asks each entry's text once per pass; with every line compared against
  // every entry this would be 10^10 texts asked for.
  class CountingList : public settings::MemoryAccountList {
   public:
    std::string Item(int index) const override {
      ++items_asked;
      return MemoryAccountList::Item(index);
    }
    mutable long items_asked = 0;
  } list;
  std::vector<std::string> lines;
  for (int i = 1; i <= 100000; ++i) {
    list.Add(ManyAccountsSim::Name(i));
    if (i % 2 == 0) lines.push_back(ManyAccountsSim::Name(i));
  }
  lines.push_back("Konto000001x");
  settings::SelectAccounts(lines, list);
  EXPECT_EQ(list.SelectedCount(), 50000);
  EXPECT_FALSE(list.Selected(0));
  EXPECT_TRUE(list.Selected(1));
  EXPECT_LE(list.items_asked, 100000 + 50000);
}

// Windows without the long-path prefix refuses any path of MAX_PATH (260) characters or more:
// the file does not exist for it, and opening fails with its message.
class MaxPathSim : public testing::PlannerSim {
 public:
  static constexpr size_t kMaxPath = 260;
  MaxPathSim() : PlannerSim(kPlanner) {}
  bool FileExists(const std::string& path) override {
    return path.size() < kMaxPath && PlannerSim::FileExists(path);
  }
  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    if (path.size() >= kMaxPath) throw Error("Der Dateiname oder die Erweiterung ist zu lang.");
    return PlannerSim::OpenFile(path, access, share, mode);
  }
};

TEST(HostileInputTest, AccountsBeyondThePathLimitAreSkippedAndTheOthersRead) {
  // The planner folder and "konten\" take 34 characters. With a name of 210 the table's path
  // has 259 and opens, but its appointment file's has 271; with 211 the table's has 260; 255 is
  // the longest name a Windows folder may have.
  const std::string table_fits(210, 'T');
  const std::string table_too_long(211, 'L');
  const std::string longest(255, 'X');
  ScanRig<MaxPathSim> rig;
  for (const std::string& account :
       {std::string("Familie"), table_fits, table_too_long, longest, std::string("Praxis")}) {
    rig.sim.AddAccount(account);
    rig.sim.PutFile(rig.sim.AccountFolder(account) + "erinnerung.dbf", ReminderTable({kToday}));
    rig.sim.PutFile(rig.sim.AccountFolder(account) + "termine\\" + kToday + ".trm",
                    "Kopf\r\n" + EncodeDecodeText("Arzt") + "\r\n");
  }
  rig.Choose({"Familie", table_fits, table_too_long, longest, "Praxis"});
  ASSERT_EQ((std::string(kPlanner) + "konten\\" + table_fits + "\\erinnerung.dbf").size(), 259u);

  rig.Run();

  EXPECT_EQ(rig.scan.Due().Entries(),
            (std::vector<std::string>{std::string(kToday) + " [Familie] Arzt",
                                      std::string(kToday) + " [Praxis] Arzt"}));
  // The appointment file's path is too long for the first; the tables' of the other two.
  ASSERT_EQ(rig.scan.Problems().size(), 3u);
  EXPECT_EQ(rig.scan.Problems()[0].account, table_fits);
  EXPECT_NE(rig.scan.Problems()[0].message.find(": Der Dateiname oder die Erweiterung ist zu lang"),
            std::string::npos);
  for (int i : {1, 2}) {
    EXPECT_EQ(rig.scan.Problems()[i].account, i == 1 ? table_too_long : longest);
    EXPECT_EQ(rig.scan.Problems()[i].message.rfind("Open: file not found: ", 0), 0u);
  }
  EXPECT_EQ(rig.host.captions.size(), 5u);
  EXPECT_TRUE(rig.host.timer_enabled);
}

#ifndef _WIN32
// The real platform with the program folder where the test keeps the account selection file.
class FolderSystem : public platform::PosixSystem {
 public:
  explicit FolderSystem(std::string program_folder) : program_folder_(std::move(program_folder)) {}
  std::string ProgramFolder() override { return program_folder_; }

 private:
  std::string program_folder_;
};

TEST(HostileInputTest, LongestFolderNameIsReadOnRealFiles) {
  // 255 bytes, the most one name may have on Linux and Windows alike; the paths built from it
  // pass 260 characters, which only Windows refuses (above).
  namespace fs = std::filesystem;
  const std::string account(255, 'N');
  const fs::path dir = fs::temp_directory_path() / ("erm-longname-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const fs::path folder = dir / "planner" / "konten" / account;
  fs::create_directories(folder / "termine");
  fs::create_directories(dir / "programm");
  const auto put = [](const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  };
  // Due on any day the test may run.
  constexpr char kFar[] = "29991231100000";
  tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
  writer.AddRecord({"20000101000000", kFar});
  put(folder / "erinnerung.dbf", writer.Bytes());
  put(folder / "termine" / (std::string(kFar) + ".trm"),
      "Kopf\r\n" + EncodeDecodeText("Arzt") + "\r\n");
  put(dir / "programm" / settings::kAccountSelectionFileName, account + "\r\n");

  FolderSystem system(platform::FromHostPath((dir / "programm").string()) + "\\");
  ProgramState state;
  state.planner_directory = platform::FromHostPath((dir / "planner").string()) + "\\";
  dbf::TDbfTable table("Dbf_erinnerung", system);
  HeadlessHost host(system, state, &table);
  ReminderScan scan(system, state, host);
  host.dir_search = [&](settings::AccountList& list) {
    settings::KontenListing listing;
    settings::DirSearch(system, system.ProgramFolder(), state.planner_directory, list, listing);
    return listing;
  };
  scan.Timer1Timer();
  fs::remove_all(dir);

  EXPECT_TRUE(scan.Problems().empty());
  ASSERT_EQ(host.Accounts().Count(), 1);
  EXPECT_EQ(host.Accounts().Item(0), account);
  EXPECT_EQ(host.captions, (std::vector<std::string>{ReminderScan::StatusCaption(1, 1, account)}));
  EXPECT_EQ(scan.Due().Entries(),
            (std::vector<std::string>{std::string(kFar) + " [" + account + "] Arzt"}));
}
#endif

// One appointment file `bytes` of a due record in account Familie, scanned.
struct OneFileScan {
  explicit OneFileScan(const std::string& bytes) {
    rig.sim.AddAccount("Familie");
    rig.sim.PutFile(rig.sim.AccountFolder("Familie") + "erinnerung.dbf", ReminderTable({kToday}));
    rig.sim.PutFile(rig.sim.AccountFolder("Familie") + "termine\\" + kToday + ".trm", bytes);
    rig.Choose({"Familie"});
    rig.host.skip_pauses = true;
  }
  // Runs the scan and returns the most bytes it held at once beyond what was held before.
  uint64_t RunMeasured() {
    const uint64_t before = erm::testing::LiveBytes();
    erm::testing::ResetPeakLiveBytes();
    rig.Run();
    return erm::testing::PeakLiveBytes() - before;
  }
  ScanRig<testing::PlannerSim> rig{kPlanner};
};

TEST(HostileInputTest, TableCutShortAfterItsCountListsNoRecordTwice) {
  // The planner packs the table between the count and the walk: the walk finds two of the
  // three counted records, and the last one found is not read a second time.
  ScanRig<testing::PlannerSim> rig{kPlanner};
  rig.host.skip_pauses = true;
  rig.sim.AddAccount("Familie");
  const std::string table_path = rig.sim.AccountFolder("Familie") + "erinnerung.dbf";
  const std::vector<std::string> termini = {"20261207100000", "20261208100000", "20261209100000"};
  rig.sim.PutFile(table_path, ReminderTable(termini));
  for (const std::string& t : termini) {
    rig.sim.PutFile(rig.sim.AccountFolder("Familie") + "termine\\" + t + ".trm",
                    "Kopf\r\n" + EncodeDecodeText("Termin " + t.substr(6, 2)) + "\r\n");
  }
  rig.Choose({"Familie"});
  // Header 97 bytes, records 29: reads of the first record come from Open, the count and the
  // walk, in that order; the third finds the table already cut to two records.
  int first_record_reads = 0;
  rig.sim.on_read = [&](const std::string& path, uint64_t offset, size_t) {
    if (path == table_path && offset == 97 && ++first_record_reads == 3) {
      rig.sim.TruncateFile(table_path, 97 + 2 * 29);
    }
    return platform::SimSystem::ReadFault{};
  };

  rig.Run();

  EXPECT_EQ(first_record_reads, 3);
  EXPECT_EQ(rig.scan.Due().Entries(),
            (std::vector<std::string>{"20261207100000 [Familie] Termin 07",
                                      "20261208100000 [Familie] Termin 08"}));
}

TEST(HostileInputTest, AddingAFilesEntriesAtOnceOrdersThemAsOneAfterAnother) {
  // Entries equal but for letter case compare equal and keep the order they came in, after the
  // equal ones already listed.
  struct Case {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> added;
  };
  const std::vector<Case> cases = {
      {"into_an_empty_list", {}, {"b", "A", "a", "c", "B"}},
      {"equal_to_listed_ones", {"a", "B", "c"}, {"C", "b", "A", "a"}},
      {"before_and_after_all", {"m", "n"}, {"z", "a", "Z", "A"}},
      {"umlauts_and_prefixes", {"\xC4rger", "\xE4rger x"}, {"\xE4rger", "\xC4RGER x", "\xC4"}},
      {"nothing_added", {"a", "b"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DueList one_by_one, at_once;
    for (const std::string& e : c.before) {
      one_by_one.Add(e);
      at_once.Add(e);
    }
    for (const std::string& e : c.added)
      one_by_one.Add(e);
    at_once.AddAll(c.added);
    EXPECT_EQ(at_once.Entries(), one_by_one.Entries());
  }
}

TEST(HostileInputTest, MillionLineFileGivesEveryLineInLinearMemory) {
  // Lines in descending order, the worst case for a sorted list that places each entry as it
  // comes: one insertion at the front per line is n^2/2 moves, some 5 * 10^11 here.
  constexpr int kLines = 1000000;
  std::string bytes = "Kopf\r\n";
  bytes.reserve(static_cast<size_t>(kLines) * 15);
  for (int i = kLines - 1; i >= 1; --i) {
    char line[32];
    std::snprintf(line, sizeof line, "Zeile %07d", i);
    bytes += EncodeDecodeText(line) + "\r\n";
  }
  OneFileScan f(bytes);
  const uint64_t file_size = bytes.size();
  bytes = std::string();

  const uint64_t peak = f.RunMeasured();

  const auto& due = f.rig.scan.Due().Entries();
  ASSERT_EQ(due.size(), static_cast<size_t>(kLines - 1));
  EXPECT_EQ(due.front(), std::string(kToday) + " [Familie] Zeile 0000001");
  EXPECT_EQ(due.back(), std::string(kToday) + " [Familie] Zeile 0999999");
  EXPECT_TRUE(std::is_sorted(due.begin(), due.end()));
  EXPECT_EQ(f.rig.state.today_count, kLines - 1);
  // The notice lists what fits its limit, 211 characters at most, not a million lines.
  EXPECT_LE(f.rig.state.notice_text.size(), kNoticeTextLimit + 1);
  ASSERT_EQ(f.rig.host.notices.size(), 1u);
  EXPECT_EQ(f.rig.host.notices[0].text, f.rig.state.notice_text);
  // Memory: the file's bytes, its lines, the texts and the entries, and the headless host's
  // copies of each tree node and its record of the call: a few hundred bytes a line. 600 bytes
  // a line leaves room for the allocator's rounding; a copy of the list per line would not fit.
  std::printf("peak %llu bytes for a file of %llu bytes: %llu a line\n",
              static_cast<unsigned long long>(peak), static_cast<unsigned long long>(file_size),
              static_cast<unsigned long long>(peak / kLines));
  EXPECT_LE(peak, 600ull * kLines);
}

TEST(HostileInputTest, TenMegabyteLineIsOneEntryAndStaysOutOfTheNotice) {
  constexpr size_t kLineSize = 10 * 1024 * 1024;
  const std::string text(kLineSize, 'A');
  OneFileScan f("Kopf\r\n" + EncodeDecodeText(text) + "\r\n");

  const uint64_t peak = f.RunMeasured();

  ASSERT_EQ(f.rig.scan.Due().Count(), 1u);
  EXPECT_EQ(f.rig.scan.Due().Item(0), std::string(kToday) + " [Familie] " + text);
  EXPECT_EQ(f.rig.state.today_count, 1);
  // Too long for the notice text: the dialog names the count and lists nothing.
  EXPECT_EQ(f.rig.state.notice_text, "");
  ASSERT_EQ(f.rig.host.notices.size(), 1u);
  EXPECT_EQ(f.rig.host.notices[0].headline, "Sie haben heute 1 Termin(e):");
  EXPECT_EQ(f.rig.host.balloons[0].text, "");
  // Memory: a handful of copies of the line (the file's bytes as read, its line, the text, the
  // entry, the tree node and the host's records of it), never one per byte or per chunk read.
  std::printf("peak %llu bytes for a line of %zu bytes\n", static_cast<unsigned long long>(peak),
              kLineSize);
  EXPECT_LE(peak, 12 * kLineSize);
}

}  // namespace
}  // namespace erm::app
