// The notification icon record in the byte layout of 32-bit Windows: every field little-endian,
// handles cut to their low 32 bits, the three texts at fixed offsets and always terminated.
#include <cstring>

#include "platform/desktop.h"

namespace erm::platform {
namespace {

constexpr size_t kRecordSize = 488;
constexpr size_t kTipOffset = 24;
constexpr size_t kInfoOffset = 160;
constexpr size_t kInfoTitleOffset = 420;

void PutUint32(std::vector<uint8_t>& out, size_t offset, uint64_t value) {
  for (size_t i = 0; i < 4; ++i)
    out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Copies a text field up to its first zero byte and leaves at least one zero at its end, so a
// caller's unterminated array cannot run into the next field.
template <size_t N>
void PutText(std::vector<uint8_t>& out, size_t offset, const char (&text)[N]) {
  const void* end = std::memchr(text, '\0', N - 1);
  const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - text) : N - 1;
  std::memcpy(out.data() + offset, text, length);
}

}  // namespace

std::vector<uint8_t> SerializeNotifyIconData32(const NotifyIconData& data) {
  std::vector<uint8_t> out(kRecordSize, 0);
  PutUint32(out, 0, data.cb_size);
  PutUint32(out, 4, data.window);
  PutUint32(out, 8, data.id);
  PutUint32(out, 12, data.flags);
  PutUint32(out, 16, data.callback_message);
  PutUint32(out, 20, data.icon);
  PutText(out, kTipOffset, data.tip);
  PutUint32(out, 152, data.state);
  PutUint32(out, 156, data.state_mask);
  PutText(out, kInfoOffset, data.info);
  PutUint32(out, 416, data.timeout);
  PutText(out, kInfoTitleOffset, data.info_title);
  PutUint32(out, 484, data.info_flags);
  return out;
}

}  // namespace erm::platform
