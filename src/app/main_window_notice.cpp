// The main window's notice that waits while the user does not want to be disturbed: Timer2
// looks for its moment, the tooltip tells of it, and the scan timer keeps its time meanwhile.
#include <optional>

#include "app/left_out.h"
#include "app/main_window.h"
#include "ui/application.h"

namespace erm::app {

void TForm1::Timer2Timer(ui::Component*) {
  if (Busy()) return;
  std::optional<Notice> notice =
      TakeWaitingNotice(GetApplication().System(), state_, GetApplication().Desktop().UserQuiet());
  if (state_.pending_notice) return;
  Timer2->SetEnabled(false);
  UpdateTrayHint();
  if (notice) RaiseWaitingNotice(*notice);
}

void TForm1::RaiseWaitingNotice(const Notice& notice) {
  // No scan may start inside the notice dialog. The scan timer keeps its deadline: restarting
  // the hour could push the day's first scan past midnight.
  const std::optional<uint64_t> scan_due =
      Timer1->Enabled() ? std::optional<uint64_t>(Timer1->DueTick()) : std::nullopt;
  Timer1->SetEnabled(false);
  notice_open_ = true;
  try {
    RaiseNotice(GetApplication().System(), state_, notice, *this);
  } catch (...) {
    notice_open_ = false;
    ResumeScanTimer(scan_due);
    throw;
  }
  notice_open_ = false;
  const bool scan_overdue = ResumeScanTimer(scan_due);
  ApplyPendingCommand();
  // The scan that fell due while the dialog was open comes as it closes, unless the user
  // switched reminding off meanwhile.
  if (scan_overdue && Timer1->Enabled()) Timer1Timer(Timer1);
}

bool TForm1::ResumeScanTimer(std::optional<uint64_t> due) {
  if (!due) return false;
  const uint64_t now = TickCount();
  if (*due > now) Timer1->SetInterval(static_cast<uint32_t>(*due - now));
  Timer1->SetEnabled(true);
  return *due <= now;
}

void TForm1::UpdateTrayHint() {
  // A planner out of reach comes first: the waiting notice comes on its own, the planner not;
  // nor do accounts the user has yet to choose.
  std::string hint = kTrayHint;
  if (scan_.ListingFailed()) {
    hint = ReminderScan::UnreachableMessage(state_.planner_directory);
  } else if (scan_.NoAccountChosen()) {
    hint = kNoAccountsChosen;
  } else if (state_.pending_notice) {
    hint = WaitingNoticeHint(*state_.pending_notice);
  }
  if (TrayIcon1->Hint() != hint) TrayIcon1->SetHint(hint);
}

}  // namespace erm::app
