// The seam to the windowing system: windows and their messages, window hooks, timers, the message
// loop, the notification area, the shell, message boxes, the file-open dialog and popup menus.
// Win32Desktop drives the real thing; SimDesktop runs the same code deterministically for tests,
// with a message queue whose timers run on the virtual clock of SimSystem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace erm::platform {

using WindowHandle = std::uintptr_t;  // 0 means none
using IconHandle = std::uintptr_t;    // 0 means none
using ModuleHandle = std::uintptr_t;  // 0 means none

struct WindowMessage {
  WindowHandle window = 0;
  uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

// Message numbers as Windows numbers them, for the messages the program looks at.
namespace msg {
inline constexpr uint32_t kNull = 0x0000;
inline constexpr uint32_t kDestroy = 0x0002;
inline constexpr uint32_t kSize = 0x0005;
inline constexpr uint32_t kActivate = 0x0006;
inline constexpr uint32_t kClose = 0x0010;
inline constexpr uint32_t kQueryEndSession = 0x0011;
inline constexpr uint32_t kQuit = 0x0012;
inline constexpr uint32_t kEndSession = 0x0016;
inline constexpr uint32_t kShowWindow = 0x0018;
// Broadcast to top-level windows; lParam names the changed area ("intl": the regional formats).
inline constexpr uint32_t kSettingChange = 0x001A;
inline constexpr uint32_t kTimeChange = 0x001E;
inline constexpr uint32_t kWindowPosChanged = 0x0047;
inline constexpr uint32_t kUserChanged = 0x0054;
inline constexpr uint32_t kNcDestroy = 0x0082;
inline constexpr uint32_t kTimer = 0x0113;
inline constexpr uint32_t kMouseMove = 0x0200;
inline constexpr uint32_t kLButtonDown = 0x0201;
inline constexpr uint32_t kLButtonUp = 0x0202;
inline constexpr uint32_t kLButtonDblClk = 0x0203;
inline constexpr uint32_t kRButtonDown = 0x0204;
inline constexpr uint32_t kRButtonUp = 0x0205;
inline constexpr uint32_t kRButtonDblClk = 0x0206;
inline constexpr uint32_t kMButtonDown = 0x0207;
inline constexpr uint32_t kMButtonUp = 0x0208;
inline constexpr uint32_t kMButtonDblClk = 0x0209;
inline constexpr uint32_t kPowerBroadcast = 0x0218;
// To a window registered with RegisterSessionNotification; wParam says what happened.
inline constexpr uint32_t kWtsSessionChange = 0x02B1;
inline constexpr uint32_t kUser = 0x0400;
// Shell notifications about balloons, as the icon's callback message carries them in lParam.
inline constexpr uint32_t kBalloonShow = 0x0402;
inline constexpr uint32_t kBalloonHide = 0x0403;
inline constexpr uint32_t kBalloonTimeout = 0x0404;
inline constexpr uint32_t kBalloonUserClick = 0x0405;
}  // namespace msg

// The power broadcast's events (wParam): going to sleep, and back after it.
inline constexpr std::uintptr_t kPbtSuspend = 0x0004;
inline constexpr std::uintptr_t kPbtResumeSuspend = 0x0007;
inline constexpr std::uintptr_t kPbtResumeAutomatic = 0x0012;
// The session change's events (wParam).
inline constexpr std::uintptr_t kWtsSessionLock = 0x0007;
inline constexpr std::uintptr_t kWtsSessionUnlock = 0x0008;

inline constexpr std::uintptr_t kSizeRestored = 0;
inline constexpr std::uintptr_t kSizeMinimized = 1;
inline constexpr std::uintptr_t kActivateInactive = 0;
inline constexpr std::uintptr_t kActivateActive = 1;
inline constexpr std::uintptr_t kActivateClickActive = 2;

enum class ShowCommand : int {
  kHide = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShow = 5,
  kMinimize = 6,
  kShowNoActivate = 8,
  kRestore = 9,
};

// Virtual-key codes for IsKeyDown.
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;

// A window's own procedure. What it does not handle itself it passes to Desktop::DefWindowProc
// and returns that result: on Windows a procedure that answers 0 to everything keeps a window
// from being created, shown, restored or closed, and blocks the user's log-off.
using WindowProc = std::function<std::intptr_t(const WindowMessage&)>;
// A hook sees a window's messages before the window's procedure (and before hooks installed
// earlier). It passes a message on, changed or not, by calling `next`, whose result it usually
// returns.
using NextProc = std::function<std::intptr_t(const WindowMessage&)>;
using WindowHook = std::function<std::intptr_t(const WindowMessage&, const NextProc& next)>;
using HookId = std::uint32_t;

enum class NotifyIconOp : uint32_t { kAdd = 0, kModify = 1, kDelete = 2 };
inline constexpr uint32_t kNifMessage = 0x01;
inline constexpr uint32_t kNifIcon = 0x02;
inline constexpr uint32_t kNifTip = 0x04;
inline constexpr uint32_t kNifInfo = 0x10;

// Why the user is not to be disturbed, as the shell's notification state says.
enum class QuietReason {
  kNone,
  // Presentation mode, or the quiet time after a new user's first logon: chosen for as long as
  // they last.
  kPresentation,
  // A full-screen program (busy, or Direct3D in full screen): a state a user may work in all day.
  kFullScreen,
};

// The shell's notification icon record, with the balloon fields, independent of word size.
struct NotifyIconData {
  uint32_t cb_size = 0;
  WindowHandle window = 0;
  uint32_t id = 0;
  uint32_t flags = 0;
  uint32_t callback_message = 0;
  IconHandle icon = 0;
  char tip[128] = {};
  uint32_t state = 0;
  uint32_t state_mask = 0;
  char info[256] = {};
  uint32_t timeout = 0;  // milliseconds
  char info_title[64] = {};
  uint32_t info_flags = 0;  // 0 none, 1 information, 2 warning, 3 error
};

// The 488-byte layout of the record on 32-bit Windows (handles as 4 bytes), which is what
// SimDesktop records, so tests can check every offset.
std::vector<uint8_t> SerializeNotifyIconData32(const NotifyIconData& data);

// Message box flags and results, as Windows numbers them.
inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbIconError = 0x00000010;
inline constexpr int kIdOk = 1;

struct OpenFileRequest {
  std::string title;
  std::string filter;  // "Description|pattern" pairs, "|"-separated
  std::string initial_directory;
  std::string file_name;  // in: the name shown at first; out: the file chosen
  bool file_must_exist = true;
  bool path_must_exist = true;
  bool hide_read_only = true;
  bool resizable = true;
};

struct PopupMenuEntry {
  std::string caption;  // "-" is a separator
  bool is_default = false;
  bool enabled = true;
  bool checked = false;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // --- windows ---
  // A zero-size, never-shown top-level tool window that only receives messages.
  virtual WindowHandle CreateMessageWindow(WindowProc proc) = 0;
  // The hidden top-level window that carries the program's taskbar button (shown with zero size
  // while any of the program's windows is visible) and owns the program's other windows.
  virtual WindowHandle CreateApplicationWindow(const std::string& title, IconHandle icon,
                                               WindowProc proc) = 0;
  virtual void SetWindowTitle(WindowHandle window, const std::string& title) = 0;
  // Sends the destroy messages to the window's procedure, then removes the window.
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;
  // The system's own handling of a message (closing a window on the close message, agreeing to
  // end the session, painting, and so on).
  virtual std::intptr_t DefWindowProc(const WindowMessage& message) = 0;

  // Installs a hook in front of the window's procedure (and in front of earlier hooks).
  virtual HookId HookWindow(WindowHandle window, WindowHook hook) = 0;
  // Takes a hook out again, wherever it stands in the chain.
  virtual void UnhookWindow(WindowHandle window, HookId hook) = 0;

  virtual std::intptr_t SendMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                                    std::intptr_t lparam) = 0;
  virtual bool PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) = 0;
  virtual void PostQuitMessage(int exit_code) = 0;
  virtual uint32_t RegisterWindowMessage(const std::string& name) = 0;

  // Returns whether the window was visible before.
  virtual bool ShowWindow(WindowHandle window, ShowCommand command) = 0;
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual bool IsIconic(WindowHandle window) = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  virtual void SetFocus(WindowHandle window) = 0;
  // Makes the window's taskbar button flash until the window is activated (true), or stops it.
  virtual void FlashWindow(WindowHandle window, bool flash) = 0;
  // Returns whether the window was disabled before, as Windows does.
  virtual bool EnableWindow(WindowHandle window, bool enable) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) = 0;

  // --- one program per user session ---
  // Takes `name` for this program in the user's session; false when a running program holds it
  // already. The name stays taken until this process ends.
  virtual bool ClaimSessionName(const std::string& name) = 0;
  // Sends the message to the application windows of this program's other copies on the
  // session's desktop, hidden ones too, waiting a moment for each, and lets the one that answers
  // bring its window to the foreground. True when one answered with a result other than 0;
  // false when none has its window yet, or none answered in time.
  virtual bool SendToApplicationWindows(uint32_t message) = 0;
  // Lets the message reach the window from programs of a lower integrity level too (the user's
  // start of a second copy while this one runs elevated), which Windows' message filter drops
  // otherwise. False when the system refuses.
  virtual bool AllowMessageFromLowerPrograms(WindowHandle window, uint32_t message) = 0;
  // Asks the system to start this program again, without arguments, after an installer has
  // ended it to replace its files; not after a crash, a hang or a restart of the system. False
  // when the system cannot.
  virtual bool RegisterRestartAfterUpdate() = 0;

  // --- timers: periodic, delivered as the timer message to the window ---
  virtual bool SetTimer(WindowHandle window, std::uintptr_t id, uint32_t interval_ms) = 0;
  virtual bool KillTimer(WindowHandle window, std::uintptr_t id) = 0;

  // --- the message loop ---
  // Waits for the next message; false when it is the quit message (*exit_code then holds its
  // code).
  virtual bool GetMessage(WindowMessage* message, int* exit_code) = 0;
  // Takes the next waiting message without waiting; false when there is none. A quit request
  // comes out here as the quit message itself (window 0, wparam the exit code), so that a loop
  // that only peeks can end.
  virtual bool PeekMessage(WindowMessage* message) = 0;
  // Keyboard translation (dialog keys for the active window) and delivery to the window.
  virtual void DispatchMessage(const WindowMessage& message) = 0;
  // While this top-level window is active, Tab and the arrow keys move between its controls and
  // Enter and Esc arrive at it as the OK and Cancel commands, as in a dialog box.
  virtual void SetDialogNavigation(WindowHandle window, bool enabled) = 0;

  // Sends the session change message (lock, unlock, ...) of this session to the window from now
  // on; false when the system cannot.
  virtual bool RegisterSessionNotification(WindowHandle window) = 0;
  virtual void UnregisterSessionNotification(WindowHandle window) = 0;

  // --- input state ---
  virtual bool GetCursorPos(int* x, int* y) = 0;
  virtual bool IsKeyDown(int virtual_key) = 0;
  virtual uint32_t DoubleClickTime() = 0;

  // --- the notification area ---
  virtual bool NotifyIcon(NotifyIconOp op, const NotifyIconData& data) = 0;
  // cbSize the shell expects for the record with balloon fields.
  virtual uint32_t NotifyIconDataSize() = 0;
  // File version of the common-controls library: major in the high word, minor in the low word;
  // 0 when it cannot be read.
  virtual uint32_t CommonControlsVersion() = 0;
  // Platform identifier and major version, as the system reports them.
  virtual void WindowsVersion(uint32_t* platform_id, uint32_t* major) = 0;
  // Loads the common-controls library and registers its window classes again, which the shell
  // of Windows NT 4 and older needs after a user change; 0 when it cannot be loaded.
  virtual ModuleHandle LoadCommonControls() = 0;
  // Releases a module that LoadCommonControls gave.
  virtual void FreeCommonControls(ModuleHandle module) = 0;
  // Why Windows reports that the user does not want to be disturbed now, if it does: notices
  // wait meanwhile.
  virtual QuietReason UserQuiet() { return QuietReason::kNone; }

  // --- icons ---
  // An icon from the program's resources at the given size; 0 when there is none. The same
  // resource and size give the same handle every time; the desktop owns it.
  virtual IconHandle LoadIconResource(int resource_id, int size) = 0;
  // The system's small icon size in pixels (the notification area's), at the DPI the shell
  // draws with.
  virtual int SmallIconSize() = 0;

  // --- the shell and the common dialogs ---
  virtual std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb,
                                     const std::string& file, const std::string& parameters,
                                     const std::string& directory, ShowCommand show) = 0;
  virtual int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                         uint32_t flags) = 0;
  // Runs the dialog; true when the user chose a file (request->file_name then holds it).
  virtual bool OpenFileDialog(WindowHandle owner, OpenFileRequest* request) = 0;
  // Opens a popup menu at a screen position and returns the index of the chosen entry, or -1.
  virtual int TrackPopupMenu(WindowHandle owner, const std::vector<PopupMenuEntry>& entries, int x,
                             int y) = 0;
};

}  // namespace erm::platform
