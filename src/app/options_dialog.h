// TForm2, the options dialog: the planner directory chosen through the planner's executable, and
// the accounts to remind of, chosen in a multi-select list that is also where the running
// program keeps that choice. "&Uebernehmen" saves both settings files; the dialog is modeless
// and only ever hidden, never destroyed.
#pragma once

#include <string>

#include "settings/account_discovery.h"
#include "settings/account_list.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/list_box.h"
#include "ui/open_dialog.h"
#include "ui/std_controls.h"

namespace erm::app {

// The account list over the dialog's list box: its lines are the accounts, its selection the
// chosen ones.
class ListBoxAccountList : public settings::AccountList {
 public:
  explicit ListBoxAccountList(ui::ListBox& list_box) : list_box_(list_box) {}

  void Clear() override { list_box_.Clear(); }
  void Add(const std::string& name) override { list_box_.Add(name); }
  int Count() const override { return list_box_.Count(); }
  std::string Item(int index) const override { return list_box_.Item(index); }
  bool Selected(int index) const override { return list_box_.Selected(index); }
  void SetSelected(int index, bool selected) override { list_box_.SetSelected(index, selected); }

 private:
  ui::ListBox& list_box_;
};

class TForm2 : public ui::Form {
 public:
  // The settings folder, the planner directory and the seen flag are the program-wide values
  // the main window holds; they must outlive the dialog.
  TForm2(ui::Application& app, const std::string& settings_folder, std::string& planner_directory,
         bool& seen);

  // Rebuilds the account list from the planner directory's konten folder and selects the
  // accounts the account selection file names. Throws the platform's Error. A listing that the
  // server does not answer counts as failed.
  void DirSearch();
  // What the last DirSearch found in the konten folder, also when its selection step failed.
  const settings::KontenListing& LastListing() const { return last_listing_; }
  settings::AccountList& Accounts() { return accounts_; }
  // After "&Uebernehmen" has saved both files.
  ui::NotifyEvent OnApplied;

  // --- handlers ---
  void FormShow(ui::Component* sender);
  void BitBtn3Click(ui::Component* sender);  // " &Pfad waehlen..."
  void BitBtn1Click(ui::Component* sender);  // "&Uebernehmen"
  void BitBtn2Click(ui::Component* sender);  // "&Abbrechen"

  // --- controls ---
  ui::GroupBox* GroupBox2;
  ui::Label* Label2;  // the path label
  ui::BitBtn* BitBtn3;
  ui::GroupBox* GroupBox1;
  ui::ListBox* ListBox1;  // the account list
  ui::Label* Label1;
  ui::BitBtn* BitBtn1;
  ui::BitBtn* BitBtn2;
  ui::OpenDialog* OpenDialog1;

 private:
  // The hint under the account list gives way to the folder that could not be listed, so that
  // an empty list is not taken for a planner without accounts.
  void ShowListingOutcome();

  const std::string& settings_folder_;
  std::string& planner_directory_;
  bool& seen_;
  ListBoxAccountList accounts_;
  // A listing that failed or broke off must not make "Uebernehmen" drop the chosen accounts it
  // could not see from the selection file.
  settings::KontenListing last_listing_;
};

}  // namespace erm::app
