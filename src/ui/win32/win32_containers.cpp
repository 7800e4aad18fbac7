// The Windows peers of the containers (panel, group box, tool bar): windows of the program's own
// class that hold their children's windows and paint their frames and captions themselves.
#include <string>

#include "ui/std_controls.h"
#include "ui/tool_bar.h"
#include "ui/win32/win32_base.h"
#include "ui/win32/win32_peers.h"

namespace erm::ui::win32 {

namespace {

void FillBackground(HWND window, HDC dc, HBRUSH brush) {
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, brush);
}

UINT EdgeFlags(BevelCut cut, bool inner) {
  switch (cut) {
    case BevelCut::kRaised:
      return inner ? BDR_RAISEDINNER : BDR_RAISEDOUTER;
    case BevelCut::kLowered:
      return inner ? BDR_SUNKENINNER : BDR_SUNKENOUTER;
    case BevelCut::kNone:
      break;
  }
  return 0;
}

UINT EdgeFlags(EdgeStyle style, bool inner) {
  switch (style) {
    case EdgeStyle::kRaised:
      return inner ? BDR_RAISEDINNER : BDR_RAISEDOUTER;
    case EdgeStyle::kLowered:
      return inner ? BDR_SUNKENINNER : BDR_SUNKENOUTER;
    case EdgeStyle::kNone:
      break;
  }
  return 0;
}

// A container drawn by its peer: a window of our own class that holds the children's windows
// and hands their notifications to their peers.
class ContainerPeer : public Peer<ControlPeer> {
 public:
  using Peer::Peer;

 protected:
  CreateParams Params() override { return {kContainerClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT}; }
  void ApplyState() override { InvalidateRect(window_, nullptr, TRUE); }
  void ApplyText() override { InvalidateRect(window_, nullptr, TRUE); }
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) override {
    if (message == WM_GETFONT) {
      // The font its caption is drawn in, as a system control answers.
      *result = reinterpret_cast<LRESULT>(resources_.FontFor(control_.GetFont(), Dpi()));
      return true;
    }
    if (message == WM_ERASEBKGND) {
      FillBackground(window_, reinterpret_cast<HDC>(wparam),
                     resources_.BrushFor(control_.GetColor()));
      *result = 1;
      return true;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window_, &paint);
      Paint(dc);
      EndPaint(window_, &paint);
      *result = 0;
      return true;
    }
    return false;
  }
  virtual void Paint(HDC) {}
};

class PanelPeer : public ContainerPeer {
 public:
  PanelPeer(Resources& resources, Panel& panel) : ContainerPeer(resources, panel), panel_(panel) {}

 protected:
  void Paint(HDC dc) override {
    RECT rect{};
    GetClientRect(window_, &rect);
    if (UINT outer = EdgeFlags(panel_.BevelOuter(), false)) {
      DrawEdge(dc, &rect, outer, BF_RECT | BF_ADJUST);
    }
    if (UINT inner = EdgeFlags(panel_.BevelInner(), true)) {
      DrawEdge(dc, &rect, inner, BF_RECT | BF_ADJUST);
    }
    if (panel_.Caption().empty()) return;
    HGDIOBJ old = SelectObject(dc, resources_.FontFor(panel_.GetFont(), Dpi()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(panel_.GetFont().color));
    DrawTextA(dc, panel_.Caption().c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
  }

 private:
  Panel& panel_;
};

class ToolBarPeer : public ContainerPeer {
 public:
  ToolBarPeer(Resources& resources, ToolBar& bar) : ContainerPeer(resources, bar), bar_(bar) {}

 protected:
  void Paint(HDC dc) override {
    RECT rect{};
    GetClientRect(window_, &rect);
    UINT sides = 0;
    unsigned borders = bar_.EdgeBorders();
    if ((borders & static_cast<unsigned>(EdgeBorder::kLeft)) != 0) sides |= BF_LEFT;
    if ((borders & static_cast<unsigned>(EdgeBorder::kTop)) != 0) sides |= BF_TOP;
    if ((borders & static_cast<unsigned>(EdgeBorder::kRight)) != 0) sides |= BF_RIGHT;
    if ((borders & static_cast<unsigned>(EdgeBorder::kBottom)) != 0) sides |= BF_BOTTOM;
    UINT edge = EdgeFlags(bar_.EdgeOuter(), false) | EdgeFlags(bar_.EdgeInner(), true);
    if (sides != 0 && edge != 0) DrawEdge(dc, &rect, edge, sides);
  }

 private:
  ToolBar& bar_;
};

// The frame and caption are drawn by the container itself. A group box button among the
// children would cover them all: the container clips its children out of its own painting, and
// the button paints only its frame, so everything inside it would stay unpainted.
class GroupBoxPeer : public ContainerPeer {
 public:
  GroupBoxPeer(Resources& resources, GroupBox& box) : ContainerPeer(resources, box) {}

 protected:
  void Paint(HDC dc) override {
    RECT client{};
    GetClientRect(window_, &client);
    HGDIOBJ old = SelectObject(dc, resources_.FontFor(control_.GetFont(), Dpi()));
    const std::string& caption = control_.Caption();
    SIZE text{};
    GetTextExtentPoint32A(dc, caption.empty() ? " " : caption.c_str(),
                          caption.empty() ? 1 : static_cast<int>(caption.size()), &text);
    // The frame's top edge runs through the middle of the caption.
    RECT frame = client;
    frame.top += text.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!caption.empty()) {
      RECT place{Scale(8), 0, Scale(8) + text.cx, text.cy};
      FillRect(dc, &place, resources_.BrushFor(control_.GetColor()));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, control_.Enabled() ? ToColorRef(control_.GetFont().color)
                                          : GetSysColor(COLOR_GRAYTEXT));
      DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &place,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, old);
  }
};

}  // namespace

std::unique_ptr<ControlPeer> Win32PeerFactory::CreatePanelPeer(Panel& panel) {
  return Make<PanelPeer>(panel);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateGroupBoxPeer(GroupBox& group_box) {
  return Make<GroupBoxPeer>(group_box);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateToolBarPeer(ToolBar& tool_bar) {
  return Make<ToolBarPeer>(tool_bar);
}

}  // namespace erm::ui::win32
