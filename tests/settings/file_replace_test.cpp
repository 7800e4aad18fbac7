// Rewriting a settings file replaces it in one step: whichever step fails, the previous file is
// there byte for byte and no temporary file is left beside it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sim/sim_system.h"
#include "platform/text_file.h"
#include "settings/settings_files.h"

namespace erm::settings {
namespace {

using platform::SimSystem;
using Kind = SimSystem::OperationKind;

constexpr char kFolder[] = "C:\\Programme\\Erinnerungsmodul\\";
constexpr char kFault[] = "Der Datentr\xE4ger ist voll";

struct Rewrite {
  const char* name;
  const char* file;
  std::function<void(platform::System&)> write;
  std::string bytes;  // what the file holds after a rewrite that worked
};

std::vector<Rewrite> Rewrites() {
  return {
      {"PlannerDirectory", kSettingsFileName,
       [](platform::System& s) { WritePlannerDirectory(s, s.ProgramFolder(), "C:\\Neu\\"); },
       "C:\\Neu\\\r\n"},
      {"AccountSelection", kAccountSelectionFileName,
       [](platform::System& s) {
         WriteAccountSelection(s, s.ProgramFolder(), {"Familie", "Verein"});
       },
       "Familie\r\nVerein\r\n"},
      {"EmptyAccountSelection", kAccountSelectionFileName,
       [](platform::System& s) { WriteAccountSelection(s, s.ProgramFolder(), {}); }, ""},
  };
}

class FileReplaceTest : public ::testing::Test {
 protected:
  FileReplaceTest() {
    sim_.SetProgramFolder(kFolder);
    sim_.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
  }
  static std::string Path(const char* file) { return std::string(kFolder) + file; }
  static std::string Temporary(const char* file) { return Path(file) + platform::kTemporarySuffix; }
  // The operations of a rewrite that works.
  std::vector<SimSystem::Operation> CleanRun(const Rewrite& rewrite, bool existing) {
    SimSystem sim;
    sim.SetProgramFolder(kFolder);
    sim.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
    if (existing) sim.PutFile(Path(rewrite.file), "alt\r\n");
    std::vector<SimSystem::Operation> operations;
    sim.on_operation = [&](const SimSystem::Operation& op) {
      operations.push_back(op);
      return std::optional<std::string>();
    };
    rewrite.write(sim);
    EXPECT_EQ(sim.ReadFileBytes(Path(rewrite.file)), rewrite.bytes);
    EXPECT_FALSE(sim.Exists(Temporary(rewrite.file)));
    return operations;
  }
  SimSystem sim_;
};

// Every step of every rewrite fails in turn, over an existing file and where there was none.
TEST_F(FileReplaceTest, AFailingStepLeavesThePreviousFileAndNoTemporaryFile) {
  for (const Rewrite& rewrite : Rewrites()) {
    for (const bool existing : {true, false}) {
      const std::vector<SimSystem::Operation> clean = CleanRun(rewrite, existing);
      std::vector<std::string> kinds;
      for (const auto& op : clean)
        kinds.push_back(SimSystem::OperationName(op.kind));
      // An empty file is created and closed without a write.
      const std::vector<std::string> expected =
          rewrite.bytes.empty() ? std::vector<std::string>{"create", "close", "rename"}
                                : std::vector<std::string>{"create", "write", "close", "rename"};
      EXPECT_EQ(kinds, expected) << rewrite.name;
      EXPECT_EQ(clean.front().path, Temporary(rewrite.file));
      EXPECT_EQ(clean.back().target, Path(rewrite.file));

      for (const auto& failing : clean) {
        SCOPED_TRACE(std::string(rewrite.name) + (existing ? " over a file, " : " new, ") +
                     SimSystem::OperationName(failing.kind));
        SimSystem sim;
        sim.SetProgramFolder(kFolder);
        sim.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
        if (existing) sim.PutFile(Path(rewrite.file), "alt\r\n");
        sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
          if (op.number == failing.number) return std::string(kFault);
          return std::nullopt;
        };
        try {
          rewrite.write(sim);
          ADD_FAILURE() << "no error";
        } catch (const Error& e) {
          EXPECT_EQ(e.message(), kFault);
        }
        if (existing) {
          EXPECT_EQ(sim.ReadFileBytes(Path(rewrite.file)), "alt\r\n");
        } else {
          EXPECT_FALSE(sim.Exists(Path(rewrite.file)));
        }
        EXPECT_FALSE(sim.Exists(Temporary(rewrite.file)));
        // Nothing is in the way of the next attempt.
        sim.on_operation = nullptr;
        rewrite.write(sim);
        EXPECT_EQ(sim.ReadFileBytes(Path(rewrite.file)), rewrite.bytes);
      }
    }
  }
}

// When the temporary file cannot be removed either, the user still hears of the step that
// failed, and the file the temporary one stands beside is untouched.
TEST_F(FileReplaceTest, AFailingCleanUpIsSwallowedAndTheNextRewriteGoesOverIt) {
  sim_.PutFile(Path(kSettingsFileName), "C:\\Alt\\\r\n");
  sim_.on_operation = [](const SimSystem::Operation& op) -> std::optional<std::string> {
    if (op.kind == Kind::kRename) return std::string(kFault);
    if (op.kind == Kind::kRemove) return std::string("Zugriff verweigert");
    return std::nullopt;
  };
  try {
    WritePlannerDirectory(sim_, sim_.ProgramFolder(), "C:\\Neu\\");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), kFault);
  }
  EXPECT_EQ(sim_.ReadFileBytes(Path(kSettingsFileName)), "C:\\Alt\\\r\n");
  EXPECT_TRUE(sim_.Exists(Temporary(kSettingsFileName)));
  sim_.on_operation = nullptr;
  WritePlannerDirectory(sim_, sim_.ProgramFolder(), "C:\\Neu\\");
  EXPECT_EQ(sim_.ReadFileBytes(Path(kSettingsFileName)), "C:\\Neu\\\r\n");
  EXPECT_FALSE(sim_.Exists(Temporary(kSettingsFileName)));
}

// A virus scanner holds the file without delete sharing: the replace waits up to two seconds.
TEST_F(FileReplaceTest, AFileHeldByAnotherProgramIsWaitedForTwoSeconds) {
  for (const uint64_t held_ms : {1500, 60000}) {
    SimSystem sim;
    sim.PutFile(Path(kSettingsFileName), "alt");
    std::unique_ptr<platform::File> scanner;
    sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
      if (op.kind == Kind::kRename && sim.TickCount() == 0 && !scanner) {
        scanner = sim.OpenFile(Path(kSettingsFileName), platform::FileAccess::kReadWrite,
                               platform::FileShare::kDenyNone, platform::FileOpen::kExisting);
      }
      if (sim.TickCount() >= held_ms) scanner.reset();
      return std::nullopt;
    };
    try {
      WritePlannerDirectory(sim, kFolder, "neu");
    } catch (const Error&) {
      EXPECT_GT(held_ms, 2000u);
    }
    EXPECT_EQ(sim.ReadFileBytes(Path(kSettingsFileName)), held_ms < 2000 ? "neu\r\n" : "alt");
    EXPECT_LE(sim.TickCount(), 2000u + platform::kHeldFileRetryMs);
  }
}

TEST_F(FileReplaceTest, AReadOnlySettingsFileIsNotReplaced) {
  sim_.PutFile(Path(kSettingsFileName), "C:\\Alt\\\r\n", platform::kAttrReadOnly);
  EXPECT_THROW(WritePlannerDirectory(sim_, sim_.ProgramFolder(), "C:\\Neu\\"), Error);
  EXPECT_EQ(sim_.ReadFileBytes(Path(kSettingsFileName)), "C:\\Alt\\\r\n");
  EXPECT_FALSE(sim_.Exists(Temporary(kSettingsFileName)));
}

// A temporary file left by a program that was ended in the middle of a rewrite is no obstacle.
TEST_F(FileReplaceTest, AStaleTemporaryFileIsOverwritten) {
  sim_.PutFile(Path(kAccountSelectionFileName), "Familie\r\n");
  sim_.PutFile(Temporary(kAccountSelectionFileName), "Fam");
  WriteAccountSelection(sim_, sim_.ProgramFolder(), {"Verein"});
  EXPECT_EQ(sim_.ReadFileBytes(Path(kAccountSelectionFileName)), "Verein\r\n");
  EXPECT_FALSE(sim_.Exists(Temporary(kAccountSelectionFileName)));
}

// The system may fail to tell whether a file is there; the first start's creation must then not
// put the marker or an empty selection over the user's settings.
TEST_F(FileReplaceTest, AnExistenceCheckThatFailsNeverResetsAFileThatIsThere) {
  sim_.PutFile(Path(kSettingsFileName), "C:\\Planer\\\r\n");
  sim_.PutFile(Path(kAccountSelectionFileName), "Familie\r\n");
  int exists_checks = 0;
  sim_.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
    if (op.kind == Kind::kExists && ++exists_checks == 1) return std::string(kFault);
    return std::nullopt;
  };
  EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), "C:\\Planer\\");
  EXPECT_EQ(sim_.ReadFileBytes(Path(kSettingsFileName)), "C:\\Planer\\\r\n");
  exists_checks = 0;
  EXPECT_EQ(ReadAccountSelection(sim_, sim_.ProgramFolder()), std::vector<std::string>{"Familie"});
  EXPECT_EQ(sim_.ReadFileBytes(Path(kAccountSelectionFileName)), "Familie\r\n");
  EXPECT_FALSE(sim_.Exists(Temporary(kSettingsFileName)));
  EXPECT_FALSE(sim_.Exists(Temporary(kAccountSelectionFileName)));
}

TEST_F(FileReplaceTest, FirstStartCreatesTheFilesThroughATemporaryFile) {
  std::vector<std::string> created;
  sim_.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
    if (op.kind == Kind::kCreate) created.push_back(op.path);
    return std::nullopt;
  };
  EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), kNoPathMarker);
  EXPECT_TRUE(ReadAccountSelection(sim_, sim_.ProgramFolder()).empty());
  EXPECT_EQ(created, (std::vector<std::string>{Temporary(kSettingsFileName),
                                               Temporary(kAccountSelectionFileName)}));
  EXPECT_EQ(sim_.ReadFileBytes(Path(kSettingsFileName)), std::string(kNoPathMarker) + "\r\n");
  EXPECT_EQ(sim_.ReadFileBytes(Path(kAccountSelectionFileName)), "");
}

}  // namespace
}  // namespace erm::settings
