// The form's Windows peer: a top-level window owned by the application window (so it has no
// taskbar button of its own), with the frame and title-bar buttons its border style and icons
// ask for, its client area sized at the monitor's DPI, and its menu bar.
#include "platform/error.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/menus.h"
#include "ui/win32/win32_base.h"
#include "ui/win32/win32_peers.h"

namespace erm::ui::win32 {

const char kFormClass[] = "ErinnerungsmodulForm";
const char kContainerClass[] = "ErinnerungsmodulContainer";

namespace {

constexpr UINT kDmGetDefId = WM_USER + 0;
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;
constexpr int kApplicationIconId = 1;

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // The peers do their work in a subclass; what reaches the class is the system's part.
  return DefWindowProcA(window, message, wparam, lparam);
}

void RegisterPlainClass(const char* name, UINT style) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = style;
  window_class.lpfnWndProc = PlainWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = name;
  RegisterClassExA(&window_class);  // fails harmlessly when it is registered already
}

HMENU BuildMenu(const MenuItem& parent, bool bar) {
  HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
  UINT position = 0;
  for (int i = 0; i < parent.Count(); ++i) {
    const MenuItem& item = *parent.Item(i);
    if (!item.Visible()) continue;
    if (item.IsSeparator()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      UINT flags = MF_STRING | (item.Enabled() ? 0u : static_cast<UINT>(MF_GRAYED)) |
                   (item.Checked() ? static_cast<UINT>(MF_CHECKED) : 0u);
      if (item.Count() > 0) {
        AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(item, false)),
                    item.Caption().c_str());
      } else {
        AppendMenuA(menu, flags, item.Command(), item.Caption().c_str());
      }
      if (item.Default()) SetMenuDefaultItem(menu, position, TRUE);
    }
    ++position;
  }
  return menu;
}

class FormPeerImpl : public Peer<FormPeer> {
 public:
  FormPeerImpl(Resources& resources, Form& form) : Peer(resources, form), form_(form) {}
  ~FormPeerImpl() override {
    // Taken off first: a window destroys the menu it has.
    if (window_ != nullptr) ::SetMenu(window_, nullptr);
    DestroyWindowNow();
    if (menu_ != nullptr) DestroyMenu(menu_);
  }

  HWND EnsureWindow() override {
    if (window_ != nullptr) return window_;
    CreateParams params = Params();
    HWND window =
        CreateWindowExA(params.ex_style, kFormClass, form_.Caption().c_str(), params.style,
                        form_.Left(), form_.Top(), 0, 0, ToHwnd(GetApplication().Handle()), nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
      throw Error("Das Fenster " + form_.Name() + " konnte nicht erstellt werden");
    }
    Attach(window);
    dpi_ = DpiOfWindow(window_);
    ApplyIcons();
    InstallMenu();
    ApplyBounds();
    CreateChildren();
    OrderChildren();
    return window_;
  }

  UINT Dpi() override { return dpi_; }

  void BringToFront() override {
    if (window_ == nullptr || !IsWindowVisible(window_)) return;
    resources_.Desktop().SetForegroundWindow(FromHwnd(window_));
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void CenterOnScreen() override {
    HWND window = EnsureWindow();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& work = monitor.rcWork;
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    form_.PeerBoundsChanged({x, y, width, height});
  }

  void RaiseAlert() override {
    if (window_ != nullptr) AnnounceAlert(window_);
  }

  void MenuChanged() override {
    if (window_ == nullptr) return;
    HMENU old = menu_;
    InstallMenu();
    if (old != nullptr) DestroyMenu(old);
    ApplyBounds();
  }

  void ApplyDpi() override {
    if (window_ == nullptr) return;
    ApplyIcons();
    ApplyBounds();
    auto* container = static_cast<Container*>(&form_);
    for (Control* child : container->Controls()) {
      if (ControlBase* peer = Of(*child)) peer->ApplyDpi();
    }
  }

 protected:
  CreateParams Params() override {
    CreateParams params;
    params.window_class = kFormClass;
    DWORD icons = form_.GetBorderIcons() == BorderIcons::kCloseBox ? WS_SYSMENU : 0;
    if (form_.GetBorderStyle() == BorderStyle::kDialog) {
      params.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_CLIPCHILDREN | icons;
      params.ex_style = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
    } else {
      params.style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN | icons;
      params.ex_style = WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
    }
    if (form_.GetFormStyle() == FormStyle::kStayOnTop) params.ex_style |= WS_EX_TOPMOST;
    return params;
  }

  void ApplyVisible() override {
    resources_.Desktop().ShowWindow(
        FromHwnd(EnsureWindow()),
        form_.Visible() ? platform::ShowCommand::kShowNormal : platform::ShowCommand::kHide);
  }

  void ApplyState() override {
    CreateParams params = Params();
    DWORD visible = GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongA(window_, GWL_STYLE, static_cast<LONG>(params.style | visible));
    SetWindowLongA(window_, GWL_EXSTYLE, static_cast<LONG>(params.ex_style & ~WS_EX_TOPMOST));
    HWND order = (params.ex_style & WS_EX_TOPMOST) != 0 ? HWND_TOPMOST : HWND_NOTOPMOST;
    SetWindowPos(window_, order, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ApplyBounds();
  }

  // The form's sizes are those of its client area; the frame around it is the system's.
  void ApplyBounds() override {
    CreateParams params = Params();
    int width = Scale(form_.ClientWidth());
    int height = Scale(form_.ClientHeight());
    RECT frame = WindowRectForClient(width, height, params.style, params.ex_style & ~WS_EX_TOPMOST,
                                     menu_ != nullptr, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar too wide for one line takes two; the client area keeps its height anyway.
    RECT client{};
    GetClientRect(window_, &client);
    int missing = height - (client.bottom - client.top);
    if (missing != 0) {
      SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left,
                   frame.bottom - frame.top + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  void ApplyFont() override {}

  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    switch (message) {
      case WM_CLOSE:
        // What closing means is the form's decision; the window itself stays.
        Fire([this] { form_.Close(); });
        *result = 0;
        return true;
      case WM_COMMAND:
        if (lparam != 0) return false;
        Command(LOWORD(wparam));
        *result = 0;
        return true;
      case kDmGetDefId:
        // Enter on anything but the default button itself arrives as IDOK, and the form clicks
        // its default button.
        *result = MAKELRESULT(IDOK, DC_HASDEFID);
        return true;
      case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) GetApplication().SetActiveForm(&form_);
        *result = DefSubclassProc(window_, message, wparam, lparam);
        RestoreFocus(LOWORD(wparam) != WA_INACTIVE);
        return true;
      case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(window_, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, resources_.BrushFor(form_.GetColor()));
        *result = 1;
        return true;
      }
      case kWmDpiChanged: {
        dpi_ = HIWORD(wparam);
        const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi();
        *result = 0;
        return true;
      }
      default:
        return false;
    }
  }

 private:
  void Command(WORD id) {
    if (id == IDOK || id == IDCANCEL) {
      DialogKey key = id == IDOK ? DialogKey::kEnter : DialogKey::kEscape;
      Fire([this, key] { form_.HandleDialogKey(key); });
      return;
    }
    if (form_.Menu() == nullptr) return;
    if (MenuItem* item = form_.Menu()->Items().FindCommand(id)) Fire([item] { item->Click(); });
  }

  void RestoreFocus(bool active) {
    if (!active) {
      HWND focus = GetFocus();
      if (focus != nullptr && IsChild(window_, focus)) last_focus_ = focus;
      return;
    }
    if (IsIconic(window_)) return;
    HWND focus = nullptr;
    if (last_focus_ != nullptr && IsWindow(last_focus_) && IsChild(window_, last_focus_)) {
      focus = last_focus_;
    } else if (Control* first = form_.FindNextControl(nullptr, true)) {
      if (ControlBase* peer = Of(*first)) focus = peer->EnsureWindow();
    }
    if (focus != nullptr && IsWindowVisible(focus) && IsWindowEnabled(focus)) SetFocus(focus);
  }

  void InstallMenu() {
    menu_ = form_.Menu() != nullptr ? BuildMenu(form_.Menu()->Items(), true) : nullptr;
    ::SetMenu(window_, menu_);
    DrawMenuBar(window_);
  }

  void ApplyIcons() {
    if (form_.GetBorderStyle() == BorderStyle::kDialog) return;  // a dialog shows no icon
    platform::Desktop& desktop = resources_.Desktop();
    platform::IconHandle small =
        desktop.LoadIconResource(kApplicationIconId, Scale(kSmallIconSize));
    platform::IconHandle large =
        desktop.LoadIconResource(kApplicationIconId, Scale(kLargeIconSize));
    if (small != 0) SendMessageA(window_, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(small));
    if (large != 0) SendMessageA(window_, WM_SETICON, ICON_BIG, static_cast<LPARAM>(large));
  }

  Form& form_;
  UINT dpi_ = kDesignDpi;
  HMENU menu_ = nullptr;
  HWND last_focus_ = nullptr;
};

}  // namespace

void RegisterWindowClasses() {
  RegisterPlainClass(kFormClass, CS_DBLCLKS);
  RegisterPlainClass(kContainerClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

std::unique_ptr<FormPeer> Win32PeerFactory::CreateFormPeer(Form& form) {
  return Make<FormPeerImpl>(form);
}

}  // namespace erm::ui::win32
