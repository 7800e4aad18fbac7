// Work done ahead of the thread that needs it: a second thread takes items one after the other,
// in order, while the owner goes about its own business (the scan shows its progress and
// pauses between accounts), and the owner takes each item's result in its own order. When the
// owner needs an item nobody has begun, it does that item itself; while it waits for one the
// second thread is busy with, it does the next one nobody has begun, so that both threads work.
//
// Where the platform does not allow reads from another thread, and when no thread can be
// started, the owner does each item when it asks for it, in order.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/system.h"

namespace erm::app {

class WorkAhead {
 public:
  // Does item `index`: on the second thread when `on_helper` is true, else on the owner's. Each
  // item is done exactly once; what it throws is thrown again by Finish for that item.
  using Work = std::function<void(size_t index, bool on_helper)>;

  WorkAhead(platform::System& system, size_t count, Work work);
  // Lets the second thread end the item it is on, begins no other, and joins it.
  ~WorkAhead();
  WorkAhead(const WorkAhead&) = delete;
  WorkAhead& operator=(const WorkAhead&) = delete;

  // Returns once item `index` is done, doing it here when nobody has begun it.
  void Finish(size_t index);
  // Whether a second thread works ahead.
  bool Threaded() const { return helper_.joinable(); }

 private:
  void Help();
  // Returns once another item is done; called with the lock held, while the item is being done.
  void WaitForCompletion(std::unique_lock<std::mutex>& lock);
  // Does item `index` outside the lock and records it done.
  void Do(std::unique_lock<std::mutex>& lock, size_t index, bool on_helper);

  // How long the owner spins for an item on the second thread before it sleeps: longer than
  // waking a sleeping thread takes, short enough not to matter when an item takes seconds.
  static constexpr std::chrono::microseconds kSpin{1000};

  const size_t count_;
  const Work work_;
  std::mutex mutex_;
  std::condition_variable done_changed_;
  size_t next_ = 0;         // items below it are begun or done
  std::vector<char> done_;  // per item
  // Items done so far; read without the lock while the owner spins.
  std::atomic<uint64_t> completions_{0};
  std::vector<std::exception_ptr> failures_;
  bool stopping_ = false;
  std::thread helper_;  // last: it starts once everything above is there
};

}  // namespace erm::app
