// A ScanHost without windows, for the command-line tools and the tests: it keeps the tree as a
// model, records every progress step, balloon and notice dialog, and skips the pauses when told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/scan_host.h"
#include "platform/system.h"
#include "settings/account_list.h"

namespace erm::app {

struct TreeModelNode {
  std::string text;
  bool bold = false;
  std::vector<TreeModelNode> children;
};

struct RecordedBalloon {
  std::string title;
  std::string text;
  BalloonIconKind icon = BalloonIconKind::biNone;
  int timeout_seconds = 0;
};

struct RecordedNotice {
  std::string headline;
  std::string text;
};

class HeadlessHost : public ScanHost {
 public:
  // `table` is lent for the host's life; without one, ReminderTable throws.
  HeadlessHost(platform::System& system, ProgramState& state, dbf::TDbfTable* table);

  // What DirSearch does; by default the discovery on the state's planner directory with the
  // selection from the account selection file of the state's settings folder, or of the
  // program folder while that is not set. It answers how the konten folder was listed.
  std::function<settings::KontenListing(settings::AccountList&)> dir_search;
  // Runs while the notice dialog is open, as a user's click would.
  std::function<void()> on_notice_shown;
  // When false, pauses go to System::Sleep.
  bool skip_pauses = true;

  settings::MemoryAccountList& AccountsToFill() { return accounts_; }
  std::vector<TreeModelNode> Tree() const;

  // Every call in order, one line each, for tests of the order of steps.
  std::vector<std::string> events;
  std::vector<std::string> captions;
  std::vector<uint32_t> pauses;
  std::vector<RecordedBalloon> balloons;
  std::vector<RecordedNotice> notices;
  int progress_maximum = 100;
  int progress_step = 10;
  int progress_position = 0;
  bool progress_enabled = true;
  bool activity_shown = false;
  std::string status_caption = "    ";
  bool timer_enabled = false;
  uint32_t timer_interval_ms = 5000;
  bool cycle_icons = false;
  int icon_index = 0;
  int main_window_showings = 0;

  void ShowScanActivity() override;
  void SetStatusCaption(const std::string& caption) override;
  void SetProgressRange(int maximum, int step) override;
  void StepProgress() override;
  void EndScanActivity() override;
  void Pause(uint32_t ms) override;
  void DisableScanTimer(uint32_t next_interval_ms) override;
  void EnableScanTimer() override;
  settings::KontenListing DirSearch() override;
  const settings::AccountList& Accounts() override { return accounts_; }
  dbf::TDbfTable& ReminderTable() override;
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

 private:
  std::string SettingsFolder() const;
  struct FlatNode {
    std::string text;
    bool bold = false;
    TreeNodeId parent = 0;
  };

  platform::System& system_;
  ProgramState& state_;
  dbf::TDbfTable* table_;
  settings::MemoryAccountList accounts_;
  std::vector<FlatNode> nodes_;  // node id = index + 1
  RecordedNotice labels_;
};

}  // namespace erm::app
