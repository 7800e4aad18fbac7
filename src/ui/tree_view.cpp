#include "ui/tree_view.h"

#include <algorithm>

#include "platform/error.h"

namespace erm::ui {

TreeNode::TreeNode(TreeView& tree, TreeNode* parent, std::string text)
    : tree_(tree), parent_(parent), text_(std::move(text)) {}

TreeNode* TreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<size_t>(index)];
}

int TreeNode::Level() const {
  int level = 0;
  for (TreeNode* p = parent_; p != nullptr; p = p->parent_)
    ++level;
  return level;
}

void TreeNode::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  tree_.Peer().NodeTextChanged(*this);
}

void TreeNode::SetState(uint32_t state, uint32_t mask) {
  uint32_t new_state = (state_ & ~mask) | (state & mask);
  if (new_state == state_) return;
  state_ = new_state;
  tree_.Peer().NodeStateChanged(*this, mask);
}

void TreeNode::PeerStateChanged(uint32_t state, uint32_t mask) {
  state_ = (state_ & ~mask) | (state & mask);
}

TreeView::TreeView(Component* owner, std::string name) : Control(owner, std::move(name)) {
  SetTabStop(true);
  auto peer = Peers().CreateTreeViewPeer(*this);
  tree_peer_ = peer.get();
  AttachPeer(std::move(peer));
}

TreeView::~TreeView() = default;

void TreeView::SetReadOnly(bool read_only) {
  if (read_only == read_only_) return;
  read_only_ = read_only;
  Changed(Change::kState);
}

void TreeView::SetIndent(int indent) {
  if (indent == indent_) return;
  indent_ = indent;
  Changed(Change::kState);
}

void TreeView::Clear() {
  // The real control lets go of the nodes before they go.
  tree_peer_->NodesCleared();
  order_.clear();
  top_level_.clear();
  nodes_.clear();
}

TreeNode* TreeView::AddChild(TreeNode* parent, std::string text) {
  if (parent != nullptr && &parent->tree_ != this) {
    throw Error("Der Knoten geh\xF6rt zu einem anderen Baum");
  }
  // In tree order the new node comes after the last node below its parent.
  size_t position = order_.size();
  if (parent != nullptr) {
    TreeNode* last = parent;
    while (!last->children_.empty())
      last = last->children_.back();
    // Sought from the back: children are added under the node added last, or close to it.
    position = static_cast<size_t>(std::find(order_.rbegin(), order_.rend(), last).base() -
                                   order_.begin());
  }
  nodes_.push_back(std::make_unique<TreeNode>(*this, parent, std::move(text)));
  TreeNode* node = nodes_.back().get();
  order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), node);
  if (parent != nullptr) {
    parent->children_.push_back(node);
  } else {
    top_level_.push_back(node);
  }
  tree_peer_->NodeAdded(*node);
  return node;
}

TreeNode* TreeView::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return order_[static_cast<size_t>(index)];
}

TreeNode* TreeView::TopLevel(int index) const {
  if (index < 0 || index >= TopLevelCount()) return nullptr;
  return top_level_[static_cast<size_t>(index)];
}

void TreeView::SetNodeBold(TreeNode* node, bool bold) {
  if (node == nullptr) return;
  node->SetBold(bold);
}

}  // namespace erm::ui
