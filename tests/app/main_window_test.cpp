#include "app/main_window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/program_fixture.h"
#include "resources/resource_ids.h"
#include "tray/tray_icon_handler.h"

namespace erm::app::testing {
namespace {

constexpr char kMarker[] = "Pfad nicht gew\xE4hlt!";

struct StartCase {
  const char* name;
  const char* settings;
};

class StartupDecisionTest : public ProgramTest, public ::testing::WithParamInterface<StartCase> {};

// Only the exact marker means "no directory"; every other first line is a directory, an empty
// one included.
TEST_P(StartupDecisionTest, AnythingButTheExactMarkerStartsActiveAndHidden) {
  WriteSettings(GetParam().settings);
  Start();
  EXPECT_TRUE(Main().ReminderActive());
  EXPECT_FALSE(Main().SpeedButton1->Down());
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), 5000u);
  EXPECT_FALSE(Main().Visible());
  EXPECT_TRUE(desktop_.message_boxes.empty());
  EXPECT_FALSE(Main().State().seen);
}

INSTANTIATE_TEST_SUITE_P(
    FirstLines, StartupDecisionTest,
    ::testing::Values(StartCase{"EmptyFile", ""}, StartCase{"EmptyFirstLine", "\r\nC:\\x\\\r\n"},
                      StartCase{"MarkerInOtherCase", "pfad nicht gew\xE4hlt!\r\n"},
                      StartCase{"MarkerWithTrailingBlank", "Pfad nicht gew\xE4hlt! \r\n"},
                      StartCase{"Directory", "C:\\Programme\\Brevantoliske\\\r\n"}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

TEST_F(ProgramTest, NoSettingsFileWritesTheMarkerAndAsksForThePath) {
  bool visible_under_the_box = false;
  bool options_existed = true;
  desktop_.on_message_box = [&](const platform::SimDesktop::MessageBoxCall&) {
    // Inside the main window's creation: it is the only form yet.
    visible_under_the_box = app_->Forms().back()->Visible();
    options_existed = app_->Forms().size() > 1;
    return platform::kIdOk;
  };
  Start();

  EXPECT_EQ(SettingsBytes(), std::string(kMarker) + "\r\n");
  EXPECT_EQ(SettingsBytes().size(), 21u);
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  const auto& box = desktop_.message_boxes[0];
  EXPECT_EQ(box.text,
            "Keinen Pfad zum QX-Brevantoliske gew\xE4hlt!\r\n\r\n"
            "Bitte setzen Sie in den Optionen den Pfad.\r\nMen\xFC: Programm -> Optionen");
  EXPECT_EQ(box.caption, "Erinnerungsmodul");
  EXPECT_EQ(box.flags, platform::kMbOk);
  EXPECT_TRUE(visible_under_the_box);
  // The main window was shown during its own creation, before the options dialog existed, so
  // its show handler had no account discovery to run.
  EXPECT_FALSE(options_existed);
  EXPECT_FALSE(sim_.Exists(sim_.ProgramFolder() + settings::kAccountSelectionFileName));

  EXPECT_TRUE(Main().Visible());
  EXPECT_EQ(Main().Caption(), " QX-Brevantoliske-Erinnerungsmodul f\xFCr alle Jahre");
  EXPECT_TRUE(Main().SpeedButton1->Down());
  EXPECT_FALSE(Main().ReminderActive());
  EXPECT_FALSE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().State().planner_directory, kMarker);
  EXPECT_EQ(app_->Title(), "Erinnerungsmodul");
  EXPECT_FALSE(app_->ShowMainForm());
}

TEST_F(ProgramTest, WindowsAreCreatedInOrderAndTheDialogsStayHidden) {
  UsePlanner();
  Start();
  const auto& forms = app_->Forms();
  ASSERT_EQ(forms.size(), 4u);
  EXPECT_EQ(forms[0], &Main());
  EXPECT_EQ(forms[1], &Options());
  EXPECT_EQ(forms[2], &Help());
  EXPECT_EQ(forms[3], &Notice());
  EXPECT_EQ(app_->MainForm(), &Main());
  for (ui::Form* form : forms)
    EXPECT_FALSE(form->Visible()) << form->Name();
  EXPECT_EQ(Main().TrayIcon1->Hint(),
            "QX-Brevantoliske Erinnerungsmodul f\xFCr alle Jahre (v0.2.9)");
  EXPECT_TRUE(Main().TrayIcon1->IconVisible());
}

struct ReportCase {
  const char* name;
  const char* message;
  const char* shown;
};

class StartupErrorTest : public ProgramTest, public ::testing::WithParamInterface<ReportCase> {};

// A settings file that cannot be made ends FormCreate; the error report shows it, and the
// program goes on hidden and inactive with the other windows created.
TEST_P(StartupErrorTest, IsReportedWithTheFullStopRuleAndStartUpGoesOn) {
  const std::string settings_path = sim_.ProgramFolder() + settings::kSettingsFileName;
  const std::string message = GetParam().message;
  sim_.on_open = [&](const std::string& path, platform::FileAccess,
                     platform::FileOpen) -> std::optional<std::string> {
    if (path == settings_path) return message;
    return std::nullopt;
  };
  Start();
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].text, GetParam().shown);
  EXPECT_EQ(desktop_.message_boxes[0].caption, "Erinnerungsmodul");
  EXPECT_EQ(desktop_.message_boxes[0].flags, platform::kMbOk | platform::kMbIconError);
  EXPECT_EQ(app_->Forms().size(), 4u);
  EXPECT_FALSE(Main().Visible());
  EXPECT_FALSE(Main().ReminderActive());
  EXPECT_TRUE(Main().SpeedButton1->Down());
  EXPECT_FALSE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().State().planner_directory, "");
  EXPECT_FALSE(Main().State().seen);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, StartupErrorTest,
    ::testing::Values(ReportCase{"Letter", "Zugriff verweigert", "Zugriff verweigert."},
                      ReportCase{"FullStop", "Zugriff verweigert.", "Zugriff verweigert."},
                      ReportCase{"Exclamation", "Zugriff verweigert!", "Zugriff verweigert!"},
                      ReportCase{"Umlaut", "Datei gesperrt f\xFC", "Datei gesperrt f\xFC."},
                      ReportCase{"Slash", "C:\\Programme/", "C:\\Programme/."}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return info.param.name; });

// --- activation and the timer restart rule ---

class ActivationTest : public ProgramTest {
 protected:
  void SetUp() override {
    UsePlanner();
    Start();
  }
};

TEST_F(ActivationTest, FirstScanComesFiveSecondsAfterStartUp) {
  RunFor(4999);
  EXPECT_EQ(FinishedScans(), 0);
  RunFor(1);
  EXPECT_EQ(FinishedScans(), 1);
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), kScanIntervalMs);
}

TEST_F(ActivationTest, ActivatingTwiceWithinFiveSecondsDoesNotPostponeTheScan) {
  Main().SpeedButton1->Click();
  RunFor(60000);
  ASSERT_EQ(FinishedScans(), 0);
  Main().SpeedButton2->Click();
  RunFor(3000);
  Main().SpeedButton2->Click();
  EXPECT_TRUE(Main().SpeedButton2->Down());
  RunFor(1999);
  EXPECT_EQ(FinishedScans(), 0);
  RunFor(1);
  EXPECT_EQ(FinishedScans(), 1);
}

TEST_F(ActivationTest, ActivatingDuringTheHourlyWaitBringsTheScanToFiveSeconds) {
  RunFor(5000);
  ASSERT_EQ(FinishedScans(), 1);
  RunFor(10 * 60 * 1000);
  Main().SpeedButton2->Click();
  EXPECT_EQ(Main().Timer1->Interval(), 5000u);
  RunFor(4999);
  EXPECT_EQ(FinishedScans(), 1);
  RunFor(1);
  EXPECT_EQ(FinishedScans(), 2);
}

TEST_F(ActivationTest, DeactivatingStopsTheTimerAndClearsTheSeenFlag) {
  Main().State().seen = true;
  Main().SpeedButton1->Click();
  EXPECT_TRUE(Main().SpeedButton1->Down());
  EXPECT_FALSE(Main().SpeedButton2->Down());
  EXPECT_FALSE(Main().Timer1->Enabled());
  EXPECT_FALSE(Main().State().seen);
  RunFor(2 * kScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 0);
}

TEST_F(ProgramTest, WithoutAPathTheTimerTicksEveryFiveSecondsAndDoesNothing) {
  Start();
  desktop_.message_boxes.clear();
  Main().SpeedButton2->Click();
  const int opens = sim_.open_count;
  RunFor(60000);
  EXPECT_TRUE(sim_.sleeps.empty());
  EXPECT_EQ(sim_.open_count, opens);
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), 5000u);
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

// --- the commands ---

TEST_F(ProgramTest, PlannerStartHandsThePathToTheShellAndReportsNothing) {
  UsePlanner();
  Start();
  desktop_.on_shell_execute = [](const platform::SimDesktop::ShellExecuteCall&) {
    return std::intptr_t{2};  // file not found
  };
  Main().Brevantoliskestarten1->Click();
  ASSERT_EQ(desktop_.shell_executes.size(), 1u);
  const auto& call = desktop_.shell_executes[0];
  EXPECT_EQ(call.owner, Main().Handle());
  EXPECT_EQ(call.verb, "open");
  EXPECT_EQ(call.file, "C:\\Programme\\Brevantoliske\\Brevantoliske.exe");
  EXPECT_EQ(call.parameters, "");
  EXPECT_EQ(call.directory, "");
  EXPECT_EQ(call.show, platform::ShowCommand::kShowNormal);
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

TEST_F(ProgramTest, PlannerStartWithoutAPathTriesTheMarkerAndSaysNothing) {
  Start();
  desktop_.message_boxes.clear();
  desktop_.on_shell_execute = [](const platform::SimDesktop::ShellExecuteCall&) {
    return std::intptr_t{2};
  };
  Main().Brevantoliskestarten1->Click();
  ASSERT_EQ(desktop_.shell_executes.size(), 1u);
  EXPECT_EQ(desktop_.shell_executes[0].file, std::string(kMarker) + "Brevantoliske.exe");
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

TEST_F(ProgramTest, MenuOpensTheDialogsModelessAndOnlyOnce) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  Main().Hilfe1->Click();
  Main().Hilfe1->Click();
  EXPECT_TRUE(Options().Visible());
  EXPECT_TRUE(Help().Visible());
  EXPECT_FALSE(Options().Modal());
  EXPECT_FALSE(Help().Modal());
  EXPECT_EQ(app_->Forms().size(), 4u);
  // The main window stays usable beside them.
  EXPECT_TRUE(desktop_.IsWindowEnabled(Main().Handle()));
}

TEST_F(ProgramTest, QuitClosesTheMainWindowAndEndsTheProgram) {
  UsePlanner();
  Start();
  bool asked = false;
  Main().OnCloseQuery = [&](ui::Component* sender, bool& can_close) {
    asked = true;
    Main().FormCloseQuery(sender, can_close);
  };
  Main().Beenden1->Click();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(desktop_.RunFor(1));
  EXPECT_TRUE(desktop_.QuitPending());
}

TEST_F(ProgramTest, MinimiseHidesTheMainWindowAndTheTaskbarButtonToTheTray) {
  UsePlanner();
  Start();
  Main().Erinnerungsmodulanzeigen1->Click();
  ASSERT_TRUE(Main().Visible());
  ASSERT_TRUE(desktop_.IsWindowVisible(app_->Handle()));
  Main().BitBtn1->Click();
  EXPECT_FALSE(Main().Visible());
  EXPECT_FALSE(desktop_.IsWindowVisible(app_->Handle()));
  EXPECT_TRUE(desktop_.IconPresent(tray_handlers_.icons.Window(), Main().TrayIcon1->IconId()));
  EXPECT_TRUE(Main().ReminderActive());
  EXPECT_TRUE(Main().Timer1->Enabled());
}

// --- the seen flag and the main window's showing, as the state table has them ---

struct SeenCase {
  const char* name;
  bool seen_before;
  int today_count;
  std::function<void(ProgramTest&, TForm1&)> event;
  bool seen_after;
  bool visible_after;
};

class SeenFlagTest : public ProgramTest, public ::testing::WithParamInterface<SeenCase> {};

TEST_P(SeenFlagTest, FollowsTheStateTable) {
  const SeenCase& c = GetParam();
  UsePlanner();
  Start();
  Main().State().seen = c.seen_before;
  Main().State().today_count = c.today_count;
  c.event(*this, Main());
  EXPECT_EQ(Main().State().seen, c.seen_after);
  EXPECT_EQ(Main().Visible(), c.visible_after);
}

INSTANTIATE_TEST_SUITE_P(
    Events, SeenFlagTest,
    ::testing::Values(
        SeenCase{"ShownWithAppointmentsToday", false, 2,
                 [](ProgramTest&, TForm1& m) { m.Erinnerungsmodulanzeigen1->Click(); }, true, true},
        SeenCase{"ShownWithNoneToday", false, 0,
                 [](ProgramTest&, TForm1& m) { m.TrayIcon1DblClick(m.TrayIcon1); }, false, true},
        SeenCase{"ShownWithNoneTodayKeepsASetFlag", true, 0,
                 [](ProgramTest&, TForm1& m) { m.Erinnerungsmodulanzeigen1->Click(); }, true, true},
        SeenCase{"BalloonClicked", false, 0,
                 [](ProgramTest&, TForm1& m) { m.TrayIcon1BalloonHintClick(m.TrayIcon1); }, true,
                 true},
        SeenCase{"BalloonTimedOut", false, 1,
                 [](ProgramTest&, TForm1& m) { m.TrayIcon1BalloonHintTimeout(m.TrayIcon1); }, false,
                 false},
        SeenCase{"Activated", true, 0, [](ProgramTest&, TForm1& m) { m.SpeedButton2->Click(); },
                 true, false},
        SeenCase{"Deactivated", true, 0, [](ProgramTest&, TForm1& m) { m.SpeedButton1->Click(); },
                 false, false},
        SeenCase{"OptionsShown", true, 0, [](ProgramTest&, TForm1& m) { m.Optionen1->Click(); },
                 false, false},
        SeenCase{"Minimised", true, 0, [](ProgramTest&, TForm1& m) { m.BitBtn1->Click(); }, true,
                 false}),
    [](const ::testing::TestParamInfo<SeenCase>& info) { return info.param.name; });

TEST_F(ProgramTest, TrayFramesComeAtTheSystemsSmallIconSize) {
  // 150 %: the notification area draws 24-pixel icons.
  desktop_.small_icon_size = 24;
  UsePlanner();
  Start();
  EXPECT_EQ(Main().ImageList1->Width(), 24);
  EXPECT_EQ(Main().ImageList1->Height(), 24);
  for (const platform::SimDesktop::IconLoad& load : desktop_.icon_loads) {
    if (load.resource_id == ERM_IDI_TRAY0 || load.resource_id == ERM_IDI_TRAY1) {
      EXPECT_EQ(load.size, 24) << load.resource_id;
    }
  }
  EXPECT_EQ(desktop_.ShellIcon(tray_handlers_.icons.Window(), Main().TrayIcon1->IconId())->icon,
            desktop_.LoadIconResource(ERM_IDI_TRAY0, 24));
}

// Both tray frames hold an image for the small icon size at 100, 125, 150 and 200 %, so that
// Windows picks one instead of scaling a 16-pixel one.
TEST(TrayFramesTest, EveryFrameComesAtTheNotificationAreasSizes) {
  for (const char* name : {"tray0.ico", "tray1.ico"}) {
    std::ifstream file(std::string(ERM_TEST_DATA_DIR) + "/../../src/resources/" + name,
                       std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 6u) << name;
    const size_t count = static_cast<unsigned char>(bytes[4]);
    ASSERT_GE(bytes.size(), 6 + 16 * count) << name;
    std::vector<int> sizes;
    for (size_t i = 0; i < count; ++i)
      sizes.push_back(static_cast<unsigned char>(bytes[6 + 16 * i]));
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32})) << name;
  }
}

// The user sees Monday's notice, looks at the main window and puts it away; the next day the
// planner holds one appointment at `termin`.
class SeenDayTest : public ProgramTest {
 protected:
  void LookOnMonday() {
    UsePlanner();
    AddAccountDueToday("Familie", {"090000"});
    ChooseAccounts("Familie\r\n");
    Start();
    Act(kFirstScanDelayMs + 5000, [&] { Notice().BitBtn1->Click(); });
    RunFor(kFirstScanDelayMs + 10000);
    ASSERT_EQ(FinishedScans(), 1);
    Main().Erinnerungsmodulanzeigen1->Click();
    ASSERT_TRUE(Main().State().seen);
    Main().BitBtn1->Click();
  }
  void TuesdayWith(const std::string& termin) {
    sim_.SetNow(platform::LocalTime{2026, 12, 8, 10, 0, 0, 0});
    tools::DbfWriter table({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}});
    table.AddRecord({"20261205000000", termin});
    sim_.PutFile(sim_.AccountFolder("Familie") + "erinnerung.dbf", table.Bytes());
    sim_.PutFile(sim_.AccountFolder("Familie") + "termine\\" + termin + ".trm",
                 "Kopf\r\n" + EncodeDecodeText("Termin") + "\r\n");
  }
};

TEST_F(SeenDayTest, OneLookOnMondayDoesNotSilenceTuesday) {
  LookOnMonday();
  // The next scan the same day stays silent.
  RunFor(kScanIntervalMs);
  ASSERT_EQ(FinishedScans(), 2);
  EXPECT_TRUE(Main().State().seen);
  EXPECT_FALSE(TrayCycling());
  // Tuesday's appointment, added overnight, is not among those seen.
  TuesdayWith("20261208090000");
  Act(kScanIntervalMs + 5000, [&] { Notice().BitBtn1->Click(); });
  RunFor(kScanIntervalMs + 10000);
  ASSERT_EQ(FinishedScans(), 3);
  EXPECT_TRUE(TrayCycling());
  EXPECT_EQ(Notice().Label1->Caption(), "Sie haben heute 1 Termin(e):");
}

// The look belongs to its day: a Tuesday without appointments still brings word of Wednesday's.
TEST_F(SeenDayTest, ALookOnMondayDoesNotSilenceTuesdaysWordOfWednesday) {
  LookOnMonday();
  TuesdayWith("20261209090000");
  RunFor(kScanIntervalMs);
  ASSERT_EQ(FinishedScans(), 2);
  EXPECT_EQ(BalloonsTitled("Mi., 09.12.2026 (1)"), 1);
  EXPECT_TRUE(TrayCycling());
}

TEST_F(ProgramTest, BalloonClickOnAVisibleWindowStopsCyclingWithoutShowingItAgain) {
  UsePlanner();
  Start();
  int shows = 0;
  Main().Erinnerungsmodulanzeigen1->Click();
  Main().OnShow = [&](ui::Component*) { ++shows; };
  Main().TrayIcon1->SetCycleIcons(true);
  RunFor(800);
  ASSERT_EQ(Main().TrayIcon1->IconIndex(), 1);
  const int fronts = ui::HeadlessCountsOf(Main())->bring_to_front;
  Main().TrayIcon1BalloonHintClick(Main().TrayIcon1);
  EXPECT_EQ(shows, 0);
  EXPECT_FALSE(TrayCycling());
  EXPECT_EQ(Main().TrayIcon1->IconIndex(), 0);
  EXPECT_TRUE(Main().State().seen);
  EXPECT_EQ(ui::HeadlessCountsOf(Main())->bring_to_front, fronts + 1);
}

TEST_F(ProgramTest, ShowingTheMainWindowStopsCyclingAndRefreshesTheAccounts) {
  UsePlanner();
  sim_.AddAccount("Familie");
  ChooseAccounts("Familie\r\n");
  Start();
  Main().TrayIcon1->SetCycleIcons(true);
  RunFor(800);
  Main().TrayIcon1DblClick(Main().TrayIcon1);
  EXPECT_FALSE(TrayCycling());
  EXPECT_EQ(Main().TrayIcon1->IconIndex(), 0);
  ASSERT_EQ(Options().Accounts().Count(), 1);
  EXPECT_TRUE(Options().Accounts().Selected(0));
}

TEST_F(ProgramTest, ShowingTheMainWindowIgnoresAFailingAccountDiscovery) {
  UsePlanner();
  Start();
  RefuseTheSelectionFile();
  Main().Erinnerungsmodulanzeigen1->Click();
  EXPECT_TRUE(Main().Visible());
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

// --- the program waiting in the tray ---

// Waiting in the tray, the program is to wake for nothing but the hourly scan: no timer of the
// tray icon (cycling, the click timer of a double-click) may be left armed.
TEST_F(ProgramTest, InTheTrayAfterTheNoticeOnlyTheHourlyScanTimerIsArmed) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000"});
  ChooseAccounts("Familie\r\n");
  Start();
  Act(9000, [this] { Notice().BitBtn2->Click(); });
  RunFor(10000);
  ASSERT_TRUE(Main().Visible());
  Main().BitBtn1->Click();
  // Back with a double-click on the icon (press, release, double-click, release), and down again.
  const platform::WindowHandle handler = tray_handlers_.icons.Window();
  const uint32_t id = Main().TrayIcon1->IconId();
  for (uint32_t code : {platform::msg::kLButtonDown, platform::msg::kLButtonUp,
                        platform::msg::kLButtonDblClk, platform::msg::kLButtonUp}) {
    desktop_.PostMessage(handler, tray::kTrayCallbackMessage, id, code);
  }
  RunFor(100);
  ASSERT_TRUE(Main().Visible());
  Main().BitBtn1->Click();
  RunFor(60000);

  EXPECT_FALSE(Main().Visible());
  EXPECT_TRUE(desktop_.IconPresent(handler, id));
  EXPECT_FALSE(TrayCycling());
  EXPECT_EQ(desktop_.TimerCount(), 1u);
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), kScanIntervalMs);
}

TEST_F(ProgramTest, QuittingTakesTheIconOutOfTheNotificationArea) {
  UsePlanner();
  Start();
  const platform::WindowHandle handler = tray_handlers_.icons.Window();
  const uint32_t id = Main().TrayIcon1->IconId();
  ASSERT_TRUE(desktop_.IconPresent(handler, id));
  Main().Beenden1->Click();
  EXPECT_FALSE(desktop_.RunFor(1));
  // The program's loop has ended; what is left is the teardown of its windows.
  app_.reset();
  EXPECT_EQ(desktop_.PresentIconCount(), 0u);
  ASSERT_FALSE(desktop_.notify_calls.empty());
  EXPECT_EQ(desktop_.notify_calls.back().op, platform::NotifyIconOp::kDelete);
  EXPECT_EQ(desktop_.notify_calls.back().data.id, id);
}

}  // namespace
}  // namespace erm::app::testing
