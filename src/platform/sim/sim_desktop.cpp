#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::platform {
namespace {

// Windows raises shorter and longer timer periods to these bounds.
constexpr uint32_t kTimerMinimum = 10;
constexpr uint32_t kTimerMaximum = 0x7FFFFFFF;
constexpr uint32_t kFirstRegisteredMessage = 0xC000;
constexpr std::uintptr_t kMinimizedFlag = std::uintptr_t{1} << 16;  // high word of WM_ACTIVATE
// A loop that dispatches this many messages without the clock moving is taken to be stuck
// (a handler that keeps posting to itself), which would otherwise hang the test run.
constexpr size_t kStuckLimit = 1000000;

}  // namespace

SimDesktop::SimDesktop(SimSystem& clock) : clock_(clock) {}

SimDesktop::~SimDesktop() = default;

// --- windows ---

WindowHandle SimDesktop::AddWindow(WindowKind kind, WindowProc proc) {
  auto window = std::make_shared<Window>();
  window->handle = next_window_;
  next_window_ += 4;  // handles on Windows are multiples of four too
  window->kind = kind;
  window->proc = std::make_shared<WindowProc>(std::move(proc));
  windows_[window->handle] = window;
  creation_order_.push_back(window->handle);
  return window->handle;
}

std::shared_ptr<SimDesktop::Window> SimDesktop::Find(WindowHandle window) const {
  auto found = windows_.find(window);
  if (found == windows_.end() || !found->second->alive) return nullptr;
  return found->second;
}

WindowHandle SimDesktop::CreateMessageWindow(WindowProc proc) {
  return AddWindow(WindowKind::kMessage, std::move(proc));
}

WindowHandle SimDesktop::CreateApplicationWindow(const std::string& title, IconHandle icon,
                                                 WindowProc proc) {
  const WindowHandle handle = AddWindow(WindowKind::kApplication, std::move(proc));
  windows_[handle]->title = title;
  windows_[handle]->icon = icon;
  return handle;
}

void SimDesktop::SetWindowTitle(WindowHandle window, const std::string& title) {
  if (auto w = Find(window)) w->title = title;
}

void SimDesktop::DestroyWindow(WindowHandle window) {
  auto w = Find(window);
  if (!w || w->destroying) return;
  w->destroying = true;
  std::exception_ptr error;
  try {
    SendInOrder({{window, msg::kDestroy, 0, 0}, {window, msg::kNcDestroy, 0, 0}});
  } catch (...) {
    error = std::current_exception();
  }
  // The window goes whatever its procedure did, with everything that belongs to it; messages
  // still queued for it are dropped when they come up.
  w->alive = false;
  windows_.erase(window);
  creation_order_.erase(std::remove(creation_order_.begin(), creation_order_.end(), window),
                        creation_order_.end());
  for (auto it = timers_.begin(); it != timers_.end();) {
    it = it->first.first == window ? timers_.erase(it) : std::next(it);
  }
  if (foreground_ == window) foreground_ = 0;
  if (focus_ == window) focus_ = 0;
  if (error) std::rethrow_exception(error);
}

bool SimDesktop::IsWindow(WindowHandle window) {
  return Find(window) != nullptr;
}

std::intptr_t SimDesktop::DefWindowProc(const WindowMessage& message) {
  switch (message.message) {
    case msg::kClose:
      DestroyWindow(message.window);
      return 0;
    case msg::kQueryEndSession:
      return 1;
    default:
      return 0;
  }
}

HookId SimDesktop::HookWindow(WindowHandle window, WindowHook hook) {
  auto w = Find(window);
  if (!w) return 0;
  const HookId id = next_hook_++;
  w->hooks[id] = std::make_shared<WindowHook>(std::move(hook));
  return id;
}

void SimDesktop::UnhookWindow(WindowHandle window, HookId hook) {
  if (auto w = Find(window)) w->hooks.erase(hook);
}

std::intptr_t SimDesktop::Deliver(const std::shared_ptr<Window>& window, HookId below,
                                  const WindowMessage& message) {
  if (!window->alive) return 0;
  // The next hook is looked up only when it is called, so that a hook taken out meanwhile (even
  // the one running) is skipped and the ones around it stay connected.
  auto next_hook = below == 0 ? window->hooks.end() : window->hooks.lower_bound(below);
  if (next_hook != window->hooks.begin()) {
    --next_hook;
    const HookId id = next_hook->first;
    const std::shared_ptr<WindowHook> hook = next_hook->second;  // lives on if taken out
    const NextProc next = [this, window, id](const WindowMessage& passed) {
      return Deliver(window, id, passed);
    };
    return (*hook)(message, next);
  }
  const std::shared_ptr<WindowProc> proc = window->proc;
  return *proc ? (*proc)(message) : 0;
}

void SimDesktop::SendInOrder(const std::vector<WindowMessage>& messages) {
  std::exception_ptr error;
  for (const WindowMessage& message : messages) {
    auto w = Find(message.window);
    if (!w) continue;
    try {
      Deliver(w, 0, message);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
}

std::intptr_t SimDesktop::SendMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                                      std::intptr_t lparam) {
  auto w = Find(window);
  if (!w) return 0;
  return Deliver(w, 0, {window, message, wparam, lparam});
}

bool SimDesktop::PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) {
  // Window 0 posts to the thread itself, as on Windows.
  if (window != 0 && !Find(window)) return false;
  queue_.push_back({window, message, wparam, lparam});
  return true;
}

void SimDesktop::PostQuitMessage(int exit_code) {
  quit_pending_ = true;
  quit_code_ = exit_code;
}

uint32_t SimDesktop::RegisterWindowMessage(const std::string& name) {
  if (name.empty()) return 0;
  // Windows keeps these names as atoms, which ignore case.
  const std::string key = AsciiLower(name);
  auto found = registered_messages_.find(key);
  if (found != registered_messages_.end()) return found->second;
  const uint32_t number =
      kFirstRegisteredMessage + static_cast<uint32_t>(registered_messages_.size());
  registered_messages_[key] = number;
  return number;
}

void SimDesktop::BroadcastToTopLevel(uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  std::vector<WindowMessage> messages;
  for (WindowHandle window : creation_order_)
    messages.push_back({window, message, wparam, lparam});
  SendInOrder(messages);
}

bool SimDesktop::ShowWindow(WindowHandle window, ShowCommand command) {
  show_calls.push_back({window, command});
  auto w = Find(window);
  if (!w) return false;
  const bool was_visible = w->visible;
  // As on Windows: a change between minimised and restored shows a hidden window without the
  // show message, and its size message follows the position message (Windows sends it from the
  // default handling of that one).
  std::vector<WindowMessage> messages;
  const auto show = [&](bool shown) {
    if (shown == was_visible) return;
    w->visible = shown;
    messages.push_back({window, msg::kShowWindow, shown ? 1u : 0u, 0});
    messages.push_back({window, msg::kWindowPosChanged, 0, 0});
  };
  const auto change_state = [&](bool minimized) {
    w->visible = true;
    w->iconic = minimized;
    messages.push_back({window, msg::kWindowPosChanged, 0, 0});
    messages.push_back({window, msg::kSize, minimized ? kSizeMinimized : kSizeRestored, 0});
  };
  switch (command) {
    case ShowCommand::kHide:
      show(false);
      break;
    case ShowCommand::kShowMinimized:
    case ShowCommand::kMinimize:
      if (w->iconic) {
        show(true);
      } else {
        change_state(true);
      }
      break;
    case ShowCommand::kShowNormal:
    case ShowCommand::kShowNoActivate:
    case ShowCommand::kRestore:
      if (w->iconic) {
        change_state(false);
      } else {
        show(true);
      }
      break;
    case ShowCommand::kShow:
    default:
      show(true);
      break;
  }
  if (messages.empty()) return was_visible;
  if (!w->visible && foreground_ == window) foreground_ = 0;
  SendInOrder(messages);
  return was_visible;
}

bool SimDesktop::IsWindowVisible(WindowHandle window) {
  auto w = Find(window);
  return w && w->visible;
}

bool SimDesktop::IsIconic(WindowHandle window) {
  auto w = Find(window);
  return w && w->iconic;
}

bool SimDesktop::SetForegroundWindow(WindowHandle window) {
  foreground_calls.push_back(window);
  auto w = Find(window);
  if (!w || foreground_locked) return false;
  if (foreground_ == window) return true;
  const WindowHandle previous = foreground_;
  foreground_ = window;
  std::vector<WindowMessage> messages;
  if (auto old = Find(previous)) {
    const std::uintptr_t state = kActivateInactive | (old->iconic ? kMinimizedFlag : 0);
    messages.push_back({previous, msg::kActivate, state, static_cast<std::intptr_t>(window)});
  }
  const std::uintptr_t state = kActivateActive | (w->iconic ? kMinimizedFlag : 0);
  messages.push_back({window, msg::kActivate, state, static_cast<std::intptr_t>(previous)});
  SendInOrder(messages);
  return true;
}

void SimDesktop::SetFocus(WindowHandle window) {
  focus_calls.push_back(window);
  if (window == 0 || Find(window)) focus_ = window;
}

bool SimDesktop::EnableWindow(WindowHandle window, bool enable) {
  auto w = Find(window);
  if (!w) return false;
  const bool was_disabled = !w->enabled;
  w->enabled = enable;
  return was_disabled;
}

bool SimDesktop::IsWindowEnabled(WindowHandle window) {
  auto w = Find(window);
  return w && w->enabled;
}

void SimDesktop::SetDialogNavigation(WindowHandle window, bool enabled) {
  if (auto w = Find(window)) w->dialog_navigation = enabled;
}

// --- timers and the loop ---

bool SimDesktop::SetTimer(WindowHandle window, std::uintptr_t id, uint32_t interval_ms) {
  if (!Find(window)) return false;
  if (on_set_timer && !on_set_timer(window, id, interval_ms)) return false;
  const uint32_t interval = std::clamp(interval_ms, kTimerMinimum, kTimerMaximum);
  // Setting a timer that exists replaces it: the period starts afresh.
  timers_[{window, id}] = Timer{interval, Now() + interval, next_timer_sequence_++};
  return true;
}

bool SimDesktop::KillTimer(WindowHandle window, std::uintptr_t id) {
  return timers_.erase({window, id}) != 0;
}

void SimDesktop::Schedule(uint64_t delay_ms, std::function<void()> task) {
  tasks_.push_back(Task{Now() + delay_ms, next_task_sequence_++, std::move(task)});
}

SimDesktop::Step SimDesktop::TakeDue(WindowMessage* message) {
  while (!queue_.empty()) {
    const WindowMessage posted = queue_.front();
    queue_.pop_front();
    if (posted.window != 0 && !Find(posted.window)) continue;
    *message = posted;
    return Step::kMessage;
  }
  // Like Windows: the quit request comes after the posted messages and before any timer.
  if (quit_pending_) {
    quit_pending_ = false;
    *message = {0, msg::kQuit, static_cast<std::uintptr_t>(quit_code_), 0};
    return Step::kQuit;
  }
  const uint64_t now = Now();
  auto timer = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due > now) continue;
    if (timer == timers_.end() || std::tie(it->second.due, it->second.sequence) <
                                      std::tie(timer->second.due, timer->second.sequence)) {
      timer = it;
    }
  }
  auto task = tasks_.end();
  for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
    if (it->due > now) continue;
    if (task == tasks_.end() ||
        std::tie(it->due, it->sequence) < std::tie(task->due, task->sequence))
      task = it;
  }
  if (timer != timers_.end() && (task == tasks_.end() || timer->second.due <= task->due)) {
    // At most one tick waits per timer: periods that passed while nobody asked for messages
    // fold into this one, and the next tick keeps the timer's rhythm.
    Timer& t = timer->second;
    t.due += ((now - t.due) / t.interval + 1) * t.interval;
    *message = {timer->first.first, msg::kTimer, timer->first.second, 0};
    return Step::kMessage;
  }
  if (task != tasks_.end()) {
    const std::function<void()> run = std::move(task->run);
    tasks_.erase(task);  // before it runs: it may start a nested loop
    if (run) run();
    return Step::kRanTask;
  }
  return Step::kNothingDue;
}

bool SimDesktop::NextEventTime(uint64_t* when) const {
  bool any = false;
  for (const auto& [key, timer] : timers_) {
    if (!any || timer.due < *when) *when = timer.due;
    any = true;
  }
  for (const Task& task : tasks_) {
    if (!any || task.due < *when) *when = task.due;
    any = true;
  }
  return any;
}

bool SimDesktop::GetMessage(WindowMessage* message, int* exit_code) {
  for (;;) {
    switch (TakeDue(message)) {
      case Step::kMessage:
        return true;
      case Step::kQuit:
        if (exit_code) *exit_code = quit_code_;
        return false;
      case Step::kRanTask:
        break;
      case Step::kNothingDue: {
        uint64_t when = 0;
        if (!NextEventTime(&when)) {
          throw Error(
              "SimDesktop::GetMessage would wait forever: no message is queued, no timer is set "
              "and no task is scheduled");
        }
        clock_.Advance(when - Now());
        break;
      }
    }
  }
}

bool SimDesktop::PeekMessage(WindowMessage* message) {
  for (;;) {
    switch (TakeDue(message)) {
      case Step::kMessage:
      case Step::kQuit:
        return true;
      case Step::kRanTask:
        break;
      case Step::kNothingDue:
        return false;
    }
  }
}

void SimDesktop::DispatchMessage(const WindowMessage& message) {
  if (message.window == 0) return;  // a thread message has no window to go to
  if (auto w = Find(message.window)) Deliver(w, 0, message);
}

bool SimDesktop::RunUntil(uint64_t deadline) {
  uint64_t last_time = Now();
  size_t steps_at_this_time = 0;
  while (Now() <= deadline) {
    WindowMessage message;
    switch (TakeDue(&message)) {
      case Step::kMessage:
        DispatchMessage(message);
        break;
      case Step::kQuit:
        quit_pending_ = true;  // for the loop that owns it
        return false;
      case Step::kRanTask:
        break;
      case Step::kNothingDue: {
        uint64_t when = 0;
        if (!NextEventTime(&when) || when > deadline) {
          clock_.Advance(deadline - Now());
          return true;
        }
        clock_.Advance(when - Now());
        break;
      }
    }
    if (Now() != last_time) {
      last_time = Now();
      steps_at_this_time = 0;
    } else if (++steps_at_this_time > kStuckLimit) {
      throw Error("SimDesktop: messages keep coming without the clock moving");
    }
  }
  return true;
}

bool SimDesktop::RunFor(uint64_t ms) {
  return RunUntil(Now() + ms);
}

bool SimDesktop::RunPending() {
  return RunUntil(Now());
}

// --- inspection ---

std::vector<WindowHandle> SimDesktop::Windows() const {
  return creation_order_;
}

SimDesktop::WindowKind SimDesktop::KindOf(WindowHandle window) const {
  auto w = Find(window);
  return w ? w->kind : WindowKind::kMessage;
}

std::string SimDesktop::WindowTitle(WindowHandle window) const {
  auto w = Find(window);
  return w ? w->title : std::string();
}

IconHandle SimDesktop::WindowIcon(WindowHandle window) const {
  auto w = Find(window);
  return w ? w->icon : 0;
}

size_t SimDesktop::HookCount(WindowHandle window) const {
  auto w = Find(window);
  return w ? w->hooks.size() : 0;
}

bool SimDesktop::HasDialogNavigation(WindowHandle window) const {
  auto w = Find(window);
  return w && w->dialog_navigation;
}

bool SimDesktop::HasTimer(WindowHandle window, std::uintptr_t id) const {
  return timers_.count({window, id}) != 0;
}

uint32_t SimDesktop::TimerInterval(WindowHandle window, std::uintptr_t id) const {
  auto found = timers_.find({window, id});
  return found == timers_.end() ? 0 : found->second.interval;
}

}  // namespace erm::platform
