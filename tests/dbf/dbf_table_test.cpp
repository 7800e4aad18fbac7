#include "dbf/dbf_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dbf/table_test_support.h"
#include "platform/error.h"

namespace erm::dbf {
namespace {

using platform::FileAccess;
using platform::FileShare;
using platform::SimSystem;
using testing::kTablePath;
using testing::PutLe16;
using testing::PutLe32;
using testing::ReminderWriter;
using testing::TableFixture;

std::string ThreeRecords() {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"20261201000000", "20261207103000", "eins"});
  w.AddRecord({"20261202000000", "20261208090000", "zwei"});
  w.AddRecord({"20261203000000", "20261209120000", "drei"});
  return w.Bytes();
}

TEST(DbfTableTest, ReminderTableOpensWithItsFieldLayout) {
  TableFixture f;
  const std::string bytes = ThreeRecords();
  ASSERT_EQ(static_cast<uint8_t>(bytes[8]), 129);
  ASSERT_EQ(static_cast<uint8_t>(bytes[10]), 39);
  f.Put(bytes);
  f.table.Open();
  ASSERT_TRUE(f.table.Active());
  const FieldList& fields = f.table.Fields();
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].name, "ERINNERUNG");
  EXPECT_EQ(fields[0].offset, 1u);
  EXPECT_EQ(fields[1].offset, 15u);
  EXPECT_EQ(fields[2].offset, 29u);
  EXPECT_EQ(fields[1].kind, ValueKind::kFloat);
  EXPECT_EQ(f.table.RecNo(), 1);
  EXPECT_FALSE(f.table.Eof());
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{1, 2, 3}));
}

struct OpenFailureCase {
  const char* name;
  std::function<void(TableFixture&)> arrange;
  std::string message;
};

TEST(DbfTableTest, OpenFailuresGiveTheirMessageAndLeaveTheTableClosed) {
  const std::string table = ThreeRecords();
  const std::vector<OpenFailureCase> cases = {
      {"missing_file", [](TableFixture&) {},
       "Open: file not found: \"C:\\Daten\\erinnerung.dbf\"."},
      {"refused_by_the_system",
       [&](TableFixture& f) {
         f.Put(table);
         f.sim.on_open = [](const std::string&, FileAccess, platform::FileOpen) {
           return std::optional<std::string>("Der Prozess kann nicht auf die Datei zugreifen");
         };
       },
       "Datei C:\\Daten\\erinnerung.dbf kann nicht ge\xF6"
       "ffnet werden"},
      {"read_only_file_opened_for_writing",
       [&](TableFixture& f) { f.sim.PutFile(kTablePath, table, platform::kAttrReadOnly); },
       "Datei C:\\Daten\\erinnerung.dbf kann nicht ge\xF6"
       "ffnet werden"},
      {"empty_file", [](TableFixture& f) { f.Put(""); }, "Invalid DBF file."},
      {"shorter_than_the_header_start", [&](TableFixture& f) { f.Put(table.substr(0, 31)); },
       "Invalid DBF file."},
      {"version_02",
       [&](TableFixture& f) {
         std::string b = table;
         b[0] = 0x02;
         f.Put(b);
       },
       "Invalid DBF file."},
      {"version_05",
       [&](TableFixture& f) {
         std::string b = table;
         b[0] = 0x05;
         f.Put(b);
       },
       "Invalid DBF file."},
      {"header_length_past_the_end_of_the_file",
       [&](TableFixture& f) {
         std::string b = table;
         PutLe16(&b, 8, static_cast<uint32_t>(b.size() + 1));
         f.Put(b);
       },
       "Invalid DBF file."},
      {"header_cut_inside_the_descriptors", [&](TableFixture& f) { f.Put(table.substr(0, 100)); },
       "Invalid DBF file."},
      {"header_length_below_the_descriptor_block",
       [&](TableFixture& f) {
         std::string b = table;
         PutLe16(&b, 8, 40);
         f.Put(b);
       },
       "Invalid DBF file."},
      {"header_length_below_the_header_block",
       [&](TableFixture& f) {
         std::string b = table;
         PutLe16(&b, 8, 1);
         f.Put(b);
       },
       "Invalid DBF file."},
      {"memo_file_missing",
       [](TableFixture& f) {
         tools::DbfWriter w({{"NOTIZ", 'M', 10}}, 0x83);
         w.AddRecord({"1"});
         f.Put(w.Bytes());
       },
       "Open: file not found: \"C:\\Daten\\erinnerung.dbt\"."},
  };
  for (const OpenFailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    TableFixture f;
    c.arrange(f);
    EXPECT_EQ(f.OpenError(), c.message);
    EXPECT_FALSE(f.table.Active());
    EXPECT_TRUE(f.table.Eof());
    EXPECT_TRUE(f.table.Fields().empty());
    EXPECT_EQ(f.sim.write_count, 0);
  }
}

TEST(DbfTableTest, OpenChecksInItsOrderAndReportsTheFirstFailure) {
  // Each table is wrong in two ways; the check Open makes first names the failure.
  const auto memo_table = [](std::vector<tools::WriterField> fields) {
    tools::DbfWriter w(std::move(fields), 0x83);
    w.AddRecord({"1"});
    return w.Bytes();
  };
  struct Row {
    const char* name;
    std::string bytes;
    std::string filter;
    std::string message;  // "" for the silent abort
  };
  std::string unknown_version_zero_length = ThreeRecords();
  unknown_version_zero_length[0] = 0x02;
  PutLe16(&unknown_version_zero_length, 10, 0);
  std::string zero_length_header_past_the_end = ThreeRecords();
  PutLe16(&zero_length_header_past_the_end, 10, 0);
  PutLe16(&zero_length_header_past_the_end, 8, 60000);
  std::string header_past_the_end_memo = memo_table({{"NOTIZ", 'M', 10}});
  PutLe16(&header_past_the_end_memo, 8, 60000);
  const std::vector<Row> rows = {
      {"version_before_lengths", unknown_version_zero_length, "", "Invalid DBF file."},
      {"lengths_before_header", zero_length_header_past_the_end, "", ""},
      {"header_before_memo", header_past_the_end_memo, "", "Invalid DBF file."},
      {"descriptors_before_memo", memo_table({{"NOTIZ", 'M', 10}, {"X", 'X', 1}}), "",
       "Invalid DBF file."},
      {"memo_before_filter", memo_table({{"NOTIZ", 'M', 10}, {"NAME", 'C', 5}}), "NAME <> 'x'",
       "Open: file not found: \"C:\\Daten\\erinnerung.dbt\"."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TableFixture f;
    f.Put(row.bytes);
    f.table.SetFilter(row.filter);
    f.table.SetFiltered(true);
    if (row.message.empty()) {
      EXPECT_THROW(f.table.Open(), Abort);
    } else {
      EXPECT_EQ(f.OpenError(), row.message);
    }
    EXPECT_FALSE(f.table.Active());
    // Only a filter that fails to compile is emptied.
    EXPECT_EQ(f.table.Filter(), row.filter);
  }
}

TEST(DbfTableTest, ZeroRecordOrHeaderLengthIsASilentAbort) {
  for (size_t at : {size_t{8}, size_t{10}}) {
    SCOPED_TRACE(at);
    TableFixture f;
    std::string b = ThreeRecords();
    PutLe16(&b, at, 0);
    f.Put(b);
    EXPECT_THROW(f.table.Open(), Abort);
    EXPECT_FALSE(f.table.Active());
    EXPECT_EQ(f.sim.ReadFileBytes(kTablePath), b);
  }
}

TEST(DbfTableTest, MemoFileIsOpenedInTheSameModeWhenThere) {
  TableFixture f;
  tools::DbfWriter w({{"NOTIZ", 'M', 10}, {"NAME", 'C', 5}}, 0x83);
  w.AddRecord({"1", "abc"});
  f.Put(w.Bytes());
  f.sim.PutFile("C:\\Daten\\erinnerung.dbt", std::string(512, '\0'));
  f.table.Open();
  EXPECT_EQ(f.sim.opened_paths,
            (std::vector<std::string>{kTablePath, "C:\\Daten\\erinnerung.dbt"}));
  EXPECT_EQ(f.sim.opened_modes[1], f.sim.opened_modes[0]);
  EXPECT_EQ(f.table.GetField("NAME").AsText(), "abc");
  EXPECT_EQ(f.sim.ReadFileBytes("C:\\Daten\\erinnerung.dbt"), std::string(512, '\0'));
}

TEST(DbfTableTest, OpenModeFollowsExclusiveAndReadOnly) {
  struct Row {
    bool exclusive, read_only;
    FileAccess access;
    FileShare share;
  };
  const std::vector<Row> rows = {
      {false, false, FileAccess::kReadWrite, FileShare::kDenyNone},
      {true, false, FileAccess::kReadWrite, FileShare::kDenyWrite},
      {false, true, FileAccess::kRead, FileShare::kDenyNone},
      {true, true, FileAccess::kRead, FileShare::kDenyNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.exclusive) + std::to_string(row.read_only));
    TableFixture f;
    f.Put(ThreeRecords());
    f.table.SetExclusive(row.exclusive);
    f.table.SetReadOnly(row.read_only);
    f.table.Open();
    ASSERT_EQ(f.sim.opened_modes.size(), 1u);
    EXPECT_EQ(f.sim.opened_modes[0].first, row.access);
    EXPECT_EQ(f.sim.opened_modes[0].second, row.share);
  }
}

TEST(DbfTableTest, ReadOnlyOpensAFileThatRefusesWriting) {
  TableFixture f;
  f.sim.PutFile(kTablePath, ThreeRecords(), platform::kAttrReadOnly);
  f.table.SetReadOnly(true);
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
}

TEST(DbfTableTest, FilePathIsTakenRelativeToTheProgramFolderUnlessRooted) {
  struct Row {
    std::string file_path;
    std::string composed;
  };
  const std::vector<Row> rows = {
      {"", "C:\\Programme\\Erinnerungsmodul\\erinnerung"},
      {"konten", "C:\\Programme\\Erinnerungsmodul\\konten\\erinnerung"},
      {"konten\\", "C:\\Programme\\Erinnerungsmodul\\konten\\erinnerung"},
      {"..\\Planer\\.\\konten", "C:\\Programme\\Planer\\konten\\erinnerung"},
      {"D:\\Planer\\konten", "D:\\Planer\\konten\\erinnerung"},
      {"D:..\\x", "D:..\\x\\erinnerung"},
      {"\\\\server\\share", "\\\\server\\share\\erinnerung"},
      {"\\Planer", "\\Planer\\erinnerung"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file_path);
    SimSystem sim;
    TDbfTable table("Dbf_erinnerung", sim);
    table.SetFilePath(row.file_path);
    table.SetTableName("erinnerung");
    EXPECT_EQ(table.ComposedFileName(), row.composed);
  }
}

TEST(DbfTableTest, FilePathGetsATrailingBackslash) {
  SimSystem sim;
  TDbfTable table("Dbf_erinnerung", sim);
  table.SetFilePath("C:\\Daten");
  EXPECT_EQ(table.FilePath(), "C:\\Daten\\");
  table.SetFilePath("");
  EXPECT_EQ(table.FilePath(), "");
}

TEST(DbfTableTest, TableNameWithADirectoryPassesItToFilePath) {
  SimSystem sim;
  TDbfTable table("Dbf_erinnerung", sim);
  table.SetTableName("C:\\Daten\\konten\\erinnerung.dbf");
  EXPECT_EQ(table.TableName(), "erinnerung.dbf");
  EXPECT_EQ(table.FilePath(), "C:\\Daten\\konten\\");
  table.SetTableName("andere.dbf");
  EXPECT_EQ(table.FilePath(), "C:\\Daten\\konten\\");
}

TEST(DbfTableTest, TableNameIsUsedExactlyWithoutAddingAnExtension) {
  TableFixture f;
  f.sim.PutFile("C:\\Daten\\erinnerung", ThreeRecords());
  f.sim.PutFile(kTablePath, ReminderWriter().Bytes());
  f.table.SetTableName("erinnerung");
  f.table.Open();
  EXPECT_EQ(f.sim.opened_paths, (std::vector<std::string>{"C:\\Daten\\erinnerung"}));
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
}

TEST(DbfTableTest, PathPropertiesCannotChangeWhileOpen) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.Open();
  const std::string message =
      "Dbf_erinnerung: Operation bei ge\xF6"
      "ffneter Datenmenge nicht ausf\xFChrbar";
  try {
    f.table.SetFilePath("C:\\Anders");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), message);
  }
  for (const char* name : {"anders.dbf", "C:\\Anders\\anders.dbf"}) {
    SCOPED_TRACE(name);
    try {
      f.table.SetTableName(name);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.message(), message);
    }
  }
  EXPECT_EQ(f.table.FilePath(), "C:\\Daten\\");
  EXPECT_EQ(f.table.TableName(), "erinnerung.dbf");
  f.table.Close();
  f.table.SetFilePath("C:\\Anders");
  EXPECT_EQ(f.table.FilePath(), "C:\\Anders\\");
}

TEST(DbfTableTest, ASecondTableTakesEveryProperty) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.SetExclusive(true);
  f.table.SetReadOnly(true);
  f.table.SetShowDeleted(true);
  f.table.SetUseFloatFields(false);
  f.table.SetFilter("ERINNERUNG<='20261203'");
  f.table.SetFiltered(true);
  f.table.SetReadAheadBytes(100);
  TDbfTable second("Dbf_zweite", f.sim);
  second.TakePropertiesOf(f.table);
  EXPECT_EQ(second.ComposedFileName(), kTablePath);
  EXPECT_TRUE(second.Exclusive() && second.ReadOnly() && second.ShowDeleted() &&
              second.Filtered() && !second.UseFloatFields());
  EXPECT_EQ(second.Filter(), f.table.Filter());
  EXPECT_EQ(second.ReadAheadBytes(), 100u);
  second.Open();
  EXPECT_EQ(second.CountVisibleRecords(), 2);
  EXPECT_THROW(second.TakePropertiesOf(f.table), Error) << "not while open";
}

TEST(DbfTableTest, OpeningAnOpenTableAndClosingAClosedOneDoNothing) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.Close();
  f.table.Open();
  f.table.Next();
  f.table.Open();
  EXPECT_EQ(f.sim.open_count, 1);
  EXPECT_EQ(f.table.RecNo(), 2);
  f.table.Close();
  f.table.Close();
  EXPECT_FALSE(f.table.Active());
}

TEST(DbfTableTest, RecordCountComesFromTheFileSize) {
  struct Row {
    const char* name;
    std::function<std::string(std::string)> shape;
    int64_t count;
  };
  const std::vector<Row> rows = {
      {"end_of_file_byte", [](std::string b) { return b; }, 3},
      {"no_end_of_file_byte", [](std::string b) { return b.substr(0, b.size() - 1); }, 3},
      {"last_record_cut", [](std::string b) { return b.substr(0, b.size() - 20); }, 2},
      {"header_only", [](std::string b) { return b.substr(0, 129); }, 0},
      {"stored_count_too_high",
       [](std::string b) {
         PutLe32(&b, 4, 1000);
         return b;
       },
       3},
      {"stored_count_zero",
       [](std::string b) {
         PutLe32(&b, 4, 0);
         return b;
       },
       3},
      {"stored_count_with_top_bit",
       [](std::string b) {
         PutLe32(&b, 4, 0x80000003u);
         return b;
       },
       3},
      {"trailing_bytes_after_eof_marker", [](std::string b) { return b + std::string(38, 'x'); },
       4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TableFixture f;
    f.Put(row.shape(ThreeRecords()));
    f.table.Open();
    EXPECT_EQ(f.table.CountVisibleRecords(), row.count);
    EXPECT_EQ(static_cast<int64_t>(f.Walk().size()), row.count);
  }
}

TEST(DbfTableTest, DeletedRecordsAreSkippedUnlessShown) {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"20261201000000", "1", "a"}, true);
  w.AddRawRecord("20261202000000", ' ');
  w.AddRawRecord("20261203000000", '\0');
  w.AddRawRecord("20261204000000", '*');
  w.AddRawRecord("20261205000000", 'x');
  TableFixture f;
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.RecNo(), 2);
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{2, 3, 5}));
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
  f.table.Close();
  f.table.SetShowDeleted(true);
  f.table.Open();
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{1, 2, 3, 4, 5}));
}

TEST(DbfTableTest, EmptyTableHasNoCurrentRecordAndBlankFields) {
  TableFixture f;
  f.Put(ReminderWriter().Bytes());
  f.table.Open();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.CountVisibleRecords(), 0);
  f.table.First();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsNumber(), 0);
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "");
  EXPECT_TRUE(f.table.GetField("ERINNERUNG").IsBlank());
  // Without a record even a text field gives the blank number instead of an error.
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsNumber(), 0);
}

TEST(DbfTableTest, CountingLeavesTheCurrentRecordWhereItWas) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.Open();
  f.table.Next();
  const std::string before = f.table.GetField("TEXT").AsText();
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
  EXPECT_EQ(f.table.RecNo(), 2);
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), before);
  EXPECT_FALSE(f.table.Eof());
  f.table.Next();
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "drei");
}

TEST(DbfTableTest, NextAtTheEndKeepsTheLastVisibleRecord) {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"a", "1", "eins"});
  w.AddRecord({"b", "2", "zwei"});
  w.AddRecord({"c", "3", "drei"}, true);
  TableFixture f;
  f.Put(w.Bytes());
  f.table.Open();
  f.table.Next();
  f.table.Next();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.RecNo(), 2);
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "zwei");
  const int reads = f.sim.read_count;
  f.table.Next();
  EXPECT_EQ(f.sim.read_count, reads);
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "zwei");
}

TEST(DbfTableTest, RecordsAppendedWhileOpenBecomeVisible) {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"a", "1", "eins"});
  TableFixture f;
  f.Put(w.Bytes(false));
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 1);
  f.sim.AppendToFile(kTablePath, std::string(" b") + std::string(37, ' '));
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
  f.table.Next();
  EXPECT_FALSE(f.table.Eof());
  EXPECT_EQ(f.table.RecNo(), 2);
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsText(), "b");
  // Half a record is not a record yet.
  f.sim.AppendToFile(kTablePath, " c");
  f.table.Next();
  EXPECT_TRUE(f.table.Eof());
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
}

TEST(DbfTableTest, ExclusiveTableKeepsTheCountFromOpen) {
  tools::DbfWriter w = ReminderWriter();
  w.AddRecord({"a", "1", "eins"});
  TableFixture f;
  f.Put(w.Bytes(false));
  f.table.SetExclusive(true);
  f.table.Open();
  f.sim.AppendToFile(kTablePath, std::string(39, ' '));
  EXPECT_EQ(f.table.CountVisibleRecords(), 1);
}

TEST(DbfTableTest, RecordsCutAwayWhileOpenEndTheWalk) {
  TableFixture f;
  const std::string bytes = ThreeRecords();
  f.Put(bytes);
  f.table.Open();
  f.sim.TruncateFile(kTablePath, 129 + 39 + 10);
  EXPECT_EQ(f.table.CountVisibleRecords(), 1);
  EXPECT_EQ(f.Walk(), (std::vector<int64_t>{1}));
}

TEST(DbfTableTest, WithoutReadAheadEachVisitedRecordIsOnePositionedRead) {
  TableFixture f;
  f.table.SetReadAheadBytes(0);  // every record read at its visit
  f.Put(ThreeRecords());
  std::vector<std::pair<uint64_t, size_t>> reads;
  f.sim.on_read = [&](const std::string&, uint64_t offset, size_t size) {
    reads.emplace_back(offset, size);
    return SimSystem::ReadFault{};
  };
  f.table.Open();
  reads.clear();
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
  EXPECT_EQ(reads, (std::vector<std::pair<uint64_t, size_t>>{{129, 39}, {168, 39}, {207, 39}}));
  reads.clear();
  f.table.Next();
  f.table.Next();
  f.table.Next();
  EXPECT_EQ(reads, (std::vector<std::pair<uint64_t, size_t>>{{168, 39}, {207, 39}}));
}

TEST(DbfTableTest, LockedReadIsRetriedAfterAMillisecond) {
  TableFixture f;
  f.table.SetReadAheadBytes(0);  // every record read at its visit
  f.Put(ThreeRecords());
  f.table.Open();
  int locked = 3;
  f.sim.on_read = [&](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    if (locked > 0) {
      --locked;
      fault.kind = SimSystem::ReadFault::kLocked;
    }
    return fault;
  };
  f.table.Next();
  EXPECT_EQ(f.sim.sleeps, (std::vector<uint32_t>{1, 1, 1}));
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "zwei");
}

TEST(DbfTableTest, LockedHeaderIsWaitedForAtOpen) {
  TableFixture f;
  f.Put(ThreeRecords());
  bool locked = true;
  f.sim.on_read = [&](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    if (locked) fault.kind = SimSystem::ReadFault::kLocked;
    locked = false;
    return fault;
  };
  f.table.Open();
  EXPECT_EQ(f.sim.sleeps, (std::vector<uint32_t>{1}));
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
}

TEST(DbfTableTest, FailedReadIsReportedNotRetried) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.Open();
  f.sim.on_read = [](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    fault.kind = SimSystem::ReadFault::kError;
    fault.message = "Ein Ger\xE4tefehler";
    return fault;
  };
  EXPECT_THROW(f.table.CountVisibleRecords(), Error);
  EXPECT_TRUE(f.sim.sleeps.empty());
}

TEST(DbfTableTest, ReadFailureAtTheFirstRecordLeavesTheTableClosed) {
  // The header reads well; the failure comes when Open makes the first record current.
  TableFixture f;
  f.Put(ThreeRecords());
  f.sim.on_read = [](const std::string&, uint64_t offset, size_t) {
    SimSystem::ReadFault fault;
    if (offset >= 129) {
      fault.kind = SimSystem::ReadFault::kError;
      fault.message = "Ein Ger\xE4tefehler";
    }
    return fault;
  };
  EXPECT_EQ(f.OpenError(), "Ein Ger\xE4tefehler");
  EXPECT_FALSE(f.table.Active());
  EXPECT_TRUE(f.table.Eof());
  EXPECT_TRUE(f.table.Fields().empty());
  // Once the file reads again, the next Open starts afresh.
  f.sim.on_read = nullptr;
  f.table.Open();
  EXPECT_EQ(f.sim.open_count, 2);
  EXPECT_EQ(f.table.RecNo(), 1);
}

TEST(DbfTableTest, ShortReadLeavesTheRestOfTheBufferAsItWas) {
  TableFixture f;
  f.table.SetReadAheadBytes(0);  // every record read at its visit
  f.Put(ThreeRecords());
  f.table.Open();
  f.sim.on_read = [](const std::string&, uint64_t, size_t) {
    SimSystem::ReadFault fault;
    fault.kind = SimSystem::ReadFault::kShort;
    fault.short_size = 5;
    return fault;
  };
  // Next reads into the buffer that held no record yet: the bytes past the short read stay
  // blank there, so the fields read blank instead of leftovers of another record.
  f.table.Next();
  EXPECT_EQ(f.table.RecNo(), 2);
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsText(), "2026");
  EXPECT_EQ(f.table.GetField("TEXT").AsText(), "");
}

TEST(DbfTableTest, ReaderNeverWritesTheTable) {
  // A header whose stored count and date differ from the file, without the end-of-file byte
  // and with a production index flag but no index: a writer would update all of these.
  std::string bytes = ThreeRecords();
  bytes.pop_back();
  PutLe32(&bytes, 4, 17);
  bytes[28] = 1;
  for (bool read_only : {false, true}) {
    SCOPED_TRACE(read_only);
    TableFixture f;
    f.Put(bytes);
    f.table.SetReadOnly(read_only);
    f.table.Open();
    f.Walk();
    f.table.CountVisibleRecords();
    f.table.Close();
    EXPECT_EQ(f.sim.write_count, 0);
    EXPECT_EQ(f.sim.ReadFileBytes(kTablePath), bytes);
  }
}

TEST(DbfTableTest, ProductionIndexFlagNeedsTheIndexFile) {
  std::string bytes = ThreeRecords();
  bytes[28] = 1;
  TableFixture f;
  f.Put(bytes);
  f.table.Open();
  EXPECT_FALSE(f.table.ProductionIndex());
  f.table.Close();
  f.sim.PutFile("C:\\Daten\\erinnerung.mdx", "");
  f.table.Open();
  EXPECT_TRUE(f.table.ProductionIndex());
}

TEST(DbfTableTest, FieldsReachingPastTheRecordLengthReadBlank) {
  // The header says 20 bytes per record although the fields take 38: every record is read as
  // its 20 bytes, and what lies past them reads blank, not as the next record's bytes.
  tools::DbfWriter w = ReminderWriter();
  std::string bytes = w.Bytes(false);
  PutLe16(&bytes, 10, 20);
  bytes += std::string(" 20261201000000") + "12345" + " 20261202000000" + "67890";
  TableFixture f;
  f.Put(bytes);
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 2);
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsText(), "20261201000000");
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "12345");
  EXPECT_TRUE(f.table.GetField("TEXT").IsBlank());
  f.table.Next();
  EXPECT_EQ(f.table.GetField("ERINNERUNG").AsText(), "20261202000000");
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsNumber(), 67890);
  EXPECT_TRUE(f.table.GetField("TEXT").IsBlank());
}

TEST(DbfTableTest, GetFieldIgnoresCaseAndNamesTheComponentWhenMissing) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.Open();
  EXPECT_EQ(&f.table.GetField("termindatu"), &f.table.GetField("TERMINDATU"));
  EXPECT_EQ(f.table.GetField("TerminDatu").Index(), 1u);
  try {
    f.table.GetField("Termin");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), "Dbf_erinnerung: Das Feld 'Termin' wurde nicht gefunden");
  }
}

TEST(DbfTableTest, FilterThatDoesNotCompileFailsOpenAndIsEmptied) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.SetFilter("ERINNERUNG<>'x'");
  f.table.SetFiltered(true);
  EXPECT_THROW(f.table.Open(), Error);
  EXPECT_FALSE(f.table.Active());
  EXPECT_EQ(f.table.Filter(), "");
  EXPECT_TRUE(f.table.Filtered());
  // Without the filter the next Open goes through.
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
}

TEST(DbfTableTest, FilterIsNotCompiledWhenEmpty) {
  TableFixture f;
  f.Put(ThreeRecords());
  f.table.SetFiltered(true);
  f.table.Open();
  EXPECT_EQ(f.table.CountVisibleRecords(), 3);
}

TEST(DbfTableTest, CodePageAndTranslationFromTheLanguageDriver) {
  struct Row {
    const char* name;
    uint8_t version;
    uint8_t driver_id;
    std::string driver_name;
    int code_page;
    Translation translation;
    bool modifiable;
  };
  const std::vector<Row> rows = {
      {"dbase3_oem", 0x03, 0x00, "", 850, Translation::kOem, true},
      {"dbase4_memo_version_no_driver", 0x8B, 0x00, "", 850, Translation::kOem, true},
      {"dbase4_ansi", 0x8B, 0x57, "", 1252, Translation::kNone, true},
      {"dbase4_437", 0x03, 0x01 + 0x08, "", 437, Translation::kCodePage, true},
      {"dbase4_850", 0x03, 0x0A, "", 850, Translation::kOem, true},
      {"unlisted_id", 0x03, 0x07, "", 850, Translation::kOem, true},
      {"unsupported", 0x03, 0x13, "", 932, Translation::kNone, false},
      {"dbase7_win", 0x04, 0, "DBWINUS0", 1252, Translation::kNone, true},
      {"dbase7_437", 0x8C, 0, "DB437DE0", 437, Translation::kCodePage, true},
      {"dbase7_no_name", 0x04, 0x57, "", 850, Translation::kOem, true},
      {"foxpro_1252", 0x30, 0x03, "", 1252, Translation::kNone, true},
      {"foxpro_none", 0xF5, 0x00, "", 850, Translation::kOem, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TableFixture f;
    tools::DbfWriter w({{"NAME", 'C', 10}}, row.version, row.driver_id, row.driver_name);
    w.AddRecord({"x"});
    f.Put(w.Bytes());
    f.table.Open();
    EXPECT_EQ(f.table.CodePage(), row.code_page);
    EXPECT_EQ(f.table.Translation(), row.translation);
    EXPECT_EQ(f.table.Modifiable(), row.modifiable);
  }
}

TEST(DbfTableTest, DBase7TableReadsThroughTheWideLayout) {
  tools::DbfWriter w({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}}, 0x04, 0, "DBWINUS0");
  w.AddRecord({"20261201000000", "20261207103000"});
  TableFixture f;
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "20261207103000");
  EXPECT_EQ(f.table.Fields()[1].offset, 15u);
}

}  // namespace
}  // namespace erm::dbf
