// Where the settings files are kept: the program folder while the program may write there, the
// user's folder when it may not (installed under "C:\Program Files"), with the files of the
// program folder taken over once.
#include "settings/settings_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sim/sim_system.h"
#include "settings/settings_files.h"

namespace erm::settings {
namespace {

using platform::SimSystem;

constexpr char kProgramFolder[] = "C:\\Program Files\\Erinnerungsmodul\\";
constexpr char kUserFolder[] = "C:\\Users\\Anwender\\AppData\\Roaming\\Erinnerungsmodul\\";

class SettingsFolderTest : public ::testing::Test {
 protected:
  SettingsFolderTest() {
    sim_.SetProgramFolder(kProgramFolder);
    sim_.MakeDirectory(kProgramFolder);
    sim_.MakeDirectory("C:\\Users\\Anwender\\AppData\\Roaming");
  }
  void PutInProgramFolder(const char* name, const std::string& bytes) {
    sim_.PutFile(std::string(kProgramFolder) + name, bytes);
  }
  std::string Read(const std::string& folder, const char* name) {
    return sim_.Exists(folder + name) ? sim_.ReadFileBytes(folder + name) : "(missing)";
  }

  SimSystem sim_;
};

TEST_F(SettingsFolderTest, AWritableProgramFolderKeepsTheFiles) {
  PutInProgramFolder(kSettingsFileName, "C:\\Planer\\\r\n");
  const std::string folder = ChooseSettingsFolder(sim_);
  EXPECT_EQ(folder, kProgramFolder);
  TakeOverSettingsFiles(sim_, folder);
  EXPECT_FALSE(sim_.Exists(kUserFolder));
  EXPECT_EQ(ReadPlannerDirectory(sim_, folder), "C:\\Planer\\");
}

TEST_F(SettingsFolderTest, AProgramFolderClosedToWritesSendsTheFilesToTheUsersFolder) {
  sim_.DenyWritesIn(kProgramFolder);
  PutInProgramFolder(kSettingsFileName, "C:\\Planer\\\r\nzweite Zeile\r\n");
  PutInProgramFolder(kAccountSelectionFileName, "Familie\r\nB\xFCro\r\n");
  const std::string folder = ChooseSettingsFolder(sim_);
  EXPECT_EQ(folder, kUserFolder);
  TakeOverSettingsFiles(sim_, folder);
  // Byte for byte, second line and all.
  EXPECT_EQ(Read(kUserFolder, kSettingsFileName), "C:\\Planer\\\r\nzweite Zeile\r\n");
  EXPECT_EQ(Read(kUserFolder, kAccountSelectionFileName), "Familie\r\nB\xFCro\r\n");
  // What the program writes from now on lands there, and the program folder is left alone.
  WritePlannerDirectory(sim_, folder, "C:\\Neu\\");
  WriteAccountSelection(sim_, folder, {"Familie"});
  EXPECT_EQ(Read(kUserFolder, kSettingsFileName), "C:\\Neu\\\r\n");
  EXPECT_EQ(Read(kProgramFolder, kSettingsFileName), "C:\\Planer\\\r\nzweite Zeile\r\n");
}

TEST_F(SettingsFolderTest, TheTakeOverHappensOnceAndTheUsersFolderStays) {
  sim_.DenyWritesIn(kProgramFolder);
  PutInProgramFolder(kSettingsFileName, "C:\\Alt\\\r\n");
  EXPECT_EQ(ChooseSettingsFolder(sim_), kUserFolder);
  WritePlannerDirectory(sim_, kUserFolder, "C:\\Neu\\");
  // A later start, say after an update that brought new files into the program folder.
  PutInProgramFolder(kSettingsFileName, "C:\\Installiert\\\r\n");
  PutInProgramFolder(kAccountSelectionFileName, "Praxis\r\n");
  EXPECT_EQ(ChooseSettingsFolder(sim_), kUserFolder);
  EXPECT_EQ(ReadPlannerDirectory(sim_, kUserFolder), "C:\\Neu\\");
  EXPECT_EQ(Read(kUserFolder, kAccountSelectionFileName), "(missing)");
  // An elevated start, which may write into the program folder, does not switch sets.
  SimSystem elevated;
  elevated.SetProgramFolder(kProgramFolder);
  elevated.MakeDirectory(kProgramFolder);
  elevated.PutFile(std::string(kUserFolder) + kSettingsFileName, "C:\\Neu\\\r\n");
  EXPECT_EQ(ChooseSettingsFolder(elevated), kUserFolder);
  EXPECT_EQ(SettingsFolderToRead(elevated), kUserFolder);
}

// Started from a share, the program folder would be every colleague's: settings go per user.
TEST_F(SettingsFolderTest, AProgramFolderOnANetworkPathIsTreatedAsClosed) {
  for (const char* folder :
       {"\\\\server\\programme\\Erinnerungsmodul\\", "P:\\Erinnerungsmodul\\"}) {
    SimSystem sim;
    sim.mapped_drives["P:"] = "\\\\server\\programme";
    sim.SetProgramFolder(folder);
    sim.MakeDirectory(folder);
    sim.MakeDirectory("C:\\Users\\Anwender\\AppData\\Roaming");
    sim.PutFile(std::string(folder) + kSettingsFileName, "C:\\Planer\\\r\n");
    EXPECT_EQ(SettingsFolderToRead(sim), folder) << folder;
    EXPECT_EQ(ChooseSettingsFolder(sim), kUserFolder) << folder;
    EXPECT_EQ(ReadPlannerDirectory(sim, kUserFolder), "C:\\Planer\\") << folder;
    EXPECT_EQ(SettingsFolderToRead(sim), kUserFolder) << folder;
  }
}

TEST_F(SettingsFolderTest, AFirstStartInAClosedProgramFolderCreatesTheFilesInTheUsersFolder) {
  sim_.DenyWritesIn(kProgramFolder);
  const std::string folder = ChooseSettingsFolder(sim_);
  TakeOverSettingsFiles(sim_, folder);
  EXPECT_EQ(ReadPlannerDirectory(sim_, folder), kNoPathMarker);
  EXPECT_TRUE(ReadAccountSelection(sim_, folder).empty());
  EXPECT_EQ(Read(kUserFolder, kSettingsFileName), std::string(kNoPathMarker) + "\r\n");
  EXPECT_EQ(Read(kProgramFolder, kSettingsFileName), "(missing)");
  // Without the user's folder the program folder would be asked, and refuse.
  EXPECT_THROW(ReadPlannerDirectory(sim_, kProgramFolder), Error);
}

TEST_F(SettingsFolderTest, WithoutAUsersFolderTheProgramFolderStaysAndSaysWhyItFails) {
  sim_.DenyWritesIn(kProgramFolder);
  sim_.on_operation = [](const SimSystem::Operation& op) -> std::optional<std::string> {
    if (op.kind == SimSystem::OperationKind::kMakeFolder) return std::string("Zugriff verweigert");
    return std::nullopt;
  };
  EXPECT_EQ(ChooseSettingsFolder(sim_), kProgramFolder);
}

TEST_F(SettingsFolderTest, AFailedTakeOverReadsTheProgramFolderAndLeavesNoHalfFile) {
  sim_.DenyWritesIn(kProgramFolder);
  PutInProgramFolder(kSettingsFileName, "C:\\Planer\\\r\n");
  sim_.on_write = [](const std::string&) -> std::optional<std::string> {
    return std::string(
        "Es steht nicht genug Speicherplatz auf dem Datentr\xE4ger zur Verf\xFCgung");
  };
  // The program folder's files are read where they are rather than none.
  EXPECT_EQ(ChooseSettingsFolder(sim_), kProgramFolder);
  EXPECT_EQ(Read(kUserFolder, kSettingsFileName), "(missing)");
  sim_.on_write = nullptr;
  EXPECT_EQ(ChooseSettingsFolder(sim_), kUserFolder);
  EXPECT_EQ(Read(kUserFolder, kSettingsFileName), "C:\\Planer\\\r\n");
}

// Installed for all users over the user's own per-user installation: the user's accounts come
// along instead of the preset, and the folder for all users (writable under Wine, or for an
// administrator) is never everybody's settings folder.
TEST_F(SettingsFolderTest, TheInstallationForAllUsersTakesOverTheUsersOwnInstallation) {
  const std::string own = "C:\\Users\\Anwender\\AppData\\Local\\Programs\\Erinnerungsmodul\\";
  sim_.machine_installation_folder = "c:\\program files\\erinnerungsmodul\\";
  sim_.user_installation_folder = own;
  sim_.machine_planner_directory = "C:\\Vorgabe";
  sim_.PutFile(own + kSettingsFileName, "C:\\Eigen\\\r\n");
  sim_.PutFile(own + kAccountSelectionFileName, "Familie\r\n");
  EXPECT_EQ(SettingsFolderToRead(sim_), own);  // what the scan tool shows before it
  EXPECT_EQ(ChooseSettingsFolder(sim_), kUserFolder);
  EXPECT_EQ(ReadPlannerDirectory(sim_, kUserFolder), "C:\\Eigen\\");
  EXPECT_EQ(ReadAccountSelection(sim_, kUserFolder), std::vector<std::string>{"Familie"});
}

}  // namespace
}  // namespace erm::settings
