// The Windows peers: every control of the component layer shown by a real Windows control,
// with its sizes and fonts scaled from 96 dots per inch to the monitor's.
#pragma once

#include <memory>

#include "platform/desktop.h"
#include "ui/peer.h"

namespace erm::ui::win32 {

class Resources;

class Win32PeerFactory : public PeerFactory {
 public:
  explicit Win32PeerFactory(platform::Desktop& desktop);
  ~Win32PeerFactory() override;
  Win32PeerFactory(const Win32PeerFactory&) = delete;
  Win32PeerFactory& operator=(const Win32PeerFactory&) = delete;

  std::unique_ptr<FormPeer> CreateFormPeer(Form& form) override;
  std::unique_ptr<ControlPeer> CreateLabelPeer(Label& label) override;
  std::unique_ptr<ControlPeer> CreatePanelPeer(Panel& panel) override;
  std::unique_ptr<ControlPeer> CreateGroupBoxPeer(GroupBox& group_box) override;
  std::unique_ptr<ControlPeer> CreateBevelPeer(Bevel& bevel) override;
  std::unique_ptr<ControlPeer> CreateToolBarPeer(ToolBar& tool_bar) override;
  std::unique_ptr<ControlPeer> CreateSpeedButtonPeer(SpeedButton& button) override;
  std::unique_ptr<ControlPeer> CreateProgressBarPeer(ProgressBar& progress_bar) override;
  std::unique_ptr<ControlPeer> CreateAnimatePeer(Animate& animate) override;
  std::unique_ptr<TreeViewPeer> CreateTreeViewPeer(TreeView& tree_view) override;
  std::unique_ptr<ControlPeer> CreateBitBtnPeer(BitBtn& button) override;
  std::unique_ptr<ControlPeer> CreateStatusBarPeer(StatusBar& status_bar) override;
  std::unique_ptr<ListBoxPeer> CreateListBoxPeer(ListBox& list_box) override;

  // Fonts, brushes and the like that the peers share.
  Resources& Shared() { return *resources_; }

 private:
  // Every peer is made from the shared resources and its control; the file that holds a peer's
  // class defines the factory method that makes it.
  template <class PeerClass, class ControlClass>
  std::unique_ptr<PeerClass> Make(ControlClass& control) {
    return std::make_unique<PeerClass>(*resources_, control);
  }

  std::unique_ptr<Resources> resources_;
};

}  // namespace erm::ui::win32
