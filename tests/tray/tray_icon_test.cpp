#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tray/tray_fixture.h"

namespace erm::tray {
namespace {

using platform::NotifyIconOp;
using platform::ShowCommand;

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}
std::string TextAt(const std::vector<uint8_t>& bytes, size_t offset, size_t size) {
  std::string text(reinterpret_cast<const char*>(bytes.data() + offset), size);
  return text.substr(0, text.find('\0'));
}

TEST_F(TrayTest, StartsWithTheIconPresentShowingImageZeroAndTheHint) {
  Create();
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Shown()->icon, kImage0);
  EXPECT_STREQ(Shown()->tip, "QX-Brevantoliske Erinnerungsmodul");
  EXPECT_TRUE(tray_->IconVisible());
  EXPECT_FALSE(tray_->CycleIcons());
  EXPECT_EQ(desktop_.PresentIconCount(), 1u);
}

TEST_F(TrayTest, RecordLaysOutEveryFieldAtItsOffset) {
  Create();
  tray_->ShowBalloon("Heute 2 Termin(e)", "Arzt\r\nSitzung\r\n", TBalloonIconKind::biInfo, 60);
  const std::vector<uint8_t>& bytes = desktop_.notify_calls.back().bytes;
  ASSERT_EQ(bytes.size(), 488u);
  EXPECT_EQ(U32At(bytes, 0), 488u);
  EXPECT_EQ(U32At(bytes, 4), static_cast<uint32_t>(HandlerWindow()));
  EXPECT_EQ(U32At(bytes, 8), tray_->IconId());
  EXPECT_EQ(U32At(bytes, 12), 0x17u);
  EXPECT_EQ(U32At(bytes, 16), 0x0800u);
  EXPECT_EQ(U32At(bytes, 20), static_cast<uint32_t>(kImage0));
  EXPECT_EQ(TextAt(bytes, 24, 128), "QX-Brevantoliske Erinnerungsmodul");
  EXPECT_EQ(U32At(bytes, 152), 0u);
  EXPECT_EQ(U32At(bytes, 156), 0u);
  EXPECT_EQ(TextAt(bytes, 160, 256), "Arzt\r\nSitzung\r\n");
  EXPECT_EQ(U32At(bytes, 416), 60000u);
  EXPECT_EQ(TextAt(bytes, 420, 64), "Heute 2 Termin(e)");
  EXPECT_EQ(U32At(bytes, 484), 1u);
  // The next update carries no balloon.
  tray_->SetIconIndex(1);
  EXPECT_EQ(U32At(desktop_.notify_calls.back().bytes, 12), 7u);
}

TEST_F(TrayTest, IconIndexIsClampedToTheImageList) {
  struct Case {
    const char* name;
    int images;  // -1: no image list at all
    int index;
    int expected_index;
    platform::IconHandle expected_icon;
  };
  const Case cases[] = {
      {"two images, past the end", 2, 5, 1, kImage1},
      {"two images, second", 2, 1, 1, kImage1},
      {"two images, below zero", 2, -3, -3, 0},
      {"empty list", 0, 0, -1, 0},
      {"no list", -1, 5, 0, kImage0},  // the image shown before stays
  };
  Create();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tray_->SetIconList(form_->images);
    tray_->SetIconIndex(0);
    if (c.images == 0) form_->images->Clear();
    if (c.images < 0) tray_->SetIconList(nullptr);
    tray_->SetIconIndex(c.index);
    EXPECT_EQ(tray_->IconIndex(), c.expected_index);
    EXPECT_EQ(Shown()->icon, c.expected_icon);
    form_->images->Clear();
    form_->images->Add(kImage0);
    form_->images->Add(kImage1);
  }
}

TEST_F(TrayTest, CyclingAlternatesTheImagesEvery800Ms) {
  Create();
  std::vector<int> next_indexes;
  tray_->OnCycle = [&](ui::Component* sender, int next) {
    EXPECT_EQ(sender, tray_);
    next_indexes.push_back(next);
  };
  tray_->SetIconIndex(1);
  tray_->SetCycleIcons(true);
  std::vector<platform::IconHandle> shown{Shown()->icon};
  for (int i = 0; i < 3; ++i) {
    desktop_.RunFor(800);
    shown.push_back(Shown()->icon);
  }
  EXPECT_EQ(shown, (std::vector<platform::IconHandle>{kImage0, kImage1, kImage0, kImage1}));
  EXPECT_EQ(next_indexes, (std::vector<int>{1, 0, 1}));

  // Switching off leaves the image that was showing; the program then picks image 0.
  tray_->SetCycleIcons(false);
  desktop_.RunFor(2000);
  EXPECT_EQ(Shown()->icon, kImage1);
  EXPECT_EQ(next_indexes.size(), 3u);
  tray_->SetIconIndex(0);
  EXPECT_EQ(Shown()->icon, kImage0);
}

TEST_F(TrayTest, NewCycleIntervalRestartsCyclingFromImageZero) {
  Create();
  tray_->SetCycleIcons(true);
  desktop_.RunFor(800);
  EXPECT_EQ(tray_->IconIndex(), 1);
  tray_->SetCycleInterval(100);
  EXPECT_EQ(tray_->IconIndex(), 0);
  desktop_.RunFor(100);
  EXPECT_EQ(tray_->IconIndex(), 1);
}

TEST_F(TrayTest, ErrorInTheCycleHandlerDoesNotStopCycling) {
  Create();
  tray_->OnCycle = [](ui::Component*, int) { throw Error("kaputt"); };
  tray_->SetCycleIcons(true);
  EXPECT_NO_THROW(desktop_.RunFor(1600));
  EXPECT_TRUE(desktop_.message_boxes.empty());
}

TEST_F(TrayTest, CycleHandlerMayDestroyTheIcon) {
  Create();
  tray_->OnCycle = [this](ui::Component*, int) {
    delete tray_;
    tray_ = form_->tray = nullptr;
  };
  tray_->SetCycleIcons(true);
  EXPECT_NO_THROW(desktop_.RunFor(800));
  EXPECT_EQ(handlers_.icons.Window(), 0u);
  EXPECT_EQ(desktop_.PresentIconCount(), 0u);
}

TEST_F(TrayTest, BalloonFieldsAreCutToTheRecord) {
  Create();
  const std::string text(300, 't');
  const std::string title(100, 'T');
  EXPECT_TRUE(tray_->ShowBalloon(title, text, TBalloonIconKind::biWarning, 60));
  const platform::NotifyIconData& sent = desktop_.notify_calls.back().data;
  EXPECT_EQ(std::string(sent.info), std::string(255, 't'));
  EXPECT_EQ(std::string(sent.info_title), std::string(63, 'T'));
  EXPECT_EQ(sent.timeout, 60000u);
  EXPECT_EQ(sent.info_flags, 2u);
  EXPECT_EQ(tray_->NotifyData().flags, 7u);
}

TEST_F(TrayTest, SecondBalloonFirstClearsTheOneShowing) {
  Create();
  tray_->ShowBalloon("Eins", "erster Text", TBalloonIconKind::biInfo, 60);
  const size_t before = desktop_.notify_calls.size();
  tray_->ShowBalloon("Zwei", "zweiter", TBalloonIconKind::biError, 10);
  ASSERT_EQ(desktop_.notify_calls.size(), before + 2);
  const auto& clear = desktop_.notify_calls[before];
  const auto& show = desktop_.notify_calls[before + 1];
  EXPECT_EQ(clear.op, NotifyIconOp::kModify);
  EXPECT_EQ(clear.data.flags, 0x17u);
  EXPECT_STREQ(clear.data.info, "");
  EXPECT_STREQ(show.data.info, "zweiter");
  EXPECT_STREQ(show.data.info_title, "Zwei");
  EXPECT_EQ(show.data.timeout, 10000u);
  EXPECT_EQ(show.data.info_flags, 3u);
}

TEST_F(TrayTest, BalloonWhileTheIconIsAbsentFails) {
  Create();
  tray_->SetIconVisible(false);
  EXPECT_EQ(Shown(), nullptr);
  EXPECT_FALSE(tray_->ShowBalloon("Titel", "Text", TBalloonIconKind::biInfo, 60));
  EXPECT_EQ(tray_->NotifyData().flags, 7u);
}

TEST_F(TrayTest, HintIsCutAndAnEmptyOrHiddenHintGivesNoTooltip) {
  Create();
  tray_->SetHint(std::string(200, 'h'));
  EXPECT_EQ(tray_->Hint(), std::string(127, 'h'));
  EXPECT_EQ(std::string(Shown()->tip), std::string(127, 'h'));

  tray_->SetShowHint(false);
  EXPECT_EQ(std::string(Shown()->tip, 128), std::string(128, '\0'));
  tray_->SetShowHint(true);
  tray_->SetHint("");
  EXPECT_EQ(std::string(Shown()->tip, 128), std::string(128, '\0'));
}

TEST_F(TrayTest, AddingAPresentIconIsRefusedAndKeepsItVisible) {
  Create();
  EXPECT_FALSE(tray_->AddIcon());
  EXPECT_TRUE(tray_->IconVisible());
  desktop_.shell_running = false;
  tray_->SetIconVisible(false);  // the shell refuses; the state is kept all the same
  EXPECT_FALSE(tray_->IconVisible());
}

TEST_F(TrayTest, MinimizingHidesToTrayAndShowingRestoresTheTaskbarButton) {
  Create();
  ui::Form& main = *app_->MainForm();
  main.Show();
  ASSERT_TRUE(desktop_.IsWindowVisible(app_->Handle()));
  tray_->SetIconVisible(false);

  app_->Minimize();
  EXPECT_FALSE(main.Visible());
  EXPECT_FALSE(desktop_.IsWindowVisible(app_->Handle()));
  EXPECT_TRUE(tray_->IconVisible());
  EXPECT_NE(Shown(), nullptr);

  desktop_.foreground_calls.clear();
  desktop_.show_calls.clear();
  main.Show();
  EXPECT_TRUE(desktop_.IsWindowVisible(app_->Handle()));
  EXPECT_FALSE(desktop_.IsIconic(app_->Handle()));
  bool restored = false;
  for (const auto& call : desktop_.show_calls) {
    restored |= call.window == app_->Handle() && call.command == ShowCommand::kRestore;
  }
  EXPECT_TRUE(restored);
  ASSERT_GE(desktop_.foreground_calls.size(), 2u);
  EXPECT_EQ(desktop_.foreground_calls[0], app_->Handle());
  EXPECT_EQ(desktop_.foreground_calls[1], main.Handle());
  EXPECT_NE(Shown(), nullptr);
}

TEST_F(TrayTest, WithoutMinimizeToTrayMinimizingIsLeftToTheFramework) {
  Create([](TrayForm& form) { form.tray->SetMinimizeToTray(false); });
  app_->MainForm()->Show();
  app_->Minimize();
  EXPECT_TRUE(app_->MainForm()->Visible());
  EXPECT_TRUE(desktop_.IsIconic(app_->Handle()));
}

TEST_F(TrayTest, ShellRestartAddsTheVisibleIconAgain) {
  Create();
  const uint32_t taskbar_created = desktop_.RegisterWindowMessage("TaskbarCreated");
  tray_->SetHint("nach dem Neustart");
  // The restarted shell knows no icons.
  desktop_.NotifyIcon(NotifyIconOp::kDelete, tray_->NotifyData());
  ASSERT_EQ(Shown(), nullptr);
  desktop_.BroadcastToTopLevel(taskbar_created);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Shown()->icon, kImage0);
  EXPECT_STREQ(Shown()->tip, "nach dem Neustart");

  tray_->SetIconVisible(false);
  const size_t calls = desktop_.notify_calls.size();
  desktop_.BroadcastToTopLevel(taskbar_created);
  EXPECT_EQ(desktop_.notify_calls.size(), calls);
  EXPECT_EQ(Shown(), nullptr);
}

// The virtual times of the adds the icon makes from now until `until_ms`.
std::vector<uint64_t> AddTimes(platform::SimSystem& system, platform::SimDesktop& desktop,
                               uint64_t until_ms) {
  std::vector<uint64_t> times;
  const uint64_t start = system.TickCount();
  while (system.TickCount() - start < until_ms) {
    const size_t calls = desktop.notify_calls.size();
    desktop.RunFor(1000);
    for (size_t i = calls; i < desktop.notify_calls.size(); ++i) {
      if (desktop.notify_calls[i].op == NotifyIconOp::kAdd)
        times.push_back(system.TickCount() - start);
    }
  }
  return times;
}

TEST_F(TrayTest, RefusedAddIsTriedAgainAfter2sThenEvery10sForFiveMinutes) {
  struct Case {
    const char* name;
    int64_t ready_after_ms;  // when the notification area takes adds; -1: never
    std::vector<uint64_t> add_times;
  };
  std::vector<uint64_t> five_minutes;
  for (uint64_t t = 2000; t <= 300000; t += 10000)
    five_minutes.push_back(t);
  const Case cases[] = {{"ready at once: nothing to retry", 0, {}},
                        {"ready after 25 s", 25000, {2000, 12000, 22000, 32000}},
                        {"never ready: gives up", -1, five_minutes}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop_.refused_notify_ops.clear();
    if (c.ready_after_ms != 0) desktop_.refused_notify_ops.insert(NotifyIconOp::kAdd);
    if (c.ready_after_ms > 0) {
      desktop_.Schedule(c.ready_after_ms, [this] { desktop_.refused_notify_ops.clear(); });
    }
    Create();
    EXPECT_EQ(AddTimes(system_, desktop_, 3600000), c.add_times);
    EXPECT_EQ(Shown() != nullptr, c.ready_after_ms >= 0);
    EXPECT_TRUE(tray_->IconVisible());
    Destroy();
  }
}

TEST_F(TrayTest, UpdateOfAnIconTheShellHasLostAddsItAgain) {
  Create();
  desktop_.NotifyIcon(NotifyIconOp::kDelete, tray_->NotifyData());
  tray_->SetHint("wieder da");
  ASSERT_NE(Shown(), nullptr);
  EXPECT_STREQ(Shown()->tip, "wieder da");
  // A balloon comes with the add.
  desktop_.NotifyIcon(NotifyIconOp::kDelete, tray_->NotifyData());
  EXPECT_TRUE(tray_->ShowBalloon("Titel", "Text", TBalloonIconKind::biInfo, 60));
  ASSERT_NE(Shown(), nullptr);
  EXPECT_STREQ(Shown()->info, "Text");
}

// While the shell lacks the icon: a balloon waits for the add that succeeds, the cycling calls
// the shell no more than the retries do, and an update the shell takes ends the retries.
TEST_F(TrayTest, WhileTheShellLacksTheIconBalloonsWaitForTheAddAndCyclingIsSilent) {
  desktop_.refused_notify_ops.insert(NotifyIconOp::kAdd);
  Create();
  tray_->SetCycleIcons(true);
  EXPECT_FALSE(tray_->ShowBalloon("Heute 1 Termin(e)", "Zahnarzt", TBalloonIconKind::biInfo, 60));
  const size_t calls = desktop_.notify_calls.size();
  desktop_.RunFor(11000);
  ASSERT_EQ(desktop_.notify_calls.size(), calls + 1) << "only the retry after 2 s";
  EXPECT_EQ(desktop_.notify_calls.back().op, NotifyIconOp::kAdd);
  desktop_.refused_notify_ops.clear();
  desktop_.RunFor(2000);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_STREQ(Shown()->info, "Zahnarzt");
  Destroy();

  // A busy shell may report an add as failed that it did all the same.
  desktop_.refused_notify_ops.insert(NotifyIconOp::kAdd);
  Create();
  desktop_.refused_notify_ops.clear();
  desktop_.NotifyIcon(NotifyIconOp::kAdd, tray_->NotifyData());
  tray_->SetHint("angekommen");
  EXPECT_EQ(AddTimes(system_, desktop_, 600000), std::vector<uint64_t>{});
}

TEST_F(TrayTest, TaskbarCreatedLoadsTheFramesAtTheNotificationAreasNewSize) {
  constexpr int kFrame0 = 301, kFrame1 = 302;
  for (const bool icon_kept : {true, false}) {
    SCOPED_TRACE(icon_kept ? "DPI change, icons kept" : "shell restart at another DPI");
    desktop_.small_icon_size = 16;
    Create([&](TrayForm& form) {
      form.images->SetSize(16, 16);
      form.images->AddIconResource(kFrame0);
      form.images->AddIconResource(kFrame1);
      form.tray->SetIconIndex(1);
    });
    if (!icon_kept) desktop_.NotifyIcon(NotifyIconOp::kDelete, tray_->NotifyData());
    desktop_.small_icon_size = 24;
    desktop_.BroadcastToTopLevel(desktop_.RegisterWindowMessage("TaskbarCreated"));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(form_->images->Width(), 24);
    EXPECT_EQ(Shown()->icon, desktop_.LoadIconResource(kFrame1, 24));
    EXPECT_EQ(desktop_.notify_calls.back().op,
              icon_kept ? NotifyIconOp::kModify : NotifyIconOp::kAdd);
    Destroy();
  }
}

TEST_F(TrayTest, OldCommonControlsRegisterNoShellRestartMessage) {
  desktop_.common_controls_version = 0x00040046;
  Create();
  EXPECT_EQ(handlers_.icons.TaskbarCreatedMessage(), 0u);
  desktop_.NotifyIcon(NotifyIconOp::kDelete, tray_->NotifyData());
  desktop_.BroadcastToTopLevel(desktop_.RegisterWindowMessage("TaskbarCreated"));
  EXPECT_EQ(Shown(), nullptr);
}

TEST_F(TrayTest, StartupHandlerCanKeepTheMainFormHidden) {
  bool asked = false;
  Create([&](TrayForm& form) {
    form.tray->OnStartup = [&](ui::Component*, bool& show) {
      asked = true;
      show = false;
    };
  });
  EXPECT_TRUE(asked);
  EXPECT_FALSE(app_->ShowMainForm());
}

TEST_F(TrayTest, RemovedComponentsAreDropped) {
  Create();
  tray_->SetIconIndex(1);
  delete form_->images;
  EXPECT_EQ(tray_->IconList(), nullptr);
  EXPECT_EQ(tray_->IconIndex(), 0);
  delete form_->menu;
  EXPECT_EQ(tray_->PopupMenu(), nullptr);
  tray_->SetCycleIcons(true);
  EXPECT_NO_THROW(desktop_.RunFor(1000));
}

TEST_F(TrayTest, AnotherIconObjectIsShownAndFollowed) {
  Create();
  ui::Icon other;
  other.SetHandle(0x7777);
  tray_->SetIcon(&other);
  EXPECT_EQ(Shown()->icon, 0x7777u);
  other.SetHandle(0x8888);
  EXPECT_EQ(Shown()->icon, 0x8888u);
  tray_->SetIcon(nullptr);
  other.SetHandle(0x9999);
  EXPECT_EQ(Shown()->icon, kImage0);
}

TEST_F(TrayTest, DestroyingTheLastIconRemovesItUnhooksAndPostsAQuit) {
  Create();
  const platform::WindowHandle app_window = app_->Handle();
  const platform::WindowHandle handler_window = HandlerWindow();
  const size_t app_hooks = desktop_.HookCount(app_window);
  const platform::WindowHandle form_window = form_->Handle();
  const size_t form_hooks = desktop_.HookCount(form_window);
  tray_->SetCycleIcons(true);
  delete tray_;
  tray_ = nullptr;
  EXPECT_EQ(desktop_.PresentIconCount(), 0u);
  EXPECT_EQ(desktop_.notify_calls.back().op, NotifyIconOp::kDelete);
  EXPECT_EQ(desktop_.HookCount(app_window), app_hooks - 1);
  EXPECT_EQ(desktop_.HookCount(form_window), form_hooks - 1);
  EXPECT_EQ(handlers_.icons.Window(), 0u);
  EXPECT_EQ(handlers_.timers.Window(), 0u);
  EXPECT_FALSE(desktop_.IsWindow(handler_window));
  EXPECT_TRUE(desktop_.QuitPending());
  desktop_.BroadcastToTopLevel(desktop_.RegisterWindowMessage("TaskbarCreated"));
  EXPECT_EQ(desktop_.PresentIconCount(), 0u);
}

}  // namespace
}  // namespace erm::tray
