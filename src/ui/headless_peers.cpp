#include "ui/headless_peers.h"

#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

namespace {

constexpr uint32_t kCommandMessage = 0x0111;  // WM_COMMAND
constexpr std::uintptr_t kIdOk = 1;
constexpr std::uintptr_t kIdCancel = 2;

// What every peer without a window does: it has no handle and counts what it is told.
template <class Interface>
class CountingPeer : public Interface, public HeadlessPeer {
 public:
  platform::WindowHandle Handle() override { return 0; }
  void Changed(Change) override { ++change_count; }
  void Repaint() override { ++repaint_count; }
};

using HeadlessControlPeer = CountingPeer<ControlPeer>;

class HeadlessListBoxPeer : public CountingPeer<ListBoxPeer> {
 public:
  void ItemsCleared() override { ++change_count; }
  void ItemInserted(int) override { ++change_count; }
  void ItemDeleted(int) override { ++change_count; }
  void SelectionChanged(int) override { ++change_count; }
};

class HeadlessTreeViewPeer : public CountingPeer<TreeViewPeer> {
 public:
  void NodesCleared() override { ++change_count; }
  void NodeAdded(TreeNode&) override { ++change_count; }
  void NodeTextChanged(TreeNode&) override { ++change_count; }
  void NodeStateChanged(TreeNode&, uint32_t) override { ++change_count; }
};

// A form's stand-in window: a message window that is shown and hidden like the real one, so
// that hooks on it and the taskbar rule see what they would see on Windows.
class HeadlessFormPeer : public FormPeer, public HeadlessPeer {
 public:
  explicit HeadlessFormPeer(Form& form) : form_(form), desktop_(form.GetApplication().Desktop()) {}
  ~HeadlessFormPeer() override {
    if (window_ != 0) desktop_.DestroyWindow(window_);
  }

  platform::WindowHandle Handle() override {
    if (window_ == 0) {
      window_ = desktop_.CreateMessageWindow(
          [this](const platform::WindowMessage& message) { return WindowProc(message); });
      desktop_.SetWindowTitle(window_, form_.Caption());
    }
    return window_;
  }

  void Changed(Change what) override {
    ++change_count;
    if (what == Change::kVisible) {
      desktop_.ShowWindow(
          Handle(), form_.Visible() ? platform::ShowCommand::kShow : platform::ShowCommand::kHide);
    } else if (what == Change::kText && window_ != 0) {
      desktop_.SetWindowTitle(window_, form_.Caption());
    } else if (what == Change::kEnabled) {
      desktop_.EnableWindow(Handle(), form_.Enabled());
    }
  }
  void Repaint() override { ++repaint_count; }
  void BringToFront() override {
    ++counts.bring_to_front;
    // Refused while another program holds the foreground: the form is not active then.
    if (desktop_.SetForegroundWindow(Handle())) form_.GetApplication().SetActiveForm(&form_);
  }
  void CenterOnScreen() override { ++counts.center; }
  void MenuChanged() override { ++change_count; }
  void RaiseAlert() override { ++counts.alerts; }

  HeadlessFormCounts counts;

 private:
  std::intptr_t WindowProc(const platform::WindowMessage& message) {
    Application& app = form_.GetApplication();
    if (message.message == platform::msg::kClose) {
      // The form decides what closing means; the window itself stays.
      app.RunGuarded([this] { form_.Close(); });
      return 0;
    }
    if (message.message == kCommandMessage &&
        (message.wparam == kIdOk || message.wparam == kIdCancel)) {
      DialogKey key = message.wparam == kIdOk ? DialogKey::kEnter : DialogKey::kEscape;
      app.RunGuarded([this, &app, key] { form_.HandleDialogKey(key, app.ActiveControl()); });
      return 0;
    }
    return desktop_.DefWindowProc(message);
  }

  Form& form_;
  platform::Desktop& desktop_;
  platform::WindowHandle window_ = 0;
};

}  // namespace

std::unique_ptr<FormPeer> HeadlessPeerFactory::CreateFormPeer(Form& form) {
  return std::make_unique<HeadlessFormPeer>(form);
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateLabelPeer(Label&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreatePanelPeer(Panel&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateGroupBoxPeer(GroupBox&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateBevelPeer(Bevel&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateToolBarPeer(ToolBar&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateSpeedButtonPeer(SpeedButton&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateProgressBarPeer(ProgressBar&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateAnimatePeer(Animate&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<TreeViewPeer> HeadlessPeerFactory::CreateTreeViewPeer(TreeView&) {
  return std::make_unique<HeadlessTreeViewPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateBitBtnPeer(BitBtn&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ControlPeer> HeadlessPeerFactory::CreateStatusBarPeer(StatusBar&) {
  return std::make_unique<HeadlessControlPeer>();
}
std::unique_ptr<ListBoxPeer> HeadlessPeerFactory::CreateListBoxPeer(ListBox&) {
  return std::make_unique<HeadlessListBoxPeer>();
}

HeadlessPeer* HeadlessPeerOf(Control& control) {
  if (!control.HasPeer()) return nullptr;
  return dynamic_cast<HeadlessPeer*>(&control.Peer());
}

HeadlessFormCounts* HeadlessCountsOf(Form& form) {
  auto* peer = dynamic_cast<HeadlessFormPeer*>(&form.Peer());
  return peer != nullptr ? &peer->counts : nullptr;
}

}  // namespace erm::ui
