#include "ui/win32/win32_base.h"

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "ui/form.h"

namespace erm::ui::win32 {

namespace {

// A window property rather than the user data slot: the system classes and the desktop's own
// bookkeeping may use that one.
constexpr char kPeerProperty[] = "ErinnerungsmodulPeer";
constexpr UINT_PTR kSubclassId = 0x45524D;  // "ERM"

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// Looked up at run time: Windows before 10 (1607) and older Wine lack them.
template <class Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

UINT DpiOfWindow(HWND window) {
  static const auto get_dpi = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi != nullptr && window != nullptr) {
    UINT dpi = get_dpi(window);
    if (dpi != 0) return dpi;
  }
  return kDesignDpi;
}

RECT WindowRectForClient(int width, int height, DWORD style, DWORD ex_style, bool menu, UINT dpi) {
  static const auto adjust = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (adjust != nullptr) {
    adjust(&rect, style, menu ? TRUE : FALSE, ex_style, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, menu ? TRUE : FALSE, ex_style);
  }
  return rect;
}

COLORREF ToColorRef(Color color) {
  if ((color & kSystemColorFlag) != 0) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

Resources::~Resources() {
  for (auto& [key, font] : fonts_)
    DeleteObject(font);
  for (auto& [color, brush] : brushes_) {
    if ((color & kSystemColorFlag) == 0) DeleteObject(brush);
  }
  if (shell32_ != nullptr) FreeLibrary(shell32_);
}

HFONT Resources::FontFor(const Font& font, UINT dpi) {
  int height = ScaleToDpi(font.height, dpi);
  auto key = std::make_tuple(font.name, height, font.bold, font.underline);
  auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  // A negative height asks for the character height, which is what the sizes give.
  HFONT created = CreateFontA(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                              font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, font.name.c_str());
  if (created == nullptr) created = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = created;
  return created;
}

HBRUSH Resources::BrushFor(Color color) {
  auto found = brushes_.find(color);
  if (found != brushes_.end()) return found->second;
  HBRUSH brush = (color & kSystemColorFlag) != 0 ? GetSysColorBrush(static_cast<int>(color & 0xFF))
                                                 : CreateSolidBrush(ToColorRef(color));
  brushes_[color] = brush;
  return brush;
}

HMODULE Resources::Shell32() {
  if (shell32_ == nullptr) shell32_ = LoadLibraryA("shell32.dll");
  return shell32_;
}

ControlBase::ControlBase(Resources& resources, Control& control)
    : resources_(resources), control_(control) {}

ControlBase::~ControlBase() {
  DestroyWindowNow();
}

ControlBase* ControlBase::FromWindow(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<ControlBase*>(GetPropA(window, kPeerProperty));
}

ControlBase* ControlBase::Of(Control& control) {
  if (!control.HasPeer()) return nullptr;
  return dynamic_cast<ControlBase*>(&control.Peer());
}

UINT ControlBase::Dpi() {
  Form* form = control_.ParentForm();
  if (form == nullptr || form == &control_) return kDesignDpi;
  ControlBase* form_peer = Of(*form);
  return form_peer != nullptr ? form_peer->Dpi() : kDesignDpi;
}

HWND ControlBase::EnsureWindow() {
  if (window_ != nullptr) return window_;
  Container* parent = control_.Parent();
  ControlBase* parent_peer = parent != nullptr ? Of(*parent) : nullptr;
  if (parent_peer == nullptr) return nullptr;
  HWND parent_window = parent_peer->EnsureWindow();
  // Creating the parent creates its children, this one among them.
  if (window_ != nullptr || parent_window == nullptr) return window_;
  return CreateControlWindow(parent_window);
}

HWND ControlBase::CreateControlWindow(HWND parent) {
  CreateParams params = Params();
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | params.style;
  if (control_.Visible()) style |= WS_VISIBLE;
  if (!control_.Enabled()) style |= WS_DISABLED;
  const Rect& b = control_.BoundsRect();
  HWND window =
      CreateWindowExA(params.ex_style, params.window_class, control_.Caption().c_str(), style,
                      Scale(b.left), Scale(b.top), Scale(b.width), Scale(b.height), parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(resources_.NextControlId())),
                      GetModuleHandleA(nullptr), this);
  if (window == nullptr) {
    throw Error("Das Steuerelement " + control_.Name() + " konnte nicht erstellt werden");
  }
  Attach(window);
  ApplyFont();
  ApplyAccessibleName();
  AfterCreate();
  CreateChildren();
  if (control_.Parent() != nullptr) {
    if (ControlBase* parent_peer = Of(*control_.Parent())) parent_peer->OrderChildren();
  }
  return window_;
}

void ControlBase::Attach(HWND window) {
  window_ = window;
  SetPropA(window_, kPeerProperty, this);
  SetWindowSubclass(window_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void ControlBase::DestroyWindowNow() {
  if (window_ == nullptr) return;
  HWND window = window_;
  WindowGone();
  DestroyWindow(window);
}

void ControlBase::WindowGone() {
  if (window_ == nullptr) return;
  ClearAccessibleName();
  RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
  RemovePropA(window_, kPeerProperty);
  window_ = nullptr;
  if (GetApplication().ActiveControl() == &control_) GetApplication().SetActiveControl(nullptr);
}

void ControlBase::Recreate() {
  if (window_ == nullptr) return;
  DestroyWindowNow();
  EnsureWindow();
}

void ControlBase::CreateChildren() {
  auto* container = dynamic_cast<Container*>(&control_);
  if (container == nullptr) return;
  for (Control* child : container->Controls()) {
    if (ControlBase* peer = Of(*child)) {
      if (peer->window_ == nullptr) peer->CreateControlWindow(window_);
    }
  }
}

void ControlBase::OrderChildren() {
  // Later controls lie over earlier ones, as they were put on the form; the tab order is the
  // form's own and does not need the window order.
  auto* container = dynamic_cast<Container*>(&control_);
  if (container == nullptr || window_ == nullptr) return;
  for (Control* child : container->Controls()) {
    ControlBase* peer = Of(*child);
    if (peer == nullptr || peer->window_ == nullptr) continue;
    SetWindowPos(peer->window_, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
}

void ControlBase::OnChanged(Change what) {
  if (what == Change::kParent) {
    Container* parent = control_.Parent();
    ControlBase* parent_peer = parent != nullptr ? Of(*parent) : nullptr;
    if (parent_peer == nullptr || parent_peer->window_ == nullptr) {
      DestroyWindowNow();  // made again when the new parent has a window
    } else if (window_ != nullptr) {
      SetParent(window_, parent_peer->window_);
      ApplyDpi();
      parent_peer->OrderChildren();
    } else {
      CreateControlWindow(parent_peer->window_);
    }
    return;
  }
  if (window_ == nullptr) {
    // A form's window is made when it is first shown, if nothing needed it before.
    if (what != Change::kVisible || !control_.Visible() || EnsureWindow() == nullptr) return;
  }
  switch (what) {
    case Change::kBounds:
      ApplyBounds();
      break;
    case Change::kVisible:
      ApplyVisible();
      break;
    case Change::kEnabled:
      EnableWindow(window_, control_.Enabled() ? TRUE : FALSE);
      break;
    case Change::kText:
      ApplyText();
      break;
    case Change::kFont:
      ApplyFont();
      InvalidateRect(window_, nullptr, TRUE);
      break;
    case Change::kColor:
      InvalidateRect(window_, nullptr, TRUE);
      break;
    case Change::kTabOrder:
      break;
    case Change::kState:
      ApplyState();
      break;
    case Change::kAccessibleName:
      ApplyAccessibleName();
      break;
    case Change::kParent:
      break;
  }
}

void ControlBase::OnRepaint() {
  if (window_ == nullptr) return;
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH ControlBase::OnCtlColor(HDC dc) {
  SetTextColor(dc, ToColorRef(control_.GetFont().color));
  SetBkColor(dc, ToColorRef(control_.GetColor()));
  return resources_.BrushFor(control_.GetColor());
}

void ControlBase::ApplyDpi() {
  if (window_ == nullptr) return;
  ApplyFont();
  ApplyBounds();
  ApplyState();
  auto* container = dynamic_cast<Container*>(&control_);
  if (container == nullptr) return;
  for (Control* child : container->Controls()) {
    if (ControlBase* peer = Of(*child)) peer->ApplyDpi();
  }
}

void ControlBase::ApplyVisible() {
  ShowWindow(window_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
}

void ControlBase::ApplyText() {
  SetWindowTextA(window_, control_.Caption().c_str());
}

void ControlBase::ApplyBounds() {
  const Rect& b = control_.BoundsRect();
  SetWindowPos(window_, nullptr, Scale(b.left), Scale(b.top), Scale(b.width), Scale(b.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlBase::ApplyFont() {
  SendMessageA(window_, WM_SETFONT,
               reinterpret_cast<WPARAM>(resources_.FontFor(control_.GetFont(), Dpi())), TRUE);
}

LRESULT CALLBACK ControlBase::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ControlBase*>(data);
  bool answered = false;
  LRESULT result = 0;
  // Nothing may unwind through Windows: what a handler throws ends in the error report.
  self->GetApplication().RunGuarded([&] {
    if (message == WM_SETFOCUS) self->GetApplication().SetActiveControl(&self->control_);
    if (message == WM_NCDESTROY) {
      self->WindowGone();
      return;
    }
    answered = HandleNavigationKey(self->control_, message, wparam) ||
               self->HandleMessage(message, wparam, lparam, &result) ||
               RouteToChild(self, message, wparam, lparam, &result);
  });
  if (answered) return result;
  return DefSubclassProc(window, message, wparam, lparam);
}

bool HandleNavigationKey(Control& focused, UINT message, WPARAM key) {
  // The character that follows a key we acted on is dropped, so that no control beeps or types
  // it.
  static WPARAM swallow_char = 0;
  if (message == WM_CHAR && key == swallow_char) {
    swallow_char = 0;
    return true;
  }
  if (message == WM_CHAR) swallow_char = 0;
  Form* form = focused.ParentForm();
  if (form == nullptr) return false;
  Application& app = focused.GetApplication();
  bool handled = false;
  if (message == WM_CHAR) {
    app.RunGuarded([&] { handled = form->HandleLetterOnButton(&focused, static_cast<char>(key)); });
    return handled;
  }
  if (message == WM_SYSCHAR) {
    app.RunGuarded([&] { handled = form->HandleMnemonic(static_cast<char>(key)); });
    return handled;
  }
  if (message != WM_KEYDOWN) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  if (key == VK_TAB) {
    Control* current = &focused == form ? nullptr : &focused;
    Control* next = form->FindNextControl(current, GetKeyState(VK_SHIFT) >= 0);
    ControlBase* peer = next != nullptr ? ControlBase::Of(*next) : nullptr;
    if (peer != nullptr && peer->EnsureWindow() != nullptr) SetFocus(peer->Window());
    handled = true;
  } else if (key == VK_RETURN || key == VK_ESCAPE) {
    DialogKey dialog_key = key == VK_RETURN ? DialogKey::kEnter : DialogKey::kEscape;
    app.RunGuarded([&] { handled = form->HandleDialogKey(dialog_key, &focused); });
  }
  if (handled) swallow_char = key == VK_TAB ? '\t' : key == VK_RETURN ? '\r' : 0x1B;
  return handled;
}

bool RouteToChild(ControlBase* self, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND: {
      ControlBase* child = ControlBase::FromWindow(reinterpret_cast<HWND>(lparam));
      if (child != nullptr && child != self && child->OnCommand(HIWORD(wparam))) {
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      ControlBase* child = ControlBase::FromWindow(header->hwndFrom);
      return child != nullptr && child != self && child->OnNotify(header, result);
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (item->CtlType == ODT_MENU) return false;
      ControlBase* child = ControlBase::FromWindow(item->hwndItem);
      if (child == nullptr || !child->OnDrawItem(item)) return false;
      *result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
      ControlBase* child = ControlBase::FromWindow(reinterpret_cast<HWND>(lparam));
      // A part of a control that has no peer of its own (a group box's frame) is drawn as the
      // control that owns it.
      if (child == nullptr) child = self;
      if (child == nullptr) return false;
      *result = reinterpret_cast<LRESULT>(child->OnCtlColor(reinterpret_cast<HDC>(wparam)));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace erm::ui::win32
