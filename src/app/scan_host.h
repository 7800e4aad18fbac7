// ScanHost: everything the reminder scan and its presentation reach outside the program-wide
// state, one call per thing the program does to a window or a component. The main window
// implements it with its controls; HeadlessHost records the calls for the tools and the tests.
#pragma once

#include <cstdint>
#include <string>

#include "dbf/dbf_table.h"
#include "platform/desktop.h"
#include "settings/account_discovery.h"
#include "settings/account_list.h"

namespace erm::app {

// The tray icon's balloon icon kinds, in the order of its TBalloonIconKind.
enum class BalloonIconKind { biNone, biInfo, biWarning, biError };

// A node of the main window's tree; 0 is no node.
using TreeNodeId = std::uintptr_t;

class ScanHost {
 public:
  virtual ~ScanHost() = default;

  // --- progress display on the main window's tool bar ---
  // Starts the search animation Animate2 and shows it, and shows the status label Label1.
  virtual void ShowScanActivity() = 0;
  // Sets Label1's caption and repaints it at once (the scan pumps no messages).
  virtual void SetStatusCaption(const std::string& caption) = 0;
  // ProgressBar1: maximum (the minimum stays 0) and step.
  virtual void SetProgressRange(int maximum, int step) = 0;
  // Advances ProgressBar1 by one step and repaints it at once.
  virtual void StepProgress() = 0;
  // Stops and hides the animation, disables the progress bar with position 0 and empties
  // Label1's caption, which stays visible.
  virtual void EndScanActivity() = 0;
  // Blocks for `ms` milliseconds; the user interface waits with it.
  virtual void Pause(uint32_t ms) = 0;

  // --- the scan timer Timer1 ---
  virtual void DisableScanTimer(uint32_t next_interval_ms) = 0;
  virtual void EnableScanTimer() = 0;

  // --- the accounts and the reminder table ---
  // The options dialog's account discovery. An error of it is ignored, as the scan goes on with
  // the account list as it then stands; the answer is what the konten folder gave.
  virtual settings::KontenListing DirSearch() = 0;
  virtual const settings::AccountList& Accounts() = 0;
  // The main window's table component Dbf_erinnerung, lent to the scan.
  virtual dbf::TDbfTable& ReminderTable() = 0;

  // --- the tree TreeView1 ---
  virtual void ClearTree() = 0;
  // Adds a top-level node at the end.
  virtual TreeNodeId AddDayNode(const std::string& text) = 0;
  // Adds a child at the end of `day`'s children; the tree keeps the text.
  virtual TreeNodeId AddEntryNode(TreeNodeId day, std::string text) = 0;
  // Changes only the bold state of the node; a missing node is ignored.
  virtual void SetNodeBold(TreeNodeId node, bool bold) = 0;

  // --- the tray icon TrayIcon1 ---
  virtual void SetCycleIcons(bool cycle) = 0;
  virtual void SetIconIndex(int index) = 0;
  virtual void ShowBalloon(const std::string& title, const std::string& text, BalloonIconKind icon,
                           int timeout_seconds) = 0;

  // --- the notice dialog TForm4 and the main window ---
  virtual void SetNoticeLabels(const std::string& headline, const std::string& text) = 0;
  // Shows the notice dialog modally and returns when it has been closed.
  virtual void ShowNoticeModal() = 0;
  // Shows the main window and brings it to the front.
  virtual void ShowMainWindow() = 0;
  // Why the user does not want to be disturbed now (a presentation, a full-screen program), if
  // so: then a notice waits.
  virtual platform::QuietReason UserQuiet() { return platform::QuietReason::kNone; }
};

}  // namespace erm::app
