// The two buttons of the program: the speed button, which works as a toggle in a group, and the
// button with a picture, which can be a form's default or cancel button and close a modal form.
#pragma once

#include <string>

#include "ui/control.h"

namespace erm::ui {

class SpeedButton : public Control {
 public:
  SpeedButton(Component* owner, std::string name);

  // Buttons of one parent that share a nonzero group index are down one at a time.
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index);
  bool Down() const { return down_; }
  // Putting a grouped button down releases the others of its group (set GroupIndex first: a
  // button outside a group is never down). Without AllowAllUp a down button stays down.
  void SetDown(bool down);
  // Whether a click on the down button of a group releases it; false leaves it down.
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool allow) { allow_all_up_ = allow; }
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);

  // What a click by the user does: the group's down state, then OnClick.
  void Click();

  NotifyEvent OnClick;

 private:
  void ReleaseOthers();

  int group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  bool flat_ = false;
};

enum class BitBtnKind { kCustom, kOk, kCancel, kClose };

class BitBtn : public Control {
 public:
  BitBtn(Component* owner, std::string name);

  // A standard kind sets the modal result and the default or cancel role that go with it; a
  // close button closes its form when clicked.
  BitBtnKind Kind() const { return kind_; }
  void SetKind(BitBtnKind kind);
  // The picture: an icon from the program's resources (0: none).
  int Glyph() const { return glyph_; }
  void SetGlyph(int resource_id);
  // Enter clicks the default button of a form, Escape its cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  // Given to the parent form on every click; a nonzero result ends a modal form.
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }

  // What a click by the user does: the form's modal result, then OnClick.
  void Click();

  NotifyEvent OnClick;

 private:
  BitBtnKind kind_ = BitBtnKind::kCustom;
  int glyph_ = 0;
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
};

}  // namespace erm::ui
