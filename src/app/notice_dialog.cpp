#include "app/notice_dialog.h"

#include "app/presentation.h"
#include "resources/resource_ids.h"

namespace erm::app {
namespace {

ui::Font FontOfHeight(int height) {
  ui::Font font;
  font.height = height;
  return font;
}

ui::BitBtn* AddButton(TForm4* form, const char* name, int left, int tab_order, const char* caption,
                      int glyph) {
  auto* button = new ui::BitBtn(form, name);
  button->SetParent(form);
  button->SetBounds(left, 176, 193, 41);
  button->SetFont(FontOfHeight(16));
  button->SetTabOrder(tab_order);
  button->SetCaption(caption);
  button->SetGlyph(glyph);
  // Both buttons end the dialog the same way; nobody looks at the result.
  button->SetModalResult(ui::kMrOk);
  return button;
}

}  // namespace

TForm4::TForm4(ui::Application& app, ProgramState& state, ScanHost& host)
    : ui::Form(app, "Form4"), state_(state), host_(host) {
  SetCaption("QX-Brevantoliske ERINNERUNGSMODUL");
  SetBorderStyle(ui::BorderStyle::kDialog);
  SetBorderIcons(ui::BorderIcons::kCloseBox);
  SetFormStyle(ui::FormStyle::kStayOnTop);
  // It opens from a timer, typically while the user works in another program.
  SetFlashInBackground(true);
  // A screen reader reads it out as it opens, wherever the user is working.
  SetAnnounceAsAlert(true);
  SetPosition(ui::FormPosition::kScreenCenter);
  SetClientSize(836, 224);
  SetFont(ui::Font{});

  Label1 = new ui::Label(this, "Label1");
  Label1->SetParent(this);
  Label1->SetBounds(24, 16, 0, 0);
  ui::Font headline = FontOfHeight(19);
  headline.underline = true;
  headline.color = ui::kColorGreen;
  Label1->SetFont(headline);
  Label1->SetCaption("Sie haben heute 'XX Termin(e):");

  Label2 = new ui::Label(this, "Label2");
  Label2->SetParent(this);
  Label2->SetBounds(24, 56, 0, 0);
  Label2->SetFont(FontOfHeight(16));
  Label2->SetWordWrap(false);
  Label2->SetCaption("yyyyyyyyyyyyyyyyyyyyyy");

  Bevel1 = new ui::Bevel(this, "Bevel1");
  Bevel1->SetParent(this);
  Bevel1->SetBounds(8, 152, 825, 17);
  Bevel1->SetShape(ui::BevelShape::kBottomLine);

  BitBtn1 = AddButton(this, "BitBtn1", 216, 0,
                      "&Hinweis schlie\xDF"
                      "en",
                      ERM_IDI_GLYPH_CLOSE);
  BitBtn1->SetCancel(true);
  BitBtn2 = AddButton(this, "BitBtn2", 440, 1, "Termine &anzeigen", ERM_IDI_GLYPH_SHOW);
  BitBtn2->SetDefault(true);
  BitBtn2->OnClick = [this](ui::Component* sender) { BitBtn2Click(sender); };

  AfterConstruction();
}

void TForm4::BitBtn2Click(ui::Component*) {
  ShowAppointmentsFromNotice(state_, host_);
}

}  // namespace erm::app
