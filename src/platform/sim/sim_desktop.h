// A deterministic windowing system for tests: windows with procedures and hook chains, a message
// queue whose timers run on SimSystem's virtual clock, tasks scheduled at virtual times (to act
// inside modal loops), and the notification area, the shell and the common dialogs as recorded
// calls answered by settable hooks.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/sim_system.h"

namespace erm::platform {

class SimDesktop : public Desktop {
 public:
  explicit SimDesktop(SimSystem& clock);
  ~SimDesktop() override;
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  // --- driving the loop from a test ---
  // Runs `task` inside GetMessage or PeekMessage once the virtual clock has reached now +
  // `delay_ms`. Tasks with the same time run in the order they were scheduled.
  void Schedule(uint64_t delay_ms, std::function<void()> task);
  // Dispatches every message, timer tick and task up to now + `ms`, then stops with the clock
  // exactly there. A quit request stops it early and stays queued; false then.
  bool RunFor(uint64_t ms);
  // Dispatches what is waiting and due without moving the clock; false when a quit request
  // stopped it (it stays queued).
  bool RunPending();
  // Sends a message to every top-level window, oldest first, as the shell does with
  // "TaskbarCreated" after a restart.
  void BroadcastToTopLevel(uint32_t message, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);

  // --- windows, for inspection ---
  enum class WindowKind { kMessage, kApplication };
  std::vector<WindowHandle> Windows() const;  // the live ones, oldest first
  WindowKind KindOf(WindowHandle window) const;
  std::string WindowTitle(WindowHandle window) const;
  IconHandle WindowIcon(WindowHandle window) const;
  // The number of hooks installed on a window.
  size_t HookCount(WindowHandle window) const;
  bool HasDialogNavigation(WindowHandle window) const;
  WindowHandle Focus() const { return focus_; }
  size_t QueuedMessageCount() const { return queue_.size(); }
  bool QuitPending() const { return quit_pending_; }
  // Whether a timer is set, and its period.
  bool HasTimer(WindowHandle window, std::uintptr_t id) const;
  uint32_t TimerInterval(WindowHandle window, std::uintptr_t id) const;
  size_t TimerCount() const { return timers_.size(); }

  struct ShowCall {
    WindowHandle window = 0;
    ShowCommand command = ShowCommand::kHide;
  };
  std::vector<ShowCall> show_calls;  // every ShowWindow, in call order
  std::vector<WindowHandle> foreground_calls;
  // While set, SetForegroundWindow fails and changes nothing, as Windows does while another
  // program holds the foreground.
  bool foreground_locked = false;
  struct FlashCall {
    WindowHandle window = 0;
    bool flash = false;
  };
  std::vector<FlashCall> flash_calls;
  // Windows that get the session change messages.
  std::set<WindowHandle> session_notified;
  std::vector<WindowHandle> focus_calls;
  // Makes SetTimer fail when it answers false.
  std::function<bool(WindowHandle, std::uintptr_t id, uint32_t interval_ms)> on_set_timer;

  // --- one program per session ---
  // The names running programs hold; a test adds one to play a program that runs already.
  std::set<std::string> session_names;
  std::vector<uint32_t> broadcasts;  // every SendToApplicationWindows, in call order
  // Runs before each SendToApplicationWindows, as the other copies run on meanwhile: a test
  // makes the running program's window appear here.
  std::function<void()> on_send_to_application_windows;
  // While set, the other copies run elevated: a message from this start reaches their windows
  // only where they allowed it from lower programs.
  bool other_copies_elevated = false;
  std::set<std::pair<WindowHandle, uint32_t>> allowed_from_lower_programs;
  int restart_registrations = 0;

  // --- input state ---
  int cursor_x = 0;
  int cursor_y = 0;
  bool cursor_fails = false;  // GetCursorPos fails while set
  std::set<int> keys_down;    // virtual-key codes
  uint32_t double_click_time = 500;

  // --- the notification area ---
  struct NotifyCall {
    NotifyIconOp op = NotifyIconOp::kAdd;
    NotifyIconData data;
    std::vector<uint8_t> bytes;  // the 488-byte record as the call carried it
    bool result = false;
  };
  std::vector<NotifyCall> notify_calls;
  bool shell_running = true;  // while false, every NotifyIcon call fails
  // The shell refuses these operations while they are here, changing nothing: a notification
  // area not ready yet at logon refuses adds, one that has lost an icon refuses its modifies.
  std::set<NotifyIconOp> refused_notify_ops;
  bool IconPresent(WindowHandle window, uint32_t id) const;
  size_t PresentIconCount() const { return icons_.size(); }
  // What the shell shows for a present icon: the fields each add or modify carried with its
  // flags; null when the icon is absent.
  const NotifyIconData* ShellIcon(WindowHandle window, uint32_t id) const;

  uint32_t common_controls_version = (6u << 16) | 10u;
  uint32_t platform_id = 2;
  uint32_t major_version = 10;
  int common_controls_loads = 0;  // LoadCommonControls calls that gave a module
  // What UserQuiet answers: a test sets it to play a presentation or a full-screen game.
  QuietReason user_quiet = QuietReason::kNone;
  std::vector<ModuleHandle> freed_modules;

  // --- icons ---
  struct IconLoad {
    int resource_id = 0;
    int size = 0;
    IconHandle icon = 0;
  };
  std::vector<IconLoad> icon_loads;      // every LoadIconResource call
  std::set<int> missing_icon_resources;  // these give 0
  int small_icon_size = 16;

  // --- the shell and the common dialogs: recorded, answered by the hooks ---
  struct ShellExecuteCall {
    WindowHandle owner = 0;
    std::string verb, file, parameters, directory;
    ShowCommand show = ShowCommand::kShowNormal;
  };
  std::vector<ShellExecuteCall> shell_executes;
  std::function<std::intptr_t(const ShellExecuteCall&)> on_shell_execute;  // default 42

  struct MessageBoxCall {
    WindowHandle owner = 0;
    std::string text, caption;
    uint32_t flags = 0;
  };
  std::vector<MessageBoxCall> message_boxes;
  // Runs while the box is "open": the owner is disabled meanwhile, as Windows does. Default IDOK.
  std::function<int(const MessageBoxCall&)> on_message_box;

  struct OpenFileCall {
    WindowHandle owner = 0;
    OpenFileRequest request;  // as the caller passed it
  };
  std::vector<OpenFileCall> open_file_dialogs;
  // May fill request->file_name and answer true; the owner is disabled meanwhile. Default: the
  // user cancels.
  std::function<bool(OpenFileRequest* request)> on_open_file_dialog;

  struct PopupMenuCall {
    WindowHandle owner = 0;
    std::vector<PopupMenuEntry> entries;
    int x = 0, y = 0;
  };
  std::vector<PopupMenuCall> popup_menus;
  std::function<int(const PopupMenuCall&)> on_popup_menu;  // default -1, nothing chosen

  // --- Desktop ---
  WindowHandle CreateMessageWindow(WindowProc proc) override;
  WindowHandle CreateApplicationWindow(const std::string& title, IconHandle icon,
                                       WindowProc proc) override;
  void SetWindowTitle(WindowHandle window, const std::string& title) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  std::intptr_t DefWindowProc(const WindowMessage& message) override;
  HookId HookWindow(WindowHandle window, WindowHook hook) override;
  void UnhookWindow(WindowHandle window, HookId hook) override;
  std::intptr_t SendMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override;
  bool PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam) override;
  void PostQuitMessage(int exit_code) override;
  uint32_t RegisterWindowMessage(const std::string& name) override;
  bool ClaimSessionName(const std::string& name) override;
  bool RegisterRestartAfterUpdate() override;
  bool SendToApplicationWindows(uint32_t message) override;
  bool AllowMessageFromLowerPrograms(WindowHandle window, uint32_t message) override;
  bool ShowWindow(WindowHandle window, ShowCommand command) override;
  bool IsWindowVisible(WindowHandle window) override;
  bool IsIconic(WindowHandle window) override;
  bool SetForegroundWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override { return foreground_; }
  void SetFocus(WindowHandle window) override;
  void FlashWindow(WindowHandle window, bool flash) override;
  bool EnableWindow(WindowHandle window, bool enable) override;
  bool IsWindowEnabled(WindowHandle window) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, uint32_t interval_ms) override;
  bool KillTimer(WindowHandle window, std::uintptr_t id) override;
  bool GetMessage(WindowMessage* message, int* exit_code) override;
  bool PeekMessage(WindowMessage* message) override;
  void DispatchMessage(const WindowMessage& message) override;
  void SetDialogNavigation(WindowHandle window, bool enabled) override;
  bool RegisterSessionNotification(WindowHandle window) override;
  void UnregisterSessionNotification(WindowHandle window) override;
  bool GetCursorPos(int* x, int* y) override;
  bool IsKeyDown(int virtual_key) override { return keys_down.count(virtual_key) != 0; }
  uint32_t DoubleClickTime() override { return double_click_time; }
  bool NotifyIcon(NotifyIconOp op, const NotifyIconData& data) override;
  uint32_t NotifyIconDataSize() override { return 488; }
  uint32_t CommonControlsVersion() override { return common_controls_version; }
  void WindowsVersion(uint32_t* platform, uint32_t* major) override;
  ModuleHandle LoadCommonControls() override;
  void FreeCommonControls(ModuleHandle module) override;
  QuietReason UserQuiet() override { return user_quiet; }
  IconHandle LoadIconResource(int resource_id, int size) override;
  int SmallIconSize() override { return small_icon_size; }
  std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             ShowCommand show) override;
  int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                 uint32_t flags) override;
  bool OpenFileDialog(WindowHandle owner, OpenFileRequest* request) override;
  int TrackPopupMenu(WindowHandle owner, const std::vector<PopupMenuEntry>& entries, int x,
                     int y) override;

 private:
  struct Window {
    WindowHandle handle = 0;
    WindowKind kind = WindowKind::kMessage;
    std::shared_ptr<WindowProc> proc;
    // Keyed by hook id: ids only grow, so the highest id is the newest hook, the first to run.
    std::map<HookId, std::shared_ptr<WindowHook>> hooks;
    std::string title;
    IconHandle icon = 0;
    bool alive = true;
    bool destroying = false;
    bool visible = false;
    bool iconic = false;
    bool enabled = true;
    bool dialog_navigation = false;
  };
  struct Timer {
    uint32_t interval = 0;
    uint64_t due = 0;
    uint64_t sequence = 0;  // arming order, which breaks ties between timers due together
  };
  struct Task {
    uint64_t due = 0;
    uint64_t sequence = 0;
    std::function<void()> run;
  };
  enum class Step { kMessage, kQuit, kRanTask, kNothingDue };

  uint64_t Now() const { return clock_.TickCount(); }
  WindowHandle AddWindow(WindowKind kind, WindowProc proc);
  std::shared_ptr<Window> Find(WindowHandle window) const;
  // Delivers a message through the hooks from `below` down (every hook when `below` is 0, the
  // highest id) to the procedure.
  std::intptr_t Deliver(const std::shared_ptr<Window>& window, HookId below,
                        const WindowMessage& message);
  // Sends several messages in order; all of them go out even when one throws, and the first
  // exception comes out at the end, as on Windows, where the procedure's caller learns of it
  // only when the call that entered the system returns.
  void SendInOrder(const std::vector<WindowMessage>& messages);
  // One step of the loop without moving the clock: a posted message, a quit, a due timer's tick
  // or a due task.
  Step TakeDue(WindowMessage* message);
  // The earliest time at which a timer or a task becomes due; false when none exists.
  bool NextEventTime(uint64_t* when) const;
  bool RunUntil(uint64_t deadline);
  void Activate(WindowHandle window);

  SimSystem& clock_;
  std::map<WindowHandle, std::shared_ptr<Window>> windows_;
  std::vector<WindowHandle> creation_order_;
  WindowHandle next_window_ = 0x10000;
  HookId next_hook_ = 1;
  std::deque<WindowMessage> queue_;
  bool quit_pending_ = false;
  int quit_code_ = 0;
  std::map<std::pair<WindowHandle, std::uintptr_t>, Timer> timers_;
  uint64_t next_timer_sequence_ = 0;
  std::vector<Task> tasks_;
  uint64_t next_task_sequence_ = 0;
  std::map<std::string, uint32_t> registered_messages_;
  WindowHandle foreground_ = 0;
  WindowHandle focus_ = 0;
  std::map<std::pair<WindowHandle, uint32_t>, NotifyIconData> icons_;
  std::map<std::pair<int, int>, IconHandle> loaded_icons_;
  IconHandle next_icon_ = 0x7000000;
  ModuleHandle next_module_ = 0x6000000;
};

}  // namespace erm::platform
