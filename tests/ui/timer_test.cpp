#include "ui/timer.h"

#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

class TimerTest : public UiTest {
 protected:
  TimerTest() {
    timer_->SetEnabled(false);
    timer_->SetInterval(5000);
    timer_->OnTimer = [this](Component*) { ticks_.push_back(system_.TickCount()); };
  }

  TestForm& form_ = app_.CreateForm<TestForm>();
  Timer* timer_ = new Timer(&form_, "Timer1");
  std::vector<uint64_t> ticks_;
};

TEST_F(TimerTest, EnablingTheSameWayAgainDoesNotPostponeTheTick) {
  timer_->SetEnabled(true);
  desktop_.RunFor(3000);
  timer_->SetInterval(5000);
  timer_->SetEnabled(true);
  desktop_.RunFor(2000);
  EXPECT_EQ(ticks_, (std::vector<uint64_t>{5000}));
}

TEST_F(TimerTest, ChangingTheIntervalStartsTheCountdownAfresh) {
  timer_->SetInterval(3600000);
  timer_->SetEnabled(true);
  desktop_.RunFor(600000);
  timer_->SetInterval(5000);
  desktop_.RunFor(10000);
  EXPECT_EQ(ticks_, (std::vector<uint64_t>{605000, 610000}));
}

TEST_F(TimerTest, DisabledTimerStopsTickingAndEnablingCountsFromThen) {
  timer_->SetEnabled(true);
  desktop_.RunFor(4000);
  timer_->SetEnabled(false);
  EXPECT_FALSE(timer_->Running());
  desktop_.RunFor(10000);
  EXPECT_TRUE(ticks_.empty());
  timer_->SetEnabled(true);
  desktop_.RunFor(5000);
  EXPECT_EQ(ticks_, (std::vector<uint64_t>{19000}));
}

TEST_F(TimerTest, ZeroIntervalRunsNothing) {
  timer_->SetInterval(0);
  timer_->SetEnabled(true);
  EXPECT_FALSE(timer_->Running());
  EXPECT_EQ(desktop_.TimerCount(), 0u);
}

TEST_F(TimerTest, TimerThatCannotBeSetIsAnError) {
  desktop_.on_set_timer = [](platform::WindowHandle, std::uintptr_t, uint32_t) { return false; };
  EXPECT_THROW(timer_->SetEnabled(true), Error);
  EXPECT_FALSE(timer_->Running());
}

TEST_F(TimerTest, DestroyedTimerLeavesNoWindowTimer) {
  timer_->SetEnabled(true);
  delete timer_;
  EXPECT_EQ(desktop_.TimerCount(), 0u);
}

}  // namespace
}  // namespace erm::ui
