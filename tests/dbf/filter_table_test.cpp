// Filters at work in an open table: compiled at Open, applied by the walks, and their errors
// failing Open with the table left closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/sim/sim_system.h"

namespace erm::dbf {
namespace {

constexpr char kPath[] = "C:\\Daten\\erinnerung.dbf";
const std::string kScanFilter = "ERINNERUNG<='20261207000000'";

class FilteredTableTest : public ::testing::Test {
 protected:
  FilteredTableTest() {
    table_.SetFilePath("C:\\Daten\\");
    table_.SetTableName("erinnerung.dbf");
  }

  void PutReminders(char erinnerung_type, const std::vector<std::vector<std::string>>& rows,
                    const std::vector<bool>& deleted = {}) {
    tools::DbfWriter writer(
        {{"ERINNERUNG", erinnerung_type, 14}, {"TERMINDATU", 'N', 14, 0}, {"TEXT", 'C', 10}});
    for (size_t i = 0; i < rows.size(); ++i) {
      writer.AddRecord(rows[i], i < deleted.size() && deleted[i]);
    }
    sim_.PutFile(kPath, writer.Bytes());
  }

  std::string OpenWith(const std::string& filter) {
    table_.SetFilter(filter);
    table_.SetFiltered(true);
    try {
      table_.Open();
    } catch (const Error& e) {
      return e.message();
    }
    return "";
  }

  std::vector<int64_t> Walk() {
    std::vector<int64_t> seen;
    for (table_.First(); !table_.Eof(); table_.Next())
      seen.push_back(table_.RecNo());
    return seen;
  }

  platform::SimSystem sim_;
  TDbfTable table_{"Dbf_erinnerung", sim_};
};

TEST_F(FilteredTableTest, ScanFilterShowsDueRemindersOnly) {
  PutReminders('C', {{"20261206235959", "20261210090000"},
                     {"20261207000001", "20261210090000"},
                     {"20261207000000", "20261207090000"},
                     {"", "20261209090000"},
                     {"20261207", "20261208090000"},
                     {"20261207103000", "20261207103000"}});
  ASSERT_EQ(OpenWith(kScanFilter), "");
  EXPECT_EQ(table_.CountVisibleRecords(), 4);
  EXPECT_EQ(Walk(), (std::vector<int64_t>{1, 3, 4, 5}));
}

TEST_F(FilteredTableTest, DeletedRecordsStayHiddenThoughTheyPass) {
  PutReminders('C', {{"20261201000000"}, {"20261202000000"}, {"20261203000000"}},
               {false, true, false});
  ASSERT_EQ(OpenWith(kScanFilter), "");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{1, 3}));
  table_.Close();
  table_.SetShowDeleted(true);
  ASSERT_EQ(OpenWith(kScanFilter), "");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{1, 2, 3}));
}

TEST_F(FilteredTableTest, FilterIsIgnoredWhileNotFiltered) {
  PutReminders('C', {{"20261201000000"}, {"20301202000000"}});
  table_.SetFilter(kScanFilter);
  table_.SetFiltered(false);
  table_.Open();
  EXPECT_EQ(table_.CountVisibleRecords(), 2);
}

TEST_F(FilteredTableTest, NumericReminderDateComparesWithAFloatConstantOnly) {
  PutReminders('N', {{"20261206235959"}, {"20261207000000"}, {"20261207000001"}});
  EXPECT_EQ(OpenWith(kScanFilter), "Argument type mismatch");
  EXPECT_FALSE(table_.Active());
  EXPECT_EQ(table_.Filter(), "") << "a filter that failed is emptied";

  EXPECT_EQ(OpenWith("ERINNERUNG<=20261207000000"),
            "'20261207000000' ist kein g\xFCltiger Integerwert");
  EXPECT_FALSE(table_.Active());

  ASSERT_EQ(OpenWith("ERINNERUNG<=20261207000000.0"), "");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{1, 2}));
}

TEST_F(FilteredTableTest, MissingFieldNamedAsWrittenAndTableClosed) {
  PutReminders('C', {{"20261201000000"}});
  EXPECT_EQ(OpenWith("Erinnerungsdatum<='20261207000000'"),
            "Index based on unknown field \"Erinnerungsdatum\".");
  EXPECT_FALSE(table_.Active());
  EXPECT_EQ(table_.Filter(), "");
}

TEST_F(FilteredTableTest, DeepNestingFailsOpenInsteadOfOverflowingTheStack) {
  PutReminders('C', {{"20261201000000"}});
  const std::string filter = std::string(100000, '(') + kScanFilter + std::string(100000, ')');
  EXPECT_EQ(OpenWith(filter),
            "Expression nested too deeply (more than 256 levels of brackets and NOT)");
  EXPECT_FALSE(table_.Active());
  EXPECT_EQ(table_.Filter(), "");
}

TEST_F(FilteredTableTest, RecordsAppendedWhileOpenAreTested) {
  PutReminders('C', {{"20261201000000"}});
  ASSERT_EQ(OpenWith(kScanFilter), "");
  EXPECT_EQ(table_.CountVisibleRecords(), 1);
  tools::DbfWriter more({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"TEXT", 'C', 10}});
  more.AddRecord({"20261202000000"});
  more.AddRecord({"20291202000000"});
  // Another writer replaces the end-of-file byte with two records.
  sim_.TruncateFile(kPath, sim_.ReadFileBytes(kPath).size() - 1);
  sim_.AppendToFile(kPath, more.Bytes().substr(more.HeaderLength()));
  EXPECT_EQ(table_.CountVisibleRecords(), 2);
}

TEST_F(FilteredTableTest, FieldBeyondAShortRecordReadsBlank) {
  // A descriptor that claims more bytes than the record holds: the filter sees blanks there.
  tools::DbfWriter writer({{"ERINNERUNG", 'C', 14}, {"TEXT", 'C', 10}});
  writer.AddRecord({"20261201000000", "abc"});
  std::string bytes = writer.Bytes();
  bytes[10] = static_cast<char>(1 + 14 + 1);  // the record ends after TEXT's first byte
  bytes[11] = 0;
  sim_.PutFile(kPath, bytes);
  ASSERT_EQ(OpenWith("TEXT = 'abc'"), "");
  EXPECT_EQ(table_.CountVisibleRecords(), 0);
  table_.Close();
  ASSERT_EQ(OpenWith("TEXT + '|' = 'a         |'"), "");
  EXPECT_EQ(table_.CountVisibleRecords(), 1);
}

}  // namespace
}  // namespace erm::dbf
