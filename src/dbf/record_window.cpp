#include "dbf/record_window.h"

#include <algorithm>

namespace erm::dbf {

void RecordWindow::Allocate(size_t bytes, size_t record_length) {
  record_length_ = std::max<size_t>(record_length, 1);
  capacity_ = static_cast<int64_t>(std::max<size_t>(bytes / record_length_, 1));
  // A window of one record would only copy what a read of its own gives: none is kept.
  if (capacity_ > 1) storage_.assign(static_cast<size_t>(capacity_) * record_length_, 0);
  Drop();
}

void RecordWindow::Drop() {
  first_ = 0;
  held_ = 0;
  single_first_ = 0;
  single_end_ = 0;
}

uint8_t* RecordWindow::Prepare(int64_t first) {
  Drop();
  first_ = first;
  return storage_.data();
}

void RecordWindow::Filled(size_t bytes, int64_t last) {
  const int64_t whole = static_cast<int64_t>(bytes / record_length_);
  held_ = std::clamp<int64_t>(last - first_ + 1, 0, std::min(whole, capacity_));
}

void RecordWindow::ReadSingly(int64_t first, int64_t count) {
  Drop();
  single_first_ = first;
  single_end_ = first + count;
}

}  // namespace erm::dbf
