#include "dbf/dbf_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/dbf_writer.h"
#include "dbf/table_test_support.h"
#include "platform/error.h"

namespace erm::dbf {
namespace {

using testing::PutLe16;

const uint8_t* Data(const std::string& bytes) {
  return reinterpret_cast<const uint8_t*>(bytes.data());
}

HeaderStart Start(const std::string& bytes) {
  return ParseHeaderStart(Data(bytes), bytes.size());
}

HeaderFields Fields(const std::string& bytes, bool use_float_fields = true) {
  const HeaderStart start = Start(bytes);
  return ParseFieldDescriptors(start, Data(bytes), bytes.size(), use_float_fields);
}

std::string ErrorOf(const std::string& bytes) {
  try {
    Fields(bytes);
  } catch (const Error& e) {
    return e.message();
  }
  return std::string();
}

std::string OneField(uint8_t version, uint8_t driver = 0) {
  return tools::DbfWriter({{"NAME", 'C', 10}}, version, driver).Bytes();
}

TEST(DbfHeaderTest, VersionByteSelectsTheVariant) {
  struct Row {
    uint8_t version;
    uint8_t driver;
    TableVariant variant;
  };
  const std::vector<Row> rows = {
      {0x03, 0x00, TableVariant::kDBase3},       {0x03, 0x57, TableVariant::kDBase4},
      {0x83, 0x00, TableVariant::kDBase3},       {0x8B, 0x00, TableVariant::kDBase3},
      {0x8B, 0x57, TableVariant::kDBase4},       {0xFB, 0x01, TableVariant::kDBase4},
      {0x04, 0x00, TableVariant::kDBase7},       {0x8C, 0x00, TableVariant::kDBase7},
      {0x30, 0x03, TableVariant::kVisualFoxPro}, {0xF5, 0x00, TableVariant::kFoxPro},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.version));
    EXPECT_EQ(Start(OneField(row.version, row.driver)).variant, row.variant);
  }
  for (uint8_t version : {0x00, 0x02, 0x05, 0x31, 0xF6, 0xE5}) {
    SCOPED_TRACE(static_cast<int>(version));
    std::string bytes = OneField(0x03);
    bytes[0] = static_cast<char>(version);
    EXPECT_EQ(ErrorOf(bytes), "Invalid DBF file.");
  }
}

TEST(DbfHeaderTest, HeaderStartReadsLengthsFlagsAndStoredCount) {
  tools::DbfWriter w({{"NAME", 'C', 10}});
  w.AddRecord({"a"});
  std::string bytes = w.Bytes();
  bytes[28] = 1;
  bytes[29] = 0x57;
  const HeaderStart start = Start(bytes);
  EXPECT_EQ(start.header_length, 65);
  EXPECT_EQ(start.record_length, 11);
  EXPECT_EQ(start.stored_record_count, 1u);
  EXPECT_TRUE(start.production_index);
  EXPECT_EQ(start.language_driver_id, 0x57);
  EXPECT_THROW(ParseHeaderStart(Data(bytes), 31), Error);
}

struct DescriptorCase {
  char type;
  uint8_t length;
  uint8_t decimals;
  uint32_t normal_length;
  uint32_t normal_decimals;
  ValueKind kind;  // UseFloatFields true
  ValueKind kind_without_float;
};

TEST(DbfHeaderTest, DescriptorsAreNormalisedByTypeLetter) {
  using K = ValueKind;
  const std::vector<DescriptorCase> cases = {
      {'C', 14, 0, 14, 0, K::kText, K::kText},
      {'C', 255, 3, 254, 0, K::kText, K::kText},
      {'N', 14, 0, 14, 0, K::kFloat, K::kLargeInt},
      {'N', 30, 0, 20, 0, K::kFloat, K::kLargeInt},
      {'N', 10, 2, 10, 2, K::kFloat, K::kFloat},
      {'N', 5, 4, 5, 3, K::kFloat, K::kFloat},
      {'N', 1, 1, 1, 0, K::kFloat, K::kFloat},
      {'N', 4, 0, 4, 0, K::kSmallInt, K::kSmallInt},
      {'N', 5, 0, 5, 0, K::kFloat, K::kInteger},
      {'N', 9, 0, 9, 0, K::kFloat, K::kInteger},
      {'N', 10, 0, 10, 0, K::kFloat, K::kLargeInt},
      {'F', 20, 25, 20, 18, K::kFloat, K::kFloat},
      {'D', 10, 2, 8, 0, K::kDate, K::kDate},
      {'@', 4, 0, 8, 0, K::kBinaryDateTime, K::kBinaryDateTime},
      {'O', 2, 1, 8, 0, K::kBinaryDouble, K::kBinaryDouble},
      {'L', 3, 0, 1, 0, K::kBoolean, K::kBoolean},
      {'M', 4, 0, 10, 0, K::kMemo, K::kMemo},
      {'B', 10, 0, 10, 0, K::kBinary, K::kBinary},
      {'G', 10, 0, 10, 0, K::kObject, K::kObject},
      {'I', 2, 0, 4, 0, K::kBinaryInteger, K::kBinaryInteger},
      {'+', 4, 0, 4, 0, K::kAutoIncrement, K::kAutoIncrement},
      {'T', 14, 1, 14, 1, K::kTextDateTime, K::kTextDateTime},
      {'c', 5, 0, 5, 0, K::kText, K::kText},
  };
  for (const DescriptorCase& c : cases) {
    SCOPED_TRACE(std::string(1, c.type) + std::to_string(c.length));
    const std::string bytes =
        tools::DbfWriter({{"F", c.type, c.length, c.decimals}, {"NEXT", 'C', 1}}).Bytes();
    for (bool use_float : {true, false}) {
      const HeaderFields h = Fields(bytes, use_float);
      ASSERT_EQ(h.fields.size(), 2u);
      const FieldDef& f = h.fields[0];
      EXPECT_EQ(f.type, c.type == 'c' ? 'C' : c.type);
      EXPECT_EQ(f.length, c.normal_length);
      EXPECT_EQ(f.decimals, c.normal_decimals);
      EXPECT_EQ(f.stored_length, c.length);
      EXPECT_EQ(f.kind, use_float ? c.kind : c.kind_without_float);
      // Offsets follow the stored lengths, not the normalised ones.
      EXPECT_EQ(h.fields[1].offset, 1u + c.length);
    }
  }
}

TEST(DbfHeaderTest, NamesAreUpperCasedAndEndAtTheFirstNul) {
  std::string bytes = tools::DbfWriter({{"termindatu", 'n', 14}, {"Ab", 'C', 2}}).Bytes();
  bytes[32 + 32 + 3] = 'z';  // a byte after the name's NUL
  const HeaderFields h = Fields(bytes);
  EXPECT_EQ(h.fields[0].name, "TERMINDATU");
  EXPECT_EQ(h.fields[0].type, 'N');
  EXPECT_EQ(h.fields[1].name, "AB");
  // Eleven bytes without a NUL make an eleven-letter name.
  const std::string full = tools::DbfWriter({{"ABCDEFGHIJK", 'C', 1}}).Bytes();
  EXPECT_EQ(Fields(full).fields[0].name, "ABCDEFGHIJK");
}

TEST(DbfHeaderTest, LockFieldTakesItsBytesButIsLeftOut) {
  const std::string bytes =
      tools::DbfWriter({{"A", 'C', 3}, {"_dbaselock", 'C', 16}, {"B", 'C', 2}}).Bytes();
  const HeaderFields h = Fields(bytes);
  ASSERT_EQ(h.fields.size(), 2u);
  EXPECT_EQ(h.fields[1].name, "B");
  EXPECT_EQ(h.fields[1].offset, 20u);
  EXPECT_EQ(h.descriptor_count, 3u);
}

TEST(DbfHeaderTest, LockFieldWithATypeLetterWithoutValueKindRejectsTheTable) {
  // Left out of the field list, but still a descriptor like any other.
  const std::string bytes = tools::DbfWriter({{"A", 'C', 3}, {"_DBASELOCK", 'X', 16}}).Bytes();
  EXPECT_EQ(ErrorOf(bytes), "Invalid DBF file.");
}

TEST(DbfHeaderTest, FoxProNullFlagsFieldIsLeftOut) {
  const std::string bytes =
      tools::DbfWriter({{"A", 'C', 3}, {"_NullFlags", '0', 1}, {"B", 'C', 2}}, 0x30).Bytes();
  const HeaderFields h = Fields(bytes);
  ASSERT_EQ(h.fields.size(), 2u);
  EXPECT_EQ(h.fields[1].offset, 5u);
  // In a dBase table the same letter has no value kind.
  EXPECT_EQ(ErrorOf(tools::DbfWriter({{"_NullFlags", '0', 1}}, 0x03).Bytes()), "Invalid DBF file.");
}

TEST(DbfHeaderTest, DuplicateNamesGetANumberAppended) {
  const std::string bytes =
      tools::DbfWriter(
          {{"NAME", 'C', 1}, {"name", 'C', 1}, {"NAME2", 'C', 1}, {"NAME", 'C', 1}, {"X", 'C', 1}})
          .Bytes();
  std::vector<std::string> names;
  for (const FieldDef& f : Fields(bytes).fields)
    names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"NAME", "NAME2", "NAME22", "NAME3", "X"}));
}

TEST(DbfHeaderTest, InvalidDescriptorsRejectTheTable) {
  EXPECT_EQ(ErrorOf(tools::DbfWriter({{"", 'C', 1}}).Bytes()), "Invalid DBF file.");
  for (char type : {'Y', 'V', 'X', '\0', ' '}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(ErrorOf(tools::DbfWriter({{"A", type, 1}}).Bytes()), "Invalid DBF file.");
  }
}

TEST(DbfHeaderTest, DescriptorListEndsAtTheHeaderLengthWithoutTerminator) {
  std::string bytes = tools::DbfWriter({{"A", 'C', 1}, {"B", 'C', 1}}).Bytes();
  bytes[32 + 64] = 'x';  // where 0x0D belongs
  EXPECT_EQ(Fields(bytes).fields.size(), 2u);
  // The header ends right after the descriptors: no byte is left for a terminator.
  std::string exact = bytes.substr(0, 96);
  PutLe16(&exact, 8, 96);
  EXPECT_EQ(Fields(exact).fields.size(), 2u);
}

TEST(DbfHeaderTest, TerminatorEndsTheListBeforeTheHeaderLength) {
  // dBase 7 and FoxPro keep more header bytes after the terminator.
  std::string bytes = tools::DbfWriter({{"A", 'C', 1}, {"B", 'C', 1}}).Bytes(false);
  bytes += std::string(300, 'Z');
  PutLe16(&bytes, 8, static_cast<uint32_t>(bytes.size()));
  EXPECT_EQ(Fields(bytes).fields.size(), 2u);
}

TEST(DbfHeaderTest, FirstDescriptorIsReadEvenWhenTheHeaderLeavesNoRoom) {
  std::string bytes = tools::DbfWriter({{"A", 'C', 1}, {"B", 'C', 1}}).Bytes();
  PutLe16(&bytes, 8, 33);
  // The bytes are there but the header length does not reach them: not a readable descriptor.
  EXPECT_EQ(ErrorOf(bytes), "Invalid DBF file.");
  PutLe16(&bytes, 8, 64);
  const HeaderFields h = Fields(bytes);
  ASSERT_EQ(h.fields.size(), 1u);
  EXPECT_EQ(h.fields[0].name, "A");
}

TEST(DbfHeaderTest, WideLayoutReadsFortyEightByteDescriptors) {
  const std::string bytes =
      tools::DbfWriter({{"A_LONG_FIELD_NAME_OF_DBASE_SEVEN", 'C', 3}, {"N", 'N', 5, 2}}, 0x04, 0,
                       "DBWINUS0")
          .Bytes();
  const HeaderStart start = Start(bytes);
  EXPECT_EQ(start.header_length, 68 + 96 + 1);
  const HeaderFields h = Fields(bytes);
  ASSERT_EQ(h.fields.size(), 2u);
  EXPECT_EQ(h.fields[0].name, "A_LONG_FIELD_NAME_OF_DBASE_SEVEN");
  EXPECT_EQ(h.fields[1].offset, 4u);
  EXPECT_EQ(h.fields[1].decimals, 2u);
  EXPECT_EQ(LanguageDriverName(start, Data(bytes), bytes.size()), "DBWINUS0");
  EXPECT_EQ(LanguageDriverName(Start(OneField(0x03)), Data(OneField(0x03)), 65), "");
}

TEST(DbfHeaderTest, MemoFieldsAreReported) {
  EXPECT_FALSE(Fields(OneField(0x03)).has_memo);
  for (char type : {'M', 'B', 'G'}) {
    SCOPED_TRACE(type);
    EXPECT_TRUE(Fields(tools::DbfWriter({{"A", type, 10}}).Bytes()).has_memo);
  }
}

TEST(DbfHeaderTest, HeaderShorterThanItsLengthIsRejectedNotOverread) {
  const std::string bytes = tools::DbfWriter({{"A", 'C', 1}, {"B", 'C', 1}}).Bytes();
  const HeaderStart start = Start(bytes);
  // Only 70 of the 97 header bytes given: the second descriptor is not there.
  EXPECT_THROW(ParseFieldDescriptors(start, Data(bytes), 70, true), Error);
}

}  // namespace
}  // namespace erm::dbf
