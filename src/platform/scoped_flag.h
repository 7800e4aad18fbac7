// A flag that is set for the length of a scope and cleared at its end, also when the scope ends
// by an error: for "a scan runs now" and the like, which an exception must not leave set.
#pragma once

namespace erm::platform {

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = false; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace erm::platform
