// The Windows peers of the controls, one class each; the factory makes them.
#pragma once

#include <memory>

#include "ui/peer.h"
#include "ui/win32/win32_base.h"

namespace erm::ui::win32 {

std::unique_ptr<FormPeer> MakeFormPeer(Resources& resources, Form& form);
std::unique_ptr<ControlPeer> MakeLabelPeer(Resources& resources, Label& label);
std::unique_ptr<ControlPeer> MakePanelPeer(Resources& resources, Panel& panel);
std::unique_ptr<ControlPeer> MakeGroupBoxPeer(Resources& resources, GroupBox& group_box);
std::unique_ptr<ControlPeer> MakeBevelPeer(Resources& resources, Bevel& bevel);
std::unique_ptr<ControlPeer> MakeToolBarPeer(Resources& resources, ToolBar& tool_bar);
std::unique_ptr<ControlPeer> MakeSpeedButtonPeer(Resources& resources, SpeedButton& button);
std::unique_ptr<ControlPeer> MakeProgressBarPeer(Resources& resources, ProgressBar& bar);
std::unique_ptr<ControlPeer> MakeAnimatePeer(Resources& resources, Animate& animate);
std::unique_ptr<TreeViewPeer> MakeTreeViewPeer(Resources& resources, TreeView& tree_view);
std::unique_ptr<ControlPeer> MakeBitBtnPeer(Resources& resources, BitBtn& button);
std::unique_ptr<ControlPeer> MakeStatusBarPeer(Resources& resources, StatusBar& status_bar);
std::unique_ptr<ListBoxPeer> MakeListBoxPeer(Resources& resources, ListBox& list_box);

}  // namespace erm::ui::win32
