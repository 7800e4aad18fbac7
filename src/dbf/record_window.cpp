#include "dbf/record_window.h"

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

bool RecordWindow::Read(platform::File& file, uint64_t offset, int64_t first, int64_t count) {
  Drop();
  size_t got = 0;
  const size_t size = static_cast<size_t>(count) * record_length_;
  if (file.ReadAt(offset, storage_.data(), size, &got) == platform::ReadStatus::kLocked) {
    single_first_ = first;
    single_end_ = first + count;
    return false;
  }
  first_ = first;
  held_ = static_cast<int64_t>(got / record_length_);
  return true;
}

}  // namespace erm::dbf
