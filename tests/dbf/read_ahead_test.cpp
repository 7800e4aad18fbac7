// The walk's read-ahead: which reads it makes, and that it keeps what reading every record at its
// visit promised: fresh bytes for every walk, a count that follows the file, locks that stop
// only the locked record.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dbf/dbf_table.h"
#include "dbf/table_test_support.h"

namespace erm::dbf {
namespace {

using platform::SimSystem;
using testing::kTablePath;
using testing::ReminderWriter;
using testing::TableFixture;

constexpr uint64_t kHeader = 129;
constexpr size_t kRecord = 39;
using Reads = std::vector<std::pair<uint64_t, size_t>>;

std::string Record(int n) {
  return "2026120" + std::to_string(n % 10);
}

std::string Records(int first, int last) {
  tools::DbfWriter w = ReminderWriter();
  for (int n = first; n <= last; ++n)
    w.AddRecord({Record(n), std::to_string(n), "r" + std::to_string(n)});
  const std::string bytes = w.Bytes(false);
  return bytes.substr(kHeader);
}

std::string Table(int records) {
  tools::DbfWriter w = ReminderWriter();
  for (int n = 1; n <= records; ++n)
    w.AddRecord({Record(n), std::to_string(n), "r" + std::to_string(n)});
  return w.Bytes(false);
}

// Replaces record `n` in place, as another program writing into the open file does.
void Rewrite(TableFixture& f, int n, int records, const std::string& text) {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({Record(n), std::to_string(n), text});
  const std::string tail = Records(n + 1, records);
  f.sim.TruncateFile(kTablePath, kHeader + (n - 1) * kRecord);
  f.sim.AppendToFile(kTablePath, w.Bytes(false).substr(kHeader) + tail);
}

std::vector<std::string> Texts(TableFixture& f) {
  std::vector<std::string> texts;
  for (f.table.First(); !f.table.Eof(); f.table.Next())
    texts.push_back(f.table.GetField("TEXT").AsText());
  return texts;
}

struct Fixture : TableFixture {
  Reads reads;
  explicit Fixture(int records, size_t read_ahead_records) {
    Put(Table(records));
    table.SetReadAheadBytes(read_ahead_records * kRecord);
    sim.on_read = [this](const std::string&, uint64_t offset, size_t size) {
      reads.emplace_back(offset, size);
      return SimSystem::ReadFault{};
    };
  }
};

TEST(ReadAheadTest, WindowIsReadAtItsFirstRecordAndEndsWhereTheFileEnds) {
  Fixture f(10, 4);
  f.table.Open();
  EXPECT_EQ(f.reads.back(), (std::pair<uint64_t, size_t>{kHeader, 4 * kRecord}));
  f.reads.clear();
  // On a share every question of the file's size is a round trip: asked once per window and
  // once at the end, never per record.
  int sizes = 0;
  f.sim.on_operation = [&sizes](const SimSystem::Operation& op) -> std::optional<std::string> {
    sizes += op.kind == SimSystem::OperationKind::kSize ? 1 : 0;
    return std::nullopt;
  };
  EXPECT_EQ(f.table.CountVisibleRecords(), 10);
  EXPECT_EQ(f.reads, (Reads{{kHeader, 4 * kRecord},
                            {kHeader + 4 * kRecord, 4 * kRecord},
                            {kHeader + 8 * kRecord, 2 * kRecord}}));
  EXPECT_EQ(sizes, 3 + 1);
  f.reads.clear();
  f.table.First();
  for (int i = 0; i < 3; ++i)
    f.table.Next();
  EXPECT_EQ(f.reads.size(), 1u);
  f.table.Next();  // record 5 is the first past the window
  EXPECT_EQ(f.reads.back(), (std::pair<uint64_t, size_t>{kHeader + 4 * kRecord, 4 * kRecord}));
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "r5");
}

TEST(ReadAheadTest, FirstCountAndOpenReadTheFileAfresh) {
  Fixture f(6, 100);
  f.table.Open();  // its window holds all six records
  Rewrite(f, 2, 6, "neu");
  // First, the counting walk, and after it the reading walk see the new bytes.
  f.table.First();
  f.table.Next();
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "neu");
  Rewrite(f, 3, 6, "neuer");
  f.table.SetFilter("TEXT = 'neuer'");
  f.table.Close();
  f.table.SetFiltered(true);
  f.table.Open();
  EXPECT_EQ(f.table.RecNo(), 3);
  Rewrite(f, 4, 6, "neuer");
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
  Rewrite(f, 4, 6, "r4");
  f.table.Next();  // the count's window is gone with its walk
  EXPECT_TRUE(f.table.Eof());
}

TEST(ReadAheadTest, GrowingAndShrinkingTableWalksAsWithSingleReads) {
  // Each row changes the file after the walk's second record. (A record read ahead is another
  // matter: the walk shows it as it was when its window was read, rewritten or cut off since.)
  struct Case {
    const char* name;
    void (*change)(TableFixture&);
  };
  const std::vector<Case> cases = {
      {"append", [](TableFixture& f) { f.sim.AppendToFile(kTablePath, Records(7, 9)); }},
      {"append_half",
       [](TableFixture& f) { f.sim.AppendToFile(kTablePath, Records(7, 7).substr(0, 20)); }},
      {"cut_past_the_window",
       [](TableFixture& f) { f.sim.TruncateFile(kTablePath, kHeader + 4 * kRecord + 5); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::vector<std::string>> results;
    for (size_t read_ahead : {size_t{0}, size_t{2}, size_t{4}}) {
      Fixture f(6, read_ahead);
      f.table.Open();
      f.table.Next();
      c.change(f);
      std::vector<std::string> texts;
      for (; !f.table.Eof(); f.table.Next())
        texts.push_back(f.table.GetField("TEXT").AsText());
      texts.push_back(std::to_string(f.table.CountVisibleRecords()));
      results.push_back(texts);
    }
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
  }
}

TEST(ReadAheadTest, RecordsCutWhileTheirReadWasUnderWayAreNotServed) {
  // The cut comes right after the read, before the walk asks the file's size: the bytes the
  // read brought (on Linux zeros, where the cut met the read) belong to no record.
  for (size_t read_ahead : {size_t{0}, size_t{100}}) {
    SCOPED_TRACE(read_ahead);
    Fixture f(6, read_ahead);
    f.table.Open();
    bool cut_after_read = false;
    f.sim.on_read = [&](const std::string&, uint64_t offset, size_t size) {
      cut_after_read = offset + size > kHeader + 2 * kRecord;
      return SimSystem::ReadFault{};
    };
    f.sim.on_operation = [&](const SimSystem::Operation& op) -> std::optional<std::string> {
      if (op.kind == SimSystem::OperationKind::kSize && cut_after_read) {
        cut_after_read = false;
        f.sim.TruncateFile(kTablePath, kHeader + 2 * kRecord);
      }
      return std::nullopt;
    };
    EXPECT_EQ(f.table.CountVisibleRecords(), 2);
  }
}

TEST(ReadAheadTest, LockedWindowIsReadRecordByRecordSoOnlyTheLockedOneWaits) {
  Fixture f(10, 4);
  f.table.Open();
  f.reads.clear();
  // Record 3 is locked for its first four reads; a read that covers it meets the lock.
  const uint64_t locked_at = kHeader + 2 * kRecord;
  int locked = 4;
  f.sim.on_read = [&](const std::string&, uint64_t offset, size_t size) {
    f.reads.emplace_back(offset, size);
    SimSystem::ReadFault fault;
    if (locked > 0 && offset <= locked_at && offset + size > locked_at) {
      --locked;
      fault.kind = SimSystem::ReadFault::kLocked;
    }
    return fault;
  };
  EXPECT_EQ(f.table.CountVisibleRecords(), 10);
  EXPECT_EQ(f.sim.sleeps, (std::vector<uint32_t>{1, 1, 1}));
  EXPECT_EQ(f.reads, (Reads{{kHeader, 4 * kRecord},  // refused
                            {kHeader, kRecord},
                            {kHeader + kRecord, kRecord},
                            {locked_at, kRecord},
                            {locked_at, kRecord},
                            {locked_at, kRecord},
                            {locked_at, kRecord},
                            {kHeader + 3 * kRecord, kRecord},
                            {kHeader + 4 * kRecord, 4 * kRecord},
                            {kHeader + 8 * kRecord, 2 * kRecord}}));
  EXPECT_EQ(Texts(f), (std::vector<std::string>{"r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8",
                                                "r9", "r10"}));
}

}  // namespace
}  // namespace erm::dbf
