// The program as a user meets it on a real PC: installed where it may not write its settings
// files, and started a second time while it runs in the tray.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/program_fixture.h"
#include "app/second_start.h"
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

TEST_F(InstalledProgramTest, TheFirstStartTakesTheSessionNameAndAsksNobody) {
  EXPECT_FALSE(HandOverToRunningProgram(desktop_));
  EXPECT_TRUE(desktop_.broadcasts.empty());
  EXPECT_TRUE(HandOverToRunningProgram(desktop_));
  EXPECT_EQ(desktop_.broadcasts,
            std::vector<uint32_t>{desktop_.RegisterWindowMessage(kShowRequestName)});
}

}  // namespace
}  // namespace erm::app::testing
