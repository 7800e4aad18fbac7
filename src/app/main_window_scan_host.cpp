// The main window's side of the scan: the tool bar's progress, the scan timer, the accounts, the
// tree, the tray icon and the notice dialog, as the scan and its presentation reach them.
#include <algorithm>
#include <utility>

#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "platform/error.h"
#include "settings/account_discovery.h"
#include "ui/application.h"

namespace erm::app {
namespace {

constexpr int kMaxBalloonSeconds = 255;  // the tray icon takes whole seconds as a byte

tray::TBalloonIconKind TrayBalloonKind(BalloonIconKind kind) {
  switch (kind) {
    case BalloonIconKind::biInfo:
      return tray::TBalloonIconKind::biInfo;
    case BalloonIconKind::biWarning:
      return tray::TBalloonIconKind::biWarning;
    case BalloonIconKind::biError:
      return tray::TBalloonIconKind::biError;
    case BalloonIconKind::biNone:
      break;
  }
  return tray::TBalloonIconKind::biNone;
}

}  // namespace

void TForm1::CopyDueListToListBox() {
  ListBox1->Clear();
  for (const std::string& entry : scan_.Due().Entries())
    ListBox1->Add(entry);
}

void TForm1::ShowScanActivity() {
  Animate2->SetActive(true);
  Animate2->SetVisible(true);
  Label1->SetVisible(true);
}

void TForm1::SetStatusCaption(const std::string& caption) {
  Label1->SetCaption(caption);
  Label1->Repaint();
}

void TForm1::SetProgressRange(int maximum, int step) {
  ProgressBar1->SetMax(maximum);
  ProgressBar1->SetStep(step);
}

void TForm1::StepProgress() {
  ProgressBar1->StepIt();
  ProgressBar1->Repaint();
}

void TForm1::EndScanActivity() {
  Animate2->SetActive(false);
  Animate2->SetVisible(false);
  ProgressBar1->SetEnabled(false);
  ProgressBar1->SetPosition(0);
  Label1->SetCaption("");
  // The due list is complete here, before the presentation reads it.
  CopyDueListToListBox();
}

void TForm1::Pause(uint32_t ms) {
  GetApplication().System().Sleep(ms);
}

void TForm1::DisableScanTimer(uint32_t next_interval_ms) {
  Timer1->SetEnabled(false);
  Timer1->SetInterval(next_interval_ms);
}

void TForm1::EnableScanTimer() {
  Timer1->SetEnabled(true);
}

settings::KontenListing TForm1::DirSearch() {
  if (options_dialog_ == nullptr) return {true, state_.planner_directory};
  if (options_dialog_->Visible()) {
    // The scan reminds of the saved choice, as it does while the dialog is closed.
    scanned_accounts_ = &scan_accounts_;
    settings::KontenListing listing{false, state_.planner_directory};
    try {
      settings::DirSearch(GetApplication().System(), state_.settings_folder,
                          state_.planner_directory, scan_accounts_, listing);
    } catch (const Error&) {
    }
    return listing;
  }
  scanned_accounts_ = &options_dialog_->Accounts();
  try {
    options_dialog_->DirSearch();
  } catch (const Error&) {
  }
  return options_dialog_->LastListing();
}

const settings::AccountList& TForm1::Accounts() {
  if (options_dialog_ == nullptr) return no_accounts_;
  return scanned_accounts_ != nullptr ? *scanned_accounts_ : options_dialog_->Accounts();
}

void TForm1::ClearTree() {
  TreeView1->Clear();
}

TreeNodeId TForm1::AddDayNode(const std::string& text) {
  return reinterpret_cast<TreeNodeId>(TreeView1->AddChild(nullptr, text));
}

TreeNodeId TForm1::AddEntryNode(TreeNodeId day, std::string text) {
  ui::TreeNode* parent = FindNode(day);
  if (parent == nullptr) return 0;
  return reinterpret_cast<TreeNodeId>(TreeView1->AddChild(parent, std::move(text)));
}

ui::TreeNode* TForm1::FindNode(TreeNodeId id) const {
  // From the back: the due list's entries go under the day added last.
  const std::vector<ui::TreeNode*>& nodes = TreeView1->Nodes();
  const auto found = std::find_if(nodes.rbegin(), nodes.rend(), [id](ui::TreeNode* node) {
    return reinterpret_cast<TreeNodeId>(node) == id;
  });
  return found == nodes.rend() ? nullptr : *found;
}

void TForm1::SetNodeBold(TreeNodeId node, bool bold) {
  TreeView1->SetNodeBold(FindNode(node), bold);
}

void TForm1::SetCycleIcons(bool cycle) {
  TrayIcon1->SetCycleIcons(cycle);
}

void TForm1::SetIconIndex(int index) {
  TrayIcon1->SetIconIndex(index);
}

void TForm1::ShowBalloon(const std::string& title, const std::string& text, BalloonIconKind icon,
                         int timeout_seconds) {
  const int seconds = std::clamp(timeout_seconds, 0, kMaxBalloonSeconds);
  TrayIcon1->ShowBalloon(title, text, TrayBalloonKind(icon), static_cast<uint8_t>(seconds));
}

void TForm1::SetNoticeLabels(const std::string& headline, const std::string& text) {
  if (notice_dialog_ == nullptr) return;
  notice_dialog_->Label1->SetCaption(headline);
  notice_dialog_->Label2->SetCaption(text);
}

void TForm1::ShowNoticeModal() {
  if (notice_dialog_ != nullptr) notice_dialog_->ShowModal();
}

void TForm1::ShowMainWindow() {
  Show();
}

platform::QuietReason TForm1::UserQuiet() {
  return GetApplication().Desktop().UserQuiet();
}

}  // namespace erm::app
