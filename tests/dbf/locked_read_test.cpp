// Reads that meet another program's byte-range lock: asked again every millisecond, but for two
// seconds at most, so that a record the planner's user keeps open for editing cannot stop the
// program from answering; that record is passed over and named, the others are read.
#include <gtest/gtest.h>

#include <numeric>

#include "dbf/table_test_support.h"

namespace erm::dbf::testing {
namespace {

std::string TwoRecords() {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"20261201000000", "20261207103000", "eins"});
  w.AddRecord({"20261202000000", "20261208090000", "zwei"});
  return w.Bytes();
}

// The records (not the header) stay locked until the virtual clock reaches `until_ms`.
void LockRecordsUntil(TableFixture& f, uint64_t until_ms) {
  f.sim.on_read = [&f, until_ms](const std::string&, uint64_t offset, size_t) {
    platform::SimSystem::ReadFault fault;
    if (offset >= 129 && f.sim.TickCount() < until_ms) {
      fault.kind = platform::SimSystem::ReadFault::kLocked;
    }
    return fault;
  };
}

uint64_t Waited(const TableFixture& f) {
  return std::accumulate(f.sim.sleeps.begin(), f.sim.sleeps.end(), uint64_t{0});
}

TEST(LockedReadTest, ALockHeldForTheEditOfARecordPassesItOverAfterTwoSeconds) {
  TableFixture f;
  f.Put(TwoRecords());
  f.table.SetReadAheadBytes(0);  // the second record is read at its visit, under the lock
  f.table.Open();
  f.sim.sleeps.clear();
  LockRecordsUntil(f, UINT64_MAX);
  f.table.Next();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "eins");
  EXPECT_EQ(f.table.LockedRecords(), std::vector<int64_t>{2});
  EXPECT_GE(Waited(f), 2000u);
  EXPECT_LE(Waited(f), 2001u);
  // Asked again at every millisecond of the wait, not once at its end.
  EXPECT_EQ(f.sim.sleeps.size(), Waited(f));
}

// The records in `locked` stay locked for good. The count and the walk pass over them, and all
// the waits of one opening together take two seconds; past sixteen the table counts as locked.
TEST(LockedReadTest, TheWalksPassOverLockedRecordsAndWaitTwoSecondsForAllOfThem) {
  std::vector<int64_t> first17(17);
  std::iota(first17.begin(), first17.end(), 1);
  for (const std::vector<int64_t>& locked : {std::vector<int64_t>{3}, {1, 4}, first17}) {
    TableFixture f;
    tools::DbfWriter w = ReminderWriter();
    for (int n = 1; n <= 20; ++n)
      w.AddRecord({"20261201000000", "20261207103000", "r"});
    f.Put(w.Bytes());
    f.table.SetReadAheadBytes(locked.size() * 39);  // a window, or none for one record
    f.sim.on_read = [&locked](const std::string&, uint64_t offset, size_t size) {
      platform::SimSystem::ReadFault fault;
      const uint64_t first = (offset - 129) / 39 + 1, last = (offset + size - 130) / 39 + 1;
      for (const int64_t n : locked)
        fault.kind = n >= static_cast<int64_t>(first) && n <= static_cast<int64_t>(last)
                         ? fault.kLocked
                         : fault.kind;
      return fault;
    };
    if (locked.size() > 16) {
      EXPECT_EQ(f.OpenError(), platform::kLockedReadText);
      continue;
    }
    f.table.Open();
    EXPECT_EQ(f.table.CountVisibleRecords(), 20 - static_cast<int64_t>(locked.size()));
    EXPECT_EQ(f.Walk().size(), 20 - locked.size());
    EXPECT_EQ(f.table.LockedRecords(), locked);
    EXPECT_LE(Waited(f), 2001u);
  }
}

TEST(LockedReadTest, ALockGoneWithinTwoSecondsIsWaitedFor) {
  TableFixture f;
  f.Put(TwoRecords());
  f.table.SetReadAheadBytes(0);  // the second record is read at its visit, under the lock
  f.table.Open();
  LockRecordsUntil(f, f.sim.TickCount() + 1990);
  f.table.Next();
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "zwei");
}

TEST(LockedReadTest, ALockedHeaderFailsTheOpenAfterTwoSeconds) {
  TableFixture f;
  f.Put(TwoRecords());
  f.sim.on_read = [](const std::string&, uint64_t, size_t) {
    platform::SimSystem::ReadFault fault;
    fault.kind = platform::SimSystem::ReadFault::kLocked;
    return fault;
  };
  EXPECT_EQ(f.OpenError(), platform::kLockedReadText);
  EXPECT_FALSE(f.table.Active());
  EXPECT_LE(Waited(f), 2001u);
}

}  // namespace
}  // namespace erm::dbf::testing
