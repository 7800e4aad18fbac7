// Conversions between the seam's handles and Windows' own, shared by the files of the Windows
// desktop.
#pragma once

#include <string>

#include "platform/desktop.h"
#include "platform/win32/windows_api.h"

namespace erm::platform::win32 {

inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
inline WindowHandle FromHwnd(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}
inline const char* OrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

// Converts a looked-up export to its real type; `void (*)()` is the one function pointer type
// every other converts through without a warning.
template <typename Function>
Function ExportAs(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace erm::platform::win32
