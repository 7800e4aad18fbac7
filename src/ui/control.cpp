#include "ui/control.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

Control::Control(Component* owner, std::string name)
    : Component(owner, std::move(name)), app_(ApplicationOf(owner)) {}

Control::Control(Application& app, std::string name)
    : Component(nullptr, std::move(name)), app_(app) {}

Control::~Control() {
  if (app_.ActiveControl() == this) app_.SetActiveControl(nullptr);
  if (parent_ != nullptr) parent_->Remove(this);
  parent_ = nullptr;
  peer_.reset();
}

Form* Control::ParentForm() {
  for (Control* c = this; c != nullptr; c = c->parent_) {
    if (auto* form = dynamic_cast<Form*>(c)) return form;
  }
  return nullptr;
}

void Control::SetParent(Container* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_ != nullptr) parent_->Remove(this);
  parent_ = parent;
  // In the parent's list (and placed by it) before the peer hears of it.
  if (parent_ != nullptr) parent_->Insert(this);
  Changed(Change::kParent);
  if (parent_font_) FontChanged();
}

void Control::SetBounds(int left, int top, int width, int height) {
  Rect bounds{left, top, std::max(0, width), std::max(0, height)};
  if (bounds == bounds_) return;
  bounds_ = bounds;
  Changed(Change::kBounds);
  if (parent_ != nullptr && !parent_->laying_out_) parent_->ChildChanged(this);
}

void Control::SetAlign(Align align) {
  if (align == align_) return;
  align_ = align;
  if (parent_ != nullptr) parent_->ChildChanged(this);
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed(Change::kVisible);
  if (parent_ != nullptr) parent_->ChildChanged(this);
}

bool Control::Showing() const {
  for (const Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(Change::kEnabled);
}

const Font& Control::GetFont() const {
  if (parent_font_ && parent_ != nullptr) return parent_->GetFont();
  return font_;
}

void Control::SetFont(const Font& font) {
  if (!parent_font_ && font == font_) return;
  font_ = font;
  parent_font_ = false;
  FontChanged();
}

void Control::SetParentFont(bool parent_font) {
  if (parent_font == parent_font_) return;
  if (!parent_font) font_ = GetFont();
  parent_font_ = parent_font;
  FontChanged();
}

void Control::FontChanged() {
  Changed(Change::kFont);
}

void Control::SetColor(Color color) {
  if (color == color_) return;
  color_ = color;
  Changed(Change::kColor);
}

void Control::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Change::kText);
}

void Control::SetAccessibleName(std::string name) {
  if (name == accessible_name_) return;
  accessible_name_ = std::move(name);
  Changed(Change::kAccessibleName);
}

void Control::SetTabOrder(int tab_order) {
  if (tab_order == tab_order_) return;
  tab_order_ = tab_order;
  Changed(Change::kTabOrder);
}

void Control::Repaint() {
  if (peer_ != nullptr) peer_->Repaint();
}

platform::WindowHandle Control::Handle() {
  return peer_ != nullptr ? peer_->Handle() : 0;
}

void Control::AttachPeer(std::unique_ptr<ControlPeer> peer) {
  peer_ = std::move(peer);
}

void Control::Changed(Change what) {
  if (peer_ != nullptr) peer_->Changed(what);
}

PeerFactory& Control::Peers() const {
  return app_.Peers();
}

Container::~Container() {
  // Children that outlive their parent are left without one rather than with a dangling one.
  std::vector<Control*> controls = controls_;
  controls_.clear();
  for (Control* c : controls) {
    c->parent_ = nullptr;
    c->Changed(Change::kParent);
  }
}

Rect Container::ClientRect() const {
  return {0, 0, Width(), Height()};
}

void Container::Realign() {
  if (laying_out_) return;
  laying_out_ = true;
  Rect client = ClientRect();
  int left = client.left;
  int width = client.width;
  int top = client.top;
  int bottom = client.top + client.height;
  for (Control* c : controls_) {
    if (!c->Visible() || c->GetAlign() != Align::kTop) continue;
    c->SetBounds(left, top, width, c->Height());
    top += c->Height();
  }
  for (Control* c : controls_) {
    if (!c->Visible() || c->GetAlign() != Align::kBottom) continue;
    c->SetBounds(left, bottom - c->Height(), width, c->Height());
    bottom -= c->Height();
  }
  for (Control* c : controls_) {
    if (!c->Visible() || c->GetAlign() != Align::kClient) continue;
    c->SetBounds(left, top, width, std::max(0, bottom - top));
  }
  laying_out_ = false;
}

void Container::SetBounds(int left, int top, int width, int height) {
  bool resized = width != Width() || height != Height();
  Control::SetBounds(left, top, width, height);
  if (resized) Realign();
}

void Container::ControlAdded(Control*) {
  Realign();
}

void Container::ControlRemoved(Control*) {
  Realign();
}

void Container::ChildChanged(Control*) {
  Realign();
}

void Container::FontChanged() {
  Control::FontChanged();
  for (Control* c : controls_) {
    if (c->ParentFont()) c->FontChanged();
  }
}

void Container::Insert(Control* control) {
  controls_.push_back(control);
  ControlAdded(control);
}

void Container::Remove(Control* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  ControlRemoved(control);
}

}  // namespace erm::ui
