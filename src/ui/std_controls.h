// The simple controls: labels, panels, group boxes, bevels, the status bar, the progress bar and
// the animation.
#pragma once

#include <string>

#include "ui/control.h"

namespace erm::ui {

class Label : public Control {
 public:
  Label(Component* owner, std::string name);

  // With AutoSize the control takes the size of its text (the Windows peer measures it).
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool word_wrap);
  // A transparent label shows its parent's background instead of its own colour.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

 private:
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool transparent_ = false;
};

enum class BevelCut { kNone, kLowered, kRaised };

class Panel : public Container {
 public:
  Panel(Component* owner, std::string name);

  BevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(BevelCut cut);
  BevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(BevelCut cut);
  Rect ClientRect() const override;

 private:
  int BevelWidth() const;

  BevelCut bevel_outer_ = BevelCut::kRaised;
  BevelCut bevel_inner_ = BevelCut::kNone;
};

// A frame with a caption around controls that it holds; their positions count from its corner.
class GroupBox : public Container {
 public:
  GroupBox(Component* owner, std::string name);
  Rect ClientRect() const override;
};

enum class BevelShape { kBox, kTopLine, kBottomLine };

// An etched line or frame, drawn in the parent.
class Bevel : public Control {
 public:
  Bevel(Component* owner, std::string name);

  BevelShape Shape() const { return shape_; }
  void SetShape(BevelShape shape);

 private:
  BevelShape shape_ = BevelShape::kBox;
};

// A line of text at the bottom of a form.
class StatusBar : public Control {
 public:
  StatusBar(Component* owner, std::string name);

  // With SimplePanel the bar shows SimpleText alone, across its whole width.
  bool SimplePanel() const { return simple_panel_; }
  void SetSimplePanel(bool simple);
  const std::string& SimpleText() const { return simple_text_; }
  void SetSimpleText(std::string text);

 private:
  bool simple_panel_ = false;
  std::string simple_text_;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Component* owner, std::string name);

  int Min() const { return min_; }
  void SetMin(int min);
  int Max() const { return max_; }
  void SetMax(int max);
  // Kept within Min and Max.
  int Position() const { return position_; }
  void SetPosition(int position);
  int Step() const { return step_; }
  void SetStep(int step);
  // Advances by Step; past Max it starts over at Min, as the system's progress bar does.
  void StepIt();
  // A continuous bar instead of blocks.
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool smooth);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
  bool smooth_ = false;
};

enum class CommonAvi {
  kNone,
  kFindFolder,  // the system's clip of a torch searching a folder
};

class Animate : public Control {
 public:
  Animate(Component* owner, std::string name);

  CommonAvi GetCommonAvi() const { return common_avi_; }
  void SetCommonAvi(CommonAvi clip);
  // The clip plays from frame 0 to StopFrame, over and over, while Active.
  int StopFrame() const { return stop_frame_; }
  void SetStopFrame(int frame);
  bool Active() const { return active_; }
  void SetActive(bool active);

 private:
  CommonAvi common_avi_ = CommonAvi::kNone;
  int stop_frame_ = 0;
  bool active_ = false;
};

}  // namespace erm::ui
