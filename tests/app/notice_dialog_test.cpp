// The scan in the real windows: its progress in the tool bar, the tree, the tray icon's balloon
// and the modal notice dialog, and the commands that arrive while the dialog is open.
#include "app/notice_dialog.h"

#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app::testing {
namespace {

// The first scan starts at 5 s and reaches its notice dialog 2.6 s later (two accounts).
constexpr uint64_t kInsideDialog = 9000;
constexpr uint64_t kDialogClosed = 10000;

class ScanInWindowsTest : public ProgramTest {
 protected:
  void SetUp() override {
    UsePlanner();
    AddAccountDueToday("Familie", {"090000"});
    AddAccountDueToday("Praxis", {"140000"});
    ChooseAccounts("Familie\r\nPraxis\r\n");
    Start();
  }
  void CloseNoticeWith(ui::BitBtn* button, uint64_t at = kDialogClosed) {
    Act(at - Now(), [button] { button->Click(); });
  }
  ui::HeadlessPeer& PeerOf(ui::Control& control) { return *ui::HeadlessPeerOf(control); }
};

TEST_F(ScanInWindowsTest, ProgressShowsInTheToolBarAndIsResetAtTheEnd) {
  struct Seen {
    std::string caption;
    int position;
    bool animating;
  };
  std::vector<Seen> at_table_open;
  sim_.on_open = [&](const std::string& path, platform::FileAccess,
                     platform::FileOpen) -> std::optional<std::string> {
    if (path.size() > 14 && path.compare(path.size() - 14, 14, "erinnerung.dbf") == 0) {
      at_table_open.push_back({Main().Label1->Caption(), Main().ProgressBar1->Position(),
                               Main().Animate2->Active() && Main().Animate2->Visible()});
    }
    return std::nullopt;
  };
  const int label_repaints = PeerOf(*Main().Label1).repaint_count;
  const int bar_repaints = PeerOf(*Main().ProgressBar1).repaint_count;
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);

  ASSERT_EQ(at_table_open.size(), 2u);
  EXPECT_EQ(at_table_open[0].caption,
            " Pr\xFC"
            "fe 1/2:  Familie...");
  EXPECT_EQ(at_table_open[1].caption,
            " Pr\xFC"
            "fe 2/2:  Praxis...");
  EXPECT_EQ(at_table_open[0].position, 1);
  EXPECT_EQ(at_table_open[1].position, 2);
  EXPECT_TRUE(at_table_open[0].animating);
  EXPECT_EQ(PeerOf(*Main().Label1).repaint_count, label_repaints + 2);
  EXPECT_EQ(PeerOf(*Main().ProgressBar1).repaint_count, bar_repaints + 2);
  EXPECT_EQ(Main().ProgressBar1->Max(), 2);
  EXPECT_EQ(sim_.sleeps, (std::vector<uint32_t>{800, 800, 1000}));

  EXPECT_FALSE(Main().Animate2->Active());
  EXPECT_FALSE(Main().Animate2->Visible());
  EXPECT_FALSE(Main().ProgressBar1->Enabled());
  EXPECT_EQ(Main().ProgressBar1->Position(), 0);
  EXPECT_EQ(Main().Label1->Caption(), "");
  EXPECT_TRUE(Main().Label1->Visible());
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), kScanIntervalMs);
}

TEST_F(ScanInWindowsTest, TreeGroupsTodayUnderABoldCollapsedDayNode) {
  bool bold_while_dialog_open = true;
  Act(kInsideDialog, [&] {
    ASSERT_EQ(Main().TreeView1->TopLevelCount(), 1);
    bold_while_dialog_open = Main().TreeView1->TopLevel(0)->Bold();
  });
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);

  ui::TreeView& tree = *Main().TreeView1;
  ASSERT_EQ(tree.TopLevelCount(), 1);
  ui::TreeNode* day = tree.TopLevel(0);
  EXPECT_EQ(day->Text(), "Heute, Mo., 07.12.2026 (2)");
  EXPECT_TRUE(day->Bold());
  EXPECT_FALSE(day->Expanded());
  ASSERT_EQ(day->Count(), 2);
  EXPECT_EQ(day->Item(0)->Text(), " [Familie] Termin 090000");
  EXPECT_EQ(day->Item(1)->Text(), " [Praxis] Termin 140000");
  EXPECT_FALSE(day->Item(0)->Bold());
  EXPECT_FALSE(day->Item(1)->Bold());
  // Bold marking comes after the dialog has closed.
  EXPECT_FALSE(bold_while_dialog_open);
  EXPECT_EQ(Main().ListBox1->Count(), 2);
  EXPECT_FALSE(Main().ListBox1->Visible());
}

TEST_F(ScanInWindowsTest, NoticeDialogIsModalWithTodaysTextsAndTheBalloonGoesToTheTray) {
  Main().Optionen1->Click();
  Main().Hilfe1->Click();
  bool modal = false, options_enabled = true, help_enabled = true;
  std::string headline, text;
  Act(kInsideDialog, [&] {
    modal = Notice().Visible() && Notice().Modal();
    options_enabled = desktop_.IsWindowEnabled(Options().Handle());
    help_enabled = desktop_.IsWindowEnabled(Help().Handle());
    headline = Notice().Label1->Caption();
    text = Notice().Label2->Caption();
  });
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);

  EXPECT_TRUE(modal);
  EXPECT_FALSE(options_enabled);
  EXPECT_FALSE(help_enabled);
  EXPECT_EQ(headline, "Sie haben heute 2 Termin(e):");
  EXPECT_EQ(text, " [Familie] Termin 090000\r\n [Praxis] Termin 140000\r\n");
  EXPECT_FALSE(Notice().Visible());
  EXPECT_TRUE(desktop_.IsWindowEnabled(Options().Handle()));
  EXPECT_TRUE(desktop_.IsWindowEnabled(Help().Handle()));

  const platform::NotifyIconData* balloon = nullptr;
  for (const auto& call : desktop_.notify_calls) {
    if ((call.data.flags & platform::kNifInfo) && call.data.info[0] != '\0') balloon = &call.data;
  }
  ASSERT_NE(balloon, nullptr);
  EXPECT_STREQ(balloon->info_title, "Heute 2 Termin(e)");
  EXPECT_EQ(std::string(balloon->info), text);
  EXPECT_EQ(balloon->timeout, 60000u);
  EXPECT_EQ(balloon->info_flags, 1u);
}

TEST_F(ScanInWindowsTest, KeptFromTheForegroundTheNoticeFlashesItsTaskbarButtonUntilActive) {
  // Another program has the foreground, and Windows will not hand it over.
  desktop_.foreground_locked = true;
  std::vector<platform::SimDesktop::FlashCall> inside;
  Act(kInsideDialog - Now(), [&] { inside = desktop_.flash_calls; });
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0].window, app_->Handle());  // the program's one taskbar button
  EXPECT_TRUE(inside[0].flash);
  // Closing it stops the flashing.
  ASSERT_EQ(desktop_.flash_calls.size(), 2u);
  EXPECT_FALSE(desktop_.flash_calls[1].flash);
}

TEST_F(ScanInWindowsTest, NoticeTakingTheForegroundDoesNotFlash) {
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);
  EXPECT_TRUE(desktop_.flash_calls.empty());
}

TEST_F(ScanInWindowsTest, ActivatingTheFlashingNoticeStopsTheFlashing) {
  desktop_.foreground_locked = true;
  Act(kInsideDialog - Now(), [&] {
    desktop_.foreground_locked = false;
    // The user clicks the taskbar button: the dialog becomes the active window.
    Notice().BringToFront();
  });
  Act(kInsideDialog + 100 - Now(), [&] {
    ASSERT_EQ(desktop_.flash_calls.size(), 2u);
    EXPECT_FALSE(desktop_.flash_calls[1].flash);
  });
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);
  EXPECT_EQ(desktop_.flash_calls.size(), 2u);
}

TEST_F(ScanInWindowsTest, ClosingTheNoticeLeavesTheWindowHiddenAndTheIconCycling) {
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);
  EXPECT_FALSE(Main().Visible());
  EXPECT_TRUE(TrayCycling());
  EXPECT_FALSE(Main().State().seen);
  EXPECT_EQ(Main().State().today_count, 2);
}

TEST_F(ScanInWindowsTest, ShowAppointmentsShowsTheWindowAndStopsCycling) {
  bool seen_inside = false;
  Act(kInsideDialog, [&] {
    Notice().BitBtn2->Click();
    seen_inside = Main().State().seen;
  });
  RunFor(kDialogClosed);
  EXPECT_TRUE(seen_inside);
  EXPECT_FALSE(Notice().Visible());
  EXPECT_TRUE(Main().Visible());
  EXPECT_TRUE(desktop_.IsWindowEnabled(Main().Handle()));
  EXPECT_FALSE(TrayCycling());
  EXPECT_EQ(Main().TrayIcon1->IconIndex(), 0);
  // The next hourly scan is to remind again.
  EXPECT_FALSE(Main().State().seen);
}

struct KeyCase {
  const char* name;
  std::function<void(TForm4&)> press;
  bool main_shown;
};

class NoticeKeyTest : public ScanInWindowsTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(NoticeKeyTest, ClosesTheDialogThroughItsButtons) {
  Act(kInsideDialog, [this] { GetParam().press(Notice()); });
  RunFor(kDialogClosed);
  EXPECT_FALSE(Notice().Visible());
  EXPECT_FALSE(Notice().Modal());
  EXPECT_EQ(Main().Visible(), GetParam().main_shown);
  EXPECT_EQ(TrayCycling(), !GetParam().main_shown);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NoticeKeyTest,
    ::testing::Values(KeyCase{"EnterShowsTheAppointments",
                              [](TForm4& f) { f.HandleDialogKey(ui::DialogKey::kEnter); }, true},
                      KeyCase{"EscapeOnlyCloses",
                              [](TForm4& f) { f.HandleDialogKey(ui::DialogKey::kEscape); }, false},
                      KeyCase{"CloseBoxOnlyCloses", [](TForm4& f) { f.Close(); }, false}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

TEST_F(ScanInWindowsTest, LabelsAreSetAnewBeforeEveryShowing) {
  CloseNoticeWith(Notice().BitBtn1);
  RunFor(kDialogClosed);
  AddAccountDueToday("Familie", {"090000", "170000"});
  std::string headline;
  const uint64_t next_scan = Now() + kScanIntervalMs;
  Act(next_scan + 4000 - Now(), [&] {
    headline = Notice().Label1->Caption();
    Notice().BitBtn1->Click();
  });
  RunFor(kScanIntervalMs + 5000);
  EXPECT_EQ(FinishedScans(), 2);
  EXPECT_EQ(headline, "Sie haben heute 3 Termin(e):");
}

// --- commands that arrive while the notice dialog is open ---

// The user opens the main window from the tray while the dialog waits, and clicks a toggle.
class DeferredCommandTest : public ScanInWindowsTest {
 protected:
  void ClickDuringDialog(std::vector<ui::SpeedButton*> buttons, uint64_t close_at) {
    Act(kInsideDialog, [this, buttons] {
      Main().Erinnerungsmodulanzeigen1->Click();
      for (ui::SpeedButton* button : buttons)
        button->Click();
      down_inside = Main().SpeedButton1->Down() ? "deaktivieren" : "aktivieren";
      timer_inside = Main().Timer1->Enabled();
      pending_inside = Main().PendingCommand();
    });
    CloseNoticeWith(Notice().BitBtn1, close_at);
  }
  size_t Pauses() const { return sim_.sleeps.size(); }

  std::string down_inside;
  bool timer_inside = true;
  ReminderCommand pending_inside = ReminderCommand::kNone;
};

TEST_F(DeferredCommandTest, DeactivatingWaitsForTheScanAndThenStopsTheTimer) {
  ClickDuringDialog({Main().SpeedButton1}, kDialogClosed);
  RunFor(kDialogClosed);
  EXPECT_EQ(down_inside, "deaktivieren");
  EXPECT_FALSE(timer_inside);
  EXPECT_EQ(pending_inside, ReminderCommand::kDeactivate);

  EXPECT_EQ(Main().PendingCommand(), ReminderCommand::kNone);
  EXPECT_FALSE(Main().Timer1->Enabled());
  EXPECT_FALSE(Main().ReminderActive());
  EXPECT_FALSE(Main().State().seen);
  RunFor(2 * kScanIntervalMs);
  EXPECT_EQ(FinishedScans(), 1);
}

TEST_F(DeferredCommandTest, ActivatingNeverStartsAScanInsideTheDialog) {
  const uint64_t close_at = 60000;
  ClickDuringDialog({Main().SpeedButton2}, close_at);
  size_t pauses_before_close = 0;
  Act(close_at - 1 - Now(), [&] { pauses_before_close = Pauses(); });
  RunFor(close_at);
  EXPECT_EQ(pending_inside, ReminderCommand::kActivate);
  EXPECT_EQ(pauses_before_close, 3u);  // the first scan's 800, 800 and 1000 ms only

  // Applied when the scan ended: the next scan comes 5 s after the dialog closed.
  EXPECT_TRUE(Main().Timer1->Enabled());
  EXPECT_EQ(Main().Timer1->Interval(), 5000u);
  Act(9000, [this] { Notice().BitBtn1->Click(); });  // closes the second scan's dialog
  RunFor(4999);
  EXPECT_EQ(Pauses(), 3u);
  RunFor(1);
  EXPECT_GT(Pauses(), 3u);
}

TEST_F(DeferredCommandTest, TheLastCommandClickedWins) {
  ClickDuringDialog({Main().SpeedButton1, Main().SpeedButton2}, kDialogClosed);
  RunFor(kDialogClosed);
  EXPECT_EQ(down_inside, "aktivieren");
  EXPECT_EQ(pending_inside, ReminderCommand::kActivate);
  EXPECT_TRUE(Main().ReminderActive());
  EXPECT_EQ(Main().Timer1->Interval(), 5000u);
}

}  // namespace
}  // namespace erm::app::testing
