#include "tray/lite_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/error.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_system.h"

namespace erm::tray {
namespace {

// Records the virtual time of every tick it sees.
struct TickLog {
  explicit TickLog(platform::SimSystem* c) : clock(c) {}

  platform::SimSystem* clock;
  std::vector<uint64_t> ticks;
  bool fail = false;
  TLiteTimer* destroy_on_tick = nullptr;

  static void Tick(void* owner) {
    auto* log = static_cast<TickLog*>(owner);
    log->ticks.push_back(log->clock->TickCount());
    if (log->destroy_on_tick != nullptr) {
      delete log->destroy_on_tick;
      log->destroy_on_tick = nullptr;
    }
    if (log->fail) throw Error("Fehler im Takt");
  }
};

class LiteTimerTest : public ::testing::Test {
 protected:
  platform::SimSystem system_;
  platform::SimDesktop desktop_{system_};
  TLiteTimerHandler handler_{desktop_};
  TickLog log_{&system_};
};

TEST_F(LiteTimerTest, TicksEveryIntervalUntilDisarmed) {
  TLiteTimer timer(handler_, &log_, &TickLog::Tick);
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 0u);
  ASSERT_TRUE(timer.Arm(800));
  EXPECT_TRUE(timer.Enabled());
  desktop_.RunFor(2500);
  EXPECT_EQ(log_.ticks, (std::vector<uint64_t>{800, 1600, 2400}));
  EXPECT_TRUE(timer.Disarm());
  EXPECT_FALSE(timer.Enabled());
  desktop_.RunFor(2000);
  EXPECT_EQ(log_.ticks.size(), 3u);
}

TEST_F(LiteTimerTest, ArmingAgainStartsTheNewPeriodAfresh) {
  TLiteTimer timer(handler_, &log_, &TickLog::Tick);
  timer.Arm(800);
  desktop_.RunFor(1000);  // ticked at 800, next would be 1600
  ASSERT_TRUE(timer.Arm(20));
  EXPECT_EQ(timer.Interval(), 20u);
  desktop_.RunFor(50);
  EXPECT_EQ(log_.ticks, (std::vector<uint64_t>{800, 1020, 1040}));
  EXPECT_EQ(desktop_.TimerInterval(handler_.Window(), timer.Id()), 20u);
}

TEST_F(LiteTimerTest, DisarmingANeverArmedTimerFailsAndLeavesItDisabled) {
  TLiteTimer timer(handler_, &log_, &TickLog::Tick);
  EXPECT_FALSE(timer.Disarm());
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(LiteTimerTest, AFailedArmLeavesTheTimerDisabled) {
  desktop_.on_set_timer = [](platform::WindowHandle, std::uintptr_t, uint32_t) { return false; };
  TLiteTimer timer(handler_, &log_, &TickLog::Tick);
  EXPECT_FALSE(timer.Arm(100));
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 100u);
}

TEST_F(LiteTimerTest, HandlerWindowLivesFromTheFirstTimerToTheLast) {
  EXPECT_EQ(handler_.Window(), 0u);
  auto* first = new TLiteTimer(handler_, &log_, &TickLog::Tick);
  auto* second = new TLiteTimer(handler_, &log_, &TickLog::Tick);
  ASSERT_NE(handler_.Window(), 0u);
  EXPECT_EQ(handler_.RefCount(), 2u);
  const platform::WindowHandle window = handler_.Window();
  EXPECT_TRUE(desktop_.IsWindow(window));
  EXPECT_NE(first->Id(), second->Id());

  delete first;
  ASSERT_NE(handler_.Window(), 0u);
  EXPECT_EQ(handler_.RefCount(), 1u);
  delete second;
  EXPECT_EQ(handler_.Window(), 0u);
  EXPECT_FALSE(desktop_.IsWindow(window));

  TLiteTimer third(handler_, &log_, &TickLog::Tick);
  ASSERT_NE(handler_.Window(), 0u);
  EXPECT_NE(handler_.Window(), window);
  EXPECT_TRUE(third.Arm(10));
  desktop_.RunFor(10);
  EXPECT_EQ(log_.ticks.size(), 1u);
}

TEST_F(LiteTimerTest, ErrorInACallbackStaysInTheTickAndTheTimerGoesOn) {
  log_.fail = true;
  TLiteTimer timer(handler_, &log_, &TickLog::Tick);
  timer.Arm(100);
  EXPECT_NO_THROW(desktop_.RunFor(300));
  EXPECT_EQ(log_.ticks, (std::vector<uint64_t>{100, 200, 300}));
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(LiteTimerTest, ADestroyedTimerNeverTicksAgain) {
  TickLog other_log{&system_};
  TLiteTimer keeper(handler_, &other_log, &TickLog::Tick);  // keeps the handler window alive
  auto* timer = new TLiteTimer(handler_, &log_, &TickLog::Tick);
  timer->Arm(100);
  const uint32_t id = timer->Id();
  delete timer;
  EXPECT_FALSE(desktop_.HasTimer(handler_.Window(), id));
  // A stray tick for the identifier that is gone reaches no one.
  desktop_.SendMessage(handler_.Window(), platform::msg::kTimer, id, 0);
  desktop_.RunFor(500);
  EXPECT_TRUE(log_.ticks.empty());
}

TEST_F(LiteTimerTest, TimerDestroyedInItsOwnTickStopsCleanly) {
  TickLog other_log{&system_};
  TLiteTimer keeper(handler_, &other_log, &TickLog::Tick);
  auto* timer = new TLiteTimer(handler_, &log_, &TickLog::Tick);
  log_.destroy_on_tick = timer;
  timer->Arm(100);
  desktop_.RunFor(500);
  EXPECT_EQ(log_.ticks, (std::vector<uint64_t>{100}));
  EXPECT_EQ(handler_.RefCount(), 1u);
}

TEST_F(LiteTimerTest, ATimerWithoutCallbackTicksHarmlessly) {
  TLiteTimer timer(handler_, &log_, nullptr);
  timer.Arm(100);
  EXPECT_NO_THROW(desktop_.RunFor(300));
  EXPECT_TRUE(timer.Enabled());
}

}  // namespace
}  // namespace erm::tray
