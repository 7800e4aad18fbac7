// TForm3, the help window: a fixed page on setting the planner path and the accounts, switching
// reminding on and off, and minimising to the tray. Its buttons are pictures of the main
// window's; the only thing any of them does is hide the window.
#pragma once

#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace erm::app {

class TForm3 : public ui::Form {
 public:
  explicit TForm3(ui::Application& app);

  // "&OK" and the "Programm minimieren" picture.
  void BitBtn1Click(ui::Component* sender);

  ui::Label* Label1;
  ui::Bevel* Bevel1;
  ui::Label* Label2;
  ui::Label* Label3;
  ui::SpeedButton* SpeedButton2;
  ui::Label* Label4;
  ui::SpeedButton* SpeedButton1;
  ui::Label* Label5;
  ui::Label* Label6;
  ui::BitBtn* BitBtn2;
  ui::Label* Label7;
  ui::Label* Label8;
  ui::Panel* Panel1;
  ui::BitBtn* BitBtn1;
};

}  // namespace erm::app
