#include "app/work_ahead.h"

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
      done_changed_.wait(lock);
    }
  }
  if (std::exception_ptr failure = std::exchange(failures_[index], nullptr))
    std::rethrow_exception(failure);
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
  done_changed_.notify_all();
}

}  // namespace erm::app
