// Whether the in-process tests run under Wine, for the few rules where Wine knowingly answers
// otherwise than Windows (scripts/wine-env lists them).
#pragma once

#include "platform/win32/windows_api.h"

namespace erm::testing {

inline bool IsWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace erm::testing
