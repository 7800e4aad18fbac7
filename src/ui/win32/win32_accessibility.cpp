// What screen readers learn from the controls beyond their texts: a name for a control that shows
// none (the tree), given through the accessibility runtime's annotations, and the alert a window
// raises when it opens by itself.
#include "ui/win32/win32_base.h"

#include <oleacc.h>

#include <string>

namespace erm::ui::win32 {
namespace {

// The runtime's identifiers, spelled out here so that no import library is needed for them.
constexpr GUID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kRoleProperty = {
    0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// Null where the runtime is missing (Windows before XP) or refuses.
IAccPropServices* PropertyServices() {
  void* services = nullptr;
  if (FAILED(CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                              kAccPropServicesInterface, &services))) {
    return nullptr;
  }
  return static_cast<IAccPropServices*>(services);
}

}  // namespace

// The name is an annotation of the control's client object: the system's own object for a tree
// names it after a label before it, which the main window has none of. Wine's runtime keeps no
// annotations, but its object takes the window's text, which a tree does not show: so that text
// carries the name as well.
void ControlBase::ApplyAccessibleName() {
  const std::string& name = control_.AccessibleName();
  if (window_ == nullptr || (name.empty() && !annotated_)) return;
  if (control_.Caption().empty()) SetWindowTextA(window_, name.c_str());
  IAccPropServices* services = PropertyServices();
  if (services == nullptr) return;
  if (name.empty()) {
    services->ClearHwndProps(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             &kNameProperty, 1);
  } else {
    services->SetHwndPropStr(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kNameProperty,
                             Widen(name).c_str());
  }
  services->Release();
  annotated_ = !name.empty();
}

// Screen readers skip an alert event whose object is not in the alert role (NVDA does), and a
// window's client object has the role of a client area: the annotation gives it the role.
void AnnounceAlert(HWND window) {
  if (IAccPropServices* services = PropertyServices()) {
    VARIANT role{};
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_ALERT;
    services->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kRoleProperty,
                          role);
    services->Release();
  }
  NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}

void ControlBase::ClearAccessibleName() {
  if (!annotated_ || window_ == nullptr) return;
  annotated_ = false;
  if (IAccPropServices* services = PropertyServices()) {
    services->ClearHwndProps(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             &kNameProperty, 1);
    services->Release();
  }
}

}  // namespace erm::ui::win32
