#include "ui/application.h"

#include <algorithm>

#include "ui/control.h"
#include "ui/form.h"

namespace erm::ui {

namespace {

// The program's main icon is resource 1, as Windows expects of the icon an executable shows.
constexpr int kApplicationIconId = 1;
constexpr int kLargeIconSize = 32;

}  // namespace

std::string ErrorReportText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

Application::Application(platform::System& system, platform::Desktop& desktop, PeerFactory& peers)
    : system_(system), desktop_(desktop), peers_(peers) {
  window_ = desktop_.CreateApplicationWindow(
      title_, desktop_.LoadIconResource(kApplicationIconId, kLargeIconSize),
      [this](const platform::WindowMessage& message) { return WindowProc(message); });
}

Application::~Application() {
  while (!owned_forms_.empty()) {
    std::unique_ptr<Form> last = std::move(owned_forms_.back());
    owned_forms_.pop_back();
    last.reset();
  }
  if (window_ != 0) desktop_.DestroyWindow(window_);
}

void Application::SetTitle(std::string title) {
  title_ = std::move(title);
  desktop_.SetWindowTitle(window_, title_);
}

void Application::AdoptForm(std::unique_ptr<Form> form) {
  Form* created = form.get();
  owned_forms_.push_back(std::move(form));
  if (main_form_ == nullptr) {
    main_form_ = created;
    created->Handle();
  }
}

Form* Application::FindForm(platform::WindowHandle window) const {
  if (window == 0) return nullptr;
  for (Form* form : forms_) {
    if (form->HasPeer() && form->Peer().Handle() == window) return form;
  }
  return nullptr;
}

void Application::Minimize() {
  if (!desktop_.IsIconic(window_)) desktop_.ShowWindow(window_, platform::ShowCommand::kMinimize);
}

void Application::Dispatch(const platform::WindowMessage& message) {
  RunGuarded([&] { desktop_.DispatchMessage(message); });
}

void Application::ProcessMessages() {
  platform::WindowMessage message;
  while (desktop_.PeekMessage(&message)) {
    if (message.message == platform::msg::kQuit) {
      terminated_ = true;
    } else {
      Dispatch(message);
    }
  }
}

void Application::HandleMessage() {
  platform::WindowMessage message;
  int exit_code = 0;
  if (!desktop_.GetMessage(&message, &exit_code)) {
    terminated_ = true;
    return;
  }
  Dispatch(message);
}

void Application::Run() {
  if (main_form_ == nullptr) return;
  if (show_main_form_) main_form_->SetVisible(true);
  while (!terminated_)
    HandleMessage();
}

void Application::Terminate() {
  desktop_.PostQuitMessage(0);
}

void Application::ShowException(const Error& error) {
  if (dynamic_cast<const Abort*>(&error) != nullptr) return;
  MessageBox(ErrorReportText(error.message()), title_, platform::kMbOk | platform::kMbIconError);
}

int Application::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  platform::WindowHandle owner = DialogOwner();
  std::vector<platform::WindowHandle> disabled = DisableTaskWindows(0);
  int result = 0;
  try {
    result = desktop_.MessageBox(owner, text, caption, flags);
  } catch (...) {
    EnableTaskWindows(disabled);
    throw;
  }
  EnableTaskWindows(disabled);
  if (FindForm(owner) != nullptr) desktop_.SetForegroundWindow(owner);
  return result;
}

platform::WindowHandle Application::DialogOwner() {
  Form* active = FindForm(desktop_.GetForegroundWindow());
  if (active == nullptr) active = active_form_;
  if (active != nullptr && active->Visible()) return active->Handle();
  return window_;
}

std::vector<platform::WindowHandle> Application::DisableTaskWindows(platform::WindowHandle except) {
  std::vector<platform::WindowHandle> windows;
  windows.push_back(window_);
  for (Form* form : forms_)
    windows.push_back(form->Handle());
  std::vector<platform::WindowHandle> disabled;
  for (platform::WindowHandle window : windows) {
    if (window == except || window == 0) continue;
    if (desktop_.IsWindowVisible(window) && desktop_.IsWindowEnabled(window)) {
      desktop_.EnableWindow(window, false);
      disabled.push_back(window);
    }
  }
  return disabled;
}

void Application::EnableTaskWindows(const std::vector<platform::WindowHandle>& windows) {
  for (platform::WindowHandle window : windows) {
    if (desktop_.IsWindow(window)) desktop_.EnableWindow(window, true);
  }
}

void Application::FormCreated(Form* form) {
  forms_.push_back(form);
}

void Application::SetActiveForm(Form* form) {
  active_form_ = form;
  if (form != nullptr) StopFlashing(form);
}

void Application::FlashUntilActive(Form* form) {
  // Windows 10 and 11 keep the foreground for the program the user works in; Wine hands it over
  // freely, so there the form is in front and nothing flashes.
  if (window_ == 0 || desktop_.GetForegroundWindow() == form->Handle()) return;
  // The taskbar button is the application window's; the form has none of its own.
  flashing_form_ = form;
  desktop_.FlashWindow(window_, true);
}

void Application::StopFlashing(Form* form) {
  if (form != flashing_form_) return;
  flashing_form_ = nullptr;
  desktop_.FlashWindow(window_, false);
}

void Application::FormDestroyed(Form* form) {
  if (flashing_form_ == form) flashing_form_ = nullptr;
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (main_form_ == form) main_form_ = nullptr;
  if (active_form_ == form) active_form_ = nullptr;
  UpdateVisible();
}

void Application::UpdateVisible() {
  if (window_ == 0) return;
  bool any_visible =
      std::any_of(forms_.begin(), forms_.end(), [](const Form* form) { return form->Visible(); });
  if (any_visible == desktop_.IsWindowVisible(window_)) return;
  desktop_.ShowWindow(
      window_, any_visible ? platform::ShowCommand::kShowNoActivate : platform::ShowCommand::kHide);
}

std::intptr_t Application::WindowProc(const platform::WindowMessage& message) {
  if (message.message == platform::msg::kClose && main_form_ != nullptr) {
    // The taskbar button's "Close" reaches the application window: it closes the program.
    RunGuarded([this] { main_form_->Close(); });
    return 0;
  }
  if (message.message == platform::msg::kEndSession && message.wparam != 0 &&
      main_form_ != nullptr) {
    // The session ends, or an installer's restart manager asks the program to make way for
    // the replacement or removal of its files (ENDSESSION_CLOSEAPP): it ends as through its
    // menu, and the forms going take the tray icon with them. Windows may end the process
    // soon after this returns, so nothing is asked of the user.
    RunGuarded([this] { main_form_->Close(); });
    return 0;
  }
  return desktop_.DefWindowProc(message);
}

}  // namespace erm::ui
