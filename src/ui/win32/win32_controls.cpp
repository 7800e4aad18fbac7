// The Windows peers of the simple controls: labels, bevels, buttons, the status bar, the progress
// bar and the animation.

// Windows headers come before the theme headers, which need them.
#include "ui/win32/win32_base.h"
#include "ui/win32/win32_peers.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <string>

#include "resources/resource_ids.h"
#include "ui/buttons.h"
#include "ui/std_controls.h"

namespace erm::ui::win32 {

namespace {

constexpr int kGlyphSize = 16;

int CeilFromDpi(int value, UINT dpi) {
  return static_cast<int>((static_cast<long long>(value) * 96 + dpi - 1) / dpi);
}

class LabelPeer : public Peer<ControlPeer> {
 public:
  LabelPeer(Resources& resources, Label& label) : Peer(resources, label), label_(label) {}

 protected:
  CreateParams Params() override {
    // No prefix: an appointment text with "&" shows the "&".
    return {"STATIC", Style(), 0};
  }
  void AfterCreate() override { Measure(); }
  void ApplyText() override {
    Peer::ApplyText();
    Measure();
  }
  void ApplyFont() override {
    Peer::ApplyFont();
    Measure();
  }
  void ApplyState() override {
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    style = (style & ~static_cast<LONG>(SS_TYPEMASK)) | static_cast<LONG>(Style() & SS_TYPEMASK);
    SetWindowLongA(window_, GWL_STYLE, style);
    Measure();
    InvalidateRect(window_, nullptr, TRUE);
  }
  HBRUSH OnCtlColor(HDC dc) override {
    HBRUSH brush = Peer::OnCtlColor(dc);
    Container* parent = label_.Parent();
    if (label_.Transparent() && parent != nullptr) {
      SetBkMode(dc, TRANSPARENT);
      return resources_.BrushFor(parent->GetColor());
    }
    return brush;
  }

 private:
  DWORD Style() const {
    return SS_NOPREFIX | (label_.WordWrap() ? static_cast<DWORD>(SS_LEFT)
                                            : static_cast<DWORD>(SS_LEFTNOWORDWRAP));
  }

  // An auto-sized label takes the size of its text; a word-wrapped one keeps its width.
  void Measure() {
    if (!label_.AutoSize() || window_ == nullptr) return;
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, resources_.FontFor(label_.GetFont(), Dpi()));
    std::string text = label_.Caption().empty() ? " " : label_.Caption();
    RECT rect{0, 0, label_.WordWrap() ? Scale(label_.Width()) : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (label_.WordWrap() ? DT_WORDBREAK : 0);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    UINT dpi = Dpi();
    Rect bounds = label_.BoundsRect();
    if (!label_.WordWrap()) bounds.width = CeilFromDpi(rect.right, dpi);
    bounds.height = CeilFromDpi(rect.bottom, dpi);
    label_.PeerBoundsChanged(bounds);
    SetWindowPos(window_, nullptr, 0, 0, rect.right, rect.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  Label& label_;
};

class BevelPeer : public Peer<ControlPeer> {
 public:
  BevelPeer(Resources& resources, Bevel& bevel) : Peer(resources, bevel), bevel_(bevel) {}

 protected:
  CreateParams Params() override {
    return {"STATIC",
            bevel_.Shape() == BevelShape::kBox ? static_cast<DWORD>(SS_ETCHEDFRAME)
                                               : static_cast<DWORD>(SS_ETCHEDHORZ),
            0};
  }
  void AfterCreate() override { ApplyBounds(); }
  void ApplyState() override { Recreate(); }
  void ApplyText() override {}
  // A line is the two etched pixels at the top or the bottom of the bevel's rectangle.
  void ApplyBounds() override {
    const Rect& b = bevel_.BoundsRect();
    int top = Scale(b.top);
    int height = Scale(b.height);
    if (bevel_.Shape() != BevelShape::kBox) {
      if (bevel_.Shape() == BevelShape::kBottomLine) top += height - 2;
      height = 2;
    }
    SetWindowPos(window_, nullptr, Scale(b.left), top, Scale(b.width), height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

 private:
  Bevel& bevel_;
};

// Owner-drawn, because a speed button shows its down state and a bold coloured caption. An
// owner-drawn button knows nothing of that state itself, so the peer answers the questions a
// screen reader's view of a button asks (pressed, checked) and tells it of every change.
class SpeedButtonPeer : public Peer<ControlPeer> {
 public:
  SpeedButtonPeer(Resources& resources, SpeedButton& button)
      : Peer(resources, button), button_(button) {}

 protected:
  CreateParams Params() override { return {"BUTTON", BS_OWNERDRAW, 0}; }
  void ApplyState() override {
    InvalidateRect(window_, nullptr, TRUE);
    if (button_.Down() != shown_down_) {
      shown_down_ = button_.Down();
      NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window_, OBJID_CLIENT, CHILDID_SELF);
    }
  }
  void AfterCreate() override { shown_down_ = button_.Down(); }
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    if (message == BM_GETSTATE) {
      *result = DefSubclassProc(window_, message, wparam, lparam);
      if (button_.Down()) *result |= BST_PUSHED | BST_CHECKED;
      return true;
    }
    if (message == BM_GETCHECK) {
      *result = button_.Down() ? BST_CHECKED : BST_UNCHECKED;
      return true;
    }
    return false;
  }
  bool OnCommand(WORD code) override {
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED) return false;
    Fire([this] { button_.Click(); });
    return true;
  }
  bool OnDrawItem(DRAWITEMSTRUCT* item) override {
    bool pressed = (item->itemState & ODS_SELECTED) != 0;
    bool down = button_.Down() || pressed;
    bool enabled = button_.Enabled();
    RECT rect = item->rcItem;
    // Up, it is the system's push button. Down, it is drawn sunken with the checked pattern
    // whatever the theme: a theme's checked tool bar button can look like one that is up.
    HTHEME theme = button_.Down() ? nullptr : OpenThemeData(window_, L"BUTTON");
    if (theme != nullptr) {
      DrawThemeParentBackground(window_, item->hDC, &rect);
      int state = !enabled ? PBS_DISABLED : pressed ? PBS_PRESSED : PBS_NORMAL;
      DrawThemeBackground(theme, item->hDC, BP_PUSHBUTTON, state, &rect, nullptr);
      CloseThemeData(theme);
    } else {
      FillRect(item->hDC, &rect, resources_.BrushFor(control_.GetColor()));
      DrawFrameControl(item->hDC, &rect, DFC_BUTTON,
                       DFCS_BUTTONPUSH | (down ? DFCS_PUSHED | DFCS_CHECKED : 0) |
                           (enabled ? 0 : DFCS_INACTIVE));
    }
    if (down) OffsetRect(&rect, 1, 1);
    HGDIOBJ old = SelectObject(item->hDC, resources_.FontFor(button_.GetFont(), Dpi()));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC,
                 enabled ? ToColorRef(button_.GetFont().color) : GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(item->hDC, button_.Caption().c_str(), -1, &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(item->hDC, old);
    return true;
  }

 private:
  SpeedButton& button_;
  bool shown_down_ = false;
};

// A real push button with its picture beside the caption; the caption's "&" gives the Alt key.
class BitBtnPeer : public Peer<ControlPeer> {
 public:
  BitBtnPeer(Resources& resources, BitBtn& button) : Peer(resources, button), button_(button) {}

 protected:
  CreateParams Params() override {
    return {"BUTTON",
            WS_TABSTOP | (button_.Default() ? static_cast<DWORD>(BS_DEFPUSHBUTTON)
                                            : static_cast<DWORD>(BS_PUSHBUTTON)),
            0};
  }
  void AfterCreate() override { ApplyState(); }
  void ApplyState() override {
    SendMessageA(window_, BM_SETSTYLE, button_.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    platform::IconHandle glyph = button_.Glyph() != 0 ? resources_.Desktop().LoadIconResource(
                                                            button_.Glyph(), Scale(kGlyphSize))
                                                      : 0;
    SendMessageA(window_, BM_SETIMAGE, IMAGE_ICON, static_cast<LPARAM>(glyph));
  }
  bool OnCommand(WORD code) override {
    if (code != BN_CLICKED) return false;
    Fire([this] { button_.Click(); });
    return true;
  }

 private:
  BitBtn& button_;
};

class StatusBarPeer : public Peer<ControlPeer> {
 public:
  StatusBarPeer(Resources& resources, StatusBar& bar) : Peer(resources, bar), bar_(bar) {}

 protected:
  // Placed by its parent like every aligned control, not by the status bar's own rule.
  CreateParams Params() override { return {STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE, 0}; }
  void AfterCreate() override { ApplyState(); }
  void ApplyText() override {}
  void ApplyState() override {
    SendMessageA(window_, SB_SIMPLE, bar_.SimplePanel() ? TRUE : FALSE, 0);
    WPARAM part = bar_.SimplePanel() ? SB_SIMPLEID : 0;
    SendMessageA(window_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(bar_.SimpleText().c_str()));
  }

 private:
  StatusBar& bar_;
};

class ProgressBarPeer : public Peer<ControlPeer> {
 public:
  ProgressBarPeer(Resources& resources, ProgressBar& bar) : Peer(resources, bar), bar_(bar) {}

 protected:
  CreateParams Params() override {
    return {PROGRESS_CLASSA, bar_.Smooth() ? static_cast<DWORD>(PBS_SMOOTH) : 0u, 0};
  }
  void AfterCreate() override { ApplyState(); }
  void ApplyText() override {}
  void ApplyState() override {
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    LONG smooth = bar_.Smooth() ? PBS_SMOOTH : 0;
    if ((style & PBS_SMOOTH) != smooth) {
      SetWindowLongA(window_, GWL_STYLE, (style & ~PBS_SMOOTH) | smooth);
    }
    SendMessageA(window_, PBM_SETRANGE32, static_cast<WPARAM>(bar_.Min()), bar_.Max());
    SendMessageA(window_, PBM_SETSTEP, static_cast<WPARAM>(bar_.Step()), 0);
    SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
  }

 private:
  ProgressBar& bar_;
};

class AnimatePeer : public Peer<ControlPeer> {
 public:
  AnimatePeer(Resources& resources, Animate& animate)
      : Peer(resources, animate), animate_(animate) {}

 protected:
  // Without ACS_TIMER the clip plays on a thread of its own, so it moves on while the scan
  // pauses the program.
  CreateParams Params() override { return {ANIMATE_CLASSA, ACS_TRANSPARENT | ACS_CENTER, 0}; }
  void AfterCreate() override {
    opened_ = CommonAvi::kNone;
    playing_ = false;
    ApplyState();
  }
  void ApplyText() override {}
  void ApplyState() override {
    if (animate_.GetCommonAvi() != opened_) {
      opened_ = animate_.GetCommonAvi();
      playing_ = false;
      source_ = ClipSource::kNone;
      if (opened_ == CommonAvi::kFindFolder) {
        source_ = OpenFindFolderClip(window_, resources_.Shell32(), GetModuleHandleA(nullptr));
      } else {
        SendMessageA(window_, ACM_OPENA, 0, 0);
      }
    }
    if (animate_.Active() && !playing_) {
      playing_ = Play();
      // A system clip without the frames asked for is no clip to show: Wine's shell32 has a
      // stand-in of two frames, which refuses to play to frame 29.
      if (!playing_ && source_ == ClipSource::kSystem) {
        source_ = OpenFindFolderClip(window_, nullptr, GetModuleHandleA(nullptr));
        playing_ = Play();
      }
    } else if (!animate_.Active() && playing_) {
      SendMessageA(window_, ACM_STOP, 0, 0);
      playing_ = false;
    }
  }

 private:
  // Over and over (-1), from the first frame to the stop frame.
  bool Play() {
    return SendMessageA(window_, ACM_PLAY, static_cast<WPARAM>(-1),
                        MAKELONG(0, animate_.StopFrame())) != 0;
  }

  Animate& animate_;
  CommonAvi opened_ = CommonAvi::kNone;
  ClipSource source_ = ClipSource::kNone;
  bool playing_ = false;
};

}  // namespace

// The shell's clip of the torch searching a folder is missing from every Windows since Vista
// (the animation area stayed empty there). Wine's shell32 has a stand-in that opens.
ClipSource OpenFindFolderClip(HWND animate, HMODULE system_clips, HMODULE program) {
  constexpr int kSystemFindFolderClip = 150;
  if (system_clips != nullptr &&
      SendMessageA(animate, ACM_OPENA, reinterpret_cast<WPARAM>(system_clips),
                   reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(kSystemFindFolderClip))) != 0) {
    return ClipSource::kSystem;
  }
  if (program != nullptr &&
      SendMessageA(animate, ACM_OPENA, reinterpret_cast<WPARAM>(program),
                   reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(ERM_IDA_FIND_FOLDER))) != 0) {
    return ClipSource::kProgram;
  }
  return ClipSource::kNone;
}

std::unique_ptr<ControlPeer> Win32PeerFactory::CreateLabelPeer(Label& label) {
  return Make<LabelPeer>(label);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateBevelPeer(Bevel& bevel) {
  return Make<BevelPeer>(bevel);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateSpeedButtonPeer(SpeedButton& button) {
  return Make<SpeedButtonPeer>(button);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateProgressBarPeer(ProgressBar& progress_bar) {
  return Make<ProgressBarPeer>(progress_bar);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateAnimatePeer(Animate& animate) {
  return Make<AnimatePeer>(animate);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateBitBtnPeer(BitBtn& button) {
  return Make<BitBtnPeer>(button);
}
std::unique_ptr<ControlPeer> Win32PeerFactory::CreateStatusBarPeer(StatusBar& status_bar) {
  return Make<StatusBarPeer>(status_bar);
}

}  // namespace erm::ui::win32
