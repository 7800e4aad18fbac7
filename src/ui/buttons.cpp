#include "ui/buttons.h"

#include "ui/form.h"

namespace erm::ui {

SpeedButton::SpeedButton(Component* owner, std::string name) : Control(owner, std::move(name)) {
  AttachPeer(Peers().CreateSpeedButtonPeer(*this));
}

void SpeedButton::SetGroupIndex(int index) {
  if (index == group_index_) return;
  group_index_ = index;
  if (group_index_ == 0 && down_) {
    down_ = false;
    Changed(Change::kState);
  }
  if (down_) ReleaseOthers();
}

void SpeedButton::SetDown(bool down) {
  if (group_index_ == 0) down = false;  // only a grouped button stays down
  if (down == down_) return;
  // The down button of a group without AllowAllUp comes up only when another goes down.
  if (down_ && !allow_all_up_) return;
  down_ = down;
  Changed(Change::kState);
  if (down_) ReleaseOthers();
}

void SpeedButton::ReleaseOthers() {
  if (Parent() == nullptr) return;
  for (Control* c : Parent()->Controls()) {
    auto* other = dynamic_cast<SpeedButton*>(c);
    if (other == nullptr || other == this || other->group_index_ != group_index_) continue;
    if (other->down_) {
      other->down_ = false;
      other->Changed(Change::kState);
    }
  }
}

void SpeedButton::SetFlat(bool flat) {
  if (flat == flat_) return;
  flat_ = flat;
  Changed(Change::kState);
}

void SpeedButton::Click() {
  if (group_index_ != 0) {
    if (!down_) {
      SetDown(true);
    } else if (allow_all_up_) {
      SetDown(false);
    }
  }
  if (OnClick) OnClick(this);
}

BitBtn::BitBtn(Component* owner, std::string name) : Control(owner, std::move(name)) {
  SetTabStop(true);
  AttachPeer(Peers().CreateBitBtnPeer(*this));
}

void BitBtn::SetKind(BitBtnKind kind) {
  kind_ = kind;
  switch (kind) {
    case BitBtnKind::kOk:
      modal_result_ = kMrOk;
      SetDefault(true);
      break;
    case BitBtnKind::kCancel:
      modal_result_ = kMrCancel;
      cancel_ = true;
      break;
    case BitBtnKind::kClose:
    case BitBtnKind::kCustom:
      break;
  }
  Changed(Change::kState);
}

void BitBtn::SetGlyph(int resource_id) {
  if (resource_id == glyph_) return;
  glyph_ = resource_id;
  Changed(Change::kState);
}

void BitBtn::SetDefault(bool value) {
  if (value == default_) return;
  default_ = value;
  Changed(Change::kState);
}

void BitBtn::Click() {
  Form* form = ParentForm();
  if (kind_ == BitBtnKind::kClose && form != nullptr) {
    form->Close();
    return;
  }
  if (form != nullptr) form->SetModalResult(modal_result_);
  if (OnClick) OnClick(this);
}

}  // namespace erm::ui
