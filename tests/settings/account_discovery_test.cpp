#include "settings/account_discovery.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/sim/sim_system.h"
#include "settings/settings_files.h"

namespace erm::settings {
namespace {

using platform::SimSystem;

constexpr char kPlanner[] = "D:\\Brevantoliske\\";

std::vector<std::string> Names(const AccountList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i)
    names.push_back(list.Item(i));
  return names;
}

// A listing in the order a test gives, "." and ".." wherever it puts them.
class FixedListing : public platform::DirEnumeration {
 public:
  explicit FixedListing(std::vector<platform::DirEntry> entries) : entries_(std::move(entries)) {}
  bool Next(platform::DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<platform::DirEntry> entries_;
  size_t next_ = 0;
};

class FixedListingSystem : public SimSystem {
 public:
  std::vector<platform::DirEntry> listing;
  std::string last_pattern;
  std::unique_ptr<platform::DirEnumeration> Enumerate(const std::string& pattern) override {
    last_pattern = pattern;
    return std::make_unique<FixedListing>(listing);
  }
};

TEST(DiscoverAccountsTest, KeepsEnumerationOrderAndSkipsHiddenAndSystemEntries) {
  FixedListingSystem sys;
  sys.listing = {{".", platform::kAttrDirectory},
                 {"..", platform::kAttrDirectory},
                 {"Zeta", platform::kAttrDirectory},
                 {"Alpha", platform::kAttrDirectory},
                 {"Versteckt", platform::kAttrDirectory | platform::kAttrHidden},
                 {"System", platform::kAttrDirectory | platform::kAttrSystem},
                 {"liesmich.txt", platform::kAttrArchive},
                 {"Etikett", platform::kAttrVolumeLabel},
                 {"B\xFCro", platform::kAttrDirectory | platform::kAttrReadOnly}};
  MemoryAccountList list;
  list.Add("alt");
  list.SetSelected(0, true);
  DiscoverAccounts(sys, kPlanner, list);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Zeta", "Alpha", "liesmich.txt", "B\xFCro"}));
  EXPECT_EQ(list.SelectedCount(), 0);
}

TEST(DiscoverAccountsTest, MissingKontenFolderGivesAnEmptyList) {
  FixedListingSystem sys;
  MemoryAccountList list;
  list.Add("alt");
  DiscoverAccounts(sys, kPlanner, list);
  EXPECT_EQ(list.Count(), 0);
}

TEST(DiscoverAccountsTest, DropsSelfAndParentEntriesByNameWhereverTheyAre) {
  FixedListingSystem sys;
  sys.listing = {{"Erstes", platform::kAttrDirectory},
                 {"Zweites", platform::kAttrDirectory},
                 {".", platform::kAttrDirectory},
                 {"..", platform::kAttrDirectory},
                 {"Drittes", platform::kAttrDirectory}};
  MemoryAccountList list;
  DiscoverAccounts(sys, kPlanner, list);
  EXPECT_EQ(sys.last_pattern, "D:\\Brevantoliske\\konten\\*.*");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Erstes", "Zweites", "Drittes"}));
}

TEST(DiscoverAccountsTest, ReadsAtMostOneHundredThousandNames) {
  FixedListingSystem sys;
  sys.listing.push_back({".", platform::kAttrDirectory});
  sys.listing.push_back({"..", platform::kAttrDirectory});
  sys.listing.push_back({"versteckt", platform::kAttrHidden | platform::kAttrDirectory});
  for (int i = 0; i < kMaxEnumeratedNames + 5; ++i) {
    sys.listing.push_back({"k" + std::to_string(i), platform::kAttrDirectory});
  }
  MemoryAccountList list;
  DiscoverAccounts(sys, kPlanner, list);
  ASSERT_EQ(list.Count(), kMaxEnumeratedNames - 2);
  EXPECT_EQ(list.Item(0), "k0");
  EXPECT_EQ(list.Item(list.Count() - 1), "k" + std::to_string(kMaxEnumeratedNames - 3));
}

// A konten folder that cannot be read, or only in part, is told apart from an empty one; a
// drive letter Windows has not reconnected is read through the share it stands for.
TEST(DiscoverAccountsTest, SaysWhetherAndThroughWhatTheFolderWasRead) {
  struct Case {
    const char* name;
    bool drive_there;      // Z:\planer\konten lists
    bool mapped;           // Windows remembers Z: as \\server\planer
    bool share_there;      // the share lists
    uint64_t break_after;  // the drive's listing fails at this call of Next (0: never)
    bool complete;
    const char* read_through;
    std::vector<std::string> accounts;
  };
  const char* const kDrive = "Z:\\planer\\";
  const char* const kShare = "\\\\server\\planer\\planer\\";
  const Case cases[] = {
      {"drive lists", true, true, true, 0, true, kDrive, {"A", "B"}},
      {"broken off keeps the first", true, false, false, 4, false, kDrive, {"A"}},
      {"drive away, no mapping", false, false, false, 0, false, kDrive, {}},
      {"drive away, share lists", false, true, true, 0, true, kShare, {"S"}},
      {"drive and share away", false, true, false, 0, false, kDrive, {}},
  };
  for (const Case& c : cases) {
    SimSystem sim;
    if (c.drive_there) {
      sim.MakeDirectory("Z:\\planer\\konten\\A");
      sim.MakeDirectory("Z:\\planer\\konten\\B");
    }
    if (c.share_there) sim.MakeDirectory(std::string(kShare) + "konten\\S");
    if (c.mapped) sim.mapped_drives["Z:"] = "\\\\server\\planer\\";
    uint64_t nexts = 0;
    sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
      const bool on_drive = op.path.rfind("Z:", 0) == 0;
      if (on_drive && op.kind == SimSystem::OperationKind::kNext && ++nexts == c.break_after)
        return std::string("Der angegebene Netzwerkname ist nicht mehr verf\xFCgbar");
      return std::nullopt;
    };
    MemoryAccountList list;
    const KontenListing listing = DiscoverAccounts(sim, kDrive, list);
    EXPECT_EQ(listing.complete, c.complete) << c.name;
    EXPECT_EQ(listing.planner_directory, c.read_through) << c.name;
    EXPECT_EQ(Names(list), c.accounts) << c.name;
  }
}

class DirSearchTest : public ::testing::Test {
 protected:
  DirSearchTest() {
    sim_.MakeDirectory("C:\\Programme\\Erinnerungsmodul");
    sim_.listing = {{".", platform::kAttrDirectory},
                    {"..", platform::kAttrDirectory},
                    {"Familie", platform::kAttrDirectory},
                    {"B\xFCro", platform::kAttrDirectory},
                    {"Verein", platform::kAttrDirectory}};
  }
  void Selection(const std::string& bytes) {
    sim_.PutFile(sim_.ProgramFolder() + kAccountSelectionFileName, bytes);
  }
  std::vector<std::string> Chosen() {
    DirSearch(sim_, sim_.ProgramFolder(), kPlanner, list_, listing_);
    return list_.SelectedItems();
  }
  FixedListingSystem sim_;
  MemoryAccountList list_;
  KontenListing listing_;
};

TEST_F(DirSearchTest, SelectsTheAccountsOfTheSelectionFileByExactBytes) {
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> chosen;
  };
  const Case cases[] = {
      {"two of three, in list order", "Verein\r\nFamilie\r\n", {"Familie", "Verein"}},
      {"case differs: nothing", "familie\r\nB\xDCRO\r\n", {}},
      {"listed twice: selected once", "Familie\r\nFamilie\r\n", {"Familie"}},
      {"trailing blank: nothing", "Familie \r\n", {}},
      {"unknown names ignored", "Weg\r\n\r\nB\xFCro", {"B\xFCro"}},
      {"lone CR separates too", "Familie\rVerein", {"Familie", "Verein"}},
      {"LF-only separates nothing", "Familie\nVerein\n", {}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    Selection(c.file);
    EXPECT_EQ(Chosen(), c.chosen) << c.name;
    EXPECT_EQ(list_.Count(), 3) << c.name;
  }
}

TEST_F(DirSearchTest, CreatesAMissingSelectionFileEmpty) {
  EXPECT_TRUE(Chosen().empty());
  EXPECT_EQ(sim_.ReadFileBytes(sim_.ProgramFolder() + kAccountSelectionFileName), "");
}

TEST_F(DirSearchTest, AFailingSelectionFileKeepsTheAccountsFound) {
  sim_.on_open = [](const std::string&, platform::FileAccess,
                    platform::FileOpen) -> std::optional<std::string> {
    return std::string("Zugriff verweigert");
  };
  EXPECT_THROW(DirSearch(sim_, sim_.ProgramFolder(), kPlanner, list_, listing_), Error);
  EXPECT_EQ(Names(list_), (std::vector<std::string>{"Familie", "B\xFCro", "Verein"}));
  EXPECT_TRUE(listing_.complete);
}

TEST_F(DirSearchTest, ASavedSelectionIsWrittenOnceInListOrder) {
  Selection("Verein\r\nFamilie\r\nFamilie\r\n");
  DirSearch(sim_, sim_.ProgramFolder(), kPlanner, list_, listing_);
  WriteAccountSelection(sim_, sim_.ProgramFolder(), list_.SelectedItems());
  EXPECT_EQ(sim_.ReadFileBytes(sim_.ProgramFolder() + kAccountSelectionFileName),
            "Familie\r\nVerein\r\n");
}

}  // namespace
}  // namespace erm::settings
