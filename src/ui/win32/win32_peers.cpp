#include "ui/win32/win32_peers.h"

#include "ui/win32/win32_base.h"
#include "ui/win32/win32_controls.h"

namespace erm::ui::win32 {

Win32PeerFactory::Win32PeerFactory(platform::Desktop& desktop)
    : resources_(std::make_unique<Resources>(desktop)) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  RegisterWindowClasses();
}

Win32PeerFactory::~Win32PeerFactory() = default;

std::unique_ptr<FormPeer> Win32PeerFactory::CreateFormPeer(Form& form) {
  return MakeFormPeer(*resources_, form);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateLabelPeer(Label& label) {
  return MakeLabelPeer(*resources_, label);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreatePanelPeer(Panel& panel) {
  return MakePanelPeer(*resources_, panel);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateGroupBoxPeer(GroupBox& group_box) {
  return MakeGroupBoxPeer(*resources_, group_box);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateBevelPeer(Bevel& bevel) {
  return MakeBevelPeer(*resources_, bevel);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateToolBarPeer(ToolBar& tool_bar) {
  return MakeToolBarPeer(*resources_, tool_bar);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateSpeedButtonPeer(SpeedButton& button) {
  return MakeSpeedButtonPeer(*resources_, button);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateProgressBarPeer(ProgressBar& bar) {
  return MakeProgressBarPeer(*resources_, bar);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateAnimatePeer(Animate& animate) {
  return MakeAnimatePeer(*resources_, animate);
}
std::unique_ptr<TreeViewPeer> Win32PeerFactory::CreateTreeViewPeer(TreeView& tree_view) {
  return MakeTreeViewPeer(*resources_, tree_view);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateBitBtnPeer(BitBtn& button) {
  return MakeBitBtnPeer(*resources_, button);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateStatusBarPeer(StatusBar& status_bar) {
  return MakeStatusBarPeer(*resources_, status_bar);
}
std::unique_ptr<ListBoxPeer> Win32PeerFactory::CreateListBoxPeer(ListBox& list_box) {
  return MakeListBoxPeer(*resources_, list_box);
}

}  // namespace erm::ui::win32
