// window_probe: reads and drives the windows of another program, for the end-to-end tests.
//
//   window_probe [--class CLASS] VERB CAPTION [ID]
//
// looks for top-level windows titled exactly CAPTION (and of the window class CLASS, if given):
//
//   texts CAPTION                     prints the class and text of every child of each visible
//                                     top-level window titled CAPTION, one "CLASS<TAB>TEXT" per
//                                     line (CR and LF in a text as \r and \n), in UTF-8
//   window_probe command CAPTION ID   posts the command ID (1 = OK, 2 = Cancel) to the first
//                                     visible window titled CAPTION
//   window_probe close CAPTION        posts the close message to the first window titled
//                                     CAPTION, visible or not
//   window_probe post CAPTION MSG     posts the message number MSG (wParam and lParam 0) to the
//                                     first window titled CAPTION, visible or not
//   window_probe hiddentexts CAPTION  as texts, for the windows titled CAPTION (any title: "*")
//                                     whether visible or not
//   window_probe rects CAPTION        prints where each visible top-level window titled CAPTION,
//                                     its client area and its visible children are on the
//                                     screen, one "KIND<TAB>CLASS<TAB>LEFT TOP RIGHT BOTTOM<TAB>
//                                     TEXT" per line, KIND being window, client or child
//
//   window_probe foreground           prints the class and title of the window in front,
//                                     "CLASS<TAB>TITLE"
//   window_probe endsession CAPTION   asks the program of the first window titled CAPTION
//                                     (visible or not) to end as an installer's restart manager
//                                     does: WM_QUERYENDSESSION, then WM_ENDSESSION, both with
//                                     ENDSESSION_CLOSEAPP, to each of its top-level windows;
//                                     waits for it to end and prints "exit CODE" (3: it
//                                     refused or was still running after a minute)
//   window_probe run COMMANDLINE      starts COMMANDLINE as Windows starts a Run value's
//                                     command, and returns at once
//
// Exits with 1 when no such window exists, 2 on a usage error.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

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

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

struct Search {
  std::wstring caption;
  std::wstring window_class;  // empty: any
  bool visible_only = true;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (search->visible_only && !IsWindowVisible(window)) return TRUE;
  if (search->caption != L"*" && TextOf(window) != search->caption) return TRUE;
  if (!search->window_class.empty() && ClassOf(window) != search->window_class) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

std::wstring g_window_class;

std::vector<HWND> FindTopLevel(const std::wstring& caption, bool visible_only) {
  Search search{caption, g_window_class, visible_only, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
  std::printf("%s\t%s\n", Utf8(ClassOf(window)).c_str(), Escaped(Utf8(TextOf(window))).c_str());
  return TRUE;
}

int PrintTexts(const std::wstring& caption, bool visible_only = true) {
  const std::vector<HWND> windows = FindTopLevel(caption, visible_only);
  for (HWND window : windows) {
    std::printf("window\t%s\n", Utf8(ClassOf(window)).c_str());
    EnumChildWindows(window, PrintChild, 0);
  }
  return windows.empty() ? 1 : 0;
}

void PrintRect(const char* kind, HWND window, const RECT& rect) {
  std::printf("%s\t%s\t%ld %ld %ld %ld\t%s\n", kind, Utf8(ClassOf(window)).c_str(), rect.left,
              rect.top, rect.right, rect.bottom, Escaped(Utf8(TextOf(window))).c_str());
}

void PrintWindowRect(const char* kind, HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  PrintRect(kind, window, rect);
}

BOOL CALLBACK PrintChildRect(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PrintWindowRect("child", window);
  return TRUE;
}

int PrintRects(const std::wstring& caption) {
  const std::vector<HWND> windows = FindTopLevel(caption, true);
  for (HWND window : windows) {
    PrintWindowRect("window", window);
    // The client area on the screen: what lies between it and the window's top edge is the
    // title bar and the menu bar.
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("client", window, client);
    EnumChildWindows(window, PrintChildRect, 0);
  }
  return windows.empty() ? 1 : 0;
}

int PrintForeground() {
  HWND window = GetForegroundWindow();
  if (window == nullptr) return 1;
  std::printf("%s\t%s\n", Utf8(ClassOf(window)).c_str(), Utf8(TextOf(window)).c_str());
  return 0;
}

int PostTo(const std::wstring& caption, bool visible_only, UINT message, WPARAM wparam) {
  const std::vector<HWND> windows = FindTopLevel(caption, visible_only);
  if (windows.empty()) return 1;
  return PostMessageW(windows.front(), message, wparam, 0) ? 0 : 1;
}

constexpr DWORD kEndSessionTimeoutMs = 5000;
constexpr DWORD kProcessEndTimeoutMs = 60000;

struct ProcessWindows {
  DWORD process = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ProcessWindows*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process) search->found.push_back(window);
  return TRUE;
}

// True when every window agreed; a window that does not answer in time counts as agreeing, as
// the restart manager goes on without it.
bool SendToAll(const std::vector<HWND>& windows, UINT message, WPARAM wparam) {
  bool agreed = true;
  for (HWND window : windows) {
    DWORD_PTR answer = 1;
    if (SendMessageTimeoutW(window, message, wparam, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                            kEndSessionTimeoutMs, &answer) &&
        answer == 0) {
      agreed = false;
    }
  }
  return agreed;
}

int EndSession(const std::wstring& caption) {
  const std::vector<HWND> windows = FindTopLevel(caption, false);
  if (windows.empty()) return 1;
  ProcessWindows search;
  GetWindowThreadProcessId(windows.front(), &search.process);
  HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, search.process);
  if (process == nullptr) return 1;
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  int result = 3;
  if (SendToAll(search.found, WM_QUERYENDSESSION, 0)) {
    SendToAll(search.found, WM_ENDSESSION, TRUE);
    DWORD code = 0;
    if (WaitForSingleObject(process, kProcessEndTimeoutMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process, &code)) {
      std::printf("exit %lu\n", code);
      result = 0;
    }
  } else {
    SendToAll(search.found, WM_ENDSESSION, FALSE);
  }
  CloseHandle(process);
  return result;
}

int Run(const std::wstring& command_line) {
  std::wstring writable = command_line;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return 1;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (args == nullptr) return 2;
  wchar_t** argv = args;
  if (argc >= 3 && std::wstring(argv[1]) == L"--class") {
    g_window_class = argv[2];
    argv += 2;
    argc -= 2;
  }
  const std::wstring verb = argc >= 2 ? argv[1] : L"";
  const std::wstring caption = argc >= 3 ? argv[2] : L"";
  int result = 2;
  if (verb == L"foreground" && argc == 2) {
    result = PrintForeground();
  } else if (verb == L"texts" && argc == 3) {
    result = PrintTexts(caption);
  } else if (verb == L"command" && argc == 4) {
    result = PostTo(caption, true, WM_COMMAND, static_cast<WPARAM>(_wtoi(argv[3])));
  } else if (verb == L"rects" && argc == 3) {
    result = PrintRects(caption);
  } else if (verb == L"close" && argc == 3) {
    result = PostTo(caption, false, WM_CLOSE, 0);
  } else if (verb == L"post" && argc == 4) {
    result = PostTo(caption, false, static_cast<UINT>(_wtoi(argv[3])), 0);
  } else if (verb == L"hiddentexts" && argc == 3) {
    result = PrintTexts(caption, false);
  } else if (verb == L"endsession" && argc == 3) {
    result = EndSession(caption);
  } else if (verb == L"run" && argc == 3) {
    result = Run(caption);
  }
  LocalFree(args);
  std::fflush(stdout);
  return result;
}
