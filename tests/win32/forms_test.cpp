// The program's four windows on real Windows controls, in process: what their tables give
// arrives in the controls, the tree shows what the presentation built, the account discovery
// fills the real list box, and the notice dialog opened by the presentation is modal.
#include "platform/win32/windows_api.h"

#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/date_key.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/presentation.h"
#include "app/program.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_system.h"
#include "settings/settings_files.h"
#include "ui/application.h"
#include "ui/win32/win32_peers.h"
#include "win32/window_text.h"

namespace erm::app {
namespace {

HWND Hwnd(ui::Control& control) {
  return reinterpret_cast<HWND>(control.Handle());
}

using erm::testing::ClientSize;
using erm::testing::FontOf;
using erm::testing::WindowText;

struct TreeItem {
  std::string text;
  bool bold;
  bool expanded;
  int level;
};

// Every item of a tree control in tree order.
std::vector<TreeItem> TreeItems(HWND tree) {
  std::vector<TreeItem> items;
  auto next = [tree](HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
  };
  for (HTREEITEM day = next(nullptr, TVGN_ROOT); day != nullptr; day = next(day, TVGN_NEXT)) {
    for (HTREEITEM item = day; item != nullptr;
         item = item == day ? next(day, TVGN_CHILD) : next(item, TVGN_NEXT)) {
      char text[256] = {};
      TVITEMA query{};
      query.mask = TVIF_TEXT | TVIF_STATE;
      query.hItem = item;
      query.pszText = text;
      query.cchTextMax = sizeof(text);
      query.stateMask = TVIS_BOLD | TVIS_EXPANDED;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
      items.push_back({text, (query.state & TVIS_BOLD) != 0, (query.state & TVIS_EXPANDED) != 0,
                       item == day ? 0 : 1});
    }
  }
  return items;
}

// The program folder of the program under test is a temporary folder, not the test's own.
class FolderSystem : public platform::Win32System {
 public:
  explicit FolderSystem(std::string folder) : folder_(std::move(folder)) {}
  std::string ProgramFolder() override { return folder_; }

 private:
  std::string folder_;
};

std::string MakeTemporaryRoot() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string root = std::string(temp) + "erm_forms_" + std::to_string(GetCurrentProcessId()) +
                     "_" + std::to_string(GetTickCount64()) + "\\";
  std::filesystem::create_directories(root + "programm");
  std::filesystem::create_directories(root + "planner\\konten\\Familie");
  std::filesystem::create_directories(root + "planner\\konten\\Praxis");
  return root;
}

class FormsWin32Test : public ::testing::Test {
 protected:
  FormsWin32Test() : root_(MakeTemporaryRoot()), system_(root_ + "programm\\") {
    settings::WritePlannerDirectory(system_, system_.ProgramFolder(), root_ + "planner\\");
    settings::WriteAccountSelection(system_, system_.ProgramFolder(), {"Praxis"});
    DrainMessages();
    app_ = std::make_unique<ui::Application>(system_, desktop_, peers_);
    windows_ = CreateProgramWindows(*app_, tray_handlers_);
  }
  ~FormsWin32Test() override {
    app_.reset();
    DrainMessages();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // The last tray icon going leaves a quit request in this thread's queue, which would end the
  // next test's loops at once.
  void DrainMessages() {
    platform::WindowMessage message;
    while (desktop_.PeekMessage(&message)) {
      if (message.message != platform::msg::kQuit) desktop_.DispatchMessage(message);
    }
  }
  TForm1& Main() { return *windows_.main_window; }
  app::TForm2& Options() { return *windows_.options_dialog; }
  app::TForm3& Help() { return *windows_.help_window; }
  TForm4& Notice() { return *windows_.notice_dialog; }
  NoticeKind Present(std::vector<std::string> entries) {
    DueList due;
    for (std::string& entry : entries)
      due.Add(std::move(entry));
    return PresentDueList(system_, Main().State(), due, DateKeyNumber(DateKey(system_.Now())),
                          Main());
  }
  std::string Digits(int days) { return DayDigits(platform::AddDays(system_.Now(), days)); }

  std::string root_;
  FolderSystem system_;
  platform::Win32Desktop desktop_;
  ui::win32::Win32PeerFactory peers_{desktop_};
  tray::TrayHandlers tray_handlers_{desktop_};
  std::unique_ptr<ui::Application> app_;
  ProgramWindows windows_;
};

TEST_F(FormsWin32Test, WindowsGetTheirSizesTextsAndFonts) {
  Main().Show();
  HWND main = Hwnd(Main());
  EXPECT_EQ(WindowText(main), " QX-Brevantoliske-Erinnerungsmodul f\xFCr alle Jahre");
  EXPECT_EQ(ClientSize(main).cx, 665);
  EXPECT_EQ(ClientSize(main).cy, 295);
  EXPECT_EQ(GetWindowLongA(main, GWL_STYLE) & (WS_SYSMENU | WS_THICKFRAME), 0);
  EXPECT_NE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(ClientSize(Hwnd(Options())).cx, 364);
  EXPECT_EQ(ClientSize(Hwnd(Options())).cy, 348);
  EXPECT_EQ(ClientSize(Hwnd(Help())).cx, 509);
  EXPECT_EQ(ClientSize(Hwnd(Help())).cy, 279);
  EXPECT_EQ(ClientSize(Hwnd(Notice())).cx, 836);
  EXPECT_EQ(ClientSize(Hwnd(Notice())).cy, 224);

  LOGFONTA toggle = FontOf(Hwnd(*Main().SpeedButton2));
  EXPECT_EQ(toggle.lfWeight, FW_BOLD);
  EXPECT_STREQ(toggle.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(FontOf(Hwnd(*Main().TreeView1)).lfHeight, -13);
  EXPECT_EQ(FontOf(Hwnd(*Main().Label1)).lfHeight, -13);
  char status[256] = {};
  // In simple mode every part index reads the simple text.
  SendMessageA(Hwnd(*Main().StatusBar1), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(status));
  EXPECT_STREQ(status,
               "  -- Regelm\xE4ssige Softwareupdates:   http://www.qx-brevantoliske.de/updates --");
  EXPECT_EQ(WindowText(Hwnd(*Main().BitBtn1)), "Programm minimieren");
  EXPECT_FALSE(IsWindowVisible(Hwnd(*Main().Animate2)));
  Main().SetStatusCaption(
      " Pr\xFC"
      "fe 1/2:  Familie...");
  EXPECT_EQ(WindowText(Hwnd(*Main().Label1)),
            " Pr\xFC"
            "fe 1/2:  Familie...");

  EXPECT_EQ(WindowText(Hwnd(*Options().GroupBox2)), " Pfad zur Datei \"Brevantoliske.exe\" ");
  // The group box's own window draws its frame and caption; no frame window lies over the
  // controls inside it.
  EXPECT_EQ(FindWindowExA(Hwnd(*Options().GroupBox2), nullptr, "Button",
                          Options().GroupBox2->Caption().c_str()),
            nullptr);
  EXPECT_EQ(FontOf(Hwnd(*Options().GroupBox2)).lfWeight, FW_BOLD);
  EXPECT_EQ(FontOf(Hwnd(*Options().Label2)).lfWeight, FW_NORMAL);
  EXPECT_EQ(WindowText(Hwnd(*Options().BitBtn1)),
            "&\xDC"
            "bernehmen");
  EXPECT_EQ(FontOf(Hwnd(*Help().Label1)).lfHeight, -24);
  LOGFONTA headline = FontOf(Hwnd(*Notice().Label1));
  EXPECT_EQ(headline.lfHeight, -19);
  EXPECT_TRUE(headline.lfUnderline);
  EXPECT_EQ(FontOf(Hwnd(*Notice().BitBtn2)).lfHeight, -16);
}

TEST_F(FormsWin32Test, TreeShowsThePresentationsDaysBoldAndCollapsed) {
  Main().Show();
  EXPECT_EQ(Present({Digits(1) + "090000 [Familie] Arzt", Digits(1) + "140000 [Praxis] Sitzung",
                     Digits(3) + "100000 [Praxis] Steuer"}),
            NoticeKind::kNextDay);
  const std::vector<TreeItem> items = TreeItems(Hwnd(*Main().TreeView1));
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].level, 0);
  EXPECT_TRUE(items[0].bold);
  EXPECT_FALSE(items[0].expanded);
  EXPECT_EQ(items[0].text.substr(items[0].text.size() - 4), " (2)");
  EXPECT_EQ(items[1].text, " [Familie] Arzt");
  EXPECT_FALSE(items[1].bold);
  EXPECT_EQ(items[2].text, " [Praxis] Sitzung");
  EXPECT_FALSE(items[2].bold);
  EXPECT_EQ(items[3].level, 0);
  EXPECT_TRUE(items[3].bold);
  EXPECT_EQ(items[4].text, " [Praxis] Steuer");
  EXPECT_TRUE(Main().TrayIcon1->CycleIcons());
}

TEST_F(FormsWin32Test, AccountDiscoveryFillsTheRealListBox) {
  Main().Optionen1->Click();
  HWND list = Hwnd(*Options().ListBox1);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  for (int i = 0; i < 2; ++i) {
    char name[64] = {};
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(SendMessageA(list, LB_GETSEL, i, 0) > 0, std::string(name) == "Praxis") << name;
  }
  EXPECT_EQ(WindowText(Hwnd(*Options().Label2)), root_ + "planner\\");
}

TEST_F(FormsWin32Test, NoticeDialogOfThePresentationIsModalAndShowsTheAppointments) {
  Main().Optionen1->Click();
  bool options_enabled = true;
  bool notice_shown = false;
  std::string headline;
  auto* timer = new ui::Timer(&Main(), "TestTimer");
  timer->SetInterval(100);
  timer->OnTimer = [&](ui::Component*) {
    timer->SetEnabled(false);
    options_enabled = IsWindowEnabled(Hwnd(Options())) != FALSE;
    notice_shown = IsWindowVisible(Hwnd(Notice())) && IsWindowEnabled(Hwnd(Notice()));
    headline = WindowText(Hwnd(*Notice().Label1));
    SendMessageA(Hwnd(*Notice().BitBtn2), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(Present({Digits(0) + "090000 [Familie] Arzt"}), NoticeKind::kToday);
  EXPECT_FALSE(options_enabled);
  EXPECT_TRUE(notice_shown);
  EXPECT_EQ(headline, "Sie haben heute 1 Termin(e):");
  EXPECT_FALSE(IsWindowVisible(Hwnd(Notice())));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(Options())));
  // "Termine anzeigen" brought up the main window and stopped the cycling.
  EXPECT_TRUE(IsWindowVisible(Hwnd(Main())));
  EXPECT_FALSE(Main().TrayIcon1->CycleIcons());
}

// The system's messages reach the hidden application window, as they reach every top-level
// window; each brings the next scan to half a minute. Wine sends none of them by itself (no
// sleep, no lock screen), so the test sends them as Windows would.
TEST_F(FormsWin32Test, WakingTheClockRegionalFormatsAndUnlockingBringTheScanForward) {
  HWND application = reinterpret_cast<HWND>(app_->Handle());
  const char intl[] = "intl";
  struct Case {
    const char* name;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool early;
  } cases[] = {
      {"Resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, true},
      {"Suspend", WM_POWERBROADCAST, PBT_APMSUSPEND, 0, false},
      {"ClockChanged", WM_TIMECHANGE, 0, 0, true},
      {"RegionalFormats", WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(intl), true},
      {"Unlock", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, true},
      {"Lock", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, false},
  };
  for (const Case& c : cases) {
    Main().Timer1->SetInterval(kScanIntervalMs);
    SendMessageA(application, c.message, c.wparam, c.lparam);
    EXPECT_EQ(Main().Timer1->Interval(), c.early ? kEarlyScanDelayMs : kScanIntervalMs) << c.name;
  }
}

TEST_F(FormsWin32Test, OptionsDialogStartsOnThePathChoiceAndEnterOnAbbrechenDoesNotSave) {
  const std::string saved = root_ + "planner\\";
  Main().Optionen1->Click();
  // Activation gives the first tab stop the focus (Wine activates the shown dialog at once).
  EXPECT_EQ(GetFocus(), Hwnd(*Options().BitBtn3));
  Options().Label2->SetCaption("C:\\anders\\");
  SetFocus(Hwnd(*Options().BitBtn2));
  HWND focus = GetFocus();
  desktop_.DispatchMessage({platform::WindowHandle(focus), WM_KEYDOWN, VK_RETURN, 0});
  desktop_.DispatchMessage({platform::WindowHandle(focus), WM_KEYUP, VK_RETURN, 0});
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(settings::ReadPlannerDirectory(system_, system_.ProgramFolder()), saved);
}

}  // namespace
}  // namespace erm::app
