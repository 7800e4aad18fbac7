#include "app/options_dialog.h"

#include <gtest/gtest.h>

#include "app/program_fixture.h"

namespace erm::app {
namespace {

using app::testing::kPlanner;

constexpr char kMarker[] = "Pfad nicht gew\xE4hlt!";
constexpr char kPlannerExe[] = "C:\\Programme\\Brevantoliske\\Brevantoliske.exe";

class OptionsDialogTest : public app::testing::ProgramTest {
 protected:
  // Starts without a chosen directory, the message box answered.
  void StartWithoutPath() {
    Start();
    desktop_.message_boxes.clear();
  }
  // The user picks a file in the next file dialog, or cancels it (empty name).
  void NextFileDialogAnswers(std::string file) {
    desktop_.on_open_file_dialog = [file](platform::OpenFileRequest* request) {
      if (file.empty()) return false;
      request->file_name = file;
      return true;
    };
  }
  void ChoosePath(std::string file) {
    NextFileDialogAnswers(std::move(file));
    Options().BitBtn3->Click();
  }
  std::string& Directory() { return Main().State().planner_directory; }
  std::string Label() { return Options().Label2->Caption(); }
  std::string SelectionBytes() {
    return sim_.ReadFileBytes(sim_.ProgramFolder() + settings::kAccountSelectionFileName);
  }
  std::vector<std::string> Listed() {
    std::vector<std::string> names;
    for (int i = 0; i < Options().Accounts().Count(); ++i) {
      names.push_back(Options().Accounts().Item(i) +
                      (Options().Accounts().Selected(i) ? " *" : ""));
    }
    return names;
  }
};

TEST_F(OptionsDialogTest, ShowingWithoutAPathShowsTheMarkerAndNoAccounts) {
  StartWithoutPath();
  Main().State().seen = true;
  Main().Optionen1->Click();
  EXPECT_TRUE(Options().Visible());
  EXPECT_EQ(Label(), kMarker);
  EXPECT_EQ(Options().Accounts().Count(), 0);
  EXPECT_FALSE(Main().State().seen);
}

TEST_F(OptionsDialogTest, ShowingListsTheAccountsAndSelectsTheSavedOnes) {
  UsePlanner();
  sim_.AddAccount("Familie");
  sim_.AddAccount("Praxis");
  sim_.AddAccount("Geheim", platform::kAttrDirectory | platform::kAttrHidden);
  sim_.AddAccount("liesmich.txt", platform::kAttrArchive);
  ChooseAccounts("Praxis\r\nfamilie\r\n");
  Start();
  Main().Optionen1->Click();
  EXPECT_EQ(Label(), kPlanner);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Familie", "Praxis *", "liesmich.txt"}));
}

TEST_F(OptionsDialogTest, FileDialogAsksForThePlannersExecutable) {
  StartWithoutPath();
  Main().Optionen1->Click();
  ChoosePath("");
  ASSERT_EQ(desktop_.open_file_dialogs.size(), 1u);
  const platform::OpenFileRequest& request = desktop_.open_file_dialogs[0].request;
  EXPECT_EQ(request.title, "Bitte w\xE4hlen Sie die Datei \"Brevantoliske.exe\"");
  EXPECT_EQ(request.filter, "Brevantoliske.exe|brevantoliske.exe");
  EXPECT_EQ(request.initial_directory, "C:\\Programme\\Brevantoliske");
  EXPECT_TRUE(request.file_must_exist);
  EXPECT_TRUE(request.path_must_exist);
  EXPECT_TRUE(request.hide_read_only);
  EXPECT_TRUE(request.resizable);
  // Modal to the program: the dialog it was opened from waits.
  EXPECT_EQ(desktop_.open_file_dialogs[0].owner, Options().Handle());
}

TEST_F(OptionsDialogTest, ChoosingTheExecutableSetsTheDirectoryAtOnceAndListsItsAccounts) {
  StartWithoutPath();
  sim_.AddAccount("Familie");
  ChooseAccounts("Familie\r\n");
  Main().Optionen1->Click();
  ChoosePath(kPlannerExe);
  EXPECT_EQ(Label(), kPlanner);
  EXPECT_EQ(Directory(), kPlanner);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Familie *"}));
  // Nothing is saved before "Uebernehmen".
  EXPECT_EQ(SettingsBytes(), std::string(kMarker) + "\r\n");
  EXPECT_FALSE(Main().ReminderActive());
}

TEST_F(OptionsDialogTest, CancellingTheFirstTimeKeepsTheDirectoryOnTheLabelAndInTheFile) {
  UsePlanner();
  sim_.AddAccount("Familie");
  Start();
  Main().Optionen1->Click();
  ChoosePath("");
  EXPECT_EQ(Label(), kPlanner);
  EXPECT_EQ(Directory(), kPlanner);
  // Saving a changed account choice now keeps the directory, and reminding goes on.
  Options().ListBox1->SetSelected(0, true);
  Options().BitBtn1->Click();
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");
  EXPECT_EQ(SelectionBytes(), "Familie\r\n");
  EXPECT_EQ(Directory(), kPlanner);
}

TEST_F(OptionsDialogTest, CancellingWithoutAnyDirectoryStillShowsTheMarker) {
  StartWithoutPath();
  Main().Optionen1->Click();
  ChoosePath("");
  EXPECT_EQ(Label(), kMarker);
  Options().BitBtn1->Click();
  EXPECT_EQ(SettingsBytes(), std::string(kMarker) + "\r\n");
}

TEST_F(OptionsDialogTest, CancellingAfterAChoiceAppliesTheEarlierChoiceAgain) {
  StartWithoutPath();
  Main().Optionen1->Click();
  ChoosePath(kPlannerExe);
  Directory() = "C:\\anders\\";
  ChoosePath("");
  EXPECT_EQ(Label(), kPlanner);
  EXPECT_EQ(Directory(), kPlanner);
}

TEST_F(OptionsDialogTest, EveryOccurrenceOfTheExecutablesNameIsRemovedInAnyCase) {
  StartWithoutPath();
  Main().Optionen1->Click();
  ChoosePath("D:\\brevantoliske.exe-Daten\\BREVANTOLISKE.EXE\\Brevantoliske.exe");
  EXPECT_EQ(Label(), "D:\\-Daten\\\\");
  EXPECT_EQ(Directory(), "D:\\-Daten\\\\");
}

TEST_F(OptionsDialogTest, AnotherFileIsAcceptedWithItsFullName) {
  StartWithoutPath();
  Main().Optionen1->Click();
  ChoosePath("C:\\Programme\\Planer.exe");
  EXPECT_EQ(Directory(), "C:\\Programme\\Planer.exe");
  EXPECT_EQ(Options().Accounts().Count(), 0);
}

TEST_F(OptionsDialogTest, ApplyWritesBothFilesAndHides) {
  StartWithoutPath();
  sim_.AddAccount("Familie");
  sim_.AddAccount("B\xFCro");
  Main().Optionen1->Click();
  ChoosePath(kPlannerExe);
  Options().ListBox1->SetSelected(1, true);
  Options().BitBtn1->Click();
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");
  EXPECT_EQ(SelectionBytes(), "B\xFCro\r\n");
  EXPECT_FALSE(Options().Visible());
  EXPECT_TRUE(desktop_.message_boxes.empty());
  // Saving a directory does not switch reminding on.
  EXPECT_FALSE(Main().ReminderActive());
  EXPECT_FALSE(Main().Timer1->Enabled());
}

TEST_F(OptionsDialogTest, ApplyWithNothingSelectedWritesAnEmptySelectionFile) {
  UsePlanner();
  sim_.AddAccount("Familie");
  ChooseAccounts("Familie\r\n");
  Start();
  Main().Optionen1->Click();
  Options().ListBox1->SetSelected(0, false);
  Options().BitBtn1->Click();
  EXPECT_EQ(SelectionBytes(), "");
}

TEST_F(OptionsDialogTest, CancelAfterAPathChoiceKeepsTheFileButNotTheMemory) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  ChoosePath("C:\\Neu\\Brevantoliske.exe");
  Options().BitBtn2->Click();
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");
  EXPECT_EQ(Directory(), "C:\\Neu\\");
  Main().Brevantoliskestarten1->Click();
  EXPECT_EQ(desktop_.shell_executes.back().file, "C:\\Neu\\Brevantoliske.exe");
  Main().Optionen1->Click();
  EXPECT_EQ(Label(), "C:\\Neu\\");
}

TEST_F(OptionsDialogTest, EnterAppliesEscapeAndTheCloseBoxCancel) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  ChoosePath("C:\\Neu\\Brevantoliske.exe");
  EXPECT_TRUE(Options().HandleDialogKey(ui::DialogKey::kEscape));
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");

  Main().Optionen1->Click();
  Options().Close();
  EXPECT_FALSE(Options().Visible());
  EXPECT_FALSE(app_->Terminated());
  EXPECT_FALSE(desktop_.QuitPending());

  Main().Optionen1->Click();
  EXPECT_TRUE(Options().HandleDialogKey(ui::DialogKey::kEnter));
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), "C:\\Neu\\\r\n");
}

TEST_F(OptionsDialogTest, TabRunsFromThePathChoiceThroughTheAccountsToTheButtons) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  TForm2& o = Options();
  // The first focus, where Enter must not save at once.
  EXPECT_EQ(o.FindNextControl(nullptr, true), o.BitBtn3);
  EXPECT_EQ(o.FindNextControl(o.BitBtn3, true), o.ListBox1);
  EXPECT_EQ(o.FindNextControl(o.ListBox1, true), o.BitBtn1);
  EXPECT_EQ(o.FindNextControl(o.BitBtn1, true), o.BitBtn2);
  EXPECT_EQ(o.FindNextControl(o.BitBtn2, true), o.BitBtn3);
  EXPECT_EQ(o.FindNextControl(o.BitBtn3, false), o.BitBtn2);
}

TEST_F(OptionsDialogTest, EnterClicksTheFocusedButtonAndElsewhereTheDefaultOne) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  ChoosePath("C:\\Neu\\Brevantoliske.exe");
  // Tab to "Abbrechen", then Enter: nothing is saved.
  EXPECT_TRUE(Options().HandleDialogKey(ui::DialogKey::kEnter, Options().BitBtn2));
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");

  // On " Pfad waehlen..." Enter opens the file dialog again.
  Main().Optionen1->Click();
  NextFileDialogAnswers("");
  EXPECT_TRUE(Options().HandleDialogKey(ui::DialogKey::kEnter, Options().BitBtn3));
  EXPECT_EQ(desktop_.open_file_dialogs.size(), 2u);
  EXPECT_TRUE(Options().Visible());

  // In the account list Enter is the default button's.
  EXPECT_TRUE(Options().HandleDialogKey(ui::DialogKey::kEnter, Options().ListBox1));
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), "C:\\Neu\\\r\n");
}

TEST_F(OptionsDialogTest, ALetterWithoutAltIsAMnemonicOnlyWhileAButtonHasTheFocus) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  // The account list takes letters itself, to find an account.
  EXPECT_FALSE(Options().HandleLetterOnButton(Options().ListBox1, 'a'));
  EXPECT_TRUE(Options().Visible());
  EXPECT_FALSE(Options().HandleLetterOnButton(Options().BitBtn3, 'x'));
  EXPECT_FALSE(Options().HandleLetterOnButton(Options().BitBtn3, ' '));
  EXPECT_TRUE(Options().HandleLetterOnButton(Options().BitBtn3, 'a'));
  EXPECT_FALSE(Options().Visible());
  EXPECT_EQ(SettingsBytes(), std::string(kPlanner) + "\r\n");
}

TEST_F(OptionsDialogTest, ShowingWhileShownOnlyBringsItToTheFront) {
  UsePlanner();
  Start();
  Main().Optionen1->Click();
  Main().State().seen = true;
  const int fronts = ui::HeadlessCountsOf(Options())->bring_to_front;
  Main().Optionen1->Click();
  EXPECT_TRUE(Main().State().seen);
  EXPECT_EQ(ui::HeadlessCountsOf(Options())->bring_to_front, fronts + 1);
}

TEST_F(OptionsDialogTest, FailingToSaveIsReportedAndKeepsTheDialogOpen) {
  UsePlanner();
  sim_.AddAccount("Familie");
  ChooseAccounts("Familie\r\n");
  Start();
  Main().Optionen1->Click();
  ChoosePath("C:\\Neu\\Brevantoliske.exe");
  const std::string settings_path = sim_.ProgramFolder() + settings::kSettingsFileName;
  sim_.on_open = [&](const std::string& path, platform::FileAccess access,
                     platform::FileOpen) -> std::optional<std::string> {
    // The rewrite goes through a temporary file beside the settings file.
    if (path.rfind(settings_path, 0) == 0 && access == platform::FileAccess::kReadWrite) {
      return std::string("Zugriff verweigert");
    }
    return std::nullopt;
  };
  app_->RunGuarded([this] { Options().BitBtn1->Click(); });
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].text, "Zugriff verweigert.");
  EXPECT_TRUE(Options().Visible());
  EXPECT_EQ(Directory(), "C:\\Neu\\");
  EXPECT_EQ(SelectionBytes(), "Familie\r\n");
}

TEST_F(OptionsDialogTest, AFailingDiscoveryOnShowIsReportedAndTheDialogStillShows) {
  UsePlanner();
  Start();
  RefuseTheSelectionFile();
  Main().Optionen1->Click();
  EXPECT_TRUE(Options().Visible());
  ASSERT_EQ(desktop_.message_boxes.size(), 1u);
  EXPECT_EQ(desktop_.message_boxes[0].flags, platform::kMbOk | platform::kMbIconError);
}

}  // namespace
}  // namespace erm::app
