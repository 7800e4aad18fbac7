// The rules every Desktop keeps, as Windows keeps them: hook chains, timers and their place in
// the queue, the quit request, showing and destroying windows, errors out of procedures,
// registered messages and the notification area.
#include "platform/desktop_conformance.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"

namespace erm::platform {

WindowHandle DesktopConformance::LoggingWindow(Log* log, std::set<uint32_t> watched) {
  return desktop_.CreateMessageWindow([this, log, watched](const WindowMessage& m) {
    if (watched.count(m.message)) log->push_back({m.message, m.wparam});
    return desktop_.DefWindowProc(m);
  });
}

void DesktopConformance::LoggingHook(WindowHandle window, Log* log, std::set<uint32_t> watched) {
  desktop_.HookWindow(window, [log, watched](const WindowMessage& m, const NextProc& next) {
    if (watched.count(m.message)) log->push_back({m.message, m.wparam});
    return next(m);
  });
}

bool DesktopConformance::DispatchWaiting() {
  WindowMessage message;
  while (desktop_.PeekMessage(&message)) {
    if (message.message == msg::kQuit) return false;
    desktop_.DispatchMessage(message);
  }
  return true;
}

bool DesktopConformance::PumpUntil(const std::function<bool()>& done) {
  constexpr uint32_t kStep = 10;
  for (uint32_t waited = 0; waited < 10000 && !done(); waited += kStep) {
    DispatchWaiting();
    if (!done()) harness_->Wait(kStep);
  }
  return done();
}

namespace {

constexpr uint32_t kPing = msg::kUser + 1;
constexpr uint32_t kCallbackMessage = 0x0800;

// --- hooks ---

TEST_P(DesktopConformance, HooksRunNewestFirstAndPassMessagesOnChanged) {
  std::vector<std::string> order;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message != kPing) return desktop_.DefWindowProc(m);
    order.push_back("proc " + std::to_string(m.wparam));
    return std::intptr_t{5};
  });
  const auto hook = [&](const char* name, std::uintptr_t add, std::intptr_t result_add) {
    return desktop_.HookWindow(
        w, [&, name, add, result_add](const WindowMessage& m, const NextProc& next) {
          if (m.message != kPing) return next(m);
          order.push_back(name);
          WindowMessage changed = m;
          changed.wparam = m.wparam + add;
          return next(changed) + result_add;
        });
  };
  const HookId older = hook("older", 0, 0);
  const HookId newer = hook("newer", 1, 1);
  ASSERT_NE(older, 0u);
  ASSERT_NE(newer, 0u);
  EXPECT_EQ(desktop_.SendMessage(w, kPing, 1, 0), 6);
  EXPECT_EQ(order, (std::vector<std::string>{"newer", "older", "proc 2"}));

  order.clear();
  desktop_.UnhookWindow(w, newer);
  EXPECT_EQ(desktop_.SendMessage(w, kPing, 1, 0), 5);
  EXPECT_EQ(order, (std::vector<std::string>{"older", "proc 1"}));
}

TEST_P(DesktopConformance, UnhookingWhileAMessageRunsKeepsTheChain) {
  std::vector<std::string> order;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message != kPing) return desktop_.DefWindowProc(m);
    order.push_back("proc " + std::to_string(m.wparam));
    return std::intptr_t{7};
  });
  const auto logging = [&](const char* name) {
    return [&, name](const WindowMessage& m, const NextProc& next) {
      if (m.message == kPing) order.push_back(name);
      return next(m);
    };
  };
  desktop_.HookWindow(w, logging("a"));
  const HookId b = desktop_.HookWindow(w, logging("b"));
  desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message == kPing) order.push_back("c");
    if (m.message == kPing && m.wparam == 10) desktop_.UnhookWindow(w, b);  // the one below
    return next(m);
  });
  EXPECT_EQ(desktop_.SendMessage(w, kPing, 1, 0), 7);
  EXPECT_EQ(order, (std::vector<std::string>{"c", "b", "a", "proc 1"}));

  order.clear();
  desktop_.SendMessage(w, kPing, 10, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"c", "a", "proc 10"}));

  // A hook that takes itself out still passes its message on.
  order.clear();
  HookId self = 0;
  self = desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message != kPing) return next(m);
    order.push_back("self");
    desktop_.UnhookWindow(w, self);
    return next(m);
  });
  desktop_.SendMessage(w, kPing, 20, 0);
  desktop_.SendMessage(w, kPing, 30, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"self", "c", "a", "proc 20", "c", "a", "proc 30"}));
}

// --- timers, posted messages and the quit request ---

TEST_P(DesktopConformance, TimerTicksReachTheWindowUntilTheTimerIsKilled) {
  int ticks = 0;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == msg::kTimer && m.wparam == 42) ++ticks;
    return desktop_.DefWindowProc(m);
  });
  EXPECT_FALSE(desktop_.IsWindowVisible(w));
  EXPECT_FALSE(desktop_.KillTimer(w, 42)) << "not set yet";
  ASSERT_TRUE(desktop_.SetTimer(w, 42, 10));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_TRUE(desktop_.KillTimer(w, 42));
  EXPECT_FALSE(desktop_.KillTimer(w, 42));
  const int killed_at = ticks;
  harness_->Wait(50);
  DispatchWaiting();
  EXPECT_EQ(ticks, killed_at);
  EXPECT_FALSE(desktop_.SetTimer(0xDEAD, 1, 100)) << "no such window";
}

TEST_P(DesktopConformance, TimerTicksWaitUntilThePostedMessagesAreDone) {
  Log log;
  const WindowHandle w = LoggingWindow(&log, {msg::kUser, msg::kTimer});
  desktop_.SetTimer(w, 9, 100);
  harness_->Wait(150);
  desktop_.PostMessage(w, msg::kUser, 1, 0);
  desktop_.PostMessage(w, msg::kUser, 2, 0);
  DispatchWaiting();
  desktop_.KillTimer(w, 9);
  EXPECT_EQ(log, (Log{{msg::kUser, 1}, {msg::kUser, 2}, {msg::kTimer, 9}}));
}

TEST_P(DesktopConformance, QuitComesAfterTheEarlierPostsAndBeforeAnyTimer) {
  Log log;
  const WindowHandle w = LoggingWindow(&log, {msg::kUser, msg::kTimer});
  desktop_.SetTimer(w, 1, 10);
  harness_->Wait(50);
  desktop_.PostMessage(w, msg::kUser, 1, 0);
  desktop_.PostQuitMessage(3);
  WindowMessage message;
  int code = 0;
  while (desktop_.GetMessage(&message, &code))
    desktop_.DispatchMessage(message);
  EXPECT_EQ(code, 3);
  EXPECT_EQ(log, (Log{{msg::kUser, 1}})) << "no timer tick before the quit";
  desktop_.KillTimer(w, 1);

  // A loop that only peeks sees the quit as a message of its own.
  desktop_.PostQuitMessage(4);
  ASSERT_TRUE(desktop_.PeekMessage(&message));
  EXPECT_EQ(message.message, msg::kQuit);
  EXPECT_EQ(message.wparam, 4u);
  EXPECT_FALSE(desktop_.PeekMessage(&message)) << "the quit is taken once";
}

// --- showing, closing and destroying windows ---

TEST_P(DesktopConformance, ShowMinimiseAndRestoreSendTheMessagesWindowsSends) {
  Log log;
  const WindowHandle w =
      LoggingWindow(&log, {msg::kShowWindow, msg::kSize, msg::kWindowPosChanged});
  const Seen shown{msg::kShowWindow, 1}, hidden{msg::kShowWindow, 0};
  const Seen minimized{msg::kSize, kSizeMinimized}, restored{msg::kSize, kSizeRestored};
  const Seen moved{msg::kWindowPosChanged, 0};
  struct Row {
    ShowCommand command;
    bool was_visible;
    Log messages;
    bool visible, iconic;
  };
  // A change between minimised and restored shows a hidden window without the show message,
  // and the size message comes from the default handling of the position message.
  const std::vector<Row> rows = {
      {ShowCommand::kShow, false, {shown, moved}, true, false},
      {ShowCommand::kShow, true, {}, true, false},
      {ShowCommand::kMinimize, true, {moved, minimized}, true, true},
      {ShowCommand::kHide, true, {hidden, moved}, false, true},
      {ShowCommand::kHide, false, {}, false, true},
      {ShowCommand::kRestore, false, {moved, restored}, true, false},
      {ShowCommand::kRestore, true, {}, true, false},
      {ShowCommand::kHide, true, {hidden, moved}, false, false},
      {ShowCommand::kMinimize, false, {moved, minimized}, true, true},
      {ShowCommand::kShowNormal, true, {moved, restored}, true, false},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    log.clear();
    EXPECT_EQ(desktop_.ShowWindow(w, rows[i].command), rows[i].was_visible);
    EXPECT_EQ(log, rows[i].messages);
    EXPECT_EQ(desktop_.IsWindowVisible(w), rows[i].visible);
    EXPECT_EQ(desktop_.IsIconic(w), rows[i].iconic);
  }
  desktop_.ShowWindow(w, ShowCommand::kHide);
}

TEST_P(DesktopConformance, HidingFromAMinimiseHandlerNestsLikeMinimiseToTray) {
  const WindowHandle app = desktop_.CreateApplicationWindow(
      "Erinnerungsmodul", 0, [&](const WindowMessage& m) { return desktop_.DefWindowProc(m); });
  Log log;
  desktop_.HookWindow(app, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message == msg::kSize || m.message == msg::kShowWindow ||
        m.message == msg::kWindowPosChanged) {
      log.push_back({m.message, m.wparam});
    }
    if (m.message == msg::kSize && m.wparam == kSizeMinimized)
      desktop_.ShowWindow(app, ShowCommand::kHide);
    return next(m);
  });
  EXPECT_EQ(harness_->TitleOf(app), "Erinnerungsmodul");
  desktop_.ShowWindow(app, ShowCommand::kShow);
  EXPECT_TRUE(desktop_.IsWindowVisible(app));
  log.clear();
  desktop_.ShowWindow(app, ShowCommand::kMinimize);
  EXPECT_EQ(log, (Log{{msg::kWindowPosChanged, 0},
                      {msg::kSize, kSizeMinimized},
                      {msg::kShowWindow, 0},
                      {msg::kWindowPosChanged, 0}}));
  EXPECT_FALSE(desktop_.IsWindowVisible(app));
  EXPECT_TRUE(desktop_.IsIconic(app));
  EXPECT_FALSE(desktop_.ShowWindow(app, ShowCommand::kRestore));
  EXPECT_TRUE(desktop_.IsWindowVisible(app));
  EXPECT_FALSE(desktop_.IsIconic(app));
  EXPECT_EQ(log.back(), (Seen{msg::kSize, kSizeRestored}));
  desktop_.SetWindowTitle(app, "Anders");
  EXPECT_EQ(harness_->TitleOf(app), "Anders");
  desktop_.ShowWindow(app, ShowCommand::kHide);
}

TEST_P(DesktopConformance, DestroySendsBothDestroyMessagesThroughTheHooksThenForgetsTheWindow) {
  const std::set<uint32_t> watched = {msg::kDestroy, msg::kNcDestroy, msg::kUser, msg::kTimer};
  Log log, hooked;
  const WindowHandle w = LoggingWindow(&log, watched);
  LoggingHook(w, &hooked, watched);
  desktop_.SetTimer(w, 1, 100);
  desktop_.PostMessage(w, msg::kUser, 0, 0);
  desktop_.DestroyWindow(w);
  const Log expected = {{msg::kDestroy, 0}, {msg::kNcDestroy, 0}};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(hooked, expected);
  EXPECT_FALSE(desktop_.IsWindow(w));
  EXPECT_FALSE(desktop_.KillTimer(w, 1)) << "the timer went with the window";
  EXPECT_FALSE(desktop_.PostMessage(w, msg::kUser, 0, 0));
  EXPECT_EQ(desktop_.SendMessage(w, msg::kUser, 0, 0), 0);
  harness_->Wait(150);
  DispatchWaiting();
  EXPECT_EQ(log, expected) << "the message queued before the destruction is dropped";
  desktop_.DestroyWindow(w);  // twice is harmless
}

TEST_P(DesktopConformance, TheCloseMessageDestroysByDefault) {
  Log log;
  const WindowHandle w = LoggingWindow(&log, {msg::kClose, msg::kDestroy});
  desktop_.SendMessage(w, msg::kClose, 0, 0);
  EXPECT_EQ(log, (Log{{msg::kClose, 0}, {msg::kDestroy, 0}}));
  EXPECT_FALSE(desktop_.IsWindow(w));
  const WindowHandle other = LoggingWindow(&log, {});
  EXPECT_EQ(desktop_.DefWindowProc({other, msg::kQueryEndSession, 0, 0}), 1)
      << "the session may end";
}

TEST_P(DesktopConformance, ForegroundChangesActivateLikeWindows) {
  Log a_log, b_log;
  const WindowHandle a = LoggingWindow(&a_log, {msg::kActivate});
  const WindowHandle b = LoggingWindow(&b_log, {msg::kActivate});
  EXPECT_TRUE(desktop_.SetForegroundWindow(a));
  EXPECT_TRUE(desktop_.SetForegroundWindow(b));
  EXPECT_TRUE(desktop_.SetForegroundWindow(b));
  EXPECT_EQ(a_log, (Log{{msg::kActivate, kActivateActive}, {msg::kActivate, kActivateInactive}}));
  EXPECT_EQ(b_log, (Log{{msg::kActivate, kActivateActive}}));
  EXPECT_EQ(desktop_.GetForegroundWindow(), b);
  EXPECT_FALSE(desktop_.SetForegroundWindow(0xDEAD));
}

// --- errors out of window procedures ---

TEST_P(DesktopConformance, ErrorsFromProceduresComeOutOfTheCallThatEnteredTheSystem) {
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) -> intptr_t {
    if (m.message == kPing || m.message == msg::kShowWindow) throw Error("Fehler im Handler");
    return desktop_.DefWindowProc(m);
  });
  bool after_next = false;
  desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    const std::intptr_t result = next(m);
    if (m.message == kPing) after_next = true;
    return result;
  });

  ASSERT_TRUE(desktop_.PostMessage(w, kPing, 0, 0));
  WindowMessage message;
  int code = 0;
  ASSERT_TRUE(desktop_.GetMessage(&message, &code));
  EXPECT_EQ(message.message, kPing);
  try {
    desktop_.DispatchMessage(message);
    ADD_FAILURE() << "DispatchMessage returned normally";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "Fehler im Handler");
  }
  EXPECT_FALSE(after_next) << "the error travels through the hook as through plain C++";
  EXPECT_THROW(desktop_.SendMessage(w, kPing, 0, 0), Error);
  EXPECT_THROW(desktop_.DispatchMessage({w, kPing, 0, 0}), Error);
  EXPECT_EQ(desktop_.SendMessage(w, msg::kNull, 0, 0), 0) << "nothing is left pending";

  // The remaining messages of the call still go out before the error comes back.
  Log hooked;
  LoggingHook(w, &hooked, {msg::kShowWindow, msg::kWindowPosChanged});
  EXPECT_THROW(desktop_.ShowWindow(w, ShowCommand::kShow), Error);
  EXPECT_EQ(hooked, (Log{{msg::kShowWindow, 1}, {msg::kWindowPosChanged, 0}}));
  EXPECT_TRUE(desktop_.IsWindowVisible(w));
  desktop_.DestroyWindow(w);
}

TEST_P(DesktopConformance, AThrowingDestroyHandlerStillLosesItsWindow) {
  std::vector<uint32_t> seen;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) -> intptr_t {
    if (m.message == msg::kDestroy || m.message == msg::kNcDestroy) seen.push_back(m.message);
    if (m.message == msg::kDestroy) throw Error("kaputt");
    return desktop_.DefWindowProc(m);
  });
  EXPECT_THROW(desktop_.DestroyWindow(w), Error);
  EXPECT_EQ(seen, (std::vector<uint32_t>{msg::kDestroy, msg::kNcDestroy}));
  EXPECT_FALSE(desktop_.IsWindow(w));
}

// --- what the system says about itself ---

TEST_P(DesktopConformance, RegisteredMessagesAreStableAndIgnoreCase) {
  const uint32_t taskbar = desktop_.RegisterWindowMessage("TaskbarCreated");
  EXPECT_GE(taskbar, 0xC000u);
  EXPECT_EQ(desktop_.RegisterWindowMessage("TaskbarCreated"), taskbar);
  EXPECT_EQ(desktop_.RegisterWindowMessage("taskbarcreated"), taskbar);
  EXPECT_NE(desktop_.RegisterWindowMessage("Anderes"), taskbar);
}

TEST_P(DesktopConformance, AProgramMayAskToBeStartedAgainAfterAnUpdate) {
  EXPECT_TRUE(desktop_.RegisterRestartAfterUpdate());
}

TEST_P(DesktopConformance, AnApplicationWindowAnswersTheRequestOfAnotherStart) {
  const uint32_t request = desktop_.RegisterWindowMessage("Erinnerungsmodul.Test.Anzeigen");
  const uint32_t unknown = desktop_.RegisterWindowMessage("Erinnerungsmodul.Test.Unbekannt");
  EXPECT_FALSE(desktop_.SendToApplicationWindows(request));  // no window yet
  int asked = 0;
  const WindowHandle app =
      desktop_.CreateApplicationWindow("Test", 0, [&](const WindowMessage& m) -> std::intptr_t {
        if (m.message != request) return desktop_.DefWindowProc(m);
        ++asked;
        return 1;
      });
  EXPECT_TRUE(desktop_.AllowMessageFromLowerPrograms(app, request));
  EXPECT_TRUE(desktop_.SendToApplicationWindows(request));
  EXPECT_EQ(asked, 1);
  // The system's own handling answers 0: not an answer.
  EXPECT_FALSE(desktop_.SendToApplicationWindows(unknown));
  desktop_.DestroyWindow(app);
}

TEST_P(DesktopConformance, TheSystemDescribesItself) {
  EXPECT_GE(desktop_.CommonControlsVersion(), (4u << 16) | 71u);
  uint32_t platform_id = 0, major = 0;
  desktop_.WindowsVersion(&platform_id, &major);
  EXPECT_EQ(platform_id, 2u);
  EXPECT_GE(major, 5u);
  EXPECT_GT(desktop_.DoubleClickTime(), 0u);
  int x = -1, y = -1;
  EXPECT_TRUE(desktop_.GetCursorPos(&x, &y));
  const ModuleHandle module = desktop_.LoadCommonControls();
  EXPECT_NE(module, 0u);
  desktop_.FreeCommonControls(module);
}

// --- the notification area ---

TEST_P(DesktopConformance, TheNotificationAreaKeepsTrackOfPresentIcons) {
  const WindowHandle w = LoggingWindow(nullptr, {});
  const auto record = [&](uint32_t id) {
    NotifyIconData data;
    data.cb_size = desktop_.NotifyIconDataSize();
    data.window = w;
    data.id = id;
    data.flags = kNifMessage | kNifIcon | kNifTip;
    data.callback_message = kCallbackMessage;
    data.icon = harness_->SomeIcon();
    std::strcpy(data.tip, "QX-Brevantoliske Erinnerungsmodul");
    return data;
  };
  EXPECT_GE(desktop_.NotifyIconDataSize(), 488u);
  EXPECT_FALSE(desktop_.NotifyIcon(NotifyIconOp::kModify, record(1))) << "absent";
  ASSERT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kAdd, record(1)));
  EXPECT_FALSE(desktop_.NotifyIcon(NotifyIconOp::kAdd, record(1))) << "already present";
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kAdd, record(2)));

  NotifyIconData data = record(1);
  std::strcpy(data.tip, "Anderer Hinweis");
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kModify, data));
  data.flags |= kNifInfo;
  std::strcpy(data.info_title, "Sie haben heute 1 Termin(e):");
  std::strcpy(data.info, "20240105 [Familie] Zahnarzt");
  data.timeout = 60000;
  data.info_flags = 1;
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kModify, data)) << "the balloon is accepted";

  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kDelete, record(1)));
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kDelete, record(2)));
  if (harness_->traits().deleting_an_absent_icon_fails) {
    EXPECT_FALSE(desktop_.NotifyIcon(NotifyIconOp::kDelete, record(1)));
  }
}

}  // namespace
}  // namespace erm::platform
