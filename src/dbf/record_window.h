// A window of consecutive records read from the table file in one read, so that a walk asks the
// file once per window instead of once per record (on a network share every read is a round
// trip). It only keeps bytes; when to read, and what a refused read means, is the table's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

  // Where a read of up to Capacity records from record `first` on goes; until Filled the window
  // holds nothing.
  uint8_t* Prepare(int64_t first);
  // The read brought `bytes`: the whole records among them, but none past record `last`.
  void Filled(size_t bytes, int64_t last);

  // Records `first` to `first + count - 1` are read one by one (their window read met a lock).
  void ReadSingly(int64_t first, int64_t count);
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
