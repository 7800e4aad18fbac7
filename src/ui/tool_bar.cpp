#include "ui/tool_bar.h"

#include <algorithm>

namespace erm::ui {

ToolBar::ToolBar(Component* owner, std::string name) : Container(owner, std::move(name)) {
  SetBounds(0, 0, 0, 29);
  AttachPeer(Peers().CreateToolBarPeer(*this));
  SetAlign(Align::kTop);
}

void ToolBar::SetButtonHeight(int height) {
  if (height == button_height_) return;
  button_height_ = height;
  Changed(Change::kState);
}

void ToolBar::SetEdgeBorders(unsigned borders) {
  if (borders == edge_borders_) return;
  edge_borders_ = borders;
  Changed(Change::kState);
  Arrange();
}

void ToolBar::SetEdgeInner(EdgeStyle style) {
  if (style == edge_inner_) return;
  edge_inner_ = style;
  Changed(Change::kState);
  Arrange();
}

void ToolBar::SetEdgeOuter(EdgeStyle style) {
  if (style == edge_outer_) return;
  edge_outer_ = style;
  Changed(Change::kState);
  Arrange();
}

void ToolBar::AddSeparator(int width) {
  items_.push_back({nullptr, width});
  Arrange();
}

int ToolBar::EdgeWidth(EdgeBorder border) const {
  if ((edge_borders_ & static_cast<unsigned>(border)) == 0) return 0;
  return (edge_inner_ != EdgeStyle::kNone ? 1 : 0) + (edge_outer_ != EdgeStyle::kNone ? 1 : 0);
}

Rect ToolBar::ClientRect() const {
  int left = EdgeWidth(EdgeBorder::kLeft);
  int top = EdgeWidth(EdgeBorder::kTop);
  int right = EdgeWidth(EdgeBorder::kRight);
  int bottom = EdgeWidth(EdgeBorder::kBottom);
  return {left, top, std::max(0, Width() - left - right), std::max(0, Height() - top - bottom)};
}

void ToolBar::Arrange() {
  if (laying_out_) return;
  laying_out_ = true;
  Rect client = ClientRect();
  int x = client.left;
  for (const Item& item : items_) {
    if (item.control == nullptr) {
      x += item.separator_width;
      continue;
    }
    item.control->SetBounds(x, client.top, item.control->Width(), item.control->Height());
    // A hidden control leaves its place to the ones after it, as in a tool bar of buttons: the
    // status label behind the scan's animation, at the window's right edge, shows more of its
    // text while no scan runs.
    if (item.control->Visible()) x += item.control->Width();
  }
  laying_out_ = false;
}

void ToolBar::ControlAdded(Control* control) {
  items_.push_back({control, 0});
  Arrange();
}

void ToolBar::ControlRemoved(Control* control) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [control](const Item& item) { return item.control == control; }),
               items_.end());
  Arrange();
}

void ToolBar::ChildChanged(Control*) {
  Arrange();
}

}  // namespace erm::ui
