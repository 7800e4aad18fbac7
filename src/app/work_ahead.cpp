#include "app/work_ahead.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace erm::app {

WorkAhead::WorkAhead(platform::System& system, size_t count, Work work)
    : count_(count), work_(std::move(work)), done_(count, 0), failures_(count) {
  if (count == 0 || !system.ConcurrentFileReads()) return;
  try {
    helper_ = std::thread([this] { Help(); });
  } catch (const std::system_error&) {
    // Without a second thread the owner does every item itself.
  }
}

WorkAhead::~WorkAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (helper_.joinable()) helper_.join();
}

void WorkAhead::Finish(size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!done_.at(index)) {
    // The owner asks in order, so what nobody has begun is this item or one after it.
    if (next_ < count_) {
      Do(lock, next_++, false);
    } else {
      WaitForCompletion(lock);
    }
  }
  if (std::exception_ptr failure = std::exchange(failures_[index], nullptr))
    std::rethrow_exception(failure);
}

void WorkAhead::WaitForCompletion(std::unique_lock<std::mutex>& lock) {
  // The item is on the second thread and nothing is left to begin, so its end is near. A thread
  // asleep on the condition runs again only once the system has woken its processor and
  // rescheduled it, which often takes longer than the item's rest: the wait spins a little
  // before it sleeps, as a critical section does.
  const uint64_t seen = completions_.load();
  lock.unlock();
  const auto until = std::chrono::steady_clock::now() + kSpin;
  while (completions_.load() == seen && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  lock.lock();
  done_changed_.wait(lock, [this, seen] { return completions_.load() != seen; });
}

void WorkAhead::Help() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_ && next_ < count_)
    Do(lock, next_++, true);
}

void WorkAhead::Do(std::unique_lock<std::mutex>& lock, size_t index, bool on_helper) {
  lock.unlock();
  std::exception_ptr failure;
  try {
    work_(index, on_helper);
  } catch (...) {
    // Anything thrown on the second thread must reach the owner, not end the program there.
    failure = std::current_exception();
  }
  lock.lock();
  failures_[index] = failure;
  done_[index] = 1;
  ++completions_;
  done_changed_.notify_all();
}

}  // namespace erm::app
