// The Windows peers of the list box and the tree view. Both mirror the object line by line and
// node by node; the order and the state are the object's.
#include "ui/list_box.h"
#include "ui/tree_view.h"
#include "ui/win32/win32_base.h"
#include "ui/win32/win32_peers.h"

namespace erm::ui::win32 {

namespace {

class ListBoxPeerImpl : public Peer<ListBoxPeer> {
 public:
  ListBoxPeerImpl(Resources& resources, ListBox& list) : Peer(resources, list), list_(list) {}

  void ItemsCleared() override {
    if (window_ != nullptr) SendMessageA(window_, LB_RESETCONTENT, 0, 0);
  }
  void ItemInserted(int index) override {
    if (window_ == nullptr) return;
    SendMessageA(window_, LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(list_.Item(index).c_str()));
    if (list_.Selected(index)) SelectionChanged(index);
  }
  void ItemDeleted(int index) override {
    if (window_ != nullptr) SendMessageA(window_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }
  void SelectionChanged(int index) override {
    if (window_ == nullptr) return;
    bool selected = list_.Selected(index);
    if (list_.MultiSelect()) {
      SendMessageA(window_, LB_SETSEL, selected ? TRUE : FALSE, index);
    } else if (selected) {
      SendMessageA(window_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    } else if (SendMessageA(window_, LB_GETCURSEL, 0, 0) == index) {
      SendMessageA(window_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
  }

 protected:
  // Never LBS_SORT: the list's own order is the one that counts.
  CreateParams Params() override {
    DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
    if (list_.MultiSelect()) style |= list_.ExtendedSelect() ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    return {"LISTBOX", style, WS_EX_CLIENTEDGE};
  }
  void AfterCreate() override {
    for (int i = 0; i < list_.Count(); ++i)
      ItemInserted(i);
  }
  void ApplyText() override {}
  // The selection styles are fixed when a list box window is made.
  void ApplyState() override { Recreate(); }
  void ApplyDpi() override {
    ApplyFont();
    ApplyBounds();
  }
  bool OnCommand(WORD code) override {
    if (code != LBN_SELCHANGE) return false;
    for (int i = 0; i < list_.Count(); ++i) {
      list_.PeerSelectionChanged(i,
                                 SendMessageA(window_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0);
    }
    return true;
  }

 private:
  ListBox& list_;
};

HTREEITEM ItemOf(const TreeNode& node) {
  return reinterpret_cast<HTREEITEM>(node.peer_item);
}

class TreeViewPeerImpl : public Peer<TreeViewPeer> {
 public:
  TreeViewPeerImpl(Resources& resources, TreeView& tree) : Peer(resources, tree), tree_(tree) {}

  void NodesCleared() override {
    if (window_ != nullptr)
      SendMessageA(window_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  }

  void NodeAdded(TreeNode& node) override {
    if (window_ == nullptr) return;
    TVINSERTSTRUCTA insert{};
    insert.hParent = node.Parent() != nullptr ? ItemOf(*node.Parent()) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<char*>(node.Text().c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    insert.item.state = node.State() & kNodeStateBold;
    insert.item.stateMask = kNodeStateBold;
    node.peer_item = reinterpret_cast<std::uintptr_t>(reinterpret_cast<HTREEITEM>(
        SendMessageA(window_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))));
  }

  void NodeTextChanged(TreeNode& node) override {
    if (window_ == nullptr || node.peer_item == 0) return;
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = ItemOf(node);
    item.pszText = const_cast<char*>(node.Text().c_str());
    SendMessageA(window_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }

  // Only the bits named go into the state mask, so the control keeps its other bits (selected,
  // focused, ...) as they are.
  void NodeStateChanged(TreeNode& node, uint32_t mask) override {
    if (window_ == nullptr || node.peer_item == 0) return;
    uint32_t plain_bits = mask & ~kNodeStateExpanded;
    if (plain_bits != 0) {
      TVITEMA item{};
      item.mask = TVIF_STATE;
      item.hItem = ItemOf(node);
      item.state = node.State() & plain_bits;
      item.stateMask = plain_bits;
      SendMessageA(window_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if ((mask & kNodeStateExpanded) != 0) {
      SendMessageA(window_, TVM_EXPAND, node.Expanded() ? TVE_EXPAND : TVE_COLLAPSE,
                   reinterpret_cast<LPARAM>(ItemOf(node)));
    }
  }

 protected:
  CreateParams Params() override {
    DWORD style = WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
    if (!tree_.ReadOnly()) style |= TVS_EDITLABELS;
    return {WC_TREEVIEWA, style, WS_EX_CLIENTEDGE};
  }
  void AfterCreate() override {
    for (TreeNode* node : tree_.Nodes())
      NodeAdded(*node);
    for (TreeNode* node : tree_.Nodes()) {
      if (node->Expanded()) NodeStateChanged(*node, kNodeStateExpanded);
    }
    ApplyState();
  }
  void ApplyText() override {}
  void ApplyState() override {
    SendMessageA(window_, TVM_SETINDENT, static_cast<WPARAM>(Scale(tree_.Indent())), 0);
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    LONG edit = tree_.ReadOnly() ? 0 : TVS_EDITLABELS;
    if ((style & TVS_EDITLABELS) != edit) {
      SetWindowLongA(window_, GWL_STYLE, (style & ~TVS_EDITLABELS) | edit);
    }
  }
  bool OnNotify(NMHDR* header, LRESULT* result) override {
    if (header->code != TVN_ITEMEXPANDEDA && header->code != TVN_ITEMEXPANDEDW) return false;
    // The user opened or closed a node: the object learns of it.
    auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
    auto* node = reinterpret_cast<TreeNode*>(change->itemNew.lParam);
    if (node != nullptr) {
      bool expanded = (change->itemNew.state & TVIS_EXPANDED) != 0;
      node->PeerStateChanged(expanded ? kNodeStateExpanded : 0, kNodeStateExpanded);
    }
    *result = 0;
    return true;
  }

 private:
  TreeView& tree_;
};

}  // namespace

std::unique_ptr<ListBoxPeer> Win32PeerFactory::CreateListBoxPeer(ListBox& list_box) {
  return Make<ListBoxPeerImpl>(list_box);
}
std::unique_ptr<TreeViewPeer> Win32PeerFactory::CreateTreeViewPeer(TreeView& tree_view) {
  return Make<TreeViewPeerImpl>(tree_view);
}

}  // namespace erm::ui::win32
