// The application: the program's hidden application window with its taskbar button, the forms,
// the message loop, and the general error report that every event handler's failure ends in.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/system.h"
#include "ui/peer.h"

namespace erm::ui {

class Control;
class Form;

class Application {
 public:
  Application(platform::System& system, platform::Desktop& desktop, PeerFactory& peers);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  platform::System& System() const { return system_; }
  platform::Desktop& Desktop() const { return desktop_; }
  PeerFactory& Peers() const { return peers_; }

  // The caption of the application window (its taskbar entry) and of the program's message
  // boxes.
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  // The hidden application window that carries the taskbar button and owns the forms.
  platform::WindowHandle Handle() const { return window_; }

  // Creates a form that the application owns until it ends. The first form created this way
  // becomes the main form once its construction (and so its OnCreate) is over.
  template <class T, class... Args>
  T& CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& result = *form;
    AdoptForm(std::move(form));
    return result;
  }
  Form* MainForm() const { return main_form_; }
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool show) { show_main_form_ = show; }
  // Every form that exists, in creation order.
  const std::vector<Form*>& Forms() const { return forms_; }
  // The form whose window that is, or nullptr.
  Form* FindForm(platform::WindowHandle window) const;

  // Minimises the application window; the system hides the forms it owns with it.
  void Minimize();

  // Handles the messages that are waiting, then returns.
  void ProcessMessages();
  // Waits for one message and handles it; the quit message ends the program's loops.
  void HandleMessage();
  // Shows the main form if ShowMainForm says so, then handles messages until the program ends.
  void Run();
  // Asks the loops to end: the main form closed or the program is quitting.
  void Terminate();
  // True once the quit message has arrived.
  bool Terminated() const { return terminated_; }

  // The control that has the keyboard focus, or nullptr.
  Control* ActiveControl() const { return active_control_; }
  void SetActiveControl(Control* control) { active_control_ = control; }
  // The form that was active last, or nullptr; peers report it.
  Form* ActiveForm() const { return active_form_; }
  void SetActiveForm(Form* form);

  // When the system kept `form` from the foreground (another program has it), flashes the
  // program's taskbar button until the form becomes active or hides.
  void FlashUntilActive(Form* form);
  // Stops the flashing for `form`; nothing when it is not the one that flashes.
  void StopFlashing(Form* form);

  // The general error report: a message box with the error icon, captioned with the title,
  // showing the error's text, with a full stop added when its last byte sorts above ".". An
  // Abort shows nothing.
  void ShowException(const Error& error);
  // Runs an event handler; what it throws ends in the error report and the program goes on.
  template <class F>
  void RunGuarded(F&& handler) {
    try {
      handler();
    } catch (const Error& error) {
      ShowException(error);
    } catch (const std::exception& error) {
      ShowException(Error(error.what()));
    }
  }

  // A message box that keeps the program's other windows disabled while it is open.
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);

  // Modal showing: disables the program's visible, enabled top-level windows but `except` and
  // returns them, for EnableTaskWindows to enable again.
  std::vector<platform::WindowHandle> DisableTaskWindows(platform::WindowHandle except);
  void EnableTaskWindows(const std::vector<platform::WindowHandle>& windows);
  // The window a dialog of the program is owned by: the active form's, else the application's.
  platform::WindowHandle DialogOwner();

  // For forms: they join and leave the list, and report when they are shown or hidden, so that
  // the application window (the taskbar button) is shown exactly while a form is visible.
  void FormCreated(Form* form);
  void FormDestroyed(Form* form);
  void UpdateVisible();

 private:
  void AdoptForm(std::unique_ptr<Form> form);
  void Dispatch(const platform::WindowMessage& message);
  std::intptr_t WindowProc(const platform::WindowMessage& message);

  platform::System& system_;
  platform::Desktop& desktop_;
  PeerFactory& peers_;
  platform::WindowHandle window_ = 0;
  std::string title_;
  std::vector<std::unique_ptr<Form>> owned_forms_;
  std::vector<Form*> forms_;
  Form* main_form_ = nullptr;
  bool show_main_form_ = true;
  bool terminated_ = false;
  Control* active_control_ = nullptr;
  Form* active_form_ = nullptr;
  Form* flashing_form_ = nullptr;
};

// The text the error report shows for a message.
std::string ErrorReportText(const std::string& message);

}  // namespace erm::ui
