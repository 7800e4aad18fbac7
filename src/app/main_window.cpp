#include "app/main_window.h"

#include <utility>

#include "app/help_window.h"
#include "app/left_out.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "platform/error.h"
#include "resources/resource_ids.h"
#include "settings/settings_files.h"
#include "settings/settings_folder.h"
#include "ui/application.h"

namespace erm::app {
namespace {

constexpr int kToggleGroup = 1;
constexpr uint32_t kCycleIntervalMs = 800;

ui::Font BoldFont(ui::Color color) {
  ui::Font font;
  font.bold = true;
  font.color = color;
  return font;
}

ui::Font FontOfHeight(int height) {
  ui::Font font;
  font.height = height;
  return font;
}

ui::SpeedButton* AddToggle(ui::Form* form, ui::ToolBar* bar, const char* name, ui::Color color,
                           const char* caption) {
  auto* button = new ui::SpeedButton(form, name);
  button->SetBounds(0, 0, 142, 31);
  button->SetFont(BoldFont(color));
  button->SetCaption(caption);
  button->SetGroupIndex(kToggleGroup);
  button->SetParent(bar);
  return button;
}

ui::MenuItem* AddMenuItem(ui::Form* form, ui::MenuItem& parent, const char* name,
                          const char* caption, ui::NotifyEvent on_click = {}) {
  auto* item = new ui::MenuItem(form, name);
  item->SetCaption(caption);
  item->OnClick = std::move(on_click);
  parent.Add(item);
  return item;
}

}  // namespace

TForm1::TForm1(ui::Application& app, tray::TrayHandlers& tray_handlers)
    : ui::Form(app, "Form1"),
      Dbf_erinnerung("Dbf_erinnerung", app.System()),
      tray_handlers_(tray_handlers),
      scan_(app.System(), state_, *this) {
  SetBorderStyle(ui::BorderStyle::kSingle);
  SetBorderIcons(ui::BorderIcons::kNone);
  SetFormStyle(ui::FormStyle::kStayOnTop);
  SetPosition(ui::FormPosition::kScreenCenter);
  SetClientSize(665, 295);
  SetFont(ui::Font{});

  BuildToolBar();
  BuildClientArea();
  BuildMenus();

  Timer1 = new ui::Timer(this, "Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(kFirstScanDelayMs);
  Timer1->OnTimer = [this](ui::Component* sender) { Timer1Timer(sender); };
  Timer2 = new ui::Timer(this, "Timer2");
  Timer2->SetEnabled(false);
  Timer2->SetInterval(kQuietCheckMs);
  Timer2->OnTimer = [this](ui::Component* sender) { Timer2Timer(sender); };

  BuildTrayIcon();

  OnShow = [this](ui::Component* sender) { FormShow(sender); };
  OnCloseQuery = [this](ui::Component* sender, bool& can_close) {
    FormCloseQuery(sender, can_close);
  };
  OnCreate = [this](ui::Component* sender) { FormCreate(sender); };
  scan_triggers_ = std::make_unique<ScanTriggers>(
      app.Desktop(), app.Handle(), [this] { GetApplication().RunGuarded([this] { ScanSoon(); }); });
  AfterConstruction();
}

TForm1::~TForm1() {
  scan_triggers_.reset();
  // The timer, the tray icon and the menus call back into this object's members.
  DestroyComponents();
}

void TForm1::BuildToolBar() {
  ToolBar1 = new ui::ToolBar(this, "ToolBar1");
  ToolBar1->SetParent(this);
  ToolBar1->SetHeight(41);
  ToolBar1->SetButtonHeight(31);
  ToolBar1->SetEdgeBorders(ui::EdgeBorder::kTop | ui::EdgeBorder::kBottom);
  ToolBar1->SetEdgeInner(ui::EdgeStyle::kRaised);
  ToolBar1->SetEdgeOuter(ui::EdgeStyle::kNone);

  SpeedButton2 =
      AddToggle(this, ToolBar1, "SpeedButton2", ui::kColorGreen, "Erinnerung aktivieren");
  SpeedButton2->OnClick = [this](ui::Component* sender) { SpeedButton2Click(sender); };
  ToolBar1->AddSeparator(3);
  SpeedButton1 =
      AddToggle(this, ToolBar1, "SpeedButton1", ui::kColorRed, "Erinnerung deaktivieren");
  SpeedButton1->SetDown(true);
  SpeedButton1->OnClick = [this](ui::Component* sender) { SpeedButton1Click(sender); };
  ToolBar1->AddSeparator(8);

  ProgressBar1 = new ui::ProgressBar(this, "ProgressBar1");
  ProgressBar1->SetBounds(0, 0, 184, 31);
  ProgressBar1->SetMin(0);
  ProgressBar1->SetMax(100);
  ProgressBar1->SetSmooth(true);
  ProgressBar1->SetParent(ToolBar1);

  Animate2 = new ui::Animate(this, "Animate2");
  Animate2->SetBounds(0, 0, 66, 31);
  Animate2->SetCommonAvi(ui::CommonAvi::kFindFolder);
  Animate2->SetStopFrame(29);
  Animate2->SetVisible(false);
  Animate2->SetActive(false);
  Animate2->SetParent(ToolBar1);
  ToolBar1->AddSeparator(72);

  Label1 = new ui::Label(this, "Label1");
  Label1->SetBounds(0, 0, 238, 31);
  Label1->SetAutoSize(false);
  Label1->SetFont(FontOfHeight(13));
  Label1->SetCaption("    ");
  Label1->SetParent(ToolBar1);
}

void TForm1::BuildClientArea() {
  StatusBar1 = new ui::StatusBar(this, "StatusBar1");
  StatusBar1->SetParent(this);
  StatusBar1->SetHeight(19);
  StatusBar1->SetAlign(ui::Align::kBottom);
  StatusBar1->SetSimplePanel(true);
  StatusBar1->SetSimpleText(
      "  -- Regelm\xE4ssige Softwareupdates:   " + std::string(kUpdateAddress) + " --");

  Panel1 = new ui::Panel(this, "Panel1");
  Panel1->SetParent(this);
  Panel1->SetAlign(ui::Align::kClient);

  TreeView1 = new ui::TreeView(this, "TreeView1");
  TreeView1->SetParent(Panel1);
  TreeView1->SetAlign(ui::Align::kClient);
  TreeView1->SetReadOnly(true);
  TreeView1->SetFont(FontOfHeight(13));
  TreeView1->SetIndent(19);
  // Screen readers name the tree by this; it shows no text of its own.
  TreeView1->SetAccessibleName("Termine");

  // Lies over the tree's top right corner.
  BitBtn1 = new ui::BitBtn(this, "BitBtn1");
  BitBtn1->SetParent(Panel1);
  BitBtn1->SetBounds(504, 8, 155, 41);
  BitBtn1->SetCaption("Programm minimieren");
  BitBtn1->SetGlyph(ERM_IDI_GLYPH_MINIMIZE);
  BitBtn1->OnClick = [this](ui::Component* sender) { BitBtn1Click(sender); };
  // Windows stacks siblings in tab order, the first on top: the button must not be under the
  // tree.
  BitBtn1->SetTabOrder(0);
  TreeView1->SetTabOrder(1);

  ListBox1 = new ui::ListBox(this, "ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetVisible(false);
  ListBox1->SetSorted(true);
}

void TForm1::BuildMenus() {
  MainMenu1 = new ui::MainMenu(this, "MainMenu1");
  Programm1 = AddMenuItem(this, MainMenu1->Items(), "Programm1", "&Programm");
  Optionen1 = AddMenuItem(this, *Programm1, "Optionen1", "&Optionen...",
                          [this](ui::Component* sender) { Optionen1Click(sender); });
  N1 = AddMenuItem(this, *Programm1, "N1", "-");
  Beenden1 = AddMenuItem(this, *Programm1, "Beenden1", "Erinnerungsmodul komplett &beenden",
                         [this](ui::Component* sender) { Beenden1Click(sender); });
  Brevantoliskestarten1 = AddMenuItem(
      this, MainMenu1->Items(), "Brevantoliskestarten1", "  [ QX-Brevantoliske &starten! ]  ",
      [this](ui::Component* sender) { Brevantoliskestarten1Click(sender); });
  Hilfe1 = AddMenuItem(this, MainMenu1->Items(), "Hilfe1", "&Hilfe",
                       [this](ui::Component* sender) { Hilfe1Click(sender); });
  SetMenu(MainMenu1);

  PopupMenu1 = new ui::PopupMenu(this, "PopupMenu1");
  Erinnerungsmodulanzeigen1 = AddMenuItem(
      this, PopupMenu1->Items(), "Erinnerungsmodulanzeigen1", "Erinnerungsmodul anzeigen",
      [this](ui::Component* sender) { Erinnerungsmodulanzeigen1Click(sender); });
}

void TForm1::BuildTrayIcon() {
  // The frames at the notification area's own size, which grows with the DPI: a 16-pixel frame
  // blown up to 24 or 32 pixels is blurred.
  const int tray_image_size = GetApplication().Desktop().SmallIconSize();
  ImageList1 = new ui::ImageList(this, "ImageList1");
  ImageList1->SetSize(tray_image_size, tray_image_size);
  ImageList1->AddIconResource(ERM_IDI_TRAY0);
  ImageList1->AddIconResource(ERM_IDI_TRAY1);

  // The stored settings, in the order the window applies them: the icon is added with its
  // stored image and hint, then the image list shows its first image.
  TrayIcon1 = new tray::TTrayIcon(this, tray_handlers_, "TrayIcon1");
  TrayIcon1->Icon().SetHandle(
      GetApplication().Desktop().LoadIconResource(ERM_IDI_TRAY0, tray_image_size));
  TrayIcon1->SetCycleInterval(kCycleIntervalMs);
  TrayIcon1->SetHint("QX-Brevantoliske Erinnerungsmodul");
  TrayIcon1->SetIconVisible(true);
  TrayIcon1->SetMinimizeToTray(true);
  TrayIcon1->SetIconList(ImageList1);
  TrayIcon1->SetIconIndex(0);
  TrayIcon1->SetPopupMenu(PopupMenu1);
  TrayIcon1->OnDblClick = [this](ui::Component* sender) { TrayIcon1DblClick(sender); };
  TrayIcon1->OnBalloonHintClick = [this](ui::Component* sender) {
    TrayIcon1BalloonHintClick(sender);
  };
  TrayIcon1->OnBalloonHintTimeout = [this](ui::Component* sender) {
    TrayIcon1BalloonHintTimeout(sender);
  };
}

// --- handlers ---

void TForm1::FormCreate(ui::Component*) {
  TrayIcon1->SetHint(kTrayHint);
  // An error here ends the handler: the program then runs hidden, inactive, with no directory.
  platform::System& system = GetApplication().System();
  state_.settings_folder = settings::ChooseSettingsFolder(system);
  state_.planner_directory =
      settings::ReadPlannerDirectory(system, state_.settings_folder, &preset_taken_);
  state_.seen = false;
  if (state_.planner_directory != settings::kNoPathMarker) {
    SpeedButton2->SetDown(true);
    Timer1->SetEnabled(true);
    return;
  }
  Show();
  GetApplication().MessageBox(kNoPathMessage, GetApplication().Title(), platform::kMbOk);
  SpeedButton1->SetDown(true);
}

void TForm1::FormShow(ui::Component*) {
  SetCaption(kMainWindowCaption);
  TrayIcon1->SetCycleIcons(false);
  TrayIcon1->SetIconIndex(0);
  if (state_.today_count > 0) state_.MarkSeen();
  // An open options dialog holds the user's choice in the making.
  if (options_dialog_ == nullptr || options_dialog_->Visible()) return;
  // The account list is refreshed for the user's eyes only; a failure is not worth a message.
  try {
    options_dialog_->DirSearch();
  } catch (const Error&) {
  }
}

void TForm1::FormCloseQuery(ui::Component*, bool& can_close) {
  can_close = true;
}

void TForm1::SpeedButton2Click(ui::Component*) {
  // Only the notice dialog's loop lets a click in while a scan runs. Arming the timer now would
  // start a scan inside it, and switching off now would be undone by the scan's re-arming.
  if (Busy()) {
    pending_command_ = ReminderCommand::kActivate;
    return;
  }
  Activate();
}

void TForm1::SpeedButton1Click(ui::Component*) {
  if (Busy()) {
    pending_command_ = ReminderCommand::kDeactivate;
    return;
  }
  Deactivate();
}

void TForm1::Activate() {
  // The timer restarts its countdown only if this changes its interval or its state, so a
  // second click within the first 5 seconds does not put the scan off.
  Timer1->SetInterval(kFirstScanDelayMs);
  Timer1->SetEnabled(true);
  next_tick_ = ScanTickKind::kRegular;
}

void TForm1::Deactivate() {
  Timer1->SetEnabled(false);
  state_.seen = false;
  // With reminding off, a notice that waited for quiet would come unasked.
  state_.pending_notice.reset();
  Timer2->SetEnabled(false);
  next_tick_ = ScanTickKind::kRegular;
  hourly_deadline_.reset();
  UpdateTrayHint();
}

void TForm1::ApplyPendingCommand() {
  const ReminderCommand command = pending_command_;
  pending_command_ = ReminderCommand::kNone;
  if (command == ReminderCommand::kActivate) Activate();
  if (command == ReminderCommand::kDeactivate) Deactivate();
  if (std::exchange(scan_soon_pending_, false)) ScanSoon();
}

void TForm1::ScanSoon() {
  // Inside a notice dialog the timer is off; the dialog's end re-arms it.
  if (Busy()) {
    scan_soon_pending_ = true;
    return;
  }
  if (!Timer1->Enabled() || Timer1->Interval() <= kEarlyScanDelayMs) return;
  Timer1->SetInterval(kEarlyScanDelayMs);
  next_tick_ = ScanTickKind::kEarly;
}

void TForm1::SetOptionsDialog(TForm2* form) {
  options_dialog_ = form;
  // After a scan that had no account to read, the accounts chosen now are reminded of within
  // half a minute, not at the next hourly scan.
  options_dialog_->OnApplied = [this](ui::Component*) {
    if (scan_.NoAccountChosen()) ScanSoon();
  };
}

void TForm1::OpenOptionsAtFirstStart() {
  if (!std::exchange(preset_taken_, false) || options_dialog_ == nullptr) return;
  // Outside any handler yet: a selection file that cannot be read is reported, not fatal.
  GetApplication().RunGuarded([this] {
    // Accounts an administrator handed out with the preset need no choosing.
    for (const std::string& line :
         settings::ReadAccountSelection(GetApplication().System(), state_.settings_folder)) {
      if (!line.empty()) return;
    }
    options_dialog_->Show();
  });
}

void TForm1::Optionen1Click(ui::Component*) {
  if (options_dialog_ != nullptr) options_dialog_->Show();
}

void TForm1::Beenden1Click(ui::Component*) {
  Close();
}

void TForm1::Brevantoliskestarten1Click(ui::Component*) {
  // The shell's answer is not looked at: without a planner there is nothing to start and
  // nothing to say.
  GetApplication().Desktop().ShellExecute(Handle(), "open",
                                          state_.planner_directory + settings::kPlannerExecutable,
                                          "", "", platform::ShowCommand::kShowNormal);
}

void TForm1::Hilfe1Click(ui::Component*) {
  if (help_window_ != nullptr) help_window_->Show();
}

void TForm1::BitBtn1Click(ui::Component*) {
  // The tray icon turns minimising into hiding to the tray.
  GetApplication().Minimize();
}

void TForm1::TrayIcon1DblClick(ui::Component*) {
  ShowMainWindow();
}

void TForm1::Erinnerungsmodulanzeigen1Click(ui::Component*) {
  ShowMainWindow();
}

void TForm1::TrayIcon1BalloonHintClick(ui::Component*) {
  state_.MarkSeen();
  TrayIcon1->SetCycleIcons(false);
  TrayIcon1->SetIconIndex(0);
  ShowMainWindow();
}

void TForm1::TrayIcon1BalloonHintTimeout(ui::Component*) {}

void TForm1::Timer1Timer(ui::Component*) {
  // The tick that a nested loop might deliver inside a running scan is not a scan of its own.
  if (Busy()) return;
  const ScanTickKind tick = std::exchange(next_tick_, ScanTickKind::kRegular);
  try {
    if (scan_.Timer1Timer()) {
      KeepTheHour(tick);
      ShowWhatWasNotRead();
    } else {
      next_tick_ = tick;
    }
  } catch (...) {
    RecoverFromFailedScan();
    ApplyPendingCommand();
    throw;
  }
  Timer2->SetEnabled(state_.pending_notice.has_value());
  UpdateTrayHint();
  ApplyPendingCommand();
}

void TForm1::KeepTheHour(ScanTickKind tick) {
  const uint64_t now = TickCount();
  // A scan comes in five minutes only as the retry (a scan that ends that long before midnight
  // counts as one, which changes nothing worth a second rule).
  next_tick_ =
      Timer1->Interval() == kRetryScanIntervalMs ? ScanTickKind::kEarly : ScanTickKind::kRegular;
  const bool keeps_deadline = tick == ScanTickKind::kEarly &&
                              scan_.LastNotice() == NoticeKind::kNone && hourly_deadline_ &&
                              *hourly_deadline_ > now;
  if (!keeps_deadline) {
    hourly_deadline_ = now + kScanIntervalMs;
    return;
  }
  const uint64_t to_deadline = *hourly_deadline_ - now;
  if (to_deadline >= Timer1->Interval()) return;
  Timer1->SetInterval(static_cast<uint32_t>(to_deadline));
  next_tick_ = ScanTickKind::kRegular;
}

void TForm1::ShowWhatWasNotRead() {
  PresentLeftOut(scan_.Problems(), scan_.ReadThrough(), state_.planner_directory,
                 !scan_.NoAccountChosen(), *this);
  if (!scan_.ListingFailed()) {
    unreachable_said_ = false;
    return;
  }
  // Once in each stretch of failed listings, unless a notice's balloon of the same scan would be
  // pushed away or the user wants quiet.
  if (unreachable_said_ || scan_.LastNotice() != NoticeKind::kNone ||
      UserQuiet() != platform::QuietReason::kNone) {
    return;
  }
  unreachable_said_ = true;
  ShowBalloon(kUnreachableBalloonTitle, settings::KontenFolder(state_.planner_directory),
              BalloonIconKind::biWarning, 60);
}

void TForm1::RecoverFromFailedScan() {
  // A scan cut off by an error must not leave reminding switched off with its button still
  // saying "active": the error report tells what happened, and the next try comes as after an
  // unreadable account.
  EndScanActivity();
  if (ReminderActive()) {
    Timer1->SetInterval(kRetryScanIntervalMs);
    Timer1->SetEnabled(true);
    next_tick_ = ScanTickKind::kEarly;
  }
}

uint64_t TForm1::TickCount() const {
  return GetApplication().System().TickCount();
}

}  // namespace erm::app
