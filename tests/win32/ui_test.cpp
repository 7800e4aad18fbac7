// The component layer on real Windows controls, in process: what the objects hold arrives in the
// controls (texts, bold items, sizes, fonts), the controls' notifications come back as events,
// and a modal form disables the program's other windows.
#include "platform/win32/windows_api.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_system.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/list_box.h"
#include "ui/menus.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "ui/tool_bar.h"
#include "ui/tree_view.h"
#include "ui/win32/win32_base.h"
#include "ui/win32/win32_peers.h"
#include "win32/window_text.h"

namespace erm::ui {
namespace {

constexpr UINT kDpiChanged = 0x02E0;

HWND Hwnd(platform::WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
HWND Hwnd(Control& control) {
  return Hwnd(control.Handle());
}

using erm::testing::ClientSize;
using erm::testing::FontOf;
using erm::testing::WindowText;

// The control's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Dark pixels in a DC's rectangle: how much text was drawn there.
int InkIn(HDC dc, int width, int height) {
  int ink = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF pixel = GetPixel(dc, x, y);
      if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 128) ++ink;
    }
  }
  return ink;
}

// What the label window paints of its text, against the whole text drawn unclipped in the
// label's font; a label cut short paints less.
std::pair<int, int> LabelInkAgainstWholeText(HWND label) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  constexpr int kWidth = 900;
  constexpr int kHeight = 60;
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  int painted = InkIn(dc, kWidth, kHeight);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  auto font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  std::string text = WindowText(label);
  DrawTextA(dc, text.c_str(), -1, &all, DT_LEFT | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS);
  int whole = InkIn(dc, kWidth, kHeight);
  SelectObject(dc, old_font);
  SelectObject(dc, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return {painted, whole};
}

class TestForm : public Form {
 public:
  explicit TestForm(Application& app, std::string name = "TestForm") : Form(app, std::move(name)) {}
  void Finish() { AfterConstruction(); }
};

class UiWin32Test : public ::testing::Test {
 protected:
  // A form built as the notice dialog is.
  TestForm& MakeNotice() {
    auto& form = app_.CreateForm<TestForm>("Form4");
    form.SetCaption("QX-Brevantoliske ERINNERUNGSMODUL");
    form.SetBorderStyle(BorderStyle::kDialog);
    form.SetFormStyle(FormStyle::kStayOnTop);
    form.SetClientSize(836, 224);
    headline_ = new Label(&form, "Label1");
    headline_->SetParent(&form);
    headline_->SetBounds(24, 16, 0, 0);
    Font font = headline_->GetFont();
    font.height = 19;
    font.underline = true;
    font.color = kColorGreen;
    headline_->SetFont(font);
    headline_->SetCaption("Sie haben heute 2 Termin(e):");
    close_ = new BitBtn(&form, "BitBtn1");
    close_->SetParent(&form);
    close_->SetBounds(216, 176, 193, 41);
    close_->SetCaption(
        "&Hinweis schlie\xDF"
        "en");
    close_->SetCancel(true);
    close_->SetModalResult(kMrOk);
    show_ = new BitBtn(&form, "BitBtn2");
    show_->SetParent(&form);
    show_->SetBounds(440, 176, 193, 41);
    show_->SetCaption("Termine &anzeigen");
    show_->SetDefault(true);
    show_->SetModalResult(kMrOk);
    form.Finish();
    return form;
  }

  platform::Win32System system_;
  platform::Win32Desktop desktop_;
  win32::Win32PeerFactory peers_{desktop_};
  Application app_{system_, desktop_, peers_};
  Label* headline_ = nullptr;
  BitBtn* close_ = nullptr;
  BitBtn* show_ = nullptr;
};

TEST_F(UiWin32Test, DialogGetsItsCaptionClientSizeAndFrame) {
  TestForm& notice = MakeNotice();
  HWND window = Hwnd(notice);
  EXPECT_EQ(WindowText(window), "QX-Brevantoliske ERINNERUNGSMODUL");
  SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 836);
  EXPECT_EQ(client.cy, 224);
  LONG style = GetWindowLongA(window, GWL_STYLE);
  LONG ex_style = GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(ex_style & WS_EX_TOPMOST, 0);
  EXPECT_NE(ex_style & WS_EX_DLGMODALFRAME, 0);
  // Owned by the application window, so it has no taskbar button of its own.
  EXPECT_EQ(GetWindow(window, GW_OWNER), Hwnd(app_.Handle()));
}

TEST_F(UiWin32Test, MainWindowWithoutTitleBarButtonsKeepsItsClientSizeBelowTheMenu) {
  auto& form = app_.CreateForm<TestForm>("Form1");
  form.SetBorderIcons(BorderIcons::kNone);
  form.SetClientSize(665, 295);
  auto* menu = new MainMenu(&form, "MainMenu1");
  auto* program = new MenuItem(&form, "Programm1");
  program->SetCaption("&Programm");
  auto* options = new MenuItem(&form, "Optionen1");
  options->SetCaption("&Optionen...");
  program->Add(options);
  auto* start = new MenuItem(&form, "Brevantoliskestarten1");
  start->SetCaption("  [ QX-Brevantoliske &starten! ]  ");
  menu->Items().Add(program);
  menu->Items().Add(start);
  int starts = 0;
  start->OnClick = [&](Component*) { ++starts; };
  form.SetMenu(menu);
  HWND window = Hwnd(form);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU, 0);
  SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 665);
  EXPECT_EQ(client.cy, 295);
  HMENU bar = GetMenu(window);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  char text[64] = {};
  GetMenuStringA(bar, 1, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "  [ QX-Brevantoliske &starten! ]  ");
  EXPECT_NE(GetSubMenu(bar, 0), nullptr);
  // A command on the bar itself arrives as the item's click.
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(start->Command(), 0), 0);
  EXPECT_EQ(starts, 1);
}

TEST_F(UiWin32Test, ControlsGetTheirTextsFontsAndPlaces) {
  TestForm& notice = MakeNotice();
  HWND headline = Hwnd(*headline_);
  EXPECT_EQ(WindowText(headline), "Sie haben heute 2 Termin(e):");
  LOGFONTA font = FontOf(headline);
  EXPECT_EQ(font.lfHeight, -19);
  EXPECT_TRUE(font.lfUnderline);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  // Auto-size: the label took the size of its text.
  EXPECT_GT(headline_->Width(), 100);
  EXPECT_GE(headline_->Height(), 19);
  RECT place = PlaceInParent(Hwnd(*show_));
  EXPECT_EQ(place.left, 440);
  EXPECT_EQ(place.top, 176);
  EXPECT_EQ(place.right - place.left, 193);
  EXPECT_EQ(place.bottom - place.top, 41);
  EXPECT_EQ(WindowText(Hwnd(*show_)), "Termine &anzeigen");
  EXPECT_EQ(FontOf(Hwnd(*show_)).lfHeight, -11);
  EXPECT_EQ(GetParent(Hwnd(*show_)), Hwnd(notice));
  headline_->SetCaption("Sie haben heute 12 Termin(e):");
  EXPECT_EQ(WindowText(headline), "Sie haben heute 12 Termin(e):");
}

TEST_F(UiWin32Test, TreeItemsCarryTheirTextsAndOnlyTheBoldBitChanges) {
  auto& form = app_.CreateForm<TestForm>();
  form.SetClientSize(400, 300);
  auto* tree = new TreeView(&form, "TreeView1");
  tree->SetParent(&form);
  tree->SetAlign(Align::kClient);
  tree->SetReadOnly(true);
  Hwnd(form);  // the tree's window exists before the nodes arrive
  TreeNode* day = tree->AddChild(nullptr, "Heute, Mo., 07.12.2026 (2)");
  TreeNode* entry = tree->AddChild(day, " [Familie] Arzt");
  HWND window = Hwnd(*tree);
  // Another bit set by the control itself stays as it is.
  TVITEMA select{};
  select.mask = TVIF_STATE;
  select.hItem = reinterpret_cast<HTREEITEM>(entry->peer_item);
  select.state = TVIS_CUT;
  select.stateMask = TVIS_CUT;
  SendMessageA(window, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&select));
  tree->SetNodeBold(day, true);
  tree->SetNodeBold(entry, true);
  tree->SetNodeBold(entry, false);
  auto state_of = [&](TreeNode* node) {
    TVITEMA item{};
    item.mask = TVIF_STATE | TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(node->peer_item);
    item.stateMask = 0xFFFF;
    char text[128] = {};
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return std::make_pair(std::string(text), item.state);
  };
  EXPECT_EQ(state_of(day).first, "Heute, Mo., 07.12.2026 (2)");
  EXPECT_NE(state_of(day).second & TVIS_BOLD, 0u);
  EXPECT_EQ(state_of(entry).first, " [Familie] Arzt");
  EXPECT_EQ(state_of(entry).second & TVIS_BOLD, 0u);
  EXPECT_NE(state_of(entry).second & TVIS_CUT, 0u);
  EXPECT_EQ(SendMessageA(window, TVM_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & TVS_EDITLABELS, 0);
  EXPECT_EQ(SendMessageA(window, TVM_GETINDENT, 0, 0), 19);
  tree->Clear();
  EXPECT_EQ(SendMessageA(window, TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(UiWin32Test, ListBoxMirrorsTheObjectsOrderAndSelectionComesBack) {
  auto& form = app_.CreateForm<TestForm>();
  auto* due = new ListBox(&form, "ListBox1");
  due->SetParent(&form);
  due->SetSorted(true);
  due->SetVisible(false);
  due->Add("b");
  Hwnd(form);
  due->Add("a");
  due->Add("B");
  HWND window = Hwnd(*due);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (LBS_SORT | WS_VISIBLE), 0);
  ASSERT_EQ(SendMessageA(window, LB_GETCOUNT, 0, 0), 3);
  char text[16] = {};
  SendMessageA(window, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "B");

  auto* accounts = new ListBox(&form, "ListBox2");
  accounts->SetMultiSelect(true);
  accounts->SetParent(&form);
  for (const char* name : {"Familie",
                           "B\xFC"
                           "ro",
                           "Verein"})
    accounts->Add(name);
  accounts->SetSelected(1, true);
  HWND list = Hwnd(*accounts);
  EXPECT_NE(GetWindowLongA(list, GWL_STYLE) & LBS_EXTENDEDSEL, 0);
  EXPECT_GT(SendMessageA(list, LB_GETSEL, 1, 0), 0);
  // The user selects another line: the control tells its parent, the object follows.
  SendMessageA(list, LB_SETSEL, TRUE, 2);
  SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_TRUE(accounts->Selected(2));
  EXPECT_EQ(accounts->SelCount(), 2);
}

TEST_F(UiWin32Test, ClickOnAToolBarButtonReachesItsObject) {
  auto& form = app_.CreateForm<TestForm>();
  form.SetClientSize(665, 295);
  auto* bar = new ToolBar(&form, "ToolBar1");
  bar->SetParent(&form);
  bar->SetHeight(41);
  auto* on = new SpeedButton(&form, "SpeedButton2");
  auto* off = new SpeedButton(&form, "SpeedButton1");
  for (SpeedButton* b : {on, off}) {
    b->SetBounds(0, 0, 142, 31);
    b->SetParent(bar);
    b->SetGroupIndex(1);
  }
  off->SetDown(true);
  Font bold = on->GetFont();
  bold.bold = true;
  bold.color = kColorGreen;
  on->SetFont(bold);
  form.Show();
  SendMessageA(Hwnd(*on), BM_CLICK, 0, 0);
  EXPECT_TRUE(on->Down());
  EXPECT_FALSE(off->Down());
  EXPECT_EQ(FontOf(Hwnd(*on)).lfWeight, FW_BOLD);
  EXPECT_EQ(GetParent(Hwnd(*on)), Hwnd(*bar));
  EXPECT_EQ(PlaceInParent(Hwnd(*off)).left, 142);
  // What a screen reader's view of a button asks: pressed while down.
  EXPECT_NE(SendMessageA(Hwnd(*on), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  EXPECT_EQ(SendMessageA(Hwnd(*off), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

// The alert events raised in this process, by window.
std::vector<HWND> alerts_seen;
void CALLBACK RecordAlert(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  alerts_seen.push_back(window);
}

TEST_F(UiWin32Test, ScreenReadersHearTheTreesNameAndTheAlertOfANoticeAsItOpens) {
  auto& form = app_.CreateForm<TestForm>();
  auto* tree = new TreeView(&form, "TreeView1");
  tree->SetParent(&form);
  tree->SetAccessibleName("Termine");
  form.Finish();
  using FromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  auto from_window = reinterpret_cast<FromWindowFn>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryA("oleacc.dll"), "AccessibleObjectFromWindow")));
  ASSERT_NE(from_window, nullptr);
  IAccessible* object = nullptr;
  ASSERT_TRUE(SUCCEEDED(from_window(Hwnd(*tree), static_cast<DWORD>(OBJID_CLIENT),
                                    __uuidof(IAccessible), reinterpret_cast<void**>(&object))));
  VARIANT self{};
  self.vt = VT_I4;  // lVal 0: CHILDID_SELF
  BSTR name = nullptr;
  object->get_accName(self, &name);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::wstring(name), L"Termine");
  object->Release();

  TestForm& notice = MakeNotice();
  notice.SetAnnounceAsAlert(true);
  alerts_seen.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, RecordAlert,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  notice.Show();
  for (int i = 0; i < 200 && alerts_seen.empty(); ++i) {
    app_.ProcessMessages();
    Sleep(10);
  }
  UnhookWinEvent(hook);
  EXPECT_EQ(alerts_seen, std::vector<HWND>{Hwnd(notice)});
}

TEST_F(UiWin32Test, FindFolderClipComesFromTheSystemOrElseTheProgram) {
  auto& form = app_.CreateForm<TestForm>();
  form.Finish();
  HWND animate = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD, 0, 0, 66, 31, Hwnd(form), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(animate, nullptr);
  // Wine's shell32 has a stand-in of the clip; Windows since Vista has none, like a module
  // without it.
  EXPECT_EQ(win32::OpenFindFolderClip(animate, LoadLibraryA("shell32.dll"), nullptr),
            win32::ClipSource::kSystem);
  EXPECT_EQ(win32::OpenFindFolderClip(animate, GetModuleHandleA("kernel32.dll"), nullptr),
            win32::ClipSource::kNone);
  // The program's own clip is one the control plays.
  const std::string clip = std::string(ERM_TEST_DATA_DIR) + "/../../src/resources/find_folder.avi";
  EXPECT_NE(SendMessageA(animate, ACM_OPENA, 0, reinterpret_cast<LPARAM>(clip.c_str())), 0);
  EXPECT_NE(SendMessageA(animate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 29)), 0);
  DestroyWindow(animate);
}

TEST_F(UiWin32Test, ModalFormDisablesTheOtherWindowsAndEnterEndsIt) {
  auto& main = app_.CreateForm<TestForm>("Form1");
  main.SetClientSize(200, 100);
  main.Show();
  TestForm& notice = MakeNotice();
  int shows = 0;
  show_->OnClick = [&](Component*) { ++shows; };
  bool main_enabled = true;
  bool app_enabled = true;
  auto* timer = new Timer(&main, "Timer1");
  timer->SetInterval(50);
  timer->OnTimer = [&](Component*) {
    timer->SetEnabled(false);
    main_enabled = IsWindowEnabled(Hwnd(main)) != FALSE;
    app_enabled = IsWindowEnabled(Hwnd(app_.Handle())) != FALSE;
    // What IsDialogMessage sends for Enter in a window that answers DM_GETDEFID with IDOK.
    SendMessageA(Hwnd(notice), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
  EXPECT_EQ(notice.ShowModal(), kMrOk);
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(main_enabled);
  EXPECT_FALSE(app_enabled);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(main)));
  EXPECT_FALSE(IsWindowVisible(Hwnd(notice)));
  EXPECT_EQ(SendMessageA(Hwnd(notice), WM_USER, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
}

// The keys themselves, through the loop's dialog navigation: Esc is the cancel button; Enter is
// the focused button, or the default one while the focus is on no button; a letter without Alt
// is a mnemonic while a button has the focus.
TEST_F(UiWin32Test, DialogKeysClickTheButtonsAWindowsUserExpects) {
  auto& main = app_.CreateForm<TestForm>("Form1");
  TestForm& notice = MakeNotice();
  int closes = 0;
  int shows = 0;
  close_->OnClick = [&](Component*) { ++closes; };
  show_->OnClick = [&](Component*) { ++shows; };
  struct Press {
    UINT message;
    WPARAM key;
    bool on_button;
  } press{WM_KEYDOWN, VK_ESCAPE, true};
  auto* timer = new Timer(&main, "Timer1");
  timer->SetInterval(50);
  timer->OnTimer = [&](Component*) {
    timer->SetEnabled(false);
    SetFocus(press.on_button ? Hwnd(*close_) : Hwnd(notice));
    HWND focus = GetFocus();
    desktop_.DispatchMessage({platform::WindowHandle(focus), press.message, press.key, 0});
    if (press.message == WM_KEYDOWN)
      desktop_.DispatchMessage({platform::WindowHandle(focus), WM_KEYUP, press.key, 0});
    if (notice.ModalResult() == kMrNone) notice.SetModalResult(kMrCancel);  // not stuck
  };
  const auto run = [&](Press p) {
    press = p;
    timer->SetEnabled(true);
    return notice.ShowModal();
  };
  EXPECT_EQ(run({WM_KEYDOWN, VK_ESCAPE, true}), kMrOk);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(run({WM_KEYDOWN, VK_RETURN, true}), kMrOk);
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(shows, 0);
  EXPECT_EQ(run({WM_KEYDOWN, VK_RETURN, false}), kMrOk);
  EXPECT_EQ(shows, 1);
  // "Termine &anzeigen" by its letter, typed while "Hinweis schliessen" has the focus.
  EXPECT_EQ(run({WM_CHAR, 'a', true}), kMrOk);
  EXPECT_EQ(shows, 2);
  EXPECT_EQ(closes, 2);
}

TEST_F(UiWin32Test, ErrorFromAHandlerStaysOutOfWindowsFrames) {
  TestForm& notice = MakeNotice();
  int clicks = 0;
  show_->OnClick = [&](Component*) {
    ++clicks;
    throw Abort();  // silent: no message box to block the test
  };
  HWND button = Hwnd(*show_);
  SendMessageA(button, BM_CLICK, 0, 0);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(notice.ModalResult(), kMrOk);
}

TEST_F(UiWin32Test, CloseBoxOfADialogHidesIt) {
  app_.CreateForm<TestForm>("Form1");
  TestForm& notice = MakeNotice();
  notice.Show();
  EXPECT_TRUE(IsWindowVisible(Hwnd(notice)));
  SendMessageA(Hwnd(notice), WM_CLOSE, 0, 0);
  EXPECT_FALSE(notice.Visible());
  EXPECT_FALSE(IsWindowVisible(Hwnd(notice)));
  EXPECT_TRUE(IsWindow(Hwnd(notice)));
}

TEST_F(UiWin32Test, NewMonitorDpiScalesSizesAndFonts) {
  TestForm& notice = MakeNotice();
  HWND window = Hwnd(notice);
  RECT suggested{100, 100, 1400, 500};
  SendMessageA(window, kDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 836 * 3 / 2);
  EXPECT_EQ(client.cy, 224 * 3 / 2);
  EXPECT_EQ(FontOf(Hwnd(*headline_)).lfHeight, -29);  // 19 * 1.5, rounded half up
  RECT place = PlaceInParent(Hwnd(*show_));
  EXPECT_EQ(place.left, 660);
  EXPECT_EQ(place.right - place.left, 290);
}

TEST_F(UiWin32Test, ApplicationWindowIsShownWhileAFormIsVisible) {
  auto& form = app_.CreateForm<TestForm>();
  form.SetClientSize(100, 100);
  EXPECT_FALSE(IsWindowVisible(Hwnd(app_.Handle())));
  form.Show();
  EXPECT_TRUE(IsWindowVisible(Hwnd(app_.Handle())));
  form.Hide();
  EXPECT_FALSE(IsWindowVisible(Hwnd(app_.Handle())));
}

TEST_F(UiWin32Test, AutoSizedLabelsShowTheirWholeTextInEveryFontSize) {
  auto& form = app_.CreateForm<TestForm>("Form3");
  form.SetClientSize(900, 400);
  form.SetFont(Font{});
  const char* const texts[] = {
      "Anschlie\xDF"
      "end w\xE4hlen Sie die Konten aus, an dessen Termine Sie erinnert werden m\xF6"
      "chten.",
      "Bedarf wieder auf aktiviert werden.",
      "Sie haben heute 12 Termin(e):",
      "Hilfe zum Erinnerungsmodul",
      "WWWWWWWWWW.",
  };
  int top = 0;
  std::vector<Label*> labels;
  for (int height : {11, 13, 16, 19, 24}) {
    for (const char* text : texts) {
      auto* label = new Label(&form, "Label");
      label->SetParent(&form);
      label->SetBounds(8, top, 0, 0);
      Font font = label->GetFont();
      font.height = height;
      label->SetFont(font);
      label->SetCaption(text);
      labels.push_back(label);
    }
    top += 2 * height;
  }
  form.Finish();
  form.Show();
  for (Label* label : labels) {
    auto [painted, whole] = LabelInkAgainstWholeText(Hwnd(*label));
    EXPECT_GT(whole, 0);
    EXPECT_EQ(painted, whole) << WindowText(Hwnd(*label)) << " in " << label->GetFont().height
                              << " px";
  }
  form.Hide();
}

TEST_F(UiWin32Test, GroupBoxIsPaintedInsideItsFrameAroundItsControls) {
  auto& form = app_.CreateForm<TestForm>("Form2");
  form.SetClientSize(364, 348);
  auto* box = new GroupBox(&form, "GroupBox2");
  box->SetParent(&form);
  box->SetBounds(8, 8, 345, 97);
  Font bold = box->GetFont();
  bold.bold = true;
  box->SetFont(bold);
  box->SetCaption(" Pfad zur Datei ");
  auto* label = new Label(&form, "Label2");
  label->SetParent(box);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(16, 24, 313, 36);
  label->SetCaption("Pfad nicht gew\xE4hlt!");
  form.Finish();
  form.Show();
  HWND window = Hwnd(*box);
  UpdateWindow(Hwnd(form));
  HDC dc = GetDC(window);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  // Inside the frame, left of the label and below it: the dialog's own face colour.
  EXPECT_EQ(GetPixel(dc, 8, 50), face);
  EXPECT_EQ(GetPixel(dc, 200, 80), face);
  ReleaseDC(window, dc);
  form.Hide();
}

}  // namespace
}  // namespace erm::ui
