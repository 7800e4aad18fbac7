#include "ui/std_controls.h"

#include <algorithm>

namespace erm::ui {

Label::Label(Component* owner, std::string name) : Control(owner, std::move(name)) {
  AttachPeer(Peers().CreateLabelPeer(*this));
}

void Label::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  Changed(Change::kState);
}

void Label::SetWordWrap(bool word_wrap) {
  if (word_wrap == word_wrap_) return;
  word_wrap_ = word_wrap;
  Changed(Change::kState);
}

void Label::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed(Change::kState);
}

Panel::Panel(Component* owner, std::string name) : Container(owner, std::move(name)) {
  AttachPeer(Peers().CreatePanelPeer(*this));
}

void Panel::SetBevelOuter(BevelCut cut) {
  if (cut == bevel_outer_) return;
  bevel_outer_ = cut;
  Changed(Change::kState);
  Realign();
}

void Panel::SetBevelInner(BevelCut cut) {
  if (cut == bevel_inner_) return;
  bevel_inner_ = cut;
  Changed(Change::kState);
  Realign();
}

int Panel::BevelWidth() const {
  return (bevel_outer_ != BevelCut::kNone ? 1 : 0) + (bevel_inner_ != BevelCut::kNone ? 1 : 0);
}

Rect Panel::ClientRect() const {
  int b = BevelWidth();
  return {b, b, std::max(0, Width() - 2 * b), std::max(0, Height() - 2 * b)};
}

GroupBox::GroupBox(Component* owner, std::string name) : Container(owner, std::move(name)) {
  AttachPeer(Peers().CreateGroupBoxPeer(*this));
}

Rect GroupBox::ClientRect() const {
  // Below the caption, which takes about a line of the font, inside the two-pixel frame.
  int caption = GetFont().height + GetFont().height / 5 + 2;
  return {2, caption, std::max(0, Width() - 4), std::max(0, Height() - caption - 2)};
}

Bevel::Bevel(Component* owner, std::string name) : Control(owner, std::move(name)) {
  AttachPeer(Peers().CreateBevelPeer(*this));
}

void Bevel::SetShape(BevelShape shape) {
  if (shape == shape_) return;
  shape_ = shape;
  Changed(Change::kState);
}

StatusBar::StatusBar(Component* owner, std::string name) : Control(owner, std::move(name)) {
  SetBounds(0, 0, 0, 19);
  AttachPeer(Peers().CreateStatusBarPeer(*this));
  SetAlign(Align::kBottom);
}

void StatusBar::SetSimplePanel(bool simple) {
  if (simple == simple_panel_) return;
  simple_panel_ = simple;
  Changed(Change::kState);
}

void StatusBar::SetSimpleText(std::string text) {
  if (text == simple_text_) return;
  simple_text_ = std::move(text);
  Changed(Change::kState);
}

ProgressBar::ProgressBar(Component* owner, std::string name) : Control(owner, std::move(name)) {
  AttachPeer(Peers().CreateProgressBarPeer(*this));
}

void ProgressBar::SetMin(int min) {
  if (min == min_) return;
  min_ = min;
  position_ = std::max(position_, min_);
  Changed(Change::kState);
}

void ProgressBar::SetMax(int max) {
  if (max == max_) return;
  max_ = max;
  position_ = std::max(min_, std::min(position_, max_));
  Changed(Change::kState);
}

void ProgressBar::SetPosition(int position) {
  position = std::max(min_, std::min(position, max_));
  if (position == position_) return;
  position_ = position;
  Changed(Change::kState);
}

void ProgressBar::SetStep(int step) {
  if (step == step_) return;
  step_ = step;
  Changed(Change::kState);
}

void ProgressBar::StepIt() {
  int position = position_ + step_;
  if (position > max_) position = min_;
  if (position < min_) position = max_;
  position_ = std::max(min_, std::min(position, max_));
  Changed(Change::kState);
}

void ProgressBar::SetSmooth(bool smooth) {
  if (smooth == smooth_) return;
  smooth_ = smooth;
  Changed(Change::kState);
}

Animate::Animate(Component* owner, std::string name) : Control(owner, std::move(name)) {
  AttachPeer(Peers().CreateAnimatePeer(*this));
}

void Animate::SetCommonAvi(CommonAvi clip) {
  if (clip == common_avi_) return;
  common_avi_ = clip;
  Changed(Change::kState);
}

void Animate::SetStopFrame(int frame) {
  if (frame == stop_frame_) return;
  stop_frame_ = frame;
  Changed(Change::kState);
}

void Animate::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  Changed(Change::kState);
}

}  // namespace erm::ui
