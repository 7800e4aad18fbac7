// The parts of the Windows desktop that reach the shell and the system: the notification area,
// the common controls and the system's version, icon resources, the shell's "open", message
// boxes, the file-open dialog and popup menus.
#include "platform/win32/win32_desktop.h"
#include "platform/win32/windows_api.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32_errors.h"
#include "platform/win32/win32_handles.h"

namespace erm::platform {
namespace {

using win32::ExportAs;
using win32::OrNull;
using win32::ThrowLastError;
using win32::ToHwnd;

// TrackPopupMenu answers 0 when nothing was chosen, so entry i carries command i + 1.
constexpr UINT kFirstMenuCommand = 1;
// The file-open dialog writes the chosen path into our buffer; with the Explorer-style dialog
// any length works, so leave room for long paths.
constexpr size_t kFileNameBuffer = 4096;

template <size_t N>
void CopyText(char (&to)[N], const char (&from)[N]) {
  std::memcpy(to, from, N);
  to[N - 1] = '\0';  // the shell reads up to the zero; an unterminated field would run over
}

UINT ToNotifyMessage(NotifyIconOp op) {
  switch (op) {
    case NotifyIconOp::kAdd:
      return NIM_ADD;
    case NotifyIconOp::kModify:
      return NIM_MODIFY;
    case NotifyIconOp::kDelete:
      return NIM_DELETE;
  }
  return NIM_MODIFY;
}

NOTIFYICONDATAA ToNotifyIconData(const NotifyIconData& data) {
  static_assert(sizeof NOTIFYICONDATAA{}.szTip == sizeof data.tip);
  static_assert(sizeof NOTIFYICONDATAA{}.szInfo == sizeof data.info);
  static_assert(sizeof NOTIFYICONDATAA{}.szInfoTitle == sizeof data.info_title);
  NOTIFYICONDATAA record{};
  // The record with balloon fields, laid out for this process's word size, whatever the caller
  // put into cb_size: the shell reads the fields by this size.
  record.cbSize = NOTIFYICONDATAA_V2_SIZE;
  record.hWnd = ToHwnd(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callback_message;
  record.hIcon = reinterpret_cast<HICON>(data.icon);
  CopyText(record.szTip, data.tip);
  record.dwState = data.state;
  record.dwStateMask = data.state_mask;
  CopyText(record.szInfo, data.info);
  record.uTimeout = data.timeout;
  CopyText(record.szInfoTitle, data.info_title);
  record.dwInfoFlags = data.info_flags;
  return record;
}

// "Text|*.ext|Text|*.ext" as the file dialog wants it: zero-separated, two zeros at the end.
std::string FilterList(const std::string& filter) {
  std::string list = filter;
  std::replace(list.begin(), list.end(), '|', '\0');
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

DWORD OpenFileFlags(const OpenFileRequest& request) {
  DWORD flags = OFN_EXPLORER;
  if (request.file_must_exist) flags |= OFN_FILEMUSTEXIST;
  if (request.path_must_exist) flags |= OFN_PATHMUSTEXIST;
  if (request.hide_read_only) flags |= OFN_HIDEREADONLY;
  if (request.resizable) flags |= OFN_ENABLESIZING;
  return flags;
}

// A menu handle that is destroyed however the call that uses it ends.
class PopupMenu {
 public:
  explicit PopupMenu(const std::vector<PopupMenuEntry>& entries) : menu_(CreatePopupMenu()) {
    if (menu_ == nullptr) ThrowLastError();
    UINT command = kFirstMenuCommand;
    bool has_default = false;
    for (const PopupMenuEntry& entry : entries) {
      AppendEntry(entry, command);
      // A menu shows one default item; the first one asked for wins.
      if (entry.is_default && !has_default) has_default = SetMenuDefaultItem(menu_, command, FALSE);
      ++command;
    }
  }
  ~PopupMenu() { DestroyMenu(menu_); }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU handle() const { return menu_; }

 private:
  void AppendEntry(const PopupMenuEntry& entry, UINT command) {
    if (entry.caption == "-") {
      AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
      return;
    }
    UINT flags = MF_STRING;
    if (!entry.enabled) flags |= MF_GRAYED;
    if (entry.checked) flags |= MF_CHECKED;
    AppendMenuA(menu_, flags, command, entry.caption.c_str());
  }

  HMENU menu_;
};

}  // namespace

// --- the notification area and the system ---

bool Win32Desktop::NotifyIcon(NotifyIconOp op, const NotifyIconData& data) {
  NOTIFYICONDATAA record = ToNotifyIconData(data);
  return Shell_NotifyIconA(ToNotifyMessage(op), &record) != FALSE;
}

uint32_t Win32Desktop::NotifyIconDataSize() {
  return NOTIFYICONDATAA_V2_SIZE;
}

uint32_t Win32Desktop::CommonControlsVersion() {
  // The library this process uses, which the manifest may have redirected to version 6.
  const HMODULE module = GetModuleHandleA("comctl32.dll");
  if (module == nullptr) return 0;
  const auto get_version = ExportAs<DLLGETVERSIONPROC>(GetProcAddress(module, "DllGetVersion"));
  if (get_version == nullptr) return 0;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(get_version(&info))) return 0;
  return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
}

void Win32Desktop::WindowsVersion(uint32_t* platform_id, uint32_t* major) {
  *platform_id = 0;
  *major = 0;
  // GetVersionExA reports what the manifest declares support for, not the system; ntdll's
  // RtlGetVersion tells the truth.
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto rtl_get_version =
      ntdll ? ExportAs<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (rtl_get_version != nullptr && rtl_get_version(&info) == 0) {
    *platform_id = info.dwPlatformId;
    *major = info.dwMajorVersion;
  }
}

ModuleHandle Win32Desktop::LoadCommonControls() {
  const HMODULE module = LoadLibraryA("comctl32.dll");
  if (module == nullptr) return 0;
  using InitFunction = void(WINAPI*)();
  if (const auto init = ExportAs<InitFunction>(GetProcAddress(module, "InitCommonControls"))) {
    init();
  }
  return reinterpret_cast<ModuleHandle>(module);
}

void Win32Desktop::FreeCommonControls(ModuleHandle module) {
  if (module != 0) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

QuietReason Win32Desktop::UserQuiet() {
  // The shell's answers (QUERY_USER_NOTIFICATION_STATE): 2 busy (a full-screen program), 3 a
  // Direct3D program full screen, 4 presentation mode, 6 quiet time (the first hour after a new
  // user's first logon). 7, a Store app running, says nothing of the user's wish and holds
  // nothing back. Looked up at run time: systems before Vista lack the function, and then
  // nothing holds notices back. Wine's function is a stub that always answers 5, accepts
  // notifications, so under Wine notices never wait.
  enum : int { kBusy = 2, kFullScreenDirect3D = 3, kPresentationMode = 4, kQuietTime = 6 };
  using QueryFunction = HRESULT(WINAPI*)(int*);
  const HMODULE shell = GetModuleHandleA("shell32.dll");
  const auto query =
      shell ? ExportAs<QueryFunction>(GetProcAddress(shell, "SHQueryUserNotificationState"))
            : nullptr;
  int state = 0;
  if (query == nullptr || FAILED(query(&state))) return QuietReason::kNone;
  switch (state) {
    case kBusy:
    case kFullScreenDirect3D:
      return QuietReason::kFullScreen;
    case kPresentationMode:
    case kQuietTime:
      return QuietReason::kPresentation;
    default:
      return QuietReason::kNone;
  }
}

IconHandle Win32Desktop::LoadIconResource(int resource_id, int size) {
  // Kept per resource and size: a caller that asks on every animation step must not use up
  // the process's handles.
  IconHandle& icon = icons_[{resource_id, size}];
  if (icon == 0) {
    icon = reinterpret_cast<IconHandle>(LoadImageA(GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(resource_id), IMAGE_ICON, size,
                                                   size, LR_DEFAULTCOLOR));
  }
  return icon;
}

// --- the shell and the common dialogs ---

std::intptr_t Win32Desktop::ShellExecute(WindowHandle owner, const std::string& verb,
                                         const std::string& file, const std::string& parameters,
                                         const std::string& directory, ShowCommand show) {
  const HINSTANCE result =
      ShellExecuteA(ToHwnd(owner), OrNull(verb), file.c_str(), OrNull(parameters),
                    OrNull(directory), static_cast<int>(show));
  RethrowPendingException();
  return reinterpret_cast<std::intptr_t>(result);
}

int Win32Desktop::MessageBox(WindowHandle owner, const std::string& text,
                             const std::string& caption, uint32_t flags) {
  const int result = MessageBoxA(ToHwnd(owner), text.c_str(), caption.c_str(), flags);
  RethrowPendingException();
  return result;
}

bool Win32Desktop::OpenFileDialog(WindowHandle owner, OpenFileRequest* request) {
  const std::string filter = FilterList(request->filter);
  std::vector<char> file_name(kFileNameBuffer, '\0');
  std::copy_n(request->file_name.begin(), std::min(request->file_name.size(), file_name.size() - 1),
              file_name.begin());
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = ToHwnd(owner);
  dialog.lpstrFilter = request->filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file_name.data();
  dialog.nMaxFile = static_cast<DWORD>(file_name.size());
  dialog.lpstrInitialDir = OrNull(request->initial_directory);
  dialog.lpstrTitle = OrNull(request->title);
  dialog.Flags = OpenFileFlags(*request);
  const bool chosen = GetOpenFileNameA(&dialog) != FALSE;
  // Cancelling leaves no error code; anything else means the dialog could not run at all.
  const DWORD failure = chosen ? 0 : CommDlgExtendedError();
  RethrowPendingException();
  if (failure != 0) {
    throw Error(
        "Der Dateiauswahldialog konnte nicht ge\xF6"
        "ffnet werden (Fehler " +
        std::to_string(failure) + ")");
  }
  if (chosen) request->file_name = file_name.data();
  return chosen;
}

int Win32Desktop::TrackPopupMenu(WindowHandle owner, const std::vector<PopupMenuEntry>& entries,
                                 int x, int y) {
  int command = 0;
  {
    const PopupMenu menu(entries);
    // Our window must be in the foreground while the menu is open, or the menu stays open
    // when the user clicks somewhere else.
    ::SetForegroundWindow(ToHwnd(owner));
    const UINT alignment = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    command = ::TrackPopupMenu(menu.handle(), alignment | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0,
                               ToHwnd(owner), nullptr);
    // Without a message to the owner after the menu, the next menu opened from the
    // notification area closes at once (a documented quirk of TrackPopupMenu).
    PostMessageA(ToHwnd(owner), WM_NULL, 0, 0);
  }
  RethrowPendingException();
  const int index = command - static_cast<int>(kFirstMenuCommand);
  return index >= 0 && index < static_cast<int>(entries.size()) ? index : -1;
}

}  // namespace erm::platform
