// The seam between a control's state and what shows it. Every control keeps its state in the C++
// object and tells its peer what changed; the Windows peer drives a real control from that, the
// headless peer does nothing, so tests read the state straight from the objects. Input that a
// real control takes from the user comes back through the controls' public operations.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/desktop.h"

namespace erm::ui {

class Animate;
class Bevel;
class BitBtn;
class Control;
class Form;
class GroupBox;
class Label;
class ListBox;
class Panel;
class ProgressBar;
class SpeedButton;
class StatusBar;
class ToolBar;
class TreeNode;
class TreeView;

// What changed about a control since its peer last heard of it.
enum class Change {
  kParent,  // the control has a new parent, or none
  kBounds,  // position or size
  kVisible,
  kEnabled,
  kText,  // caption or text
  kFont,
  kColor,
  kTabOrder,
  kState,  // a property of the control's own kind (down, position, range, active, ...)
  kAccessibleName,
};

class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  // The control's window, created on first use; 0 for a peer that has none.
  virtual platform::WindowHandle Handle() = 0;
  virtual void Changed(Change what) = 0;
  // Paints the control at once, without waiting for the message loop.
  virtual void Repaint() = 0;
};

class ListBoxPeer : public ControlPeer {
 public:
  virtual void ItemsCleared() = 0;
  virtual void ItemInserted(int index) = 0;
  virtual void ItemDeleted(int index) = 0;
  virtual void SelectionChanged(int index) = 0;
};

class TreeViewPeer : public ControlPeer {
 public:
  virtual void NodesCleared() = 0;
  // The node is already in the tree, at the end of its parent's children.
  virtual void NodeAdded(TreeNode& node) = 0;
  virtual void NodeTextChanged(TreeNode& node) = 0;
  // The state bits named in the mask changed; the others are to stay as they are.
  virtual void NodeStateChanged(TreeNode& node, uint32_t mask) = 0;
};

class FormPeer : public ControlPeer {
 public:
  // Puts the form in front of the other windows and makes it the foreground window.
  virtual void BringToFront() = 0;
  // Moves the form to the middle of the screen it is on.
  virtual void CenterOnScreen() = 0;
  // The form's main menu, or something in it, changed.
  virtual void MenuChanged() = 0;
  // Tells screen readers that the form, just shown, is an alert to read out.
  virtual void RaiseAlert() = 0;
};

class PeerFactory {
 public:
  virtual ~PeerFactory() = default;
  virtual std::unique_ptr<FormPeer> CreateFormPeer(Form& form) = 0;
  virtual std::unique_ptr<ControlPeer> CreateLabelPeer(Label& label) = 0;
  virtual std::unique_ptr<ControlPeer> CreatePanelPeer(Panel& panel) = 0;
  virtual std::unique_ptr<ControlPeer> CreateGroupBoxPeer(GroupBox& group_box) = 0;
  virtual std::unique_ptr<ControlPeer> CreateBevelPeer(Bevel& bevel) = 0;
  virtual std::unique_ptr<ControlPeer> CreateToolBarPeer(ToolBar& tool_bar) = 0;
  virtual std::unique_ptr<ControlPeer> CreateSpeedButtonPeer(SpeedButton& button) = 0;
  virtual std::unique_ptr<ControlPeer> CreateProgressBarPeer(ProgressBar& progress_bar) = 0;
  virtual std::unique_ptr<ControlPeer> CreateAnimatePeer(Animate& animate) = 0;
  virtual std::unique_ptr<TreeViewPeer> CreateTreeViewPeer(TreeView& tree_view) = 0;
  virtual std::unique_ptr<ControlPeer> CreateBitBtnPeer(BitBtn& button) = 0;
  virtual std::unique_ptr<ControlPeer> CreateStatusBarPeer(StatusBar& status_bar) = 0;
  virtual std::unique_ptr<ListBoxPeer> CreateListBoxPeer(ListBox& list_box) = 0;
};

}  // namespace erm::ui
