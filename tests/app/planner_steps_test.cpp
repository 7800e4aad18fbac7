#include "app/planner_steps.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace erm::app {
namespace {

using Outcome = PlannerSteps::Outcome;

// What a step throws reaches the waiter, and a step of many pieces has the patience for each. (A
// step that does not return: the scan's tests on virtual time.)
TEST(PlannerStepsTest, AStepsFailureReachesTheWaiterAndEachPieceHasThePatience) {
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
}

}  // namespace
}  // namespace erm::app
