#include "app/planner_steps.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace erm::app {
namespace {

using Outcome = PlannerSteps::Outcome;

// A step that does not return keeps the waiter no longer than the patience, and no other step
// starts until it has returned; what a step throws reaches the waiter.
TEST(PlannerStepsTest, AStuckStepCostsThePatienceOnceAndBlocksNoMoreThanItself) {
  PlannerSteps steps(200);
  int ran = 0;
  EXPECT_EQ(steps.Run([&] { ++ran; }), Outcome::kDone);
  EXPECT_EQ(ran, 1);
  EXPECT_THROW(steps.Run([] { throw std::runtime_error("Netzwerkpfad"); }), std::runtime_error);
  // Pieces that each tick within the patience may take longer together.
  EXPECT_EQ(steps.Run([tick = steps.Ticker()] {
    for (int piece = 0; piece < 6; ++piece) {
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
      tick();
    }
  }),
            Outcome::kDone);

  auto release = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = release->get_future().share();
  EXPECT_EQ(steps.Run([released] { released.wait(); }), Outcome::kTimedOut);
  EXPECT_EQ(steps.Run([&] { ++ran; }), Outcome::kStillStuck);
  EXPECT_EQ(ran, 1);
  release->set_value();
  // Once it has returned, the next step runs.
  Outcome outcome = Outcome::kStillStuck;
  for (int tries = 0; tries < 1000 && outcome == Outcome::kStillStuck; ++tries) {
    outcome = steps.Run([&] { ++ran; });
    if (outcome == Outcome::kStillStuck) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(outcome, Outcome::kDone);
  EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace erm::app
