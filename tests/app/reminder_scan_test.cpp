#include "app/reminder_scan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_system.h"
#endif

#include <gtest/gtest.h>

#include "app/appointment_file.h"
#include "app/headless_host.h"
#include "app/planner_sim.h"
#include "app/scan_schedule.h"
#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"

namespace erm::app {
namespace {

constexpr char kPlanner[] = "C:\\Programme\\Brevantoliske\\";

struct Row {
  std::string erinnerung;
  std::string termindatu;
};

class ReminderScanTest : public ::testing::Test {
 protected:
  ReminderScanTest() : sim_(kPlanner), host_(sim_, state_, &table_), scan_(sim_, state_, host_) {
    sim_.SetNow(platform::LocalTime{2026, 12, 7, 10, 0, 0, 0});  // Monday
    sim_.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
    state_.planner_directory = kPlanner;
  }

  std::string AccountFolder(const std::string& account) const {
    return sim_.AccountFolder(account);
  }
  void AddTable(const std::string& account, const std::vector<Row>& rows, char termin_type = 'N') {
    sim_.AddAccount(account);
    tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", termin_type, 14, 0}});
    for (const Row& row : rows)
      writer.AddRecord({row.erinnerung, row.termindatu});
    sim_.PutFile(AccountFolder(account) + "erinnerung.dbf", writer.Bytes());
  }
  void AddFile(const std::string& account, const std::string& termin, const std::string& bytes) {
    sim_.PutFile(AccountFolder(account) + "termine\\" + termin + ".trm", bytes);
  }
  // Line 1 plus each text masked, each line ended by CR LF.
  void AddTexts(const std::string& account, const std::string& termin,
                const std::vector<std::string>& texts) {
    std::string bytes = "Kopf\r\n";
    for (const std::string& t : texts)
      bytes += EncodeDecodeText(t) + "\r\n";
    AddFile(account, termin, bytes);
  }
  void Choose(const std::string& lines) {
    sim_.PutFile(sim_.ProgramFolder() + settings::kAccountSelectionFileName, lines);
  }
  std::vector<std::string> Due() const { return scan_.Due().Entries(); }
  std::vector<std::string> Problems() const {
    std::vector<std::string> out;
    for (const ScanProblem& p : scan_.Problems())
      out.push_back(p.account + ": " + p.message);
    return out;
  }
  bool OpenedAny(const std::string& suffix) const {
    return std::any_of(sim_.opened_paths.begin(), sim_.opened_paths.end(), [&](const auto& p) {
      return p.size() >= suffix.size() &&
             p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
  }

  testing::PlannerSim sim_;
  ProgramState state_;
  dbf::TDbfTable table_{"Dbf_erinnerung", sim_};
  HeadlessHost host_;
  ReminderScan scan_;
};

TEST_F(ReminderScanTest, DueFromTheReminderDaysFirstScanUntilTheAppointmentDay) {
  // The day's first scan: the reminders' times of day have not come yet, their day has.
  sim_.SetNow(platform::LocalTime{2026, 12, 7, 8, 0, 0, 0});
  struct Case {
    const char* erinnerung;
    const char* termin;
    bool due;
  };
  const Case cases[] = {
      {"20261207000000", "20261207000000", true},   // both exactly at the key
      {"20261207000001", "20261208090000", true},   // a second into today
      {"20261207103000", "20261207110000", true},   // 10:30 for 11:00 today, scan at 08:00
      {"20261206140000", "20261208100000", true},   // 14:00 yesterday for tomorrow
      {"20261207235959", "20261210080000", true},   // today's last second
      {"20261208000000", "20261208120000", false},  // reminder's day not yet come
      {"20261206235959", "20261206235959", false},  // appointment passed
      {"20261201000000", "20261207235959", true},
      {"              ", "20261209080000", true},  // blank reminder sorts first
      {"20261130000000", "20261231080000", true},  // due, though beyond the tree
  };
  std::vector<Row> rows;
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    rows.push_back({c.erinnerung, c.termin});
    AddTexts("Familie", c.termin, {std::string("Termin ") + c.termin});
    if (c.due) expected.push_back(std::string(c.termin) + " [Familie] Termin " + c.termin);
  }
  AddTable("Familie", rows);
  Choose("Familie\r\n");
  scan_.Timer1Timer();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Due(), expected);
  EXPECT_TRUE(Problems().empty());
  EXPECT_EQ(table_.Filter(), "ERINNERUNG<='20261207235959'");
  EXPECT_TRUE(table_.Filtered());
}

TEST_F(ReminderScanTest, ReportsProgressForChosenAccountsOnlyAndReArmsTheTimer) {
  for (const char* account : {"A", "B", "C"})
    AddTable(account, {});
  Choose("C\r\nB\r\n");
  host_.skip_pauses = false;
  scan_.Timer1Timer();
  EXPECT_EQ(host_.captions, (std::vector<std::string>{" Pr\xFC"
                                                      "fe 1/2:  B...",
                                                      " Pr\xFC"
                                                      "fe 2/2:  C..."}));
  EXPECT_EQ(sim_.sleeps, (std::vector<uint32_t>{800, 800, 1000}));
  const std::vector<std::string> expected = {"DirSearch",
                                             "DisableScanTimer 3600000",
                                             "ShowScanActivity",
                                             "SetProgressRange 2 1",
                                             "SetStatusCaption  Pr\xFC"
                                             "fe 1/2:  B...",
                                             "StepProgress",
                                             "Pause 800",
                                             "SetStatusCaption  Pr\xFC"
                                             "fe 2/2:  C...",
                                             "StepProgress",
                                             "Pause 800",
                                             "Pause 1000",
                                             "EndScanActivity",
                                             "ClearTree",
                                             "EnableScanTimer"};
  EXPECT_EQ(host_.events, expected);
  EXPECT_TRUE(host_.timer_enabled);
  EXPECT_EQ(host_.timer_interval_ms, kScanIntervalMs);
  EXPECT_EQ(host_.status_caption, "");
  EXPECT_FALSE(OpenedAny("\\A\\erinnerung.dbf"));
  EXPECT_FALSE(table_.Active());
}

TEST_F(ReminderScanTest, NoChosenAccountOpensNoTable) {
  AddTable("A", {{"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207090000", {"x"});
  scan_.Timer1Timer();
  EXPECT_EQ(host_.progress_maximum, 0);
  EXPECT_TRUE(host_.captions.empty());
  EXPECT_TRUE(Due().empty());
  EXPECT_FALSE(OpenedAny(".dbf"));
  EXPECT_EQ(host_.pauses, std::vector<uint32_t>{1000});
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, NoKontenFolderEndsWithAnEmptyDueList) {
  Choose("Familie\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(host_.Accounts().Count(), 0);
  EXPECT_TRUE(Due().empty());
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, TablesThatDoNotOpenAreSkipped) {
  sim_.AddAccount("Kaputt");
  sim_.PutFile(AccountFolder("Kaputt") + "erinnerung.dbf", "keine Tabelle");
  sim_.AddAccount("Leer");
  AddTable("Gut", {{"20261201000000", "20261207090000"}});
  AddTexts("Gut", "20261207090000", {"Arzt"});
  Choose("Kaputt\r\nLeer\r\nGut\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207090000 [Gut] Arzt"});
  ASSERT_EQ(scan_.Problems().size(), 2u);
  EXPECT_EQ(scan_.Problems()[0].account, "Kaputt");
  EXPECT_EQ(scan_.Problems()[1].account, "Leer");
  EXPECT_EQ(host_.notices.size(), 1u);
}

TEST_F(ReminderScanTest, OpensTheTableReadOnlyAndShared) {
  AddTable("A", {{"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207090000", {"Arzt"});
  // A read-only table file, as on a read-only share, must still be scanned.
  const std::string path = AccountFolder("A") + "erinnerung.dbf";
  sim_.PutFile(path, sim_.ReadFileBytes(path), platform::kAttrReadOnly);
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207090000 [A] Arzt"});
  EXPECT_TRUE(table_.ReadOnly());
  EXPECT_FALSE(table_.Exclusive());
  for (size_t i = 0; i < sim_.opened_paths.size(); ++i) {
    if (sim_.opened_paths[i] != path) continue;
    EXPECT_EQ(sim_.opened_modes[i].first, platform::FileAccess::kRead);
    EXPECT_EQ(sim_.opened_modes[i].second, platform::FileShare::kDenyNone);
  }
  EXPECT_EQ(sim_.write_count, 0);
}

TEST_F(ReminderScanTest, AppointmentFilesFollowTheirLineRules) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> texts;
  };
  const std::string m = EncodeDecodeText("Geburtstag Tante Dorothea");
  const Case cases[] = {
      {"only line 1", "Kopf\r\n", {}},
      {"two lines after line 1",
       "Kopf\r\n" + EncodeDecodeText("Arzt") + "\r\n" +
           EncodeDecodeText("B\xE4"
                            "ckerei") +
           "\r\n",
       {"Arzt",
        "B\xE4"
        "ckerei"}},
      {"LF-only file is a single line", "Kopf\n" + m + "\n", {}},
      {"two CR LF at the end: one empty text",
       "Kopf\r\n" + m + "\r\n\r\n",
       {"Geburtstag Tante Dorothea", ""}},
      {"end marker after the last line end",
       "Kopf\r\n" + m + "\r\n\x1A",
       {"Geburtstag Tante Dorothea"}},
      {"last line without line end", "Kopf\r\n" + m, {"Geburtstag Tante Dorothea"}},
  };
  for (const Case& c : cases) {
    sim_.Remove(AccountFolder("A") + "termine\\20261207090000.trm");
    AddTable("A", {{"20261201000000", "20261207090000"}});
    AddFile("A", "20261207090000", c.bytes);
    Choose("A\r\n");
    scan_.Timer1Timer();
    DueList expected;
    for (const std::string& t : c.texts)
      expected.Add("20261207090000 [A] " + t);
    EXPECT_EQ(Due(), expected.Entries()) << c.name;
  }
}

TEST_F(ReminderScanTest, DuplicateRecordsReadTheirFileTwice) {
  AddTable("A", {{"20261201000000", "20261208090000"}, {"20261202000000", "20261208090000"}});
  AddTexts("A", "20261208090000", {"Zahnarzt", "Mittag"});
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), (std::vector<std::string>{
                       "20261208090000 [A] Mittag", "20261208090000 [A] Mittag",
                       "20261208090000 [A] Zahnarzt", "20261208090000 [A] Zahnarzt"}));
  EXPECT_EQ(host_.Tree()[0].text, "Di., 08.12.2026 (4)");
}

TEST_F(ReminderScanTest, MissingAppointmentFileSkipsOnlyItsRecord) {
  AddTable("A", {{"20261201000000", "20261207090000"}, {"20261201000000", "20261207100000"}});
  AddTexts("A", "20261207100000", {"Sitzung"});
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207100000 [A] Sitzung"});
  ASSERT_EQ(scan_.Problems().size(), 1u);
  EXPECT_EQ(scan_.Problems()[0].account, "A");
  EXPECT_NE(scan_.Problems()[0].message.find("termine\\20261207090000.trm"), std::string::npos);
  EXPECT_EQ(host_.notices.size(), 1u);
  EXPECT_TRUE(host_.timer_enabled);
  EXPECT_FALSE(table_.Active());
}

TEST_F(ReminderScanTest, AnAccountsProblemsKeepTheWalksOrderAndItsFilesAreReadWithTheTableClosed) {
  AddTable("A",
           {{"20261201000000", "20261207090000"},
            {"20261201000000", "kaputt"},
            {"20261201000000", "20261207100000"},
            {"20261201000000", "20261207110000"}},
           'C');
  AddTexts("A", "20261207100000", {"Sitzung"});
  Choose("A\r\n");
  int files_read_with_table_open = 0;
  sim_.on_open = [&](const std::string& path, auto, auto) -> std::optional<std::string> {
    files_read_with_table_open += path.find(".trm") != std::string::npos && table_.Active();
    return std::nullopt;
  };
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207100000 [A] Sitzung"});
  const std::vector<std::string> problems = Problems();
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_NE(problems[0].find("20261207090000.trm"), std::string::npos);
  EXPECT_NE(problems[1].find("kaputt"), std::string::npos);
  EXPECT_NE(problems[2].find("20261207110000.trm"), std::string::npos);
  EXPECT_EQ(files_read_with_table_open, 0);
}

TEST_F(ReminderScanTest, TermindatuThatIsNoNumberSkipsOnlyItsRecord) {
  AddTable("A", {{"20261201000000", "2026-12-07"}, {"20261201000000", "20261207100000"}}, 'C');
  AddTexts("A", "20261207100000", {"Sitzung"});
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207100000 [A] Sitzung"});
  ASSERT_EQ(scan_.Problems().size(), 1u);
  EXPECT_NE(scan_.Problems()[0].message.find("2026-12-07"), std::string::npos);
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, TermindatuThatIsNotANumberValueSkipsOnlyItsRecord) {
  // A binary double field holding NaN compares as neither earlier nor later than the key.
  sim_.AddAccount("A");
  tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'O', 8}});
  writer.AddRawRecord("20261201000000" + std::string("\xFF\xF8\0\0\0\0\0\0", 8));
  sim_.PutFile(AccountFolder("A") + "erinnerung.dbf", writer.Bytes());
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_TRUE(Due().empty());
  ASSERT_EQ(scan_.Problems().size(), 1u);
  EXPECT_EQ(scan_.Problems()[0].account, "A");
  EXPECT_NE(scan_.Problems()[0].message.find("NAN"), std::string::npos);
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, AFailingWalkEndsOnlyItsAccount) {
  sim_.AddAccount("Ohne");
  tools::DbfWriter without({{"ERINNERUNG", 'C', 14}, {"BETREFF", 'C', 20}});
  without.AddRecord({"20261201000000", "kein Termindatum"});
  sim_.PutFile(AccountFolder("Ohne") + "erinnerung.dbf", without.Bytes());
  AddTable("Gut", {{"20261201000000", "20261207090000"}});
  AddTexts("Gut", "20261207090000", {"Arzt"});
  Choose("Ohne\r\nGut\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207090000 [Gut] Arzt"});
  ASSERT_EQ(scan_.Problems().size(), 1u);
  EXPECT_EQ(scan_.Problems()[0].account, "Ohne");
  EXPECT_FALSE(table_.Active());
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, ARecordLockedForEditingCostsItsAccountTwoSecondsAndNoMore) {
  AddTable("Gesperrt",
           {{"20261201000000", "20261207080000"}, {"20261201000000", "20261207100000"}});
  AddTexts("Gesperrt", "20261207080000", {"Zahnarzt"});
  AddTable("Gut", {{"20261201000000", "20261207090000"}});
  AddTexts("Gut", "20261207090000", {"Arzt"});
  Choose("Gesperrt\r\nGut\r\n");
  // The planner's user edits record 2: its bytes stay locked, the rest of the table does not.
  static constexpr uint64_t record2 = 97 + 29;  // header of two fields, record length 29
  sim_.on_read = [this](const std::string& path, uint64_t offset, size_t size) {
    platform::SimSystem::ReadFault fault;
    if (path == AccountFolder("Gesperrt") + "erinnerung.dbf" && offset < record2 + 29 &&
        offset + size > record2) {
      fault.kind = platform::SimSystem::ReadFault::kLocked;
    }
    return fault;
  };
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), (std::vector<std::string>{"20261207080000 [Gesperrt] Zahnarzt",
                                             "20261207090000 [Gut] Arzt"}));
  EXPECT_EQ(Problems(), std::vector<std::string>{"Gesperrt: Datensatz 2 gesperrt"});
  EXPECT_EQ(host_.timer_interval_ms, kRetryScanIntervalMs);
  uint64_t waited = 0;
  for (uint32_t ms : sim_.sleeps)
    waited += ms == 1 ? 1 : 0;
  EXPECT_GE(waited, 2000u);
  EXPECT_LE(waited, 2001u);
  EXPECT_FALSE(table_.Active());
  // Re-armed; when the next scan comes is the timer's own rule.
  EXPECT_TRUE(host_.timer_enabled);
}

TEST_F(ReminderScanTest, AScanRunningPastMidnightKeepsTheDayItStartedOn) {
  // Two accounts' pauses carry the clock from 23:59:59 into the next day: the filter and the
  // due test stay with the day the scan began, today's group too, while the day node texts
  // follow the clock at presentation time.
  sim_.SetNow(platform::LocalTime{2026, 12, 7, 23, 59, 59, 0});
  AddTable("A", {{"20261207000000", "20261207235959"}});
  AddTexts("A", "20261207235959", {"spaet"});
  AddTable("B", {{"20261201000000", "20261207235959"},
                 {"20261208000000", "20261208090000"},
                 {"20261201000000", "20261209080000"}});
  AddTexts("B", "20261207235959", {"auch spaet"});
  AddTexts("B", "20261208090000", {"Erinnerung erst ab heute"});
  AddTexts("B", "20261209080000", {"Mittwoch"});
  Choose("A\r\nB\r\n");
  host_.skip_pauses = false;
  scan_.Timer1Timer();
  EXPECT_EQ(sim_.Now().day, 8);
  EXPECT_EQ(Due(),
            (std::vector<std::string>{"20261207235959 [A] spaet", "20261207235959 [B] auch spaet",
                                      "20261209080000 [B] Mittwoch"}));
  EXPECT_EQ(table_.Filter(), "ERINNERUNG<='20261207235959'");
  const auto tree = host_.Tree();
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].text, "Heute, Di., 08.12.2026 (2)");
  EXPECT_EQ(tree[1].text, "Mi., 09.12.2026 (1)");
  EXPECT_EQ(state_.today_count, 2);
}

TEST_F(ReminderScanTest, NoPathMarkerMakesTheTickDoNothing) {
  state_.planner_directory = settings::kNoPathMarker;
  host_.timer_enabled = true;
  scan_.Timer1Timer();
  EXPECT_TRUE(host_.events.empty());
  EXPECT_TRUE(host_.timer_enabled);
  EXPECT_EQ(host_.timer_interval_ms, 5000u);
}

TEST_F(ReminderScanTest, FailingDiscoveryKeepsTheAccountListAsItStands) {
  AddTable("A", {{"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207090000", {"Arzt"});
  host_.AccountsToFill().Add("A");
  host_.AccountsToFill().SetSelected(0, true);
  host_.dir_search = [](settings::AccountList&) -> settings::KontenListing {
    throw Error("Zugriff verweigert");
  };
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207090000 [A] Arzt"});
}

TEST_F(ReminderScanTest, ATickDuringTheNoticeDialogDoesNotStartASecondScan) {
  AddTable("A", {{"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207090000", {"Arzt"});
  Choose("A\r\n");
  bool running_inside = false;
  host_.on_notice_shown = [&] {
    running_inside = scan_.Running();
    scan_.Timer1Timer();
  };
  scan_.Timer1Timer();
  EXPECT_TRUE(running_inside);
  EXPECT_FALSE(scan_.Running());
  EXPECT_EQ(std::count(host_.events.begin(), host_.events.end(), "DirSearch"), 1);
}

TEST_F(ReminderScanTest, EachScanReplacesTheLastOnesResults) {
  AddTable("A", {{"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207090000", {"Arzt"});
  Choose("A\r\n");
  scan_.Timer1Timer();
  EXPECT_EQ(state_.today_count, 1);
  EXPECT_EQ(state_.notice_text, " [A] Arzt\r\n");
  sim_.SetNow(platform::LocalTime{2026, 12, 8, 10, 0, 0, 0});
  scan_.Timer1Timer();
  EXPECT_TRUE(Due().empty());
  EXPECT_EQ(state_.today_count, 0);
  EXPECT_EQ(state_.notice_text, "");
  EXPECT_TRUE(host_.Tree().empty());
}

// The planner keeps an appointment file open without read sharing past the scan's patience: that
// appointment is left out and the next scan comes in five minutes.
TEST_F(ReminderScanTest, AnAppointmentFileHeldOpenTooLongIsLeftOutAndTriedAgainSoon) {
  AddTable("A", {{"20261201000000", "20261207080000"}, {"20261201000000", "20261207090000"}});
  AddTexts("A", "20261207080000", {"Zahnarzt"});
  AddTexts("A", "20261207090000", {"Arzt"});
  Choose("A\r\n");
  const std::string file = AccountFolder("A") + "termine\\20261207080000.trm";
  sim_.on_open = [&](const std::string& path, platform::FileAccess, platform::FileOpen) {
    return path == file ? std::optional<std::string>(platform::SimSystem::kInUseText)
                        : std::nullopt;
  };
  scan_.Timer1Timer();
  EXPECT_EQ(Due(), std::vector<std::string>{"20261207090000 [A] Arzt"});
  EXPECT_EQ(Problems(),
            std::vector<std::string>{"A: " + file + ": " + platform::SimSystem::kInUseText});
  EXPECT_EQ(host_.timer_interval_ms, kRetryScanIntervalMs);
}

// The patience measures a server's silence, not the work: an account whose every call takes
// 4 s, and one whose three files are each held for 1.9 s, are read in full; one call silent for a
// minute costs its account the patience, and the account after it is not tried while it hangs.
TEST_F(ReminderScanTest, ASlowServerIsWaitedForAsLongAsEachCallAnswers) {
  std::string chosen;
  for (const char* account : {"Langsam", "Belegt", "Stumm", "Danach"}) {
    AddTable(account, {{"20261201000000", "20261207080000"},
                       {"20261201000000", "20261207090000"},
                       {"20261201000000", "20261207100000"}});
    for (const char* termin : {"20261207080000", "20261207090000", "20261207100000"})
      AddTexts(account, termin, {"Termin"});
    chosen += std::string(account) + "\r\n";
  }
  Choose(chosen);
  const auto in = [this](const std::string& path, const char* account) {
    return path.rfind(AccountFolder(account), 0) == 0;
  };
  sim_.on_operation_time = [&](const platform::SimSystem::Operation& op) -> uint64_t {
    if (in(op.path, "Langsam")) return 4000;
    const bool stumm_size =
        in(op.path, "Stumm") && op.kind == platform::SimSystem::OperationKind::kSize;
    return stumm_size ? 60000 : 0;
  };
  std::map<std::string, uint64_t> held_until;
  sim_.on_open = [&](const std::string& path, platform::FileAccess, platform::FileOpen) {
    if (!in(path, "Belegt") || path.find(".trm") == std::string::npos)
      return std::optional<std::string>();
    const auto [it, first] = held_until.emplace(path, sim_.TickCount() + 1900);
    return sim_.TickCount() < it->second
               ? std::optional<std::string>(platform::SimSystem::kInUseText)
               : std::nullopt;
  };
  scan_.Timer1Timer();
  EXPECT_EQ(Due().size(), 6u);
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{std::string("Stumm: ") + ReminderScan::kNoAnswerMessage,
                                      std::string("Danach: ") + ReminderScan::kNotTriedMessage}));
  EXPECT_EQ(host_.timer_interval_ms, kRetryScanIntervalMs);
}

#if !defined(_WIN32)
// On real threads: a read the scan gave up on goes on alone after the scan, its host, its table
// and its state are gone (under the sanitizers, a read that reached any of them is caught), and
// only the read's end lets the next one start.
TEST(ReminderScanOnRealFilesTest, AReadGivenUpOnOutlivesTheScanThatStartedIt) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("erm_hung_read_" + std::to_string(::getpid()));
  const fs::path termine = dir / "konten" / "A" / "termine";
  fs::remove_all(dir);
  fs::create_directories(termine);
  tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
  // Due on the real clock for years to come.
  writer.AddRecord({"20000101000000", "20991231090000"});
  const std::string bytes = writer.Bytes();
  std::FILE* table_file = std::fopen((dir / "konten" / "A" / "erinnerung.dbf").c_str(), "wb");
  ASSERT_NE(table_file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), table_file);
  std::fclose(table_file);
  const fs::path fifo = termine / "20991231090000.trm";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  platform::PosixSystem system;
  {
    ProgramState state;
    state.planner_directory = platform::FromHostPath(dir.string()) + "\\";
    dbf::TDbfTable table("Dbf_erinnerung", system);
    HeadlessHost host(system, state, &table);
    host.dir_search = [&](settings::AccountList& accounts) {
      const settings::KontenListing listing =
          settings::DiscoverAccountsBounded(system, state.planner_directory, accounts);
      settings::SelectAccounts({"A"}, accounts);
      return listing;
    };
    ReminderScan scan(system, state, host);
    scan.SetReadPatience(100);
    scan.Timer1Timer();
    ASSERT_EQ(scan.Problems().size(), 1u);
    EXPECT_EQ(scan.Problems()[0].message, ReminderScan::kNoAnswerMessage);
    EXPECT_TRUE(system.ReadStillHangs());
  }
  // The planner writes the file at last: the read takes it and ends.
  const int writer_end = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer_end, 0);
  const std::string trm = "Kopf\r\n" + EncodeDecodeText("Arzt") + "\r\n";
  EXPECT_EQ(::write(writer_end, trm.data(), trm.size()), static_cast<ssize_t>(trm.size()));
  ::close(writer_end);
  for (int i = 0; i < 10000 && system.ReadStillHangs(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(system.ReadStillHangs());
  EXPECT_EQ(system.RunBounded([] {}, 100), platform::BoundedReadOutcome::kDone);
  fs::remove_all(dir);
}
#endif

}  // namespace
}  // namespace erm::app
