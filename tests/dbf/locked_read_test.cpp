// Reads that meet another program's byte-range lock: asked again every millisecond, but for two
// seconds at most, so that a record the planner's user keeps open for editing cannot stop the
// program from answering.
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

TEST(LockedReadTest, ALockHeldForTheEditOfARecordFailsTheReadAfterTwoSeconds) {
  TableFixture f;
  f.Put(TwoRecords());
  f.table.SetReadAheadBytes(0);  // the second record is read at its visit, under the lock
  f.table.Open();
  f.sim.sleeps.clear();
  LockRecordsUntil(f, UINT64_MAX);
  try {
    f.table.Next();
    FAIL() << "the read waited for ever";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), platform::kLockedReadText);
  }
  EXPECT_GE(Waited(f), 2000u);
  EXPECT_LE(Waited(f), 2001u);
  // Asked again at every millisecond of the wait, not once at its end.
  EXPECT_EQ(f.sim.sleeps.size(), Waited(f));
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
