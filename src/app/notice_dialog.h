// TForm4, the notice dialog: today's appointments, shown modally by the presentation. Its two
// labels are set before every showing; "Termine &anzeigen" also brings up the main window.
#pragma once

#include "app/program_state.h"
#include "app/scan_host.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace erm::app {

class TForm4 : public ui::Form {
 public:
  // `host` is the main window, which shows itself when asked; both must outlive the dialog.
  TForm4(ui::Application& app, ProgramState& state, ScanHost& host);

  // "Termine &anzeigen": the user has seen the reminders; the dialog closes after it.
  void BitBtn2Click(ui::Component* sender);

  ui::Label* Label1;  // the headline
  ui::Label* Label2;  // the notice text, one entry per line
  ui::Bevel* Bevel1;
  ui::BitBtn* BitBtn1;  // "&Hinweis schliessen"
  ui::BitBtn* BitBtn2;  // "Termine &anzeigen"

 private:
  ProgramState& state_;
  ScanHost& host_;
};

}  // namespace erm::app
