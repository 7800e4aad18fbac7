// What one headless scan showed, and its two printed forms: for people, and as JSON.
#pragma once

#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/presentation.h"
#include "app/reminder_scan.h"
#include "settings/account_list.h"

namespace erm::tools {

struct ScanReport {
  std::string planner_directory;
  struct Account {
    std::string name;
    bool chosen = false;
  };
  std::vector<Account> accounts;
  std::vector<std::string> due;
  std::vector<app::TreeModelNode> tree;
  int today_count = 0;
  app::NoticeKind notice = app::NoticeKind::kNone;
  std::string balloon_title;
  std::string balloon_text;
  std::string dialog_headline;
  std::string dialog_text;
  std::vector<app::ScanProblem> problems;
};

// Texts are Windows-1252; both forms come out in UTF-8.
std::string FormatHuman(const ScanReport& report);
std::string FormatJson(const ScanReport& report);

}  // namespace erm::tools
