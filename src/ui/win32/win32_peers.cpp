#include "ui/win32/win32_peers.h"

#include "ui/win32/win32_base.h"

namespace erm::ui::win32 {

Win32PeerFactory::Win32PeerFactory(platform::Desktop& desktop)
    : resources_(std::make_unique<Resources>(desktop)) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  RegisterWindowClasses();
}

Win32PeerFactory::~Win32PeerFactory() = default;

// Each peer's factory method is defined beside the peer's class: win32_form.cpp,
// win32_lists.cpp and win32_controls.cpp.

}  // namespace erm::ui::win32
