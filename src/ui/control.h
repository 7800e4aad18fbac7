// Controls: the visible parts of a form. A control belongs to its owner (the form it was made
// for) and sits in its parent, a container, at a position relative to the parent's top left
// corner; an aligned control is placed by its parent instead. Fonts follow the parent's until a
// control is given its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/peer.h"
#include "ui/types.h"

namespace erm::ui {

class Application;
class Container;
class Form;

class Control : public Component {
 public:
  // The owner is the form, or a component owned by one.
  Control(Component* owner, std::string name);
  ~Control() override;

  Application& GetApplication() const { return app_; }
  // The form the control sits on, through its parents; nullptr while it has no parent.
  Form* ParentForm();

  Container* Parent() const { return parent_; }
  void SetParent(Container* parent);

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  const Rect& BoundsRect() const { return bounds_; }
  void SetLeft(int left) { SetBounds(left, bounds_.top, bounds_.width, bounds_.height); }
  void SetTop(int top) { SetBounds(bounds_.left, top, bounds_.width, bounds_.height); }
  void SetWidth(int width) { SetBounds(bounds_.left, bounds_.top, width, bounds_.height); }
  void SetHeight(int height) { SetBounds(bounds_.left, bounds_.top, bounds_.width, height); }
  virtual void SetBounds(int left, int top, int width, int height);

  Align GetAlign() const { return align_; }
  void SetAlign(Align align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // Visible, and so are all its parents.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // The control's own font, or its parent's while ParentFont is set.
  const Font& GetFont() const;
  void SetFont(const Font& font);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool parent_font);

  Color GetColor() const { return color_; }
  void SetColor(Color color);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::string& Text() const { return caption_; }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  // Tab moves between the controls that are tab stops, in TabOrder within each parent (the
  // ones without a TabOrder after, in the order they joined).
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int tab_order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool tab_stop) { tab_stop_ = tab_stop; }

  // What a screen reader calls a control that shows no text of its own, such as a tree.
  const std::string& AccessibleName() const { return accessible_name_; }
  void SetAccessibleName(std::string name);

  // Paints the control at once.
  void Repaint();

  // The control's window (0 where the peer has none).
  platform::WindowHandle Handle();
  ControlPeer& Peer() { return *peer_; }
  bool HasPeer() const { return peer_ != nullptr; }

  // For peers: the real control was moved or sized by the system, or measured its text.
  void PeerBoundsChanged(const Rect& bounds) { bounds_ = bounds; }

 protected:
  // For forms, which belong to the application rather than to a component.
  Control(Application& app, std::string name);

  void AttachPeer(std::unique_ptr<ControlPeer> peer);
  void Changed(Change what);
  // Sets the flag without showing or hiding anything (a form starts hidden).
  void SetVisibleState(bool visible) { visible_ = visible; }
  PeerFactory& Peers() const;
  // The font changed for this control; its children follow.
  virtual void FontChanged();

 private:
  friend class Container;

  Application& app_;
  Container* parent_ = nullptr;
  Rect bounds_;
  Align align_ = Align::kNone;
  bool visible_ = true;
  bool enabled_ = true;
  Font font_;
  bool parent_font_ = true;
  Color color_ = kColorBtnFace;
  std::string caption_;
  std::string accessible_name_;
  int tab_order_ = -1;
  bool tab_stop_ = false;
  std::unique_ptr<ControlPeer> peer_;
};

// A control that holds other controls.
class Container : public Control {
 public:
  using Control::Control;
  ~Container() override;

  const std::vector<Control*>& Controls() const { return controls_; }
  // The part of the control that aligned children share, in its own coordinates.
  virtual Rect ClientRect() const;
  // Places the aligned children: top ones from the top down, bottom ones from the bottom up, in
  // the order they joined, and a client-aligned one in what is left.
  void Realign();

  void SetBounds(int left, int top, int width, int height) override;

 protected:
  virtual void ControlAdded(Control* control);
  virtual void ControlRemoved(Control* control);
  // A child moved, changed size, alignment or visibility.
  virtual void ChildChanged(Control* control);
  void FontChanged() override;
  // True while the container places its children, so that their moves come back to nobody.
  bool laying_out_ = false;

 private:
  friend class Control;
  void Insert(Control* control);
  void Remove(Control* control);

  std::vector<Control*> controls_;
};

}  // namespace erm::ui
