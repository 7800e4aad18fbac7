// The simulated system: the suite that every System passes, then what only the sim has (its
// listing order, its clock, its fault hooks and its bookkeeping of changes).
#include "platform/sim/sim_system.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/system_conformance.h"

namespace erm::platform {
namespace {

class SimSystemHarness : public SystemHarness {
 public:
  SimSystemHarness() { sim_.MakeDirectory(kFolder); }
  System& system() override { return sim_; }
  SystemTraits traits() override { return {}; }
  std::string Folder() override { return kFolder; }
  void PutFile(const std::string& path, const std::string& bytes, uint32_t attributes) override {
    sim_.PutFile(path, bytes, attributes);
  }
  void MakeDirectory(const std::string& path, uint32_t attributes) override {
    sim_.MakeDirectory(path, attributes);
  }
  void Append(const std::string& path, const std::string& bytes) override {
    sim_.AppendToFile(path, bytes);
  }
  void ChangeDirectory(const std::string& path) override { sim_.SetCurrentDirectory(path); }

 private:
  static constexpr char kFolder[] = "C:\\Daten\\Test";
  SimSystem sim_;
};

INSTANTIATE_TEST_SUITE_P(Sim, SystemConformance,
                         ::testing::Values(SystemImplementation{
                             "Sim", MakeSystemHarness<SimSystemHarness>}),
                         SystemImplementationName);

std::string ReadAll(File& file) {
  std::string out(static_cast<size_t>(file.Size()), '\0');
  size_t got = 0;
  file.ReadAt(0, out.data(), out.size(), &got);
  out.resize(got);
  return out;
}

TEST(SimSystemTest, ListingKeepsCreationOrderWithDotsFirst) {
  SimSystem sim;
  sim.MakeDirectory("C:\\P\\konten\\Zeta");
  sim.MakeDirectory("C:\\P\\konten\\Alpha", kAttrDirectory | kAttrHidden);
  sim.PutFile("C:\\P\\konten\\notiz.txt", "");
  auto listing = sim.Enumerate("C:\\P\\konten\\*.*");
  std::vector<std::string> names;
  DirEntry entry;
  while (listing->Next(&entry))
    names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Zeta", "Alpha", "notiz.txt"}));
}

TEST(SimSystemTest, ReadFaultsLockOrShortenOneRead) {
  SimSystem sim;
  sim.PutFile("C:\\t.dbf", "12345678");
  auto file =
      sim.OpenFile("C:\\t.dbf", FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  int calls = 0;
  sim.on_read = [&](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    if (++calls == 1) fault.kind = SimSystem::ReadFault::kLocked;
    if (calls == 2) {
      fault.kind = SimSystem::ReadFault::kShort;
      fault.short_size = 2;
    }
    return fault;
  };
  char buffer[8];
  size_t got = 99;
  EXPECT_EQ(file->ReadAt(0, buffer, 8, &got), ReadStatus::kLocked);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(file->ReadAt(0, buffer, 8, &got), ReadStatus::kOk);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(file->ReadAt(0, buffer, 8, &got), ReadStatus::kOk);
  EXPECT_EQ(got, 8u);
}

TEST(SimSystemTest, PausesMoveTheVirtualClock) {
  SimSystem sim;
  sim.SetNow({2026, 12, 7, 23, 59, 59, 500});
  sim.Sleep(800);
  EXPECT_EQ(sim.Now(), (LocalTime{2026, 12, 8, 0, 0, 0, 300}));
  EXPECT_EQ(sim.sleeps, std::vector<uint32_t>{800});
}

TEST(SimSystemTest, EveryWayOfChangingAFileMovesItsModificationTime) {
  SimSystem sim;
  const std::string path = "C:\\P\\t.dbf";
  sim.PutFile(path, "12345");
  sim.PutFile("C:\\P\\other.dbf", "x");
  uint64_t last = sim.ModificationTime(path);
  auto moved = [&] {
    const uint64_t now = sim.ModificationTime(path);
    const bool changed = now > last;
    last = now;
    return changed;
  };
  // Reading, listing and opening for writing without writing change nothing.
  {
    auto file =
        sim.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
    ReadAll(*file);
    DirEntry entry;
    sim.Enumerate("C:\\P\\*.*")->Next(&entry);
    EXPECT_TRUE(sim.FileExists(path));
  }
  EXPECT_FALSE(moved());
  sim.AppendToFile(path, "6");
  EXPECT_TRUE(moved());
  sim.TruncateFile(path, 2);
  EXPECT_TRUE(moved());
  sim.PutFile(path, "neu");
  EXPECT_TRUE(moved());
  {
    auto file =
        sim.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
    file->Write("z", 1);
  }
  EXPECT_TRUE(moved());
  sim.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kCreateAlways);
  EXPECT_TRUE(moved());
  EXPECT_EQ(sim.ModificationTime("c:/p/OTHER.DBF"), sim.ModificationTime("C:\\P\\other.dbf"));
  EXPECT_LT(sim.ModificationTime("C:\\P\\other.dbf"), last);
  EXPECT_THROW(sim.ModificationTime("C:\\P\\fehlt.dbf"), Error);
  EXPECT_THROW(sim.ModificationTime("C:\\P"), Error);
}

// The general hook sees each operation once, numbered, with what it acts on; a message from it
// makes just that operation fail, or answer as Windows does when it cannot tell.
TEST(SimSystemTest, TheOperationHookCanFailAnyOneOperation) {
  using Kind = SimSystem::OperationKind;
  auto run = [](SimSystem& sim) {
    sim.FileExists("C:\\P\\a.txt");
    {
      auto file = sim.OpenFile("C:\\P\\a.txt", FileAccess::kReadWrite, FileShare::kDenyWrite,
                               FileOpen::kCreateAlways);
      file->Write("neu", 3);
      file->Close();
    }
    sim.RenameFile("C:\\P\\a.txt", "C:\\P\\b.txt", RenameMode::kReplaceExisting);
    {
      auto file = sim.OpenFile("C:\\P\\b.txt", FileAccess::kRead, FileShare::kDenyNone,
                               FileOpen::kExisting);
      file->Size();
      char buffer[8];
      size_t got = 0;
      file->ReadAt(0, buffer, sizeof buffer, &got);
    }
    auto listing = sim.Enumerate("C:\\P\\*.*");
    DirEntry entry;
    while (listing->Next(&entry)) {
    }
    sim.RemoveFile("C:\\P\\b.txt");
  };
  SimSystem clean;
  clean.MakeDirectory("C:\\P");
  std::vector<SimSystem::Operation> seen;
  clean.on_operation = [&](const SimSystem::Operation& op) {
    seen.push_back(op);
    return std::optional<std::string>();
  };
  run(clean);
  std::vector<std::string> names;
  for (const auto& op : seen)
    names.push_back(SimSystem::OperationName(op.kind));
  // The listing holds ".", ".." and b.txt; the fourth Next finds the end.
  EXPECT_EQ(names, (std::vector<std::string>{"exists", "create", "write", "close", "rename", "open",
                                             "size", "read", "enumerate", "next", "next", "next",
                                             "next", "remove"}));
  EXPECT_EQ(seen[4].path, "C:\\P\\a.txt");
  EXPECT_EQ(seen[4].target, "C:\\P\\b.txt");
  EXPECT_EQ(seen[8].path, "C:\\P\\*.*");
  EXPECT_EQ(seen.back().number, seen.size());
  EXPECT_EQ(clean.operation_count, seen.size());

  for (const auto& failing : seen) {
    SCOPED_TRACE(std::to_string(failing.number) + " " + SimSystem::OperationName(failing.kind));
    SimSystem sim;
    sim.MakeDirectory("C:\\P");
    sim.PutFile("C:\\P\\a.txt", "alt");
    sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
      if (op.number == failing.number) return std::string("Fehler");
      return std::nullopt;
    };
    switch (failing.kind) {
      case Kind::kExists:
        EXPECT_FALSE(sim.FileExists("C:\\P\\a.txt"));
        EXPECT_TRUE(sim.FileExists("C:\\P\\a.txt"));
        break;
      case Kind::kEnumerate: {
        for (uint64_t i = 1; i < failing.number; ++i)
          sim.FileExists("C:\\P\\a.txt");
        DirEntry entry;
        EXPECT_FALSE(sim.Enumerate("C:\\P\\*.*")->Next(&entry));
        break;
      }
      case Kind::kNext: {
        for (uint64_t i = 1; i < failing.number - 1; ++i)
          sim.FileExists("C:\\P\\a.txt");
        auto listing = sim.Enumerate("C:\\P\\*.*");
        DirEntry entry;
        EXPECT_FALSE(listing->Next(&entry));
        // It stays ended: the caller does not see the rest after a gap.
        EXPECT_FALSE(listing->Next(&entry));
        break;
      }
      default:
        try {
          run(sim);
          ADD_FAILURE() << "no error";
        } catch (const Error& e) {
          EXPECT_EQ(e.message(), "Fehler");
        }
        break;
    }
  }
}

// What the rename keeps is the sim's own bookkeeping; the renaming itself is in the suite.
TEST(SimSystemTest, RenamingKeepsTheBytesAndTheirModificationTime) {
  SimSystem sim;
  sim.PutFile("C:\\P\\ziel.txt", "alt");
  sim.PutFile("C:\\P\\ziel.txt.neu", "neu");
  const uint64_t written = sim.ModificationTime("C:\\P\\ziel.txt.neu");
  sim.RenameFile("C:\\P\\ziel.txt.neu", "c:\\p\\ZIEL.TXT", RenameMode::kReplaceExisting);
  EXPECT_EQ(sim.ReadFileBytes("C:\\P\\ziel.txt"), "neu");
  EXPECT_FALSE(sim.Exists("C:\\P\\ziel.txt.neu"));
  EXPECT_EQ(sim.ModificationTime("C:\\P\\ziel.txt"), written);
}

}  // namespace
}  // namespace erm::platform
