// The numbers by which a helper window's messages name the objects it serves. The shell names a
// tray icon, and a window timer names itself, by a 32-bit number, narrower than an address on
// 64-bit Windows: each live object gets a number of its own, and a message finds it here.
#pragma once

#include <cstdint>
#include <limits>
#include <map>

namespace erm::tray {

template <typename T>
class IdRegistry {
 public:
  // A number no live object has, even after the counter wraps; 0 is left out so that no object
  // looks unset.
  uint32_t Add(T* item) {
    while (next_id_ == 0 || items_.count(next_id_) != 0)
      ++next_id_;
    const uint32_t id = next_id_++;
    items_[id] = item;
    return id;
  }
  void Remove(uint32_t id) { items_.erase(id); }
  // The live object with that number, or nullptr; a message parameter wider than any number we
  // hand out names no one.
  T* Find(std::uintptr_t id) const {
    if (id > std::numeric_limits<uint32_t>::max()) return nullptr;
    auto found = items_.find(static_cast<uint32_t>(id));
    return found == items_.end() ? nullptr : found->second;
  }
  uint32_t Count() const { return static_cast<uint32_t>(items_.size()); }

 private:
  uint32_t next_id_ = 1;
  std::map<uint32_t, T*> items_;
};

}  // namespace erm::tray
