#include "ui/application.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "ui/buttons.h"
#include "ui/timer.h"
#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

struct FullStopCase {
  const char* name;
  std::string message;
  std::string shown;
};

class ErrorReportTest : public UiTest, public ::testing::WithParamInterface<FullStopCase> {};

TEST_P(ErrorReportTest, AddsAFullStopOnlyAfterACharacterAboveIt) {
  app_.SetTitle("Erinnerungsmodul");
  app_.ShowException(Error(GetParam().message));
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].text, GetParam().shown);
  EXPECT_EQ(desktop_.message_boxes[0].caption, "Erinnerungsmodul");
  EXPECT_EQ(desktop_.message_boxes[0].flags, platform::kMbOk | platform::kMbIconError);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ErrorReportTest,
    ::testing::Values(
        FullStopCase{"Letter", "Datei nicht gefunden", "Datei nicht gefunden."},
        FullStopCase{"Exclamation", "Pfad nicht gew\xE4hlt!", "Pfad nicht gew\xE4hlt!"},
        FullStopCase{"FullStop", "Fertig.", "Fertig."}, FullStopCase{"Hyphen", "A-", "A-"},
        FullStopCase{"Slash", "C:/", "C:/."}, FullStopCase{"Digit", "Fehler 5", "Fehler 5."},
        FullStopCase{"HighByte", "Gr\xFC\xDF", "Gr\xFC\xDF."}, FullStopCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UiTest, AbortShowsNothing) {
  app_.ShowException(Abort());
  app_.RunGuarded([] { throw Abort(); });
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

TEST_F(UiTest, ErrorInATimerHandlerIsReportedAndTheLoopGoesOn) {
  auto& form = app_.CreateForm<TestForm>();
  auto* timer = new Timer(&form, "Timer1");
  int ticks = 0;
  timer->OnTimer = [&](Component*) {
    ++ticks;
    throw Error("Datei nicht gefunden");
  };
  desktop_.Schedule(2500, [&] { form.Close(); });
  app_.Run();
  EXPECT_EQ(ticks, 2);
  ASSERT_EQ(desktop_.message_boxes.size(), 2u);
  EXPECT_EQ(desktop_.message_boxes[1].text, "Datei nicht gefunden.");
}

TEST_F(UiTest, ClosingTheMainFormEndsRun) {
  auto& main = app_.CreateForm<TestForm>("Form1");
  auto& other = app_.CreateForm<TestForm>("Form2");
  EXPECT_EQ(app_.MainForm(), &main);
  bool asked = false;
  main.OnCloseQuery = [&](Component*, bool& can_close) { can_close = asked = true; };
  desktop_.Schedule(100, [&] { other.Close(); });
  desktop_.Schedule(200, [&] { main.Close(); });
  app_.Run();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(system_.TickCount(), 200u);
}

TEST_F(UiTest, RefusedCloseQueryKeepsTheFormAndTheProgram) {
  auto& main = app_.CreateForm<TestForm>();
  main.OnCloseQuery = [](Component*, bool& can_close) { can_close = false; };
  main.Show();
  main.Close();
  desktop_.RunPending();
  EXPECT_TRUE(main.Visible());
  EXPECT_FALSE(desktop_.QuitPending());
}

TEST_F(UiTest, ClosingAnotherFormHidesIt) {
  app_.CreateForm<TestForm>("Form1");
  auto& help = app_.CreateForm<TestForm>("Form3");
  help.Show();
  desktop_.SendMessage(help.Handle(), platform::msg::kClose, 0, 0);
  EXPECT_FALSE(help.Visible());
  EXPECT_FALSE(desktop_.QuitPending());
  EXPECT_TRUE(desktop_.IsWindow(help.Handle()));
}

TEST_F(UiTest, RunShowsTheMainFormOnlyWhenAsked) {
  auto& main = app_.CreateForm<TestForm>();
  app_.SetShowMainForm(false);
  bool visible_in_loop = true;
  desktop_.Schedule(10, [&] {
    visible_in_loop = main.Visible();
    app_.Terminate();
  });
  app_.Run();
  EXPECT_FALSE(visible_in_loop);
}

TEST_F(UiTest, ApplicationWindowIsShownExactlyWhileAFormIsVisible) {
  auto& first = app_.CreateForm<TestForm>("Form1");
  auto& second = app_.CreateForm<TestForm>("Form2");
  EXPECT_FALSE(desktop_.IsWindowVisible(app_.Handle()));
  first.Show();
  EXPECT_TRUE(desktop_.IsWindowVisible(app_.Handle()));
  second.Show();
  first.Hide();
  EXPECT_TRUE(desktop_.IsWindowVisible(app_.Handle()));
  second.Hide();
  EXPECT_FALSE(desktop_.IsWindowVisible(app_.Handle()));
}

TEST_F(UiTest, OnShowRunsOnlyWhenAHiddenFormIsShown) {
  auto& form = app_.CreateForm<TestForm>();
  form.SetPosition(FormPosition::kScreenCenter);
  form.SetAnnounceAsAlert(true);
  int shows = 0;
  form.OnShow = [&](Component*) { ++shows; };
  form.Show();
  form.Show();
  form.SetVisible(true);
  EXPECT_EQ(shows, 1);
  form.Hide();
  form.Show();
  EXPECT_EQ(shows, 2);
  EXPECT_EQ(HeadlessCountsOf(form)->center, 1);  // the first showing only
  EXPECT_EQ(HeadlessCountsOf(form)->bring_to_front, 3);
  EXPECT_EQ(HeadlessCountsOf(form)->alerts, 2);  // a screen reader hears each opening once
}

TEST_F(UiTest, ErrorInOnShowIsReportedAndTheFormStillShows) {
  auto& form = app_.CreateForm<TestForm>();
  form.OnShow = [](Component*) { throw Error("Kaputt"); };
  form.Show();
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(desktop_.IsWindowVisible(form.Handle()));
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].text, "Kaputt.");
}

TEST_F(UiTest, OnCreateRunsAfterLoadedAndItsErrorIsReported) {
  std::vector<std::string> journal;
  struct Part : Component {
    Part(Component* owner, std::vector<std::string>& j) : Component(owner, "Part"), j_(j) {}
    void Loaded() override { j_.push_back("loaded"); }
    std::vector<std::string>& j_;
  };
  struct Built : TestForm {
    Built(Application& app, std::vector<std::string>& journal) : TestForm(app) {
      new Part(this, journal);
      OnCreate = [&journal](Component*) {
        journal.push_back("create");
        throw Error("Zugriff verweigert");
      };
      Finish();
    }
  };
  auto& form = app_.CreateForm<Built>(journal);
  EXPECT_EQ(journal, (std::vector<std::string>{"loaded", "create"}));
  EXPECT_EQ(app_.MainForm(), &form);
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
}

class ModalTest : public UiTest {
 protected:
  ModalTest() {
    main_.Show();
    notice_.SetBorderStyle(BorderStyle::kDialog);
    close_ = new BitBtn(&notice_, "BitBtn1");
    close_->SetParent(&notice_);
    close_->SetCancel(true);
    close_->SetModalResult(kMrOk);
    show_ = new BitBtn(&notice_, "BitBtn2");
    show_->SetParent(&notice_);
    show_->SetDefault(true);
    show_->SetModalResult(kMrOk);
  }

  TestForm& main_ = app_.CreateForm<TestForm>("Form1");
  TestForm& hidden_ = app_.CreateForm<TestForm>("Form2");
  TestForm& notice_ = app_.CreateForm<TestForm>("Form4");
  BitBtn* close_;
  BitBtn* show_;
};

TEST_F(ModalTest, ScheduledClickEndsTheModalLoopWithTheButtonsResult) {
  bool main_enabled_meanwhile = true;
  bool app_enabled_meanwhile = true;
  int clicks = 0;
  show_->OnClick = [&](Component*) { ++clicks; };
  Act(1000, [&] {
    main_enabled_meanwhile = desktop_.IsWindowEnabled(main_.Handle());
    app_enabled_meanwhile = desktop_.IsWindowEnabled(app_.Handle());
    EXPECT_TRUE(notice_.Visible());
    EXPECT_TRUE(desktop_.IsWindowEnabled(notice_.Handle()));
    show_->Click();
  });
  EXPECT_EQ(notice_.ShowModal(), kMrOk);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(main_enabled_meanwhile);
  EXPECT_FALSE(app_enabled_meanwhile);
  EXPECT_FALSE(notice_.Visible());
  EXPECT_TRUE(desktop_.IsWindowEnabled(main_.Handle()));
  EXPECT_TRUE(desktop_.IsWindowEnabled(app_.Handle()));
  EXPECT_TRUE(desktop_.IsWindowEnabled(hidden_.Handle()));
}

TEST_F(ModalTest, WindowShownDuringTheModalLoopStaysEnabled) {
  Act(10, [&] {
    hidden_.Show();
    notice_.Close();
  });
  EXPECT_EQ(notice_.ShowModal(), kMrCancel);
  EXPECT_TRUE(desktop_.IsWindowEnabled(hidden_.Handle()));
}

TEST_F(ModalTest, EnterAndEscapeClickTheDefaultAndCancelButtons) {
  int closes = 0;
  int shows = 0;
  close_->OnClick = [&](Component*) { ++closes; };
  show_->OnClick = [&](Component*) { ++shows; };
  constexpr uint32_t kCommand = 0x0111;
  Act(10, [&] { desktop_.SendMessage(notice_.Handle(), kCommand, 2, 0); });
  EXPECT_EQ(notice_.ShowModal(), kMrOk);
  EXPECT_EQ(closes, 1);
  Act(10, [&] { desktop_.SendMessage(notice_.Handle(), kCommand, 1, 0); });
  EXPECT_EQ(notice_.ShowModal(), kMrOk);
  EXPECT_EQ(shows, 1);
  // A hidden or disabled default button is no default button.
  show_->SetEnabled(false);
  EXPECT_FALSE(notice_.HandleDialogKey(DialogKey::kEnter));
}

TEST_F(ModalTest, CloseBoxEndsTheModalLoopWithCancel) {
  Act(10, [&] { desktop_.SendMessage(notice_.Handle(), platform::msg::kClose, 0, 0); });
  EXPECT_EQ(notice_.ShowModal(), kMrCancel);
}

TEST_F(ModalTest, RefusedCloseKeepsTheModalLoopRunning) {
  int asked = 0;
  notice_.OnCloseQuery = [&](Component*, bool& can_close) { can_close = ++asked > 1; };
  Act(10, [&] { show_->Click(); });
  Act(20, [&] { EXPECT_TRUE(notice_.Visible()); });
  Act(30, [&] { show_->Click(); });
  EXPECT_EQ(notice_.ShowModal(), kMrOk);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(system_.TickCount(), 30u);
}

TEST_F(ModalTest, QuitDuringTheModalLoopEndsItAndTheProgram) {
  Act(10, [&] { app_.Terminate(); });
  EXPECT_EQ(notice_.ShowModal(), kMrCancel);
  EXPECT_TRUE(app_.Terminated());
  app_.Run();  // returns at once
}

TEST_F(ModalTest, ShowingAVisibleFormModallyIsAnError) {
  notice_.Show();
  EXPECT_THROW(notice_.ShowModal(), Error);
}

TEST_F(ModalTest, MessageBoxKeepsTheProgramsWindowsDisabled) {
  bool main_enabled = true;
  desktop_.on_message_box = [&](const platform::SimDesktop::MessageBoxCall&) {
    main_enabled = desktop_.IsWindowEnabled(main_.Handle());
    return platform::kIdOk;
  };
  app_.MessageBox("Keinen Pfad", "Erinnerungsmodul", platform::kMbOk);
  EXPECT_FALSE(main_enabled);
  EXPECT_TRUE(desktop_.IsWindowEnabled(main_.Handle()));
}

}  // namespace
}  // namespace erm::ui
