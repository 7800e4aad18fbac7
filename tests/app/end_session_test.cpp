// The program ends cleanly when Windows ends the session or an installer's restart manager asks
// it to make way (WM_QUERYENDSESSION, then WM_ENDSESSION with ENDSESSION_CLOSEAPP): the loops
// end, and the icon leaves the notification area.
#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app::testing {
namespace {

constexpr std::intptr_t kEndSessionCloseApp = 0x00000001;

// What the restart manager sends each top-level window of the program, in its order.
std::intptr_t AskToEnd(platform::SimDesktop& desktop, platform::WindowHandle window,
                       std::uintptr_t ending = 1) {
  const std::intptr_t agreed =
      desktop.SendMessage(window, platform::msg::kQueryEndSession, 0, kEndSessionCloseApp);
  desktop.SendMessage(window, platform::msg::kEndSession, ending, kEndSessionCloseApp);
  return agreed;
}

TEST_F(ProgramTest, CloseAppRequestEndsTheProgramAndTakesTheIconAway) {
  UsePlanner();
  Start();
  ASSERT_EQ(desktop_.PresentIconCount(), 1u);
  EXPECT_EQ(AskToEnd(desktop_, app_->Handle()), 1);
  EXPECT_FALSE(desktop_.RunFor(1));
  app_.reset();
  EXPECT_EQ(desktop_.PresentIconCount(), 0u);
}

TEST_F(ProgramTest, CloseAppRequestEndsTheNoticeDialogsLoopToo) {
  UsePlanner();
  AddAccountDueToday("Familie", {"090000"});
  ChooseAccounts("Familie\r\n");
  Start();
  bool notice_was_up = false;
  Act(9000, [this, &notice_was_up] {
    notice_was_up = Notice().Visible();
    AskToEnd(desktop_, app_->Handle());
  });
  // The modal loop takes the quit request itself; the program's own loop then ends at once.
  RunFor(20000);
  EXPECT_TRUE(notice_was_up);
  EXPECT_TRUE(app_->Terminated());
  EXPECT_FALSE(Notice().Visible());
}

TEST_F(ProgramTest, SessionEndCalledOffKeepsTheProgram) {
  UsePlanner();
  Start();
  EXPECT_EQ(AskToEnd(desktop_, app_->Handle(), 0), 1);
  EXPECT_TRUE(desktop_.RunFor(1000));
  EXPECT_EQ(desktop_.PresentIconCount(), 1u);
}

}  // namespace
}  // namespace erm::app::testing
