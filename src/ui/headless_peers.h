// Peers that show nothing, for tests and tools: the controls' state lives in the objects. Only a
// form gets a window, a Desktop message window, so that showing and hiding it go through
// Desktop::ShowWindow and window hooks see the messages they would see on Windows. The peers
// count what they were asked to do.
#pragma once

#include <memory>

#include "platform/desktop.h"
#include "ui/peer.h"

namespace erm::ui {

class HeadlessPeer {
 public:
  int repaint_count = 0;
  int change_count = 0;
};

class HeadlessPeerFactory : public PeerFactory {
 public:
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
};

// The counters of a control's headless peer; nullptr when the control has another kind of peer.
HeadlessPeer* HeadlessPeerOf(class Control& control);

// How often a headless form peer was asked to come to the front, to centre itself, or to be
// read out as an alert.
struct HeadlessFormCounts {
  int bring_to_front = 0;
  int center = 0;
  int alerts = 0;
};
HeadlessFormCounts* HeadlessCountsOf(class Form& form);

}  // namespace erm::ui
