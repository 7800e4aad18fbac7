#include "app/headless_host.h"

#include <utility>

#include "platform/error.h"
#include "settings/account_discovery.h"

namespace erm::app {

HeadlessHost::HeadlessHost(platform::System& system, ProgramState& state, dbf::TDbfTable* table)
    : system_(system), state_(state), table_(table) {}

std::vector<TreeModelNode> HeadlessHost::Tree() const {
  std::vector<TreeModelNode> top;
  std::vector<size_t> top_of_id(nodes_.size() + 1, 0);
  for (size_t i = 0; i < nodes_.size(); ++i) {
    const FlatNode& node = nodes_[i];
    TreeModelNode model{node.text, node.bold, {}};
    if (node.parent == 0) {
      top_of_id[i + 1] = top.size();
      top.push_back(std::move(model));
    } else {
      top[top_of_id[node.parent]].children.push_back(std::move(model));
    }
  }
  return top;
}

void HeadlessHost::ShowScanActivity() {
  events.push_back("ShowScanActivity");
  activity_shown = true;
}

void HeadlessHost::SetStatusCaption(const std::string& caption) {
  events.push_back("SetStatusCaption " + caption);
  captions.push_back(caption);
  status_caption = caption;
}

void HeadlessHost::SetProgressRange(int maximum, int step) {
  events.push_back("SetProgressRange " + std::to_string(maximum) + " " + std::to_string(step));
  progress_maximum = maximum;
  progress_step = step;
}

void HeadlessHost::StepProgress() {
  events.push_back("StepProgress");
  progress_position += progress_step;
  if (progress_position > progress_maximum) progress_position = progress_maximum;
}

void HeadlessHost::EndScanActivity() {
  events.push_back("EndScanActivity");
  activity_shown = false;
  progress_enabled = false;
  progress_position = 0;
  status_caption.clear();
}

void HeadlessHost::Pause(uint32_t ms) {
  events.push_back("Pause " + std::to_string(ms));
  pauses.push_back(ms);
  if (!skip_pauses) system_.Sleep(ms);
}

void HeadlessHost::DisableScanTimer(uint32_t next_interval_ms) {
  events.push_back("DisableScanTimer " + std::to_string(next_interval_ms));
  timer_enabled = false;
  timer_interval_ms = next_interval_ms;
}

void HeadlessHost::EnableScanTimer() {
  events.push_back("EnableScanTimer");
  timer_enabled = true;
}

settings::KontenListing HeadlessHost::DirSearch() {
  events.push_back("DirSearch");
  settings::KontenListing listing{true, state_.planner_directory};
  try {
    if (dir_search) {
      listing = dir_search(accounts_);
    } else {
      settings::DirSearch(system_, SettingsFolder(), state_.planner_directory, accounts_, listing);
    }
  } catch (const Error&) {
  }
  return listing;
}

std::string HeadlessHost::SettingsFolder() const {
  return state_.settings_folder.empty() ? system_.ProgramFolder() : state_.settings_folder;
}

dbf::TDbfTable& HeadlessHost::ReminderTable() {
  if (table_ == nullptr) throw Error("Keine Tabellenkomponente");
  return *table_;
}

void HeadlessHost::ClearTree() {
  events.push_back("ClearTree");
  nodes_.clear();
}

TreeNodeId HeadlessHost::AddDayNode(const std::string& text) {
  events.push_back("AddDayNode " + text);
  nodes_.push_back(FlatNode{text, false, 0});
  return nodes_.size();
}

TreeNodeId HeadlessHost::AddEntryNode(TreeNodeId day, std::string text) {
  events.push_back("AddEntryNode " + text);
  nodes_.push_back(FlatNode{std::move(text), false, day});
  return nodes_.size();
}

void HeadlessHost::SetNodeBold(TreeNodeId node, bool bold) {
  events.push_back("SetNodeBold " + std::to_string(node) + (bold ? " on" : " off"));
  if (node == 0 || node > nodes_.size()) return;
  nodes_[node - 1].bold = bold;
}

void HeadlessHost::SetCycleIcons(bool cycle) {
  events.push_back(cycle ? "SetCycleIcons on" : "SetCycleIcons off");
  cycle_icons = cycle;
}

void HeadlessHost::SetIconIndex(int index) {
  events.push_back("SetIconIndex " + std::to_string(index));
  icon_index = index;
}

void HeadlessHost::ShowBalloon(const std::string& title, const std::string& text,
                               BalloonIconKind icon, int timeout_seconds) {
  events.push_back("ShowBalloon " + title);
  balloons.push_back(RecordedBalloon{title, text, icon, timeout_seconds});
}

void HeadlessHost::SetNoticeLabels(const std::string& headline, const std::string& text) {
  events.push_back("SetNoticeLabels " + headline);
  labels_ = RecordedNotice{headline, text};
}

void HeadlessHost::ShowNoticeModal() {
  events.push_back("ShowNoticeModal");
  notices.push_back(labels_);
  if (on_notice_shown) on_notice_shown();
}

void HeadlessHost::ShowMainWindow() {
  events.push_back("ShowMainWindow");
  ++main_window_showings;
}

}  // namespace erm::app
