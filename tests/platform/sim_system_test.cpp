#include "platform/sim/sim_system.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace erm::platform {
namespace {

std::string ReadAll(File& file) {
  std::string out(static_cast<size_t>(file.Size()), '\0');
  size_t got = 0;
  file.ReadAt(0, out.data(), out.size(), &got);
  out.resize(got);
  return out;
}

TEST(SimSystemTest, PathsIgnoreCaseAndSlashDirection) {
  SimSystem sim;
  sim.PutFile("C:\\Daten\\konten\\Familie\\erinnerung.dbf", "abc");
  EXPECT_TRUE(sim.FileExists("c:/daten/KONTEN/familie/ERINNERUNG.DBF"));
  EXPECT_FALSE(sim.FileExists("C:\\Daten\\konten"));
  auto file = sim.OpenFile("c:\\daten\\konten\\familie\\erinnerung.dbf", FileAccess::kRead,
                           FileShare::kDenyNone, FileOpen::kExisting);
  EXPECT_EQ(ReadAll(*file), "abc");
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
  EXPECT_FALSE(sim.Enumerate("C:\\P\\fehlt\\*.*")->Next(&entry));
}

TEST(SimSystemTest, AnOpenFileSeesAppendsAndFaults) {
  SimSystem sim;
  sim.PutFile("C:\\t.dbf", "12345");
  auto file =
      sim.OpenFile("C:\\t.dbf", FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  sim.AppendToFile("C:\\t.dbf", "678");
  EXPECT_EQ(file->Size(), 8u);
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

TEST(SimSystemTest, OpeningFailsLikeWindows) {
  SimSystem sim;
  sim.PutFile("C:\\ro.dbf", "x", kAttrReadOnly);
  EXPECT_THROW(
      sim.OpenFile("C:\\missing.dbf", FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting),
      Error);
  EXPECT_THROW(
      sim.OpenFile("C:\\ro.dbf", FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting),
      Error);
  EXPECT_NO_THROW(
      sim.OpenFile("C:\\ro.dbf", FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting));
  EXPECT_THROW(sim.OpenFile("C:\\nodir\\x.txt", FileAccess::kReadWrite, FileShare::kDenyNone,
                            FileOpen::kCreateAlways),
               Error);
}

TEST(SimSystemTest, PausesMoveTheVirtualClock) {
  SimSystem sim;
  sim.SetNow({2026, 12, 7, 23, 59, 59, 500});
  sim.Sleep(800);
  EXPECT_EQ(sim.Now(), (LocalTime{2026, 12, 8, 0, 0, 0, 300}));
  EXPECT_EQ(sim.sleeps, std::vector<uint32_t>{800});
}

TEST(SimSystemTest, FullPathResolvesAgainstTheCurrentDirectory) {
  SimSystem sim;
  sim.SetCurrentDirectory("C:\\Arbeit");
  EXPECT_EQ(sim.FullPath("a\\..\\b\\.\\c\\"), "C:\\Arbeit\\b\\c\\");
  EXPECT_EQ(sim.FullPath("\\x"), "C:\\x");
  EXPECT_EQ(sim.FullPath("D:\\y\\..\\.."), "D:\\");
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

}  // namespace
}  // namespace erm::platform
