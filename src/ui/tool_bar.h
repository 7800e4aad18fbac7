// The tool bar: a bar across the top of a form that holds controls in one row, left to right in
// the order they joined it, with separators of given widths between them.
#pragma once

#include <string>
#include <vector>

#include "ui/control.h"

namespace erm::ui {

enum class EdgeBorder : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
enum class EdgeStyle { kNone, kRaised, kLowered };

class ToolBar : public Container {
 public:
  // One place in the row: a control, or a separator (control nullptr) of a width.
  struct Item {
    Control* control = nullptr;
    int separator_width = 0;
  };

  ToolBar(Component* owner, std::string name);

  int ButtonHeight() const { return button_height_; }
  void SetButtonHeight(int height);
  // A combination of EdgeBorder bits.
  unsigned EdgeBorders() const { return edge_borders_; }
  void SetEdgeBorders(unsigned borders);
  EdgeStyle EdgeInner() const { return edge_inner_; }
  void SetEdgeInner(EdgeStyle style);
  EdgeStyle EdgeOuter() const { return edge_outer_; }
  void SetEdgeOuter(EdgeStyle style);

  // Appends a gap to the row; the next control comes after it.
  void AddSeparator(int width);
  const std::vector<Item>& Items() const { return items_; }

  Rect ClientRect() const override;
  // Places the controls along the row; each keeps its width, hidden ones take no place.
  void Arrange();

 protected:
  void ControlAdded(Control* control) override;
  void ControlRemoved(Control* control) override;
  void ChildChanged(Control* control) override;

 private:
  int EdgeWidth(EdgeBorder border) const;

  int button_height_ = 22;
  unsigned edge_borders_ = static_cast<unsigned>(EdgeBorder::kTop);
  EdgeStyle edge_inner_ = EdgeStyle::kRaised;
  EdgeStyle edge_outer_ = EdgeStyle::kLowered;
  std::vector<Item> items_;
};

inline unsigned operator|(EdgeBorder a, EdgeBorder b) {
  return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}

}  // namespace erm::ui
