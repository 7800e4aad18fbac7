// The program as a user meets it on a real PC: installed where it may not write its settings
// files, and started a second time while it runs in the tray.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "app/left_out.h"
#include "app/program_fixture.h"
#include "app/second_start.h"
#include "app/user_installation.h"
#include "platform/text_case.h"
#include "settings/settings_folder.h"

namespace erm::app::testing {
namespace {

constexpr char kUserFolder[] = "C:\\Users\\Anwender\\AppData\\Roaming\\Erinnerungsmodul\\";

class InstalledProgramTest : public ProgramTest {
 protected:
  InstalledProgramTest() { sim_.MakeDirectory("C:\\Users\\Anwender\\AppData\\Roaming"); }
};

TEST_F(InstalledProgramTest, UnderProgramFilesTheSettingsLiveInTheUsersFolder) {
  UsePlanner();
  ChooseAccounts("Familie\r\n");
  sim_.DenyWritesIn(sim_.ProgramFolder());
  Start();
  EXPECT_TRUE(desktop_.message_boxes.empty());
  EXPECT_TRUE(Main().ReminderActive());
  EXPECT_EQ(Main().State().planner_directory, kPlanner);
  EXPECT_EQ(Main().State().settings_folder, kUserFolder);

  Options().Show();
  Options().Label2->SetCaption("C:\\Anderer\\");
  Options().BitBtn1->Click();
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(sim_.ReadFileBytes(std::string(kUserFolder) + settings::kSettingsFileName),
            "C:\\Anderer\\\r\n");
  // The installed files stay as they were.
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");
}

TEST_F(InstalledProgramTest, AFirstStartUnderProgramFilesAsksForThePathWithoutAnError) {
  sim_.DenyWritesIn(sim_.ProgramFolder());
  Start();
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].flags & platform::kMbIconError, 0u);
  EXPECT_TRUE(Main().Visible());
}

// The preset names the planner, only the user can choose the accounts: the start that takes it
// opens the options, also with the folder out of reach, unless accounts came with it.
TEST_F(InstalledProgramTest, AFirstStartWithAPresetOpensTheOptionsUnlessAccountsCameWithIt) {
  for (const char* selection : {"", "Familie\r\n"}) {
    app_.reset();
    sim_.Remove(sim_.ProgramFolder() + settings::kSettingsFileName);
    sim_.machine_planner_directory = "\\\\server\\planer";
    ChooseAccounts(selection);
    Start();
    EXPECT_EQ(Options().Visible(), selection[0] == '\0');
    EXPECT_EQ(Options().Label1->Caption() == "Planer nicht erreichbar: \\\\server\\planer\\konten",
              selection[0] == '\0');
  }
}

// The first scan comes while the user is choosing the preset's accounts: it keeps that choice and
// says that none is chosen yet, with no node, balloon or early retry; "Uebernehmen" brings the
// next.
TEST_F(InstalledProgramTest, TheFirstScanLeavesTheChoiceInTheMakingAndSaysNoneIsChosen) {
  sim_.machine_planner_directory = kPlanner;
  AddAccountDueToday("Familie", {"090000"});
  Start();
  ASSERT_TRUE(Options().Visible());
  Options().Accounts().SetSelected(0, true);
  RunFor(kFirstScanDelayMs + 3000);
  Main().Erinnerungsmodulanzeigen1Click(nullptr);
  EXPECT_TRUE(Options().Accounts().Selected(0));
  EXPECT_EQ(Main().Label1->Caption(), " Keine Konten gew\xE4hlt");
  EXPECT_EQ(Main().TrayIcon1->Hint(), kNoAccountsChosen);
  EXPECT_EQ(Main().TreeView1->TopLevelCount() + BalloonTitles().size(), 0u);
  EXPECT_EQ(Main().Timer1->Interval(), kScanIntervalMs);
  Options().BitBtn1->Click();
  Act(kEarlyScanDelayMs + 3000, [&] { Notice().BitBtn1->Click(); });
  RunFor(kEarlyScanDelayMs + 5000);
  EXPECT_EQ(Main().TrayIcon1->Hint(), kTrayHint);
}

TEST_F(InstalledProgramTest, ASecondStartShowsTheRunningProgramAndEndsWithZero) {
  UsePlanner();
  platform::WindowHandle app_window = 0;
  bool shown_before = true;
  bool shown_after = false;
  int second_exit = -1;
  size_t windows_before = 0, windows_after = 0;
  const auto icon_adds = [this] {
    return std::count_if(desktop_.notify_calls.begin(), desktop_.notify_calls.end(),
                         [](const platform::SimDesktop::NotifyCall& c) {
                           return c.op == platform::NotifyIconOp::kAdd;
                         });
  };
  std::ptrdiff_t icon_adds_before = 0, icon_adds_after = 0;
  desktop_.Schedule(10000, [&] {
    for (platform::WindowHandle w : desktop_.Windows()) {
      if (desktop_.KindOf(w) == platform::SimDesktop::WindowKind::kApplication) app_window = w;
    }
    shown_before = desktop_.IsWindowVisible(app_window);
    windows_before = desktop_.Windows().size();
    icon_adds_before = icon_adds();
    ui::HeadlessPeerFactory second_peers;
    second_exit = RunProgram(sim_, desktop_, second_peers);
    windows_after = desktop_.Windows().size();
    icon_adds_after = icon_adds();
  });
  desktop_.Schedule(11000, [&] {
    shown_after = desktop_.IsWindowVisible(app_window);
    desktop_.PostMessage(app_window, platform::msg::kClose, 0, 0);
  });
  EXPECT_EQ(RunProgram(sim_, desktop_, peers_), 0);
  EXPECT_EQ(second_exit, 0);
  EXPECT_FALSE(shown_before);
  EXPECT_TRUE(shown_after);
  // The second start made no window and no tray icon of its own.
  EXPECT_EQ(windows_after, windows_before);
  EXPECT_EQ(icon_adds_after, icon_adds_before);
  EXPECT_EQ(desktop_.broadcasts.size(), 1u);
  // Only the program that runs on asks to be started again after an update.
  EXPECT_EQ(desktop_.restart_registrations, 1);
}

TEST_F(InstalledProgramTest, ASecondStartAsksTheRunningProgramUntilItAnswers) {
  struct Case {
    const char* name;
    bool name_taken;
    bool elevated;
    int64_t window_after_ms;  // when the running program's window answers; -1: never
    size_t asks;
    StartKind kind = StartKind::kByUser;
  };
  const Case cases[] = {
      {"first start", false, false, 0, 0},
      {"running program", true, false, 0, 1},
      {"running program elevated", true, true, 0, 1},
      {"window made 2 s later", true, false, 2000, 9},
      {"no window within 10 s", true, false, -1, 41},
      {"first start at logon", false, false, 0, 0, StartKind::kAtLogon},
      {"at logon beside a running program", true, false, 0, 0, StartKind::kAtLogon},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop_.session_names.clear();
    desktop_.broadcasts.clear();
    desktop_.other_copies_elevated = c.elevated;
    if (c.name_taken) desktop_.session_names.insert(kSessionName);
    const uint64_t start = sim_.TickCount();
    int shown = 0;
    std::unique_ptr<ui::Application> running;
    desktop_.on_send_to_application_windows = [&] {
      if (running || c.window_after_ms < 0) return;
      if (sim_.TickCount() - start < static_cast<uint64_t>(c.window_after_ms)) return;
      running = std::make_unique<ui::Application>(sim_, desktop_, peers_);
      AnswerShowRequests(*running, [&shown] { ++shown; });
    };
    EXPECT_EQ(HandOverToRunningProgram(desktop_, sim_, c.kind), c.name_taken);
    EXPECT_EQ(desktop_.broadcasts.size(), c.asks);
    desktop_.RunPending();
    EXPECT_EQ(shown, running ? 1 : 0);
  }
}

TEST(StartKindTest, OnlyTheRunValuesArgumentMakesALogonStart) {
  for (const char* arguments : {"/AutoStart", "  /x \"/autostart\"\t"})
    EXPECT_EQ(StartKindOf(arguments), StartKind::kAtLogon) << arguments;
  for (const char* arguments : {"", "/autostarten", "\"/autostart x\""})
    EXPECT_EQ(StartKindOf(arguments), StartKind::kByUser) << arguments;
}

// The package for all users over the user's per-user installation of an earlier release, whose
// Run value starts that copy without an argument: only that value goes.
TEST_F(InstalledProgramTest, TheInstallationForAllUsersTakesAwayOnlyTheOwnCopysRunValue) {
  const std::string own = "C:\\Users\\Anwender\\AppData\\Local\\Programs\\Erinnerungsmodul\\";
  sim_.user_installation_folder = own;
  const std::pair<std::string, std::string> kept[] = {
      {sim_.ProgramFolder(), "\"C:\\Tools\\erinnerung.exe\""},
      {"C:\\Anderswo\\", "\"" + own + "erinnerung.exe\""},  // the archive's copy, say
  };
  for (const auto& [machine_folder, command] : kept) {
    sim_.machine_installation_folder = machine_folder;
    sim_.user_logon_command = command;
    RetireUserInstallationLogonStart(sim_);
    EXPECT_EQ(sim_.user_logon_command, command);
  }
  sim_.machine_installation_folder = sim_.ProgramFolder();
  // Unquoted, in another letter case; the copy runs already, and this start at logon ends
  // without asking it to show its window.
  sim_.user_logon_command = platform::AsciiUpper(own) + "ERINNERUNG.exe";
  desktop_.session_names.insert(kSessionName);
  EXPECT_EQ(RunProgram(sim_, desktop_, peers_, "/autostart"), 0);
  EXPECT_TRUE(desktop_.broadcasts.empty());
  EXPECT_TRUE(sim_.user_logon_command.empty());
}

}  // namespace
}  // namespace erm::app::testing
