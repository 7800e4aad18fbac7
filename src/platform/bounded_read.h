// A read of the planner that the program waits for only while the system keeps answering: the
// outcome the seam reports, and what the real systems share to run such a read on a worker
// thread. The clock and the thread belong to the seam, so the simulation runs the same read
// inline on virtual time.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

namespace erm::platform {

// How long one call to another computer may stay silent before the program takes the server for
// gone. A slow server answers every call, however many a read makes.
inline constexpr uint32_t kServerSilenceMs = 5000;

// A read handed to System::RunBounded. It must own whatever it touches apart from the System
// (captured by value or shared): one given up on goes on alone after its caller has moved on.
using BoundedRead = std::function<void()>;

enum class BoundedReadOutcome {
  kDone,      // ran to its end; what it threw, RunBounded has thrown again
  kNoAnswer,  // one of its calls stayed silent for the patience; it goes on without a waiter
  kNotTried,  // a read given up on earlier still hangs, so this one was not started
};

// Counts the calls to the system that have returned, from any thread, and wakes the thread that
// waits for the next one: the sign of life a bounded read is judged by.
class CallWatch {
 public:
  virtual ~CallWatch() = default;
  void Returned() {
    count_.fetch_add(1);
    Wake();
  }
  uint64_t Count() const { return count_.load(); }
  // Blocks until the count is no longer `seen`, at most `ms`; false when the time ran out first.
  virtual bool WaitForNext(uint64_t seen, uint32_t ms) = 0;

 protected:
  virtual void Wake() = 0;

 private:
  std::atomic<uint64_t> count_{0};
};

// Tells the watch when the call it is made in returns, by a value or by an error.
class CallReturns {
 public:
  explicit CallReturns(CallWatch& watch) : watch_(watch) {}
  ~CallReturns() { watch_.Returned(); }
  CallReturns(const CallReturns&) = delete;
  CallReturns& operator=(const CallReturns&) = delete;

 private:
  CallWatch& watch_;
};

// One read on a worker thread; the worker and the waiter share it, and the worker keeps it alive
// when the waiter has given up.
class WorkerRead {
 public:
  explicit WorkerRead(BoundedRead read) : read_(std::move(read)) {}

  // On the worker: runs the read, keeps what it threw, lets go of its captures and then tells
  // the watch, so that the waiter never sees it done while it still holds anything.
  void Run(CallWatch& watch);
  bool Done() const { return done_.load(); }
  // On the waiter, once done: throws again what the read threw.
  void RethrowFailure();

 private:
  BoundedRead read_;
  std::exception_ptr failure_;
  std::atomic<bool> done_{false};
};

// Waits for `read` until it is done or no call has returned for `silence_ms`.
BoundedReadOutcome AwaitWorkerRead(WorkerRead& read, CallWatch& watch, uint32_t silence_ms);

}  // namespace erm::platform
