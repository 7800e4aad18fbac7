// Tables and filters at the edges of what the format can say: the most fields a header can hold,
// records of 65,535 bytes, a header length pointing far past the file, filters of 100,000
// characters, and a record read while another program is still appending it. Each opens with a
// result or fails with its message, in reads and memory bounded by the table's own sizes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dbf/dbf_table.h"
#include "dbf/table_test_support.h"
#include "support/allocation_counter.h"

namespace erm::dbf {
namespace {

using platform::SimSystem;
using testing::kTablePath;
using testing::PutLe16;
using testing::TableFixture;

// A table of one-byte C fields, all named `name` (so the names must be made unique), as many as
// a header of at most 65,535 bytes holds in the layout of `version`.
std::string WidestTable(uint8_t version, size_t* field_count) {
  const bool wide = (version & 0x07) == 4;
  const size_t block = wide ? 68 : 32;
  const size_t descriptor = wide ? 48 : 32;
  *field_count = (65535 - block - 1) / descriptor;
  std::vector<tools::WriterField> fields(*field_count, tools::WriterField{"F", 'C', 1, 0});
  tools::DbfWriter w(fields, version, 0, wide ? "DBWINUS0" : "");
  w.AddRawRecord(std::string(*field_count, 'x'));
  w.AddRawRecord(std::string(*field_count - 1, 'y') + "z");
  return w.Bytes();
}

TEST(LargeTableTest, MostFieldsAHeaderCanHoldOpenWithUniqueNames) {
  // The 16-bit header length caps the descriptors at 2,046 (32-byte layout) and 1,363 (48-byte
  // layout), below the 4,095 the field-count check allows: that check is never reached through
  // a file, and every table the format can express opens.
  for (uint8_t version : {uint8_t{0x03}, uint8_t{0x04}}) {
    SCOPED_TRACE(static_cast<int>(version));
    size_t count = 0;
    TableFixture f;
    f.Put(WidestTable(version, &count));
    f.table.SetFilter("F" + std::to_string(count) + "='z'");
    f.table.SetFiltered(true);
    ASSERT_EQ(f.OpenError(), "");
    ASSERT_EQ(f.table.Fields().size(), count);
    EXPECT_EQ(f.table.Fields()[1].name, "F2");
    EXPECT_EQ(f.table.Fields().back().name, "F" + std::to_string(count));
    EXPECT_EQ(f.table.Fields().back().offset, count);
    EXPECT_EQ(f.table.CountVisibleRecords(), 1);
    // Reads: the header's start and the whole header once each, then one per record visit.
    EXPECT_LE(f.sim.read_count, 2 + 2 + 2 * 2 + 2);
  }
}

TEST(LargeTableTest, HeaderWithoutTerminatorStopsAtTheDescriptorsItHasRoomFor) {
  // A header length of 65,535 with descriptors up to its end and no 0x0D: 2,046 whole
  // descriptors fit, and the bytes of a 2,047th that would run past the header are not read.
  size_t count = 0;
  std::string bytes = WidestTable(0x03, &count);
  const size_t header = 32 + count * 32 + 1;
  bytes[header - 1] = 'G';  // where the terminator was
  bytes.insert(header, 65535 - header, 'G');
  PutLe16(&bytes, 8, 65535);
  TableFixture f;
  f.Put(bytes);
  ASSERT_EQ(f.OpenError(), "");
  EXPECT_EQ(f.table.Fields().size(), count);
}

TEST(LargeTableTest, RecordsOfTheLongestLengthAreWalked) {
  // Record length 65,535, the most its 16-bit field says; the fields take the first 255 bytes.
  constexpr size_t kLength = 65535;
  tools::DbfWriter w({{"ERINNERUNG", 'C', 14}, {"REST", 'C', 240}});
  std::string bytes = w.Bytes(false);
  PutLe16(&bytes, 10, kLength);
  for (char mark : {'1', '2', '3'}) {
    std::string record(kLength, mark);
    record[0] = ' ';
    record.replace(1, 14, std::string("2026120") + mark + "000000");
    bytes += record;
  }
  TableFixture f;
  f.Put(bytes + "\x1A");
  f.table.SetFilter("ERINNERUNG<='20261202000000'");
  f.table.SetFiltered(true);
  const uint64_t before = erm::testing::LiveBytes();
  erm::testing::ResetPeakLiveBytes();
  ASSERT_EQ(f.OpenError(), "");
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
  std::vector<std::string> seen;
  for (f.table.First(); !f.table.Eof(); f.table.Next())
    seen.push_back(f.table.GetField("ERINNERUNG").AsText());
  EXPECT_EQ(seen, (std::vector<std::string>{"20261201000000", "20261202000000"}));
  // Memory: the three record buffers and the header, not the file.
  EXPECT_LE(erm::testing::PeakLiveBytes() - before, 3 * kLength + 64 * 1024);
}

TEST(LargeTableTest, HeaderLengthFarPastTheFileIsRejectedWithoutReadingIt) {
  std::string bytes = testing::ReminderWriter().Bytes();
  PutLe16(&bytes, 8, 65535);
  TableFixture f;
  f.Put(bytes);
  const uint64_t before = erm::testing::LiveBytes();
  erm::testing::ResetPeakLiveBytes();
  EXPECT_EQ(f.OpenError(), "Invalid DBF file.");
  // Only the first 32 bytes are read, and no buffer of the claimed length is made.
  EXPECT_EQ(f.sim.read_count, 1);
  EXPECT_LT(erm::testing::PeakLiveBytes() - before, 65535u);
  EXPECT_FALSE(f.table.Active());
}

struct LongFilterCase {
  const char* name;
  std::string filter;
  std::string error;  // "" when it compiles
  int64_t visible;
};

TEST(LargeTableTest, FiltersOfHundredThousandCharactersCompileOrFailWithTheirMessage) {
  constexpr size_t kSize = 100000;
  std::string long_literal = "ERINNERUNG<='" + std::string(kSize - 14, '9') + "'";
  std::string chain = "ERINNERUNG='20261201000000'";
  while (chain.size() + 31 < kSize)
    chain += " OR ERINNERUNG='20260101000000'";
  std::string words;
  while (words.size() < kSize)
    words += "ERINNERUNG ";
  std::string unclosed = "ERINNERUNG='" + std::string(kSize, 'x');
  const std::vector<LongFilterCase> cases = {
      {"one_long_text_constant", long_literal, "", 3},
      {"three_thousand_comparisons", chain, "", 1},
      {"names_without_operators", words, "Missing operator between 'erinnerung' and 'erinnerung'",
       0},
      // Runs to the end and keeps its opening quote: a text no record holds.
      {"text_constant_without_its_end", unclosed, "", 0},
  };
  for (const LongFilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GE(c.filter.size(), kSize - 31);
    TableFixture f;
    tools::DbfWriter w = testing::ReminderWriter();
    for (const char* e : {"20261201000000", "20261202000000", "20261203000000"})
      w.AddRecord({e, "20261210000000", "x"});
    f.Put(w.Bytes());
    f.table.SetFilter(c.filter);
    f.table.SetFiltered(true);
    const std::string error = f.OpenError();
    if (c.error.empty()) {
      ASSERT_EQ(error, "");
      EXPECT_EQ(f.table.CountVisibleRecords(), c.visible);
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      EXPECT_EQ(f.table.Filter(), "");
    }
  }
}

TEST(LargeTableTest, RecordCaughtHalfAppendedIsReadAgainWhole) {
  // Three records in the file; the walk's first read of the third meets another program's
  // append half done and gets only its first 15 bytes, and the file is whole again by the time
  // its size is asked. Used as read, the record would carry the second record's TERMINDATU and
  // TEXT behind its own ERINNERUNG: a record nobody wrote.
  tools::DbfWriter w = testing::ReminderWriter();
  w.AddRecord({"20261201000000", "20261210000000", "eins"});
  w.AddRecord({"20261202000000", "20261220000000", "zwei"});
  w.AddRecord({"20261203000000", "20261230000000", "drei"});
  TableFixture f;
  f.table.SetReadAheadBytes(0);  // every record read at its visit
  f.Put(w.Bytes());
  const uint64_t third = 129 + 2 * 39;
  int reads_of_third = 0;
  f.sim.on_read = [&](const std::string&, uint64_t offset, size_t) {
    SimSystem::ReadFault fault;
    if (offset == third && ++reads_of_third == 1) {
      fault.kind = SimSystem::ReadFault::kShort;
      fault.short_size = 15;
    }
    return fault;
  };
  f.table.Open();
  f.table.Next();
  f.table.Next();
  ASSERT_EQ(f.table.RecNo(), 3);
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsText(), "20261203000000");
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "20261230000000");
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "drei");
  EXPECT_EQ(reads_of_third, 2);
}

TEST(LargeTableTest, RecordThatStaysShortIsReadABoundedNumberOfTimes) {
  // Every read comes back short while the file says the record is whole: the walk still ends,
  // after a few reads per record, not one per pause forever. With read-ahead each record costs
  // one window read more, which brings no whole record.
  tools::DbfWriter w = testing::ReminderWriter();
  for (int i = 0; i < 10; ++i)
    w.AddRecord({"20261201000000", "20261210000000", "x"});
  for (const auto& [read_ahead, reads_per_record] :
       {std::pair<size_t, int>{0, 9}, {TDbfTable::kDefaultReadAhead, 10}}) {
    SCOPED_TRACE(read_ahead);
    TableFixture f;
    f.table.SetReadAheadBytes(read_ahead);
    f.Put(w.Bytes());
    f.table.Open();
    f.sim.on_read = [](const std::string&, uint64_t, size_t) {
      SimSystem::ReadFault fault;
      fault.kind = SimSystem::ReadFault::kShort;
      fault.short_size = 5;
      return fault;
    };
    const int before = f.sim.read_count;
    EXPECT_EQ(f.table.CountVisibleRecords(), 10);
    EXPECT_LE(f.sim.read_count - before, 10 * reads_per_record);
  }
}

}  // namespace
}  // namespace erm::dbf
