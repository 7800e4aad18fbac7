#include "platform/win32/win32_desktop.h"

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32_errors.h"
#include "platform/win32/win32_handles.h"

namespace erm::platform {
namespace {

using win32::FromHwnd;
using win32::ThrowLastError;
using win32::ToHwnd;

constexpr char kMessageWindowClass[] = "ErinnerungsmodulMessageWindow";
constexpr char kApplicationWindowClass[] = "ErinnerungsmodulApplication";
// A window property rather than a list of handles: it goes with its window, so a handle that
// Windows later gives to another window does not inherit it.
constexpr char kDialogNavigationProperty[] = "ErinnerungsmodulDialogNavigation";
constexpr DWORD kApplicationWindowStyle =
    WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;

WindowMessage ToMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return {FromHwnd(window), message, wparam, lparam};
}

MSG ToMsg(const WindowMessage& message) {
  MSG msg{};
  msg.hwnd = ToHwnd(message.window);
  msg.message = message.message;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  // The message being dispatched is the one the thread took last, so its time and position are
  // the thread's.
  msg.time = static_cast<DWORD>(GetMessageTime());
  const DWORD position = GetMessagePos();
  msg.pt.x = static_cast<SHORT>(LOWORD(position));
  msg.pt.y = static_cast<SHORT>(HIWORD(position));
  return msg;
}

void RegisterWindowClass(const char* name, WNDPROC procedure) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  // Once per process: every desktop (tests make several) shares the classes.
  if (GetClassInfoExA(instance, name, &window_class)) return;
  window_class = WNDCLASSEXA{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.lpszClassName = name;
  if (!RegisterClassExA(&window_class)) ThrowLastError();
}

bool IsKeyboardMessage(UINT message) {
  return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

}  // namespace

// --- the procedures Windows calls ---

struct Win32Desktop::WindowBinding : std::enable_shared_from_this<WindowBinding> {
  Win32Desktop* desktop = nullptr;
  WindowProc proc;
};

struct Win32Desktop::HookBinding : std::enable_shared_from_this<HookBinding> {
  Win32Desktop* desktop = nullptr;
  HookId id = 0;
  WindowHandle window = 0;
  WindowHook hook;
};

struct Win32Desktop::Callbacks {
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) BindWindow(window, lparam);
    auto* bound = reinterpret_cast<WindowBinding*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Messages that come before WM_NCCREATE (WM_GETMINMAXINFO) find no binding yet.
    if (bound == nullptr || message == WM_NCCREATE) {
      return DefWindowProcA(window, message, wparam, lparam);
    }
    // The procedure may destroy its own window, which drops the binding; this copy keeps the
    // procedure alive until it has returned.
    const std::shared_ptr<WindowBinding> binding = bound->shared_from_this();
    LRESULT result = 0;
    try {
      result = binding->proc ? binding->proc(ToMessage(window, message, wparam, lparam))
                             : DefWindowProcA(window, message, wparam, lparam);
    } catch (...) {
      binding->desktop->KeepException(std::current_exception());
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      binding->desktop->windows_.erase(FromHwnd(window));
    }
    return result;
  }

  static LRESULT CALLBACK HookProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR reference) {
    const std::shared_ptr<HookBinding> binding =
        reinterpret_cast<HookBinding*>(reference)->shared_from_this();
    Win32Desktop* desktop = binding->desktop;
    LRESULT result = 0;
    try {
      const NextProc next = [desktop, window](const WindowMessage& passed) -> std::intptr_t {
        const LRESULT passed_result =
            DefSubclassProc(window, passed.message, passed.wparam, passed.lparam);
        // What the window's procedure (or an older hook) raised travels on through this hook,
        // as it would if no Windows frames lay in between.
        desktop->RethrowPendingException();
        return passed_result;
      };
      result = binding->hook(ToMessage(window, message, wparam, lparam), next);
    } catch (...) {
      desktop->KeepException(std::current_exception());
    }
    if (message == WM_NCDESTROY) {
      // A subclass must be taken off by the last message its window gets.
      RemoveWindowSubclass(window, HookProcedure, id);
      desktop->hooks_.erase(binding->id);
    }
    return result;
  }

 private:
  static void BindWindow(HWND window, LPARAM lparam) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
};

// --- construction ---

Win32Desktop::Win32Desktop() {
  RegisterWindowClass(kMessageWindowClass, Callbacks::WindowProcedure);
  RegisterWindowClass(kApplicationWindowClass, Callbacks::WindowProcedure);
  // The shell may run ShellExecute's work through COM extensions, which need COM on the calling
  // thread.
  com_initialized_ =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32Desktop::~Win32Desktop() {
  // Hooks and procedures are taken off before any window goes: the objects they call may be
  // gone already, and destroying a window sends it messages.
  const auto hooks = std::move(hooks_);
  for (const auto& [id, hook] : hooks) {
    RemoveWindowSubclass(ToHwnd(hook->window), Callbacks::HookProcedure, id);
  }
  const auto windows = std::move(windows_);
  for (const auto& [window, binding] : windows) {
    SetWindowLongPtrA(ToHwnd(window), GWLP_USERDATA, 0);
  }
  for (const auto& [window, binding] : windows)
    ::DestroyWindow(ToHwnd(window));
  for (const auto& [key, icon] : icons_)
    DestroyIcon(reinterpret_cast<HICON>(icon));
  if (com_initialized_) CoUninitialize();
}

void Win32Desktop::KeepException(std::exception_ptr error) {
  if (!pending_) pending_ = std::move(error);  // the first error is the one that counts
}

void Win32Desktop::RethrowPendingException() {
  if (!pending_) return;
  std::exception_ptr error = std::move(pending_);
  pending_ = nullptr;
  std::rethrow_exception(error);
}

// --- windows ---

WindowHandle Win32Desktop::CreateBoundWindow(const char* window_class, const std::string& title,
                                             uint32_t style, uint32_t ex_style, int x, int y,
                                             WindowProc proc) {
  auto binding = std::make_shared<WindowBinding>();
  binding->desktop = this;
  binding->proc = std::move(proc);
  const HWND window = CreateWindowExA(ex_style, window_class, title.c_str(), style, x, y, 0, 0,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), binding.get());
  if (window == nullptr) ThrowLastError();
  if (::IsWindow(window)) windows_[FromHwnd(window)] = binding;
  RethrowPendingException();
  return FromHwnd(window);
}

WindowHandle Win32Desktop::CreateMessageWindow(WindowProc proc) {
  // A top-level tool window rather than a message-only window: the shell's "TaskbarCreated"
  // goes to top-level windows only, and a tool window gets no taskbar button.
  return CreateBoundWindow(kMessageWindowClass, "", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0,
                           std::move(proc));
}

WindowHandle Win32Desktop::CreateApplicationWindow(const std::string& title, IconHandle icon,
                                                   WindowProc proc) {
  // Zero size at the screen's centre: visible, it is only a taskbar button, and the program's
  // forms, which it owns, open in front of it.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  const WindowHandle window = CreateBoundWindow(kApplicationWindowClass, title,
                                                kApplicationWindowStyle, 0, x, y, std::move(proc));
  if (icon != 0) {
    SendMessageA(ToHwnd(window), WM_SETICON, ICON_BIG, static_cast<LPARAM>(icon));
    SendMessageA(ToHwnd(window), WM_SETICON, ICON_SMALL, static_cast<LPARAM>(icon));
    RethrowPendingException();
  }
  return window;
}

namespace {

// A copy busy with something else answers when it is back in its message loop; one that hangs
// is not waited for.
constexpr UINT kAnswerWaitMs = 2000;

struct ApplicationWindowRequest {
  UINT message = 0;
  bool answered = false;
};

BOOL CALLBACK AskApplicationWindow(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<ApplicationWindowRequest*>(param);
  char class_name[sizeof kApplicationWindowClass + 1] = {};
  if (GetClassNameA(window, class_name, sizeof class_name) == 0 ||
      std::strcmp(class_name, kApplicationWindowClass) != 0) {
    return TRUE;
  }
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(window, request->message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                          kAnswerWaitMs, &result) != 0 &&
      result != 0) {
    request->answered = true;
  }
  return TRUE;
}

}  // namespace

// Windows hands the foreground only to a program the user has just worked with, which is the
// one started now, not the one in the tray that is to show its window: this start passes its
// right on before it asks. Only windows of the application window's class are asked, so that no
// other program's window, hung or busy, can hold the start up.
bool Win32Desktop::SendToApplicationWindows(uint32_t message) {
  AllowSetForegroundWindow(ASFW_ANY);
  ApplicationWindowRequest request;
  request.message = message;
  EnumWindows(AskApplicationWindow, reinterpret_cast<LPARAM>(&request));
  return request.answered;
}

void Win32Desktop::SetWindowTitle(WindowHandle window, const std::string& title) {
  SetWindowTextA(ToHwnd(window), title.c_str());
  RethrowPendingException();
}

void Win32Desktop::DestroyWindow(WindowHandle window) {
  ::DestroyWindow(ToHwnd(window));
  RethrowPendingException();
}

bool Win32Desktop::IsWindow(WindowHandle window) {
  return ::IsWindow(ToHwnd(window)) != FALSE;
}

std::intptr_t Win32Desktop::DefWindowProc(const WindowMessage& message) {
  const LRESULT result =
      DefWindowProcA(ToHwnd(message.window), message.message, message.wparam, message.lparam);
  RethrowPendingException();
  return result;
}

HookId Win32Desktop::HookWindow(WindowHandle window, WindowHook hook) {
  if (!::IsWindow(ToHwnd(window))) return 0;
  auto binding = std::make_shared<HookBinding>();
  binding->desktop = this;
  binding->id = next_hook_++;
  binding->window = window;
  binding->hook = std::move(hook);
  if (!SetWindowSubclass(ToHwnd(window), Callbacks::HookProcedure, binding->id,
                         reinterpret_cast<DWORD_PTR>(binding.get()))) {
    return 0;
  }
  hooks_[binding->id] = binding;
  return binding->id;
}

void Win32Desktop::UnhookWindow(WindowHandle window, HookId hook) {
  auto found = hooks_.find(hook);
  // A hook named with another window stays: taking the binding away would leave the subclass
  // in place with nothing behind it.
  if (found == hooks_.end() || found->second->window != window) return;
  RemoveWindowSubclass(ToHwnd(window), Callbacks::HookProcedure, hook);
  hooks_.erase(found);  // a call of the hook still running keeps its own reference
}

std::intptr_t Win32Desktop::SendMessage(WindowHandle window, uint32_t message,
                                        std::uintptr_t wparam, std::intptr_t lparam) {
  const LRESULT result = SendMessageA(ToHwnd(window), message, wparam, lparam);
  RethrowPendingException();
  return result;
}

bool Win32Desktop::PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
  return PostMessageA(ToHwnd(window), message, wparam, lparam) != FALSE;
}

void Win32Desktop::PostQuitMessage(int exit_code) {
  ::PostQuitMessage(exit_code);
}

uint32_t Win32Desktop::RegisterWindowMessage(const std::string& name) {
  return RegisterWindowMessageA(name.c_str());
}

bool Win32Desktop::ShowWindow(WindowHandle window, ShowCommand command) {
  const bool was_visible = ::ShowWindow(ToHwnd(window), static_cast<int>(command)) != FALSE;
  RethrowPendingException();
  return was_visible;
}

bool Win32Desktop::IsWindowVisible(WindowHandle window) {
  return ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::IsIconic(WindowHandle window) {
  return ::IsIconic(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::SetForegroundWindow(WindowHandle window) {
  const bool done = ::SetForegroundWindow(ToHwnd(window)) != FALSE;
  RethrowPendingException();
  return done;
}

WindowHandle Win32Desktop::GetForegroundWindow() {
  return FromHwnd(::GetForegroundWindow());
}

void Win32Desktop::SetFocus(WindowHandle window) {
  ::SetFocus(ToHwnd(window));
  RethrowPendingException();
}

bool Win32Desktop::EnableWindow(WindowHandle window, bool enable) {
  const bool was_disabled = ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE) != FALSE;
  RethrowPendingException();
  return was_disabled;
}

bool Win32Desktop::IsWindowEnabled(WindowHandle window) {
  return ::IsWindowEnabled(ToHwnd(window)) != FALSE;
}

// --- timers and the loop ---

bool Win32Desktop::SetTimer(WindowHandle window, std::uintptr_t id, uint32_t interval_ms) {
  return ::SetTimer(ToHwnd(window), id, interval_ms, nullptr) != 0;
}

bool Win32Desktop::KillTimer(WindowHandle window, std::uintptr_t id) {
  return ::KillTimer(ToHwnd(window), id) != FALSE;
}

bool Win32Desktop::GetMessage(WindowMessage* message, int* exit_code) {
  MSG msg{};
  // Messages that other threads and processes send (the shell's among them) are handled inside
  // this call; an error one of them raised stays pending for the DispatchMessage that follows,
  // so that the message taken here is not lost.
  const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == -1) ThrowLastError();
  if (got == 0) {
    if (exit_code != nullptr) *exit_code = static_cast<int>(msg.wParam);
    if (pending_) {
      // The loop ends here and would never see the error: ask for the quit again and report.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      RethrowPendingException();
    }
    return false;
  }
  *message = ToMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  return true;
}

bool Win32Desktop::PeekMessage(WindowMessage* message) {
  MSG msg{};
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    RethrowPendingException();
    return false;
  }
  if (msg.message == WM_QUIT && pending_) {
    ::PostQuitMessage(static_cast<int>(msg.wParam));  // as in GetMessage
    RethrowPendingException();
  }
  *message = ToMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  return true;
}

void Win32Desktop::DispatchMessage(const WindowMessage& message) {
  MSG msg = ToMsg(message);
  // Tab, Enter and Esc in a dialog-like form: IsDialogMessage works for the active window only,
  // and only on messages for it or its controls.
  if (IsKeyboardMessage(msg.message)) {
    const HWND active = GetActiveWindow();
    if (active != nullptr && GetPropA(active, kDialogNavigationProperty) != nullptr &&
        (msg.hwnd == active || IsChild(active, msg.hwnd)) && IsDialogMessageA(active, &msg)) {
      RethrowPendingException();
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  RethrowPendingException();
}

void Win32Desktop::SetDialogNavigation(WindowHandle window, bool enabled) {
  if (enabled) {
    SetPropA(ToHwnd(window), kDialogNavigationProperty, reinterpret_cast<HANDLE>(1));
  } else {
    RemovePropA(ToHwnd(window), kDialogNavigationProperty);
  }
}

// --- input state ---

bool Win32Desktop::GetCursorPos(int* x, int* y) {
  POINT point{};
  if (!::GetCursorPos(&point)) return false;
  *x = point.x;
  *y = point.y;
  return true;
}

bool Win32Desktop::IsKeyDown(int virtual_key) {
  return GetAsyncKeyState(virtual_key) < 0;  // the high bit: down at this moment
}

uint32_t Win32Desktop::DoubleClickTime() {
  return GetDoubleClickTime();
}

}  // namespace erm::platform
