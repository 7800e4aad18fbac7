#include "app/help_window.h"

#include <string>

#include "resources/resource_ids.h"

namespace erm::app {
namespace {

ui::Label* AddText(ui::Form* form, const char* name, int left, int top, std::string text) {
  auto* label = new ui::Label(form, name);
  label->SetParent(form);
  label->SetBounds(left, top, 0, 0);
  label->SetCaption(std::move(text));
  return label;
}

// A picture of one of the main window's toggle buttons: down, alone in its group, so that a
// click leaves it as it is.
ui::SpeedButton* AddTogglePicture(ui::Form* form, const char* name, int top, int group,
                                  ui::Color color, std::string caption) {
  auto* button = new ui::SpeedButton(form, name);
  button->SetParent(form);
  button->SetBounds(19, top, 144, 31);
  ui::Font font;
  font.bold = true;
  font.color = color;
  button->SetFont(font);
  button->SetCaption(std::move(caption));
  button->SetGroupIndex(group);
  button->SetDown(true);
  return button;
}

}  // namespace

TForm3::TForm3(ui::Application& app) : ui::Form(app, "Form3") {
  SetCaption("Hilfe");
  SetBorderStyle(ui::BorderStyle::kDialog);
  SetBorderIcons(ui::BorderIcons::kCloseBox);
  SetFormStyle(ui::FormStyle::kStayOnTop);
  SetPosition(ui::FormPosition::kScreenCenter);
  SetClientSize(509, 279);
  SetFont(ui::Font{});

  Label1 = AddText(this, "Label1", 16, 8, "Hilfe zum Erinnerungsmodul");
  ui::Font heading;
  heading.height = 24;
  Label1->SetFont(heading);

  Bevel1 = new ui::Bevel(this, "Bevel1");
  Bevel1->SetParent(this);
  Bevel1->SetBounds(8, 40, 489, 2);
  Bevel1->SetShape(ui::BevelShape::kTopLine);

  Label2 = AddText(this, "Label2", 16, 56,
                   "Stellen Sie im Men\xFC 'Programm -> Optionen' den Pfad zu Ihrem "
                   "QX-Brevantoliske ein.");
  Label3 = AddText(this, "Label3", 16, 72,
                   "Anschlie\xDF"
                   "end w\xE4hlen Sie die Konten aus, an dessen Termine Sie "
                   "erinnert werden m\xF6"
                   "chten.");

  SpeedButton2 =
      AddTogglePicture(this, "SpeedButton2", 106, 1, ui::kColorGreen, "Erinnerung aktivieren");
  Label4 = AddText(this, "Label4", 176, 112,
                   "St\xFCndliche Pr\xFC"
                   "fung aller anstehenden Termine und deren Anzeige.");
  SpeedButton1 =
      AddTogglePicture(this, "SpeedButton1", 146, 2, ui::kColorRed, "Erinnerung deaktivieren");
  Label5 = AddText(this, "Label5", 176, 144,
                   "Die Terminpr\xFC"
                   "fung und -meldung wird unterdr\xFC"
                   "ckt, muss aber bei");
  Label6 = AddText(this, "Label6", 176, 160, "Bedarf wieder auf aktiviert werden.");

  BitBtn2 = new ui::BitBtn(this, "BitBtn2");
  BitBtn2->SetParent(this);
  BitBtn2->SetBounds(18, 184, 144, 33);
  BitBtn2->SetCaption("Programm minimieren");
  BitBtn2->SetGlyph(ERM_IDI_GLYPH_MINIMIZE);
  BitBtn2->OnClick = [this](ui::Component* sender) { BitBtn1Click(sender); };
  Label7 =
      AddText(this, "Label7", 176, 184, "Minimiert das Programm zum Symbol auf der Task-Leiste ");
  Label8 = AddText(this, "Label8", 176, 200, "(neben der Uhr).");

  Panel1 = new ui::Panel(this, "Panel1");
  Panel1->SetParent(this);
  Panel1->SetHeight(41);
  Panel1->SetAlign(ui::Align::kBottom);

  BitBtn1 = new ui::BitBtn(this, "BitBtn1");
  BitBtn1->SetParent(Panel1);
  BitBtn1->SetBounds(216, 8, 75, 25);
  BitBtn1->SetKind(ui::BitBtnKind::kOk);
  BitBtn1->SetCaption("&OK");
  BitBtn1->SetGlyph(ERM_IDI_GLYPH_OK);
  BitBtn1->OnClick = [this](ui::Component* sender) { BitBtn1Click(sender); };

  AfterConstruction();
}

void TForm3::BitBtn1Click(ui::Component*) {
  Hide();
}

}  // namespace erm::app
