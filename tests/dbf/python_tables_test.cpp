// Tables written by python3-dbf (tests/data/make_python_tables.py): another program's idea of
// the format, read through the table component.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbf/dbf_table.h"
#include "dbf/table_test_support.h"
#include "support/test_data.h"

namespace erm::dbf {
namespace {

using testing::TableFixture;

struct PythonTable : TableFixture {
  explicit PythonTable(const std::string& name) {
    const std::string bytes = erm::testing::ReadTestData(name);
    EXPECT_FALSE(bytes.empty()) << name;
    Put(bytes);
    const std::string memo = erm::testing::ReadTestData(name.substr(0, name.size() - 4) + ".dbt");
    if (!memo.empty()) sim.PutFile("C:\\Daten\\erinnerung.dbt", memo);
  }

  // AsText of every field of every visible record.
  std::vector<std::vector<std::string>> Rows() {
    std::vector<std::vector<std::string>> rows;
    for (table.First(); !table.Eof(); table.Next()) {
      std::vector<std::string> row;
      for (const FieldDef& f : table.Fields())
        row.push_back(table.GetField(f.name).AsText());
      rows.push_back(row);
    }
    return rows;
  }
};

TEST(PythonTablesTest, ReminderTableReadsAsThePlannerWroteIt) {
  PythonTable t("py_reminders.dbf");
  t.table.Open();
  ASSERT_EQ(t.table.Fields().size(), 3u);
  EXPECT_EQ(t.table.Fields()[1].offset, 15u);
  EXPECT_EQ(t.table.CodePage(), 850);
  EXPECT_EQ(t.table.CountVisibleRecords(), 5);
  const std::vector<std::vector<std::string>> expected = {
      {"20261206235959", "20261207103000",
       "B\xE4"
       "cker anrufen"},
      {"20261207000000", "20261208090000", "Zahnarzt"},
      {"20261207000001", "20261209120000", "zu sp\xE4t"},
      {"", "", "ohne Datum"},
      {"20261205000000", "20261207", "kurze Zahl"},
  };
  EXPECT_EQ(t.Rows(), expected);
}

TEST(PythonTablesTest, ReminderTableWithTheScanFilter) {
  PythonTable t("py_reminders.dbf");
  t.table.SetFilter("ERINNERUNG<='20261207000000'");
  t.table.SetFiltered(true);
  t.table.Open();
  EXPECT_EQ(t.table.CountVisibleRecords(), 4);
  EXPECT_EQ(t.Walk(), (std::vector<int64_t>{1, 2, 5, 6}));
  t.table.First();
  EXPECT_EQ(t.table.GetField("TERMINDATU").AsNumber(), 20261207103000.0);
}

TEST(PythonTablesTest, DeletedRecordIsThereWhenShown) {
  PythonTable t("py_reminders.dbf");
  t.table.SetShowDeleted(true);
  t.table.Open();
  EXPECT_EQ(t.Walk(), (std::vector<int64_t>{1, 2, 3, 4, 5, 6}));
}

TEST(PythonTablesTest, EveryKindOfADBase3TableWithMemo) {
  PythonTable t("py_kinds.dbf");
  t.table.Open();
  const std::vector<std::vector<std::string>> expected = {
      {"Miete", "123,5", "12", "07.12.2026", "T", "1"},
      {"Strom", "-0,05", "-3", "31.01.2027", "F", "2"},
      {"", "", "", "", "F", "3"},
  };
  EXPECT_EQ(t.Rows(), expected);
  t.table.First();
  EXPECT_EQ(t.table.GetField("BETRAG").AsNumber(), 123.5);
  EXPECT_EQ(t.table.GetField("DATUM").AsNumber(), 46363);
}

TEST(PythonTablesTest, VisualFoxProLayoutWithBacklink) {
  PythonTable t("py_vfp.dbf");
  t.table.Open();
  EXPECT_EQ(t.table.CodePage(), 1252);
  const std::vector<std::vector<std::string>> expected = {
      {"20261207000000", "20261207103000",
       "Gr\xFC\xDF"
       "e"},
      {"20261208000000", "20261208103000", "zweiter"},
  };
  EXPECT_EQ(t.Rows(), expected);
}

}  // namespace
}  // namespace erm::dbf
