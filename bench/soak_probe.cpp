// What the soak benchmark asks of the Windows side, beside what window_probe does for the tests:
//
//   soak_probe watch CLASS CAPTION CHILD_CLASS SECONDS
//       waits until a child of the class CHILD_CLASS shows in a visible window of the class CLASS
//       titled CAPTION and then until none shows (a scan's animation coming and going), polling
//       far more often than a probe can be started; prints "shown after MS ms, for MS ms", or
//       exits with 1 when that took longer than SECONDS
//   soak_probe handles CLASS CAPTION
//       prints what the program of the first window of the class CLASS titled CAPTION (visible
//       or not) holds: "handles N gdi N user N", its kernel handles and its GDI and USER objects
//
// Exits with 1 when no such window exists, 2 on a usage error.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[4096] = {};
  GetWindowTextW(window, text, 4096);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

struct Search {
  std::wstring window_class;
  std::wstring caption;
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (search->visible_only && !IsWindowVisible(window)) return TRUE;
  if (TextOf(window) != search->caption || ClassOf(window) != search->window_class) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> FindTopLevel(const std::wstring& window_class, const std::wstring& caption,
                               bool visible_only) {
  Search search{window_class, caption, visible_only, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

constexpr DWORD kWatchPollMs = 20;

struct ChildSearch {
  std::wstring window_class;
  bool found = false;
};

BOOL CALLBACK FindVisibleChild(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ChildSearch*>(context);
  if (!IsWindowVisible(window) || ClassOf(window) != search->window_class) return TRUE;
  search->found = true;
  return FALSE;
}

bool ShowsChildOfClass(const std::wstring& window_class, const std::wstring& caption,
                       const std::wstring& child_class) {
  ChildSearch search{child_class};
  for (HWND window : FindTopLevel(window_class, caption, true)) {
    EnumChildWindows(window, FindVisibleChild, reinterpret_cast<LPARAM>(&search));
    if (search.found) return true;
  }
  return false;
}

int WatchChild(const std::wstring& window_class, const std::wstring& caption,
               const std::wstring& child_class, int seconds) {
  const ULONGLONG started = GetTickCount64();
  const ULONGLONG deadline = started + static_cast<ULONGLONG>(seconds) * 1000;
  ULONGLONG shown_at = 0;
  bool seen = false;
  for (ULONGLONG now = started; now < deadline; now = GetTickCount64()) {
    const bool shows = ShowsChildOfClass(window_class, caption, child_class);
    if (shows && !seen) {
      seen = true;
      shown_at = now;
    } else if (!shows && seen) {
      std::printf("shown after %llu ms, for %llu ms\n", shown_at - started, now - shown_at);
      return 0;
    }
    Sleep(kWatchPollMs);
  }
  return 1;
}

// The system's handle table (SystemExtendedHandleInformation), of which one process's entries
// are counted.
struct HandleEntry {
  PVOID object;
  ULONG_PTR process_id;
  ULONG_PTR handle;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG attributes;
  ULONG reserved;
};
struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// -1 when the system does not list its handles.
long CountHandlesInSystemTable(DWORD process_id) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<unsigned char> buffer(1 << 20);
  LONG status = kStatusInfoLengthMismatch;
  for (int tries = 0; tries < 8 && status == kStatusInfoLengthMismatch; ++tries) {
    ULONG needed = 0;
    status = query(kSystemExtendedHandleInformation, buffer.data(),
                   static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch)
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
  }
  if (status < 0) return -1;
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  long count = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i) {
    if (table->entries[i].process_id == process_id) ++count;
  }
  return count;
}

// Wine 8 answers 0 handles from GetProcessHandleCount and 0 objects from GetGuiResources
// whatever the process holds; its handle table is filled, so the handles are counted there.
int PrintHandles(const std::wstring& window_class, const std::wstring& caption) {
  const std::vector<HWND> windows = FindTopLevel(window_class, caption, false);
  if (windows.empty()) return 1;
  DWORD process_id = 0;
  GetWindowThreadProcessId(windows.front(), &process_id);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id);
  if (process == nullptr) return 1;
  DWORD handles = 0;
  bool counted = GetProcessHandleCount(process, &handles) != 0;
  if (handles == 0) {
    const long listed = CountHandlesInSystemTable(process_id);
    counted = listed > 0;
    handles = counted ? static_cast<DWORD>(listed) : 0;
  }
  if (counted) {
    std::printf("handles %lu gdi %lu user %lu\n", handles, GetGuiResources(process, GR_GDIOBJECTS),
                GetGuiResources(process, GR_USEROBJECTS));
  }
  CloseHandle(process);
  return counted ? 0 : 1;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  int result = 2;
  if (verb == L"watch" && argc == 6) {
    result = WatchChild(argv[2], argv[3], argv[4], _wtoi(argv[5]));
  } else if (verb == L"handles" && argc == 4) {
    result = PrintHandles(argv[2], argv[3]);
  }
  LocalFree(argv);
  std::fflush(stdout);
  return result;
}
