#include "app/options_dialog.h"

#include <memory>

#include "app/reminder_scan.h"
#include "resources/resource_ids.h"
#include "settings/account_discovery.h"
#include "settings/settings_files.h"
#include "ui/application.h"

namespace erm::app {
namespace {

constexpr char kInitialPlannerFolder[] = "C:\\Programme\\Brevantoliske";
constexpr char kMultiSelectHint[] =
    "( Mehrfachauswahl mit gedr\xFC"
    "ckter <STRG>-Taste m\xF6glich )";

void Place(ui::Control* control, ui::Container* parent, int left, int top, int width, int height) {
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
}

// The group boxes' captions are bold; what they hold is not.
void UseNormalFont(ui::Control* control) {
  control->SetFont(ui::Font{});
}

}  // namespace

TForm2::TForm2(ui::Application& app, const std::string& settings_folder,
               std::string& planner_directory, bool& seen)
    : ui::Form(app, "Form2"),
      ListBox1(new ui::ListBox(this, "ListBox1")),
      settings_folder_(settings_folder),
      planner_directory_(planner_directory),
      seen_(seen),
      accounts_(*ListBox1) {
  SetCaption("Optionen");
  SetBorderStyle(ui::BorderStyle::kDialog);
  SetBorderIcons(ui::BorderIcons::kCloseBox);
  SetFormStyle(ui::FormStyle::kStayOnTop);
  SetPosition(ui::FormPosition::kScreenCenter);
  SetClientSize(364, 348);
  SetFont(ui::Font{});

  ui::Font bold;
  bold.bold = true;

  GroupBox2 = new ui::GroupBox(this, "GroupBox2");
  Place(GroupBox2, this, 8, 8, 345, 97);
  GroupBox2->SetFont(bold);
  GroupBox2->SetCaption(" Pfad zur Datei \"" + std::string(settings::kPlannerExecutable) + "\" ");
  // Tab runs through the path choice, the account list, then the two buttons: tab orders count
  // within each parent, so the group boxes need theirs, or "Uebernehmen" would come first and
  // take the first focus, where Enter saves.
  GroupBox2->SetTabOrder(0);

  Label2 = new ui::Label(this, "Label2");
  Place(Label2, GroupBox2, 16, 24, 313, 36);
  UseNormalFont(Label2);
  Label2->SetAutoSize(false);
  Label2->SetWordWrap(true);
  Label2->SetCaption(settings::kNoPathMarker);

  BitBtn3 = new ui::BitBtn(this, "BitBtn3");
  Place(BitBtn3, GroupBox2, 216, 64, 115, 25);
  UseNormalFont(BitBtn3);
  BitBtn3->SetCaption(" &Pfad w\xE4hlen...");
  BitBtn3->SetGlyph(ERM_IDI_GLYPH_FOLDER);
  BitBtn3->SetTabOrder(0);
  BitBtn3->OnClick = [this](ui::Component* sender) { BitBtn3Click(sender); };

  GroupBox1 = new ui::GroupBox(this, "GroupBox1");
  Place(GroupBox1, this, 8, 120, 345, 169);
  GroupBox1->SetFont(bold);
  GroupBox1->SetCaption(" An Termine der folgenden Konten erinnern");
  GroupBox1->SetTabOrder(1);

  Place(ListBox1, GroupBox1, 16, 24, 313, 113);
  UseNormalFont(ListBox1);
  ListBox1->SetMultiSelect(true);
  ListBox1->SetExtendedSelect(true);
  ListBox1->SetTabOrder(0);

  Label1 = new ui::Label(this, "Label1");
  Place(Label1, GroupBox1, 16, 144, 0, 0);
  UseNormalFont(Label1);
  Label1->SetCaption(kMultiSelectHint);

  BitBtn1 = new ui::BitBtn(this, "BitBtn1");
  Place(BitBtn1, this, 8, 304, 161, 33);
  BitBtn1->SetCaption(
      "&\xDC"
      "bernehmen");
  BitBtn1->SetGlyph(ERM_IDI_GLYPH_APPLY);
  BitBtn1->SetDefault(true);
  BitBtn1->SetTabOrder(2);
  BitBtn1->OnClick = [this](ui::Component* sender) { BitBtn1Click(sender); };

  BitBtn2 = new ui::BitBtn(this, "BitBtn2");
  Place(BitBtn2, this, 192, 304, 161, 33);
  BitBtn2->SetCaption("&Abbrechen");
  BitBtn2->SetGlyph(ERM_IDI_GLYPH_CANCEL);
  BitBtn2->SetCancel(true);
  BitBtn2->SetTabOrder(3);
  BitBtn2->OnClick = [this](ui::Component* sender) { BitBtn2Click(sender); };

  OpenDialog1 = new ui::OpenDialog(this, "OpenDialog1");
  OpenDialog1->SetTitle("Bitte w\xE4hlen Sie die Datei \"" +
                        std::string(settings::kPlannerExecutable) + "\"");
  OpenDialog1->SetFilter(std::string(settings::kPlannerExecutable) + "|brevantoliske.exe");
  OpenDialog1->SetInitialDir(kInitialPlannerFolder);
  OpenDialog1->SetOptions(ui::kOfFileMustExist | ui::kOfPathMustExist | ui::kOfHideReadOnly |
                          ui::kOfEnableSizing);

  OnShow = [this](ui::Component* sender) { FormShow(sender); };
  AfterConstruction();
}

void TForm2::DirSearch() {
  last_listing_ = settings::KontenListing{false, planner_directory_};
  try {
    settings::DirSearch(GetApplication().System(), settings_folder_, planner_directory_, accounts_,
                        last_listing_);
  } catch (...) {
    ShowListingOutcome();
    throw;
  }
  ShowListingOutcome();
}

void TForm2::ShowListingOutcome() {
  // Without a directory there is nothing out of reach, only nothing chosen yet.
  const bool unreachable = !last_listing_.complete && planner_directory_ != settings::kNoPathMarker;
  const std::string caption = unreachable ? ReminderScan::UnreachableMessage(planner_directory_)
                                          : std::string(kMultiSelectHint);
  if (Label1->Caption() != caption) Label1->SetCaption(caption);
}

void TForm2::FormShow(ui::Component*) {
  // The next scan is to remind again, whatever the user had seen.
  seen_ = false;
  Label2->SetCaption(planner_directory_);
  DirSearch();
}

void TForm2::BitBtn3Click(ui::Component*) {
  // A cancelled dialog keeps the file chosen before in this run, so its name is what counts,
  // not the dialog's answer.
  OpenDialog1->Execute();
  const std::string chosen = OpenDialog1->FileName();
  // With nothing ever chosen the label keeps the planner directory: showing the no-path marker
  // here would let a following "Uebernehmen" store it and stop reminding without a word.
  if (chosen.empty()) return;
  Label2->SetCaption(settings::PathLabelForChosenFile(chosen));
  planner_directory_ = Label2->Caption();
  DirSearch();
}

void TForm2::BitBtn1Click(ui::Component*) {
  platform::System& system = GetApplication().System();
  const std::string path = Label2->Caption();
  settings::WritePlannerDirectory(system, settings_folder_, path);
  planner_directory_ = path;
  if (last_listing_.complete)
    settings::WriteAccountSelection(system, settings_folder_, accounts_.SelectedItems());
  Hide();
  if (OnApplied) OnApplied(this);
}

void TForm2::BitBtn2Click(ui::Component*) {
  Hide();
}

}  // namespace erm::app
