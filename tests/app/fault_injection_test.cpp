// Every file and directory operation of start-up, the account discovery, "Übernehmen" and a
// whole scan fails in turn, once per run, on a fresh program each time. Each run checks what
// the program does next: the error it reports or swallows, its timer, the seen flag, the today
// count, the settings files on disk (old bytes or new, never a mixture, no temporary file), and
// that the next scan, or the next start, finds every due appointment again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/appointment_file.h"
#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/planner_sim.h"
#include "app/program.h"
#include "common/dbf_writer.h"
#include "platform/sim/sim_desktop.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"
#include "ui/application.h"
#include "ui/headless_peers.h"

namespace erm::app::testing {
namespace {

using platform::SimSystem;
using Kind = SimSystem::OperationKind;

constexpr char kPlannerDir[] = "C:\\Programme\\Brevantoliske\\";
// The same folder as the file dialog might spell it: a rewrite of the settings file that took
// effect is told apart from the old one by it, while the scans still find the planner.
constexpr char kPlannerRespelled[] = "C:\\PROGRAMME\\Brevantoliske\\";
constexpr char kDay[] = "20261207";
// Without a full stop, so the error report must add one.
constexpr char kFault[] = "Das Ger\xE4t ist nicht bereit";
constexpr char kShownFault[] = "Das Ger\xE4t ist nicht bereit.";
constexpr char kMarker[] = "Pfad nicht gew\xE4hlt!";
constexpr char kOldSettings[] = "C:\\Programme\\Brevantoliske\\\r\nzweite Zeile\r\n";
constexpr char kBothAccounts[] = "Familie\r\nPraxis\r\n";

// Which appointments come due today, per account, at hhmmss.
const std::vector<std::pair<std::string, std::vector<std::string>>> kDue = {
    {"Familie", {"090000"}},
    {"Praxis", {"140000", "160000"}},
};

std::string Missing() {
  return "(missing)";
}

// One program on its own simulated platform, built as the program entry builds it.
class Program {
 public:
  Program() {
    sim.SetNow(platform::LocalTime{2026, 12, 7, 10, 0, 0, 0});
    sim.MakeDirectory(sim.ProgramFolder());
  }
  ~Program() { app.reset(); }

  void AddPlanner() {
    for (const auto& [account, times] : kDue) {
      sim.AddAccount(account);
      tools::DbfWriter table({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
      for (const std::string& time : times) {
        const std::string termin = std::string(kDay) + time;
        table.AddRecord({"20261205000000", termin});
        sim.PutFile(TrmPath(account, termin), "Kopf\r\n" + EncodeDecodeText("Termin " + time) +
                                                  "\r\n" + EncodeDecodeText("Raum " + time) +
                                                  "\r\n");
      }
      sim.PutFile(sim.AccountFolder(account) + "erinnerung.dbf", table.Bytes());
    }
  }
  std::string TrmPath(const std::string& account, const std::string& termin) {
    return sim.AccountFolder(account) + "termine\\" + termin + ".trm";
  }
  std::string SettingsPath() { return sim.ProgramFolder() + settings::kSettingsFileName; }
  std::string SelectionPath() { return sim.ProgramFolder() + settings::kAccountSelectionFileName; }
  std::string Bytes(const std::string& path) {
    return sim.Exists(path) ? sim.ReadFileBytes(path) : Missing();
  }

  void Start() {
    app = std::make_unique<ui::Application>(sim, desktop, peers);
    windows = CreateProgramWindows(*app, tray_handlers);
    CloseNoticesAsTheyCome();
  }
  TForm1& Main() { return *windows.main_window; }
  app::TForm2& Options() { return *windows.options_dialog; }
  // What the user does, at a handler's edge: an error is the general error report's.
  void Do(const std::function<void()>& action) { app->RunGuarded(action); }

  // The notice dialog is closed as soon as it shows, as a user would close it.
  void CloseNoticesAsTheyCome() {
    desktop.Schedule(100, [this] {
      if (windows.notice_dialog != nullptr && windows.notice_dialog->Visible()) {
        notices.push_back(windows.notice_dialog->Label1->Caption());
        app->RunGuarded([this] { windows.notice_dialog->BitBtn1->Click(); });
        desktop.PostMessage(app->Handle(), platform::msg::kNull, 0, 0);
      }
      CloseNoticesAsTheyCome();
    });
  }

  PlannerSim sim{kPlannerDir};
  platform::SimDesktop desktop{sim};
  ui::HeadlessPeerFactory peers;
  tray::TrayHandlers tray_handlers{desktop};
  std::unique_ptr<ui::Application> app;
  ProgramWindows windows;
  std::vector<std::string> notices;  // the headline of every notice dialog shown
};

// What a run left behind.
struct Outcome {
  std::vector<std::string> reports;  // error message boxes, their texts
  std::vector<std::string> other_boxes;
  bool timer_enabled = false;
  uint32_t interval = 0;
  bool active = false;
  bool main_visible = false;
  bool options_visible = false;
  bool seen = false;
  int today_count = 0;
  std::string planner_directory;
  std::vector<std::string> due;
  std::vector<std::string> accounts;
  std::vector<std::string> selected;
  std::string settings_bytes;
  std::string selection_bytes;
  bool temporary_left = false;
  std::vector<std::string> notices;
  // The last scan could not list the konten folder or had to skip an account.
  bool scan_incomplete = false;
};

Outcome Capture(Program& p) {
  Outcome o;
  for (const auto& box : p.desktop.message_boxes) {
    EXPECT_EQ(box.caption, "Erinnerungsmodul");
    if (box.flags & platform::kMbIconError) {
      o.reports.push_back(box.text);
    } else {
      o.other_boxes.push_back(box.text);
    }
  }
  o.timer_enabled = p.Main().Timer1->Enabled();
  o.interval = p.Main().Timer1->Interval();
  const auto& problems = p.Main().Scan().Problems();
  o.scan_incomplete =
      p.Main().Scan().ListingFailed() ||
      std::any_of(problems.begin(), problems.end(),
                  [](const app::ScanProblem& problem) { return problem.whole_account; });
  o.active = p.Main().ReminderActive();
  o.main_visible = p.Main().Visible();
  o.options_visible = p.Options().Visible();
  o.seen = p.Main().State().seen;
  o.today_count = p.Main().State().today_count;
  o.planner_directory = p.Main().State().planner_directory;
  o.due = p.Main().ListBox1->Items();
  o.notices = p.notices;
  const settings::AccountList& accounts = p.Options().Accounts();
  for (int i = 0; i < accounts.Count(); ++i)
    o.accounts.push_back(accounts.Item(i));
  o.selected = accounts.SelectedItems();
  o.settings_bytes = p.Bytes(p.SettingsPath());
  o.selection_bytes = p.Bytes(p.SelectionPath());
  o.temporary_left = p.sim.Exists(p.SettingsPath() + platform::kTemporarySuffix) ||
                     p.sim.Exists(p.SelectionPath() + platform::kTemporarySuffix);
  return o;
}

// The due list a scan builds for the accounts chosen in the selection file, both lines of
// each appointment, in the list's order.
std::vector<std::string> DueFor(const std::string& selection_bytes,
                                const std::set<std::string>& left_out_files = {}) {
  std::vector<std::string> due;
  for (const std::string& chosen : platform::SplitPlainLines(selection_bytes)) {
    for (const auto& [account, times] : kDue) {
      if (account != chosen) continue;
      for (const std::string& time : times) {
        const std::string termin = std::string(kDay) + time;
        if (left_out_files.count(account + termin)) continue;
        due.push_back(termin + " [" + account + "] Raum " + time);
        due.push_back(termin + " [" + account + "] Termin " + time);
      }
    }
  }
  std::sort(due.begin(), due.end());
  return due;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
bool IsFile(const SimSystem::Operation& op, const char* name) {
  const std::string& path = op.path;
  const std::string tail = std::string("\\") + name;
  return path.size() >= tail.size() &&
         path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}
bool IsSettingsFile(const SimSystem::Operation& op) {
  return IsFile(op, settings::kSettingsFileName);
}
bool IsSelectionFile(const SimSystem::Operation& op) {
  return IsFile(op, settings::kAccountSelectionFileName);
}
bool IsTemporary(const SimSystem::Operation& op) {
  return Contains(op.path, platform::kTemporarySuffix);
}
bool IsListing(const SimSystem::Operation& op) {
  return op.kind == Kind::kEnumerate || op.kind == Kind::kNext;
}
// The account whose folder the operation is in, or empty.
std::string AccountOf(const SimSystem::Operation& op) {
  for (const auto& [account, times] : kDue) {
    if (Contains(op.path, "\\konten\\" + account + "\\")) return account;
  }
  return std::string();
}

struct Scenario {
  const char* name;
  // The planner and the files before the program starts.
  std::function<void(Program&)> prepare;
  // Runs before the operation under test is counted: for start-up, nothing.
  std::function<void(Program&)> before;
  // The operation under test.
  std::function<void(Program&)> act;
  // What must hold after a run whose operation `failing` failed; `clean` is the run where
  // nothing failed.
  std::function<void(const SimSystem::Operation& failing, const Outcome& clean, const Outcome& got)>
      expect;
  // Whether the check of the next scan restarts the program (a failed start leaves reminding
  // off, and the user's way out is to start the program again).
  bool restart_for_next = false;
};

void PrepareWithSettings(Program& p) {
  p.AddPlanner();
  p.sim.PutFile(p.SettingsPath(), kOldSettings);
  p.sim.PutFile(p.SelectionPath(), kBothAccounts);
}

void ExpectReported(const Outcome& got) {
  EXPECT_EQ(got.reports, std::vector<std::string>{kShownFault});
}
void ExpectNothingReported(const Outcome& got) {
  EXPECT_TRUE(got.reports.empty());
}
void ExpectFilesUnchanged(const Outcome& clean, const Outcome& got) {
  EXPECT_EQ(got.settings_bytes, clean.settings_bytes);
  EXPECT_EQ(got.selection_bytes, clean.selection_bytes);
  EXPECT_FALSE(got.temporary_left);
}
// Start-up that ended at a failing step: hidden, inactive, no directory.
void ExpectFailedStart(const Outcome& got) {
  ExpectReported(got);
  EXPECT_FALSE(got.timer_enabled);
  EXPECT_FALSE(got.active);
  EXPECT_FALSE(got.main_visible);
  EXPECT_EQ(got.planner_directory, "");
  EXPECT_FALSE(got.seen);
  EXPECT_TRUE(got.other_boxes.empty());
}
void ExpectSameStart(const Outcome& clean, const Outcome& got) {
  ExpectNothingReported(got);
  EXPECT_EQ(got.timer_enabled, clean.timer_enabled);
  EXPECT_EQ(got.interval, clean.interval);
  EXPECT_EQ(got.active, clean.active);
  EXPECT_EQ(got.main_visible, clean.main_visible);
  EXPECT_EQ(got.planner_directory, clean.planner_directory);
  EXPECT_EQ(got.other_boxes, clean.other_boxes);
  EXPECT_FALSE(got.seen);
}

void ExpectStartWithSettings(const SimSystem::Operation& failing, const Outcome& clean,
                             const Outcome& got) {
  ExpectFilesUnchanged(clean, got);
  // A check for the file that cannot tell must not lead to a new file over the old one.
  if (failing.kind == Kind::kExists || IsTemporary(failing) || failing.kind == Kind::kRename) {
    ExpectSameStart(clean, got);
    return;
  }
  ASSERT_TRUE(IsSettingsFile(failing));
  ExpectFailedStart(got);
}

void ExpectStartWithoutSettings(const SimSystem::Operation& failing, const Outcome& clean,
                                const Outcome& got) {
  EXPECT_FALSE(got.temporary_left);
  // The answer "not there" is what the file system would say anyway.
  if (failing.kind == Kind::kExists) {
    ExpectSameStart(clean, got);
    EXPECT_EQ(got.settings_bytes, clean.settings_bytes);
    return;
  }
  ExpectFailedStart(got);
  if (failing.kind == Kind::kOpen || failing.kind == Kind::kRead) {
    // Made, but not read back.
    EXPECT_EQ(got.settings_bytes, std::string(kMarker) + "\r\n");
  } else {
    // Not made at all: never an empty or half-written settings file.
    EXPECT_EQ(got.settings_bytes, Missing());
  }
}

// A discovery whose listing fails lists fewer accounts (none when it fails at the start); one
// whose selection file cannot be read has every account and none chosen.
void ExpectDiscovery(const SimSystem::Operation& failing, const Outcome& clean, const Outcome& got,
                     bool reported) {
  ExpectFilesUnchanged(clean, got);
  EXPECT_EQ(got.timer_enabled, clean.timer_enabled);
  EXPECT_EQ(got.interval, clean.interval);
  EXPECT_EQ(got.seen, clean.seen);
  EXPECT_EQ(got.options_visible, clean.options_visible);
  EXPECT_EQ(got.main_visible, clean.main_visible);
  if (IsListing(failing)) {
    ExpectNothingReported(got);
    // Failing at the call that would have found the end loses nothing.
    EXPECT_LE(got.accounts.size(), clean.accounts.size());
    if (failing.kind == Kind::kEnumerate) {
      EXPECT_TRUE(got.accounts.empty());
    }
    for (size_t i = 0; i < got.accounts.size(); ++i)
      EXPECT_EQ(got.accounts[i], clean.accounts[i]);
    EXPECT_EQ(got.selected, got.accounts);
    return;
  }
  ASSERT_TRUE(IsSelectionFile(failing) || IsTemporary(failing));
  EXPECT_EQ(got.accounts, clean.accounts);
  if (failing.kind == Kind::kExists || IsTemporary(failing) || failing.kind == Kind::kRename) {
    ExpectNothingReported(got);
    EXPECT_EQ(got.selected, clean.selected);
    return;
  }
  if (reported) {
    ExpectReported(got);
  } else {
    ExpectNothingReported(got);
  }
  EXPECT_TRUE(got.selected.empty());
}

void ExpectApply(const SimSystem::Operation& failing, const Outcome& clean, const Outcome& got) {
  EXPECT_FALSE(got.temporary_left);
  EXPECT_EQ(got.timer_enabled, clean.timer_enabled);
  EXPECT_EQ(got.interval, clean.interval);
  EXPECT_EQ(got.seen, clean.seen);
  // The clean run has hidden the dialog; a failed one keeps it open for another try.
  EXPECT_FALSE(clean.options_visible);
  if (failing.kind == Kind::kExists || failing.kind == Kind::kRemove) {
    // Only the clean-up after a failure asks these; in a run without one they do not happen.
    ADD_FAILURE() << "unexpected operation";
    return;
  }
  ExpectReported(got);
  EXPECT_TRUE(got.options_visible);
  EXPECT_EQ(got.selection_bytes, kBothAccounts);
  if (IsSettingsFile(failing) || Contains(failing.path, settings::kSettingsFileName)) {
    // Nothing else happened.
    EXPECT_EQ(got.settings_bytes, kOldSettings);
    EXPECT_EQ(got.planner_directory, kPlannerDir);
  } else {
    // The settings file and the directory in memory are new; the selection file is the old
    // one, whole.
    ASSERT_TRUE(Contains(failing.path, settings::kAccountSelectionFileName));
    EXPECT_EQ(got.settings_bytes, clean.settings_bytes);
    EXPECT_EQ(got.planner_directory, kPlannerRespelled);
  }
}

void ExpectScan(const SimSystem::Operation& failing, const Outcome& clean, const Outcome& got) {
  // Nothing the scan meets is worth a message box, and reminding goes on: the timer is on for
  // the hour, or for five minutes when the scan could not list the accounts or read a table.
  ExpectNothingReported(got);
  ExpectFilesUnchanged(clean, got);
  EXPECT_TRUE(got.timer_enabled);
  EXPECT_EQ(got.interval, got.scan_incomplete ? kRetryScanIntervalMs : kScanIntervalMs);
  if (failing.kind == Kind::kEnumerate) {
    EXPECT_TRUE(got.scan_incomplete);
  }
  EXPECT_FALSE(got.seen);
  const std::string account = AccountOf(failing);
  if (!account.empty() && IsFile(failing, "erinnerung.dbf")) {
    // The table failed: that account loses some or all of its appointments, the other none.
    for (const std::string& entry : clean.due) {
      const bool theirs = Contains(entry, "[" + account + "]");
      const bool kept = std::count(got.due.begin(), got.due.end(), entry) > 0;
      if (!theirs) {
        EXPECT_TRUE(kept) << entry;
      }
    }
    for (const std::string& entry : got.due) {
      EXPECT_TRUE(std::count(clean.due.begin(), clean.due.end(), entry) > 0) << entry;
    }
  } else if (!account.empty()) {
    // An appointment file that cannot be read leaves out that appointment alone.
    ASSERT_TRUE(IsFile(failing, ".trm") || Contains(failing.path, ".trm"));
    const size_t cut = failing.path.rfind('\\');
    const std::string termin = failing.path.substr(cut + 1, 14);
    EXPECT_EQ(got.due, DueFor(kBothAccounts, {account + termin}));
  } else if (IsListing(failing)) {
    // Fewer accounts listed: only theirs are found.
    std::vector<std::string> expected;
    for (const std::string& entry : clean.due) {
      for (const std::string& listed : got.accounts) {
        if (Contains(entry, "[" + listed + "]")) expected.push_back(entry);
      }
    }
    EXPECT_EQ(got.due, expected);
  } else if (failing.kind == Kind::kExists || IsTemporary(failing) ||
             failing.kind == Kind::kRename) {
    // The selection file was there all along and is read as it is.
    EXPECT_EQ(got.due, clean.due);
  } else {
    // The selection file could not be read: nothing is chosen, nothing found.
    ASSERT_TRUE(IsSelectionFile(failing));
    EXPECT_TRUE(got.due.empty());
  }
  // Every entry is dated today: whatever was found is announced, nothing when nothing was.
  const int today = static_cast<int>(got.due.size());
  EXPECT_EQ(got.today_count, today);
  if (today == 0) {
    EXPECT_TRUE(got.notices.empty());
  } else {
    EXPECT_EQ(got.notices,
              std::vector<std::string>{"Sie haben heute " + std::to_string(today) + " Termin(e):"});
  }
}

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> s;
  s.push_back({"StartWithSettings", PrepareWithSettings, nullptr, [](Program& p) { p.Start(); },
               ExpectStartWithSettings, true});
  s.push_back({"StartWithoutSettings", [](Program& p) { p.AddPlanner(); }, nullptr,
               [](Program& p) { p.Start(); }, ExpectStartWithoutSettings, true});
  s.push_back({"DiscoveryFromTheOptionsDialog", PrepareWithSettings, [](Program& p) { p.Start(); },
               [](Program& p) { p.Do([&p] { p.Main().Optionen1->Click(); }); },
               [](const SimSystem::Operation& f, const Outcome& c, const Outcome& g) {
                 ExpectDiscovery(f, c, g, true);
               }});
  s.push_back({"DiscoveryFromTheMainWindow", PrepareWithSettings, [](Program& p) { p.Start(); },
               [](Program& p) { p.Do([&p] { p.Main().Erinnerungsmodulanzeigen1Click(nullptr); }); },
               [](const SimSystem::Operation& f, const Outcome& c, const Outcome& g) {
                 ExpectDiscovery(f, c, g, false);
               }});
  s.push_back({"Apply", PrepareWithSettings,
               [](Program& p) {
                 p.Start();
                 p.Do([&p] { p.Main().Optionen1->Click(); });
                 ASSERT_EQ(p.Options().ListBox1->Count(), 2);
                 p.Options().ListBox1->SetSelected(1, false);
                 p.Options().Label2->SetCaption(kPlannerRespelled);
               },
               [](Program& p) { p.Do([&p] { p.Options().BitBtn1->Click(); }); }, ExpectApply});
  s.push_back({"Scan", PrepareWithSettings, [](Program& p) { p.Start(); },
               [](Program& p) { p.desktop.RunFor(10000); }, ExpectScan});
  return s;
}

// After any failure the program reminds again: at its next scan, or when it is started again
// after a start that failed, every due appointment of the chosen accounts is found and shown.
void ExpectNextScanWorks(Program& p, const Scenario& scenario, bool restarted) {
  const size_t boxes_before = p.desktop.message_boxes.size();
  p.desktop.RunFor(restarted ? 10000 : kScanIntervalMs + 10000);
  const Outcome next = Capture(p);
  if (next.planner_directory == kMarker) {
    // No directory yet: the start asks for one, and there is nothing to scan.
    EXPECT_EQ(next.other_boxes.size(), 1u) << scenario.name;
    EXPECT_TRUE(next.reports.empty());
    EXPECT_FALSE(next.timer_enabled);
    return;
  }
  EXPECT_EQ(p.desktop.message_boxes.size(), boxes_before) << scenario.name;
  EXPECT_TRUE(next.timer_enabled);
  EXPECT_EQ(next.interval, kScanIntervalMs);
  EXPECT_EQ(next.due, DueFor(next.selection_bytes));
  EXPECT_FALSE(next.due.empty());
  EXPECT_EQ(next.today_count, static_cast<int>(next.due.size()));
  ASSERT_FALSE(next.notices.empty());
  EXPECT_EQ(next.notices.back(),
            "Sie haben heute " + std::to_string(next.due.size()) + " Termin(e):");
  EXPECT_FALSE(next.temporary_left);
}

std::unique_ptr<Program> Prepared(const Scenario& scenario) {
  auto p = std::make_unique<Program>();
  scenario.prepare(*p);
  if (scenario.before) scenario.before(*p);
  return p;
}

TEST(FaultInjectionTest, EveryFailingOperationIsReportedOrSwallowedAndRemindingGoesOn) {
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    std::vector<SimSystem::Operation> operations;
    Outcome clean;
    {
      auto p = Prepared(scenario);
      p->sim.on_operation = [&](const SimSystem::Operation& op) {
        operations.push_back(op);
        return std::optional<std::string>();
      };
      scenario.act(*p);
      p->sim.on_operation = nullptr;
      clean = Capture(*p);
      ASSERT_TRUE(clean.reports.empty());
      ASSERT_FALSE(operations.empty());
      ::testing::Test::RecordProperty(std::string(scenario.name) + "_operations",
                                      static_cast<int>(operations.size()));
      const uint64_t first = operations.front().number;
      for (SimSystem::Operation& op : operations)
        op.number -= first - 1;
    }

    for (const SimSystem::Operation& failing : operations) {
      SCOPED_TRACE(std::to_string(failing.number) + ": " + SimSystem::OperationName(failing.kind) +
                   " " + failing.path);
      auto p = Prepared(scenario);
      const uint64_t start = p->sim.operation_count;
      SimSystem::Operation met;
      p->sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
        if (op.number - start != failing.number) return std::nullopt;
        met = op;
        return std::string(kFault);
      };
      scenario.act(*p);
      p->sim.on_operation = nullptr;
      // The run went the same way up to the failing operation.
      ASSERT_EQ(met.kind, failing.kind);
      ASSERT_EQ(met.path, failing.path);
      const Outcome got = Capture(*p);
      scenario.expect(failing, clean, got);

      if (scenario.restart_for_next) {
        // The program is started again on the files this run left, the first one still alive
        // beside it: each program has tray helper windows of its own.
        auto again = std::make_unique<Program>();
        again->AddPlanner();
        if (got.settings_bytes != Missing())
          again->sim.PutFile(again->SettingsPath(), got.settings_bytes);
        if (got.selection_bytes != Missing()) {
          again->sim.PutFile(again->SelectionPath(), got.selection_bytes);
        }
        again->Start();
        ExpectNextScanWorks(*again, scenario, true);
      } else {
        ExpectNextScanWorks(*p, scenario, false);
      }
    }
  }
}

}  // namespace
}  // namespace erm::app::testing
