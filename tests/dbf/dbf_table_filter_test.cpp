// How the table applies its filter: which records a walk and a count see, and what a filter that
// does not compile does to Open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbf/dbf_table.h"
#include "dbf/table_test_support.h"
#include "platform/error.h"
#include "support/allocation_counter.h"

namespace erm::dbf {
namespace {

using testing::ReminderWriter;
using testing::TableFixture;

constexpr char kScanFilter[] = "ERINNERUNG<='20261207000000'";

std::string ReminderTable() {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"20261206235959", "20261210100000", "eins"});                    // 1 passes
  w.AddRecord({"20261207000001", "20261211100000", "zwei"});                    // 2 no
  w.AddRecord({"", "20261212100000", "drei"});                                  // 3 blank passes
  w.AddRecord({"20261207000000", "20261213100000", "vier"}, true);              // 4 passes, deleted
  w.AddRecord({"20261207", "20261214100000", "fuenf"});                         // 5 prefix passes
  w.AddRecord({"20261207103000", "20261215100000", "sechs"});                   // 6 no
  w.AddRawRecord(std::string(" 2026120600000") + "20261216100000" + "sieben");  // 7 passes
  return w.Bytes();
}

TEST(DbfTableFilterTest, ScanFilterSelectsTheDueReminders) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter(kScanFilter);
  f.table.SetFiltered(true);
  f.table.Open();
  EXPECT_EQ(f.table.RecNo(), 1);
  EXPECT_EQ(f.table.CountVisibleRecords(), 4);
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{1, 3, 5, 7}));
}

TEST(DbfTableFilterTest, ScanReadsTerminDatuOfEachVisibleRecord) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter(kScanFilter);
  f.table.SetFiltered(true);
  f.table.Open();
  std::vector<std::string> texts;
  const int64_t count = f.table.CountVisibleRecords();
  f.table.First();
  for (int64_t i = 0; i < count; ++i) {
    texts.push_back(f.table.GetField("TERMINDATU").AsText());
    f.table.Next();
  }
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(texts, (std::vector<std::string>{"20261210100000", "20261212100000", "20261214100000",
                                             "20261216100000"}));
}

TEST(DbfTableFilterTest, DeletedRecordIsHiddenEvenWhenItPasses) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter(kScanFilter);
  f.table.SetFiltered(true);
  f.table.SetShowDeleted(true);
  f.table.Open();
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{1, 3, 4, 5, 7}));
}

TEST(DbfTableFilterTest, FilterAppliesOnlyWhileFiltered) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter(kScanFilter);
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 6);
  // Filtered may change while open; the filter compiled at Open then applies.
  f.table.SetFiltered(true);
  EXPECT_EQ(f.table.CountVisibleRecords(), 4);
  f.table.SetFilter("");
  EXPECT_EQ(f.table.CountVisibleRecords(), 6);
}

TEST(DbfTableFilterTest, NoRecordPassingGivesBlankValues) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter("ERINNERUNG>'3'");
  f.table.SetFiltered(true);
  f.table.Open();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.CountVisibleRecords(), 0);
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsNumber(), 0);
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "");
}

TEST(DbfTableFilterTest, CompileErrorsArePassedOnAndTheTableStaysClosed) {
  struct Row {
    std::string filter;
    std::string message;
  };
  const std::vector<Row> rows = {
      {"ERINNERUNG<>'x'", "Index based on unknown field \"<>\"."},
      {"ERINNERUNGEN<='2026'", "Index based on unknown field \"ERINNERUNGEN\"."},
      {"TERMINDATU<='20261207000000'", "Argument type mismatch"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.filter);
    TableFixture f;
    f.Put(ReminderTable());
    f.table.SetFilter(row.filter);
    f.table.SetFiltered(true);
    EXPECT_EQ(f.OpenError(), row.message);
    EXPECT_FALSE(f.table.Active());
    EXPECT_EQ(f.table.Filter(), "");
    EXPECT_EQ(f.sim.write_count, 0);
  }
}

TEST(DbfTableFilterTest, DeeplyNestedFilterFailsOpenWithoutOverflowingTheStack) {
  TableFixture f;
  f.Put(ReminderTable());
  f.table.SetFilter(std::string(100000, '(') + kScanFilter + std::string(100000, ')'));
  f.table.SetFiltered(true);
  const std::string message = f.OpenError();
  EXPECT_FALSE(message.empty());
  EXPECT_FALSE(f.table.Active());
  EXPECT_EQ(f.table.Filter(), "");
}

// A count of zero proves nothing unless the counter sees an allocation that is surely made.
void ExpectCounterSeesAllocations() {
  static std::string* volatile escaped = nullptr;
  const uint64_t before = erm::testing::AllocationCount();
  escaped = new std::string(64, 'x');
  EXPECT_GT(erm::testing::AllocationCount(), before) << "the allocation counter sees nothing";
  delete escaped;
  escaped = nullptr;
}

TEST(DbfTableFilterTest, ScanWalkAllocatesNothingPerRecord) {
  // The scan's two walks over a table with its filter, and TERMINDATU read as a number on each
  // visible record: once the table is open, none of it may touch the heap.
  tools::DbfWriter w = ReminderWriter();
  for (int i = 0; i < 200; ++i) {
    w.AddRecord({i % 3 == 0 ? "20261201000000" : "20271201000000", "20261207103000", "x"},
                i % 7 == 0);
  }
  for (const std::string& filter :
       {std::string(kScanFilter), std::string("UPPER(TEXT) = 'X' AND TERMINDATU > 0.0")}) {
    for (size_t read_ahead : {TDbfTable::kDefaultReadAhead, size_t{5 * 39}, size_t{0}}) {
      SCOPED_TRACE(filter + " read-ahead " + std::to_string(read_ahead));
      TableFixture f;
      f.table.SetReadAheadBytes(read_ahead);
      f.Put(w.Bytes());
      f.table.SetFilter(filter);
      f.table.SetFiltered(true);
      f.table.Open();
      const TField& termin = f.table.GetField("TERMINDATU");
      int64_t visited = 0;
      double sum = 0;
      ExpectCounterSeesAllocations();
      const uint64_t start = erm::testing::AllocationCount();
      const int64_t count = f.table.CountVisibleRecords();
      f.table.First();
      for (int64_t i = 0; i < count; ++i) {
        sum += termin.AsNumber();
        ++visited;
        f.table.Next();
      }
      EXPECT_EQ(erm::testing::AllocationCount() - start, 0u);
      EXPECT_TRUE(f.table.Eof());
      EXPECT_GT(visited, 0);
      EXPECT_EQ(sum, 20261207103000.0 * static_cast<double>(visited));
    }
  }
}

TEST(DbfTableFilterTest, FilterOnAFieldPastTheRecordLengthSeesBlanks) {
  // The record length says 15 bytes: ERINNERUNG (1..14) is there, TEXT (29..38) is not.
  tools::DbfWriter w = ReminderWriter();
  std::string bytes = w.Bytes(false);
  testing::PutLe16(&bytes, 10, 15);
  bytes += " 20261201000000 20261202000000";
  TableFixture f;
  f.Put(bytes);
  f.table.SetFilter("TEXT=''");
  f.table.SetFiltered(true);
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
}

}  // namespace
}  // namespace erm::dbf
