// What the Windows peers share: the base that creates and keeps a control's window and mirrors
// the common properties to it, the scaling from 96 dots per inch, fonts and brushes, and the
// routing of the notifications that Windows sends to a parent window on to the child's peer.
#pragma once

#include "platform/win32/windows_api.h"

#include <map>
#include <string>
#include <tuple>

#include "ui/application.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/peer.h"
#include "ui/types.h"

namespace erm::ui::win32 {

constexpr UINT kDesignDpi = 96;
constexpr UINT kWmDpiChanged = 0x02E0;

inline int ScaleToDpi(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}
inline int ScaleFromDpi(int value, UINT dpi) {
  return MulDiv(value, 96, static_cast<int>(dpi));
}
// The window's dots per inch; 96 where the system cannot tell (older Windows, Wine).
UINT DpiOfWindow(HWND window);
// The window size for a client size at a DPI, with the frame the styles give.
RECT WindowRectForClient(int width, int height, DWORD style, DWORD ex_style, bool menu, UINT dpi);
COLORREF ToColorRef(Color color);
inline HWND ToHwnd(platform::WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
inline platform::WindowHandle FromHwnd(HWND window) {
  return reinterpret_cast<platform::WindowHandle>(window);
}

class Resources {
 public:
  explicit Resources(platform::Desktop& desktop) : desktop_(desktop) {}
  ~Resources();
  Resources(const Resources&) = delete;
  Resources& operator=(const Resources&) = delete;

  platform::Desktop& Desktop() { return desktop_; }
  HFONT FontFor(const Font& font, UINT dpi);
  HBRUSH BrushFor(Color color);
  // Child window identifiers, clear of the dialog results IDOK and IDCANCEL.
  int NextControlId() { return next_id_++; }
  // The shell's library, which holds the system's animation clips.
  HMODULE Shell32();

 private:
  platform::Desktop& desktop_;
  std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts_;
  std::map<Color, HBRUSH> brushes_;
  int next_id_ = 1000;
  HMODULE shell32_ = nullptr;
};

class ControlBase {
 public:
  ControlBase(Resources& resources, Control& control);
  virtual ~ControlBase();
  ControlBase(const ControlBase&) = delete;
  ControlBase& operator=(const ControlBase&) = delete;

  // The peer of a window of ours, or nullptr.
  static ControlBase* FromWindow(HWND window);
  // The Windows peer of a control, or nullptr.
  static ControlBase* Of(Control& control);

  Control& GetControl() { return control_; }
  HWND Window() const { return window_; }
  // Creates the window (and its parents' first) if it is missing; nullptr while the control has
  // no parent on a form.
  virtual HWND EnsureWindow();
  virtual UINT Dpi();
  int Scale(int value) { return ScaleToDpi(value, Dpi()); }

  void OnChanged(Change what);
  void OnRepaint();

  // What Windows tells the parent about this control.
  virtual bool OnCommand(WORD) { return false; }
  virtual bool OnNotify(NMHDR*, LRESULT*) { return false; }
  virtual bool OnDrawItem(DRAWITEMSTRUCT*) { return false; }
  virtual HBRUSH OnCtlColor(HDC dc);
  // The window moved to a monitor with another DPI: fonts, sizes and positions anew.
  virtual void ApplyDpi();

 protected:
  struct CreateParams {
    const char* window_class = "STATIC";
    DWORD style = 0;
    DWORD ex_style = 0;
  };
  virtual CreateParams Params() = 0;
  // Mirrors what the control holds to a window that was just created.
  virtual void AfterCreate() {}
  virtual void ApplyState() {}
  virtual void ApplyText();
  virtual void ApplyBounds();
  virtual void ApplyFont();
  void ApplyAccessibleName();
  // The annotation goes with the window; the runtime would keep it for a window of the same
  // handle later.
  void ClearAccessibleName();
  // The window procedure the subclass passes messages to first; false passes them on.
  virtual bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
  virtual void ApplyVisible();
  virtual void OrderChildren();
  HWND CreateControlWindow(HWND parent);
  // Makes a window of ours the control's: the peer is found from it and sees its messages.
  void Attach(HWND window);
  void DestroyWindowNow();
  void Recreate();
  void CreateChildren();
  Application& GetApplication() { return control_.GetApplication(); }
  // Lets a control's event handler run as the program's handlers do: errors end in the report.
  template <class F>
  void Fire(F&& handler) {
    GetApplication().RunGuarded(std::forward<F>(handler));
  }

  Resources& resources_;
  Control& control_;
  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
  void WindowGone();

  bool annotated_ = false;
};

// Implements a peer interface on the shared base.
template <class Interface>
class Peer : public Interface, public ControlBase {
 public:
  using ControlBase::ControlBase;
  platform::WindowHandle Handle() override { return FromHwnd(EnsureWindow()); }
  void Changed(Change what) override { OnChanged(what); }
  void Repaint() override { OnRepaint(); }
};

// Where the find-folder clip an animation control plays came from.
enum class ClipSource { kNone, kSystem, kProgram };
// Opens the system's find-folder clip from `system_clips` (shell32.dll) in the animation
// control, or where that has none, the program's own drawing of it from `program`.
ClipSource OpenFindFolderClip(HWND animate, HMODULE system_clips, HMODULE program);

// Raises the system's alert event for the window, whose client object a screen reader then
// meets in the role of an alert and reads out with the texts in it.
void AnnounceAlert(HWND window);

// Tab and Shift+Tab, Enter, Esc and Alt with a button's letter, as a dialog box has them, for
// the control that has the focus (or the form itself); true when the key was used.
bool HandleNavigationKey(Control& focused, UINT message, WPARAM key);
// Hands the notifications a parent window gets about its children to the children's peers;
// true when one took it. `self` answers for children that have no peer of their own.
bool RouteToChild(ControlBase* self, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
// The window class of the forms and of the containers drawn by their peers.
extern const char kFormClass[];
extern const char kContainerClass[];
void RegisterWindowClasses();

}  // namespace erm::ui::win32
