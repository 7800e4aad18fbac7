// A read position over a span of bytes that checks the bytes left before every read, so that a
// length or offset taken from a file can never lead outside the bytes that were read. Integers
// are little-endian, as the dBase header stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace erm::dbf {

class ByteCursor {
 public:
  // Every failed read throws Error(`failure`).
  ByteCursor(const uint8_t* data, size_t size, std::string failure)
      : data_(data), size_(size), failure_(std::move(failure)) {}

  size_t Size() const { return size_; }
  size_t Position() const { return position_; }
  size_t Left() const { return size_ - position_; }
  bool Has(size_t count) const { return count <= Left(); }

  void Seek(size_t position) {
    if (position > size_) Fail();
    position_ = position;
  }
  void Skip(size_t count) { Take(count); }

  uint8_t U8() { return *Take(1); }
  uint16_t Le16() {
    const uint8_t* p = Take(2);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t Le32() {
    const uint8_t* p = Take(4);
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }
  std::string_view Bytes(size_t count) {
    return std::string_view(reinterpret_cast<const char*>(Take(count)), count);
  }
  // The byte at `position` without moving; throws when there is none.
  uint8_t PeekAt(size_t position) const {
    if (position >= size_) Fail();
    return data_[position];
  }

 private:
  const uint8_t* Take(size_t count) {
    if (!Has(count)) Fail();
    const uint8_t* p = data_ + position_;
    position_ += count;
    return p;
  }
  [[noreturn]] void Fail() const { throw Error(failure_); }

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  std::string failure_;
};

}  // namespace erm::dbf
