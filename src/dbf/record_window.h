// A window of consecutive records read from the table file in one read, so that a walk asks the
// file once per window instead of once per record (on a network share every read is a round
// trip). When to read it, and what to do when it is refused, is the table's matter.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/system.h"

namespace erm::dbf {

class RecordWindow {
 public:
  // Room for `bytes` worth of whole records of `record_length`, at least one. The storage is
  // taken here, once per Open, so that walks allocate nothing.
  void Allocate(size_t bytes, size_t record_length);
  // How many records one window read covers at most; 1 means every record is read on its own.
  int64_t Capacity() const { return capacity_; }

  // Forgets what the window holds, so that the next visit reads the file afresh.
  void Drop();
  // The bytes of record `recno` when the window holds them, else nullptr.
  const uint8_t* Find(int64_t recno) const {
    const int64_t i = recno - first_;
    return first_ > 0 && i >= 0 && i < held_ ? storage_.data() + i * record_length_ : nullptr;
  }

  // Reads `count` records (at most Capacity) from record `first` on, which starts at `offset`,
  // with one read and keeps the whole records that came. False when another program's lock
  // refused the read: those records are then to be read one by one.
  bool Read(platform::File& file, uint64_t offset, int64_t first, int64_t count);
  // Forgets the records after record `last`.
  void KeepUpTo(int64_t last) { held_ = std::clamp<int64_t>(last - first_ + 1, 0, held_); }
  bool ReadsSingly(int64_t recno) const { return recno >= single_first_ && recno < single_end_; }

 private:
  std::vector<uint8_t> storage_;
  size_t record_length_ = 1;
  int64_t capacity_ = 1;
  int64_t first_ = 0;  // 0: the window holds nothing
  int64_t held_ = 0;
  int64_t single_first_ = 0;
  int64_t single_end_ = 0;
};

}  // namespace erm::dbf
