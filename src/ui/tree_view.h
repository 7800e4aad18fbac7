// The tree view, read-only here: nodes with a text and a state, in two or more levels. Node
// order is tree order: each node is followed by its children, and Item(i) counts in that order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"

namespace erm::ui {

class TreeView;

// Item state bits as the system's tree control numbers them.
inline constexpr uint32_t kNodeStateBold = 0x0010;
inline constexpr uint32_t kNodeStateExpanded = 0x0020;

class TreeNode {
 public:
  TreeNode(TreeView& tree, TreeNode* parent, std::string text);

  TreeView& Tree() const { return tree_; }
  TreeNode* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  TreeNode* Item(int index) const;
  // Level 0 for a top-level node.
  int Level() const;

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // The item state; setting it changes only the bits named in the mask.
  uint32_t State() const { return state_; }
  void SetState(uint32_t state, uint32_t mask);
  bool Bold() const { return (state_ & kNodeStateBold) != 0; }
  void SetBold(bool bold) { SetState(bold ? kNodeStateBold : 0, kNodeStateBold); }
  bool Expanded() const { return (state_ & kNodeStateExpanded) != 0; }
  void SetExpanded(bool expanded) {
    SetState(expanded ? kNodeStateExpanded : 0, kNodeStateExpanded);
  }

  // For peers: where the real control keeps this node.
  std::uintptr_t peer_item = 0;
  // For peers: the user expanded or collapsed the node in the real control.
  void PeerStateChanged(uint32_t state, uint32_t mask);

 private:
  friend class TreeView;

  TreeView& tree_;
  TreeNode* parent_;
  std::string text_;
  uint32_t state_ = 0;
  std::vector<TreeNode*> children_;
};

class TreeView : public Control {
 public:
  TreeView(Component* owner, std::string name);
  ~TreeView() override;

  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  // Pixels each level is indented by.
  int Indent() const { return indent_; }
  void SetIndent(int indent);

  void Clear();
  // Adds a node at the end of the parent's children, or of the top level for nullptr.
  TreeNode* AddChild(TreeNode* parent, std::string text);
  // Every node, in tree order.
  int Count() const { return static_cast<int>(nodes_.size()); }
  TreeNode* Item(int index) const;
  const std::vector<TreeNode*>& Nodes() const { return order_; }
  int TopLevelCount() const { return static_cast<int>(top_level_.size()); }
  TreeNode* TopLevel(int index) const;

  // The bold state of one node through its item state (only the bold bit in the mask); a
  // missing node is passed over.
  void SetNodeBold(TreeNode* node, bool bold);

  TreeViewPeer& Peer() { return *tree_peer_; }

 private:
  friend class TreeNode;

  TreeViewPeer* tree_peer_ = nullptr;
  bool read_only_ = false;
  int indent_ = 19;
  std::vector<std::unique_ptr<TreeNode>> nodes_;
  std::vector<TreeNode*> order_;
  std::vector<TreeNode*> top_level_;
};

}  // namespace erm::ui
