// The planner's input, one piece at a time (listing the konten folder, walking an account's
// table, reading an appointment file), on a thread of its own while the user-interface thread
// waits a bounded time for each: a server that has gone away (a VPN dropped, a laptop off the
// office network) keeps a call in the system for tens of seconds, and the program must neither
// freeze meanwhile nor be named by Windows as the one that prevents a logoff. A job may do
// several pieces, telling of each one done (its ticker), so that the waiter allows each piece
// the patience without a hand-over between threads for each. A job that outlasts the patience
// is left to end on its own; until it has, no other starts, so that never more than one is
// stuck.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace erm::app {

// How long the user-interface thread waits for one step.
inline constexpr uint32_t kStepPatienceMs = 5000;
// A patience that never ends, for what must read everything however long it takes.
inline constexpr uint32_t kUnlimitedPatience = 0xFFFFFFFFu;

class PlannerSteps {
 public:
  enum class Outcome {
    kDone,        // the step ran to its end (what it threw, Wait has thrown)
    kTimedOut,    // the step is still in the system; it goes on without a waiter
    kStillStuck,  // an earlier step has not returned yet, so this one was not started
  };

  explicit PlannerSteps(uint32_t patience_ms = kStepPatienceMs) : patience_ms_(patience_ms) {}
  // Waits for a step that is done or about to be; one still stuck in the system is left to the
  // process's end, which ends it.
  ~PlannerSteps();
  PlannerSteps(const PlannerSteps&) = delete;
  PlannerSteps& operator=(const PlannerSteps&) = delete;

  void SetPatience(uint32_t patience_ms) { patience_ms_ = patience_ms; }

  // Starts `step` on the worker, which must touch nothing the caller uses meanwhile: what it
  // reads and writes it owns or shares. False when an earlier step is still stuck.
  bool Start(std::function<void()> step);
  // Waits for the step started last, at most the patience since it began or last ticked; throws
  // again what it threw.
  Outcome Wait();
  // What a step calls after each piece of its work; a step may keep it.
  std::function<void()> Ticker() const;
  // Ends the thread when no step is on it, so that the program waiting in the tray keeps none;
  // a stuck step keeps its thread. The next Start makes a new one.
  void Retire();
  // Start, then Wait.
  Outcome Run(std::function<void()> step);

 private:
  // What the worker and the waiter share; the worker keeps it alive when the waiter is gone.
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> step;
    bool has_step = false;  // handed over, not yet taken
    bool busy = false;      // taken, not yet done
    bool stopping = false;
    uint64_t ticks = 0;
    std::exception_ptr failure;
  };
  static void Work(std::shared_ptr<Shared> shared);

  uint32_t patience_ms_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::thread worker_;
};

}  // namespace erm::app
