#include "tray/tray_icon_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "tray/tray_fixture.h"

namespace erm::tray {
namespace {

namespace msg = platform::msg;
using Events = std::vector<std::string>;

TEST_F(TrayTest, WithoutDblClickHandlerAClickComesAtOnceBeforeTheRelease) {
  Create();
  LogEvents();
  Send(msg::kLButtonDown);
  Send(msg::kLButtonUp);
  EXPECT_EQ(events_, (Events{"Down0", "Click", "Up0"}));
}

TEST_F(TrayTest, WithDblClickHandlerAClickWaitsForTheDoubleClickTime) {
  Create();
  LogEvents();
  LogDblClick();
  desktop_.double_click_time = 400;
  Send(msg::kLButtonDown);
  Send(msg::kLButtonUp);
  EXPECT_EQ(events_, (Events{"Down0", "Up0"}));
  desktop_.RunFor(399);
  EXPECT_EQ(events_.size(), 2u);
  desktop_.RunFor(1);
  EXPECT_EQ(events_, (Events{"Down0", "Up0", "Click"}));
  desktop_.RunFor(2000);  // the click timer is off again
  EXPECT_EQ(events_.size(), 3u);
}

TEST_F(TrayTest, DoubleClickRaisesOnlyDblClick) {
  Create();
  LogEvents();
  LogDblClick();
  Send(msg::kLButtonDown);
  Send(msg::kLButtonUp);
  Send(msg::kLButtonDblClk);
  Send(msg::kLButtonUp);
  desktop_.RunFor(1000);
  EXPECT_EQ(events_, (Events{"Down0", "Up0", "DblClick", "Up0"}));
  // The next single click is a click again.
  Send(msg::kLButtonDown);
  Send(msg::kLButtonUp);
  desktop_.RunFor(1000);
  EXPECT_EQ(events_.back(), "Click");
}

TEST_F(TrayTest, PressHeldPastTheDoubleClickTimeClicksOnRelease) {
  Create();
  LogEvents();
  LogDblClick();
  Send(msg::kLButtonDown);
  desktop_.RunFor(800);
  EXPECT_EQ(events_, (Events{"Down0"}));
  Send(msg::kLButtonUp);
  EXPECT_EQ(events_, (Events{"Down0", "Click", "Up0"}));
}

TEST_F(TrayTest, MouseEventsCarryTheCursorAndTheKeysHeld) {
  Create();
  desktop_.cursor_x = 1200;
  desktop_.cursor_y = 790;
  desktop_.keys_down = {platform::kVkShift, platform::kVkMenu};
  std::vector<int> seen;
  tray_->OnMouseDown = [&](ui::Component* sender, TMouseButton button, TShiftState shift, int x,
                           int y) {
    EXPECT_EQ(sender, tray_);
    seen.insert(seen.end(), {static_cast<int>(button), static_cast<int>(shift), x, y});
  };
  tray_->OnMouseMove = [&](ui::Component*, TShiftState shift, int x, int y) {
    seen.insert(seen.end(), {-1, static_cast<int>(shift), x, y});
  };
  Send(msg::kMButtonDown);
  Send(msg::kMouseMove);
  EXPECT_EQ(seen, (std::vector<int>{2, kShiftKey | kAltKey | kMiddleButton, 1200, 790, -1,
                                    kShiftKey | kAltKey, 1200, 790}));
}

TEST_F(TrayTest, DisabledIconIgnoresTheMouseButNotTheBalloon) {
  Create();
  LogEvents();
  LogDblClick();
  int balloon_clicks = 0;
  tray_->OnBalloonHintClick = [&](ui::Component*) { ++balloon_clicks; };
  tray_->SetEnabled(false);
  for (uint32_t code : {msg::kMouseMove, msg::kLButtonDown, msg::kLButtonUp, msg::kLButtonDblClk,
                        msg::kRButtonDown, msg::kRButtonUp}) {
    Send(code);
  }
  desktop_.RunFor(1000);
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(desktop_.popup_menus.empty());
  Send(msg::kBalloonUserClick);
  EXPECT_EQ(balloon_clicks, 1);
}

TEST_F(TrayTest, RightPressOpensTheMenuAtTheCursor) {
  Create();
  desktop_.cursor_x = 300;
  desktop_.cursor_y = 400;
  int chosen = 0;
  form_->show_item->OnClick = [&](ui::Component*) { ++chosen; };
  desktop_.on_popup_menu = [&](const platform::SimDesktop::PopupMenuCall& call) {
    // The program is in front while its menu is open.
    EXPECT_EQ(desktop_.GetForegroundWindow(), app_->Handle());
    EXPECT_EQ(call.entries.at(0).caption, "Erinnerungsmodul anzeigen");
    EXPECT_EQ(form_->menu->PopupComponent(), tray_);
    return 0;
  };
  const size_t queued = desktop_.QueuedMessageCount();
  Send(msg::kRButtonDown);
  ASSERT_EQ(desktop_.popup_menus.size(), 1u);
  EXPECT_EQ(desktop_.popup_menus[0].x, 300);
  EXPECT_EQ(desktop_.popup_menus[0].y, 400);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(desktop_.QueuedMessageCount(), queued + 1);  // the null message to the owner
  Send(msg::kRButtonUp);
  EXPECT_EQ(desktop_.popup_menus.size(), 1u);
}

TEST_F(TrayTest, MenuOpensOnlyWhenItCan) {
  struct Case {
    const char* name;
    bool auto_popup;
    bool left_popup;
    bool cursor_fails;
    uint32_t press;
    size_t menus;
  };
  const Case cases[] = {
      {"left press", true, false, false, msg::kLButtonDown, 0},
      {"left press with LeftPopup", true, true, false, msg::kLButtonDown, 1},
      {"right press without AutoPopup", false, false, false, msg::kRButtonDown, 0},
      {"right press, cursor unknown", true, false, true, msg::kRButtonDown, 0},
  };
  Create();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop_.popup_menus.clear();
    form_->menu->SetAutoPopup(c.auto_popup);
    tray_->SetLeftPopup(c.left_popup);
    desktop_.cursor_fails = c.cursor_fails;
    Send(c.press);
    EXPECT_EQ(desktop_.popup_menus.size(), c.menus);
  }
  desktop_.cursor_fails = false;
  form_->menu->SetAutoPopup(true);
  tray_->SetPopupMenu(nullptr);
  Send(msg::kRButtonDown);
  EXPECT_EQ(desktop_.popup_menus.size(), 0u);
}

TEST_F(TrayTest, DoubleClickChoosesTheFirstOfTwoDefaultItems) {
  std::vector<ui::MenuItem*> items;
  Create([&](TrayForm& form) {
    for (int i = 1; i <= 3; ++i) {
      auto* item = new ui::MenuItem(&form, "Item" + std::to_string(i));
      item->SetCaption("Punkt " + std::to_string(i));
      form.menu->Items().Add(item);
      items.push_back(item);
    }
  });
  std::vector<std::string> clicked;
  for (int i = 0; i < form_->menu->Items().Count(); ++i) {
    ui::MenuItem* item = form_->menu->Items().Item(i);
    item->OnClick = [&clicked, item](ui::Component*) { clicked.push_back(item->Name()); };
  }
  items[0]->SetDefault(true);  // index 1
  items[2]->SetDefault(true);  // index 3
  Send(msg::kLButtonDblClk);
  EXPECT_EQ(clicked, (std::vector<std::string>{"Item1"}));

  tray_->SetLeftPopup(true);
  Send(msg::kLButtonDblClk);
  form_->menu->SetAutoPopup(false);
  tray_->SetLeftPopup(false);
  Send(msg::kLButtonDblClk);
  EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(TrayTest, DoubleClickWithoutDefaultItemOnlyRaisesDblClick) {
  Create();
  LogDblClick();
  int shown = 0;
  form_->show_item->OnClick = [&](ui::Component*) { ++shown; };
  Send(msg::kLButtonDblClk);
  EXPECT_EQ(events_, (Events{"DblClick"}));
  EXPECT_EQ(shown, 0);
  EXPECT_TRUE(desktop_.popup_menus.empty());
}

TEST_F(TrayTest, BalloonNotificationsRaiseTheirOwnEvents) {
  Create();
  auto log = [this](const char* name) {
    return [this, name](ui::Component* sender) {
      EXPECT_EQ(sender, tray_);
      events_.push_back(name);
    };
  };
  tray_->OnBalloonHintClick = log("click");
  tray_->OnBalloonHintTimeout = log("timeout");
  tray_->OnBalloonHintHide = log("hide");
  for (uint32_t code : {msg::kBalloonShow, msg::kBalloonUserClick, msg::kBalloonTimeout,
                        msg::kBalloonHide, msg::kRButtonDblClk, msg::kMButtonDblClk, 0x0406u}) {
    Send(code);
  }
  EXPECT_EQ(events_, (Events{"click", "timeout", "hide"}));
}

TEST_F(TrayTest, EnterAndExitFollowTheCursor) {
  Create([](TrayForm& form) { form.tray->SetWantEnterExitEvents(true); });
  tray_->OnMouseEnter = [this](ui::Component*) { events_.push_back("enter"); };
  tray_->OnMouseExit = [this](ui::Component*) { events_.push_back("exit"); };
  desktop_.cursor_x = 10;
  Send(msg::kMouseMove);
  Send(msg::kMouseMove);
  desktop_.RunFor(100);  // the cursor rests over the icon
  EXPECT_EQ(events_, (Events{"enter"}));
  desktop_.cursor_x = 50;
  desktop_.RunFor(20);
  EXPECT_EQ(events_, (Events{"enter", "exit"}));
  desktop_.RunFor(100);
  Send(msg::kMouseMove);
  EXPECT_EQ(events_, (Events{"enter", "exit", "enter"}));
}

TEST_F(TrayTest, ErrorsFromShellMessagesTravelUpButNotFromTimerTicks) {
  Create();
  tray_->OnClick = [](ui::Component*) { throw Error("Fehler im Klick"); };
  Send(msg::kLButtonDown);
  EXPECT_THROW(Send(msg::kLButtonUp), Error);

  LogDblClick();
  Send(msg::kLButtonDown);
  Send(msg::kLButtonUp);
  EXPECT_NO_THROW(desktop_.RunFor(1000));  // the delayed click's error stays in the tick
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

TEST_F(TrayTest, IconDestroyedByItsOwnHandlerIsLeftAlone) {
  Create();
  tray_->OnMouseDown = [this](ui::Component*, TMouseButton, TShiftState, int, int) {
    delete tray_;
    tray_ = nullptr;
  };
  const uint32_t id = form_->tray->IconId();
  desktop_.SendMessage(handlers_.icons.Window(), kTrayCallbackMessage, id, msg::kRButtonDown);
  EXPECT_EQ(handlers_.icons.Window(), 0u);
  EXPECT_TRUE(desktop_.popup_menus.empty());
  form_->tray = nullptr;
}

TEST_F(TrayTest, UnknownIdentifiersAreIgnored) {
  Create();
  LogEvents();
  desktop_.SendMessage(HandlerWindow(), kTrayCallbackMessage, tray_->IconId() + 1,
                       msg::kRButtonDown);
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(desktop_.popup_menus.empty());
}

TEST_F(TrayTest, HiddenWindowRefusesToCloseAndAgreesToEndTheSession) {
  Create();
  for (uint32_t message : {msg::kClose, msg::kQueryEndSession, msg::kQuit, msg::kEndSession}) {
    EXPECT_EQ(desktop_.SendMessage(HandlerWindow(), message, 0, 0), 1) << message;
  }
  EXPECT_TRUE(desktop_.IsWindow(HandlerWindow()));
  EXPECT_EQ(desktop_.SendMessage(HandlerWindow(), msg::kUserChanged, 0, 0), 0);
  EXPECT_EQ(desktop_.common_controls_loads, 0);
}

TEST_F(TrayTest, OldNtShellReloadsTheCommonControlsOnEveryOtherUserChange) {
  desktop_.platform_id = 2;
  desktop_.major_version = 4;
  Create();
  ASSERT_TRUE(handlers_.icons.OldNtShell());
  auto user_changed = [this] {
    return desktop_.SendMessage(HandlerWindow(), msg::kUserChanged, 0, 0);
  };
  EXPECT_EQ(user_changed(), 1);  // only clears the start marker
  EXPECT_EQ(desktop_.common_controls_loads, 0);
  EXPECT_TRUE(desktop_.freed_modules.empty());
  EXPECT_EQ(user_changed(), 1);
  EXPECT_EQ(desktop_.common_controls_loads, 1);
  const platform::ModuleHandle module = handlers_.icons.ComCtlModule();
  EXPECT_EQ(user_changed(), 1);
  EXPECT_EQ(desktop_.freed_modules, (std::vector<platform::ModuleHandle>{module}));
  EXPECT_EQ(handlers_.icons.ComCtlModule(), 0u);
  EXPECT_EQ(user_changed(), 1);
  EXPECT_EQ(desktop_.common_controls_loads, 2);
}

// Each program brings its own handlers: a second one in the same process gets windows of its own
// on its own desktop, its icon's reports reach only its icon, and the first program's last icon
// going ends the first program only.
TEST_F(TrayTest, AnotherProgramInTheProcessKeepsHelperWindowsOfItsOwn) {
  Create();
  LogEvents();
  platform::SimSystem other_system;
  platform::SimDesktop other_desktop{other_system};
  ui::HeadlessPeerFactory other_peers;
  TrayHandlers other_handlers{other_desktop};
  ui::Application other_app(other_system, other_desktop, other_peers);
  TTrayIcon& other = *other_app.CreateForm<TrayForm>(other_handlers, nullptr).tray;
  int other_clicks = 0;
  other.OnClick = [&](ui::Component*) { ++other_clicks; };
  ASSERT_TRUE(other_desktop.IsWindow(other_handlers.icons.Window()));
  EXPECT_NE(other_desktop.ShellIcon(other_handlers.icons.Window(), other.IconId()), nullptr);

  for (uint32_t code : {msg::kLButtonDown, msg::kLButtonUp}) {
    other_desktop.SendMessage(other_handlers.icons.Window(), kTrayCallbackMessage, other.IconId(),
                              code);
  }
  EXPECT_EQ(other_clicks, 1);
  EXPECT_TRUE(events_.empty());

  delete tray_;
  tray_ = form_->tray = nullptr;
  EXPECT_TRUE(desktop_.QuitPending());
  EXPECT_FALSE(other_desktop.QuitPending());
  EXPECT_TRUE(other_desktop.IsWindow(other_handlers.icons.Window()));
  other.SetCycleIcons(true);
  other_desktop.RunFor(800);
  EXPECT_EQ(other.IconIndex(), 1);
}

TEST(IsOldNtShellTest, OnlyWindowsNt4AndOlder) {
  struct Case {
    uint32_t platform_id, major;
    bool old;
  };
  const Case cases[] = {{2, 3, true}, {2, 4, true}, {2, 5, false}, {2, 10, false}, {1, 4, false}};
  platform::SimSystem system;
  platform::SimDesktop desktop(system);
  for (const Case& c : cases) {
    desktop.platform_id = c.platform_id;
    desktop.major_version = c.major;
    EXPECT_EQ(IsOldNtShell(desktop), c.old) << c.platform_id << "." << c.major;
  }
}

}  // namespace
}  // namespace erm::tray
