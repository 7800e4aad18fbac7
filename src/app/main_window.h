// TForm1, the main window: the program-wide state, the start-up decision between the active and
// the inactive state, the two toggle buttons that switch reminding on and off, the menu, the
// tray icon, and the scan timer whose ticks run the reminder scan in this window's controls.
// It is the scan's host: the scan reaches the tool bar, the tree, the tray icon and the notice
// dialog through it (main_window_scan_host.cpp). A notice that waits for the user to be
// undisturbed is raised by Timer2 (main_window_notice.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/program_state.h"
#include "app/reminder_scan.h"
#include "app/scan_host.h"
#include "app/scan_schedule.h"
#include "dbf/dbf_table.h"
#include "settings/account_list.h"
#include "tray/tray_icon.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/icons.h"
#include "ui/list_box.h"
#include "ui/menus.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "ui/tool_bar.h"
#include "ui/tree_view.h"

namespace erm::app {

class TForm2;
class TForm3;

class TForm4;

inline constexpr uint32_t kFirstScanDelayMs = 5000;
inline constexpr char kMainWindowCaption[] = " QX-Brevantoliske-Erinnerungsmodul f\xFCr alle Jahre";
inline constexpr char kTrayHint[] = "QX-Brevantoliske Erinnerungsmodul f\xFCr alle Jahre (v0.2.9)";
inline constexpr char kNoPathMessage[] =
    "Keinen Pfad zum QX-Brevantoliske gew\xE4hlt!\r\n\r\n"
    "Bitte setzen Sie in den Optionen den Pfad.\r\n"
    "Men\xFC: Programm -> Optionen";
inline constexpr char kUpdateAddress[] = "http://www.qx-brevantoliske.de/updates";
// How often a notice that waits for the user to be undisturbed looks whether that time has come.
inline constexpr uint32_t kQuietCheckMs = 30000;
inline constexpr char kUnreachableBalloonTitle[] = "Planer nicht erreichbar";

// A switch of reminding that came while a scan was still running, to be applied when it ends.
enum class ReminderCommand { kNone, kActivate, kDeactivate };

class TForm1 : public ui::Form, public ScanHost {
 public:
  TForm1(ui::Application& app, tray::TrayHandlers& tray_handlers);
  ~TForm1() override;

  ProgramState& State() { return state_; }
  const ReminderScan& Scan() const { return scan_; }
  ReminderScan& Scan() { return scan_; }
  // Whether reminding is active: "Erinnerung aktivieren" is down.
  bool ReminderActive() const { return SpeedButton2->Down(); }
  // The switch waiting for the running scan to end.
  ReminderCommand PendingCommand() const { return pending_command_; }
  // While reminding is active, brings the next scan to half a minute from now unless it comes
  // sooner anyway; during a scan, to half a minute after its end.
  void ScanSoon();

  // The other windows, created after this one; until then the steps that use them do nothing.
  void SetOptionsDialog(TForm2* form);
  void SetHelpWindow(TForm3* form) { help_window_ = form; }
  void SetNoticeDialog(TForm4* form) { notice_dialog_ = form; }
  // Once the other windows exist: a first start that took the administrator's planner folder
  // has no account chosen yet, so the options dialog opens for the user to choose.
  void OpenOptionsAtFirstStart();

  // --- handlers ---
  void FormCreate(ui::Component* sender);
  void FormShow(ui::Component* sender);
  void FormCloseQuery(ui::Component* sender, bool& can_close);
  void SpeedButton2Click(ui::Component* sender);  // "Erinnerung aktivieren"
  void SpeedButton1Click(ui::Component* sender);  // "Erinnerung deaktivieren"
  void Optionen1Click(ui::Component* sender);
  void Beenden1Click(ui::Component* sender);
  void Brevantoliskestarten1Click(ui::Component* sender);
  void Hilfe1Click(ui::Component* sender);
  void BitBtn1Click(ui::Component* sender);  // "Programm minimieren"
  void TrayIcon1DblClick(ui::Component* sender);
  void Erinnerungsmodulanzeigen1Click(ui::Component* sender);
  void TrayIcon1BalloonHintClick(ui::Component* sender);
  void TrayIcon1BalloonHintTimeout(ui::Component* sender);
  void Timer1Timer(ui::Component* sender);
  void Timer2Timer(ui::Component* sender);  // a waiting notice looks for a quiet moment

  // --- ScanHost ---
  void ShowScanActivity() override;
  void SetStatusCaption(const std::string& caption) override;
  void SetProgressRange(int maximum, int step) override;
  void StepProgress() override;
  void EndScanActivity() override;
  void Pause(uint32_t ms) override;
  void DisableScanTimer(uint32_t next_interval_ms) override;
  void EnableScanTimer() override;
  settings::KontenListing DirSearch() override;
  const settings::AccountList& Accounts() override;
  dbf::TDbfTable& ReminderTable() override { return Dbf_erinnerung; }
  void ClearTree() override;
  TreeNodeId AddDayNode(const std::string& text) override;
  TreeNodeId AddEntryNode(TreeNodeId day, std::string text) override;
  void SetNodeBold(TreeNodeId node, bool bold) override;
  void SetCycleIcons(bool cycle) override;
  void SetIconIndex(int index) override;
  void ShowBalloon(const std::string& title, const std::string& text, BalloonIconKind icon,
                   int timeout_seconds) override;
  void SetNoticeLabels(const std::string& headline, const std::string& text) override;
  void ShowNoticeModal() override;
  void ShowMainWindow() override;
  platform::QuietReason UserQuiet() override;

  // --- controls and components ---
  ui::ToolBar* ToolBar1;
  ui::SpeedButton* SpeedButton2;
  ui::SpeedButton* SpeedButton1;
  ui::ProgressBar* ProgressBar1;
  ui::Animate* Animate2;
  ui::Label* Label1;
  ui::Panel* Panel1;
  ui::TreeView* TreeView1;
  ui::BitBtn* BitBtn1;
  ui::StatusBar* StatusBar1;
  ui::ListBox* ListBox1;  // the due list of the last scan
  ui::MainMenu* MainMenu1;
  ui::MenuItem* Programm1;
  ui::MenuItem* Optionen1;
  ui::MenuItem* N1;
  ui::MenuItem* Beenden1;
  ui::MenuItem* Brevantoliskestarten1;
  ui::MenuItem* Hilfe1;
  ui::PopupMenu* PopupMenu1;
  ui::MenuItem* Erinnerungsmodulanzeigen1;
  ui::Timer* Timer1;
  ui::Timer* Timer2;
  ui::ImageList* ImageList1;
  tray::TTrayIcon* TrayIcon1;
  dbf::TDbfTable Dbf_erinnerung;

 private:
  void BuildToolBar();
  void BuildClientArea();
  void BuildMenus();
  void BuildTrayIcon();
  void Activate();
  void Deactivate();
  void ApplyPendingCommand();
  // Whether a scan or a notice runs now, inside which a click or a trigger waits for its end.
  bool Busy() const { return scan_.Running() || notice_open_; }
  // After a scan that ran to its end: the deadline of the hourly scan, and the kind of tick the
  // scan timer now waits for.
  void KeepTheHour(ScanTickKind tick);
  // The "Nicht gelesen" node, and the balloon about a planner out of reach once in a stretch.
  void ShowWhatWasNotRead();
  // The tooltip says what the user should know first: a planner out of reach, a waiting notice.
  void UpdateTrayHint();
  void RaiseWaitingNotice(const Notice& notice);
  // Arms the scan timer, switched off for a notice, for what is left to `due` (a tick count;
  // none while it was off); answers whether that time has passed.
  bool ResumeScanTimer(std::optional<uint64_t> due);
  uint64_t TickCount() const;
  void RecoverFromFailedScan();
  void CopyDueListToListBox();
  ui::TreeNode* FindNode(TreeNodeId id) const;

  tray::TrayHandlers& tray_handlers_;
  ProgramState state_;
  ReminderScan scan_;
  ReminderCommand pending_command_ = ReminderCommand::kNone;
  bool scan_soon_pending_ = false;
  // What the scan timer's next tick is, and when the hourly scan is due (a tick count); no
  // deadline while reminding is off or before the first scan.
  ScanTickKind next_tick_ = ScanTickKind::kRegular;
  std::optional<uint64_t> hourly_deadline_;
  // A waiting notice is being raised, outside a scan.
  bool notice_open_ = false;
  // The balloon about a planner out of reach has come in this episode of failed scans.
  bool unreachable_said_ = false;
  std::unique_ptr<ScanTriggers> scan_triggers_;
  TForm2* options_dialog_ = nullptr;
  TForm3* help_window_ = nullptr;
  TForm4* notice_dialog_ = nullptr;
  // What the scan sees while there is no options dialog yet.
  settings::MemoryAccountList no_accounts_;
  // The scan's own list while the options dialog is open, so that a scan does not undo a choice
  // the user is still making there; and which list the last discovery filled.
  settings::MemoryAccountList scan_accounts_;
  const settings::AccountList* scanned_accounts_ = nullptr;
  // This start wrote the administrator's preset into a new settings file.
  bool preset_taken_ = false;
};

}  // namespace erm::app
