// The windowing seam against the real Windows (Wine): windows, hooks, timers, the loop, errors
// out of window procedures, and the notification area.
#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/windows_api.h"

namespace erm::platform {
namespace {

constexpr uint32_t kPing = msg::kUser + 1;
constexpr std::uintptr_t kPumpTimer = 0x7001;
constexpr uint32_t kCallbackMessage = 0x0800;

class Win32DesktopTest : public ::testing::Test {
 protected:
  WindowHandle Window(std::vector<uint32_t>* log = nullptr) {
    return desktop_.CreateMessageWindow([this, log](const WindowMessage& m) {
      if (log != nullptr) log->push_back(m.message);
      return desktop_.DefWindowProc(m);
    });
  }

  // Runs the loop until `done` or until `timeout_ms` has passed; a short timer keeps GetMessage
  // from waiting longer than that.
  bool PumpUntil(const std::function<bool()>& done, uint64_t timeout_ms = 5000) {
    const WindowHandle pump = Window();
    desktop_.SetTimer(pump, kPumpTimer, 20);
    const uint64_t deadline = GetTickCount64() + timeout_ms;
    WindowMessage message;
    int code = 0;
    while (!done() && GetTickCount64() < deadline && desktop_.GetMessage(&message, &code)) {
      desktop_.DispatchMessage(message);
    }
    desktop_.DestroyWindow(pump);
    return done();
  }

  Win32Desktop desktop_;
};

TEST_F(Win32DesktopTest, TimerTicksReachAMessageWindow) {
  int ticks = 0;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == msg::kTimer && m.wparam == 42) ++ticks;
    return desktop_.DefWindowProc(m);
  });
  EXPECT_FALSE(desktop_.IsWindowVisible(w));
  ASSERT_TRUE(desktop_.SetTimer(w, 42, 10));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_TRUE(desktop_.KillTimer(w, 42));
  EXPECT_FALSE(desktop_.KillTimer(w, 42));
}

TEST_F(Win32DesktopTest, HooksSeeMessagesFirstAndPassThemOnChanged) {
  std::vector<std::string> order;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == kPing) order.push_back("proc " + std::to_string(m.wparam));
    return m.message == kPing ? 5 : desktop_.DefWindowProc(m);
  });
  const HookId older = desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message == kPing) order.push_back("older");
    return next(m);
  });
  const HookId newer = desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message != kPing) return next(m);
    order.push_back("newer");
    WindowMessage changed = m;
    changed.wparam = 2;
    return next(changed) + 1;
  });
  ASSERT_NE(older, 0u);
  ASSERT_NE(newer, 0u);
  EXPECT_EQ(desktop_.SendMessage(w, kPing, 1, 0), 6);
  EXPECT_EQ(order, (std::vector<std::string>{"newer", "older", "proc 2"}));

  order.clear();
  desktop_.UnhookWindow(w, newer);
  EXPECT_EQ(desktop_.SendMessage(w, kPing, 1, 0), 5);
  EXPECT_EQ(order, (std::vector<std::string>{"older", "proc 1"}));
}

TEST_F(Win32DesktopTest, DestroyingSendsBothDestroyMessagesThroughTheHook) {
  std::vector<uint32_t> proc_log, hook_log;
  const WindowHandle w = Window(&proc_log);
  desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    hook_log.push_back(m.message);
    return next(m);
  });
  proc_log.clear();
  desktop_.DestroyWindow(w);
  EXPECT_FALSE(desktop_.IsWindow(w));
  const auto has = [](const std::vector<uint32_t>& log, uint32_t message) {
    return std::find(log.begin(), log.end(), message) != log.end();
  };
  EXPECT_TRUE(has(proc_log, msg::kDestroy));
  EXPECT_TRUE(has(hook_log, msg::kDestroy));
  ASSERT_FALSE(proc_log.empty());
  EXPECT_EQ(proc_log.back(), msg::kNcDestroy);
  EXPECT_EQ(hook_log.back(), msg::kNcDestroy);
}

TEST_F(Win32DesktopTest, AnErrorInAWindowProcedureComesOutOfTheCallThatEnteredWindows) {
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) -> intptr_t {
    if (m.message == kPing) throw Error("Fehler im Handler");
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
  EXPECT_EQ(desktop_.SendMessage(w, msg::kNull, 0, 0), 0) << "nothing is left pending";
}

TEST_F(Win32DesktopTest, TheApplicationWindowHidesMinimisesAndRestores) {
  std::vector<std::uintptr_t> sizes;
  const WindowHandle app = desktop_.CreateApplicationWindow(
      "Erinnerungsmodul", 0, [&](const WindowMessage& m) { return desktop_.DefWindowProc(m); });
  desktop_.HookWindow(app, [&](const WindowMessage& m, const NextProc& next) {
    if (m.message == msg::kSize) sizes.push_back(m.wparam);
    return next(m);
  });
  char title[64] = {};
  GetWindowTextA(reinterpret_cast<HWND>(app), title, sizeof title);
  EXPECT_STREQ(title, "Erinnerungsmodul");

  EXPECT_FALSE(desktop_.ShowWindow(app, ShowCommand::kShow));
  EXPECT_TRUE(desktop_.IsWindowVisible(app));
  desktop_.ShowWindow(app, ShowCommand::kMinimize);
  EXPECT_TRUE(desktop_.IsIconic(app));
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), kSizeMinimized), sizes.end());
  EXPECT_TRUE(desktop_.ShowWindow(app, ShowCommand::kHide));
  EXPECT_FALSE(desktop_.IsWindowVisible(app));
  EXPECT_FALSE(desktop_.ShowWindow(app, ShowCommand::kRestore));
  EXPECT_TRUE(desktop_.IsWindowVisible(app));
  EXPECT_FALSE(desktop_.IsIconic(app));
  EXPECT_EQ(sizes.back(), kSizeRestored);
  desktop_.ShowWindow(app, ShowCommand::kHide);
}

TEST_F(Win32DesktopTest, EscInADialogLikeWindowArrivesAsTheCancelCommand) {
  std::vector<std::pair<uint32_t, std::uintptr_t>> seen;
  const WindowHandle form =
      desktop_.CreateApplicationWindow("Optionen", 0, [&](const WindowMessage& m) {
        if (m.message == WM_COMMAND || m.message == WM_KEYDOWN)
          seen.push_back({m.message, m.wparam});
        return desktop_.DefWindowProc(m);
      });
  desktop_.ShowWindow(form, ShowCommand::kShow);
  desktop_.SetForegroundWindow(form);
  SetActiveWindow(reinterpret_cast<HWND>(form));
  ASSERT_EQ(reinterpret_cast<WindowHandle>(GetActiveWindow()), form);
  const auto press_escape = [&] {
    desktop_.PostMessage(form, WM_KEYDOWN, VK_ESCAPE, 1);
    WindowMessage message;
    int code = 0;
    while (desktop_.PeekMessage(&message))
      desktop_.DispatchMessage(message);
    (void)code;
  };
  press_escape();
  desktop_.SetDialogNavigation(form, true);
  press_escape();
  desktop_.SetDialogNavigation(form, false);
  press_escape();
  const std::vector<std::pair<uint32_t, std::uintptr_t>> expected = {
      {WM_KEYDOWN, VK_ESCAPE}, {WM_COMMAND, IDCANCEL}, {WM_KEYDOWN, VK_ESCAPE}};
  EXPECT_EQ(seen, expected);
  desktop_.ShowWindow(form, ShowCommand::kHide);
}

TEST_F(Win32DesktopTest, ErrorsRaisedInsideAMessageBoxComeOutWhenItCloses) {
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) -> intptr_t {
    if (m.message == msg::kTimer && m.wparam == 1) {
      desktop_.KillTimer(m.window, 1);
      throw Error("im Meldungsfenster");
    }
    if (m.message == msg::kTimer && m.wparam == 2) {
      // The box's own loop delivers our timers; close it like the user would.
      if (HWND box = FindWindowA("#32770", "Erinnerungsmodul Test")) {
        desktop_.KillTimer(m.window, 2);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
    }
    return desktop_.DefWindowProc(m);
  });
  desktop_.SetTimer(w, 1, 10);
  desktop_.SetTimer(w, 2, 100);
  try {
    desktop_.MessageBox(0, "Text", "Erinnerungsmodul Test", kMbOk);
    ADD_FAILURE() << "MessageBox returned normally";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "im Meldungsfenster");
  }
}

TEST_F(Win32DesktopTest, APopupMenuClosedWithoutAChoiceAnswersMinusOne) {
  const WindowHandle owner = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    // The menu's own loop delivers our timers; end it as a click elsewhere would.
    if (m.message == msg::kTimer) {
      desktop_.KillTimer(m.window, 3);
      EndMenu();
    }
    return desktop_.DefWindowProc(m);
  });
  desktop_.SetTimer(owner, 3, 200);
  const std::vector<PopupMenuEntry> entries = {{"Erinnerungsmodul anzeigen", true}, {"-"}, {"B"}};
  EXPECT_EQ(desktop_.TrackPopupMenu(owner, entries, 10, 10), -1);
}

NotifyIconData TrayRecord(Win32Desktop& desktop, WindowHandle window) {
  NotifyIconData data;
  data.cb_size = desktop.NotifyIconDataSize();
  data.window = window;
  data.id = 1;
  data.flags = kNifMessage | kNifIcon | kNifTip;
  data.callback_message = kCallbackMessage;
  data.icon = reinterpret_cast<IconHandle>(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));
  std::strcpy(data.tip, "QX-Brevantoliske Erinnerungsmodul");
  return data;
}

TEST_F(Win32DesktopTest, TheNotificationAreaTakesAddModifyBalloonAndDelete) {
  const WindowHandle w = Window();
  NotifyIconData data = TrayRecord(desktop_, w);
  EXPECT_GE(desktop_.NotifyIconDataSize(), 488u);
  ASSERT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kAdd, data));
  std::strcpy(data.tip, "Anderer Hinweis");
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kModify, data));

  data.flags |= kNifInfo;
  std::strcpy(data.info_title, "Sie haben heute 1 Termin(e):");
  std::strcpy(data.info, "20240105 [Familie] Zahnarzt");
  data.timeout = 60000;
  data.info_flags = 1;
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kModify, data)) << "the balloon is accepted";

  data.flags = kNifMessage | kNifIcon | kNifTip;
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kDelete, data));
  // Wine answers TRUE to deleting an icon that is gone, so a second delete proves nothing.
}

TEST_F(Win32DesktopTest, TheSystemDescribesItself) {
  const uint32_t taskbar = desktop_.RegisterWindowMessage("TaskbarCreated");
  EXPECT_GE(taskbar, 0xC000u);
  EXPECT_EQ(desktop_.RegisterWindowMessage("TaskbarCreated"), taskbar);
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

}  // namespace
}  // namespace erm::platform
