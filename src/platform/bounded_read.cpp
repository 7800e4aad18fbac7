#include "platform/bounded_read.h"

#include <utility>

namespace erm::platform {

void WorkerRead::Run(CallWatch& watch) {
  try {
    read_();
  } catch (...) {
    // Anything thrown here must reach the waiter, not end the program on this thread.
    failure_ = std::current_exception();
  }
  read_ = nullptr;
  done_ = true;
  watch.Returned();
}

void WorkerRead::RethrowFailure() {
  if (std::exception_ptr failure = std::exchange(failure_, nullptr))
    std::rethrow_exception(failure);
}

BoundedReadOutcome AwaitWorkerRead(WorkerRead& read, CallWatch& watch, uint32_t silence_ms) {
  uint64_t seen = watch.Count();
  while (!read.Done()) {
    if (!watch.WaitForNext(seen, silence_ms)) {
      if (read.Done()) break;
      return BoundedReadOutcome::kNoAnswer;
    }
    seen = watch.Count();
  }
  read.RethrowFailure();
  return BoundedReadOutcome::kDone;
}

}  // namespace erm::platform
