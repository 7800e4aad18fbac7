// The tray icon and the light timer against the real notification area and window timers
// (Wine). Wine's notification area sends no balloon notifications, so the tests send the
// callback message to the handler window themselves.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#include "tray/lite_timer.h"
#include "tray/tray_icon.h"
#include "tray/tray_icon_handler.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless_peers.h"
#include "ui/icons.h"

namespace erm::tray {
namespace {

class TrayForm : public ui::Form {
 public:
  TrayForm(ui::Application& app, TrayHandlers& handlers) : ui::Form(app, "Form1") {
    tray = new TTrayIcon(this, handlers, "TrayIcon1");
    tray->Icon().SetHandle(
        reinterpret_cast<platform::IconHandle>(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));
    tray->SetHint("QX-Brevantoliske Erinnerungsmodul");
    AfterConstruction();
  }
  TTrayIcon* tray = nullptr;
};

constexpr std::uintptr_t kPumpTimer = 0x7101;

class Win32TrayTest : public ::testing::Test {
 protected:
  // The tray icon of an earlier test left the quit request of its last going in this thread's
  // queue; it would end the loop here at once.
  void SetUp() override {
    platform::WindowMessage message;
    while (desktop_.PeekMessage(&message)) {
      if (message.message != platform::msg::kQuit) desktop_.DispatchMessage(message);
    }
  }
  // Handles messages until `done` or until `timeout_ms` has passed; a short timer of its own
  // keeps the wait for the next message short.
  bool PumpUntil(const std::function<bool()>& done, uint64_t timeout_ms = 5000) {
    const platform::WindowHandle pump = desktop_.CreateMessageWindow(
        [this](const platform::WindowMessage& m) { return desktop_.DefWindowProc(m); });
    desktop_.SetTimer(pump, kPumpTimer, 20);
    const uint64_t deadline = GetTickCount64() + timeout_ms;
    while (!done() && GetTickCount64() < deadline && !app_.Terminated())
      app_.HandleMessage();
    desktop_.DestroyWindow(pump);
    return done();
  }
  void SendCallback(uint32_t code) {
    desktop_.SendMessage(handlers_.icons.Window(), kTrayCallbackMessage, form_.tray->IconId(),
                         code);
  }

  platform::Win32System system_;
  platform::Win32Desktop desktop_;
  ui::HeadlessPeerFactory peers_;
  TrayHandlers handlers_{desktop_};
  ui::Application app_{system_, desktop_, peers_};
  TrayForm& form_ = app_.CreateForm<TrayForm>(handlers_);
};

TEST_F(Win32TrayTest, TheNotificationAreaTakesTheIconItsChangesAndABalloon) {
  TTrayIcon& tray = *form_.tray;
  EXPECT_EQ(tray.NotifyData().cb_size, desktop_.NotifyIconDataSize());
  EXPECT_TRUE(tray.AddIcon());
  EXPECT_TRUE(tray.IconVisible());
  EXPECT_TRUE(tray.UpdateIcon());
  tray.SetHint(
      "Ein anderer Hinweis f\xFC"
      "r das Symbol");
  EXPECT_TRUE(tray.UpdateIcon());
  EXPECT_TRUE(tray.ShowBalloon("Heute 1 Termin(e)", "20261207090000 [Familie] Arzt\r\n",
                               TBalloonIconKind::biInfo, 60));
  EXPECT_TRUE(tray.ShowBalloon("Zweiter", "ersetzt den ersten", TBalloonIconKind::biWarning, 5));
  // The notification area loses the icon behind the program's back: the next update puts it back.
  ASSERT_TRUE(desktop_.NotifyIcon(platform::NotifyIconOp::kDelete, tray.NotifyData()));
  EXPECT_FALSE(desktop_.NotifyIcon(platform::NotifyIconOp::kModify, tray.NotifyData()));
  EXPECT_TRUE(tray.UpdateIcon());
  EXPECT_TRUE(desktop_.NotifyIcon(platform::NotifyIconOp::kModify, tray.NotifyData()));
  EXPECT_TRUE(tray.RemoveIcon());
  EXPECT_FALSE(tray.IconVisible());
  // Wine answers TRUE to deleting an icon that is gone: nothing to learn from a second delete.
  tray.RemoveIcon();
}

TEST_F(Win32TrayTest, BalloonNotificationsSentToTheHandlerWindowRaiseTheirEvents) {
  TTrayIcon& tray = *form_.tray;
  ASSERT_TRUE(tray.AddIcon());
  std::vector<std::string> events;
  tray.OnBalloonHintClick = [&](ui::Component* sender) {
    EXPECT_EQ(sender, &tray);
    events.push_back("click");
  };
  tray.OnBalloonHintTimeout = [&](ui::Component*) { events.push_back("timeout"); };
  tray.OnBalloonHintHide = [&](ui::Component*) { events.push_back("hide"); };
  ASSERT_TRUE(tray.ShowBalloon("Titel", "Text", TBalloonIconKind::biInfo, 60));
  for (uint32_t code : {platform::msg::kBalloonShow, platform::msg::kBalloonUserClick,
                        platform::msg::kBalloonTimeout, platform::msg::kBalloonHide}) {
    SendCallback(code);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"click", "timeout", "hide"}));
  tray.RemoveIcon();
}

TEST_F(Win32TrayTest, AClickWaitsForTheRealDoubleClickTime) {
  TTrayIcon& tray = *form_.tray;
  int clicks = 0;
  int double_clicks = 0;
  tray.OnClick = [&](ui::Component*) { ++clicks; };
  tray.OnDblClick = [&](ui::Component*) { ++double_clicks; };
  SendCallback(platform::msg::kLButtonDown);
  SendCallback(platform::msg::kLButtonUp);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
  SendCallback(platform::msg::kLButtonDown);
  SendCallback(platform::msg::kLButtonUp);
  SendCallback(platform::msg::kLButtonDblClk);
  SendCallback(platform::msg::kLButtonUp);
  EXPECT_EQ(double_clicks, 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32TrayTest, CyclingTicksOnTheRealTimer) {
  TTrayIcon& tray = *form_.tray;
  int cycles = 0;
  tray.OnCycle = [&](ui::Component*, int) { ++cycles; };
  auto* images = new ui::ImageList(&form_, "ImageList1");
  images->Add(reinterpret_cast<platform::IconHandle>(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));
  images->Add(reinterpret_cast<platform::IconHandle>(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))));
  tray.SetIconList(images);
  tray.SetCycleInterval(20);
  tray.SetCycleIcons(true);
  EXPECT_TRUE(PumpUntil([&] { return cycles >= 3; }));
  tray.SetCycleIcons(false);
}

TEST(Win32TrayHandlerTest, TheLastTrayIconGoingPostsAQuit) {
  platform::Win32System system;
  platform::Win32Desktop desktop;
  ui::HeadlessPeerFactory peers;
  TrayHandlers handlers(desktop);
  ui::Application app(system, desktop, peers);
  TrayForm& form = app.CreateForm<TrayForm>(handlers);
  delete form.tray;
  EXPECT_EQ(handlers.icons.Window(), 0u);
  platform::WindowMessage message;
  bool quit = false;
  while (desktop.PeekMessage(&message))
    quit |= message.message == platform::msg::kQuit;
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace erm::tray
