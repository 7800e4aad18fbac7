// The simulated windowing system: the suite that every Desktop passes, then what only the sim
// has (its virtual clock and scheduled tasks, its records of calls, its answers for the shell).
#include "platform/sim/sim_desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop_conformance.h"
#include "platform/error.h"

namespace erm::platform {
namespace {

class SimDesktopHarness : public DesktopHarness {
 public:
  Desktop& desktop() override { return desktop_; }
  DesktopTraits traits() override { return {}; }
  void Wait(uint32_t ms) override { clock_.Advance(ms); }
  std::string TitleOf(WindowHandle window) override { return desktop_.WindowTitle(window); }
  IconHandle SomeIcon() override { return 0x1234; }

 private:
  SimSystem clock_;
  SimDesktop desktop_{clock_};
};

INSTANTIATE_TEST_SUITE_P(Sim, DesktopConformance,
                         ::testing::Values(DesktopImplementation{
                             "Sim", MakeDesktopHarness<SimDesktopHarness>}),
                         DesktopImplementationName);

struct Seen {
  uint32_t message;
  std::uintptr_t wparam;
  bool operator==(const Seen&) const = default;
};

class SimDesktopTest : public ::testing::Test {
 protected:
  // A message window that logs what reaches its procedure.
  WindowHandle LoggingWindow(std::vector<Seen>* log) {
    return desktop_.CreateMessageWindow([this, log](const WindowMessage& m) {
      log->push_back({m.message, m.wparam});
      return desktop_.DefWindowProc(m);
    });
  }
  // Runs a loop until `done`, as a modal dialog does.
  void NestedLoop(const bool& done) {
    WindowMessage message;
    int code = 0;
    while (!done && desktop_.GetMessage(&message, &code))
      desktop_.DispatchMessage(message);
  }

  SimSystem clock_;
  SimDesktop desktop_{clock_};
};

TEST_F(SimDesktopTest, UnhookingWhileAMessageRunsFreesTheHook) {
  const WindowHandle w = desktop_.CreateMessageWindow([](const WindowMessage&) { return 0; });
  const auto pass = [](const WindowMessage& m, const NextProc& next) { return next(m); };
  desktop_.HookWindow(w, pass);
  const HookId below = desktop_.HookWindow(w, pass);
  desktop_.HookWindow(w, [&](const WindowMessage& m, const NextProc& next) {
    desktop_.UnhookWindow(w, below);
    return next(m);
  });
  desktop_.SendMessage(w, msg::kUser, 0, 0);
  EXPECT_EQ(desktop_.HookCount(w), 2u);
}

TEST_F(SimDesktopTest, TimerTicksKeepTheirRhythmAndFoldWhileTheProgramIsBusy) {
  std::vector<uint64_t> ticks;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == msg::kTimer && m.wparam == 5) ticks.push_back(clock_.TickCount());
    return 0;
  });
  ASSERT_TRUE(desktop_.SetTimer(w, 5, 800));
  desktop_.RunFor(2500);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{800, 1600, 2400}));
  EXPECT_EQ(clock_.TickCount(), 2500u);

  // Busy for 2000 ms (a pause inside a handler): the periods that passed give one tick,
  // and the next one comes on the timer's old rhythm.
  ticks.clear();
  clock_.Sleep(2000);
  desktop_.RunFor(1000);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{4500, 4800}));
}

TEST_F(SimDesktopTest, ReArmingReplacesThePeriodAndKillingStopsTheTicks) {
  std::vector<uint64_t> ticks;
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == msg::kTimer) ticks.push_back(clock_.TickCount());
    return 0;
  });
  desktop_.SetTimer(w, 1, 800);
  desktop_.RunFor(500);
  desktop_.SetTimer(w, 1, 20);
  EXPECT_EQ(desktop_.TimerInterval(w, 1), 20u);
  desktop_.RunFor(50);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{520, 540}));
  EXPECT_TRUE(desktop_.KillTimer(w, 1));
  EXPECT_FALSE(desktop_.KillTimer(w, 1));
  desktop_.RunFor(1000);
  EXPECT_EQ(ticks.size(), 2u);
}

TEST_F(SimDesktopTest, EveryShowWindowIsRecorded) {
  std::vector<Seen> log;
  const WindowHandle w = LoggingWindow(&log);
  desktop_.ShowWindow(w, ShowCommand::kShow);
  desktop_.ShowWindow(w, ShowCommand::kShow);
  desktop_.ShowWindow(w, ShowCommand::kMinimize);
  ASSERT_EQ(desktop_.show_calls.size(), 3u);
  EXPECT_EQ(desktop_.show_calls[2].command, ShowCommand::kMinimize);
  EXPECT_EQ(desktop_.show_calls[2].window, w);
}

TEST_F(SimDesktopTest, ScheduledTasksActInsideANestedLoopAtTheirVirtualTime) {
  std::vector<std::string> events;
  bool dialog_closed = false;
  const WindowHandle dialog = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    if (m.message == msg::kUser) {
      events.push_back("button at " + std::to_string(clock_.TickCount()));
      dialog_closed = true;
    }
    return 0;
  });
  desktop_.Schedule(100, [&] {
    events.push_back("dialog opens");
    NestedLoop(dialog_closed);
    events.push_back("dialog closed at " + std::to_string(clock_.TickCount()));
  });
  desktop_.Schedule(300, [&] { desktop_.PostMessage(dialog, msg::kUser, 0, 0); });
  desktop_.RunFor(1000);
  EXPECT_EQ(events,
            (std::vector<std::string>{"dialog opens", "button at 300", "dialog closed at 300"}));
  EXPECT_EQ(clock_.TickCount(), 1000u);
}

TEST_F(SimDesktopTest, WaitingWithNothingThatCouldArriveIsAnError) {
  WindowMessage message;
  int code = 0;
  EXPECT_THROW(desktop_.GetMessage(&message, &code), Error);
  EXPECT_FALSE(desktop_.PeekMessage(&message));
}

TEST_F(SimDesktopTest, RunningStopsAtTheQuitAndLeavesItQueued) {
  std::vector<Seen> log;
  const WindowHandle w = LoggingWindow(&log);
  desktop_.SetTimer(w, 1, 10);
  clock_.Advance(10);
  desktop_.PostMessage(w, msg::kUser, 1, 0);
  desktop_.PostQuitMessage(3);
  EXPECT_FALSE(desktop_.RunPending()) << "stops at the quit";
  EXPECT_EQ(log, (std::vector<Seen>{{msg::kUser, 1}}));
  EXPECT_TRUE(desktop_.QuitPending());
  WindowMessage message;
  int code = 0;
  EXPECT_FALSE(desktop_.GetMessage(&message, &code));
  EXPECT_EQ(code, 3);
  EXPECT_FALSE(desktop_.QuitPending());
}

TEST_F(SimDesktopTest, BroadcastReachesEveryTopLevelWindow) {
  const uint32_t taskbar = desktop_.RegisterWindowMessage("TaskbarCreated");
  std::vector<Seen> first, second;
  LoggingWindow(&first);
  const WindowHandle app =
      desktop_.CreateApplicationWindow("A", 0, [&](const WindowMessage& m) -> intptr_t {
        second.push_back({m.message, m.wparam});
        return 0;
      });
  desktop_.BroadcastToTopLevel(taskbar);
  EXPECT_EQ(first, (std::vector<Seen>{{taskbar, 0}}));
  EXPECT_EQ(second, (std::vector<Seen>{{taskbar, 0}}));
  EXPECT_EQ(desktop_.KindOf(app), SimDesktop::WindowKind::kApplication);
}

TEST_F(SimDesktopTest, EveryForegroundChangeIsRecorded) {
  std::vector<Seen> log;
  const WindowHandle a = LoggingWindow(&log);
  const WindowHandle b = LoggingWindow(&log);
  desktop_.SetForegroundWindow(a);
  desktop_.SetForegroundWindow(b);
  desktop_.SetForegroundWindow(b);
  EXPECT_EQ(desktop_.foreground_calls, (std::vector<WindowHandle>{a, b, b}));
}

TEST_F(SimDesktopTest, AMessageBoxDisablesItsOwnerWhileItIsOpen) {
  const WindowHandle owner = desktop_.CreateMessageWindow([](const WindowMessage&) { return 0; });
  EXPECT_EQ(desktop_.MessageBox(owner, "Text", "Titel", kMbOk), kIdOk);
  bool enabled_while_open = true;
  desktop_.on_message_box = [&](const SimDesktop::MessageBoxCall& call) {
    enabled_while_open = desktop_.IsWindowEnabled(call.owner);
    return 2;
  };
  EXPECT_EQ(desktop_.MessageBox(owner, "Fehler", "Erinnerungsmodul", kMbIconError), 2);
  EXPECT_FALSE(enabled_while_open);
  EXPECT_TRUE(desktop_.IsWindowEnabled(owner));
  ASSERT_EQ(desktop_.message_boxes.size(), 2u);
  EXPECT_EQ(desktop_.message_boxes[1].flags, kMbIconError);

  EXPECT_EQ(desktop_.ShellExecute(owner, "open", "C:\\B\\Brevantoliske.exe", "", "",
                                  ShowCommand::kShowNormal),
            42);
  OpenFileRequest request;
  EXPECT_FALSE(desktop_.OpenFileDialog(owner, &request));
  EXPECT_EQ(desktop_.TrackPopupMenu(owner, {{"Erinnerungsmodul anzeigen"}}, 1, 2), -1);
  EXPECT_EQ(desktop_.popup_menus.size(), 1u);
}

TEST_F(SimDesktopTest, IconsAreCachedPerResourceAndSize) {
  const IconHandle a = desktop_.LoadIconResource(1, 16);
  EXPECT_NE(a, 0u);
  EXPECT_EQ(desktop_.LoadIconResource(1, 16), a);
  EXPECT_NE(desktop_.LoadIconResource(1, 32), a);
  EXPECT_NE(desktop_.LoadIconResource(2, 16), a);
  desktop_.missing_icon_resources.insert(3);
  EXPECT_EQ(desktop_.LoadIconResource(3, 16), 0u);
  EXPECT_EQ(desktop_.icon_loads.size(), 5u);
}

NotifyIconData IconRecord(WindowHandle window, uint32_t id, uint32_t flags, const char* tip) {
  NotifyIconData data;
  data.cb_size = 488;
  data.window = window;
  data.id = id;
  data.flags = flags;
  data.callback_message = 0x0800;
  data.icon = 0x1234;
  std::strncpy(data.tip, tip, sizeof data.tip - 1);
  return data;
}

TEST_F(SimDesktopTest, TheNotificationAreaCountsPresentIconsAndRecordsEveryCall) {
  const uint32_t basic = kNifMessage | kNifIcon | kNifTip;
  struct Row {
    NotifyIconOp op;
    uint32_t id;
    size_t present_after;
  };
  const std::vector<Row> rows = {
      {NotifyIconOp::kModify, 1, 0}, {NotifyIconOp::kAdd, 1, 1},    {NotifyIconOp::kAdd, 1, 1},
      {NotifyIconOp::kAdd, 2, 2},    {NotifyIconOp::kDelete, 1, 1}, {NotifyIconOp::kDelete, 1, 1},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    desktop_.NotifyIcon(rows[i].op, IconRecord(0x10000, rows[i].id, basic, "Hinweis"));
    EXPECT_EQ(desktop_.PresentIconCount(), rows[i].present_after) << "row " << i;
  }
  ASSERT_EQ(desktop_.notify_calls.size(), rows.size());
  EXPECT_EQ(desktop_.notify_calls[1].bytes.size(), 488u);
  EXPECT_TRUE(desktop_.notify_calls[1].result);
  EXPECT_FALSE(desktop_.notify_calls[2].result);

  desktop_.shell_running = false;
  EXPECT_FALSE(desktop_.NotifyIcon(NotifyIconOp::kModify, IconRecord(0x10000, 2, basic, "")));
  EXPECT_FALSE(desktop_.NotifyIcon(NotifyIconOp::kAdd, IconRecord(0x10000, 3, basic, "")));
  EXPECT_FALSE(desktop_.IconPresent(0x10000, 3));
}

TEST_F(SimDesktopTest, TheShellShowsOnlyTheFieldsACallsFlagsName) {
  desktop_.NotifyIcon(NotifyIconOp::kAdd, IconRecord(8, 1, kNifMessage | kNifIcon | kNifTip, "A"));
  NotifyIconData balloon = IconRecord(8, 1, kNifInfo, "ignored");
  std::strcpy(balloon.info, "Sie haben heute 2 Termin(e):");
  balloon.timeout = 60000;
  balloon.info_flags = 1;
  EXPECT_TRUE(desktop_.NotifyIcon(NotifyIconOp::kModify, balloon));
  const NotifyIconData* shown = desktop_.ShellIcon(8, 1);
  ASSERT_NE(shown, nullptr);
  EXPECT_STREQ(shown->tip, "A");
  EXPECT_STREQ(shown->info, "Sie haben heute 2 Termin(e):");
  EXPECT_EQ(shown->timeout, 60000u);
  EXPECT_EQ(shown->info_flags, 1u);
}

uint32_t Uint32At(const std::vector<uint8_t>& bytes, size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (uint32_t{bytes[offset + 3]} << 24);
}

TEST(NotifyIconData32Test, EveryFieldLandsAtItsOffset) {
  NotifyIconData data;
  data.cb_size = 488;
  data.window = static_cast<WindowHandle>(0x1122334455667788ull);
  data.id = 0xA1B2C3D4;
  data.flags = 0x17;
  data.callback_message = 0x0800;
  data.icon = 0x0BADF00D;
  std::memset(data.tip, 'T', sizeof data.tip);  // unterminated: the record still ends it
  data.state = 0x01020304;
  data.state_mask = 0x05060708;
  std::strcpy(data.info, "Text");
  data.timeout = 60000;
  std::memset(data.info_title, 'U', sizeof data.info_title - 1);
  data.info_flags = 3;

  const std::vector<uint8_t> bytes = SerializeNotifyIconData32(data);
  ASSERT_EQ(bytes.size(), 488u);
  struct Field {
    size_t offset;
    uint32_t value;
  };
  for (const Field& f : std::vector<Field>{{0, 488},
                                           {4, 0x55667788},
                                           {8, 0xA1B2C3D4},
                                           {12, 0x17},
                                           {16, 0x0800},
                                           {20, 0x0BADF00D},
                                           {152, 0x01020304},
                                           {156, 0x05060708},
                                           {416, 60000},
                                           {484, 3}}) {
    EXPECT_EQ(Uint32At(bytes, f.offset), f.value) << "offset " << f.offset;
  }
  EXPECT_EQ(bytes[4], 0x88) << "little-endian";
  EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 151), std::string(127, 'T'));
  EXPECT_EQ(bytes[151], 0);
  EXPECT_EQ(std::string(bytes.begin() + 160, bytes.begin() + 165), std::string("Text\0", 5));
  EXPECT_EQ(std::string(bytes.begin() + 420, bytes.begin() + 483), std::string(63, 'U'));
  EXPECT_EQ(bytes[483], 0);
}

}  // namespace
}  // namespace erm::platform
