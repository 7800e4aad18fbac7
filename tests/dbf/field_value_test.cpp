// Field values as the reminder scan reads them: AsNumber and AsText of the current record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbf/dbf_table.h"
#include "dbf/table_test_support.h"
#include "platform/error.h"

namespace erm::dbf {
namespace {

using testing::TableFixture;

struct ValueCase {
  const char* name;
  tools::WriterField field;
  std::string bytes;  // exactly the field's bytes
  std::string text;
  double number;
  std::string number_error;  // AsNumber's message instead of a number
};

TEST(FieldValueTest, AsNumberAndAsTextOfEveryKindTheScanMeets) {
  const std::vector<ValueCase> cases = {
      {"timestamp",
       {"TERMINDATU", 'N', 14, 0},
       "20261207103000",
       "20261207103000",
       20261207103000.0,
       ""},
      {"timestamp_right_aligned",
       {"TERMINDATU", 'N', 16, 0},
       "  20261207103000",
       "20261207103000",
       20261207103000.0,
       ""},
      {"shorter_number", {"TERMINDATU", 'N', 14, 0}, "      20261207", "20261207", 20261207.0, ""},
      {"timestamp_blank", {"TERMINDATU", 'N', 14, 0}, std::string(14, ' '), "", 0, ""},
      {"timestamp_with_hyphens", {"TERMINDATU", 'N', 14, 0}, "2026-12-07    ", "0", 0, ""},
      {"decimals", {"BETRAG", 'N', 10, 2}, "    123.50", "123,5", 123.5, ""},
      {"negative_decimals", {"BETRAG", 'N', 10, 2}, "     -0.05", "-0,05", -0.05, ""},
      {"small_integer", {"ANZAHL", 'N', 4, 0}, "  12", "12", 12, ""},
      {"sixteen_digits",
       {"GROSS", 'N', 16, 0},
       "1234567890123456",
       "1,23456789012346E15",
       1234567890123456.0,
       ""},
      {"float_type", {"WERT", 'F', 8, 3}, "   1.250", "1,25", 1.25, ""},
      {"text_with_leading_blanks",
       {"NAME", 'C', 14},
       "  ABC         ",
       "  ABC",
       0,
       "'  ABC' ist kein g\xFCltiger Gleitkommawert"},
      {"text_blank",
       {"NAME", 'C', 14},
       std::string(14, ' '),
       "",
       0,
       "'' ist kein g\xFCltiger Gleitkommawert"},
      {"text_timestamp",
       {"TERMINDATU", 'C', 14},
       "20261207103000",
       "20261207103000",
       20261207103000.0,
       ""},
      {"text_number_user_separator", {"NAME", 'C', 10}, "  -12,5e1 ", "  -12,5e1", -125, ""},
      {"text_number_with_point",
       {"NAME", 'C', 10},
       "12.5      ",
       "12.5",
       0,
       "'12.5' ist kein g\xFCltiger Gleitkommawert"},
      {"logical_yes", {"ERLEDIGT", 'L', 1}, "Y", "F", 0, ""},
      {"logical_true", {"ERLEDIGT", 'L', 1}, "t", "T", 1, ""},
      {"logical_blank", {"ERLEDIGT", 'L', 1}, " ", "", 0, ""},
      {"date", {"DATUM", 'D', 8}, "20261207", "07.12.2026", 46363, ""},
      {"date_invalid", {"DATUM", 'D', 8}, "20261332", "", 0, ""},
      {"text_timestamp_kind",
       {"ZEIT", 'T', 14},
       "20261207103000",
       "07.12.2026 10:30:00",
       46363.4375,
       ""},
      {"text_timestamp_first_day",
       {"ZEIT", 'T', 14},
       "00010101120000",
       "01.01.0001 12:00:00",
       -693593.5,
       ""},
      {"binary_integer", {"NUMMER", 'I', 4}, std::string("\x80\x00\x01\x00", 4), "256", 256, ""},
      {"auto_increment", {"ZAEHLER", '+', 4}, std::string("\x7F\xFF\xFF\xFE", 4), "-2", -2, ""},
      {"binary_double",
       {"WERT", 'O', 8},
       std::string("\xC0\x09\x21\xF9\xF0\x1B\x86\x6E", 8),
       "3,14159",
       3.14159,
       ""},
      {"binary_timestamp",
       {"ZEIT", '@', 8},
       std::string("\x42\xCD\x12\xB3\xD9\x9D\0\0", 8),
       "07.12.2026 12:00:00",
       46363.5,
       ""},
      {"memo_block", {"NOTIZ", 'M', 10}, "        17", "17", 17, ""},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    TableFixture f;
    tools::DbfWriter w({{"VORHER", 'C', 2}, c.field});
    w.AddRawRecord("xx" + c.bytes);
    f.Put(w.Bytes());
    if (c.field.type == 'M') f.sim.PutFile("C:\\Daten\\erinnerung.dbt", std::string(512, '\0'));
    f.table.Open();
    const TField& field = f.table.GetField(c.field.name);
    EXPECT_EQ(field.AsText(), c.text);
    if (c.number_error.empty()) {
      EXPECT_DOUBLE_EQ(field.AsNumber(), c.number);
    } else {
      try {
        field.AsNumber();
        ADD_FAILURE() << "no error";
      } catch (const Error& e) {
        EXPECT_EQ(e.message(), c.number_error);
      }
    }
  }
}

TEST(FieldValueTest, BinaryValuesOutsideTheCalendarHaveNoText) {
  TableFixture f;
  tools::DbfWriter w({{"ZEIT", '@', 8}, {"WERT", 'O', 8}});
  // Not a number, and a double of 1e300 days.
  w.AddRawRecord(std::string("\x7F\xF8\0\0\0\0\0\0", 8) + std::string("\xFF\xF8\0\0\0\0\0\0", 8));
  w.AddRawRecord(std::string("\x7E\x37\xE4\x3C\x88\x00\x75\x9C", 8) + std::string(8, '\0'));
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.GetField("ZEIT").AsText(), "");
  EXPECT_EQ(f.table.GetField("WERT").AsText(), "NAN");
  f.table.Next();
  EXPECT_EQ(f.table.GetField("ZEIT").AsText(), "");
  EXPECT_TRUE(f.table.GetField("WERT").IsBlank());
}

TEST(FieldValueTest, IntegerKindsWithoutFloatFields) {
  TableFixture f;
  tools::DbfWriter w({{"TERMINDATU", 'N', 14, 0}, {"KLEIN", 'N', 6, 0}});
  w.AddRecord({"20261207103000", "-42"});
  f.Put(w.Bytes());
  f.table.SetUseFloatFields(false);
  f.table.Open();
  EXPECT_EQ(f.table.Fields()[0].kind, ValueKind::kLargeInt);
  EXPECT_EQ(f.table.Fields()[1].kind, ValueKind::kInteger);
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsText(), "20261207103000");
  EXPECT_EQ(f.table.GetField("TERMINDATU").AsNumber(), 20261207103000.0);
  EXPECT_EQ(f.table.GetField("KLEIN").AsText(), "-42");
}

TEST(FieldValueTest, DecimalSeparatorIsTheUsers) {
  TableFixture f;
  f.sim.SetDecimalSeparator('.');
  tools::DbfWriter w({{"BETRAG", 'N', 10, 2}, {"TEXT", 'C', 6}});
  w.AddRecord({"123.50", "1.5"});
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.GetField("BETRAG").AsText(), "123.5");
  EXPECT_EQ(f.table.GetField("TEXT").AsNumber(), 1.5);
}

TEST(FieldValueTest, OemTableTextReadsAsTheAnsiLetter) {
  // Language driver 0: the system's OEM code page 850, where 0x84 is the letter "ae" umlaut.
  TableFixture f;
  tools::DbfWriter w({{"NAME", 'C', 6}});
  w.AddRecord({"B\x84r"});
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.Translation(), Translation::kOem);
  EXPECT_EQ(f.table.GetField("NAME").AsText(), "B\xE4r");
  // The record itself keeps the stored byte, which is what the filter compares.
  EXPECT_EQ(f.table.RecordBuffer()[2], 0x84);
}

TEST(FieldValueTest, CodePageTableTextConvertsThroughUnicode) {
  // Language driver 0x09 is code page 437, which is neither ANSI nor OEM here.
  TableFixture f;
  tools::DbfWriter w({{"NAME", 'C', 6}}, 0x03, 0x09);
  w.AddRecord(
      {"\x8E"
       "rger"});
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.Translation(), Translation::kCodePage);
  EXPECT_EQ(f.table.GetField("NAME").AsText(), "\xC4rger");
}

TEST(FieldValueTest, AnsiTableTextStaysAsStored) {
  TableFixture f;
  tools::DbfWriter w({{"NAME", 'C', 6}}, 0x03, 0x57);
  w.AddRecord({"B\x84r"});
  f.Put(w.Bytes());
  f.table.Open();
  EXPECT_EQ(f.table.GetField("NAME").AsText(), "B\x84r");
}

TEST(FieldValueTest, ValuesFollowTheCurrentRecord) {
  TableFixture f;
  tools::DbfWriter w = testing::ReminderWriter();
  w.AddRecord({"20261201000000", "20261207103000", "eins"});
  w.AddRecord({"20261202000000", "", "zwei"});
  f.Put(w.Bytes());
  f.table.Open();
  const TField& termin = f.table.GetField("TERMINDATU");
  EXPECT_EQ(termin.AsNumber(), 20261207103000.0);
  f.table.Next();
  EXPECT_EQ(termin.AsNumber(), 0);
  EXPECT_EQ(termin.AsText(), "");
  EXPECT_TRUE(termin.IsBlank());
}

}  // namespace
}  // namespace erm::dbf
