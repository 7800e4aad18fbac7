#include "ui/menus.h"

#include <gtest/gtest.h>

#include "ui/icons.h"
#include "ui/open_dialog.h"
#include "ui/ui_fixture.h"

namespace erm::ui {
namespace {

class PopupTest : public UiTest {
 protected:
  PopupTest() {
    for (const char* caption : {"Erinnerungsmodul anzeigen", "-", "Versteckt", "Beenden"}) {
      auto* item = new MenuItem(&form_, caption);
      item->SetCaption(caption);
      item->OnClick = [this](Component* sender) { clicked_.push_back(sender->Name()); };
      menu_->Items().Add(item);
    }
    menu_->Items().Item(2)->SetVisible(false);
    menu_->Items().Item(3)->SetDefault(true);
  }

  TestForm& form_ = app_.CreateForm<TestForm>();
  PopupMenu* menu_ = new PopupMenu(&form_, "PopupMenu1");
  std::vector<std::string> clicked_;
};

TEST_F(PopupTest, ChosenEntryClicksItsItemBeforePopupReturns) {
  desktop_.on_popup_menu = [](const platform::SimDesktop::PopupMenuCall&) { return 2; };
  menu_->Popup(100, 200);
  ASSERT_EQ(desktop_.popup_menus.size(), 1u);
  const auto& call = desktop_.popup_menus[0];
  EXPECT_EQ(call.owner, app_.Handle());
  EXPECT_EQ(call.x, 100);
  EXPECT_EQ(call.y, 200);
  ASSERT_EQ(call.entries.size(), 3u);  // the hidden item is not offered
  EXPECT_EQ(call.entries[1].caption, "-");
  EXPECT_TRUE(call.entries[2].is_default);
  EXPECT_EQ(clicked_, (std::vector<std::string>{"Beenden"}));
}

TEST_F(PopupTest, NothingChosenClicksNothingAndDisabledItemsDoNotRun) {
  menu_->Popup(0, 0);
  EXPECT_TRUE(clicked_.empty());
  MenuItem* first = menu_->Items().Item(0);
  first->SetEnabled(false);
  first->Click();
  EXPECT_TRUE(clicked_.empty());
}

TEST_F(PopupTest, ItemsLeaveTheirMenuWhenDestroyed) {
  delete menu_->Items().Item(0);
  EXPECT_EQ(menu_->Items().Count(), 3);
  EXPECT_EQ(menu_->Items().Item(0)->Caption(), "-");
}

TEST_F(PopupTest, PopupComponentIsDroppedWhenItGoesAway) {
  auto* images = new ImageList(&form_, "ImageList1");
  menu_->SetPopupComponent(images);
  delete images;
  EXPECT_EQ(menu_->PopupComponent(), nullptr);
}

TEST_F(UiTest, MainMenuCommandsAreFoundByTheirNumber) {
  auto& form = app_.CreateForm<TestForm>();
  auto* menu = new MainMenu(&form, "MainMenu1");
  auto* program = new MenuItem(&form, "Programm1");
  auto* options = new MenuItem(&form, "Optionen1");
  program->Add(options);
  menu->Items().Add(program);
  form.SetMenu(menu);
  EXPECT_EQ(menu->Items().FindCommand(options->Command()), options);
  EXPECT_NE(options->Command(), program->Command());
  EXPECT_GT(options->Command(), 2u);  // clear of IDOK and IDCANCEL
  delete menu;
  EXPECT_EQ(form.Menu(), nullptr);
}

TEST_F(UiTest, ImageListCopiesItsIconsAndReportsEveryCopy) {
  auto& form = app_.CreateForm<TestForm>();
  auto* images = new ImageList(&form, "ImageList1");
  EXPECT_TRUE(images->AddIconResource(101));
  EXPECT_TRUE(images->AddIconResource(102));
  desktop_.missing_icon_resources.insert(103);
  EXPECT_FALSE(images->AddIconResource(103));
  EXPECT_EQ(images->Count(), 2);
  Icon icon;
  int changes = 0;
  icon.OnChange = [&](Icon*) { ++changes; };
  EXPECT_TRUE(images->GetIcon(1, icon));
  EXPECT_TRUE(images->GetIcon(1, icon));
  EXPECT_EQ(changes, 2);
  const auto& load = desktop_.icon_loads[desktop_.icon_loads.size() - 2];  // 102, before 103
  EXPECT_EQ(load.resource_id, 102);
  EXPECT_EQ(load.size, 16);
  EXPECT_EQ(icon.Handle(), load.icon);
  EXPECT_FALSE(images->GetIcon(2, icon));
  EXPECT_EQ(changes, 2);
}

TEST_F(UiTest, OpenDialogKeepsTheLastChosenFileAcrossACancel) {
  auto& form = app_.CreateForm<TestForm>();
  form.Show();
  auto* dialog = new OpenDialog(&form, "OpenDialog1");
  dialog->SetTitle("Bitte w\xE4hlen Sie die Datei \"Brevantoliske.exe\"");
  dialog->SetFilter("Brevantoliske.exe|brevantoliske.exe");
  dialog->SetInitialDir("C:\\Programme\\Brevantoliske");
  dialog->SetOptions(kOfFileMustExist | kOfPathMustExist | kOfHideReadOnly | kOfEnableSizing);
  bool form_enabled = true;
  desktop_.on_open_file_dialog = [&](platform::OpenFileRequest* request) {
    form_enabled = desktop_.IsWindowEnabled(form.Handle());
    request->file_name = "D:\\QX\\Brevantoliske.exe";
    return true;
  };
  EXPECT_TRUE(dialog->Execute());
  EXPECT_FALSE(form_enabled);
  EXPECT_TRUE(desktop_.IsWindowEnabled(form.Handle()));
  desktop_.on_open_file_dialog = nullptr;  // the user cancels
  EXPECT_FALSE(dialog->Execute());
  EXPECT_EQ(dialog->FileName(), "D:\\QX\\Brevantoliske.exe");
  ASSERT_EQ(desktop_.open_file_dialogs.size(), 2u);
  const platform::OpenFileRequest& second = desktop_.open_file_dialogs[1].request;
  EXPECT_EQ(second.file_name, "D:\\QX\\Brevantoliske.exe");
  EXPECT_EQ(second.filter, "Brevantoliske.exe|brevantoliske.exe");
  EXPECT_EQ(second.initial_directory, "C:\\Programme\\Brevantoliske");
  EXPECT_TRUE(second.file_must_exist && second.path_must_exist && second.hide_read_only &&
              second.resizable);
}

}  // namespace
}  // namespace erm::ui
