#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/sim/sim_system.h"
#include "platform/text_file.h"

namespace erm::settings {
namespace {

using platform::SimSystem;

constexpr char kFolder[] = "C:\\Programme\\Erinnerungsmodul\\";

class SettingsFilesTest : public ::testing::Test {
 protected:
  SettingsFilesTest() {
    sim_.SetProgramFolder(kFolder);
    sim_.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
  }
  std::string Config() const { return std::string(kFolder) + kSettingsFileName; }
  std::string Konten() const { return std::string(kFolder) + kAccountSelectionFileName; }
  SimSystem sim_;
};

TEST(PlainLinesTest, FollowTheTextFileRules) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"empty file has no line", "", {}},
      {"last line needs no line end", "a\r\nb", {"a", "b"}},
      {"CR LF after the last line adds nothing", "a\r\n", {"a"}},
      {"two CR LF at the end give an empty line", "a\r\n\r\n", {"a", ""}},
      {"lone CR ends a line", "a\rb\r", {"a", "b"}},
      {"lone LF is data", "a\nb\r\nc", {"a\nb", "c"}},
      {"LF-only file is one line", "a\nb\n", {"a\nb\n"}},
      {"LF right after CR belongs to the line end only once", "a\r\n\nb", {"a", "\nb"}},
      {"0x1A ends the file",
       "a\r\nb\x1A"
       "c\r\nd",
       {"a", "b"}},
      {"0x1A first gives nothing",
       "\x1A"
       "a",
       {}},
      {"blanks are kept", " a \r\n\t", {" a ", "\t"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::SplitPlainLines(c.text), c.lines) << c.name;
}

TEST(PlainLinesTest, FirstLineStopsAtCrOrEndOfText) {
  EXPECT_EQ(platform::FirstPlainLine(""), "");
  EXPECT_EQ(platform::FirstPlainLine("C:\\a\\\r\nzweite"), "C:\\a\\");
  EXPECT_EQ(platform::FirstPlainLine("C:\\a\\\nzweite\n"), "C:\\a\\\nzweite\n");
  EXPECT_EQ(platform::FirstPlainLine("abc\x1A"
                                     "def\r"),
            "abc");
  EXPECT_EQ(platform::FirstPlainLine("\r\nabc"), "");
}

TEST_F(SettingsFilesTest, MissingSettingsFileIsCreatedWithTheNoPathMarker) {
  EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), kNoPathMarker);
  EXPECT_EQ(sim_.ReadFileBytes(Config()), std::string("Pfad nicht gew\xE4hlt!\r\n"));
  EXPECT_EQ(sim_.ReadFileBytes(Config()).size(), 21u);
}

TEST_F(SettingsFilesTest, MissingSettingsFileTakesTheMachinesPresetWithABackslash) {
  const std::pair<std::string, std::string> presets[] = {
      {"\\\\server\\planer\\", "\\\\server\\planer\\"},
      {"\\\\server\\B\xFCro planer", "\\\\server\\B\xFCro planer\\"},
  };
  for (const auto& [preset, directory] : presets) {
    if (sim_.Exists(Config())) sim_.RemoveFile(Config());
    sim_.machine_planner_directory = preset;
    EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), directory) << preset;
    EXPECT_EQ(sim_.ReadFileBytes(Config()), directory + "\r\n") << preset;
  }
  // A user's own choice stays; the preset only stands in for a missing file.
  WritePlannerDirectory(sim_, sim_.ProgramFolder(), "D:\\Eigener\\");
  EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), "D:\\Eigener\\");
}

TEST_F(SettingsFilesTest, FirstLineIsThePlannerDirectoryAndTheRestIsIgnored) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string directory;
  };
  const Case cases[] = {
      {"plain", "C:\\Programme\\Brevantoliske\\\r\n", "C:\\Programme\\Brevantoliske\\"},
      {"second line ignored", "D:\\P\\\r\nE:\\Q\\\r\n", "D:\\P\\"},
      {"empty first line", "\r\nD:\\P\\\r\n", ""},
      {"empty file", "", ""},
      {"LF-only line ends stay in the text", "D:\\P\\\nE:\\Q\\\n", "D:\\P\\\nE:\\Q\\\n"},
      {"0x1A ends it", "D:\\P\\\x1A\r\n", "D:\\P\\"},
      {"trailing blank kept", "Pfad nicht gew\xE4hlt! \r\n", "Pfad nicht gew\xE4hlt! "},
      {"single-byte characters unchanged", "C:\\B\xFCro\\\xC4rger\\\r\n",
       "C:\\B\xFCro\\\xC4rger\\"},
  };
  for (const Case& c : cases) {
    sim_.PutFile(Config(), c.bytes);
    EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), c.directory) << c.name;
    EXPECT_EQ(sim_.ReadFileBytes(Config()), c.bytes) << c.name << ": reading must not rewrite";
  }
}

TEST_F(SettingsFilesTest, WritingRewritesTheSettingsFileWithOneLine) {
  sim_.PutFile(Config(), "D:\\Alt\\\r\nzweite Zeile\r\n");
  WritePlannerDirectory(sim_, sim_.ProgramFolder(), "C:\\B\xFCro\\");
  EXPECT_EQ(sim_.ReadFileBytes(Config()), "C:\\B\xFCro\\\r\n");
  EXPECT_EQ(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), "C:\\B\xFCro\\");
}

TEST_F(SettingsFilesTest, AccountSelectionIsCreatedEmptyAndRoundTrips) {
  EXPECT_TRUE(ReadAccountSelection(sim_, sim_.ProgramFolder()).empty());
  EXPECT_TRUE(sim_.Exists(Konten()));
  EXPECT_EQ(sim_.ReadFileBytes(Konten()), "");

  const std::vector<std::string> accounts = {"Familie", "B\xFCro", " Verein ", ""};
  WriteAccountSelection(sim_, sim_.ProgramFolder(), accounts);
  EXPECT_EQ(sim_.ReadFileBytes(Konten()), "Familie\r\nB\xFCro\r\n Verein \r\n\r\n");
  EXPECT_EQ(ReadAccountSelection(sim_, sim_.ProgramFolder()), accounts);

  WriteAccountSelection(sim_, sim_.ProgramFolder(), {});
  EXPECT_EQ(sim_.ReadFileBytes(Konten()), "");
}

TEST_F(SettingsFilesTest, FileErrorsCarryThePlatformsText) {
  sim_.on_open = [](const std::string&, platform::FileAccess,
                    platform::FileOpen mode) -> std::optional<std::string> {
    if (mode == platform::FileOpen::kCreateAlways) return std::string("Zugriff verweigert");
    return std::nullopt;
  };
  try {
    ReadPlannerDirectory(sim_, sim_.ProgramFolder());
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), "Zugriff verweigert");
  }
  EXPECT_FALSE(sim_.Exists(Config()));

  sim_.on_open = nullptr;
  sim_.PutFile(Config(), "C:\\P\\\r\n");
  sim_.on_read = [](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    fault.kind = SimSystem::ReadFault::kError;
    fault.message = "Lesefehler";
    return fault;
  };
  EXPECT_THROW(ReadPlannerDirectory(sim_, sim_.ProgramFolder()), Error);
}

TEST_F(SettingsFilesTest, LockedReadsAndFailedWritesAreErrorsNotShortFiles) {
  // A read that runs into another program's lock must not pass for the end of the file, or a
  // partly read selection would silently drop accounts. The list is longer than one read.
  std::string accounts;
  while (accounts.size() < 10000)
    accounts += "Familie\r\nVerein\r\n";
  sim_.PutFile(Konten(), accounts);
  sim_.on_read = [](const std::string&, uint64_t offset, size_t) {
    SimSystem::ReadFault fault;
    if (offset > 0) fault.kind = SimSystem::ReadFault::kLocked;
    return fault;
  };
  EXPECT_THROW(ReadAccountSelection(sim_, sim_.ProgramFolder()), Error);

  sim_.on_read = nullptr;
  sim_.on_write = [](const std::string&) -> std::optional<std::string> {
    return std::string("Nicht gen\xFCgend Speicherplatz");
  };
  try {
    WriteAccountSelection(sim_, sim_.ProgramFolder(), {"Familie"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), "Nicht gen\xFCgend Speicherplatz");
  }
  EXPECT_THROW(WritePlannerDirectory(sim_, sim_.ProgramFolder(), "C:\\P\\"), Error);
}

TEST(ReadFileBytesTest, ShortReadsAreReadOn) {
  SimSystem sim;
  std::string big(200000, 'x');
  big[150000] = '\r';
  sim.PutFile("C:\\a.txt", big);
  sim.on_read = [](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    fault.kind = SimSystem::ReadFault::kShort;
    fault.short_size = 777;
    return fault;
  };
  EXPECT_EQ(platform::ReadFileBytes(sim, "C:\\a.txt", platform::FileShare::kDenyNone), big);
}

TEST(PathLabelTest, RemovesEveryPlannerExecutableNameInAnyCase) {
  struct Case {
    std::string file;
    std::string label;
  };
  const Case cases[] = {
      {"", "Pfad nicht gew\xE4hlt!"},
      {"C:\\Programme\\Brevantoliske\\Brevantoliske.exe", "C:\\Programme\\Brevantoliske\\"},
      {"C:\\P\\BREVANTOLISKE.EXE", "C:\\P\\"},
      {"C:\\brevantoliske.exe\\Brevantoliske.exe", "C:\\\\"},
      {"C:\\P\\andere.exe", "C:\\P\\andere.exe"},
      {"C:\\P\\BrevantoliskeBrevantoliske.exe.exe", "C:\\P\\Brevantoliske.exe"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathLabelForChosenFile(c.file), c.label) << c.file;
}

}  // namespace
}  // namespace erm::settings
