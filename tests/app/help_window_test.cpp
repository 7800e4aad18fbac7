#include "app/help_window.h"

#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app {
namespace {

class HelpWindowTest : public app::testing::ProgramTest {
 protected:
  void SetUp() override {
    UsePlanner();
    Start();
    Main().Erinnerungsmodulanzeigen1->Click();
    Main().Hilfe1->Click();
    ASSERT_TRUE(Help().Visible());
  }
  void ExpectOnlyTheHelpWindowClosed() {
    EXPECT_FALSE(Help().Visible());
    EXPECT_TRUE(Main().Visible());
    EXPECT_TRUE(Main().ReminderActive());
    EXPECT_TRUE(Main().Timer1->Enabled());
    EXPECT_FALSE(desktop_.IsIconic(app_->Handle()));
  }
};

TEST_F(HelpWindowTest, OkHidesIt) {
  Help().BitBtn1->Click();
  ExpectOnlyTheHelpWindowClosed();
}

TEST_F(HelpWindowTest, EnterHidesIt) {
  EXPECT_TRUE(Help().HandleDialogKey(ui::DialogKey::kEnter));
  ExpectOnlyTheHelpWindowClosed();
}

TEST_F(HelpWindowTest, ThePictureOfTheMinimiseButtonOnlyHidesTheHelp) {
  Help().BitBtn2->Click();
  ExpectOnlyTheHelpWindowClosed();
}

TEST_F(HelpWindowTest, CloseBoxHidesIt) {
  Help().Close();
  ExpectOnlyTheHelpWindowClosed();
  EXPECT_FALSE(desktop_.QuitPending());
}

TEST_F(HelpWindowTest, TogglePicturesStayDownWhenClicked) {
  Help().SpeedButton2->Click();
  Help().SpeedButton1->Click();
  EXPECT_TRUE(Help().SpeedButton2->Down());
  EXPECT_TRUE(Help().SpeedButton1->Down());
  EXPECT_TRUE(Help().Visible());
  // They are pictures: the main window's buttons are not touched.
  EXPECT_TRUE(Main().ReminderActive());
}

}  // namespace
}  // namespace erm::app
