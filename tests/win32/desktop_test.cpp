// The windowing seam against the real Windows (Wine): the suite that every Desktop passes, then
// what only the real system does.
#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop_conformance.h"
#include "platform/error.h"
#include "platform/win32/windows_api.h"
#include "window_text.h"
#include "wine.h"

namespace erm::platform {
namespace {

class Win32DesktopHarness : public DesktopHarness {
 public:
  Desktop& desktop() override { return desktop_; }
  DesktopTraits traits() override {
    DesktopTraits traits;
    // Wine answers TRUE to deleting an icon that is gone.
    traits.deleting_an_absent_icon_fails = !erm::testing::IsWine();
    return traits;
  }
  void Wait(uint32_t ms) override { ::Sleep(ms); }
  std::string TitleOf(WindowHandle window) override {
    return erm::testing::WindowText(reinterpret_cast<HWND>(window));
  }
  IconHandle SomeIcon() override {
    return reinterpret_cast<IconHandle>(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));
  }

 private:
  Win32Desktop desktop_;
};

INSTANTIATE_TEST_SUITE_P(Win32, DesktopConformance,
                         ::testing::Values(DesktopImplementation{
                             "Win32", MakeDesktopHarness<Win32DesktopHarness>}),
                         DesktopImplementationName);

// What only the real system does: dialog keys, and the modal loops of message boxes and menus.
class Win32DesktopTest : public ::testing::Test {
 protected:
  Win32Desktop desktop_;
};

TEST_F(Win32DesktopTest, EscInADialogLikeWindowArrivesAsTheCancelCommand) {
  std::vector<std::pair<uint32_t, std::uintptr_t>> seen;
  const WindowHandle form =
      desktop_.CreateApplicationWindow("Optionen", 0, [&](const WindowMessage& m) {
        if (m.message == WM_COMMAND || m.message == WM_KEYDOWN)
          seen.push_back({m.message, m.wparam});
        return desktop_.DefWindowProc(m);
      });
  desktop_.ShowWindow(form, ShowCommand::kShow);
  desktop_.SetForegroundWindow(form);
  SetActiveWindow(reinterpret_cast<HWND>(form));
  ASSERT_EQ(reinterpret_cast<WindowHandle>(GetActiveWindow()), form);
  const auto press_escape = [&] {
    desktop_.PostMessage(form, WM_KEYDOWN, VK_ESCAPE, 1);
    WindowMessage message;
    int code = 0;
    while (desktop_.PeekMessage(&message))
      desktop_.DispatchMessage(message);
    (void)code;
  };
  press_escape();
  desktop_.SetDialogNavigation(form, true);
  press_escape();
  desktop_.SetDialogNavigation(form, false);
  press_escape();
  const std::vector<std::pair<uint32_t, std::uintptr_t>> expected = {
      {WM_KEYDOWN, VK_ESCAPE}, {WM_COMMAND, IDCANCEL}, {WM_KEYDOWN, VK_ESCAPE}};
  EXPECT_EQ(seen, expected);
  desktop_.ShowWindow(form, ShowCommand::kHide);
}

TEST_F(Win32DesktopTest, ErrorsRaisedInsideAMessageBoxComeOutWhenItCloses) {
  const WindowHandle w = desktop_.CreateMessageWindow([&](const WindowMessage& m) -> intptr_t {
    if (m.message == msg::kTimer && m.wparam == 1) {
      desktop_.KillTimer(m.window, 1);
      throw Error("im Meldungsfenster");
    }
    if (m.message == msg::kTimer && m.wparam == 2) {
      // The box's own loop delivers our timers; close it like the user would.
      if (HWND box = FindWindowA("#32770", "Erinnerungsmodul Test")) {
        desktop_.KillTimer(m.window, 2);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
    }
    return desktop_.DefWindowProc(m);
  });
  desktop_.SetTimer(w, 1, 10);
  desktop_.SetTimer(w, 2, 100);
  try {
    desktop_.MessageBox(0, "Text", "Erinnerungsmodul Test", kMbOk);
    ADD_FAILURE() << "MessageBox returned normally";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "im Meldungsfenster");
  }
}

TEST_F(Win32DesktopTest, APopupMenuClosedWithoutAChoiceAnswersMinusOne) {
  const WindowHandle owner = desktop_.CreateMessageWindow([&](const WindowMessage& m) {
    // The menu's own loop delivers our timers; end it as a click elsewhere would.
    if (m.message == msg::kTimer) {
      desktop_.KillTimer(m.window, 3);
      EndMenu();
    }
    return desktop_.DefWindowProc(m);
  });
  desktop_.SetTimer(owner, 3, 200);
  const std::vector<PopupMenuEntry> entries = {{"Erinnerungsmodul anzeigen", true}, {"-"}, {"B"}};
  EXPECT_EQ(desktop_.TrackPopupMenu(owner, entries, 10, 10), -1);
}

}  // namespace
}  // namespace erm::platform
