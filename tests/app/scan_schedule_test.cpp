#include "app/scan_schedule.h"

#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app {
namespace {

using app::testing::ProgramTest;

constexpr uint32_t kMinute = 60000;

TEST(ScanScheduleTest, NextScanComesHourlyOrSoonerAndJustAfterMidnight) {
  struct Case {
    const char* name;
    platform::LocalTime now;
    bool retry;
    uint32_t interval;
  } cases[] = {
      {"Hourly", {2026, 12, 7, 10, 0, 0, 0}, false, kScanIntervalMs},
      {"RetryInFiveMinutes", {2026, 12, 7, 10, 0, 0, 0}, true, kRetryScanIntervalMs},
      {"HalfAMinuteAfterMidnight", {2026, 12, 7, 23, 30, 0, 0}, false, 30 * kMinute + 30000},
      {"RetryAcrossMidnight", {2026, 12, 7, 23, 58, 0, 0}, true, 2 * kMinute + 30000},
      {"LastMillisecondOfTheDay", {2026, 12, 7, 23, 59, 59, 999}, false, 30001},
      {"EarlyInTheDay", {2026, 12, 8, 0, 0, 30, 0}, false, kScanIntervalMs},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NextScanInterval(c.now, c.retry), c.interval) << c.name;
}

TEST(ScanScheduleTest, OnlyWakingTheClockRegionalFormatsAndUnlockingTrigger) {
  namespace msg = platform::msg;
  const char intl[] = "intl";
  const char time_zone[] = "TimeZone";
  const char environment[] = "Environment";
  const auto text = [](const char* s) { return reinterpret_cast<std::intptr_t>(s); };
  struct Case {
    const char* name;
    platform::WindowMessage message;
    bool trigger;
  } cases[] = {
      {"ResumeAutomatic", {1, msg::kPowerBroadcast, platform::kPbtResumeAutomatic, 0}, true},
      {"ResumeByTheUser", {1, msg::kPowerBroadcast, platform::kPbtResumeSuspend, 0}, true},
      {"Suspend", {1, msg::kPowerBroadcast, platform::kPbtSuspend, 0}, false},
      {"ClockChanged", {1, msg::kTimeChange, 0, 0}, true},
      {"RegionalFormats", {1, msg::kSettingChange, 0, text(intl)}, true},
      {"TimeZone", {1, msg::kSettingChange, 0, text(time_zone)}, true},
      {"OtherSetting", {1, msg::kSettingChange, 0, text(environment)}, false},
      {"SettingWithoutArea", {1, msg::kSettingChange, 0x2F, 0}, false},
      {"Unlock", {1, msg::kWtsSessionChange, platform::kWtsSessionUnlock, 0}, true},
      {"Lock", {1, msg::kWtsSessionChange, platform::kWtsSessionLock, 0}, false},
      {"Timer", {1, msg::kTimer, 0, 0}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsScanTrigger(c.message), c.trigger) << c.name;
}

// --- the program on virtual time ---

class ScanTriggerTest : public ProgramTest {
 protected:
  // Active with one account that has nothing due; the first scan has run.
  void StartActive() {
    UsePlanner();
    AddAccountDueToday("Familie", {});
    ChooseAccounts("Familie\r\n");
    Start();
    RunFor(kFirstScanDelayMs + 5000);
    ASSERT_EQ(FinishedScans(), 1);
  }
  // Active with an appointment today whose notice waits for the user; the first scan has run.
  void StartWithANoticeWaiting(platform::QuietReason quiet) {
    UsePlanner();
    AddAccountDueToday("Familie", {"180000"});
    ChooseAccounts("Familie\r\n");
    desktop_.user_quiet = quiet;
    Start();
    RunFor(kFirstScanDelayMs + 5000);
    ASSERT_EQ(FinishedScans(), 1);
    ASSERT_TRUE(BalloonTitles().empty());
  }
  // "&Hinweis schliessen" a second after each notice dialog opens, for as long as the test runs.
  void CloseNoticesAsTheyCome() {
    Act(1000, [this] {
      if (Notice().Visible()) Notice().BitBtn1->Click();
      CloseNoticesAsTheyCome();
    });
  }
  void Send(uint32_t message, std::uintptr_t wparam, std::intptr_t lparam = 0) {
    desktop_.SendMessage(app_->Handle(), message, wparam, lparam);
  }
};

struct TriggerCase {
  const char* name;
  uint32_t message;
  std::uintptr_t wparam;
};

class EachTriggerTest : public ScanTriggerTest,
                        public ::testing::WithParamInterface<TriggerCase> {};

// The early scan raises no notice, so the hourly one keeps its time.
TEST_P(EachTriggerTest, BringsTheNextScanToHalfAMinuteAndKeepsTheHour) {
  StartActive();
  const uint64_t hour_due = Main().Timer1->DueTick();
  RunFor(10 * kMinute);
  Send(GetParam().message, GetParam().wparam);
  RunFor(kEarlyScanDelayMs - 1000);
  EXPECT_EQ(FinishedScans(), 1);
  RunFor(5000);
  EXPECT_EQ(FinishedScans(), 2);
  RunFor(hour_due - Now() - 1000);
  EXPECT_EQ(FinishedScans(), 2);
  RunFor(5000);
  EXPECT_EQ(FinishedScans(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Events, EachTriggerTest,
    ::testing::Values(
        TriggerCase{"Resume", platform::msg::kPowerBroadcast, platform::kPbtResumeAutomatic},
        TriggerCase{"ClockChanged", platform::msg::kTimeChange, 0},
        TriggerCase{"Unlock", platform::msg::kWtsSessionChange, platform::kWtsSessionUnlock}),
    [](const ::testing::TestParamInfo<TriggerCase>& info) { return info.param.name; });

TEST_F(ScanTriggerTest, TheSessionsMessagesAreAskedForAndReturned) {
  UsePlanner();
  Start();
  EXPECT_EQ(desktop_.session_notified.count(app_->Handle()), 1u);
  const size_t hooks = desktop_.HookCount(app_->Handle());
  const platform::WindowHandle window = app_->Handle();
  app_.reset();
  EXPECT_TRUE(desktop_.session_notified.empty());
  EXPECT_LT(desktop_.HookCount(window), hooks);
}

TEST_F(ScanTriggerTest, ATriggerNeitherStartsInactiveRemindingNorDelaysTheFirstScan) {
  StartActive();
  Main().SpeedButton1->Click();
  Send(platform::msg::kTimeChange, 0);
  RunFor(2 * kScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 1);
  EXPECT_FALSE(Main().Timer1->Enabled());

  Main().SpeedButton2->Click();
  RunFor(1000);
  Send(platform::msg::kTimeChange, 0);
  RunFor(kFirstScanDelayMs + 2000);
  EXPECT_EQ(FinishedScans(), 2);
}

TEST_F(ScanTriggerTest, ATriggerDuringTheNoticeDialogCountsFromTheScansEnd) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000"});
  ChooseAccounts("Familie\r\n");
  Start();
  Act(kFirstScanDelayMs + 3000,
      [&] { Send(platform::msg::kPowerBroadcast, platform::kPbtResumeAutomatic); });
  Act(kFirstScanDelayMs + 10 * kMinute, [&] { Notice().BitBtn1->Click(); });
  RunFor(kFirstScanDelayMs + 10 * kMinute + 1000);
  ASSERT_EQ(FinishedScans(), 1);
  EXPECT_EQ(Main().Timer1->Interval(), kEarlyScanDelayMs);
  Act(kEarlyScanDelayMs + 3000, [&] { Notice().BitBtn1->Click(); });
  RunFor(kEarlyScanDelayMs + 5000);
  EXPECT_EQ(FinishedScans(), 2);
}

TEST_F(ScanTriggerTest, TheFirstScanOfTheDayComesWithinAMinuteAfterMidnight) {
  sim_.SetNow(platform::LocalTime{2026, 12, 7, 23, 20, 0, 0});
  StartActive();
  // 23:20:06 now; the hour would end at 00:20.
  RunFor(39 * kMinute + 50000);
  EXPECT_EQ(FinishedScans(), 1);
  RunFor(kMinute);
  EXPECT_EQ(FinishedScans(), 2);
  EXPECT_EQ(sim_.Now().day, 8);
  // Then hourly again.
  RunFor(kScanIntervalMs - 2 * kMinute);
  EXPECT_EQ(FinishedScans(), 2);
}

// A konten folder that cannot be listed is said on the label, in the tree and in the tooltip,
// once in a balloon until a scan reads it again, and tried again in five minutes; the chosen
// accounts stay chosen.
TEST_F(ScanTriggerTest, AFolderThatCannotBeListedIsSaidOnceAndTriedAgainInFiveMinutes) {
  const std::string message =
      "Planer nicht erreichbar: " + std::string(app::testing::kPlanner) + "konten";
  bool drive_missing = true;
  sim_.on_operation = [&](const platform::SimSystem::Operation& op) -> std::optional<std::string> {
    if (drive_missing && op.kind == platform::SimSystem::OperationKind::kEnumerate)
      return "Der Netzwerkpfad wurde nicht gefunden.";
    return std::nullopt;
  };
  StartActive();
  // The hour counts from the end of the first scan, as its retry does.
  const uint64_t hour_due = Main().Timer1->DueTick() - kRetryScanIntervalMs + kScanIntervalMs;
  EXPECT_TRUE(Main().Scan().ListingFailed());
  EXPECT_EQ(Main().Label1->Caption(), " " + message);
  ASSERT_EQ(Main().TreeView1->TopLevelCount(), 1);
  EXPECT_EQ(Main().TreeView1->TopLevel(0)->Text(), "Nicht gelesen (1)");
  EXPECT_EQ(Main().TreeView1->TopLevel(0)->Item(0)->Text(), " " + message);
  EXPECT_EQ(Main().TrayIcon1->Hint(), message);
  EXPECT_FALSE(Notice().Visible());
  // The user applies the options while the folder is away.
  Main().Optionen1->Click();
  Options().BitBtn1->Click();
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 2);
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 3);
  EXPECT_EQ(BalloonsTitled(kUnreachableBalloonTitle), 1);
  EXPECT_EQ(sim_.ReadFileBytes(sim_.ProgramFolder() + settings::kAccountSelectionFileName),
            "Familie\r\n");
  // The drive is back: one more scan, then the hourly one at its time.
  drive_missing = false;
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 4);
  EXPECT_FALSE(Main().Scan().ListingFailed());
  EXPECT_EQ(Main().TrayIcon1->Hint(), kTrayHint);
  RunFor(hour_due - Now() - 1000);
  EXPECT_EQ(FinishedScans(), 4);
  // Gone again: a new stretch, a new balloon.
  drive_missing = true;
  RunFor(5000);
  EXPECT_EQ(FinishedScans(), 5);
  EXPECT_EQ(BalloonsTitled(kUnreachableBalloonTitle), 2);
}

TEST_F(ScanTriggerTest, ASkippedAccountIsTriedAgainButALeftOutAppointmentIsNot) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000"});
  sim_.AddAccount("Praxis");
  sim_.PutFile(sim_.AccountFolder("Praxis") + "erinnerung.dbf", "keine Tabelle");
  ChooseAccounts("Praxis\r\n");
  Start();
  RunFor(kFirstScanDelayMs + 5000);
  ASSERT_EQ(FinishedScans(), 1);
  // The hour counts from the end of the first scan, as its retry does.
  const uint64_t hour_due = Main().Timer1->DueTick() - kRetryScanIntervalMs + kScanIntervalMs;
  ASSERT_EQ(Main().Scan().Problems().size(), 1u);
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 2);

  // An appointment whose text file is gone leaves that appointment out, nothing else: the next
  // scan would find it missing again.
  ChooseAccounts("Familie\r\n");
  sim_.Remove(sim_.AccountFolder("Familie") + "termine\\" + app::testing::kToday + "090000.trm");
  RunFor(kRetryScanIntervalMs);
  ASSERT_EQ(FinishedScans(), 3);
  ASSERT_EQ(Main().Scan().Problems().size(), 1u);
  RunFor(hour_due - Now() - 1000);
  EXPECT_EQ(FinishedScans(), 3);
  RunFor(5000);
  EXPECT_EQ(FinishedScans(), 4);
}

// A scan that an error cuts off is reported, and reminding stays on: the next try comes as after
// an unreadable account, and the buttons say what holds.
TEST_F(ScanTriggerTest, AScanCutOffByAnErrorIsTriedAgainInFiveMinutes) {
  StartActive();
  bool broken = true;
  sim_.on_read = [&](const std::string&, uint64_t, size_t) -> platform::SimSystem::ReadFault {
    if (broken) throw std::bad_alloc();
    return {};
  };
  RunFor(kScanIntervalMs);
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(FinishedScans(), 1);
  EXPECT_TRUE(Main().ReminderActive());
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), kRetryScanIntervalMs);
  EXPECT_FALSE(Main().Animate2->Visible());
  broken = false;
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 2);
}

// While one account cannot be read the scan comes every five minutes; today's notice comes with
// the first and then not before the hour, unless an appointment is new.
TEST_F(ScanTriggerTest, EarlyScansRaiseANoticeOnlyForNews) {
  UsePlanner();
  AddAccountDueToday("Familie", {"180000"});
  sim_.AddAccount("Praxis");
  sim_.PutFile(sim_.AccountFolder("Praxis") + "erinnerung.dbf", "keine Tabelle");
  ChooseAccounts("Familie\r\nPraxis\r\n");
  Start();
  CloseNoticesAsTheyCome();
  RunFor(kFirstScanDelayMs + 16 * kMinute);
  EXPECT_EQ(FinishedScans(), 4);
  EXPECT_EQ(BalloonsTitled("Heute 1 Termin(e)"), 1);
  // A new appointment is news at the next early scan.
  AddAccountDueToday("Familie", {"180000", "190000"});
  RunFor(kRetryScanIntervalMs);
  EXPECT_EQ(BalloonsTitled("Heute 2 Termin(e)"), 1);
  // The same two again come after the hour, not before.
  RunFor(kScanIntervalMs - 2 * kRetryScanIntervalMs);
  EXPECT_EQ(BalloonsTitled("Heute 2 Termin(e)"), 1);
  RunFor(2 * kRetryScanIntervalMs);
  EXPECT_EQ(BalloonsTitled("Heute 2 Termin(e)"), 2);
}

// A notice dialog left open over midnight: the scan that ends on the next day brings the next
// scan to half a minute, so that "Heute" is today.
TEST_F(ScanTriggerTest, ANoticeHeldOpenOverMidnightBringsTheNextScanAtOnce) {
  sim_.SetNow(platform::LocalTime{2026, 12, 7, 23, 50, 0, 0});
  UsePlanner();
  AddAccountDueToday("Familie", {"235900"});
  ChooseAccounts("Familie\r\n");
  Start();
  Act(kFirstScanDelayMs + 30 * kMinute, [&] { Notice().BitBtn1->Click(); });
  RunFor(kFirstScanDelayMs + 30 * kMinute + 1000);
  ASSERT_EQ(FinishedScans(), 1);
  EXPECT_EQ(sim_.Now().day, 8);
  EXPECT_EQ(Main().Timer1->Interval(), kEarlyScanDelayMs);
  RunFor(kEarlyScanDelayMs);
  EXPECT_EQ(FinishedScans(), 2);
  EXPECT_EQ(Main().TreeView1->TopLevelCount(), 0);
}

// A server that stops answering costs the scan the patience of one silent call: the account it
// hangs in is reported, the accounts after it are not tried (there is still a call in the
// system), the next try comes in five minutes, and while the call hangs not even the konten
// folder is listed; once it has returned, scans read everything again.
TEST_F(ScanTriggerTest, AServerThatDoesNotAnswerCostsThePatienceNotTheProgram) {
  UsePlanner();
  AddAccountDueToday("Familie", {"180000"});
  AddAccountDueToday("Praxis", {"170000"});
  AddAccountDueToday("Verein", {"160000"});
  ChooseAccounts("Familie\r\nPraxis\r\nVerein\r\n");
  constexpr uint64_t kHangMs = 7 * kMinute;
  int hung = 0;
  sim_.on_operation_time = [&](const platform::SimSystem::Operation& op) -> uint64_t {
    const bool praxis_table = op.kind == platform::SimSystem::OperationKind::kOpen &&
                              op.path == sim_.AccountFolder("Praxis") + "erinnerung.dbf";
    return praxis_table && hung++ == 0 ? kHangMs : 0;
  };
  Start();
  CloseNoticesAsTheyCome();
  RunFor(kFirstScanDelayMs + 10000);
  ASSERT_EQ(FinishedScans(), 1);
  EXPECT_EQ(Main().Scan().Due().Count(), 1);
  std::vector<std::string> problems;
  for (const ScanProblem& p : Main().Scan().Problems())
    problems.push_back(p.account + ": " + p.message);
  EXPECT_EQ(problems,
            (std::vector<std::string>{std::string("Praxis: ") + ReminderScan::kNoAnswerMessage,
                                      std::string("Verein: ") + ReminderScan::kNotTriedMessage}));
  EXPECT_EQ(Main().Timer1->Interval(), kRetryScanIntervalMs);
  RunFor(kRetryScanIntervalMs);
  ASSERT_EQ(FinishedScans(), 2);
  EXPECT_TRUE(Main().Scan().ListingFailed());
  EXPECT_TRUE(sim_.ReadStillHangs());
  RunFor(kRetryScanIntervalMs);
  ASSERT_EQ(FinishedScans(), 3);
  EXPECT_FALSE(sim_.ReadStillHangs());
  EXPECT_TRUE(Main().Scan().Problems().empty());
  EXPECT_EQ(Main().Scan().Due().Count(), 3);
  EXPECT_EQ(hung, 2);
}

// While the user presents, the notice waits, told by the swinging bell and the tooltip; it comes
// within a minute after, without a scan, and its dialog leaves the hourly scan its time.
TEST_F(ScanTriggerTest, ANoticeWaitsWhileTheUserWantsQuiet) {
  StartWithANoticeWaiting(platform::QuietReason::kPresentation);
  const uint64_t hour_due = Main().Timer1->DueTick();
  RunFor(45 * kMinute);
  EXPECT_EQ(FinishedScans(), 1);
  EXPECT_EQ(Main().TreeView1->TopLevelCount(), 1);
  EXPECT_TRUE(BalloonTitles().empty());
  EXPECT_TRUE(TrayCycling());
  EXPECT_EQ(Main().TrayIcon1->Hint(), "Hinweis wartet: Heute 1 Termin(e)");
  desktop_.user_quiet = platform::QuietReason::kNone;
  Act(kMinute, [&] { Notice().BitBtn1->Click(); });
  RunFor(kMinute + 1000);
  EXPECT_EQ(BalloonsTitled("Heute 1 Termin(e)"), 1);
  EXPECT_EQ(FinishedScans(), 1);
  EXPECT_TRUE(TrayCycling());
  EXPECT_FALSE(Main().State().seen);
  EXPECT_EQ(Main().TrayIcon1->Hint(), kTrayHint);
  RunFor(hour_due - Now() - 1000);
  EXPECT_EQ(FinishedScans(), 1);
  RunFor(5000);
  EXPECT_EQ(FinishedScans(), 2);
}

// Its dialog left open past the hourly scan: that scan comes as it closes, without the notice
// again; the hour before it may repeat counts from the close.
TEST_F(ScanTriggerTest, ANoticeLeftOpenPastTheHourDoesNotComeBackAsItCloses) {
  StartWithANoticeWaiting(platform::QuietReason::kPresentation);
  desktop_.user_quiet = platform::QuietReason::kNone;
  Act(72 * kMinute, [&] {
    CloseNoticesAsTheyCome();
    Notice().BitBtn1->Click();
  });
  RunFor(72 * kMinute + 10000);
  EXPECT_EQ(FinishedScans(), 2);
  EXPECT_EQ(BalloonsTitled("Heute 1 Termin(e)"), 1);
}

// Half an hour from the scan that first held it back, however many scans came since.
TEST_F(ScanTriggerTest, AFullScreenProgramHoldsANoticeHalfAnHourAtMost) {
  StartWithANoticeWaiting(platform::QuietReason::kFullScreen);
  CloseNoticesAsTheyCome();
  RunFor(20 * kMinute);
  Send(platform::msg::kTimeChange, 0);
  RunFor(9 * kMinute);
  EXPECT_EQ(FinishedScans(), 2);
  EXPECT_TRUE(BalloonTitles().empty());
  RunFor(2 * kMinute);
  EXPECT_EQ(BalloonsTitled("Heute 1 Termin(e)"), 1);
}

// Not an hour after the dialog, which would push the day's first scan past midnight.
TEST_F(ScanTriggerTest, AScanThatFellDueWhileAWaitingNoticeWasOpenComesAsItCloses) {
  StartWithANoticeWaiting(platform::QuietReason::kPresentation);
  const uint64_t hour_due = Main().Timer1->DueTick();
  RunFor(50 * kMinute);
  desktop_.user_quiet = platform::QuietReason::kNone;
  const uint64_t close_in = hour_due + 10 * kMinute - Now();
  Act(close_in, [&] { Notice().BitBtn1->Click(); });
  RunFor(close_in + 5000);
  EXPECT_EQ(FinishedScans(), 2);
}

TEST_F(ScanTriggerTest, SwitchingRemindingOffDropsAWaitingNotice) {
  StartWithANoticeWaiting(platform::QuietReason::kPresentation);
  Main().SpeedButton1->Click();
  EXPECT_EQ(Main().TrayIcon1->Hint(), kTrayHint);
  desktop_.user_quiet = platform::QuietReason::kNone;
  CloseNoticesAsTheyCome();
  RunFor(2 * kMinute);
  EXPECT_TRUE(BalloonTitles().empty());
}

}  // namespace
}  // namespace erm::app
