#include "app/planner_steps.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace erm::app {

PlannerSteps::~PlannerSteps() {
  if (!worker_.joinable()) return;
  bool stuck = false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
    stuck = shared_->busy;
  }
  shared_->changed.notify_all();
  // Joining a thread stuck in a network call would hang the program's end for as long.
  if (stuck) {
    worker_.detach();
  } else {
    worker_.join();
  }
}

bool PlannerSteps::Start(std::function<void()> step) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->busy || shared_->has_step) return false;
    shared_->step = std::move(step);
    shared_->has_step = true;
    shared_->failure = nullptr;
  }
  if (!worker_.joinable()) {
    try {
      worker_ = std::thread(Work, shared_);
    } catch (const std::system_error&) {
      // Without a thread the step runs here, unbounded, as it always did.
      std::function<void()> here;
      {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        here = std::move(shared_->step);
        shared_->has_step = false;
      }
      try {
        here();
      } catch (...) {
        shared_->failure = std::current_exception();
      }
      return true;
    }
  }
  shared_->changed.notify_all();
  return true;
}

PlannerSteps::Outcome PlannerSteps::Wait() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  for (;;) {
    const uint64_t ticks = shared_->ticks;
    const bool moved =
        shared_->changed.wait_for(lock, std::chrono::milliseconds(patience_ms_), [this, ticks] {
          return (!shared_->has_step && !shared_->busy) || shared_->ticks != ticks;
        });
    if (!moved) return Outcome::kTimedOut;
    if (!shared_->has_step && !shared_->busy) break;
  }
  if (std::exception_ptr failure = std::exchange(shared_->failure, nullptr))
    std::rethrow_exception(failure);
  return Outcome::kDone;
}

void PlannerSteps::Retire() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->busy || shared_->has_step) return;
    shared_->stopping = true;
  }
  shared_->changed.notify_all();
  worker_.join();
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->stopping = false;
}

std::function<void()> PlannerSteps::Ticker() const {
  return [shared = shared_] {
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      ++shared->ticks;
    }
    shared->changed.notify_all();
  };
}

PlannerSteps::Outcome PlannerSteps::Run(std::function<void()> step) {
  if (!Start(std::move(step))) return Outcome::kStillStuck;
  return Wait();
}

void PlannerSteps::Work(std::shared_ptr<Shared> shared) {
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->changed.wait(lock, [&] { return shared->has_step || shared->stopping; });
    if (!shared->has_step) return;
    std::function<void()> step = std::move(shared->step);
    shared->has_step = false;
    shared->busy = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      step();
    } catch (...) {
      // Anything thrown here must reach the waiter, not end the program on this thread.
      failure = std::current_exception();
    }
    // The step's captures go before the waiter hears of its end.
    step = nullptr;
    lock.lock();
    shared->failure = failure;
    shared->busy = false;
    shared->changed.notify_all();
  }
}

}  // namespace erm::app
